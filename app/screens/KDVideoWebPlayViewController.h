#pragma once
// Plays one video by loading its stream address into a web view, black, under a translucent
// top bar whose back button dismisses the screen. Playback waits for the user's tap.
#include "app/shell/BaseViewController.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/web/WebView.h"

namespace app {

class KDVideoWebPlayViewController : public BaseHidesBottomViewController, public ui::WebViewDelegate {
  RT_CLASS(KDVideoWebPlayViewController, BaseHidesBottomViewController)
 public:
  void init() {}
  void viewDidLoad() override;

  /// The stream address; set before the view loads.
  const fd::String& videoUrl() const { return videoUrl_; }
  void setVideoUrl(const fd::String& url) { videoUrl_ = url; }
  /// The screen's title; set before the view loads.
  const fd::String& WebTitle() const { return webTitle_; }
  void setWebTitle(const fd::String& title) { webTitle_ = title; }

  std::optional<bool> webViewShouldStartLoadWithRequest(ui::WebView& w, const Ref<fd::URLRequest>& request,
                                                        ui::WebViewNavigationType type) override;
  void webViewDidFinishLoad(ui::WebView& w) override;
  void webViewDidFailLoadWithError(ui::WebView& w, const Ref<fd::Error>& error) override;

  const Ref<ui::WebView>& ixWebView() const { return ixWebView_; }
  const Ref<ui::View>& topBar() const { return topBar_; }
  const Ref<ui::Button>& backButton() const { return backButton_; }

 private:
  Ref<ui::WebView> ixWebView_;
  Ref<ui::View> topBar_;
  Ref<ui::Button> backButton_;
  fd::String videoUrl_;
  fd::String webTitle_;
};

}  // namespace app
