#include "base/ui/View+DUDer.h"

#include "base/ui/Layer+DUDer.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"

namespace base {

namespace {

template <class F> void changeFrame(ui::View& v, F change) {
  gfx::Rect f = v.frame();
  change(f);
  v.setFrame(f);
}

const ui::Window* windowOf(const ui::View& v) {
  if (auto* w = dynamic_cast<const ui::Window*>(&v)) return w;
  return v.window().get();
}

}  // namespace

Ref<gfx::Image> snapshotImage(ui::View& view) { return snapshotImage(*view.layer()); }
Ref<gfx::Image> snapshotImageAfterScreenUpdates(ui::View& view, bool afterUpdates) {
  // Drawn as the view hierarchy draws itself: with the flag, pending layout is done first.
  gfx::beginImageContextWithOptions(view.bounds().size, view.layer()->isOpaque(), 0);
  bool drawn = view.drawViewHierarchyInRect(view.bounds(), afterUpdates);
  auto image = drawn ? gfx::imageFromCurrentImageContext() : nullptr;
  gfx::endImageContext();
  return drawn ? image : snapshotImage(*view.layer());
}
Ref<fd::Data> snapshotPDF(ui::View& view) { return snapshotPDF(*view.layer()); }

void setLayerShadow(ui::View& view, Ref<gfx::Color> color, gfx::Size offset, double radius) {
  setLayerShadow(*view.layer(), std::move(color), offset, radius);
}

void removeAllSubviews(ui::View& view) {
  while (!view.subviews().empty()) view.subviews().back()->removeFromSuperview();
}

Ref<ui::ViewController> viewController(const ui::View& view) {
  for (Ref<const ui::View> v = std::static_pointer_cast<const ui::View>(view.self()); v; v = v->superview())
    if (auto c = rt::as<ui::ViewController>(v->nextResponder())) return c;
  return nullptr;
}

double visibleAlpha(const ui::View& view) {
  if (auto* w = dynamic_cast<const ui::Window*>(&view)) return w->isHidden() ? 0 : w->alpha();
  if (!view.window()) return 0;
  double alpha = 1;
  for (Ref<const ui::View> v = std::static_pointer_cast<const ui::View>(view.self()); v; v = v->superview()) {
    if (v->isHidden()) return 0;
    alpha *= v->alpha();
  }
  return alpha;
}

namespace {

// The platform's conversions of one kind of value (points or rectangles).
template <class T> struct Conversions;
template <> struct Conversions<gfx::Point> {
  static constexpr auto toView = &ui::View::convertPointToView;
  static constexpr auto fromView = &ui::View::convertPointFromView;
  static constexpr auto toWindow = &ui::Window::convertPointToWindow;
  static constexpr auto fromWindow = &ui::Window::convertPointFromWindow;
};
template <> struct Conversions<gfx::Rect> {
  static constexpr auto toView = &ui::View::convertRectToView;
  static constexpr auto fromView = &ui::View::convertRectFromView;
  static constexpr auto toWindow = &ui::Window::convertRectToWindow;
  static constexpr auto fromWindow = &ui::Window::convertRectFromWindow;
};

template <class T> T convertTo(const ui::View& from, T v, const ui::View* to) {
  using C = Conversions<T>;
  if (!to) {
    if (auto* w = dynamic_cast<const ui::Window*>(&from)) return (w->*C::toWindow)(v, nullptr);
    return (from.*C::toView)(v, nullptr);
  }
  const ui::Window* fromWindow = windowOf(from);
  const ui::Window* toWindow = windowOf(*to);
  if (fromWindow && toWindow && fromWindow != toWindow) {
    v = (from.*C::toView)(v, fromWindow);
    v = (toWindow->*C::fromWindow)(v, fromWindow);
    return (to->*C::fromView)(v, toWindow);
  }
  return (from.*C::toView)(v, to);
}

template <class T> T convertFrom(const ui::View& to, T v, const ui::View* from) {
  using C = Conversions<T>;
  if (!from) {
    if (auto* w = dynamic_cast<const ui::Window*>(&to)) return (w->*C::fromWindow)(v, nullptr);
    return (to.*C::fromView)(v, nullptr);
  }
  const ui::Window* fromWindow = windowOf(*from);
  const ui::Window* toWindow = windowOf(to);
  if (fromWindow && toWindow && fromWindow != toWindow) {
    v = (fromWindow->*C::fromView)(v, from);
    v = (toWindow->*C::fromWindow)(v, fromWindow);
    return (to.*C::fromView)(v, toWindow);
  }
  return (to.*C::fromView)(v, from);
}

}  // namespace

gfx::Point convertPointToViewOrWindow(const ui::View& from, gfx::Point p, const ui::View* to) {
  return convertTo(from, p, to);
}
gfx::Point convertPointFromViewOrWindow(const ui::View& to, gfx::Point p, const ui::View* from) {
  return convertFrom(to, p, from);
}
gfx::Rect convertRectToViewOrWindow(const ui::View& from, gfx::Rect r, const ui::View* to) {
  return convertTo(from, r, to);
}
gfx::Rect convertRectFromViewOrWindow(const ui::View& to, gfx::Rect r, const ui::View* from) {
  return convertFrom(to, r, from);
}

double left(const ui::View& v) { return v.frame().origin.x; }
void setLeft(ui::View& v, double x) { changeFrame(v, [x](gfx::Rect& f) { f.origin.x = x; }); }
double top(const ui::View& v) { return v.frame().origin.y; }
void setTop(ui::View& v, double y) { changeFrame(v, [y](gfx::Rect& f) { f.origin.y = y; }); }
double right(const ui::View& v) { return v.frame().origin.x + v.frame().size.width; }
void setRight(ui::View& v, double x) { changeFrame(v, [x](gfx::Rect& f) { f.origin.x = x - f.size.width; }); }
double bottom(const ui::View& v) { return v.frame().origin.y + v.frame().size.height; }
void setBottom(ui::View& v, double y) { changeFrame(v, [y](gfx::Rect& f) { f.origin.y = y - f.size.height; }); }
double width(const ui::View& v) { return v.frame().size.width; }
void setWidth(ui::View& v, double w) { changeFrame(v, [w](gfx::Rect& f) { f.size.width = w; }); }
double height(const ui::View& v) { return v.frame().size.height; }
void setHeight(ui::View& v, double h) { changeFrame(v, [h](gfx::Rect& f) { f.size.height = h; }); }
double centerX(const ui::View& v) { return v.center().x; }
void setCenterX(ui::View& v, double x) { v.setCenter({x, v.center().y}); }
double centerY(const ui::View& v) { return v.center().y; }
void setCenterY(ui::View& v, double y) { v.setCenter({v.center().x, y}); }
gfx::Point origin(const ui::View& v) { return v.frame().origin; }
void setOrigin(ui::View& v, gfx::Point p) { changeFrame(v, [p](gfx::Rect& f) { f.origin = p; }); }
gfx::Size size(const ui::View& v) { return v.frame().size; }
void setSize(ui::View& v, gfx::Size s) { changeFrame(v, [s](gfx::Rect& f) { f.size = s; }); }

}  // namespace base
