#include "app/screens/KDWebViewController.h"

#include "app/categories/Color+Category.h"
#include "app/categories/ScrollView+PullDown.h"
#include "app/utilities/QPUitools.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Device.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDWebViewController) {}

namespace {
const char* const kLoading = "正在加载";

void indicator(bool on) { ui::Application::sharedApplication()->setNetworkActivityIndicatorVisible(on); }
}  // namespace

void KDWebViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  auto screen = ui::Screen::mainScreen()->bounds().size;
  auto& view = *this->view();

  manager_ = rt::make<sys::LocationManager>();
  if (!sys::LocationManager::locationServicesEnabled() ||
      sys::LocationManager::authorizationStatus() != sys::AuthorizationStatus::AuthorizedWhenInUse) {
    manager_->requestWhenInUseAuthorization();
    manager_->setDesiredAccuracy(sys::kLocationAccuracyHundredMeters);
    manager_->setDistanceFilter(30);
  }
  if (ui::Device::currentDevice()->systemVersion().doubleValue() > 8) manager_->requestWhenInUseAuthorization();
  manager_->startUpdatingLocation();

  barView_ = QPUitools::createUIViewForSupeView(view, colorWithRGB(245, 245, 245));
  widgets::lc_makeConstraints(*barView_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(this->view());
    make.left.equalTo(this->view());
    make.size.equalTo(fd::ValueBox::valueWith(gfx::Size{screen.width, 64}));
  });

  Weak<KDWebViewController> weak = std::static_pointer_cast<KDWebViewController>(self());
  auto back = gfx::Image::imageNamed("back_icon");
  backButton_ = QPUitools::createButtonWithNormalImage(back, back, [weak] {
    auto me = weak.lock();
    if (!me) return;
    me->ixWebView_->stopLoading();
    if (auto nav = me->navigationController()) nav->popViewControllerAnimated(true);
  });
  barView_->addSubview(backButton_);
  widgets::lc_makeConstraints(*backButton_, [&](widgets::LCConstraintMaker& make) {
    make.left.equalTo(barView_).offset(20);
    make.centerY.equalTo(barView_).offset(10);
  });

  titleLabel_ = QPUitools::createLabelForSupeView(*barView_, 18, customSelectColor());
  titleLabel_->setFont(typeset::Font::boldSystemFontOfSize(18));
  if (!webViwqTitle_.isEmpty()) titleLabel_->setText(webViwqTitle_);
  widgets::lc_makeConstraints(*titleLabel_, [&](widgets::LCConstraintMaker& make) {
    make.centerX.equalTo(barView_);
    make.centerY.equalTo(barView_).offset(10);
  });

  ixWebView_ = rt::make<ui::WebView>(gfx::Rect{{0, 64}, {screen.width, screen.height - 64}});
  ixWebView_->setScalesPageToFit(true);
  ixWebView_->setOpaque(false);
  ixWebView_->setDelegate(std::weak_ptr<ui::WebViewDelegate>(std::static_pointer_cast<KDWebViewController>(self())));
  ixWebView_->setBackgroundColor(gfx::Color::whiteColor());
  view.addSubview(ixWebView_);

  refreshData();
  setRefreshGroupbox();
}

void KDWebViewController::viewDidDisappear(bool animated) {
  ui::ViewController::viewDidDisappear(animated);
  // Left by the pan rather than the back button: nothing else would end the loading state.
  if (ixWebView_ && ixWebView_->isLoading()) ixWebView_->stopLoading();
}

void KDWebViewController::refreshData() {
  indicator(true);
  widgets::PHProgressHUD::showWithStatus(kLoading);
  // An address that forms no URL gives a request without one; the web view fails it, and the
  // failure answer ends the loading state.
  auto request = fd::URLRequest::requestWithURL(fd::URL::URLWithString(webUrl_),
                                                fd::URLRequestCachePolicy::UseProtocolCachePolicy, kTimeout);
  ixWebView_->loadRequest(request);
}

void KDWebViewController::setRefreshGroupbox() {
  addPullDownHeader(*ixWebView_->scrollView(), *this, &KDWebViewController::pullDown);
}

void KDWebViewController::pullDown() {
  fd::URLCache::sharedURLCache()->removeAllCachedResponses();
  // After a failed first load there is no page to reload: that address is asked for again, so
  // the pull still ends with a finish or failure answer.
  if (!ixWebView_->request()) return refreshData();
  widgets::PHProgressHUD::showWithStatus(kLoading);
  indicator(true);
  ixWebView_->reload();
}

void KDWebViewController::showFunctionButton() {
  auto screen = ui::Screen::mainScreen()->bounds().size;
  toolbar_ = QPUitools::createUIViewForSupeView(*view(), customTextGreyColor());
  toolbar_->setFrame({{0, screen.height - 48}, {screen.width, 48}});

  Weak<KDWebViewController> weak = std::static_pointer_cast<KDWebViewController>(self());
  auto button = [&](const char* image, std::function<void(KDWebViewController&)> act) {
    auto picture = gfx::Image::imageNamed(image);
    auto b = QPUitools::createButtonWithNormalImage(picture, picture, [weak, act] {
      if (auto me = weak.lock()) act(*me);
    });
    toolbar_->addSubview(b);
    return b;
  };
  auto goBack = button("icon_web_back", [](KDWebViewController& me) { me.ixWebView_->goBack(); });
  auto goForward = button("icon_web_go", [](KDWebViewController& me) { me.ixWebView_->goForward(); });
  auto reload = button("icon_web_refresh", [](KDWebViewController& me) { me.pullDown(); });
  auto size = fd::ValueBox::valueWith(gfx::Size{22, 22});
  widgets::lc_makeConstraints(*goBack, [&](widgets::LCConstraintMaker& make) {
    make.left.equalTo(toolbar_).offset(20);
    make.centerY.equalTo(toolbar_);
    make.size.equalTo(size);
  });
  widgets::lc_makeConstraints(*goForward, [&](widgets::LCConstraintMaker& make) {
    make.left.equalTo(widgets::lc_right(*goBack)).offset(40);
    make.centerY.equalTo(toolbar_);
    make.size.equalTo(size);
  });
  widgets::lc_makeConstraints(*reload, [&](widgets::LCConstraintMaker& make) {
    make.right.equalTo(toolbar_).offset(-20);
    make.centerY.equalTo(toolbar_);
    make.size.equalTo(size);
  });
  ixWebView_->setFrame({{0, 0}, screen});
}

std::optional<bool> KDWebViewController::webViewShouldStartLoadWithRequest(ui::WebView&, const Ref<fd::URLRequest>&,
                                                                         ui::WebViewNavigationType) {
  return true;
}

void KDWebViewController::webViewDidFinishLoad(ui::WebView&) {
  endLoading();
  manager_->stopUpdatingLocation();
}

void KDWebViewController::webViewDidFailLoadWithError(ui::WebView&, const Ref<fd::Error>&) {
  // Silent: the page keeps what it showed, and location updates go on.
  endLoading();
}

void KDWebViewController::endLoading() {
  indicator(false);
  widgets::PHProgressHUD::dismiss();
  if (auto header = widgets::km_header(*ixWebView_->scrollView())) header->endRefreshing();
}

}  // namespace app
