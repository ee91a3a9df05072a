#include "text/layout/DRTextVerticalGlyphPlan.h"

#include <mutex>
#include <vector>

#include "platform/typeset/FontDescriptor.h"

namespace text {

namespace {

struct CharacterSets {
  std::vector<bool> rotate = std::vector<bool>(0x1F700, false);

  void add(char32_t from, char32_t to) {
    for (char32_t c = from; c <= to; ++c) rotate[c] = true;
  }
  void remove(char32_t from, char32_t to) {
    for (char32_t c = from; c <= to; ++c) rotate[c] = false;
  }

  CharacterSets() {
    add(0x1100, 0x11FF);  // Hangul Jamo
    add(0x2460, 0x24FF);  // Enclosed Alphanumerics
    add(0x2600, 0x26FF);  // Miscellaneous Symbols
    add(0x2700, 0x27BF);  // Dingbats
    add(0x2E80, 0x2EFF);  // CJK Radicals Supplement
    add(0x2F00, 0x2FDF);  // Kangxi Radicals
    add(0x2FF0, 0x2FFF);  // Ideographic Description Characters
    add(0x3000, 0x303F);  // CJK Symbols and Punctuation, without the bracket pairs
    remove(0x3008, 0x3011);
    remove(0x3014, 0x301F);
    add(0x3040, 0x309F);  // Hiragana
    add(0x30A0, 0x30FF);  // Katakana
    add(0x3100, 0x312F);  // Bopomofo
    add(0x3130, 0x318F);  // Hangul Compatibility Jamo
    add(0x3190, 0x319F);  // Kanbun
    add(0x31A0, 0x31BF);  // Bopomofo Extended
    add(0x31C0, 0x31EF);  // CJK Strokes
    add(0x31F0, 0x31FF);  // Katakana Phonetic Extensions
    add(0x3200, 0x32FF);  // Enclosed CJK Letters and Months
    add(0x3300, 0x33FF);  // CJK Compatibility
    add(0x3400, 0x3E15);  // part of CJK Unified Ideographs Extension A
    add(0x4E00, 0x9FCC);  // CJK Unified Ideographs
    add(0xAC00, 0xD7A3);  // Hangul Syllables
    add(0xD7B0, 0xD7FF);  // Hangul Jamo Extended-B
    add(0xF8FF, 0xF8FF);  // one private-use character
    add(0xF900, 0xFAFF);  // CJK Compatibility Ideographs
    add(0xFE10, 0xFE1F);  // Vertical Forms
    add(0xFF00, 0xFFEF);  // Halfwidth and Fullwidth Forms
    add(0x1F200, 0x1F2FF);  // Enclosed Ideographic Supplement
    add(0x1F300, 0x1F5FF);  // Miscellaneous Symbols and Pictographs
    add(0x1F600, 0x1F64F);  // Emoticons
    add(0x1F680, 0x1F6FF);  // Transport and Map Symbols
  }
};

// Built on first use and only read afterwards, from any thread.
const CharacterSets& sets() {
  static const CharacterSets s;
  return s;
}

bool isColorGlyphFont(const typeset::Run& run) {
  const auto& font = run.font();
  return font && (font->symbolicTraits() & typeset::FontTraitColorGlyphs);
}

uint64_t modeOfGlyph(const rt::String& string, int64_t start, int64_t count) {
  if (count <= 0 || start < 0 || static_cast<size_t>(start + count) > string.length()) return DRTextRunGlyphDrawModeHorizontal;
  if (count == 1) {
    const char32_t c = string[static_cast<size_t>(start)];
    if (!DRTextVerticalFormRotates(c)) return DRTextRunGlyphDrawModeHorizontal;
    return DRTextVerticalFormRotatesAndMoves(c) ? DRTextRunGlyphDrawModeVerticalRotateMove : DRTextRunGlyphDrawModeVerticalRotate;
  }
  // A glyph of several characters is never merely rotated.
  bool rotates = false, moves = false;
  for (int64_t i = start; i < start + count;) {
    char32_t c = string[static_cast<size_t>(i)];
    int64_t step = 1;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < start + count) {
      const char32_t low = string[static_cast<size_t>(i + 1)];
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        step = 2;
      }
    }
    rotates = rotates || DRTextVerticalFormRotates(c);
    moves = moves || DRTextVerticalFormRotatesAndMoves(c);
    i += step;
  }
  return rotates && moves ? DRTextRunGlyphDrawModeVerticalRotateMove : DRTextRunGlyphDrawModeHorizontal;
}

}  // namespace

bool DRTextVerticalFormRotates(char32_t c) {
  const auto& rotate = sets().rotate;
  return c < rotate.size() && rotate[c];
}

bool DRTextVerticalFormRotatesAndMoves(char32_t c) { return c == 0xFF0C || c == 0x3002 || c == 0x3001 || c == 0xFF0E; }

void DRTextComputeVerticalPlan(DRTextLine& line, const rt::String& string) {
  const auto& ctLine = line.CTLine();
  if (!ctLine || ctLine->glyphRuns().empty()) {
    line.setVerticalRotateRange(std::nullopt);
    return;
  }
  DRTextLineRotatePlan plan;
  for (const auto& run : ctLine->glyphRuns()) {
    auto& stretches = plan.emplace_back();
    const size_t n = run->glyphCount();
    if (n == 0) continue;
    std::vector<int64_t> indices = run->stringIndices();
    indices.push_back(static_cast<int64_t>(run->stringRange().end()));
    const bool color = isColorGlyphFont(*run);
    size_t start = 0;
    uint64_t mode = 0;
    for (size_t g = 0; g < n; ++g) {
      const uint64_t m = color ? DRTextRunGlyphDrawModeVerticalRotate : modeOfGlyph(string, indices[g], indices[g + 1] - indices[g]);
      if (g == 0) {
        mode = m;
      } else if (m != mode) {
        stretches.push_back(DRTextRunGlyphRange::rangeWithRange(rt::Range{start, g - start}, mode));
        start = g;
        mode = m;
      }
    }
    stretches.push_back(DRTextRunGlyphRange::rangeWithRange(rt::Range{start, n - start}, mode));
  }
  line.setVerticalRotateRange(std::move(plan));
}

}  // namespace text
