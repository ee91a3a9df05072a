#include "widgets/refresh/View+KMExtension.h"

#include "widgets/refresh/KMRefreshConst.h"

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

void km_placeArrowAndIndicator(ui::ImageView& arrow, ui::View& indicator, gfx::Rect bounds, bool titleShown) {
  double x = bounds.size.width * 0.5;
  if (titleShown) x -= KMRefreshTitleSideOffset;
  gfx::Point center{x, bounds.size.height * 0.5};
  if (!km_isConstrained(arrow)) {
    if (auto image = arrow.image()) arrow.setBounds({{0, 0}, image->size()});
    arrow.setCenter(center);
  }
  if (!km_isConstrained(indicator)) indicator.setCenter(center);
}

}  // namespace widgets
