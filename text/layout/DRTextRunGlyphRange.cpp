#include "text/layout/DRTextRunGlyphRange.h"

namespace text {

RT_IMPLEMENT(DRTextRunGlyphRange) {
  c.property("glyphRangeInRun", &DRTextRunGlyphRange::glyphRangeInRun, &DRTextRunGlyphRange::setGlyphRangeInRun);
  c.property("drawMode", &DRTextRunGlyphRange::drawMode, &DRTextRunGlyphRange::setDrawMode);
}

Ref<DRTextRunGlyphRange> DRTextRunGlyphRange::rangeWithRange(rt::Range range, uint64_t drawMode) {
  auto r = rt::make<DRTextRunGlyphRange>();
  r->glyphRangeInRun_ = range;
  r->drawMode_ = drawMode;
  return r;
}

}  // namespace text
