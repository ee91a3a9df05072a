#pragma once
// What a label or text view calls to restyle (or rewrite) its text whenever it changes.
#include "platform/runtime/Range.h"
#include "platform/typeset/AttributedString.h"

namespace text {

class DRTextParser {
 public:
  virtual ~DRTextParser() = default;
  /// May change attributes and characters of `text` in place; when characters change it moves
  /// `selectedRange` (may be null) so that it keeps pointing at the same text. True when the
  /// text was changed.
  virtual bool parseText(typeset::MutableAttributedString& text, rt::Range* selectedRange) = 0;
};

/// Counting helpers over `range` of `string` (tab, line feed and space are whitespace). When
/// every character of the range qualifies they answer the string's whole length, which callers
/// read as "the whole range".
size_t DRTextLeadingWhitespaceCount(const rt::String& string, rt::Range range);
size_t DRTextTrailingWhitespaceCount(const rt::String& string, rt::Range range);
size_t DRTextLeadingCharacterCount(const rt::String& string, rt::Range range, char16_t character);

}  // namespace text
