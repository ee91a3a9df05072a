#pragma once
// The per-thread stack of current contexts and the image contexts built on it.
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"

namespace gfx {

/// The scale image contexts use when asked for scale 0 (the main screen's); 2 unless set.
double mainScreenScale();
void setMainScreenScale(double scale);

/// Makes `context` current on this thread until popped.
void pushContext(const Ref<Context>& context);
void popContext();
/// The top of this thread's stack, or null.
Ref<Context> currentContext();

/// Pushes a new image context of `size` points; scale 0 means the main screen's. For an
/// empty size the current context becomes null until the matching end.
void beginImageContextWithOptions(Size size, bool opaque, double scale);
void beginImageContext(Size size);
/// An image of the current image context's pixels at its scale; null when the current
/// context is not an image context.
Ref<Image> imageFromCurrentImageContext();
/// Pops the current context when it is an image context.
void endImageContext();

/// Starts a y-down PDF document into `data`, pushed as the current context; bounds of zero
/// size mean a US Letter page (612 x 792).
void beginPDFContextToData(const Ref<fd::MutableData>& data, const Rect& bounds);
/// Ends the current page, if any, and starts one with the document's bounds.
void beginPDFPage();
/// Finishes the document and pops its context.
void endPDFContext();

}  // namespace gfx
