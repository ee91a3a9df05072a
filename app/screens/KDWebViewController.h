#pragma once
// An outside web page in the web view under a bar with a back button and an optional title.
// While a page loads the progress display and the network activity indicator show; location
// updates run from the screen's start until the first page has finished.
#include "platform/system/location/LocationManager.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/web/WebView.h"

namespace app {

class KDWebViewController : public ui::ViewController, public ui::WebViewDelegate {
  RT_CLASS(KDWebViewController, ui::ViewController)
 public:
  /// Seconds a page request may take.
  static constexpr double kTimeout = 30;

  void init() {}
  void viewDidLoad() override;
  /// A page still loading is stopped, so that its display and indicator end with the screen.
  void viewDidDisappear(bool animated) override;

  void refreshData();
  void setRefreshGroupbox();
  void pullDown();
  /// A bottom toolbar with back, forward and reload; the page then fills the screen.
  void showFunctionButton();

  std::optional<bool> webViewShouldStartLoadWithRequest(ui::WebView& w, const Ref<fd::URLRequest>& request,
                                                        ui::WebViewNavigationType type) override;
  void webViewDidFinishLoad(ui::WebView& w) override;
  void webViewDidFailLoadWithError(ui::WebView& w, const Ref<fd::Error>& error) override;

  /// The address to load; set before the screen is pushed.
  const fd::String& webUrl() const { return webUrl_; }
  void setWebUrl(const fd::String& url) { webUrl_ = url; }
  /// The bar's title text.
  const fd::String& webViwqTitle() const { return webViwqTitle_; }
  void setWebViwqTitle(const fd::String& title) { webViwqTitle_ = title; }
  const Ref<sys::LocationManager>& manager() const { return manager_; }
  void setManager(const Ref<sys::LocationManager>& manager) { manager_ = manager; }

  const Ref<ui::View>& barView() const { return barView_; }
  const Ref<ui::Button>& backButton() const { return backButton_; }
  const Ref<ui::Label>& titleLabel() const { return titleLabel_; }
  const Ref<ui::WebView>& ixWebView() const { return ixWebView_; }
  /// The toolbar of `showFunctionButton`, or null.
  const Ref<ui::View>& toolbar() const { return toolbar_; }

 private:
  void endLoading();

  fd::String webUrl_;
  fd::String webViwqTitle_;
  Ref<sys::LocationManager> manager_;
  Ref<ui::View> barView_;
  Ref<ui::Button> backButton_;
  Ref<ui::Label> titleLabel_;
  Ref<ui::WebView> ixWebView_;
  Ref<ui::View> toolbar_;
};

}  // namespace app
