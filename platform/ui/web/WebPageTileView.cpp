#include "platform/ui/web/WebPageTileView.h"

#include "platform/graphics/ImageContext.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(WebPageTileView) {}

void WebPageTileView::drawRect(gfx::Rect) {
  auto ctx = gfx::currentContext();
  if (!ctx || !painter_) return;
  painter_(*ctx, frame());
}

}  // namespace ui
