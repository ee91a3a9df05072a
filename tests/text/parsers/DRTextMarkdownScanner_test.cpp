#include "text/parsers/DRTextMarkdownScanner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/foundation/text/RegularExpression.h"

namespace {

using text::DRTextMarkdownConstruct;
using text::DRTextMarkdownScanner;
using C = DRTextMarkdownConstruct;

constexpr uint64_t kLines = fd::RegularExpressionAnchorsMatchLines;

// Every construct, with the pattern it follows compiled by the platform regular expressions:
// the scanners must find exactly its matches.
struct Pattern {
  C construct;
  const char* name;
  Ref<fd::RegularExpression> regex;
};
std::vector<Pattern> patterns() {
  const char* names[] = {"escape",        "header",      "h1",   "h2",             "breakline", "emphasis",
                         "strong",        "strong emphasis", "underline", "strikethrough", "inline code",
                         "link",          "link reference",  "list",      "block quote",   "code block"};
  std::vector<Pattern> out;
  for (size_t k = 0; k < text::DRTextMarkdownConstructCount; k++) {
    auto c = static_cast<C>(k);
    bool lines = false;
    const char16_t* pattern = DRTextMarkdownScanner::pattern(c, &lines);
    out.push_back({c, names[k], fd::RegularExpression::create(rt::String(pattern), lines ? kLines : 0)});
  }
  return out;
}

std::vector<rt::Range> scanned(C construct, const std::u16string& s) {
  DRTextMarkdownScanner scanner(s.data(), s.size());
  return scanner.matches(construct);
}

std::vector<rt::Range> matched(const Ref<fd::RegularExpression>& re, const std::u16string& s) {
  std::vector<rt::Range> out;
  for (const auto& m : re->matchesInString(rt::String(s))) out.push_back(m->range());
  return out;
}

std::string shown(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7f) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[12];
      snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out;
}

std::string shown(const std::vector<rt::Range>& ranges) {
  std::string out;
  for (auto r : ranges) out += "{" + std::to_string(r.location) + "," + std::to_string(r.length) + "}";
  return out;
}

// Texts made of the pieces that matter to some construct, line terminators of every kind,
// white space beyond ASCII, digits beyond ASCII (one outside the basic plane) and a lone
// surrogate.
std::u16string randomText(std::mt19937& rng) {
  static const std::u16string pieces[] = {
      u"*",  u"_",   u"~",   u"`",     u"#",      u"=",      u"-",      u"+",     u">",   u"[",    u"]",
      u"(",  u")",   u"!",   u"\\",    u":",      u".",      u" ",      u"\t",    u"\n",  u"\r",   u"\v",
      u"\f", u"a",   u"b",   u"1",     u"\u0085", u"\u2028", u"\u00a0", u"\u0663", u"\U0001D7D8", u"\xD800",
      u"    ", u"**", u"***", u"__", u"___", u"~~", u"```", u"``", u"\r\n", u"\n\n", u"# ", u"######", u"[a]",
      u"(b)", u"[a]:", u"1. ", u"- ", u"* ", u"ab", u"\n    x", u"\n\t", u"===", u"---"};
  std::uniform_int_distribution<size_t> count(0, 18), pick(0, std::size(pieces) - 1), few(2, 6);
  // Half the texts draw on a handful of pieces only, which makes constructs likelier.
  std::vector<size_t> allowed;
  if (rng() % 2)
    for (size_t i = few(rng); i > 0; i--) allowed.push_back(pick(rng));
  std::u16string s;
  for (size_t i = count(rng); i > 0; i--)
    s += pieces[allowed.empty() ? pick(rng) : allowed[rng() % allowed.size()]];
  return s;
}

TEST(DRTextMarkdownScanner, FindsExactlyWhatEachPatternMatches) {
  const auto all = patterns();
  for (const Pattern& p : all) ASSERT_TRUE(p.regex) << p.name;
  // Hand-picked texts first: each construct matched, and the ways near misses fail.
  std::vector<std::u16string> texts = {
      u"# Title\n## Sub\n####### seven\n#\nnext\n#\r\nx\n######",
      u"Word\n===\nWord\n---\n=\n===\n\r\r\n==\nx\n==x",
      u"* * *\n - - - \n*-*\n* *\n--- x\n***\r\n",
      u"*a* _b_ **c** ***d*** ___e___ __f__ ~~g~~ *a**b* * a* *a * **a\nb**",
      u"`a` ``b`` ```c``` ````d```` `e`` `f\ng` x`",
      u"[a](b) ![c](d) [e][f] [g]( [h](i(j)) [[k]] [l]\n(m)",
      u"[x]: y\n  [\U0001D7D8]: z\n1. one\n\u0663. two\n\U0001D7D8. three\n+ p\n> q >> r\n",
      u"text\n\n    code\n\tmore\n\n\nafter\n\n  \n    a\r\n    b\n\n\n  x",
      u"\n\n\n", u"\n    a", u"\r\n\r\n    a\n", u"\n \n  \n   x",
  };
  std::mt19937 rng(162);
  for (int i = 0; i < 10000; i++) texts.push_back(randomText(rng));
  std::vector<size_t> found(all.size());
  for (const auto& s : texts) {
    for (size_t k = 0; k < all.size(); k++) {
      auto expected = matched(all[k].regex, s);
      auto got = scanned(all[k].construct, s);
      ASSERT_EQ(shown(got), shown(expected)) << all[k].name << " in \"" << shown(s) << "\"";
      found[k] += !expected.empty();
    }
  }
  // The texts exercise every construct rather than only its failures.
  for (size_t k = 0; k < all.size(); k++) {
    EXPECT_GT(found[k], texts.size() / 600) << all[k].name;
  }
}

// Hostile shapes of a given size in characters.
std::u16string hostile(int shape, size_t size) {
  std::u16string s;
  auto fill = [&](const char16_t* unit) {
    while (s.size() < size) s += unit;
    s.resize(size);
  };
  switch (shape) {
    case 0: fill(u"*"); break;              // one long run of asterisks
    case 1: fill(u"*a "); break;            // emphasis openers never closed, one line
    case 2: fill(u"**a _b ~~c `d ___e "); break;  // every kind of opener, unclosed
    case 3: s = u"```"; fill(u"code "); break;     // a code fence never closed
    case 4: fill(u"*"); for (size_t i = 0; i < size / 2; i += 3) s[i] = u'a'; break;  // nested emphasis
    case 5: fill(u"\n"); break;             // blank lines and nothing else
    case 6: fill(u"\r"); s.back() = u'\n'; s += u"===x"; break;  // line starts sharing one line feed
    case 7: s = u"* * *"; fill(u" "); s += u"x"; break;          // a rule line spoilt at its end
    case 8: fill(u"[a]("); break;           // links never closed
    case 9: s = u"\n"; fill(u" \r"); s += u"\n    x\r"; break;    // a blank run before a spoilt line
    case 10: fill(u"#"); break;             // number signs only
    default: fill(u"\n    "); break;        // one long code block
  }
  return s;
}

TEST(DRTextMarkdownScanner, WorkGrowsLinearlyOnHostileText) {
  constexpr size_t kSmall = 100 * 1000, kLarge = 1000 * 1000;
  for (int shape = 0; shape < 12; shape++) {
    uint64_t steps[2];
    size_t sizes[2];
    for (int k = 0; k < 2; k++) {
      auto s = hostile(shape, k ? kLarge : kSmall);
      sizes[k] = s.size();
      DRTextMarkdownScanner scanner(s.data(), s.size());
      for (size_t c = 0; c < text::DRTextMarkdownConstructCount; c++) scanner.matches(static_cast<C>(c));
      steps[k] = scanner.steps();
    }
    // Every scan reads each character a bounded number of times, at either size...
    EXPECT_LE(steps[0], 64 * sizes[0]) << "shape " << shape;
    EXPECT_LE(steps[1], 64 * sizes[1]) << "shape " << shape;
    // ...so ten times the text is ten times the work.
    double ratio = double(steps[1]) / double(steps[0]);
    EXPECT_NEAR(ratio, double(sizes[1]) / double(sizes[0]), 0.2) << "shape " << shape;
  }
}

}  // namespace
