#include "text/parsers/DRTextParser.h"

namespace text {

namespace {
bool isMarkdownSpace(char16_t c) { return c == u'\t' || c == u'\n' || c == u' '; }
}  // namespace

size_t DRTextLeadingWhitespaceCount(const rt::String& string, rt::Range range) {
  for (size_t i = 0; i < range.length; i++)
    if (!isMarkdownSpace(string.characterAtIndex(range.location + i))) return i;
  return string.length();
}

size_t DRTextTrailingWhitespaceCount(const rt::String& string, rt::Range range) {
  for (size_t i = 0; i < range.length; i++)
    if (!isMarkdownSpace(string.characterAtIndex(range.location + range.length - 1 - i))) return i;
  return string.length();
}

size_t DRTextLeadingCharacterCount(const rt::String& string, rt::Range range, char16_t character) {
  for (size_t i = 0; i < range.length; i++)
    if (string.characterAtIndex(range.location + i) != character) return i;
  return string.length();
}

}  // namespace text
