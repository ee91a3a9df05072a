#pragma once
// An outside web page in the web view under a bar with a back button and an optional title.
#include "platform/ui/controllers/ViewController.h"

namespace app {

class KDWebViewController : public ui::ViewController {
  RT_CLASS(KDWebViewController, ui::ViewController)
 public:
  void init() {}

  /// The address to load; set before the screen is pushed.
  const fd::String& webUrl() const { return webUrl_; }
  void setWebUrl(const fd::String& url) { webUrl_ = url; }
  /// The bar's title text.
  const fd::String& webViwqTitle() const { return webViwqTitle_; }
  void setWebViwqTitle(const fd::String& title) { webViwqTitle_ = title; }

 private:
  fd::String webUrl_;
  fd::String webViwqTitle_;
};

}  // namespace app
