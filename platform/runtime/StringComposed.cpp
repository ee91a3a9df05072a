// Composed character sequences: extended grapheme clusters found by ICU's character break
// iterator, with a shortcut for text that cannot combine.
#include <unicode/ubrk.h>

#include <algorithm>

#include "platform/runtime/String.h"

namespace rt {
namespace {

// Below U+0300 nothing extends, joins or prepends, so such a unit is a sequence of its own
// unless it is half of CR LF.
constexpr char16_t kFirstCombining = 0x300;

bool standsAlone(std::u16string_view v, size_t i) {
  char16_t c = v[i];
  if (c >= kFirstCombining) return false;
  if (i + 1 < v.size() && (v[i + 1] >= kFirstCombining || (c == '\r' && v[i + 1] == '\n'))) return false;
  if (i > 0 && (v[i - 1] >= kFirstCombining || (c == '\n' && v[i - 1] == '\r'))) return false;
  return true;
}

// One character break iterator per thread, pointed at the text for the duration of a call.
class Breaker {
 public:
  ~Breaker() {
    if (it_) ubrk_close(it_);
  }
  UBreakIterator* on(std::u16string_view v) {
    UErrorCode e = U_ZERO_ERROR;
    if (!it_) it_ = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &e);
    if (!it_) return nullptr;
    e = U_ZERO_ERROR;
    ubrk_setText(it_, reinterpret_cast<const UChar*>(v.data()), static_cast<int32_t>(v.size()), &e);
    return U_SUCCESS(e) ? it_ : nullptr;
  }

 private:
  UBreakIterator* it_ = nullptr;
};

thread_local Breaker breaker;

// End of the sequence that starts at boundary i.
size_t sequenceEnd(UBreakIterator* it, std::u16string_view v, size_t i) {
  if (standsAlone(v, i) || !it) return i + 1;
  int32_t next = ubrk_following(it, static_cast<int32_t>(i));
  return next == UBRK_DONE ? v.size() : static_cast<size_t>(next);
}

Range sequenceAt(std::u16string_view v, size_t i) {
  if (standsAlone(v, i)) return Range{i, 1};
  UBreakIterator* it = breaker.on(v);
  if (!it) return Range{i, 1};
  // ICU moves an index inside a surrogate pair back, then looks strictly before it; start
  // from the code point's first unit instead.
  if (i > 0 && v[i] >= 0xDC00 && v[i] <= 0xDFFF && v[i - 1] >= 0xD800 && v[i - 1] <= 0xDBFF) --i;
  int32_t at = static_cast<int32_t>(i);
  int32_t start = ubrk_isBoundary(it, at) ? at : ubrk_preceding(it, at);
  if (start == UBRK_DONE) start = 0;
  int32_t end = ubrk_following(it, start);
  if (end == UBRK_DONE) end = static_cast<int32_t>(v.size());
  return Range{static_cast<uint64_t>(start), static_cast<uint64_t>(end - start)};
}

}  // namespace

Range String::rangeOfComposedCharacterSequenceAtIndex(size_t i) const {
  if (i >= length()) return Range{length(), 0};
  return sequenceAt(view(), i);
}

Range String::rangeOfComposedCharacterSequencesForRange(Range r) const {
  size_t n = length();
  size_t from = std::min<size_t>(r.location, n);
  size_t to = from + std::min<size_t>(r.length, n - from);
  size_t start = from < n ? sequenceAt(view(), from).location : n;
  size_t end = to > from ? sequenceAt(view(), to - 1).end() : start;
  return Range{start, end - start};
}

void String::enumerateComposedCharacterSequences(Range r, const std::function<void(Range, bool&)>& body) const {
  Range all = rangeOfComposedCharacterSequencesForRange(r);
  std::u16string_view v = view();
  // Ranges are gathered a batch at a time so that the body may use composed-sequence calls
  // of its own (which re-point this thread's iterator).
  Range batch[64];
  size_t i = all.location;
  bool stop = false;
  while (i < all.end() && !stop) {
    size_t count = 0;
    UBreakIterator* it = nullptr;
    while (i < all.end() && count < 64) {
      if (!it && !standsAlone(v, i)) it = breaker.on(v);
      size_t end = std::min<size_t>(sequenceEnd(it, v, i), all.end());
      batch[count++] = Range{i, end - i};
      i = end;
    }
    for (size_t k = 0; k < count && !stop; ++k) body(batch[k], stop);
  }
}

size_t String::composedCharacterCount() const {
  std::u16string_view v = view();
  size_t count = 0;
  UBreakIterator* it = nullptr;
  for (size_t i = 0; i < v.size(); ++count) {
    if (!it && !standsAlone(v, i)) it = breaker.on(v);
    i = sequenceEnd(it, v, i);
  }
  return count;
}

}  // namespace rt
