#pragma once
// Where Latin words may be hyphenated, from the system's hyphenation pattern dictionaries.
#include <vector>

#include "platform/runtime/String.h"

namespace typeset {

/// Letters of words the patterns cover: ASCII and Latin-1 letters.
bool isHyphenatableLetter(char16_t c);

/// Offsets inside `word` (UTF-16, 1..length-1) before which a hyphenated break may fall, in
/// ascending order; at least two letters stay on either side. `language` picks the patterns
/// ("en-US", "de", ...); unknown languages and words with other characters give none. Thread-safe.
std::vector<size_t> hyphenationPoints(const rt::String& word, const rt::String& language);

}  // namespace typeset
