#include "text/parsers/DRTextMarkdownScanner.h"

#include <algorithm>

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace text {

using rt::Range;

namespace {

constexpr size_t kNone = SIZE_MAX;

bool isLineTerminator(char16_t c) {
  return (c >= 0x0a && c <= 0x0d) || c == 0x85 || c == 0x2028 || c == 0x2029;
}
bool isSpaceOrTab(char16_t c) { return c == u' ' || c == u'\t'; }
bool isWhiteSpace(char16_t c) {
  if (c < 0x80) return c == u' ' || (c >= 0x09 && c <= 0x0d);
  return u_isUWhiteSpace(c);
}
bool isEscapable(char16_t c) {
  switch (c) {
    case u'\\': case u'`': case u'*': case u'_': case u'(': case u')':
    case u'[': case u']': case u'#': case u'+': case u'-': case u'!':
      return true;
    default:
      return false;
  }
}

}  // namespace

// Where a match may start at a line: the text's start, or just after a line terminator, but not
// at the end nor between a carriage return and its line feed.
bool DRTextMarkdownScanner::lineStart(size_t p) {
  if (p == 0) return true;
  if (p >= n_) return false;
  char16_t before = at(p - 1);
  return isLineTerminator(before) && !(before == u'\r' && at(p) == u'\n');
}

// End of a line: the text's end, or just before a line terminator other than the line feed of
// a carriage return and line feed pair.
bool DRTextMarkdownScanner::lineEnd(size_t p) {
  if (p >= n_) return true;
  char16_t c = at(p);
  if (!isLineTerminator(c)) return false;
  return !(c == u'\n' && p > 0 && at(p - 1) == u'\r');
}

size_t DRTextMarkdownScanner::nextLineStart(size_t from) {
  if (!lineStartsFound_) {
    lineStartsFound_ = true;
    for (size_t p = 0; p < n_; p++)
      if (lineStart(p)) lineStarts_.push_back(p);
  }
  // A scan asks in increasing order: walk on from the last answer, searching only when a new
  // scan starts over.
  if (lineCursor_ > 0 && lineCursor_ <= lineStarts_.size() && lineStarts_[lineCursor_ - 1] >= from)
    lineCursor_ = size_t(std::lower_bound(lineStarts_.begin(), lineStarts_.end(), from) - lineStarts_.begin());
  while (lineCursor_ < lineStarts_.size() && lineStarts_[lineCursor_] < from) lineCursor_++;
  return lineCursor_ < lineStarts_.size() ? lineStarts_[lineCursor_] : n_;
}

size_t DRTextMarkdownScanner::skipSpacesAndTabs(size_t i) {
  while (i < n_ && isSpaceOrTab(at(i))) i++;
  return i;
}

const char16_t* DRTextMarkdownScanner::pattern(DRTextMarkdownConstruct construct, bool* lines) {
  struct Entry {
    const char16_t* pattern;
    bool lines;
  };
  static const Entry entries[] = {
      {uR"re((\\\\|\\\`|\\\*|\\\_|\\\(|\\\)|\\\[|\\\]|\\#|\\\+|\\\-|\\\!))re", false},
      {uR"re(^((\#{1,6}[^#].*)|(\#{6}.+))$)re", true},
      {u"^[^=\\n][^\\n]*\\n=+$", true},
      {u"^[^-\\n][^\\n]*\\n-+$", true},
      {uR"re(^[ \t]*([*-])[ \t]*((\1)[ \t]*){2,}[ \t]*$)re", true},
      {uR"re(((?<!\*)\*(?=[^ \t*])(.+?)(?<=[^ \t*])\*(?!\*)|(?<!_)_(?=[^ \t_])(.+?)(?<=[^ \t_])_(?!_)))re", false},
      {uR"re((?<!\*)\*{2}(?=[^ \t*])(.+?)(?<=[^ \t*])\*{2}(?!\*))re", false},
      {uR"re(((?<!\*)\*{3}(?=[^ \t*])(.+?)(?<=[^ \t*])\*{3}(?!\*)|(?<!_)_{3}(?=[^ \t_])(.+?)(?<=[^ \t_])_{3}(?!_)))re", false},
      {uR"re((?<!_)__(?=[^ \t_])(.+?)(?<=[^ \t_])\__(?!_))re", false},
      {uR"re((?<!~)~~(?=[^ \t~])(.+?)(?<=[^ \t~])\~~(?!~))re", false},
      // A real line feed inside the class: code spans end at a line break.
      {u"(?<!`)(`{1,3})([^`\n]+?)\\1(?!`)", false},
      {uR"re(!?\[([^\[\]]+)\](\(([^\(\)]+)\)|\[([^\[\]]+)\]))re", false},
      {uR"re(^[ \t]*\[[^\[\]]\]:)re", true},
      {uR"re(^[ \t]*([*+-]|\d+[.])[ \t]+)re", true},
      {uR"re(^[ \t]*>[ \t>]*)re", true},
      {uR"re((^\s*$\n)((( {4}|\t).*(\n|\z))|(^\s*$\n))+)re", true},
  };
  static_assert(std::size(entries) == DRTextMarkdownConstructCount);
  const Entry& e = entries[static_cast<size_t>(construct)];
  if (lines) *lines = e.lines;
  return e.pattern;
}

std::vector<Range> DRTextMarkdownScanner::matches(DRTextMarkdownConstruct construct) {
  using C = DRTextMarkdownConstruct;
  switch (construct) {
    case C::Escape: return escapes();
    case C::Header: return headers();
    case C::H1: return underlinedHeaders(u'=');
    case C::H2: return underlinedHeaders(u'-');
    case C::Breakline: return breaklines();
    case C::Emphasis: return delimited(u'*', u'_', 1);
    case C::Strong: return delimited(u'*', 0, 2);
    case C::StrongEmphasis: return delimited(u'*', u'_', 3);
    case C::Underline: return delimited(u'_', 0, 2);
    case C::Strikethrough: return delimited(u'~', 0, 2);
    case C::InlineCode: return inlineCodes();
    case C::Link: return links();
    case C::LinkReference: return linkReferences();
    case C::List: return lists();
    case C::BlockQuote: return blockQuotes();
    case C::CodeBlock: return codeBlocks();
  }
  return {};
}

std::vector<Range> DRTextMarkdownScanner::escapes() {
  std::vector<Range> out;
  for (size_t i = 0; i + 1 < n_;) {
    if (at(i) == u'\\' && isEscapable(at(i + 1))) {
      out.push_back({i, 2});
      i += 2;
    } else {
      i++;
    }
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::headers() {
  std::vector<Range> out;
  // The rest of the line from `from`: where it ends, when that is a line end.
  auto restOfLine = [&](size_t from, size_t* end) {
    size_t m = from;
    while (m < n_ && !isLineTerminator(at(m))) m++;
    *end = m;
    return lineEnd(m);
  };
  for (size_t p = nextLineStart(0); p < n_;) {
    size_t k = 0;
    while (k < 6 && p + k < n_ && at(p + k) == u'#') k++;
    size_t end = 0;
    bool found = false;
    // Up to six signs and any one character but a sign (a line terminator too: the header then
    // takes the next line), then the rest of a line.
    if (k > 0 && p + k < n_ && at(p + k) != u'#') found = restOfLine(p + k + 1, &end);
    // Six signs and at least one more character on the line.
    if (!found && k == 6) found = restOfLine(p + 6, &end) && end > p + 6;
    if (found) {
      out.push_back({p, end - p});
      p = nextLineStart(end);
    } else {
      p = nextLineStart(p + 1);
    }
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::underlinedHeaders(char16_t marker) {
  std::vector<Range> out;
  size_t feed = 0;  // a cursor on the next line feed; queries only move forward
  size_t underlined = kNone, underlineEnd = 0;
  bool underlineOk = false;
  for (size_t p = nextLineStart(0); p < n_;) {
    char16_t c = at(p);
    if (c == marker || c == u'\n') {
      p = nextLineStart(p + 1);
      continue;
    }
    if (feed < p + 1) feed = p + 1;
    while (feed < n_ && at(feed) != u'\n') feed++;
    if (feed >= n_) break;  // no line feed ahead: no later line start can match either
    // Several line starts (after carriage returns, say) share one line feed: its underline is
    // read once.
    if (underlined != feed) {
      underlined = feed;
      size_t r = feed + 1;
      while (r < n_ && at(r) == marker) r++;
      underlineEnd = r;
      underlineOk = r > feed + 1 && lineEnd(r);
    }
    if (underlineOk) {
      out.push_back({p, underlineEnd - p});
      p = nextLineStart(underlineEnd);
    } else {
      p = nextLineStart(p + 1);
    }
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::breaklines() {
  std::vector<Range> out;
  for (size_t p = nextLineStart(0); p < n_;) {
    size_t a = skipSpacesAndTabs(p);
    if (a < n_) {
      char16_t mark = at(a);
      if (mark == u'*' || mark == u'-') {
        size_t more = 0, m = a + 1;
        for (; m < n_; m++) {
          char16_t d = at(m);
          if (d == mark) {
            more++;
          } else if (!isSpaceOrTab(d)) {
            break;
          }
        }
        if (more >= 2 && lineEnd(m)) {
          out.push_back({p, m - p});
          p = nextLineStart(m);
          continue;
        }
      }
    }
    p = nextLineStart(p + 1);
  }
  return out;
}

// Markup of `count` equal characters on each side (`first`, or `second` when not 0), touching
// the text inside, which is at least one character on one line.
std::vector<Range> DRTextMarkdownScanner::delimited(char16_t first, char16_t second, size_t count) {
  std::vector<Range> out;
  // An opener whose line had no closer: later openers of the same character before that line's
  // end have none either.
  size_t noCloserBefore[2] = {0, 0};
  auto runOf = [&](size_t i, char16_t c) {  // exactly `count` of `c` from i
    for (size_t j = 0; j < count; j++)
      if (i + j >= n_ || at(i + j) != c) return false;
    return i + count >= n_ || at(i + count) != c;
  };
  for (size_t s = 0; s + 2 * count < n_;) {
    char16_t c = at(s);
    int which = c == first ? 0 : (second && c == second) ? 1 : -1;
    if (which < 0 || s < noCloserBefore[which] || (s > 0 && at(s - 1) == c) || !runOf(s, c)) {
      s++;
      continue;
    }
    char16_t inside = at(s + count);
    if (isSpaceOrTab(inside) || isLineTerminator(inside)) {
      s++;
      continue;
    }
    size_t e = s + count + 1, closer = kNone;
    for (; e < n_; e++) {
      char16_t d = at(e);
      if (isLineTerminator(d)) break;
      if (d != c) continue;
      char16_t before = at(e - 1);
      if (!isSpaceOrTab(before) && before != c && runOf(e, c)) {
        closer = e;
        break;
      }
    }
    if (closer == kNone) {
      noCloserBefore[which] = e;
      s++;
      continue;
    }
    out.push_back({s, closer + count - s});
    s = closer + count;
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::inlineCodes() {
  std::vector<Range> out;
  for (size_t s = 0; s < n_;) {
    if (at(s) != u'`' || (s > 0 && at(s - 1) == u'`')) {
      s++;
      continue;
    }
    size_t r = 1;
    while (s + r < n_ && at(s + r) == u'`') r++;
    if (r > 3) {
      s += r;
      continue;
    }
    size_t i = s + r;
    while (i < n_ && at(i) != u'`' && at(i) != u'\n') i++;
    if (i == s + r || i >= n_ || at(i) != u'`') {
      s = i;
      continue;
    }
    size_t r2 = 1;
    while (i + r2 < n_ && at(i + r2) == u'`') r2++;
    if (r2 == r) {
      out.push_back({s, i + r - s});
      s = i + r;
    } else {
      s = i;  // the closing run may open the next span
    }
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::links() {
  std::vector<Range> out;
  // From just after an opening character, the index of the closing one when there is one and
  // nothing but other characters before it (at least one).
  auto bracketed = [&](size_t from, char16_t open, char16_t close) -> size_t {
    size_t i = from;
    while (i < n_) {
      char16_t d = at(i);
      if (d == open || d == close) break;
      i++;
    }
    return i > from && i < n_ && at(i) == close ? i : kNone;
  };
  for (size_t s = 0; s < n_;) {
    size_t b;
    char16_t c = at(s);
    if (c == u'!' && s + 1 < n_ && at(s + 1) == u'[') {
      b = s + 1;
    } else if (c == u'[') {
      b = s;
    } else {
      s++;
      continue;
    }
    size_t label = bracketed(b + 1, u'[', u']');
    size_t end = kNone;
    if (label != kNone && label + 1 < n_) {
      char16_t next = at(label + 1);
      if (next == u'(') {
        size_t close = bracketed(label + 2, u'(', u')');
        if (close != kNone) end = close + 1;
      }
      if (end == kNone && next == u'[') {
        size_t close = bracketed(label + 2, u'[', u']');
        if (close != kNone) end = close + 1;
      }
    }
    if (end == kNone) {
      s++;
      continue;
    }
    out.push_back({s, end - s});
    s = end;
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::linkReferences() {
  std::vector<Range> out;
  for (size_t p = nextLineStart(0); p < n_;) {
    size_t a = skipSpacesAndTabs(p);
    if (a + 3 < n_ && at(a) == u'[') {
      char16_t x = at(a + 1);
      if (x != u'[' && x != u']') {
        size_t w = U16_IS_LEAD(x) && a + 2 < n_ && U16_IS_TRAIL(at(a + 2)) ? 2 : 1;
        size_t close = a + 1 + w;
        if (close + 1 < n_ && at(close) == u']' && at(close + 1) == u':') {
          out.push_back({p, close + 2 - p});
          p = nextLineStart(close + 2);
          continue;
        }
      }
    }
    p = nextLineStart(p + 1);
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::lists() {
  std::vector<Range> out;
  for (size_t p = nextLineStart(0); p < n_;) {
    size_t a = skipSpacesAndTabs(p);
    size_t spaces = kNone;  // where the spaces after the marker start
    if (a < n_) {
      char16_t c = at(a);
      if (c == u'*' || c == u'+' || c == u'-') {
        spaces = a + 1;
      } else {
        size_t i = a;
        while (i < n_) {
          UChar32 cp = at(i);
          size_t width = 1;
          if (U16_IS_LEAD(cp) && i + 1 < n_ && U16_IS_TRAIL(at(i + 1))) {
            cp = U16_GET_SUPPLEMENTARY(cp, at(i + 1));
            width = 2;
          }
          if (!u_isdigit(cp)) break;
          i += width;
        }
        if (i > a && i < n_ && at(i) == u'.') spaces = i + 1;
      }
    }
    if (spaces != kNone) {
      size_t end = skipSpacesAndTabs(spaces);
      if (end > spaces) {
        out.push_back({p, end - p});
        p = nextLineStart(end);
        continue;
      }
    }
    p = nextLineStart(p + 1);
  }
  return out;
}

std::vector<Range> DRTextMarkdownScanner::blockQuotes() {
  std::vector<Range> out;
  for (size_t p = nextLineStart(0); p < n_;) {
    size_t a = skipSpacesAndTabs(p);
    if (a < n_ && at(a) == u'>') {
      size_t i = a + 1;
      while (i < n_) {
        char16_t d = at(i);
        if (!isSpaceOrTab(d) && d != u'>') break;
        i++;
      }
      out.push_back({p, i - p});
      p = nextLineStart(i);
      continue;
    }
    p = nextLineStart(p + 1);
  }
  return out;
}

// A blank line (any white space, line terminators included, up to a line feed that ends a
// line), then as many as possible of: a line indented by four spaces or a tab and ended by a
// line feed or the text's end, or blank lines again. The opening blank lines give way to the
// next-to-last line feed when the line after the last one cannot follow them.
std::vector<Range> DRTextMarkdownScanner::codeBlocks() {
  std::vector<Range> out;
  // The run of white space holding `p`, read once: where it ends and its line feeds that end a
  // line. Queries only move forward.
  size_t runFrom = kNone, runEnd = 0;
  std::vector<size_t> feeds;
  auto runAt = [&](size_t p) {
    if (runFrom == kNone || p < runFrom || p >= runEnd) {
      runFrom = p;
      feeds.clear();
      size_t i = p;
      for (; i < n_; i++) {
        char16_t c = at(i);
        if (!isWhiteSpace(c)) break;
        if (c == u'\n' && !(i > 0 && at(i - 1) == u'\r')) feeds.push_back(i);
      }
      runEnd = i;
    }
  };
  // The last line feed of the run at `p` that is not before `p`.
  auto lastFeedFrom = [&](size_t p) -> size_t {
    runAt(p);
    return !feeds.empty() && feeds.back() >= p ? feeds.back() : kNone;
  };
  // An indented line at q: its end after the line feed, or the text's end.
  size_t indentedAt = kNone, indentedEnd = kNone;
  auto indentedLine = [&](size_t q) -> size_t {
    if (q == indentedAt) return indentedEnd;
    indentedAt = q;
    indentedEnd = kNone;
    size_t r = kNone;
    if (q + 4 <= n_ && at(q) == u' ' && at(q + 1) == u' ' && at(q + 2) == u' ' && at(q + 3) == u' ') {
      r = q + 4;
    } else if (q < n_ && at(q) == u'\t') {
      r = q + 1;
    }
    if (r == kNone) return kNone;
    while (r < n_ && !isLineTerminator(at(r))) r++;
    if (r == n_) {
      indentedEnd = n_;
    } else if (at(r) == u'\n') {
      indentedEnd = r + 1;
    }
    return indentedEnd;
  };

  for (size_t p = nextLineStart(0); p < n_;) {
    if (!isWhiteSpace(at(p))) {
      p = nextLineStart(p + 1);
      continue;
    }
    size_t last = lastFeedFrom(p);
    if (last == kNone) {
      p = nextLineStart(runEnd);
      continue;
    }
    size_t q = last + 1;
    size_t next = indentedLine(q);
    if (next == kNone) {
      // The blank lines end one line feed earlier, and themselves follow up to the last one;
      // with a single line feed there is nothing to follow and no start in this run can match.
      if (feeds.size() >= 2 && feeds[feeds.size() - 2] >= p) {
        out.push_back({p, q - p});
        p = nextLineStart(q);
      } else {
        p = nextLineStart(runEnd);
      }
      continue;
    }
    q = next;
    for (;;) {
      size_t line = indentedLine(q);
      if (line != kNone) {
        q = line;
        continue;
      }
      if (q < n_ && lineStart(q) && isWhiteSpace(at(q))) {
        size_t feed = lastFeedFrom(q);
        if (feed != kNone) {
          q = feed + 1;
          continue;
        }
      }
      break;
    }
    out.push_back({p, q - p});
    p = nextLineStart(q);
  }
  return out;
}

}  // namespace text
