#include "platform/typeset/TextBoundaries.h"

#include <unicode/ubrk.h>

#include <algorithm>

namespace typeset {

std::vector<size_t> graphemeBoundaries(const String& text, Range range) {
  size_t n = text.length();
  size_t from = std::min<size_t>(range.location, n);
  size_t to = range.length ? std::min<size_t>(range.end(), n) : n;
  std::vector<size_t> out{from};
  if (to <= from) return out;
  text.enumerateComposedCharacterSequences(Range{from, to - from}, [&](Range r, bool&) {
    size_t end = std::min<size_t>(r.end(), to);
    if (end > out.back()) out.push_back(end);
  });
  if (out.back() != to) out.push_back(to);
  return out;
}

Range graphemeRangeAtIndex(const String& text, size_t index) { return text.rangeOfComposedCharacterSequenceAtIndex(index); }

namespace {

struct WordIterator {
  UBreakIterator* it = nullptr;
  WordIterator(const String& text, const String& locale) {
    UErrorCode st = U_ZERO_ERROR;
    std::string loc = locale.utf8();
    it = ubrk_open(UBRK_WORD, loc.c_str(), reinterpret_cast<const UChar*>(text.data()),
                   static_cast<int32_t>(text.length()), &st);
    if (U_FAILURE(st) && it) {
      ubrk_close(it);
      it = nullptr;
    }
  }
  ~WordIterator() {
    if (it) ubrk_close(it);
  }
  WordIterator(const WordIterator&) = delete;
  WordIterator& operator=(const WordIterator&) = delete;
};

}  // namespace

std::vector<size_t> wordBoundaries(const String& text, const String& locale) {
  std::vector<size_t> out;
  WordIterator w(text, locale);
  if (!w.it) return {0, text.length()};
  for (int32_t p = ubrk_first(w.it); p != UBRK_DONE; p = ubrk_next(w.it)) out.push_back(static_cast<size_t>(p));
  return out;
}

Range wordRangeAtIndex(const String& text, size_t index, const String& locale) {
  size_t n = text.length();
  if (index >= n) return Range{n, 0};
  WordIterator w(text, locale);
  if (!w.it) return Range{0, n};
  auto at = static_cast<int32_t>(index);
  int32_t start = ubrk_isBoundary(w.it, at) ? at : ubrk_preceding(w.it, at);
  if (start == UBRK_DONE) start = 0;
  int32_t end = ubrk_following(w.it, start);
  if (end == UBRK_DONE) end = static_cast<int32_t>(n);
  return Range{static_cast<uint64_t>(start), static_cast<uint64_t>(end - start)};
}

}  // namespace typeset
