#include "app/categories/View+Extension.h"

namespace app {

double x(const ui::View& v) { return v.frame().origin.x; }
double y(const ui::View& v) { return v.frame().origin.y; }
double centerX(const ui::View& v) { return v.center().x; }
double centerY(const ui::View& v) { return v.center().y; }
double width(const ui::View& v) { return v.frame().size.width; }
double height(const ui::View& v) { return v.frame().size.height; }
gfx::Size size(const ui::View& v) { return v.frame().size; }

void setX(ui::View& v, double value) { auto f = v.frame(); f.origin.x = value; v.setFrame(f); }
void setY(ui::View& v, double value) { auto f = v.frame(); f.origin.y = value; v.setFrame(f); }
void setCenterX(ui::View& v, double value) { auto c = v.center(); c.x = value; v.setCenter(c); }
void setCenterY(ui::View& v, double value) { auto c = v.center(); c.y = value; v.setCenter(c); }
void setWidth(ui::View& v, double value) { auto f = v.frame(); f.size.width = value; v.setFrame(f); }
void setHeight(ui::View& v, double value) { auto f = v.frame(); f.size.height = value; v.setFrame(f); }
void setSize(ui::View& v, gfx::Size value) { auto f = v.frame(); f.size = value; v.setFrame(f); }

}  // namespace app
