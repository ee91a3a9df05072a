#include "platform/typeset/StringDrawing.h"

#include <cmath>

#include "platform/typeset/AttributeNames.h"

namespace typeset {

namespace {

constexpr double kUnlimited = 1e300;

double usable(double v) { return v > 0 && std::isfinite(v) && v < 1e300 ? v : kUnlimited; }

}  // namespace

gfx::Rect boundingRectWithSize(const AttributedString& string, gfx::Size size, uint32_t options) {
  if (string.length() == 0) return gfx::RectZero;
  if (!(options & StringDrawingUsesLineFragmentOrigin)) {
    Ref<Line> line = Line::createWithAttributedString(string);
    double a = 0, d = 0, l = 0;
    double w = line->typographicBounds(&a, &d, &l);
    double h = a + d + ((options & StringDrawingUsesFontLeading) ? l : 0);
    return gfx::RectMake(0, -a, w, h);
  }
  auto ts = Typesetter::create(string);
  LayoutOptions o;
  o.width = usable(size.width);
  o.includeLeading = options & StringDrawingUsesFontLeading;
  o.typesetterSemantics = false;
  if (options & StringDrawingTruncatesLastVisibleLine) {
    o.height = usable(size.height) < kUnlimited ? size.height : 0;
    o.truncateLastLine = true;
  }
  TextLayoutResult r = layOutText(*ts, Range{0, string.length()}, o);
  return gfx::RectMake(0, 0, r.usedWidth, r.usedHeight);
}

gfx::Rect boundingRectWithSize(const String& string, gfx::Size size, uint32_t options,
                               const Ref<fd::Dictionary>& attributes) {
  return boundingRectWithSize(*AttributedString::create(string, attributes), size, options);
}

gfx::Size sizeWithAttributes(const String& string, const Ref<fd::Dictionary>& attributes) {
  gfx::Rect r = boundingRectWithSize(string, gfx::Size{kUnlimited, kUnlimited}, StringDrawingUsesLineFragmentOrigin, attributes);
  return r.size;
}

LabelLayout layOutLabel(const AttributedString& string, gfx::Size size, int64_t numberOfLines, LineBreakMode mode) {
  LabelLayout out;
  if (string.length() == 0) return out;
  // The label's break mode stands in for the paragraphs' own.
  auto m = rt::as<MutableAttributedString>(string.mutableCopy());
  m->enumerateAttribute(String(ParagraphStyleAttributeName), Range{0, m->length()}, 0,
                        [&](const Id& value, Range r, bool&) {
                          auto ps = rt::as<ParagraphStyle>(value);
                          auto mps = ps ? rt::as<MutableParagraphStyle>(ps->mutableCopy()) : MutableParagraphStyle::create();
                          LineBreakMode wrap = mode == LineBreakMode::ByCharWrapping ? mode : LineBreakMode::ByWordWrapping;
                          mps->setLineBreakMode(numberOfLines == 1 ? mode : wrap);
                          m->addAttribute(String(ParagraphStyleAttributeName), mps, r);
                        });
  auto ts = Typesetter::create(*m);
  LayoutOptions o;
  o.width = usable(size.width);
  o.height = usable(size.height) < kUnlimited ? size.height : 0;
  o.maximumLines = numberOfLines;
  o.includeLeading = false;
  o.typesetterSemantics = numberOfLines == 1;
  o.truncateLastLine = mode == LineBreakMode::ByTruncatingTail || mode == LineBreakMode::ByTruncatingHead ||
                       mode == LineBreakMode::ByTruncatingMiddle;
  out.layout = layOutText(*ts, Range{0, m->length()}, o);
  out.size = gfx::Size{out.layout.usedWidth, out.layout.usedHeight};
  if (!out.layout.lines.empty()) {
    out.firstBaseline = out.layout.lines.front().baseline;
    out.lastBaseline = out.layout.lines.back().baseline;
  }
  return out;
}

size_t numberOfLines(const AttributedString& string, double width) {
  if (string.length() == 0) return 0;
  auto ts = Typesetter::create(string);
  LayoutOptions o;
  o.width = usable(width);
  o.typesetterSemantics = false;
  return layOutText(*ts, Range{0, string.length()}, o).lines.size();
}

double scaleToFitWidth(const AttributedString& string, double width, double minimumScaleFactor) {
  Ref<Line> line = Line::createWithAttributedString(string);
  double w = line->width() - line->trailingWhitespaceWidth();
  if (w <= width || w <= 0) return 1;
  // Glyph advances scale with the point size, so one division is enough.
  return std::max(std::min(1.0, minimumScaleFactor > 0 ? minimumScaleFactor : 1.0), width / w);
}

void drawPlacedLines(const std::vector<PlacedLine>& lines, gfx::Context& ctx, gfx::Point origin) {
  for (const auto& pl : lines) {
    ctx.saveGState();
    // Lines draw in a y-up space: flip around the baseline.
    ctx.translateCTM(origin.x + pl.x, origin.y + pl.baseline);
    ctx.scaleCTM(1, -1);
    pl.line->draw(ctx, gfx::Point{0, 0});
    ctx.restoreGState();
  }
}

void drawInRect(const AttributedString& string, gfx::Context& ctx, gfx::Rect rect, uint32_t options) {
  if (string.length() == 0) return;
  auto ts = Typesetter::create(string);
  LayoutOptions o;
  o.width = usable(rect.size.width);
  o.height = rect.size.height > 0 ? rect.size.height : 0;
  o.includeLeading = options & StringDrawingUsesFontLeading;
  o.typesetterSemantics = false;
  o.truncateLastLine = options & StringDrawingTruncatesLastVisibleLine;
  if (!(options & StringDrawingUsesLineFragmentOrigin)) o.maximumLines = 1;
  TextLayoutResult r = layOutText(*ts, Range{0, string.length()}, o);
  drawPlacedLines(r.lines, ctx, rect.origin);
}

void drawInRect(const String& string, gfx::Context& ctx, gfx::Rect rect, const Ref<fd::Dictionary>& attributes) {
  drawInRect(*AttributedString::create(string, attributes), ctx, rect);
}

void drawAtPoint(const AttributedString& string, gfx::Context& ctx, gfx::Point point) {
  Ref<Line> line = Line::createWithAttributedString(string);
  PlacedLine pl;
  pl.line = line;
  pl.baseline = line->ascent();
  drawPlacedLines({pl}, ctx, point);
}

}  // namespace typeset
