#include "platform/typeset/RubyLayout.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/values/Number.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Line.h"

namespace typeset {

std::shared_ptr<const RubyLayout> RubyLayout::make(const RubyAnnotation& ruby, const RunStyle& base, double sizeFactor) {
  auto layout = std::make_shared<RubyLayout>();
  layout->size = base.font->pointSize() * (sizeFactor > 0 ? sizeFactor : ruby.sizeFactor());
  Ref<Font> font = base.font->fontWithSize(layout->size);
  if (!font) return nullptr;
  layout->height = font->ascent() + font->descent();
  bool any = false;
  for (size_t p = 0; p < RubyPositionCount; ++p) {
    const String& text = ruby.textForPosition(static_cast<RubyPosition>(p));
    if (text.isEmpty()) continue;
    auto attrs = fd::MutableDictionary::create();
    attrs->setObjectForKey(font, String(FontAttributeName));
    if (base.color) attrs->setObjectForKey(base.color, String(ForegroundColorAttributeName));
    // Inter-character annotations stand in a column beside the base; the others follow the
    // base's own orientation.
    bool upright = base.vertical != (p == static_cast<size_t>(RubyPosition::InterCharacter));
    if (upright) attrs->setObjectForKey(fd::Number::numberWithInt(1), String(VerticalGlyphFormAttributeName));
    layout->lines[p] = Line::createWithAttributedString(*AttributedString::create(text, attrs));
    any = true;
  }
  if (!any) return nullptr;
  return layout;
}

std::shared_ptr<const RubyLayout> RubyLayout::fitted(const RubyAnnotation& ruby, const RunStyle& base,
                                                     double baseWidth) const {
  auto widest = [](const RubyLayout& l) { return std::max(l.width(RubyPosition::Before), l.width(RubyPosition::After)); };
  double w = widest(*this);
  if (!ruby.scalesToFit() || !(w > baseWidth) || !(baseWidth > 0)) return nullptr;
  // Advances scale with the size, but hinting and rounding may leave the first guess a hair
  // too wide; a second step closes that.
  double factor = ruby.sizeFactor();
  std::shared_ptr<const RubyLayout> out;
  for (int step = 0; step < 2 && w > baseWidth + 1e-9; ++step) {
    factor *= baseWidth / w;
    out = make(ruby, base, factor);
    if (!out) return nullptr;
    w = widest(*out);
  }
  return out;
}

double RubyLayout::width(RubyPosition p) const {
  const Line* l = line(p);
  return l ? l->width() - l->trailingWhitespaceWidth() : 0;
}

double RubyLayout::reservedAfterBase() const {
  double room = 0;
  if (line(RubyPosition::InterCharacter)) room += height;
  if (line(RubyPosition::Inline)) room += width(RubyPosition::Inline);
  return room;
}

RubyLayout::Spacing RubyLayout::baseSpacing(const RubyAnnotation& ruby, double baseWidth, size_t clusters, bool openStart,
                                            bool openEnd) const {
  Spacing s;
  double widest = std::max(width(RubyPosition::Before), width(RubyPosition::After));
  // An annotation may reach over its neighbours by half an annotation character on each
  // side its overhang allows.
  double reach = size / 2;
  RubyOverhang o = ruby.overhang();
  double overStart = openStart && (o == RubyOverhang::Auto || o == RubyOverhang::Start) ? reach : 0;
  double overEnd = openEnd && (o == RubyOverhang::Auto || o == RubyOverhang::End) ? reach : 0;
  double extra = widest - baseWidth - overStart - overEnd;
  if (!(extra > 0) || clusters == 0) return s;
  switch (ruby.alignment()) {
    case RubyAlignment::Start: s.trail = extra; break;
    case RubyAlignment::End: s.lead = extra; break;
    case RubyAlignment::DistributeLetter:
      if (clusters > 1) s.between = extra / static_cast<double>(clusters - 1);
      else s.lead = s.trail = extra / 2;
      break;
    case RubyAlignment::DistributeSpace:
      s.between = extra / static_cast<double>(clusters);
      s.lead = s.trail = s.between / 2;
      break;
    default: s.lead = s.trail = extra / 2; break;
  }
  return s;
}

namespace {

// Where an annotation line of `width` starts over a base of [x0, x1), and the line itself
// stretched when the alignment distributes it.
Ref<Line> placed(const Line& line, double width, RubyAlignment align, double x0, double x1, bool lineStart,
                 bool lineEnd, double* x) {
  double base = x1 - x0;
  Ref<Line> out = std::const_pointer_cast<Line>(std::static_pointer_cast<const Line>(line.self()));
  if (align == RubyAlignment::LineEdge) align = lineStart ? RubyAlignment::Start : lineEnd ? RubyAlignment::End : RubyAlignment::Center;
  if (width >= base) {
    // Wider than the base: it overhangs, by its alignment.
    *x = align == RubyAlignment::Start ? x0 : align == RubyAlignment::End ? x1 - width : x0 + (base - width) / 2;
    return out;
  }
  switch (align) {
    case RubyAlignment::Start: *x = x0; break;
    case RubyAlignment::End: *x = x1 - width; break;
    case RubyAlignment::DistributeLetter:
    case RubyAlignment::DistributeSpace: {
      size_t clusters = line.caretStops().size() - 1;
      double gap = align == RubyAlignment::DistributeSpace && clusters ? (base - width) / static_cast<double>(clusters) : 0;
      *x = x0 + gap / 2;
      if (auto j = line.createJustifiedLine(1.0, base - gap)) out = j;
      else *x = x0 + (base - width) / 2;
      break;
    }
    default: *x = x0 + (base - width) / 2; break;
  }
  return out;
}

}  // namespace

void RubyLayout::draw(gfx::Context& ctx, const RubyAnnotation& ruby, double x0, double x1, double ascent,
                      double descent, bool lineStart, bool lineEnd) const {
  double reserved = reservedAfterBase();
  double baseEnd = std::max(x0, x1 - reserved);
  const gfx::AffineTransform saved = ctx.textMatrix();
  auto drawAt = [&](const Line& l, double x, double y) {
    ctx.setTextMatrix(gfx::AffineTransformIdentity);
    l.draw(ctx, {x, y});
    ctx.setTextMatrix(saved);
  };
  if (const Line* before = line(RubyPosition::Before)) {
    double x = 0;
    auto l = placed(*before, width(RubyPosition::Before), ruby.alignment(), x0, baseEnd, lineStart, lineEnd, &x);
    drawAt(*l, x, ascent + before->descent());
  }
  if (const Line* after = line(RubyPosition::After)) {
    double x = 0;
    auto l = placed(*after, width(RubyPosition::After), ruby.alignment(), x0, baseEnd, lineStart, lineEnd, &x);
    drawAt(*l, x, -descent - after->ascent());
  }
  double room = baseEnd;
  if (const Line* inter = line(RubyPosition::InterCharacter)) {
    // A column beside the base, reading down from the top of the base.
    double column = room + inter->descent();
    ctx.saveGState();
    ctx.translateCTM(column, ascent);
    ctx.rotateCTM(-M_PI / 2);
    drawAt(*inter, 0, 0);
    ctx.restoreGState();
    room += height;
  }
  if (const Line* in = line(RubyPosition::Inline)) drawAt(*in, room, 0);
}

}  // namespace typeset
