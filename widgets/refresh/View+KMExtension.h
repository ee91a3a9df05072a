#pragma once
// One component of a view's frame read or replaced: each setter reads the frame, replaces the
// component and writes the frame back.
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/view/View.h"

namespace widgets {

void setKm_x(ui::View& v, double x);
double km_x(const ui::View& v);
void setKm_y(ui::View& v, double y);
double km_y(const ui::View& v);
void setKm_w(ui::View& v, double w);
double km_w(const ui::View& v);
void setKm_h(ui::View& v, double h);
double km_h(const ui::View& v);
void setKm_size(ui::View& v, gfx::Size size);
gfx::Size km_size(const ui::View& v);
void setKm_origin(ui::View& v, gfx::Point origin);
gfx::Point km_origin(const ui::View& v);

/// Carries layout constraints of its own: the component then leaves its placement alone.
bool km_isConstrained(const ui::View& v);

/// The arrow (at its picture's size) and the indicator centred on the component's centre, 100
/// points left of it when a title shows; either one carrying constraints stays where it is.
void km_placeArrowAndIndicator(ui::ImageView& arrow, ui::View& indicator, gfx::Rect bounds, bool titleShown);

}  // namespace widgets
