#pragma once
// Frame and centre accessors on views; each setter changes one coordinate and keeps the rest.
#include "platform/ui/view/View.h"

namespace app {

double x(const ui::View& v);
double y(const ui::View& v);
double centerX(const ui::View& v);
double centerY(const ui::View& v);
double width(const ui::View& v);
double height(const ui::View& v);
gfx::Size size(const ui::View& v);

void setX(ui::View& v, double value);
void setY(ui::View& v, double value);
void setCenterX(ui::View& v, double value);
void setCenterY(ui::View& v, double value);
void setWidth(ui::View& v, double value);
void setHeight(ui::View& v, double value);
void setSize(ui::View& v, gfx::Size value);

}  // namespace app
