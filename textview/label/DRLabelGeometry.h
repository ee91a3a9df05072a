#pragma once
// The label's arithmetic, kept apart from the view so that it can be checked on its own: how a
// line-break mode splits into the container's truncation and the text's own mode, where a
// layout is drawn inside bounds of another size, and how points move between the label's
// coordinates and its layout's. Pure functions; any thread.
#include <cstdint>
#include <optional>

#include "platform/graphics/Geometry.h"
#include "platform/typeset/ParagraphStyle.h"

namespace textview {

/// Where text sits inside a label taller (or, in vertical form, wider) than the text.
enum DRTextVerticalAlignment : int64_t {
  DRTextVerticalAlignmentTop = 0,
  DRTextVerticalAlignmentCenter = 1,
  DRTextVerticalAlignmentBottom = 2,
};

/// The container's truncation type for a label's line-break mode: head, tail and middle
/// truncation give 1, 2 and 3; every other mode 0.
uint64_t DRLabelTruncationTypeForLineBreakMode(typeset::LineBreakMode mode);
/// The mode written into the text for a label's line-break mode: truncating modes wrap by
/// word (the container cuts), wrapping and clipping go in as they are, unknown modes not at all.
std::optional<typeset::LineBreakMode> DRLabelTextLineBreakModeForLineBreakMode(typeset::LineBreakMode mode);
/// The label's line-break mode read back from the container's truncation type and the text's
/// own mode.
typeset::LineBreakMode DRLabelLineBreakModeForTruncation(uint64_t truncationType, typeset::LineBreakMode textMode);

/// The geometry a conversion needs: the layout's bounding size and container size, the
/// label's bounds size, the alignment and the form.
struct DRLabelTextFrame {
  gfx::Size textBoundingSize;
  gfx::Size containerSize;
  gfx::Size boundsSize;
  DRTextVerticalAlignment alignment = DRTextVerticalAlignmentCenter;
  bool verticalForm = false;
};

/// Where a layout of `textBoundingSize` is drawn in an area of `size`: down (horizontal) or
/// left (vertical form) by the alignment's share of the free space, on the pixel grid of
/// `scale`.
gfx::Point DRLabelDrawingOffset(gfx::Size textBoundingSize, gfx::Size size, DRTextVerticalAlignment alignment,
                                bool verticalForm, double scale);

gfx::Point DRLabelConvertPointToLayout(gfx::Point point, const DRLabelTextFrame& frame);
gfx::Point DRLabelConvertPointFromLayout(gfx::Point point, const DRLabelTextFrame& frame);
/// Rectangles keep their size; null rectangles stay null.
gfx::Rect DRLabelConvertRectToLayout(gfx::Rect rect, const DRLabelTextFrame& frame);
gfx::Rect DRLabelConvertRectFromLayout(gfx::Rect rect, const DRLabelTextFrame& frame);

}  // namespace textview
