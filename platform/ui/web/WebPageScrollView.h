#pragma once
// The web view's scroll view: a plain scroll view that tells its web view after every layout
// pass (each offset change is one), so the page bands follow what is visible.
#include <functional>

#include "platform/ui/lists/ScrollView.h"

namespace ui {

class WebPageScrollView : public ScrollView {
  RT_CLASS_NAMED(WebPageScrollView, ScrollView, "_UIWebViewScrollView")
 public:
  using ScrollView::init;
  void setLayoutHook(std::function<void()> hook) { hook_ = std::move(hook); }
  void layoutSubviews() override;

 private:
  std::function<void()> hook_;
};

}  // namespace ui
