#pragma once
// Where a layout's borders go, apart from any context: the segments of equal borders joined
// across runs and lines, and the blocks of rows under a block border, in drawing order.
#include <functional>
#include <vector>

#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextBorder.h"

namespace text {

enum class DRTextBorderPass { Background, Border };

/// Receives one border with its rectangles, joined where they touch along a line.
using DRTextBorderSink = std::function<void(const DRTextBorder& border, const std::vector<gfx::Rect>& rects)>;

/// Walks the layout's lines (the truncated line in its place) for the pass's borders. `cancel`
/// is asked at the start of each line; true ends the walk.
void DRTextEnumerateBorderSegments(const DRTextLayout& layout, DRTextBorderPass pass, double verticalOffset,
                                   const std::function<bool()>& cancel, const DRTextBorderSink& sink);
/// Block borders: each from the first line of its row over the rows that follow with an equal
/// border, as wide as the container inside its insets (as tall in vertical form).
void DRTextEnumerateBlockBorders(const DRTextLayout& layout, double verticalOffset,
                                 const std::function<bool()>& cancel, const DRTextBorderSink& sink);

}  // namespace text
