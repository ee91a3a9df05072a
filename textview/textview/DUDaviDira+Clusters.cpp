// Characters as a reader sees them (grapheme clusters) stay whole: every offset the view keeps
// stands between two of them, every replaced range covers whole ones, and no text the view
// takes in holds half a surrogate pair. One rule places an offset that falls inside a cluster:
// a range's start goes back to the cluster's start and its end on to the cluster's end, so a
// range covers every cluster it touches; a caret goes on to the end of its cluster, after what
// was just typed into it. Moves by a count or a direction go to the side they move towards.
#include <algorithm>

#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The offsets of the units that are half of no pair.
std::vector<size_t> loneSurrogates(const rt::String& s) {
  std::vector<size_t> lone;
  const size_t n = s.length();
  for (size_t i = 0; i < n; ++i) {
    char16_t c = s[i];
    if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(s[i + 1])) {
      ++i;
    } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
      lone.push_back(i);
    }
  }
  return lone;
}

constexpr char16_t kReplacementCharacter = 0xFFFD;

}  // namespace

rt::String DUDaviDira::withoutLoneSurrogates(const rt::String& string) {
  auto lone = loneSurrogates(string);
  if (lone.empty()) return string;
  std::u16string units = string.toU16();
  for (size_t i : lone) units[i] = kReplacementCharacter;
  return rt::String(std::u16string_view(units));
}

void DUDaviDira::replaceLoneSurrogates(typeset::MutableAttributedString& text) {
  // One unit for one unit: the attributes stay where they were.
  for (size_t i : loneSurrogates(text.string()))
    text.replaceCharactersInRange({i, 1}, rt::String::fromCodePoint(kReplacementCharacter));
}

bool DUDaviDira::isNoRange(rt::Range range) {
  return !range.found() || range.length > rt::NotFound - range.location;
}

bool DUDaviDira::isNoRange(const ui::TextRange& range) {
  // What a not-found range turns into: an end at the not-found offset, or ends out of order.
  constexpr auto notFound = static_cast<int64_t>(rt::NotFound);
  const int64_t start = range.start()->offset(), end = range.end()->offset();
  return start == notFound || end == notFound || start > end;
}

uint64_t DUDaviDira::clusterStartAtOrBefore(const rt::String& s, uint64_t offset) {
  if (offset == 0 || offset >= s.length()) return std::min<uint64_t>(offset, s.length());
  return s.rangeOfComposedCharacterSequenceAtIndex(offset).location;
}

uint64_t DUDaviDira::clusterEndAtOrAfter(const rt::String& s, uint64_t offset) {
  if (offset == 0 || offset >= s.length()) return std::min<uint64_t>(offset, s.length());
  rt::Range cluster = s.rangeOfComposedCharacterSequenceAtIndex(offset);
  return cluster.location < offset ? cluster.end() : offset;
}

rt::Range DUDaviDira::clusterAlignedRange(const rt::String& s, rt::Range range) {
  const uint64_t length = s.length();
  uint64_t start = std::min(range.location, length);
  uint64_t end = range.length > length - start ? length : start + range.length;
  if (start == end) {
    start = end = clusterEndAtOrAfter(s, start);
  } else {
    start = clusterStartAtOrBefore(s, start);
    end = clusterEndAtOrAfter(s, end);
  }
  return {start, end - start};
}

rt::Range DUDaviDira::clusterAlignedRange(rt::Range range) const {
  return clusterAlignedRange(innerText_->string(), range);
}

Ref<text::DRTextRange> DUDaviDira::clusterAlignedTextRange(const Ref<text::DRTextRange>& range) const {
  if (!range) return nullptr;
  rt::Range given = range->asRange();
  rt::Range aligned = clusterAlignedRange(given);
  return aligned == given ? range : text::DRTextRange::rangeWithRange(aligned);
}

rt::Range DUDaviDira::clusterBeforeCaret(uint64_t caret) const {
  if (caret == 0) return {0, 0};
  return innerText_->string().rangeOfComposedCharacterSequenceAtIndex(caret - 1);
}

}  // namespace textview
