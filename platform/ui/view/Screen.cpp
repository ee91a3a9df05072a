#include "platform/ui/view/Screen.h"

#include "platform/graphics/ImageContext.h"
#include "platform/runtime/Exception.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Screen) {
  c.property("bounds", &Screen::bounds);
  c.property("scale", &Screen::scale);
  c.property("nativeBounds", &Screen::nativeBounds);
  c.property("nativeScale", &Screen::nativeScale);
}

void Screen::init(gfx::Size points, double scale) {
  size_ = points;
  scale_ = scale;
}

Ref<Screen> Screen::mainScreen() {
  static Ref<Screen> main = [] {
    auto s = rt::make<Screen>();
    gfx::setMainScreenScale(s->scale());
    return s;
  }();
  return main;
}

void Screen::configureMainScreen(gfx::Size points, double scale) {
  if (scale <= 0 || points.width <= 0 || points.height <= 0)
    rt::raise("NSInvalidArgumentException", "screen size and scale must be positive");
  auto s = mainScreen();
  s->size_ = points;
  s->scale_ = scale;
  gfx::setMainScreenScale(scale);
}

}  // namespace ui
