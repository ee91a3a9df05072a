#include "app/screens/KDVideoWebPlayViewController.h"

#include "app/utilities/QPUitools.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"

namespace app {

RT_IMPLEMENT(KDVideoWebPlayViewController) {}

void KDVideoWebPlayViewController::viewDidLoad() {
  BaseHidesBottomViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  auto root = view();
  root->setBackgroundColor(gfx::Color::blackColor());

  topBar_ = QPUitools::createUIViewForSupeView(*root, gfx::Color::colorWithWhite(64.0 / 255, 0.5));
  widgets::lc_makeConstraints(*topBar_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root);
    make.left.equalTo(root);
    make.size.equalTo(fd::ValueBox::valueWith(gfx::Size{size.width, 64}));
  });
  Weak<KDVideoWebPlayViewController> weak = std::static_pointer_cast<KDVideoWebPlayViewController>(self());
  auto back = gfx::Image::imageNamed("iconfont-back");
  backButton_ = QPUitools::createButtonWithNormalImage(back, back, [weak] {
    if (auto me = weak.lock()) me->dismissViewControllerAnimated(true);
  });
  topBar_->addSubview(backButton_);
  widgets::lc_makeConstraints(*backButton_, [&](widgets::LCConstraintMaker& make) {
    make.left.equalTo(topBar_).offset(20);
    make.centerY.equalTo(topBar_).offset(10);
  });
  setTitle(webTitle_);

  ixWebView_ = rt::make<ui::WebView>(gfx::Rect{{0, 64}, {size.width, size.height - 64}});
  ixWebView_->setScalesPageToFit(true);
  ixWebView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth | ui::ViewAutoresizingFlexibleHeight);
  ixWebView_->setMediaPlaybackRequiresUserAction(true);
  ixWebView_->setDelegate(std::weak_ptr<ui::WebViewDelegate>(std::static_pointer_cast<KDVideoWebPlayViewController>(self())));
  ixWebView_->setBackgroundColor(gfx::Color::blackColor());
  root->addSubview(ixWebView_);
  // An address that makes no URL loads nothing: the page stays black, the back button works.
  if (auto url = fd::URL::URLWithString(videoUrl_)) ixWebView_->loadRequest(fd::URLRequest::requestWithURL(url));
}

std::optional<bool> KDVideoWebPlayViewController::webViewShouldStartLoadWithRequest(ui::WebView&,
                                                                                   const Ref<fd::URLRequest>&,
                                                                                   ui::WebViewNavigationType) {
  return true;
}

void KDVideoWebPlayViewController::webViewDidFinishLoad(ui::WebView&) {
  ui::Application::sharedApplication()->setNetworkActivityIndicatorVisible(false);
}

void KDVideoWebPlayViewController::webViewDidFailLoadWithError(ui::WebView&, const Ref<fd::Error>&) {
  ui::Application::sharedApplication()->setNetworkActivityIndicatorVisible(false);
  widgets::PHProgressHUD::dismiss();
}

}  // namespace app
