#pragma once
// Drawing a finished layout: its passes in a fixed order into a graphics context, and its view
// and layer attachments into a host view and layer. Drawing only reads the layout, so several
// threads may draw one layout at once; adding views or layers and removing them belong to the
// main thread.
#include <functional>

#include "platform/graphics/Context.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/view/View.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextDebugOption.h"

namespace text {

/// Asked before each pass and again within the passes; true stops the drawing at once.
using DRTextDrawCancel = std::function<bool()>;

/// Draws `layout` with its origin at `point` of an area of `size` in `context`, whose user space
/// is y-down with the area's top left at the origin (as an image context starts). A null
/// context draws nothing and only places attachments: image attachments need the context, view
/// attachments are framed and added to `view`, layer attachments to `layer` (null: skipped).
/// The debug overlay is drawn when `debug` has a colour; `cancel` may be empty.
void drawInContext(const DRTextLayout& layout, gfx::Context* context, gfx::Size size, gfx::Point point,
                   const Ref<ui::View>& view, const Ref<ui::Layer>& layer, const Ref<DRTextDebugOption>& debug,
                   const DRTextDrawCancel& cancel);
/// The same at point zero, without view, layer or cancel.
void drawInContext(const DRTextLayout& layout, gfx::Context* context, gfx::Size size,
                   const Ref<DRTextDebugOption>& debug);
/// Frames and adds the view and layer attachments only.
void addAttachmentToView(const DRTextLayout& layout, const Ref<ui::View>& view, const Ref<ui::Layer>& layer);
/// Removes every view attachment from its superview and every layer attachment from its superlayer.
void removeAttachmentFromViewAndLayer(const DRTextLayout& layout);

}  // namespace text
