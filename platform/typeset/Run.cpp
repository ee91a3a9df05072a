#include "platform/typeset/Run.h"

#include <algorithm>

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Line.h"

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

void Run::copyShapedGlyphs() const {
  std::lock_guard lock(materialiseMutex_);
  if (materialised_.load(std::memory_order_relaxed)) return;
  glyphs_.resize(count_);
  advances_.resize(count_);
  stringIndices_.resize(count_);
  positions_.resize(count_);
  double x = penX_;
  for (size_t k = 0; k < count_; ++k) {
    const ShapedGlyph& g = shaped_[k];
    glyphs_[k] = static_cast<Glyph>(g.glyph);
    advances_[k] = {g.advance, 0};
    stringIndices_[k] = g.cluster;
    positions_[k] = {x + g.xOffset, g.yOffset + baselineShift_};
    x += g.advance;
  }
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
  // Upright in a column: the glyph's x runs across the column, its y against the line.
  double hadv = font_->advanceForGlyph(glyphs_[i]);
  double centre = (font_->ascent() - font_->descent()) / 2;
  return gfx::AffineTransformMake(0, 1, -1, 0, p.x - offset(i).x + font_->ascent(),
                                  p.y - offset(i).y + centre - hadv / 2);
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

void Run::drawColorGlyphs(gfx::Context& ctx, Range r) const {
  const FontFace& face = *font_->face();
  for (uint64_t i = r.location; i < r.end(); ++i) {
    const FontFace::ColorGlyph* cg = face.colorGlyph(glyphs_[i]);
    if (!cg) continue;
    double s = font_->pointSize() / cg->ppem;
    double w = static_cast<double>(cg->image->width()) * s, h = static_cast<double>(cg->image->height()) * s;
    // y-up: the picture's top edge sits `top` strike pixels above the baseline.
    ctx.drawImage(gfx::RectMake(positions_[i].x + cg->left * s, positions_[i].y + cg->top * s - h, w, h), *cg->image);
  }
}

void Run::draw(gfx::Context& ctx, Range range, gfx::Point origin, TextDrawingMode mode) const {
  if (style_->delegate || mode == TextDrawingMode::Invisible) return;
  materialise();
  Range r = clampRange(range, glyphs_.size());
  if (r.length == 0) return;
  ctx.saveGState();
  ctx.translateCTM(origin.x, origin.y);
  double x0 = positions_[r.location].x, x1 = x0;
  for (uint64_t i = r.location; i < r.end(); ++i) {
    x0 = std::min(x0, positions_[i].x);
    x1 = std::max(x1, positions_[i].x + advances_[i].width);
  }
  if (style_->backgroundColor) {
    ctx.setFillColor(style_->backgroundColor);
    ctx.fillRect(gfx::RectMake(x0, -descent_, x1 - x0, ascent_ + descent_));
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
  if (fill && font_->face()->hasColorGlyphs()) drawColorGlyphs(ctx, r);
  auto path = glyphPath(r);
  if (!path->isEmpty()) {
    if (fill) {
      ctx.beginPath();
      ctx.addPath(*path);
      ctx.fillPath();
    }
    if (stroke) {
      ctx.setLineWidth(strokeWidth);
      ctx.beginPath();
      ctx.addPath(*path);
      ctx.strokePath();
    }
  }
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
  if (style_->ruby && !style_->ruby->textForPosition(RubyPosition::Before).isEmpty()) {
    double size = font_->pointSize() * style_->ruby->sizeFactor();
    auto attrs = fd::MutableDictionary::create();
    attrs->setObjectForKey(font_->fontWithSize(size), String(FontAttributeName));
    if (style_->color) attrs->setObjectForKey(style_->color, String(ForegroundColorAttributeName));
    auto ruby = Line::createWithAttributedString(*AttributedString::create(style_->ruby->textForPosition(RubyPosition::Before), attrs));
    double rubyDescent = 0;
    double w = ruby->typographicBounds(nullptr, &rubyDescent, nullptr);
    ruby->draw(ctx, gfx::Point{x0 + (x1 - x0 - w) / 2, font_->ascent() + rubyDescent});
  }
  ctx.restoreGState();
}

}  // namespace typeset
