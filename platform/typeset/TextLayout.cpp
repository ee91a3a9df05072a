#include "platform/typeset/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace typeset {

namespace {

constexpr double kSlack = 1e-6;

double lineHeightFor(double ascent, double descent, double leading, const ParagraphStyle& ps, bool includeLeading) {
  double h = ascent + descent + (includeLeading ? leading : 0);
  if (ps.lineHeightMultiple() > 0) h *= ps.lineHeightMultiple();
  if (ps.minimumLineHeight() > 0) h = std::max(h, ps.minimumLineHeight());
  if (ps.maximumLineHeight() > 0) h = std::min(h, ps.maximumLineHeight());
  return h;
}

bool truncating(LineBreakMode m) {
  return m == LineBreakMode::ByTruncatingHead || m == LineBreakMode::ByTruncatingTail ||
         m == LineBreakMode::ByTruncatingMiddle;
}

TruncationType truncationFor(LineBreakMode m) {
  if (m == LineBreakMode::ByTruncatingHead) return TruncationType::Start;
  if (m == LineBreakMode::ByTruncatingMiddle) return TruncationType::Middle;
  return TruncationType::End;
}

}  // namespace

Ref<Line> truncationToken(const ShapedText& text, size_t index) {
  const RunStyle& style = text.styleAt(std::min(index, text.length() ? text.length() - 1 : 0));
  return Line::createWithAttributedString(*AttributedString::create(String(u"\u2026"), style.attributes));
}

TextLayoutResult layOutText(const Typesetter& ts, Range range, const LayoutOptions& o) {
  TextLayoutResult result;
  const ShapedText& text = *ts.shapedText();
  size_t n = text.length();
  size_t pos = std::min<size_t>(range.location, n);
  size_t end = range.length ? std::min<size_t>(range.end(), n) : n;
  double limit = o.height > 0 ? o.height : HUGE_VAL;
  double top = 0;
  bool paragraphStart = pos == 0 || isLineSeparator(text.text[pos - 1]);
  int64_t guard = 0;
  while (pos < end) {
    const ParagraphStyle& ps = text.styleAt(pos).paragraphStyle();
    const Font& font = *text.styleAt(pos).font;
    if (paragraphStart && !result.lines.empty()) top += ps.paragraphSpacingBefore();
    double estimate = lineHeightFor(font.ascent(), font.descent(), font.leading(), ps, o.includeLeading);
    if (top + estimate > limit + kSlack && !result.lines.empty()) break;
    if (top > limit + kSlack) break;
    std::vector<Span> spans = o.spans ? o.spans(top, top + estimate) : std::vector<Span>{{0, o.width}};
    if (spans.empty()) {
      top += std::max(estimate, 1.0);
      if (++guard > 100000) break;
      continue;
    }
    double bandHeight = 0;
    bool stop = false;
    bool endsParagraph = false;
    for (const Span& span : spans) {
      if (pos >= end) break;
      bool lastAllowed = o.maximumLines > 0 && static_cast<int64_t>(result.lines.size()) + 1 >= o.maximumLines;
      bool rtl = text.paragraphIsRightToLeft(pos);
      double indent = paragraphStart ? ps.firstLineHeadIndent() : ps.headIndent();
      double spanWidth = span.right - span.left;
      double tail = ps.tailIndent() > 0 ? spanWidth - ps.tailIndent() : -ps.tailIndent();
      double left = span.left + (rtl ? tail : indent);
      double width = std::max(0.0, spanWidth - indent - tail);
      LineBreakMode mode = ps.lineBreakMode();
      size_t paraEnd = std::min(text.paragraphEndAt(pos), end);
      size_t count;
      bool oneLine = o.typesetterSemantics && (truncating(mode) || mode == LineBreakMode::ByClipping);
      if (oneLine)
        count = paraEnd - pos;
      else if (mode == LineBreakMode::ByCharWrapping)
        count = ts.suggestClusterBreak(pos, width, indent);
      else
        count = ts.suggestLineBreak(pos, width, indent);
      count = std::max<size_t>(1, std::min(count, end - pos));
      Ref<Line> line = ts.createLine(Range{pos, count}, indent);
      double h = lineHeightFor(line->ascent(), line->descent(), line->leading(), ps, o.includeLeading);
      if (top + h > limit + kSlack && !result.lines.empty()) {
        stop = true;
        break;
      }
      bool textRemains = pos + count < end;
      bool lastVisible = lastAllowed || top + h + std::max(estimate, h) + ps.lineSpacing() > limit + kSlack;
      if (oneLine && truncating(mode)) {
        if (auto t = line->createTruncatedLine(width, truncationFor(mode), truncationToken(text, paraEnd - 1))) line = t;
      } else if (o.truncateLastLine && lastVisible && textRemains) {
        // The rest of the paragraph is set on this line and cut to the width with a token.
        size_t rest = paraEnd - pos;
        Ref<Line> full = ts.createLine(Range{pos, rest}, indent);
        LineBreakMode m = truncating(mode) ? mode : LineBreakMode::ByTruncatingTail;
        if (auto cut = full->createTruncatedLine(width, truncationFor(m), truncationToken(text, paraEnd - 1))) {
          line = cut;
          count = rest;
        }
      }
      double visibleWidth = line->width() - line->trailingWhitespaceWidth();
      size_t lineEnd = pos + count;
      endsParagraph = lineEnd >= n || isLineSeparator(text.text[lineEnd - 1]);
      double flush = 0;
      TextAlignment align = ps.alignment();
      if (align == TextAlignment::Natural) align = rtl ? TextAlignment::Right : TextAlignment::Left;
      if (align == TextAlignment::Justified) {
        if (!endsParagraph && !oneLine)
          if (auto j = line->createJustifiedLine(1.0, width)) {
            line = j;
            visibleWidth = line->width() - line->trailingWhitespaceWidth();
          }
        if (rtl) flush = 1;
      } else if (align == TextAlignment::Center) {
        flush = 0.5;
      } else if (align == TextAlignment::Right) {
        flush = 1;
      }
      double x = left + (visibleWidth < width ? (width - visibleWidth) * flush : 0);
      PlacedLine placed;
      placed.line = line;
      placed.x = x;
      placed.top = top;
      placed.height = h;
      placed.baseline = top + h - line->descent() - (o.includeLeading ? line->leading() : 0);
      if (placed.baseline < top + line->ascent() && ps.maximumLineHeight() <= 0) placed.baseline = top + line->ascent();
      result.lines.push_back(placed);
      result.usedWidth = std::max(result.usedWidth, (rtl ? span.right - (x - span.left) : x) + visibleWidth);
      result.usedHeight = top + h;
      bandHeight = std::max(bandHeight, h);
      pos = lineEnd;
      paragraphStart = endsParagraph;
      if (lastAllowed) {
        stop = true;
        break;
      }
    }
    if (stop) break;
    top += bandHeight + ps.lineSpacing() + (paragraphStart ? ps.paragraphSpacing() : 0);
  }
  result.end = pos;
  return result;
}

}  // namespace typeset
