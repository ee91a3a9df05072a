#include "textview/label/DRLabelGeometry.h"

#include <algorithm>
#include <cmath>

namespace textview {

using typeset::LineBreakMode;

uint64_t DRLabelTruncationTypeForLineBreakMode(LineBreakMode mode) {
  switch (mode) {
    case LineBreakMode::ByTruncatingHead: return 1;
    case LineBreakMode::ByTruncatingTail: return 2;
    case LineBreakMode::ByTruncatingMiddle: return 3;
    default: return 0;
  }
}

std::optional<LineBreakMode> DRLabelTextLineBreakModeForLineBreakMode(LineBreakMode mode) {
  switch (mode) {
    case LineBreakMode::ByWordWrapping:
    case LineBreakMode::ByCharWrapping:
    case LineBreakMode::ByClipping: return mode;
    case LineBreakMode::ByTruncatingHead:
    case LineBreakMode::ByTruncatingTail:
    case LineBreakMode::ByTruncatingMiddle: return LineBreakMode::ByWordWrapping;
  }
  return std::nullopt;
}

LineBreakMode DRLabelLineBreakModeForTruncation(uint64_t truncationType, LineBreakMode textMode) {
  switch (truncationType) {
    case 1: return LineBreakMode::ByTruncatingHead;
    case 2: return LineBreakMode::ByTruncatingTail;
    case 3: return LineBreakMode::ByTruncatingMiddle;
    default: return textMode;
  }
}

namespace {

// The alignment's share of a free length: none at the top, half in the centre, all at the bottom.
double share(double free, DRTextVerticalAlignment alignment) {
  switch (alignment) {
    case DRTextVerticalAlignmentCenter: return free / 2;
    case DRTextVerticalAlignmentBottom: return free;
    default: return 0;
  }
}

// Halves round away from zero, as std::round does.
double snap(double value, double scale) {
  if (!(scale > 0)) return value;
  return std::round(value * scale) / scale;
}

// Vertical lines start at the right edge of the container: a container wider than both the
// text and the bounds pushes the text's right edge out of the bounds by the difference.
double verticalShift(const DRLabelTextFrame& f) {
  return f.containerSize.width - std::max(f.textBoundingSize.width, f.boundsSize.width);
}

}  // namespace

gfx::Point DRLabelDrawingOffset(gfx::Size textBoundingSize, gfx::Size size, DRTextVerticalAlignment alignment,
                                bool verticalForm, double scale) {
  gfx::Point offset{0, 0};
  if (verticalForm) {
    offset.x = -share(size.width - textBoundingSize.width, alignment);
  } else {
    offset.y = share(size.height - textBoundingSize.height, alignment);
  }
  offset.x = snap(offset.x, scale);
  offset.y = snap(offset.y, scale);
  return offset;
}

gfx::Point DRLabelConvertPointToLayout(gfx::Point p, const DRLabelTextFrame& f) {
  if (f.verticalForm) {
    p.x += verticalShift(f);
    p.x += share(f.boundsSize.width - f.textBoundingSize.width, f.alignment);
  } else {
    p.y -= share(f.boundsSize.height - f.textBoundingSize.height, f.alignment);
  }
  return p;
}

gfx::Point DRLabelConvertPointFromLayout(gfx::Point p, const DRLabelTextFrame& f) {
  if (f.verticalForm) {
    p.x -= verticalShift(f);
    if (f.textBoundingSize.width < f.boundsSize.width)
      p.x -= share(f.boundsSize.width - f.textBoundingSize.width, f.alignment);
  } else if (f.textBoundingSize.height < f.boundsSize.height) {
    p.y += share(f.boundsSize.height - f.textBoundingSize.height, f.alignment);
  }
  return p;
}

gfx::Rect DRLabelConvertRectToLayout(gfx::Rect r, const DRLabelTextFrame& f) {
  if (gfx::RectIsNull(r)) return r;
  r.origin = DRLabelConvertPointToLayout(r.origin, f);
  return r;
}

gfx::Rect DRLabelConvertRectFromLayout(gfx::Rect r, const DRLabelTextFrame& f) {
  if (gfx::RectIsNull(r)) return r;
  r.origin = DRLabelConvertPointFromLayout(r.origin, f);
  return r;
}

}  // namespace textview
