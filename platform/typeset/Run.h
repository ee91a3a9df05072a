#pragma once
// Glyph runs: glyphs of one font, style and direction within a line, with positions relative
// to the line's origin (baseline, left end), advances and the UTF-16 index of each glyph.
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/graphics/Context.h"
#include "platform/typeset/ShapedText.h"

namespace typeset {

/// Run status bits, with the platform's values.
enum RunStatus : uint32_t {
  RunStatusNoStatus = 0,
  RunStatusRightToLeft = 1u << 0,
  RunStatusNonMonotonic = 1u << 1,
  RunStatusHasNonIdentityMatrix = 1u << 2,
};

/// How glyphs are painted (the context's modes).
using TextDrawingMode = gfx::TextDrawingMode;

class Line;

class Run : public rt::Object {
  RT_CLASS_NAMED(Run, rt::Object, "CTRun")
 public:
  // Every member has its initialiser; a constructor of its own spares the zero-filling that
  // value-initialisation does first, and layouts make runs by the hundred.
  Run() {}
  size_t glyphCount() const { return count_; }
  const std::vector<Glyph>& glyphs() const { return materialise().glyphs_; }
  const std::vector<gfx::Point>& positions() const {
    if (!materialised_.load(std::memory_order_acquire) && !positionsReady_.load(std::memory_order_acquire)) copyPositions();
    return positions_;
  }
  const std::vector<gfx::Size>& advances() const { return materialise().advances_; }
  const std::vector<int64_t>& stringIndices() const { return materialise().stringIndices_; }
  /// The position of glyph `index` (below `glyphCount()`), without copying the run's arrays:
  /// a line often needs no more than where its first glyph stands.
  gfx::Point glyphPosition(size_t index) const;
  Range stringRange() const { return stringRange_; }
  const Ref<fd::Dictionary>& attributes() const { return style_->attributes; }
  /// The font the glyphs are drawn with (a fallback font when the attributes' one lacks them).
  const Ref<Font>& font() const { return font_; }
  uint32_t status() const { return status_; }
  bool isRightToLeft() const { return status_ & RunStatusRightToLeft; }
  /// Glyphs in vertical forms: advances run down the column, glyphs stand upright in it.
  bool isVertical() const { return style_->vertical; }
  const Ref<RunDelegate>& delegate() const { return style_->delegate; }
  const Ref<RubyAnnotation>& rubyAnnotation() const { return style_->ruby; }
  const RunStyle& style() const { return *style_; }
  gfx::AffineTransform textMatrix() const { return gfx::AffineTransformIdentity; }

  /// Where glyph `index` stands: the transform from the glyph's own space to the line's (x
  /// along the line, y up from the baseline). Upright glyphs of a vertical run turn a quarter.
  gfx::AffineTransform glyphMatrix(size_t index) const {
    materialise();
    return glyphTransform(index);
  }

  /// Width of the glyphs in `range` (length 0: all), with the run's ascent, descent and leading.
  double typographicBounds(Range range, double* ascent, double* descent, double* leading) const;
  double width() const { return typographicBounds(Range{0, 0}, nullptr, nullptr, nullptr); }
  double ascent() const { return ascent_; }
  double descent() const { return descent_; }
  /// Ink bounds of the glyphs in `range` (length 0: all), relative to the line origin.
  gfx::Rect imageBounds(Range range) const;
  /// The outlines of the glyphs in `range`, placed as drawn, transformed by `t` when given.
  Ref<gfx::Path> glyphPath(Range range, const gfx::AffineTransform* t = nullptr) const;

  /// Draws the glyphs in `range` (length 0: all) with the line origin at `origin` of the
  /// context's text space (its text matrix and text position; user space, y-up, when they are
  /// the identity), in the run's colours, stroke, underline and strikethrough. Glyphs go
  /// through the context's glyph call; its text matrix is left as it was.
  void draw(gfx::Context& context, Range range, gfx::Point origin = {},
            TextDrawingMode mode = TextDrawingMode::Fill) const;

 private:
  friend class Line;
  Ref<Run> clone() const;
  // Many lines are only measured: their runs point at the shaped glyphs and copy them into
  // the arrays below the first time anything asks for glyph-level data.
  const Run& materialise() const {
    if (!materialised_.load(std::memory_order_acquire)) copyShapedGlyphs();
    return *this;
  }
  void copyShapedGlyphs() const;
  // Positions alone, which is all many callers ask for: the other arrays wait until wanted.
  void copyPositions() const;
  void fillPositions() const;
  // Shaping offsets, already in positions_; nothing changes them after shaping.
  gfx::Point offset(size_t k) const { return {shaped_[k].xOffset, shaped_[k].yOffset}; }
  gfx::AffineTransform glyphTransform(size_t i) const;
  // The glyphs of `range` through the context's glyph call, in `space` (run to user space).
  void showGlyphs(gfx::Context& context, Range range, const gfx::AffineTransform& space) const;

  std::shared_ptr<const ShapedText> text_;  // keeps the style alive
  const RunStyle* style_ = nullptr;
  Ref<Font> font_;
  const ShapedGlyph* shaped_ = nullptr;  // in text_
  size_t count_ = 0;
  double penX_ = 0;  // where the run starts on its line
  mutable std::atomic<bool> materialised_{true};
  mutable std::atomic<bool> positionsReady_{true};  // positions_ made, the rest maybe not
  mutable std::mutex materialiseMutex_;
  mutable std::vector<Glyph> glyphs_;
  mutable std::vector<gfx::Point> positions_;
  mutable std::vector<gfx::Size> advances_;
  mutable std::vector<int64_t> stringIndices_;
  Range stringRange_;
  uint32_t status_ = 0;
  uint8_t level_ = 0;
  bool endsLine_ = false;  // nothing but white space follows it on its line
  double baselineShift_ = 0;
  double ascent_ = 0, descent_ = 0, leading_ = 0;
};

}  // namespace typeset
