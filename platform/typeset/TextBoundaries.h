#pragma once
// Caret stops and words: grapheme cluster boundaries (where a caret may stand, whatever the
// font's glyph clusters are) and word boundaries by the ICU rules of a language.
#include <vector>

#include "platform/typeset/Types.h"

namespace typeset {

/// Which side of an index a caret belongs to: the character at the index (forward) or the one
/// before it (backward). They differ at line ends and at direction boundaries.
enum class TextAffinity : uint8_t { Forward = 0, Backward = 1 };

/// The grapheme cluster boundaries within `range` (length 0: to the end), both ends included.
std::vector<size_t> graphemeBoundaries(const String& text, Range range = Range{0, 0});
/// The grapheme cluster holding `index` (empty at or past the end).
Range graphemeRangeAtIndex(const String& text, size_t index);
/// Word boundaries of the whole text by the rules of `locale` ("" for the root rules; scripts
/// written without spaces are segmented with ICU's dictionaries in any locale).
std::vector<size_t> wordBoundaries(const String& text, const String& locale = String());
/// The word (or the piece of space or punctuation between words) holding `index`; at or past
/// the end, the empty range at the end.
Range wordRangeAtIndex(const String& text, size_t index, const String& locale = String());

}  // namespace typeset
