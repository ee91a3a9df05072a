#pragma once
// Everyday layer code made shorter: snapshots, a one-call shadow, frame parts, transform key
// paths and a fade transition. Main thread.
#include "platform/graphics/Image.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/view/View.h"

namespace base {

Ref<gfx::Image> snapshotImage(ui::Layer& layer);
/// A one-page PDF of the layer's bounds; null when no PDF context can be made.
Ref<fd::Data> snapshotPDF(ui::Layer& layer);
void setLayerShadow(ui::Layer& layer, Ref<gfx::Color> color, gfx::Size offset, double radius);
void removeAllSublayers(ui::Layer& layer);

// Frame parts: each setter changes one part of the frame and keeps the rest.
double left(const ui::Layer& l);
void setLeft(ui::Layer& l, double v);
double top(const ui::Layer& l);
void setTop(ui::Layer& l, double v);
double right(const ui::Layer& l);
void setRight(ui::Layer& l, double v);
double bottom(const ui::Layer& l);
void setBottom(ui::Layer& l, double v);
double width(const ui::Layer& l);
void setWidth(ui::Layer& l, double v);
double height(const ui::Layer& l);
void setHeight(ui::Layer& l, double v);
gfx::Point center(const ui::Layer& l);
void setCenter(ui::Layer& l, gfx::Point p);
double centerX(const ui::Layer& l);
void setCenterX(ui::Layer& l, double v);
double centerY(const ui::Layer& l);
void setCenterY(ui::Layer& l, double v);
gfx::Point origin(const ui::Layer& l);
void setOrigin(ui::Layer& l, gfx::Point p);
gfx::Size frameSize(const ui::Layer& l);
void setFrameSize(ui::Layer& l, gfx::Size s);

/// The layer's transform read and written through a key path ("transform.rotation.z",
/// "transform.scale", "transform.translation.x"...).
double transformValue(const ui::Layer& l, const char* keyPath);
void setTransformValue(ui::Layer& l, const char* keyPath, double v);
/// The perspective entry (m34) of the 3-D transform.
double transformDepth(const ui::Layer& l);
void setTransformDepth(ui::Layer& l, double v);

/// The layer's contents gravity as a view content mode, and back.
ui::ViewContentMode contentMode(const ui::Layer& l);
void setContentMode(ui::Layer& l, ui::ViewContentMode mode);

/// Adds a fade of `duration` seconds (curve 0 ease-out, 1 ease-in, 2 ease-in-out, else linear)
/// under one key, replacing a running fade; nothing for a duration of 0 or less.
void addFadeAnimation(ui::Layer& l, double duration, int curve);
void removePreviousFadeAnimation(ui::Layer& l);

}  // namespace base
