#include "app/screens/KDWelcomeViewController.h"

#include <cmath>

#include "app/categories/Color+Category.h"
#include "app/service/KDRequest.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDWelcomeViewController) {}

namespace {

gfx::Size screenSize() { return ui::Screen::mainScreen()->bounds().size; }

}  // namespace

void KDWelcomeViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::whiteColor());
  modelArray_.clear();
  auto size = screenSize();
  contentView_ = rt::make<ui::ScrollView>(view()->bounds());
  contentView_->setBackgroundColor(gfx::Color::clearColor());
  contentView_->setPagingEnabled(true);
  // Three screens wide whatever the number of pages: with two pages the empty third screen is
  // where scrolling ends the welcome.
  contentView_->setContentSize({size.width * 3, size.height});
  contentView_->setShowsHorizontalScrollIndicator(false);
  contentView_->setShowsVerticalScrollIndicator(false);
  contentView_->setBounces(false);
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(
      std::static_pointer_cast<KDWelcomeViewController>(self())));
  view()->addSubview(contentView_);
  refreshData();
}

void KDWelcomeViewController::refreshData() {
  Weak<KDWelcomeViewController> weak = std::static_pointer_cast<KDWelcomeViewController>(self());
  KDRequest::getAppLoadingSuccess(
      [weak](const std::vector<Ref<KDAPPLoadingModel>>& pages) {
        if (auto me = weak.lock()) me->showPages(pages);
      },
      [weak](const fd::String&) {
        // Nothing else would take the user on: offer the skip button and end by the timer.
        auto me = weak.lock();
        if (!me) return;
        me->addSkipButton();
        me->finishLater();
      });
}

void KDWelcomeViewController::showPages(const std::vector<Ref<KDAPPLoadingModel>>& pages) {
  modelArray_ = pages;
  if (modelArray_.size() < 2) finishLater();
  auto size = screenSize();
  for (size_t i = 0; i < modelArray_.size(); ++i) {
    auto imageView = rt::make<ui::ImageView>();
    image::wi_setImageWithURL(*imageView, fd::URL::URLWithString(modelArray_[i]->image));
    imageView->setFrame({{static_cast<double>(i) * size.width, 0}, size});
    contentView_->addSubview(imageView);
  }
  setPage();
  addSkipButton();
}

void KDWelcomeViewController::setPage() {
  page_ = rt::make<ui::PageControl>();
  page_->setNumberOfPages(static_cast<int64_t>(modelArray_.size()));
  page_->setCurrentPage(0);
  view()->addSubview(page_);
  double width = screenSize().width;
  auto root = view();
  widgets::lc_makeConstraints(*page_, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(width));
    // The platform's page control reports no intrinsic height; its dots' height stands in.
    make.height.equalTo(fd::box(page_->sizeThatFits({width, 0}).height));
    make.centerX.equalTo(root);
    make.bottom.equalTo(root).offset(-20);
  });
}

void KDWelcomeViewController::addSkipButton() {
  if (skip_) return;
  Weak<KDWelcomeViewController> weak = std::static_pointer_cast<KDWelcomeViewController>(self());
  skip_ = QPUitools::createButtonWithText("  跳过>>  ", gfx::Color::whiteColor(), 12, customSelectColor(), 4.0,
                                          [weak] { if (auto me = weak.lock()) me->finish(); });
  skip_->setBackgroundColor(gfx::Color::colorWithRed(200.0 / 255, 0, 0, 0.8));
  view()->addSubview(skip_);
  auto root = view();
  widgets::lc_makeConstraints(*skip_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(30);
    make.right.equalTo(root).offset(-30);
  });
}

void KDWelcomeViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
  double width = screenSize().width;
  double x = scrollView.contentOffset().x;
  if (page_) page_->setCurrentPage(static_cast<int64_t>(std::trunc(x / width)));
  // Before the answer there are no pages to scroll past.
  if (page_ && x > width * (static_cast<double>(modelArray_.size()) - 1)) finish();
}

void KDWelcomeViewController::finish() {
  if (callbackblock_) callbackblock_(fd::String("3"));
}

void KDWelcomeViewController::finishLater() {
  Weak<KDWelcomeViewController> weak = std::static_pointer_cast<KDWelcomeViewController>(self());
  dispatch::mainQueue()->after(kShortWelcomeSeconds, [weak] {
    if (auto me = weak.lock()) me->finish();
  });
}

}  // namespace app
