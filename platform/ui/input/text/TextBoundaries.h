#pragma once
// Where the units of a text begin and end, for each granularity: characters (grapheme
// clusters), words, sentences, paragraphs, lines and the document, from ICU's break
// iterators. A unit is what a reader would select: a word leaves out the spaces and
// punctuation around it, a sentence its trailing white space, a paragraph or line its line
// break. Lines are paragraphs unless the owner says where its layout wraps them. Every query
// is linear in the text at worst. Offsets are UTF-16 units; those outside the text answer
// nothing.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/runtime/Range.h"
#include "platform/runtime/String.h"
#include "platform/ui/input/text/TextInputTypes.h"

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class BreakIterator;
U_NAMESPACE_END

namespace ui {

class TextBoundaries {
 public:
  /// The offsets (strictly inside [start, end)) where the layout starts a new line within the
  /// paragraph [start, end).
  using LineWraps = std::function<std::vector<int64_t>(int64_t start, int64_t end)>;

  explicit TextBoundaries(rt::String text, LineWraps wraps = {});
  ~TextBoundaries();
  TextBoundaries(const TextBoundaries&) = delete;
  TextBoundaries& operator=(const TextBoundaries&) = delete;

  const rt::String& text() const { return text_; }

  /// The unit that holds the character after `p` (forward) or before it (backward).
  std::optional<rt::Range> rangeEnclosing(int64_t p, TextGranularity g, bool forward) const;
  /// Forward: a unit ends at `p`; backward: one starts there.
  bool isAtBoundary(int64_t p, TextGranularity g, bool forward) const;
  bool isWithinUnit(int64_t p, TextGranularity g, bool forward) const {
    return rangeEnclosing(p, g, forward).has_value();
  }
  /// The next unit end after `p` (forward) or the previous unit start before it (backward);
  /// the end (start) of the text when no unit is left; nothing at the end (start) itself.
  std::optional<int64_t> toBoundary(int64_t p, TextGranularity g, bool forward) const;

 private:
  struct Segment { int64_t start, end; };
  /// The segment that holds the character after (forward) or before `p`.
  std::optional<Segment> segment(int64_t p, TextGranularity g, bool forward) const;
  /// The unit inside a segment, or nothing when the segment holds none (spaces between words).
  std::optional<Segment> unitOf(Segment s, TextGranularity g) const;
  icu::BreakIterator* iterator(TextGranularity g) const;
  int64_t paragraphStart(int64_t i) const;
  int64_t paragraphEnd(int64_t i) const;
  bool isBreak(int64_t i) const;

  rt::String text_;
  LineWraps wraps_;
  mutable std::unique_ptr<icu::BreakIterator> iterators_[3];  // character, word, sentence
};

/// Storage and layout directions as forward (towards the text's end) or not.
constexpr bool isForward(TextDirection d) {
  return d == textDirection(TextStorageDirection::Forward) || d == textDirection(TextLayoutDirection::Right) ||
         d == textDirection(TextLayoutDirection::Down);
}

}  // namespace ui
