#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

namespace {
template <class F> void editFrame(ui::View& v, F&& f) {
  gfx::Rect r = v.frame();
  f(r);
  v.setFrame(r);
}
}  // namespace

void setKm_x(ui::View& v, double x) { editFrame(v, [x](gfx::Rect& r) { r.origin.x = x; }); }
double km_x(const ui::View& v) { return v.frame().origin.x; }
void setKm_y(ui::View& v, double y) { editFrame(v, [y](gfx::Rect& r) { r.origin.y = y; }); }
double km_y(const ui::View& v) { return v.frame().origin.y; }
void setKm_w(ui::View& v, double w) { editFrame(v, [w](gfx::Rect& r) { r.size.width = w; }); }
double km_w(const ui::View& v) { return v.frame().size.width; }
void setKm_h(ui::View& v, double h) { editFrame(v, [h](gfx::Rect& r) { r.size.height = h; }); }
double km_h(const ui::View& v) { return v.frame().size.height; }
void setKm_size(ui::View& v, gfx::Size size) { editFrame(v, [size](gfx::Rect& r) { r.size = size; }); }
gfx::Size km_size(const ui::View& v) { return v.frame().size; }
void setKm_origin(ui::View& v, gfx::Point origin) { editFrame(v, [origin](gfx::Rect& r) { r.origin = origin; }); }
gfx::Point km_origin(const ui::View& v) { return v.frame().origin; }

bool km_isConstrained(const ui::View& v) { return !v.constraints().empty(); }

}  // namespace widgets
