#pragma once
// One stretch of a glyph run drawn the same way in vertical form.
#include "platform/runtime/Object.h"
#include "platform/typeset/Types.h"

namespace text {

/// How glyphs stand in a vertical line: 0 upright, 1 rotated, 2 rotated and moved.
enum DRTextRunGlyphDrawMode : uint64_t {
  DRTextRunGlyphDrawModeHorizontal = 0,
  DRTextRunGlyphDrawModeVerticalRotate = 1,
  DRTextRunGlyphDrawModeVerticalRotateMove = 2,
};

class DRTextRunGlyphRange : public rt::Object {
  RT_CLASS(DRTextRunGlyphRange, rt::Object)
 public:
  void init() {}
  static Ref<DRTextRunGlyphRange> rangeWithRange(rt::Range range, uint64_t drawMode);

  /// Glyph indices within one run.
  rt::Range glyphRangeInRun() const { return glyphRangeInRun_; }
  void setGlyphRangeInRun(rt::Range r) { glyphRangeInRun_ = r; }
  uint64_t drawMode() const { return drawMode_; }
  void setDrawMode(uint64_t m) { drawMode_ = m; }

 private:
  rt::Range glyphRangeInRun_;
  uint64_t drawMode_ = 0;
};

}  // namespace text
