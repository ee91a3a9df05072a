#include "widgets/refresh/ScrollView+KMExtension.h"

namespace widgets {

namespace {
template <class F> void editInset(ui::ScrollView& s, F&& f) {
  gfx::EdgeInsets in = s.contentInset();
  f(in);
  s.setContentInset(in);
}
}  // namespace

void setKm_insetT(ui::ScrollView& s, double v) { editInset(s, [v](gfx::EdgeInsets& in) { in.top = v; }); }
double km_insetT(const ui::ScrollView& s) { return s.contentInset().top; }
void setKm_insetB(ui::ScrollView& s, double v) { editInset(s, [v](gfx::EdgeInsets& in) { in.bottom = v; }); }
double km_insetB(const ui::ScrollView& s) { return s.contentInset().bottom; }
void setKm_insetL(ui::ScrollView& s, double v) { editInset(s, [v](gfx::EdgeInsets& in) { in.left = v; }); }
double km_insetL(const ui::ScrollView& s) { return s.contentInset().left; }
void setKm_insetR(ui::ScrollView& s, double v) { editInset(s, [v](gfx::EdgeInsets& in) { in.right = v; }); }
double km_insetR(const ui::ScrollView& s) { return s.contentInset().right; }

void setKm_offsetX(ui::ScrollView& s, double v) { s.setContentOffset({v, s.contentOffset().y}); }
double km_offsetX(const ui::ScrollView& s) { return s.contentOffset().x; }
void setKm_offsetY(ui::ScrollView& s, double v) { s.setContentOffset({s.contentOffset().x, v}); }
double km_offsetY(const ui::ScrollView& s) { return s.contentOffset().y; }

void setKm_contentW(ui::ScrollView& s, double v) { s.setContentSize({v, s.contentSize().height}); }
double km_contentW(const ui::ScrollView& s) { return s.contentSize().width; }
void setKm_contentH(ui::ScrollView& s, double v) { s.setContentSize({s.contentSize().width, v}); }
double km_contentH(const ui::ScrollView& s) { return s.contentSize().height; }

}  // namespace widgets
