#include "platform/typeset/Typesetter.h"

#include <unicode/ubrk.h>

#include <mutex>

#include "platform/typeset/Hyphenator.h"

namespace typeset {

RT_IMPLEMENT_PLATFORM(Typesetter) {}

// ICU iterators are stateful: one per typesetter, used under a lock.
struct Typesetter::Breaker {
  std::mutex mutex;
  UBreakIterator* line = nullptr;
  ~Breaker() {
    if (line) ubrk_close(line);
  }
};

namespace {
constexpr double kSlack = 1e-6;
// Unified ideographs (and extension A): line break class ID.
bool isIdeograph(char16_t c) { return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF); }
// Full-width comma, stops and exclamation/question marks: they never start a line, and a line
// may always start after them.
bool isCjkClosing(char16_t c) { return c == 0x3001 || c == 0x3002 || c == 0xFF0C || c == 0xFF01 || c == 0xFF1F; }
bool isAsciiAlnum(char16_t c) { return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z'); }
}  // namespace

void Typesetter::init(const AttributedString& string) {
  text_ = ShapedText::build(string);
  breaker_ = std::make_shared<Breaker>();
  // Opening an iterator loads its rules; cloning a prototype is much cheaper.
  static UBreakIterator* prototype = [] {
    UErrorCode st = U_ZERO_ERROR;
    UBreakIterator* bi = ubrk_open(UBRK_LINE, "", nullptr, 0, &st);
    return U_SUCCESS(st) ? bi : nullptr;
  }();
  static std::mutex prototypeMutex;
  UErrorCode status = U_ZERO_ERROR;
  {
    std::lock_guard lock(prototypeMutex);
    breaker_->line = prototype ? ubrk_clone(prototype, &status) : nullptr;
  }
  if (breaker_->line) ubrk_setText(breaker_->line, reinterpret_cast<const UChar*>(text_->text.data()),
                                   static_cast<int32_t>(text_->length()), &status);
  if (U_FAILURE(status) && breaker_->line) {
    ubrk_close(breaker_->line);
    breaker_->line = nullptr;
  }
}

// A unit's width at pen position `x`; tabs of left-to-right paragraphs reach their stop, in a
// row or down a column alike.
double Typesetter::advanceAt(size_t index, double x, double offset) const {
  const ShapedText& t = *text_;
  if (t.text[index] != u'\t' || t.paragraphIsRightToLeft(index)) return t.advances[index];
  return t.tabAdvance(index, offset + x);
}

size_t Typesetter::clusterFit(size_t start, size_t limit, double width, double offset) const {
  const ShapedText& t = *text_;
  size_t i = start, fit = start;
  double w = 0;
  while (i < limit) {
    Range r = t.text.rangeOfComposedCharacterSequenceAtIndex(i);
    double cw = 0;
    for (uint64_t k = r.location; k < r.end(); ++k) cw += advanceAt(k, w + cw, offset);
    bool space = isWhiteSpace(t.text[i]);
    if (!space && w + cw > width + kSlack) break;
    w += cw;
    i = static_cast<size_t>(r.end());
    fit = i;
    if (isLineSeparator(t.text[r.location])) {
      if (t.text[r.location] == u'\r' && i < limit && t.text[i] == u'\n') fit = ++i;
      break;
    }
  }
  if (fit == start && start < limit) fit = static_cast<size_t>(t.text.rangeOfComposedCharacterSequenceAtIndex(start).end());
  return fit - start;
}

size_t Typesetter::suggestClusterBreak(size_t start, double width, double offset) const {
  if (start >= length()) return 0;
  return clusterFit(start, text_->paragraphEndAt(start), width, offset);
}

size_t Typesetter::suggestLineBreak(size_t start, double width, double offset) const {
  return hyphenatedBreak(start, wordBreak(start, width, offset), width);
}

// A break inside the next word, at a hyphenation point, when the line broken before that word
// is filled to less than the paragraph's hyphenation factor.
size_t Typesetter::hyphenatedBreak(size_t start, size_t count, double width) const {
  const ShapedText& t = *text_;
  size_t end = start + count, n = length();
  if (end >= n || end == start || !isHyphenatableLetter(t.text[end]) || isHyphenatableLetter(t.text[end - 1]))
    return count;
  const RunStyle& style = t.styleAt(end);
  float factor = t.styleAt(start).paragraphStyle().hyphenationFactor();
  if (factor <= 0 || width <= 0) return count;
  double pen = 0;
  for (size_t i = start; i < end; ++i) pen += t.advances[i];
  double visible = pen;
  for (size_t i = end; i > start && isWhiteSpace(t.text[i - 1]); --i) visible -= t.advances[i - 1];
  if (visible / width >= factor) return count;
  size_t wordEnd = end;
  while (wordEnd < n && isHyphenatableLetter(t.text[wordEnd])) ++wordEnd;
  auto points = hyphenationPoints(t.text.substring(end, wordEnd - end), style.language);
  double hyphen = style.font->advanceForGlyph(style.font->glyphForCharacter(U'-'));
  for (size_t k = points.size(); k-- > 0;) {
    double w = pen + hyphen;
    for (size_t i = end; i < end + points[k]; ++i) w += t.advances[i];
    if (w <= width + kSlack) return end + points[k] - start;
  }
  return count;
}

size_t Typesetter::wordBreak(size_t start, double width, double offset) const {
  size_t n = length();
  if (start >= n) return 0;
  const ShapedText& t = *text_;
  size_t paraEnd = t.paragraphEndAt(start);
  // The first character that no longer fits; white space never overflows a line.
  const char16_t* d = t.text.data();
  const double* advances = t.advances.data();
  const double limit = width + kSlack;
  const bool tabs = t.hasTabs;
  double w = 0;
  size_t overflow = paraEnd;
  for (size_t i = start; i < paraEnd; ++i) {
    w += tabs && d[i] == u'\t' ? advanceAt(i, w, offset) : advances[i];
    if (w > limit && !isWhiteSpace(d[i])) {
      overflow = i;
      break;
    }
  }
  if (overflow == paraEnd) return paraEnd - start;
  // Before an ideograph the rules allow a break after another ideograph, after closing
  // punctuation and after spaces that follow no opening bracket; the iterator is not needed.
  if (overflow > start && isIdeograph(t.text[overflow])) {
    char16_t before = t.text[overflow - 1];
    if (isIdeograph(before) || isCjkClosing(before)) return overflow - start;
    size_t spaces = overflow;
    while (spaces > start && t.text[spaces - 1] == u' ') --spaces;
    if (spaces < overflow && spaces > start) {
      char16_t c = t.text[spaces - 1];
      if (isAsciiAlnum(c) || c == u'.' || c == u',' || isIdeograph(c) || isCjkClosing(c)) return overflow - start;
    }
  }
  // Closing punctuation after two ideographs moves to the next line with the last of them.
  if (overflow > start + 1 && isCjkClosing(t.text[overflow]) && isIdeograph(t.text[overflow - 1]) &&
      isIdeograph(t.text[overflow - 2]))
    return overflow - 1 - start;
  // Inside a word of ASCII letters and digits there is no opportunity; after the spaces before
  // it there is one, unless an opening bracket precedes those spaces.
  if (isAsciiAlnum(t.text[overflow])) {
    size_t word = overflow;
    while (word > start && isAsciiAlnum(t.text[word - 1])) --word;
    size_t spaces = word;
    while (spaces > start && t.text[spaces - 1] == u' ') --spaces;
    if (spaces < word && spaces > start) {
      char16_t before = t.text[spaces - 1];
      if (before != u'(' && before != u'[' && before != u'{') return word - start;
    }
    if (spaces == word && word > start && isCjkClosing(t.text[word - 1])) return word - start;
  }
  if (!breaker_->line) return clusterFit(start, paraEnd, width, offset);
  // The last opportunity at or before the overflowing character. Asking for the one before
  // overflow + 1 would start inside a surrogate pair and step back over a break before it.
  int32_t b;
  {
    std::lock_guard lock(breaker_->mutex);
    auto at = static_cast<int32_t>(overflow);
    b = ubrk_isBoundary(breaker_->line, at) ? at : ubrk_preceding(breaker_->line, at);
  }
  if (b == UBRK_DONE || static_cast<size_t>(b) <= start) {
    // A single word wider than the line: break it by clusters. The cut comes before the
    // overflowing character, so the word's end need not be looked for (in a huge unbroken
    // word that search would read the rest of the text for every line).
    return clusterFit(start, paraEnd, width, offset);
  }
  return static_cast<size_t>(b) - start;
}

Ref<Line> Typesetter::createLine(Range range, double offset) const {
  if (range.length == 0) range.length = range.location < length() ? length() - range.location : 0;
  Ref<Line> line = Line::create(text_, range, offset);
  // A line that ends inside a word of a hyphenating paragraph shows the hyphen.
  const ShapedText& t = *text_;
  size_t end = range.end();
  if (end > range.location && end < length() && isHyphenatableLetter(t.text[end - 1]) &&
      isHyphenatableLetter(t.text[end]) && t.styleAt(range.location).paragraphStyle().hyphenationFactor() > 0) {
    auto hyphen = AttributedString::create(String(u"-"), t.styleAt(end - 1).attributes);
    line = line->createLineAppending(Line::createWithAttributedString(*hyphen));
  }
  return line;
}

}  // namespace typeset
