#include "platform/typeset/Run.h"

#include <algorithm>

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/FontFace.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/RubyLayout.h"

namespace typeset {

RT_IMPLEMENT_PLATFORM(Run) {
  c.property("glyphCount", &Run::glyphCount);
  c.property("status", &Run::status);
}

namespace {
Range clampRange(Range r, size_t count) {
  if (r.length == 0) return Range{0, count};
  uint64_t lo = std::min<uint64_t>(r.location, count);
  return Range{lo, std::min<uint64_t>(r.length, count - lo)};
}
}  // namespace

double Run::typographicBounds(Range range, double* ascent, double* descent, double* leading) const {
  Range r = clampRange(range, count_);
  double w = 0;
  // Unmaterialised runs have the shaped advances unchanged.
  if (materialised_.load(std::memory_order_acquire))
    for (uint64_t i = r.location; i < r.end(); ++i) w += advances_[i].width;
  else
    for (uint64_t i = r.location; i < r.end(); ++i) w += shaped_[i].advance;
  if (ascent) *ascent = ascent_;
  if (descent) *descent = descent_;
  if (leading) *leading = leading_;
  return w;
}

gfx::Point Run::glyphPosition(size_t index) const {
  if (materialised_.load(std::memory_order_acquire) || positionsReady_.load(std::memory_order_acquire))
    return positions_[index];
  // The pen walks the shaped advances as the copy below does, so both give the same sums.
  double x = penX_;
  for (size_t k = 0; k < index; ++k) x += shaped_[k].advance;
  return {x + shaped_[index].xOffset, shaped_[index].yOffset + baselineShift_};
}

void Run::fillPositions() const {
  positions_.resize(count_);
  double x = penX_;
  for (size_t k = 0; k < count_; ++k) {
    const ShapedGlyph& g = shaped_[k];
    positions_[k] = {x + g.xOffset, g.yOffset + baselineShift_};
    x += g.advance;
  }
  positionsReady_.store(true, std::memory_order_release);
}

void Run::copyPositions() const {
  std::lock_guard lock(materialiseMutex_);
  if (!positionsReady_.load(std::memory_order_relaxed)) fillPositions();
}

void Run::copyShapedGlyphs() const {
  std::lock_guard lock(materialiseMutex_);
  if (materialised_.load(std::memory_order_relaxed)) return;
  glyphs_.resize(count_);
  advances_.resize(count_);
  stringIndices_.resize(count_);
  for (size_t k = 0; k < count_; ++k) {
    const ShapedGlyph& g = shaped_[k];
    glyphs_[k] = static_cast<Glyph>(g.glyph);
    advances_[k] = {g.advance, 0};
    stringIndices_[k] = g.cluster;
  }
  // Positions already handed out stay as they are (the same values).
  if (!positionsReady_.load(std::memory_order_relaxed)) fillPositions();
  materialised_.store(true, std::memory_order_release);
}

Ref<Run> Run::clone() const {
  materialise();
  auto r = rt::make<Run>();
  r->shaped_ = shaped_;
  r->count_ = count_;
  r->text_ = text_;
  r->style_ = style_;
  r->font_ = font_;
  r->glyphs_ = glyphs_;
  r->positions_ = positions_;
  r->advances_ = advances_;
  r->stringIndices_ = stringIndices_;
  r->stringRange_ = stringRange_;
  r->status_ = status_;
  r->level_ = level_;
  r->baselineShift_ = baselineShift_;
  r->ascent_ = ascent_;
  r->descent_ = descent_;
  r->leading_ = leading_;
  return r;
}

gfx::AffineTransform Run::glyphTransform(size_t i) const {
  const gfx::Point& p = positions_[i];
  if (!style_->vertical) return gfx::AffineTransformMakeTranslation(p.x, p.y);
  // Upright in a column: the glyph's x runs across the column, its y against the line. A face
  // that records where each upright glyph's box starts (its vertical origin) puts the box in
  // the glyph's own advance; the ascent does so only when ascent and descent add up to the
  // advance, and pushes taller faces' glyphs down the column, past its end.
  double hadv = font_->advanceForGlyph(glyphs_[i]);
  double centre = (font_->ascent() - font_->descent()) / 2;
  const auto top = font_->face()->verticalOriginHeight(glyphs_[i]);
  const double origin = top ? *top * font_->scale() : font_->ascent();
  return gfx::AffineTransformMake(0, 1, -1, 0, p.x - offset(i).x + origin, p.y - offset(i).y + centre - hadv / 2);
}

gfx::Rect Run::imageBounds(Range range) const {
  materialise();
  Range r = clampRange(range, glyphs_.size());
  gfx::Rect u = gfx::RectNull;
  for (uint64_t i = r.location; i < r.end(); ++i) {
    if (style_->delegate) {
      u = gfx::RectUnion(u, gfx::RectMake(positions_[i].x, -descent_, advances_[i].width, ascent_ + descent_));
      continue;
    }
    gfx::Rect b = font_->boundingRectForGlyph(glyphs_[i]);
    if (gfx::RectIsEmpty(b)) continue;
    gfx::AffineTransform t = glyphTransform(i);
    gfx::Point corners[4] = {{b.origin.x, b.origin.y},
                             {b.origin.x + b.size.width, b.origin.y},
                             {b.origin.x, b.origin.y + b.size.height},
                             {b.origin.x + b.size.width, b.origin.y + b.size.height}};
    for (const auto& c : corners) {
      gfx::Point q{t.a * c.x + t.c * c.y + t.tx, t.b * c.x + t.d * c.y + t.ty};
      u = gfx::RectUnion(u, gfx::RectMake(q.x, q.y, 0, 0));
    }
  }
  return gfx::RectIsNull(u) ? gfx::RectNull : u;
}

Ref<gfx::Path> Run::glyphPath(Range range, const gfx::AffineTransform* t) const {
  auto path = gfx::MutablePath::create();
  if (style_->delegate) return path;
  materialise();
  Range r = clampRange(range, glyphs_.size());
  for (uint64_t i = r.location; i < r.end(); ++i) {
    if (glyphs_[i] == 0 && advances_[i].width == 0) continue;
    gfx::AffineTransform m = glyphTransform(i);
    if (t) m = gfx::AffineTransformConcat(m, *t);
    path->addPath(*font_->pathForGlyph(glyphs_[i]), &m);
  }
  return path;
}

void Run::showGlyphs(gfx::Context& ctx, Range r, const gfx::AffineTransform& space) const {
  std::vector<uint16_t> ids;
  std::vector<gfx::Point> at;
  ids.reserve(r.length);
  at.reserve(r.length);
  for (uint64_t i = r.location; i < r.end(); ++i) {
    if (glyphs_[i] == 0 && advances_[i].width == 0) continue;  // dropped by the shaper
    if (text_->text[static_cast<size_t>(stringIndices_[i])] == u'\t') continue;  // a gap, not a glyph
    if (!style_->vertical) {
      at.push_back(positions_[i]);
    } else {
      // Upright glyphs: the text space turns a quarter, and each position with it.
      gfx::AffineTransform t = glyphTransform(i);
      at.push_back({t.ty, -t.tx});
    }
    ids.push_back(glyphs_[i]);
  }
  if (ids.empty()) return;
  gfx::AffineTransform tm = style_->vertical ? gfx::AffineTransformConcat(gfx::AffineTransformMake(0, 1, -1, 0, 0, 0), space) : space;
  ctx.setTextMatrix(tm);
  ctx.showGlyphsAtPositions(ids.data(), at.data(), ids.size());
}

void Run::draw(gfx::Context& ctx, Range range, gfx::Point origin, TextDrawingMode mode) const {
  if (style_->delegate || mode == TextDrawingMode::Invisible) return;
  materialise();
  Range r = clampRange(range, glyphs_.size());
  if (r.length == 0) return;
  // Run space: the line origin moved by `origin`, then the run's and the context's text
  // matrices (the context's position included). The text matrix is no part of the graphics
  // state, so it is put back by hand.
  const gfx::AffineTransform saved = ctx.textMatrix();
  const gfx::AffineTransform space =
      gfx::AffineTransformConcat(gfx::AffineTransformConcat(textMatrix(), gfx::AffineTransformMakeTranslation(origin.x, origin.y)), saved);
  ctx.saveGState();
  double x0 = positions_[r.location].x, x1 = x0;
  for (uint64_t i = r.location; i < r.end(); ++i) {
    x0 = std::min(x0, positions_[i].x);
    x1 = std::max(x1, positions_[i].x + advances_[i].width);
  }
  if (style_->backgroundColor) {
    ctx.saveGState();
    ctx.concatCTM(space);
    ctx.setFillColor(style_->backgroundColor);
    ctx.fillRect(gfx::RectMake(x0, -descent_, x1 - x0, ascent_ + descent_));
    ctx.restoreGState();
  }
  if (style_->color) ctx.setFillColor(style_->color);
  ctx.setStrokeColor(style_->strokeColor ? style_->strokeColor : ctx.fillColor());
  bool fill = mode == TextDrawingMode::Fill || mode == TextDrawingMode::FillStroke;
  bool stroke = mode == TextDrawingMode::Stroke || mode == TextDrawingMode::FillStroke;
  double strokeWidth = 1;
  if (style_->strokeWidth != 0) {
    // Percent of the point size; positive strokes only, negative fills and strokes.
    strokeWidth = std::abs(style_->strokeWidth) * font_->pointSize() / 100;
    stroke = true;
    fill = style_->strokeWidth < 0;
  }
  if (fill || stroke) {
    ctx.setTextDrawingMode(fill && stroke ? TextDrawingMode::FillStroke : fill ? TextDrawingMode::Fill : TextDrawingMode::Stroke);
    if (stroke) ctx.setLineWidth(strokeWidth);
    ctx.setFont(font_->face());
    ctx.setFontSize(font_->pointSize());
    showGlyphs(ctx, r, space);
    ctx.setTextMatrix(saved);
  }
  ctx.concatCTM(space);
  double thickness = std::max(font_->underlineThickness(), 0.5);
  if (style_->underline) {
    ctx.setFillColor(style_->underlineColor ? style_->underlineColor : ctx.fillColor());
    double lines = (style_->underline & 0x0F) == 0x09 ? 2 : 1;
    for (int k = 0; k < lines; ++k)
      ctx.fillRect(gfx::RectMake(x0, font_->underlinePosition() - thickness / 2 - k * 2 * thickness, x1 - x0, thickness));
  }
  if (style_->strikethrough) {
    if (style_->strikethroughColor) ctx.setFillColor(style_->strikethroughColor);
    ctx.fillRect(gfx::RectMake(x0, font_->xHeight() / 2 - thickness / 2, x1 - x0, thickness));
  }
  if (style_->ruby && style_->rubyLayout) {
    // The base's pen extent, the room its annotations made included.
    double p0 = positions_[r.location].x - offset(r.location).x, p1 = p0;
    for (uint64_t i = r.location; i < r.end(); ++i) {
      double pen = positions_[i].x - offset(i).x;
      p0 = std::min(p0, pen);
      p1 = std::max(p1, pen + advances_[i].width);
    }
    style_->rubyLayout->draw(ctx, *style_->ruby, p0, p1, font_->ascent(), font_->descent(), p0 <= 1e-9,
                                endsLine_ && r.end() == glyphs_.size());
  }
  ctx.restoreGState();
}

}  // namespace typeset
