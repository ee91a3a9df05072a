#pragma once
// Frame shortcuts for the channel bar: one component of a view's frame (or centre) read or
// replaced, the others kept. The application has the same shortcuts, but it sits above the
// components, so the channel bar carries its own.
#include "platform/ui/view/View.h"

namespace widgets::cbframe {

inline void setX(ui::View& v, double x) {
  gfx::Rect f = v.frame();
  f.origin.x = x;
  v.setFrame(f);
}
inline void setY(ui::View& v, double y) {
  gfx::Rect f = v.frame();
  f.origin.y = y;
  v.setFrame(f);
}
inline double width(const ui::View& v) { return v.frame().size.width; }
inline double height(const ui::View& v) { return v.frame().size.height; }
inline void setCenterX(ui::View& v, double x) { v.setCenter({x, v.center().y}); }
inline void setCenterY(ui::View& v, double y) { v.setCenter({v.center().x, y}); }

}  // namespace widgets::cbframe
