#include "platform/ui/input/text/TextBoundaries.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

#include <algorithm>

namespace ui {

namespace {

bool isLineBreakUnit(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2029 || c == 0x0085; }

}  // namespace

TextBoundaries::TextBoundaries(rt::String text, LineWraps wraps) : text_(std::move(text)), wraps_(std::move(wraps)) {}
TextBoundaries::~TextBoundaries() = default;

icu::BreakIterator* TextBoundaries::iterator(TextGranularity g) const {
  int slot = g == TextGranularity::Character ? 0 : g == TextGranularity::Word ? 1 : 2;
  if (!iterators_[slot]) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale root = icu::Locale::getRoot();
    icu::BreakIterator* it = slot == 0   ? icu::BreakIterator::createCharacterInstance(root, status)
                             : slot == 1 ? icu::BreakIterator::createWordInstance(root, status)
                                         : icu::BreakIterator::createSentenceInstance(root, status);
    if (U_FAILURE(status) || !it) {
      delete it;
      return nullptr;
    }
    iterators_[slot].reset(it);
    // Handed a string object, an iterator keeps a reference to that object, not only to its
    // characters: it reads a text over the characters, which live as long as this object.
    UText chars = UTEXT_INITIALIZER;
    utext_openUChars(&chars, reinterpret_cast<const UChar*>(text_.data()), static_cast<int64_t>(text_.length()),
                     &status);
    iterators_[slot]->setText(&chars, status);
    utext_close(&chars);
    if (U_FAILURE(status)) {
      iterators_[slot].reset();
      return nullptr;
    }
  }
  return iterators_[slot].get();
}

bool TextBoundaries::isBreak(int64_t i) const { return isLineBreakUnit(text_[static_cast<size_t>(i)]); }

int64_t TextBoundaries::paragraphStart(int64_t i) const {
  while (i > 0 && !isBreak(i - 1)) --i;
  return i;
}

int64_t TextBoundaries::paragraphEnd(int64_t i) const {
  int64_t n = static_cast<int64_t>(text_.length());
  while (i < n && !isBreak(i)) ++i;
  if (i < n) {
    // CR LF ends a paragraph as one break.
    if (text_[static_cast<size_t>(i)] == u'\r' && i + 1 < n && text_[static_cast<size_t>(i + 1)] == u'\n') ++i;
    ++i;
  }
  return i;
}

std::optional<TextBoundaries::Segment> TextBoundaries::segment(int64_t p, TextGranularity g, bool forward) const {
  int64_t n = static_cast<int64_t>(text_.length());
  if (p < 0 || p > n) return std::nullopt;
  if (forward ? p >= n : p <= 0) return std::nullopt;
  switch (g) {
    case TextGranularity::Document: return Segment{0, n};
    case TextGranularity::Paragraph:
    case TextGranularity::Line: {
      int64_t at = forward ? p : p - 1;
      // Inside a CR LF pair the pair belongs to the paragraph it ends.
      if (at > 0 && text_[static_cast<size_t>(at)] == u'\n' && text_[static_cast<size_t>(at - 1)] == u'\r') --at;
      Segment s{paragraphStart(at), paragraphEnd(at)};
      if (g == TextGranularity::Paragraph || !wraps_) return s;
      std::vector<int64_t> cuts = wraps_(s.start, s.end);
      std::sort(cuts.begin(), cuts.end());
      for (int64_t c : cuts) {
        if (c <= s.start || c >= s.end) continue;
        if (c <= at) s.start = c;
        else {
          s.end = c;
          break;
        }
      }
      return s;
    }
    default: {
      icu::BreakIterator* it = iterator(g);
      if (!it) return std::nullopt;
      int32_t at = static_cast<int32_t>(p);
      if (forward) {
        int32_t a = it->isBoundary(at) ? at : it->preceding(at);
        int32_t b = it->following(at);
        if (a == icu::BreakIterator::DONE) a = 0;
        if (b == icu::BreakIterator::DONE) b = static_cast<int32_t>(n);
        return Segment{a, b};
      }
      int32_t a = it->preceding(at);
      if (a == icu::BreakIterator::DONE) a = 0;
      int32_t b = it->following(a);
      if (b == icu::BreakIterator::DONE) b = static_cast<int32_t>(n);
      return Segment{a, b};
    }
  }
}

std::optional<TextBoundaries::Segment> TextBoundaries::unitOf(Segment s, TextGranularity g) const {
  switch (g) {
    case TextGranularity::Word: {
      icu::BreakIterator* it = iterator(g);
      // The rule status belongs to the boundary that ends the segment.
      if (!it || it->following(static_cast<int32_t>(s.start)) != s.end) return std::nullopt;
      if (it->getRuleStatus() < UBRK_WORD_NONE_LIMIT) return std::nullopt;
      return s;
    }
    case TextGranularity::Sentence: {
      while (s.end > s.start && u_isUWhiteSpace(text_[static_cast<size_t>(s.end - 1)])) --s.end;
      break;
    }
    case TextGranularity::Paragraph:
    case TextGranularity::Line: {
      while (s.end > s.start && isBreak(s.end - 1)) --s.end;
      break;
    }
    default: break;
  }
  if (s.end <= s.start) return std::nullopt;
  return s;
}

std::optional<rt::Range> TextBoundaries::rangeEnclosing(int64_t p, TextGranularity g, bool forward) const {
  auto s = segment(p, g, forward);
  if (!s) return std::nullopt;
  auto u = unitOf(*s, g);
  if (!u) return std::nullopt;
  bool holds = forward ? (u->start <= p && p < u->end) : (u->start < p && p <= u->end);
  if (!holds) return std::nullopt;
  return rt::Range{static_cast<uint64_t>(u->start), static_cast<uint64_t>(u->end - u->start)};
}

bool TextBoundaries::isAtBoundary(int64_t p, TextGranularity g, bool forward) const {
  // Forward: the unit before p ends here; backward: the unit after p starts here.
  auto s = segment(p, g, !forward);
  if (!s) return false;
  auto u = unitOf(*s, g);
  return u && (forward ? u->end == p : u->start == p);
}

std::optional<int64_t> TextBoundaries::toBoundary(int64_t p, TextGranularity g, bool forward) const {
  int64_t n = static_cast<int64_t>(text_.length());
  if (p < 0 || p > n) return std::nullopt;
  if (forward ? p == n : p == 0) return std::nullopt;
  int64_t q = p;
  while (auto s = segment(q, g, forward)) {
    if (auto u = unitOf(*s, g)) {
      if (forward && u->end > p) return u->end;
      if (!forward && u->start < p) return u->start;
    }
    int64_t next = forward ? s->end : s->start;
    if (next == q) break;  // no progress: stop rather than spin
    q = next;
  }
  return forward ? n : 0;
}

}  // namespace ui
