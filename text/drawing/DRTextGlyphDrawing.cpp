// The passes that draw glyphs: shadows (the glyphs drawn again far beyond the area so that
// only their shadows fall in it), the text, and inner shadows; and the drawing of one run.
#include <cmath>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/FontDescriptor.h"
#include "platform/typeset/Line.h"
#include "platform/typeset/Shadow.h"
#include "text/drawing/DRTextDrawingPasses.h"
#include "text/model/DRTextShadow.h"

namespace text {

namespace {


std::optional<gfx::AffineTransform> glyphTransform(const typeset::Run& run) {
  auto box = DRTextRunAttribute<fd::ValueBox>(run, DRTextGlyphTransformKey);
  gfx::AffineTransform t;
  if (box && box->get(t)) return t;
  return std::nullopt;
}

// The flipped text space: y-up from the area's bottom, the text matrix cleared.
void enterTextSpace(const DRTextDrawArea& area) {
  area.context.translateCTM(area.point.x, area.point.y);
  area.context.translateCTM(0, area.size.height);
  area.context.scaleCTM(1, -1);
  area.context.setTextMatrix(gfx::AffineTransformIdentity);
}

void drawGlyph(gfx::Context& ctx, const typeset::Font& font, typeset::Glyph glyph) {
  const gfx::Point origin{};
  if (font.symbolicTraits() & typeset::FontTraitColorGlyphs) {
    font.drawGlyphs(&glyph, &origin, 1, ctx);
    return;
  }
  ctx.setFont(font.face());
  ctx.setFontSize(font.pointSize());
  ctx.showGlyphsAtPositions(&glyph, &origin, 1);
}

// A line break or other control character the font has no glyph for, which takes no room, or a
// tab, which reaches its stop: as when the typesetter draws a run, nothing is drawn for them
// (not the font's missing-glyph box).
bool droppedByShaper(const rt::String& characters, const typeset::Run& run, size_t g) {
  if (run.glyphs()[g] == 0 && run.advances()[g].width == 0) return true;
  const int64_t at = run.stringIndices()[g];
  return at >= 0 && static_cast<uint64_t>(at) < characters.length() && characters[static_cast<size_t>(at)] == u'\t';
}

// The head of a run's shadow chain: the platform shadow, when there is one, before the
// engine's own chain.
Ref<DRTextShadow> shadowChain(const typeset::Run& run) {
  auto chain = DRTextRunAttribute<DRTextShadow>(run, DRTextShadowKey);
  if (auto platform = DRTextShadow::shadowWithNSShadow(DRTextRunAttribute<typeset::Shadow>(run, typeset::ShadowAttributeName))) {
    platform->setSubShadow(chain);
    return platform;
  }
  return chain;
}

}  // namespace

void DRTextDrawRun(const DRTextDrawArea& area, const DRTextLine& line, const typeset::Run& run, size_t runIndex) {
  gfx::Context& ctx = area.context;
  const auto transform = glyphTransform(run);
  if (!transform && !area.vertical) {
    // The typesetter paints a run without a colour in the context's fill colour; text without
    // one is black here, whatever the caller filled with last.
    const bool black = !run.style().color;
    const gfx::AffineTransform m = run.textMatrix();
    if (gfx::AffineTransformIsIdentity(m) && !black) {
      run.draw(ctx, typeset::Range{0, 0});
      return;
    }
    ctx.saveGState();
    if (black) ctx.setFillColor(gfx::Color::blackColor());
    const gfx::AffineTransform saved = ctx.textMatrix();
    ctx.setTextMatrix(gfx::AffineTransformConcat(saved, m));
    run.draw(ctx, typeset::Range{0, 0});
    ctx.setTextMatrix(saved);
    ctx.restoreGState();
    return;
  }
  const auto& font = run.font();
  if (!font || run.glyphCount() == 0) return;
  const auto& glyphs = run.glyphs();
  const auto& positions = run.positions();
  auto fill = DRTextRunForegroundColor(run);
  if (!fill) fill = gfx::Color::blackColor();
  ctx.saveGState();
  ctx.setFillColor(fill);
  const auto strokeWidth = DRTextRunAttribute<fd::Number>(run, typeset::CTStrokeWidthAttributeName);
  if (strokeWidth && strokeWidth->floatValue() != 0) {
    const double sw = strokeWidth->floatValue();
    auto stroke = DRTextRunAttribute<gfx::Color>(run, typeset::CTStrokeColorAttributeName);
    ctx.setStrokeColor(stroke ? stroke : fill);
    ctx.setLineWidth(font->pointSize() * std::fabs(sw * 0.01));
    ctx.setTextDrawingMode(sw > 0 ? gfx::TextDrawingMode::Stroke : gfx::TextDrawingMode::FillStroke);
  } else {
    ctx.setTextDrawingMode(gfx::TextDrawingMode::Fill);
  }
  const gfx::AffineTransform glyphMatrix = transform ? *transform : gfx::AffineTransformIdentity;
  const rt::String& characters = DRTextLineCharacters(area.layout, line);
  const gfx::Point lp = line.position();
  if (area.vertical && run.isVertical()) {
    // Shaped for a column already (vertical alternates and all): every glyph stands upright
    // where the typesetter puts it, the line's x running down the column and its y across.
    const double x0 = area.verticalOffset + lp.x, y0 = area.size.height - lp.y;
    for (size_t g = 0; g < glyphs.size(); ++g) {
      if (droppedByShaper(characters, run, g)) continue;
      const gfx::AffineTransform at = run.glyphMatrix(g);
      ctx.saveGState();
      ctx.setTextMatrix(glyphMatrix);
      ctx.setTextPosition(x0 + at.ty, y0 - at.tx);
      drawGlyph(ctx, *font, glyphs[g]);
      ctx.restoreGState();
    }
  } else if (area.vertical) {
    const auto& advances = run.advances();
    const double half = (font->ascent() - font->descent()) * 0.5;
    const auto& plan = line.verticalRotateRange();
    if (plan && runIndex < plan->size()) {
      for (const auto& stretch : (*plan)[runIndex]) {
        const rt::Range r = stretch->glyphRangeInRun();
        for (uint64_t g = r.location; g < r.location + r.length && g < glyphs.size(); ++g) {
          if (droppedByShaper(characters, run, g)) continue;
          ctx.saveGState();
          ctx.setTextMatrix(glyphMatrix);
          if (stretch->drawMode() == DRTextRunGlyphDrawModeHorizontal) {
            ctx.rotateCTM(-M_PI_2);
            ctx.setTextPosition(lp.y - area.size.height + positions[g].x, area.verticalOffset + lp.x + positions[g].y);
          } else {
            const double w = advances[g].width * 0.5;
            double x = area.verticalOffset + lp.x + positions[g].y + (half - w);
            // A face that records where an upright glyph's box starts puts the box in the
            // glyph's own advance; centring the font's ascent and descent does so only when
            // they add up to the advance, and pushes the glyph down (past the column's end)
            // for taller ones.
            const auto top = font->face()->verticalOriginHeight(glyphs[g]);
            const double drop = top ? *top * font->scale() : half + w;
            double y = area.size.height - lp.y - positions[g].x - drop;
            if (stretch->drawMode() == DRTextRunGlyphDrawModeVerticalRotateMove) {
              x += w;
              y += w;
            }
            ctx.setTextPosition(x, y);
          }
          drawGlyph(ctx, *font, glyphs[g]);
          ctx.restoreGState();
        }
      }
    }
  } else {
    for (size_t g = 0; g < glyphs.size(); ++g) {
      if (droppedByShaper(characters, run, g)) continue;
      ctx.saveGState();
      ctx.setTextMatrix(glyphMatrix);
      ctx.setTextPosition(lp.x + positions[g].x, area.size.height - (lp.y + positions[g].y));
      drawGlyph(ctx, *font, glyphs[g]);
      ctx.restoreGState();
    }
  }
  ctx.restoreGState();
}

void DRTextDrawShadows(const DRTextDrawArea& area) {
  gfx::Context& ctx = area.context;
  const double shift = DRTextShadowShift(area.size.width);
  ctx.saveGState();
  enterTextSpace(area);
  for (size_t i = 0; i < area.lineCount(); ++i) {
    if (area.cancelled()) break;
    const DRTextLine& line = area.lineAt(i);
    const auto& runs = line.CTLine()->glyphRuns();
    for (size_t n = 0; n < runs.size(); ++n) {
      const auto& run = *runs[n];
      for (auto link = shadowChain(run); link; link = link->subShadow()) {
        if (!link->color()) continue;
        ctx.setTextPosition(line.position().x, area.size.height - line.position().y);
        ctx.saveGState();
        const gfx::Size offset = link->offset();
        ctx.setShadowWithColor({offset.width - shift, offset.height}, link->radius(), link->color());
        ctx.setBlendMode(link->blendMode());
        ctx.translateCTM(shift, 0);
        DRTextDrawRun(area, line, run, n);
        ctx.restoreGState();
      }
    }
  }
  ctx.restoreGState();
}

void DRTextDrawText(const DRTextDrawArea& area) {
  gfx::Context& ctx = area.context;
  ctx.saveGState();
  ctx.translateCTM(area.point.x, area.point.y);
  ctx.translateCTM(0, area.size.height);
  ctx.scaleCTM(1, -1);
  ctx.setShadowWithColor({0, 0}, 0, nullptr);
  for (size_t i = 0; i < area.lineCount(); ++i) {
    const DRTextLine& line = area.lineAt(i);
    const auto& runs = line.CTLine()->glyphRuns();
    for (size_t n = 0; n < runs.size(); ++n) {
      ctx.setTextMatrix(gfx::AffineTransformIdentity);
      ctx.setTextPosition(line.position().x + area.verticalOffset, area.size.height - line.position().y);
      DRTextDrawRun(area, line, *runs[n], n);
    }
    if (area.cancelled()) break;
  }
  ctx.restoreGState();
}

void DRTextDrawInnerShadows(const DRTextDrawArea& area) {
  gfx::Context& ctx = area.context;
  const gfx::Rect whole = gfx::RectMake(0, 0, area.size.width, area.size.height);
  ctx.saveGState();
  enterTextSpace(area);
  for (size_t i = 0; i < area.lineCount(); ++i) {
    if (area.cancelled()) break;
    const DRTextLine& line = area.lineAt(i);
    const gfx::Point textPosition{line.position().x, area.size.height - line.position().y};
    const auto& runs = line.CTLine()->glyphRuns();
    for (size_t n = 0; n < runs.size(); ++n) {
      const auto& run = *runs[n];
      if (run.glyphCount() == 0) continue;
      auto chain = DRTextRunAttribute<DRTextShadow>(run, DRTextInnerShadowKey);
      for (auto link = chain; link; link = link->subShadow()) {
        if (!link->color()) continue;
        const gfx::Rect ink = run.imageBounds(typeset::Range{0, 0});
        if (gfx::RectIsNull(ink) || ink.size.width < 0.1 || ink.size.height < 0.1) break;
        // Glyphs moved by a transform, or set in a column, leave the run's own ink box.
        const gfx::Rect clip = glyphTransform(run) || area.vertical
                                   ? whole
                                   : gfx::RectOffset(ink, textPosition.x, textPosition.y);
        ctx.setTextMatrix(gfx::AffineTransformIdentity);
        ctx.setTextPosition(textPosition.x, textPosition.y);
        ctx.saveGState();
        ctx.setBlendMode(link->blendMode());
        ctx.setShadowWithColor({0, 0}, 0, nullptr);
        ctx.setAlpha(link->color()->alpha());
        ctx.clipToRect(clip);
        ctx.beginTransparencyLayer();
        {
          const auto opaque = link->color()->colorWithAlphaComponent(1);
          ctx.setShadowWithColor(link->offset(), link->radius(), opaque);
          ctx.setFillColor(opaque);
          ctx.setBlendMode(gfx::BlendMode::SourceOut);
          ctx.beginTransparencyLayer();
          {
            ctx.fillRect(clip);
            ctx.setBlendMode(gfx::BlendMode::DestinationIn);
            ctx.beginTransparencyLayer();
            DRTextDrawRun(area, line, run, n);
            ctx.endTransparencyLayer();
          }
          ctx.endTransparencyLayer();
        }
        ctx.endTransparencyLayer();
        ctx.restoreGState();
      }
    }
  }
  ctx.restoreGState();
}

}  // namespace text
