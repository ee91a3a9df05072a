#include "platform/typeset/ShapedText.h"

#include "platform/typeset/RubyLayout.h"

#include <hb.h>
#include <unicode/ubidi.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cmath>

#include "platform/typeset/FontCatalog.h"

namespace typeset {

size_t paragraphEnd(const String& text, size_t index) {
  const char16_t* d = text.data();
  size_t n = text.length();
  for (size_t i = index; i < n; ++i) {
    if (!isLineSeparator(d[i])) continue;
    if (d[i] == u'\r' && i + 1 < n && d[i + 1] == u'\n') return i + 2;
    return i + 1;
  }
  return n;
}

namespace {

// The large arrays of the text last released on this thread, kept for the next text built
// on it. Given back to the allocator they join the free top of its heap, which is then
// returned to the system, and every page of the next text's arrays is faulted in afresh: on
// a virtual machine that costs more than the shaping. Small texts neither take nor give.
struct SpareArrays {
  std::vector<ShapedGlyph> glyphs;
  std::vector<double> advances;
  std::vector<ShapedItem> items;
  std::vector<uint8_t> levels, paragraphLevels;
  ~SpareArrays();
};
constexpr size_t kSpareMinimumBytes = 16 << 10, kSpareMaximumBytes = 1 << 20;
thread_local SpareArrays spare;
// Trivially destroyed, so readable to the thread's end: texts released after `spare` is gone
// (by other thread-local or static destructors) free their arrays as usual.
thread_local bool spareGone = false;
SpareArrays::~SpareArrays() { spareGone = true; }

template <class T>
void keep(std::vector<T>& from, std::vector<T>& into) {
  const size_t bytes = from.capacity() * sizeof(T);
  if (bytes < kSpareMinimumBytes || bytes > kSpareMaximumBytes || from.capacity() <= into.capacity()) return;
  from.clear();
  into.swap(from);
}

// An empty array with room for `count` elements, the spare one when it is large enough.
template <class T>
void take(std::vector<T>& into, std::vector<T>& from, size_t count) {
  if (!spareGone && count * sizeof(T) >= kSpareMinimumBytes && from.capacity() >= count) into.swap(from);
  into.clear();
  into.reserve(count);
}

}  // namespace

ShapedText::~ShapedText() {
  if (spareGone) return;
  keep(glyphs, spare.glyphs);
  keep(advances, spare.advances);
  keep(items, spare.items);
  keep(levels, spare.levels);
  keep(paragraphLevels, spare.paragraphLevels);
}

size_t ShapedText::itemAt(size_t index) const {
  auto it = std::upper_bound(items.begin(), items.end(), index,
                             [](size_t i, const ShapedItem& item) { return i < item.start; });
  return it == items.begin() ? 0 : static_cast<size_t>(it - items.begin()) - 1;
}

size_t ShapedText::paragraphEndAt(size_t index) const {
  auto it = std::upper_bound(paragraphEnds.begin(), paragraphEnds.end(), index);
  return it == paragraphEnds.end() ? length() : *it;
}

const RunStyle& ShapedText::styleAt(size_t index) const {
  auto it = std::upper_bound(styleStarts.begin(), styleStarts.end(), index);
  size_t i = it == styleStarts.begin() ? 0 : static_cast<size_t>(it - styleStarts.begin()) - 1;
  return styles[i];
}

double ShapedText::tabAdvance(size_t index, double x, double following) const {
  const RunStyle& style = styleAt(index);
  const ParagraphStyle& ps = style.paragraphStyle();
  constexpr double kEpsilon = 1e-6;
  double stop = -1;
  TextAlignment alignment = TextAlignment::Left;
  // Stops are kept in the order given; the nearest one past the pen wins.
  for (const auto& tab : ps.tabStops())
    if (tab->location() > x + kEpsilon && (stop < 0 || tab->location() < stop)) {
      stop = tab->location();
      alignment = tab->alignment();
    }
  if (stop < 0) {
    double interval = ps.defaultTabInterval();
    // Without stops or an interval a tab is as wide as a quarter em, like a space.
    if (interval <= 0) return style.font->pointSize() / 4;
    stop = (std::floor((x + kEpsilon) / interval) + 1) * interval;
  }
  double advance = stop - x;
  if (alignment == TextAlignment::Right) advance -= following;
  else if (alignment == TextAlignment::Center) advance -= following / 2;
  return std::max(0.0, advance);
}

namespace {

// Characters that stay in the font of what precedes them: marks, joiners, variation
// selectors, controls and separators.
bool staysWithPrevious(char32_t cp) {
  if (cp < 0x300) return cp < 0x20 || cp == 0x7F || cp == 0x85;
  if ((cp >= 0x3400 && cp <= 0x9FFF) || (cp >= 0xAC00 && cp <= 0xD7A3)) return false;
  if (cp < 0x20 || cp == 0x7F || cp == 0x85 || cp == 0x200C || cp == 0x200D || cp == 0x2028 || cp == 0x2029) return true;
  if ((cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xE0100 && cp <= 0xE01EF) || (cp >= 0x1F3FB && cp <= 0x1F3FF)) return true;
  int8_t t = u_charType(cp);
  return t == U_NON_SPACING_MARK || t == U_ENCLOSING_MARK || t == U_COMBINING_SPACING_MARK;
}

// Punctuation that Latin and Chinese text share but draw differently: quotation marks,
// the ellipsis, dashes and the middle dot.
bool isSharedPunctuation(char32_t cp) {
  return (cp >= 0x2018 && cp <= 0x201F) || cp == 0x2026 || cp == 0x2014 || cp == 0x2015 || cp == 0x00B7;
}

// Emoji shown as pictures by default, or asked for as pictures by a following U+FE0F.
bool wantsColorEmoji(char32_t cp, const char16_t* d, size_t next, size_t n) {
  if (cp < 0x2000) return false;
  if (next < n && d[next] == 0xFE0F) return u_hasBinaryProperty(cp, UCHAR_EMOJI);
  // Between the symbol blocks and the emoji planes (CJK, Hangul, forms) nothing is shown as
  // a picture by default; the common text skips the property lookup.
  if (cp >= 0x2C00 && cp < 0x1F000) return false;
  if (next < n && d[next] == 0xFE0E) return false;
  return u_hasBinaryProperty(cp, UCHAR_EMOJI_PRESENTATION);
}

// Units that can start right-to-left text: Hebrew to NKo and their presentation forms, the
// RTL marks and embeddings, and the surrogates of the right-to-left supplementary blocks.
bool mayBeRightToLeft(char16_t c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) || c == 0x200F ||
         c == 0x202B || c == 0x202E || c == 0x2067 || c == 0xD802 || c == 0xD803 || c == 0xD83A || c == 0xD83B;
}

// Explicit levels for the embeddings and overrides of the writing-direction attribute, in
// the form the bidi algorithm takes them; empty when the paragraph has none.
std::vector<UBiDiLevel> explicitLevels(const ShapedText& t, size_t start, size_t end, UBiDiLevel base) {
  std::vector<UBiDiLevel> out;
  for (size_t i = start; i < end; ++i) {
    const auto& dirs = t.styleAt(i).writingDirection;
    if (dirs.empty() && out.empty()) continue;
    if (out.empty()) out.assign(end - start, base);
    UBiDiLevel level = base;
    bool override = false;
    for (uint8_t d : dirs) {
      // The next odd level for right-to-left, the next even one for left-to-right.
      UBiDiLevel next = (d & 1) ? ((level + 1) | 1) : ((level + 2) & ~1);
      if (next > UBIDI_MAX_EXPLICIT_LEVEL) break;
      level = next;
      override = d & 2;
    }
    out[i - start] = override ? (level | UBIDI_LEVEL_OVERRIDE) : level;
  }
  return out;
}

// What is rare in text and changes how it is laid out: right-to-left characters, tabs and
// hard breaks.
struct TextFacts {
  bool mayBeRightToLeft = false, tabs = false, separators = false;
};

// A superset of the units that matter, branch-free so that a block is tested in a few vector
// instructions; only the blocks that hold one are looked at closely.
// Tests answer 0 or 1 as unsigned so that they combine with "|", not with branching "||".
inline unsigned within(char16_t c, char16_t lo, char16_t hi) {
  return static_cast<char16_t>(c - lo) <= static_cast<char16_t>(hi - lo);
}
inline unsigned is(bool b) { return b; }
inline unsigned candidate(char16_t c) {
  return is(c < 0x20) | is(c == 0x85) | within(c, 0x0590, 0x08FF) | within(c, 0x200F, 0x2067) |
         within(c, 0xFB1D, 0xFEFF) | within(c, 0xD802, 0xD83B);
}

TextFacts scanText(const char16_t* d, size_t n) {
  constexpr size_t kBlock = 32;
  TextFacts f;
  for (size_t i = 0; i < n; i += kBlock) {
    size_t end = std::min(n, i + kBlock);
    if (end - i == kBlock) {
      unsigned any = 0;
      for (size_t k = 0; k < kBlock; ++k) any |= candidate(d[i + k]);
      if (!any) continue;
    }
    for (size_t k = i; k < end; ++k) {
      f.mayBeRightToLeft |= mayBeRightToLeft(d[k]);
      f.tabs |= d[k] == u'\t';
      f.separators |= isLineSeparator(d[k]);
    }
  }
  return f;
}

void computeLevels(ShapedText& t, const TextFacts& facts) {
  size_t n = t.length();
  take(t.levels, spare.levels, n);
  t.levels.assign(n, 0);
  take(t.paragraphLevels, spare.paragraphLevels, n);
  t.paragraphLevels.assign(n, 0);
  const char16_t* d = t.text.data();
  bool anyRTL = facts.mayBeRightToLeft;
  bool anyExplicit = std::any_of(t.styles.begin(), t.styles.end(), [](const RunStyle& s) { return !s.writingDirection.empty(); });
  for (size_t start = 0; start < n;) {
    size_t end = facts.separators ? paragraphEnd(t.text, start) : n;
    t.paragraphEnds.push_back(static_cast<uint32_t>(end));
    WritingDirection dir = t.styleAt(start).paragraphStyle().baseWritingDirection();
    if (!anyRTL && !anyExplicit && dir != WritingDirection::RightToLeft) {
      start = end;
      continue;
    }
    const UChar* text = reinterpret_cast<const UChar*>(d + start);
    auto length = static_cast<int32_t>(end - start);
    UBiDiLevel para = dir == WritingDirection::RightToLeft ? 1 : dir == WritingDirection::LeftToRight ? 0 : UBIDI_DEFAULT_LTR;
    std::vector<UBiDiLevel> explicitLevels_;
    if (anyExplicit) {
      // Explicit levels need a known paragraph level.
      if (para == UBIDI_DEFAULT_LTR) para = ubidi_getBaseDirection(text, length) == UBIDI_RTL ? 1 : 0;
      explicitLevels_ = explicitLevels(t, start, end, para);
    }
    UErrorCode status = U_ZERO_ERROR;
    UBiDi* bidi = ubidi_openSized(length, 0, &status);
    ubidi_setPara(bidi, text, length, para, explicitLevels_.empty() ? nullptr : explicitLevels_.data(), &status);
    if (U_SUCCESS(status)) {
      const UBiDiLevel* lv = ubidi_getLevels(bidi, &status);
      UBiDiLevel base = ubidi_getParaLevel(bidi);
      if (U_SUCCESS(status) && lv) {
        for (size_t i = start; i < end; ++i) {
          t.levels[i] = lv[i - start];
          t.paragraphLevels[i] = base;
        }
      }
    }
    ubidi_close(bidi);
    start = end;
  }
}

// The script of a code point, with the common Latin and ideograph cases answered directly.
hb_script_t scriptOf(hb_unicode_funcs_t* unicode, char32_t cp) {
  if (cp < 0x80) return ((cp | 0x20) >= 'a' && (cp | 0x20) <= 'z') ? HB_SCRIPT_LATIN : HB_SCRIPT_COMMON;
  if ((cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF)) return HB_SCRIPT_HAN;
  return hb_unicode_script(unicode, cp);
}

struct Itemiser {
  explicit Itemiser(ShapedText& text) : t(text) {}
  ShapedText& t;
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  std::vector<hb_script_t> scripts;  // per item

  // Carries the open item over the characters after `i` that need nothing but a coverage
  // look-up to join it: printable ASCII and unified ideographs. They stay with no previous
  // character, are never shown as emoji, and their script is known; the first other character
  // (or one that would change the face, script or level) is left to the general path.
  size_t extend(size_t i, size_t end, const FontFace* styleFace, const FontFace* fallback, const FontFace* curFace,
                uint8_t curLevel, hb_script_t& curScript) {
    const char16_t* d = t.text.data();
    const uint8_t* levels = t.levels.data();
    for (; i < end; ++i) {
      char16_t c = d[i];
      hb_script_t script;
      if (c >= 0x20 && c < 0x7F)
        script = (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? HB_SCRIPT_LATIN : HB_SCRIPT_COMMON;
      else if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF))
        script = HB_SCRIPT_HAN;
      else
        break;
      if (levels[i] != curLevel) break;
      const FontFace* face = styleFace->covers(c) ? styleFace : fallback && fallback->covers(c) ? fallback : nullptr;
      if (face != curFace) break;
      if (script != HB_SCRIPT_COMMON) {
        if (curScript == HB_SCRIPT_COMMON) curScript = scripts.back() = script;
        else if (curScript != script) break;
      }
    }
    return i;
  }

  // Quotation marks, ellipses and dashes inside Chinese text take the Chinese face: the
  // Latin face's forms are narrow and sit cramped between ideographs. The Chinese text is
  // the open item of the same style (ideographs before the mark) or the next letters after it; `found` becomes
  // the face when it was looked up.
  const FontFace* chineseFaceAround(size_t next, char32_t cp, bool sameStyle, const FontFace* curFace,
                                    hb_script_t curScript, const RunStyle& style, FaceRef& found) {
    const FontFace* styleFace = style.font->face().get();
    if (sameStyle && curFace != styleFace && curScript == HB_SCRIPT_HAN && curFace->covers(cp)) return curFace;
    const char16_t* d = t.text.data();
    size_t n = t.length();
    for (size_t k = next; k < n && k < next + 8; ++k) {
      char16_t c = d[k];
      if (c == ' ' || isSharedPunctuation(c)) continue;
      if (scriptOf(unicode, c) != HB_SCRIPT_HAN || styleFace->covers(c)) return nullptr;
      FaceRef f = found && found->covers(c) ? found : FontCatalog::shared().fallback(style.font->face(), c);
      if (!f || !f->covers(cp)) return nullptr;
      found = f;
      return f.get();
    }
    return nullptr;
  }

  void run() {
    const char16_t* d = t.text.data();
    const uint8_t* levels = t.levels.data();
    size_t n = t.length();
    size_t styleIndex = 0;
    auto styleEndOf = [&](size_t k) { return k + 1 < t.styleStarts.size() ? t.styleStarts[k + 1] : SIZE_MAX; };
    size_t styleEnd = styleEndOf(0);
    const RunStyle* style = &t.styles[0];
    // Raw pointers keep the per-character path free of reference counting.
    const FontFace* styleFace = style->font->face().get();
    FaceRef lastFallback;
    FaceRef emoji;
    Ref<Font> lastFallbackFont;  // one font object per fallback face and size
    // The open item's facts live here so that most characters touch no item at all.
    bool open = false;
    const FontFace* curFace = nullptr;
    size_t curStyle = 0;
    uint8_t curLevel = 0;
    hb_script_t curScript = HB_SCRIPT_COMMON;
    for (size_t i = 0; i < n;) {
      char32_t cp = d[i];
      size_t units = 1;
      if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && d[i + 1] >= 0xDC00 && d[i + 1] < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (d[i + 1] - 0xDC00);
        units = 2;
      }
      if (i >= styleEnd) {
        while (i >= styleEnd) styleEnd = styleEndOf(++styleIndex);
        style = &t.styles[styleIndex];
        styleFace = style->font->face().get();
      }
      bool sameStyle = open && curStyle == styleIndex && curLevel == levels[i] && !style->delegate;
      // Face: the style's, or a fallback for characters it lacks.
      const FontFace* face;
      bool stays = staysWithPrevious(cp);
      if (sameStyle && stays) {
        face = curFace;
      } else if (!style->delegate && !stays && wantsColorEmoji(cp, d, i + units, n) &&
                 (emoji || (emoji = FontCatalog::shared().colorEmojiFace())) && emoji->covers(cp)) {
        face = emoji.get();
        lastFallback = emoji;
      } else if (const FontFace* chinese = !style->delegate && isSharedPunctuation(cp)
                                               ? chineseFaceAround(i + units, cp, sameStyle, curFace, curScript, *style, lastFallback)
                                               : nullptr) {
        face = chinese;
      } else if (style->delegate || stays || styleFace->covers(cp)) {
        face = styleFace;
      } else if (lastFallback && lastFallback->covers(cp)) {
        face = lastFallback.get();
      } else if (FaceRef f = FontCatalog::shared().fallback(style->font->face(), cp)) {
        lastFallback = f;
        face = f.get();
      } else {
        face = styleFace;
      }
      hb_script_t script = scriptOf(unicode, cp);
      bool neutral = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
      bool split = !sameStyle || curFace != face || (!neutral && curScript != HB_SCRIPT_COMMON && curScript != script);
      if (split) {
        const ShapedItem* prev = open ? &t.items.back() : nullptr;
        ShapedItem item;
        item.start = static_cast<uint32_t>(i);
        item.level = levels[i];
        item.style = static_cast<uint32_t>(styleIndex);
        double size = style->font->pointSize();
        if (face == styleFace)
          item.font = style->font;
        else if (prev && curFace == face && prev->font->pointSize() == size)
          item.font = prev->font;
        else if (lastFallbackFont && lastFallbackFont->face() == lastFallback && lastFallbackFont->pointSize() == size)
          item.font = lastFallbackFont;
        else
          item.font = lastFallbackFont = Font::create(lastFallback, size);
        if (open) t.items.back().end = static_cast<uint32_t>(i);
        t.items.push_back(std::move(item));
        open = true;
        curFace = face;
        curStyle = styleIndex;
        curLevel = levels[i];
        curScript = neutral ? HB_SCRIPT_COMMON : script;
        scripts.push_back(curScript);
      } else if (!neutral && curScript == HB_SCRIPT_COMMON) {
        curScript = scripts.back() = script;
      }
      i += units;
      if (curStyle == styleIndex && !style->delegate)
        i = extend(i, std::min(n, styleEnd), styleFace, lastFallback.get(), curFace, curLevel, curScript);
    }
    if (open) t.items.back().end = static_cast<uint32_t>(n);
  }
};

// Appends one item's shaped glyphs, scaled to points, and adds their advances to their
// clusters' (placeholders get theirs later). True when clusters never step back against the
// item's direction.
bool appendGlyphs(ShapedText& t, const hb_glyph_info_t* info, const hb_glyph_position_t* pos, unsigned count,
                  double scale, const RunStyle& style, bool rtl, hb_font_t* font) {
  const char16_t* d = t.text.data();
  double* advances = t.advances.data();
  const bool vertical = style.vertical;
  const bool delegate = static_cast<bool>(style.delegate);
  const double kern = style.kern;
  bool backwards = false;
  uint32_t previous = count ? info[0].cluster : 0;
  size_t base = t.glyphs.size();
  t.glyphs.resize(base + count);
  ShapedGlyph* out = t.glyphs.data() + base;
  for (unsigned g = 0; g < count; ++g) {
    ShapedGlyph& sg = out[g];
    sg.glyph = info[g].codepoint;
    sg.cluster = info[g].cluster;
    if (vertical) {
      // The shaper places a column's glyphs by their vertical origins; a run stands each glyph
      // upright from its pen position itself, so only the glyph's own shift is kept (else
      // every position, and the line's box with it, would sit an ascent down the column).
      hb_position_t x = pos[g].x_offset, y = pos[g].y_offset;
      hb_font_add_glyph_origin_for_direction(font, info[g].codepoint, HB_DIRECTION_TTB, &x, &y);
      sg.advance = -pos[g].y_advance * scale;
      sg.xOffset = static_cast<float>(-y * scale);
      sg.yOffset = static_cast<float>(x * scale);
    } else {
      sg.advance = pos[g].x_advance * scale;
      sg.xOffset = static_cast<float>(pos[g].x_offset * scale);
      sg.yOffset = static_cast<float>(pos[g].y_offset * scale);
    }
    char16_t c = d[sg.cluster];
    if (c == u'\t') {
      // A tab reaches its stop when its line is laid out, and shows nothing there: the font's
      // space stands in for it (most fonts have no glyph for a tab, and their missing-glyph
      // box would be drawn across the gap).
      hb_codepoint_t space = 0;
      if (!hb_font_get_nominal_glyph(font, 0x20, &space)) space = 0;
      sg.glyph = space;
    }
    if (c < 0x20 || c == 0x85 || c == 0x2028 || c == 0x2029) sg.advance = 0;  // separators and tabs take no room
    else if (kern != 0 && sg.advance != 0) sg.advance += kern;
    if (!delegate) advances[sg.cluster] += sg.advance;
    backwards |= rtl ? sg.cluster > previous : sg.cluster < previous;
    previous = sg.cluster;
  }
  return !backwards;
}

// Bases of ruby: the lines above, below or beside them grow the items' metrics, and an
// annotation wider than its base spreads the base's clusters apart.
void setRubies(ShapedText& t) {
  for (size_t si = 0; si < t.styles.size(); ++si) {
    RunStyle& style = t.styles[si];
    if (!style.ruby || style.delegate) continue;
    style.rubyLayout = RubyLayout::make(*style.ruby, style);
    if (!style.rubyLayout) continue;
    size_t start = t.styleStarts[si], end = si + 1 < t.styleStarts.size() ? t.styleStarts[si + 1] : t.length();
    // The base's glyphs by cluster, in logical order.
    std::vector<std::pair<uint32_t, ShapedGlyph*>> glyphs;
    std::vector<ShapedItem*> bases;
    for (auto& item : t.items) {
      if (item.style != si || item.end <= start || item.start >= end) continue;
      bases.push_back(&item);
      for (uint32_t g = item.glyphStart; g < item.glyphEnd; ++g) glyphs.push_back({t.glyphs[g].cluster, &t.glyphs[g]});
    }
    if (glyphs.empty()) continue;
    std::stable_sort(glyphs.begin(), glyphs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    double width = 0;
    size_t clusters = 0;
    for (size_t k = 0; k < glyphs.size(); ++k) {
      width += glyphs[k].second->advance;
      clusters += k == 0 || glyphs[k].first != glyphs[k - 1].first;
    }
    if (auto smaller = style.rubyLayout->fitted(*style.ruby, style, width)) style.rubyLayout = std::move(smaller);
    const RubyLayout& ruby = *style.rubyLayout;
    for (ShapedItem* item : bases) {
      item->ascent += ruby.extraAscent();
      item->descent += ruby.extraDescent();
    }
    bool openStart = start > 0 && !isLineSeparator(t.text[start - 1]);
    bool openEnd = end < t.length() && !isLineSeparator(t.text[end]);
    RubyLayout::Spacing sp = ruby.baseSpacing(*style.ruby, width, clusters, openStart, openEnd);
    double reserved = ruby.reservedAfterBase();
    if (sp.lead == 0 && sp.between == 0 && sp.trail == 0 && reserved == 0) continue;
    // Cluster k moves by the space before it, which its last glyph's advance pays for; the
    // last cluster also pays the space after the base. Upright glyphs ignore offsets along the
    // column, so there the space before the base goes after it.
    if (style.vertical) {
      sp.trail += sp.lead;
      sp.lead = 0;
    }
    double before = sp.lead;
    for (size_t k = 0; k < glyphs.size(); ++k) {
      if (k > 0 && glyphs[k].first != glyphs[k - 1].first) before = sp.between;
      ShapedGlyph& g = *glyphs[k].second;
      g.xOffset += static_cast<float>(before);
      bool lastOfCluster = k + 1 == glyphs.size() || glyphs[k + 1].first != glyphs[k].first;
      if (!lastOfCluster) continue;
      double add = before + (k + 1 == glyphs.size() ? sp.trail + reserved : 0);
      g.advance += add;
      t.advances[g.cluster] += add;
    }
  }
}

void shapeItems(ShapedText& t, const std::vector<hb_script_t>& scripts) {
  hb_buffer_t* buf = hb_buffer_create();
  const char16_t* d = t.text.data();
  take(t.advances, spare.advances, t.length());
  t.advances.assign(t.length(), 0);
  double* advances = t.advances.data();
  // Most text has about one glyph per unit.
  take(t.glyphs, spare.glyphs, t.length() + t.length() / 8 + 16);
  for (size_t k = 0; k < t.items.size(); ++k) {
    ShapedItem& item = t.items[k];
    const RunStyle& style = t.styles[item.style];
    const Font& font = *item.font;
    double scale = font.scale();
    hb_buffer_clear_contents(buf);
    hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(d), static_cast<int>(t.length()), item.start,
                        static_cast<int>(item.end - item.start));
    hb_buffer_set_direction(buf, style.vertical ? HB_DIRECTION_TTB : item.rightToLeft() ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buf, scripts[k] == HB_SCRIPT_COMMON ? HB_SCRIPT_LATIN : scripts[k]);
    if (!style.language.isEmpty()) {
      std::string lang = style.language.utf8();
      hb_buffer_set_language(buf, hb_language_from_string(lang.c_str(), static_cast<int>(lang.size())));
    } else {
      hb_buffer_guess_segment_properties(buf);
    }
    hb_feature_t features[3];
    unsigned nf = 0;
    if (style.ligature == 0) {
      hb_feature_from_string("liga=0", -1, &features[nf++]);
      hb_feature_from_string("clig=0", -1, &features[nf++]);
    } else if (style.ligature >= 2) {
      hb_feature_from_string("dlig=1", -1, &features[nf++]);
    }
    if (font.hasMonospacedDigits()) hb_feature_from_string("tnum=1", -1, &features[nf++]);
    hb_shape(font.face()->hbFont(), buf, nf ? features : nullptr, nf);
    unsigned count = 0;
    hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &count);
    hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &count);
    size_t base = t.glyphs.size();
    item.glyphStart = static_cast<uint32_t>(base);
    item.glyphEnd = static_cast<uint32_t>(base + count);
    item.monotonic = appendGlyphs(t, info, pos, count, scale, style, item.rightToLeft(), font.face()->hbFont());
    if (style.delegate) {
      // The placeholder's size comes from its delegate: one width per character.
      ShapedGlyph* glyphs = t.glyphs.data() + base;
      uint32_t lastCluster = UINT32_MAX;
      for (unsigned g = 0; g < count; ++g) {
        ShapedGlyph& sg = glyphs[g];
        sg.advance = sg.cluster != lastCluster ? style.delegate->width() : 0;
        lastCluster = sg.cluster;
        sg.xOffset = sg.yOffset = 0;
        advances[sg.cluster] += sg.advance;
      }
      item.ascent = style.delegate->ascent();
      item.descent = style.delegate->descent();
      item.leading = 0;
    } else {
      item.ascent = font.ascent();
      item.descent = font.descent();
      item.leading = font.leading();
    }
  }
  hb_buffer_destroy(buf);
  setRubies(t);
}

}  // namespace

std::shared_ptr<const ShapedText> ShapedText::build(const AttributedString& string) {
  auto t = std::make_shared<ShapedText>();
  t->text = string.string();
  if (t->length() == 0) {
    t->styles.push_back(RunStyle::from(nullptr));
    t->styleStarts.push_back(0);
    return t;
  }
  string.enumerateAttributes(Range{0, string.length()}, AttributedStringEnumerationLongestEffectiveRangeNotRequired,
                             [&](const AttributedString::Attributes& attrs, Range r, bool&) {
                               if (!t->styles.empty() && t->styles.back().attributes == attrs) return;
                               t->styles.push_back(RunStyle::from(attrs));
                               t->styleStarts.push_back(static_cast<uint32_t>(r.location));
                             });
  TextFacts facts = scanText(t->text.data(), t->length());
  t->hasTabs = facts.tabs;
  computeLevels(*t, facts);
  take(t->items, spare.items, t->length() / 16 + 4);
  Itemiser itemiser(*t);
  itemiser.run();
  shapeItems(*t, itemiser.scripts);
  return t;
}

}  // namespace typeset
