#include "widgets/carousel/View+WIExtension.h"

namespace widgets {

namespace {

template <class F> void replace(ui::View& view, F change) {
  gfx::Rect frame = view.frame();
  change(frame);
  view.setFrame(frame);
}

}  // namespace

double wi_x(const ui::View& view) { return view.frame().origin.x; }
void setWi_x(ui::View& view, double x) { replace(view, [x](gfx::Rect& f) { f.origin.x = x; }); }
double wi_y(const ui::View& view) { return view.frame().origin.y; }
void setWi_y(ui::View& view, double y) { replace(view, [y](gfx::Rect& f) { f.origin.y = y; }); }
double wi_width(const ui::View& view) { return view.frame().size.width; }
void setWi_width(ui::View& view, double width) { replace(view, [width](gfx::Rect& f) { f.size.width = width; }); }
double wi_height(const ui::View& view) { return view.frame().size.height; }
void setWi_height(ui::View& view, double height) { replace(view, [height](gfx::Rect& f) { f.size.height = height; }); }

}  // namespace widgets
