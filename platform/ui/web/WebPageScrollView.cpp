#include "platform/ui/web/WebPageScrollView.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(WebPageScrollView) {}

void WebPageScrollView::layoutSubviews() {
  ScrollView::layoutSubviews();
  if (hook_) hook_();
}

}  // namespace ui
