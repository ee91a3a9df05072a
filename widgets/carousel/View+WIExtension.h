#pragma once
// Frame accessors on any view: one component of the frame read, or replaced keeping the others.
#include "platform/ui/view/View.h"

namespace widgets {

double wi_x(const ui::View& view);
void setWi_x(ui::View& view, double x);
double wi_y(const ui::View& view);
void setWi_y(ui::View& view, double y);
double wi_width(const ui::View& view);
void setWi_width(ui::View& view, double width);
double wi_height(const ui::View& view);
void setWi_height(ui::View& view, double height);

}  // namespace widgets
