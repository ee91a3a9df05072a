// The text state and glyph drawing: glyph outlines placed through the font size, each glyph's
// position and the text matrix, then painted like any path; colour glyphs as pictures.
#include <cairo.h>

#include <cmath>

#include "platform/graphics/CairoPathKeeper.h"
#include "platform/graphics/Context.h"

namespace gfx {

void Context::noteGlyphs(const char* name, std::initializer_list<double> args, const std::string&, const uint16_t*,
                         const Point*, size_t) {
  note(name, args);
}

void Context::setTextMatrix(const AffineTransform& t) {
  log("setTextMatrix", {t.a, t.b, t.c, t.d, t.tx, t.ty});
  textMatrix_ = t;
}

void Context::setTextPosition(double x, double y) {
  log("setTextPosition", {x, y});
  textMatrix_.tx = x;
  textMatrix_.ty = y;
}

void Context::setTextDrawingMode(TextDrawingMode mode) {
  log("setTextDrawingMode", {static_cast<double>(mode)});
  if (static_cast<int32_t>(mode) < 0 || static_cast<int32_t>(mode) > 7) return;
  state().textMode = mode;
}

void Context::setCharacterSpacing(double spacing) {
  log("setCharacterSpacing", {spacing});
  if (std::isfinite(spacing)) state().characterSpacing = spacing;
}

void Context::setFont(std::shared_ptr<const GlyphSource> font) {
  if (quiet_ == 0) noteGlyphs("setFont", {}, font ? font->glyphSourceName() : std::string(), nullptr, nullptr, 0);
  state().font = std::move(font);
}

void Context::setFontSize(double size) {
  log("setFontSize", {size});
  state().fontSize = std::isfinite(size) ? size : 0;
}

void Context::showGlyphsAtPositions(const uint16_t* glyphs, const Point* positions, size_t count) {
  const GState& s = state();
  const AffineTransform tm = textMatrix_;
  if (quiet_ == 0)
    noteGlyphs("showGlyphsAtPositions",
               {s.fontSize, static_cast<double>(s.textMode), tm.a, tm.b, tm.c, tm.d, tm.tx, tm.ty},
               s.font ? s.font->glyphSourceName() : std::string(), glyphs, positions, count);
  if (!s.font || !glyphs || !positions || count == 0 || s.degenerate || s.fontSize == 0) return;
  TextDrawingMode mode = s.textMode;
  bool fill = mode == TextDrawingMode::Fill || mode == TextDrawingMode::FillStroke ||
              mode == TextDrawingMode::FillClip || mode == TextDrawingMode::FillStrokeClip;
  bool stroke = mode == TextDrawingMode::Stroke || mode == TextDrawingMode::FillStroke ||
                mode == TextDrawingMode::StrokeClip || mode == TextDrawingMode::FillStrokeClip;
  bool clipping = static_cast<int32_t>(mode) >= static_cast<int32_t>(TextDrawingMode::FillClip);
  if (!fill && !stroke && !clipping) return;
  Quiet quiet(this);
  std::shared_ptr<const GlyphSource> font = s.font;
  double size = s.fontSize;
  double units = font->unitsPerEm() > 0 ? font->unitsPerEm() : 1000;
  AffineTransform toUnits = AffineTransformMakeScale(size / units, size / units);
  // Device pixels per point, for pictures sharp at this scale.
  AffineTransform device = AffineTransformConcat(tm, getCTM());
  double pixelsPerPoint = std::sqrt(std::abs(device.a * device.d - device.b * device.c));
  if (!(pixelsPerPoint > 0) || !std::isfinite(pixelsPerPoint)) pixelsPerPoint = 1;
  std::vector<PlacedGlyph> placed;
  placed.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const Point& p = positions[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
    AffineTransform place = AffineTransformConcat(AffineTransformMakeTranslation(p.x, p.y), tm);
    PlacedGlyph g;
    if (font->colorPicture(glyphs[i], size, pixelsPerPoint, &g.picture) && g.picture.image) {
      g.place = place;
      placed.push_back(std::move(g));
      continue;
    }
    g.outline = font->outline(glyphs[i]);
    if (!g.outline || g.outline->isEmpty()) continue;
    g.place = AffineTransformConcat(toUnits, place);
    placed.push_back(std::move(g));
  }
  if (fill || stroke) {
    showingClipGlyphs_ = clipping;
    if (!placed.empty()) paintGlyphs(placed, fill, stroke);
    showingClipGlyphs_ = false;
  }
  if (clipping) gatherTextClip(placed);
}

void Context::gatherTextClip(const std::vector<PlacedGlyph>& placed) {
  CairoPathKeeper keep(cr_);
  cairo_matrix_t user;
  cairo_get_matrix(cr_, &user);
  if (textClip_) {
    cairo_identity_matrix(cr_);
    cairo_append_path(cr_, textClip_);
    cairo_set_matrix(cr_, &user);
  }
  for (const auto& g : placed) {
    if (g.picture.image) {
      appendPath(*Path::createWithRect(g.picture.rect, &g.place), false);
      continue;
    }
    cairo_matrix_t m = {g.place.a, g.place.b, g.place.c, g.place.d, g.place.tx, g.place.ty};
    cairo_transform(cr_, &m);
    appendPath(*g.outline, false);
    cairo_set_matrix(cr_, &user);
  }
  cairo_identity_matrix(cr_);
  cairo_path_t* gathered = cairo_copy_path(cr_);
  cairo_set_matrix(cr_, &user);
  if (textClip_) cairo_path_destroy(textClip_);
  textClip_ = gathered;
  textClipPending_ = true;
}

void Context::commitTextClip() const {
  if (!textClipPending_ || !cr_) return;
  textClipPending_ = false;
  CairoPathKeeper keep(cr_);
  cairo_matrix_t user;
  cairo_get_matrix(cr_, &user);
  cairo_identity_matrix(cr_);
  // No glyphs at all leave nothing visible.
  if (textClip_ && textClip_->status == CAIRO_STATUS_SUCCESS) cairo_append_path(cr_, textClip_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);
  cairo_set_matrix(cr_, &user);
  if (textClip_) cairo_path_destroy(textClip_);
  textClip_ = nullptr;
}

void Context::showGlyphs(const uint16_t* glyphs, size_t count) {
  const GState& s = state();
  if (!s.font || !glyphs || count == 0) return;
  double units = s.font->unitsPerEm() > 0 ? s.font->unitsPerEm() : 1000;
  std::vector<Point> positions(count);
  double x = 0;
  for (size_t i = 0; i < count; ++i) {
    positions[i] = {x, 0};
    x += s.font->glyphAdvance(glyphs[i]) * s.fontSize / units + s.characterSpacing;
  }
  // Positions are in text space from the text position, which the matrix already carries.
  Point start = textPosition();
  showGlyphsAtPositions(glyphs, positions.data(), count);
  // The pen moves along the text space's x axis, through the matrix's linear part.
  textMatrix_.tx = start.x + textMatrix_.a * x;
  textMatrix_.ty = start.y + textMatrix_.b * x;
}

}  // namespace gfx
