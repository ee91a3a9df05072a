#include "app/screens/KDArticleDetailViewController.h"

#include "app/categories/Color+Category.h"
#include "app/categories/ScrollView+PullDown.h"
#include "app/service/KDRequest.h"
#include "app/utilities/QPUitools.h"
#include "app/utilities/UserDefaults.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDArticleDetailViewController) {}

namespace {

const char* const kFontKey = "artice_font";
const char* const kGreyLineOpen = "<span style=\"color:#969696;font-size:24px;font-family:Arial\">";
const char* const kRule = "<hr style=\"height:0.5px;border:none;border-top:1px solid #dddddd;\" />";

fd::String firstTen(const fd::String& text) { return text.length() > 10 ? text.substringToIndex(10) : text; }

}  // namespace

void KDArticleDetailViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  double width = ui::Screen::mainScreen()->bounds().size.width;
  auto& view = *this->view();

  barView_ = QPUitools::createUIViewForSupeView(view, colorWithRGB(245, 245, 245));
  widgets::lc_makeConstraints(*barView_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(this->view());
    make.left.equalTo(this->view());
    make.size.equalTo(fd::ValueBox::valueWith(gfx::Size{width, 64}));
  });

  Weak<KDArticleDetailViewController> weak = std::static_pointer_cast<KDArticleDetailViewController>(self());
  auto back = gfx::Image::imageNamed("back_icon");
  backButton_ = QPUitools::createButtonWithNormalImage(back, back, [weak] {
    auto me = weak.lock();
    if (!me) return;
    me->kdWebView_->stopLoading();
    if (auto nav = me->navigationController()) nav->popViewControllerAnimated(true);
  });
  barView_->addSubview(backButton_);
  widgets::lc_makeConstraints(*backButton_, [&](widgets::LCConstraintMaker& make) {
    make.left.equalTo(barView_).offset(20);
    make.centerY.equalTo(barView_).offset(10);
  });

  kdWebView_ = rt::make<ui::WebView>();
  kdWebView_->setScalesPageToFit(true);
  kdWebView_->setOpaque(false);
  kdWebView_->setDataDetectorTypes(ui::DataDetectorTypeNone);
  auto me = std::static_pointer_cast<KDArticleDetailViewController>(self());
  kdWebView_->setDelegate(std::weak_ptr<ui::WebViewDelegate>(me));
  kdWebView_->scrollView()->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(me));
  kdWebView_->setBackgroundColor(gfx::Color::whiteColor());
  view.addSubview(kdWebView_);
  widgets::lc_makeConstraints(*kdWebView_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*barView_));
    make.centerX.equalTo(this->view());
    make.width.equalTo(fd::box(width));
    make.bottom.equalTo(this->view());
  });

  setRefreshHeadGroupbox(*kdWebView_);
  widgets::km_header(*kdWebView_->scrollView())->beginRefreshing();
}

void KDArticleDetailViewController::setRefreshHeadGroupbox(ui::WebView& web) {
  addPullDownHeader(*web.scrollView(), *this, &KDArticleDetailViewController::refreshData);
}

void KDArticleDetailViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载....");
  if (!docId_.isEmpty()) {
    model_ = rt::make<KDAPPListModel>();
    model_->docId = docId_;
  }
  Weak<KDArticleDetailViewController> weak = std::static_pointer_cast<KDArticleDetailViewController>(self());
  KDRequest::getAppArticleInfo(
      model_ ? model_->docId : fd::String(),
      [weak](const Ref<KDAPPAticleDetailModel>& detail) {
        if (auto me = weak.lock()) me->loaded(detail);
      },
      [weak](const fd::String&) {
        // The client has shown the message; what the page showed stays.
        if (auto me = weak.lock()) me->endLoading();
      });
}

fd::String KDArticleDetailViewController::articleHTML(const KDAPPAticleDetailModel& detail,
                                                      const KDAPPListModel* model, bool isHiddenDate,
                                                      bool isShowAddress, const fd::String& font) {
  fd::String title = fd::String("<span style=\"font-size:40px;\"><b>") + detail.docTitle + "</b></span><br>";
  fd::String head;
  if (isHiddenDate) {
    head = fd::String("<body>") + title + "<p></p>";
  } else if (isShowAddress) {
    fd::String line = fd::String(kGreyLineOpen) + (model ? model->subTitle : fd::String()) + "</span>";
    head = fd::String("<body>") + title + line + "<p></p>";
  } else {
    fd::String line = fd::String(kGreyLineOpen) + firstTen(detail.docRelTime) + "</span>" + kRule;
    head = fd::String("<body>") + title + line + "<p></p>";
  }
  fd::String page = detail.docHtmlCon.stringByReplacingOccurrencesOfString("<body>", head);
  return page.stringByReplacingOccurrencesOfString("font-size: 32px;", font);
}

void KDArticleDetailViewController::loaded(const Ref<KDAPPAticleDetailModel>& detail) {
  // An answer without a record has nothing to show; the page keeps what it showed.
  if (!detail) return endLoading();
  auto stored = UserDefaults::stringRead(kFontKey);
  fd::String font = stored ? *stored : fd::String(kDefaultFont);
  shownHTML_ = articleHTML(*detail, model_.get(), isHiddenDate_, isShowAddress_, font);
  fd::NSLog("%s(%d): zzzzzzz-----  %@", __func__, __LINE__, shownHTML_);
  kdWebView_->loadHTMLString(shownHTML_, nullptr);
  endLoading();
}

void KDArticleDetailViewController::endLoading() {
  widgets::PHProgressHUD::dismiss();
  if (auto header = widgets::km_header(*kdWebView_->scrollView())) header->endRefreshing();
}

}  // namespace app
