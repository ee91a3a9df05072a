#pragma once
// One component of a scroll view's content inset, offset or size, read or replaced: each setter
// reads the whole value, replaces the component and writes the whole value back.
#include "platform/ui/lists/ScrollView.h"

namespace widgets {

void setKm_insetT(ui::ScrollView& s, double v);
double km_insetT(const ui::ScrollView& s);
void setKm_insetB(ui::ScrollView& s, double v);
double km_insetB(const ui::ScrollView& s);
void setKm_insetL(ui::ScrollView& s, double v);
double km_insetL(const ui::ScrollView& s);
void setKm_insetR(ui::ScrollView& s, double v);
double km_insetR(const ui::ScrollView& s);
void setKm_offsetX(ui::ScrollView& s, double v);
double km_offsetX(const ui::ScrollView& s);
void setKm_offsetY(ui::ScrollView& s, double v);
double km_offsetY(const ui::ScrollView& s);
void setKm_contentW(ui::ScrollView& s, double v);
double km_contentW(const ui::ScrollView& s);
void setKm_contentH(ui::ScrollView& s, double v);
double km_contentH(const ui::ScrollView& s);

}  // namespace widgets
