#pragma once
// Everyday view code made shorter: snapshots, a one-call shadow, the owning controller, the
// alpha a view really shows with, conversions between views of different windows, and frame
// parts. Main thread.
#include "platform/graphics/Image.h"
#include "platform/ui/view/View.h"

namespace ui {
class ViewController;
}

namespace base {

Ref<gfx::Image> snapshotImage(ui::View& view);
Ref<gfx::Image> snapshotImageAfterScreenUpdates(ui::View& view, bool afterUpdates);
Ref<fd::Data> snapshotPDF(ui::View& view);
void setLayerShadow(ui::View& view, Ref<gfx::Color> color, gfx::Size offset, double radius);
void removeAllSubviews(ui::View& view);

/// The first controller up the view's superview chain; null when none.
Ref<ui::ViewController> viewController(const ui::View& view);
/// The product of the alphas up to the window; 0 off-window or under a hidden view.
double visibleAlpha(const ui::View& view);

/// Conversions that pass through both windows when the views live in different ones; a null
/// view means window coordinates.
gfx::Point convertPointToViewOrWindow(const ui::View& from, gfx::Point p, const ui::View* to);
gfx::Point convertPointFromViewOrWindow(const ui::View& to, gfx::Point p, const ui::View* from);
gfx::Rect convertRectToViewOrWindow(const ui::View& from, gfx::Rect r, const ui::View* to);
gfx::Rect convertRectFromViewOrWindow(const ui::View& to, gfx::Rect r, const ui::View* from);

// Frame parts: each setter changes one part of the frame (or centre) and keeps the rest.
double left(const ui::View& v);
void setLeft(ui::View& v, double x);
double top(const ui::View& v);
void setTop(ui::View& v, double y);
double right(const ui::View& v);
void setRight(ui::View& v, double x);
double bottom(const ui::View& v);
void setBottom(ui::View& v, double y);
double width(const ui::View& v);
void setWidth(ui::View& v, double w);
double height(const ui::View& v);
void setHeight(ui::View& v, double h);
double centerX(const ui::View& v);
void setCenterX(ui::View& v, double x);
double centerY(const ui::View& v);
void setCenterY(ui::View& v, double y);
gfx::Point origin(const ui::View& v);
void setOrigin(ui::View& v, gfx::Point p);
gfx::Size size(const ui::View& v);
void setSize(ui::View& v, gfx::Size s);

}  // namespace base
