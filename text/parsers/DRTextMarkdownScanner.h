#pragma once
// The simple markdown parser's constructs found by hand-written scanners. Each scanner gives
// exactly the matches of the construct's pattern (leftmost first, no overlaps, in order, with
// the platform regular expressions' idea of lines: anchors at line feed, carriage return,
// vertical tab, form feed, next line, line and paragraph separators), in time linear in the
// text, where the patterns run by a backtracking engine cost quadratic time on hostile input
// (long lines of unclosed markers, long runs of blank lines).
#include <cstdint>
#include <vector>

#include "platform/runtime/Range.h"

namespace text {

enum class DRTextMarkdownConstruct : uint8_t {
  Escape,          // a backslash and the markup character it escapes
  Header,          // one to six number signs and the rest of the line
  H1,              // a line underlined with equals signs
  H2,              // a line underlined with hyphens
  Breakline,       // three or more asterisks or hyphens alone on a line
  Emphasis,        // *word* or _word_
  Strong,          // **word**
  StrongEmphasis,  // ***word*** or ___word___
  Underline,       // __word__
  Strikethrough,   // ~~word~~
  InlineCode,      // one to three grave accents on each side, within a line
  Link,            // [text](target) or [text][reference], optionally image-marked
  LinkReference,   // [x]: at the start of a line
  List,            // a bullet or a number and a full stop at the start of a line
  BlockQuote,      // greater-than signs at the start of a line
  CodeBlock,       // a blank line, then indented lines and blank lines
};
inline constexpr size_t DRTextMarkdownConstructCount = 16;

class DRTextMarkdownScanner {
 public:
  /// The text is read, not copied: it must outlive the scanner.
  DRTextMarkdownScanner(const char16_t* chars, size_t length) : s_(chars), n_(length) {}

  std::vector<rt::Range> matches(DRTextMarkdownConstruct construct);

  /// The regular expression the construct's scanner follows, for the platform regular
  /// expressions; `lines` tells whether its anchors match at line boundaries.
  static const char16_t* pattern(DRTextMarkdownConstruct construct, bool* lines);

  /// Characters read so far, over every scan: the measure of the work done.
  uint64_t steps() const { return steps_; }

 private:
  char16_t at(size_t i) {
    ++steps_;
    return s_[i];
  }
  bool lineStart(size_t p);
  /// The first position at or after `from` where a match may start at a line; the text's
  /// length when there is none. The positions are found once for every construct.
  size_t nextLineStart(size_t from);
  bool lineEnd(size_t p);
  size_t skipSpacesAndTabs(size_t i);

  std::vector<rt::Range> escapes();
  std::vector<rt::Range> headers();
  std::vector<rt::Range> underlinedHeaders(char16_t marker);
  std::vector<rt::Range> breaklines();
  std::vector<rt::Range> delimited(char16_t first, char16_t second, size_t count);
  std::vector<rt::Range> inlineCodes();
  std::vector<rt::Range> links();
  std::vector<rt::Range> linkReferences();
  std::vector<rt::Range> lists();
  std::vector<rt::Range> blockQuotes();
  std::vector<rt::Range> codeBlocks();

  const char16_t* s_;
  size_t n_;
  uint64_t steps_ = 0;
  std::vector<size_t> lineStarts_;
  bool lineStartsFound_ = false;
  size_t lineCursor_ = 0;
};

}  // namespace text
