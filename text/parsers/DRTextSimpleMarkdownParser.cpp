#include "text/parsers/DRTextSimpleMarkdownParser.h"

#include "base/graphics/Font+DUDer.h"
#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/AttributeNames.h"
#include "text/parsers/DRTextMarkdownScanner.h"
#include "text/parsers/DRTextRunsBuilder.h"

namespace text {

RT_IMPLEMENT(DRTextSimpleMarkdownParser) {}

using rt::Range;
using rt::String;
using Construct = DRTextMarkdownConstruct;

namespace {

Ref<typeset::Font> monospaceFontOfSize(double size) {
  for (const char* name : {"Menlo", "Courier", "DejaVu Sans Mono"})
    if (auto f = typeset::Font::fontWithName(name, size)) return f;
  return typeset::Font::systemFontOfSize(size);
}

// What the parse gives one character: slots in the parser's fonts and colours, and which of
// the shared border and decoration values it carries.
enum FontSlot : uint8_t { kBodyFont, kHeaderFont0, kBoldFont = kHeaderFont0 + 6, kItalicFont, kBoldItalicFont, kMonospaceFont };
enum ColorSlot : uint8_t { kTextColor, kControlColor, kHeaderColor, kInlineColor, kCodeColor, kLinkColor };
enum ObjectSlot : uint8_t { kBorder, kBlockBorder, kUnderline, kStrikethrough, kObjectSlots };
struct Style {
  uint8_t font = kBodyFont, color = kTextColor, objects = 0;  // objects: a bit per object slot
  bool operator==(const Style&) const = default;
  size_t key() const { return (size_t(objects) * 11 + font) * 6 + color; }
};
constexpr size_t kStyleKeys = (1u << kObjectSlots) * 11 * 6;

}  // namespace

struct DRTextSimpleMarkdownParser::Scratch {
  std::u16string work;
  std::vector<Style> styles;
  DRTextRunsBuilder styled;
};

DRTextSimpleMarkdownParser::DRTextSimpleMarkdownParser() : scratch_(std::make_unique<Scratch>()) {}
DRTextSimpleMarkdownParser::~DRTextSimpleMarkdownParser() = default;

namespace {

}  // namespace

void DRTextSimpleMarkdownParser::init() {
  fontSize_ = 14;
  headerFontSize_ = 20;
  updateFonts();
  setColorWithBrightTheme();
}

void DRTextSimpleMarkdownParser::setFontSize(double size) {
  fontSize_ = size < 1 ? 12 : size;
  updateFonts();
}

void DRTextSimpleMarkdownParser::setHeaderFontSize(double size) {
  headerFontSize_ = size < 1 ? 20 : size;
  updateFonts();
}

void DRTextSimpleMarkdownParser::updateFonts() {
  font_ = typeset::Font::systemFontOfSize(fontSize_);
  for (size_t i = 0; i < headerFonts_.size(); i++)
    headerFonts_[i] = typeset::Font::systemFontOfSize(headerFontSize_ + i * (fontSize_ - headerFontSize_) / 5);
  boldFont_ = base::fontWithBold(font_);
  italicFont_ = base::fontWithItalic(font_);
  boldItalicFont_ = base::fontWithBoldItalic(font_);
  monospaceFont_ = monospaceFontOfSize(fontSize_);
}

void DRTextSimpleMarkdownParser::setThemeBorder(Ref<gfx::Color> fill, Ref<gfx::Color> stroke) {
  auto border = rt::make<DRTextBorder>();
  border->setLineStyle(DRTextLineKindSingle);
  border->setFillColor(std::move(fill));
  border->setStrokeColor(std::move(stroke));
  border->setInsets({-1, 0, -1, 0});
  border->setCornerRadius(2);
  border->setStrokeWidth(1 / base::DRMainScreenScale());
  border_ = border;
}

void DRTextSimpleMarkdownParser::setColorWithBrightTheme() {
  using gfx::Color;
  textColor_ = Color::colorWithWhite(0, 1);
  controlTextColor_ = Color::colorWithWhite(0.749, 1);
  headerTextColor_ = Color::colorWithRed(1, 0.502, 0, 1);
  inlineTextColor_ = Color::colorWithWhite(0.15, 1);
  codeTextColor_ = Color::colorWithWhite(0.15, 1);
  linkTextColor_ = Color::colorWithRed(0, 0.478, 0.962, 1);
  setThemeBorder(Color::colorWithWhite(0.184, 0.09), Color::colorWithWhite(0.546, 0.65));
}

void DRTextSimpleMarkdownParser::setColorWithDarkTheme() {
  using gfx::Color;
  textColor_ = Color::colorWithWhite(1, 1);
  controlTextColor_ = Color::colorWithWhite(0.604, 1);
  headerTextColor_ = Color::colorWithRed(0.558, 1, 0.502, 1);
  inlineTextColor_ = Color::colorWithRed(1, 0.862, 0.387, 1);
  codeTextColor_ = Color::colorWithWhite(0.906, 1);
  linkTextColor_ = Color::colorWithRed(0, 0.646, 1, 1);
  setThemeBorder(Color::colorWithWhite(0.82, 0.13), Color::colorWithWhite(1, 0.28));
}

bool DRTextSimpleMarkdownParser::parseText(typeset::MutableAttributedString& text, rt::Range*) {
  const size_t n = text.length();
  if (n == 0) return false;
  const String& original = text.string();

  // Escaped markup becomes "@@" in the working copy only: offsets stay, the scanners skip it.
  // The working buffers live on between parses: a fresh buffer the size of the text per parse
  // costs more in page faults than the scanning itself.
  std::u16string& work = scratch_->work;
  work.assign(original.view());
  {
    DRTextMarkdownScanner escapes(work.data(), n);
    for (Range r : escapes.matches(Construct::Escape))
      for (size_t i = 0; i < r.length; i++) work[r.location + i] = u'@';
  }
  // Counting over the working copy, with the same answers as the shared helpers.
  auto isSpace = [](char16_t c) { return c == u'\t' || c == u'\n' || c == u' '; };
  auto leadingWhitespace = [&](Range r) -> size_t {
    for (size_t i = 0; i < r.length; i++)
      if (!isSpace(work[r.location + i])) return i;
    return n;
  };
  auto trailingWhitespace = [&](Range r) -> size_t {
    for (size_t i = 0; i < r.length; i++)
      if (!isSpace(work[r.location + r.length - 1 - i])) return i;
    return n;
  };
  auto leadingCharacters = [&](Range r, char16_t c) -> size_t {
    for (size_t i = 0; i < r.length; i++)
      if (work[r.location + i] != c) return i;
    return n;
  };
  DRTextMarkdownScanner scanner(work.data(), n);
  auto each = [&](Construct construct, auto&& style) {
    for (Range r : scanner.matches(construct)) style(r);
  };

  // Every character's style first, later constructs overriding earlier ones; the text is
  // written once at the end.
  std::vector<Style>& styles = scratch_->styles;
  styles.assign(n, Style());
  const std::array<const Ref<typeset::Font>*, 11> fonts = {
      &font_,          &headerFonts_[0], &headerFonts_[1], &headerFonts_[2],   &headerFonts_[3],       &headerFonts_[4],
      &headerFonts_[5], &boldFont_,      &italicFont_,     &boldItalicFont_,   &monospaceFont_};
  const std::array<const Ref<gfx::Color>*, 6> colors = {&textColor_,   &controlTextColor_, &headerTextColor_,
                                                        &inlineTextColor_, &codeTextColor_, &linkTextColor_};
  // One copy of the theme's border and one of each decoration serve every match of a parse:
  // the values are never changed after they are set, and equal neighbours merge anyway.
  std::array<rt::Id, kObjectSlots> objects;
  if (border_) objects[kBorder] = objects[kBlockBorder] = border_->copy();
  objects[kUnderline] = DRTextDecoration::decorationWithStyle(DRTextLineKindSingle, fd::Number::numberWithInt(1), nullptr);
  objects[kStrikethrough] =
      DRTextDecoration::decorationWithStyle(DRTextLineKindSingle, fd::Number::numberWithInt(1), nullptr);
  auto setFont = [&](uint8_t slot, Range r) {
    if (*fonts[slot] && r.length)
      for (size_t i = r.location; i < r.location + r.length; i++) styles[i].font = slot;
  };
  auto setColor = [&](uint8_t slot, Range r) {
    if (*colors[slot] && r.length)
      for (size_t i = r.location; i < r.location + r.length; i++) styles[i].color = slot;
  };
  auto setObject = [&](ObjectSlot slot, Range r) {
    if (!objects[slot]) return;
    for (size_t i = r.location; i < r.location + r.length; i++) styles[i].objects |= uint8_t(1u << slot);
  };

  each(Construct::Header, [&](Range r) {
    size_t w = leadingWhitespace(r);
    if (w >= r.length) return;
    size_t hashes = std::min<size_t>(leadingCharacters({r.location + w, r.length - w}, u'#'), 6);
    if (hashes > r.length - w) hashes = r.length - w;
    setColor(kControlColor, {r.location, w + hashes});
    setColor(kHeaderColor, {r.location + w + hashes, r.length - w - hashes});
    setFont(static_cast<uint8_t>(kHeaderFont0 + (hashes > 0 ? hashes - 1 : 0)), r);
  });
  auto underlinedHeader = [&](Construct construct, uint8_t level0) {
    each(construct, [&](Range r) {
      size_t lf = r.length;
      for (size_t i = 0; i < r.length; i++)
        if (work[r.location + i] == u'\n') {
          lf = i;
          break;
        }
      if (lf == r.length) return;
      setColor(kHeaderColor, {r.location, lf});
      setFont(static_cast<uint8_t>(kHeaderFont0 + level0), {r.location, lf + 1});
      setColor(kControlColor, {r.location + lf + 1, r.length - lf - 1});
    });
  };
  underlinedHeader(Construct::H1, 0);
  underlinedHeader(Construct::H2, 1);
  each(Construct::Breakline, [&](Range r) { setColor(kControlColor, r); });

  // Markup of `k` characters on each side in the control colour, the inside styled by `inner`.
  auto delimited = [&](Construct construct, size_t k, auto inner) {
    each(construct, [&](Range r) {
      if (r.length < 2 * k) return;
      setColor(kControlColor, {r.location, k});
      setColor(kControlColor, {r.location + r.length - k, k});
      inner(Range{r.location + k, r.length - 2 * k});
    });
  };
  delimited(Construct::Emphasis, 1, [&](Range in) { setFont(kItalicFont, in); });
  delimited(Construct::Strong, 2, [&](Range in) { setFont(kBoldFont, in); });
  delimited(Construct::StrongEmphasis, 3, [&](Range in) { setFont(kBoldItalicFont, in); });
  auto decoration = [&](ObjectSlot slot) {
    return [&, slot](Range in) { setObject(slot, in); };
  };
  delimited(Construct::Underline, 2, decoration(kUnderline));
  delimited(Construct::Strikethrough, 2, decoration(kStrikethrough));

  each(Construct::InlineCode, [&](Range r) {
    size_t ticks = std::min(leadingCharacters(r, u'`'), r.length / 2);
    setColor(kControlColor, {r.location, ticks});
    setColor(kControlColor, {r.location + r.length - ticks, ticks});
    setColor(kInlineColor, {r.location + ticks, r.length - 2 * ticks});
    setFont(kMonospaceFont, r);
    setObject(kBorder, r);
  });
  each(Construct::Link, [&](Range r) { setColor(kLinkColor, r); });
  for (Construct construct : {Construct::LinkReference, Construct::List, Construct::BlockQuote})
    each(construct, [&](Range r) { setColor(kControlColor, r); });

  each(Construct::CodeBlock, [&](Range r) {
    // Leading blank lines are skipped: the block starts at the line of its first visible
    // character. (Searching for a one-word line would skip code whose lines hold spaces.)
    size_t start = r.location;
    size_t lead = leadingWhitespace(r);
    if (lead < r.length) {
      start = r.location + lead;
      while (start > r.location && work[start - 1] != u'\n') start--;
    }
    Range rest{start, r.location + r.length - start};
    size_t trailing = trailingWhitespace(rest);
    if (trailing >= rest.length) return;
    rest.length -= trailing;
    setColor(kCodeColor, rest);
    setFont(kMonospaceFont, rest);
    setObject(kBlockBorder, rest);
  });

  // One dictionary per style.
  const String fontKey(typeset::FontAttributeName), colorKey(typeset::ForegroundColorAttributeName),
      typesetterColorKey(typeset::CTForegroundColorAttributeName);
  const std::array<String, kObjectSlots> objectKeys = {String(DRTextBorderKey), String(DRTextBlockBorderKey),
                                                       String(DRTextUnderlineKey), String(DRTextStrikethroughKey)};
  std::array<Ref<fd::Dictionary>, kStyleKeys> dictionaries;
  auto attributesFor = [&](const Style& s) -> const Ref<fd::Dictionary>& {
    Ref<fd::Dictionary>& cached = dictionaries[s.key()];
    if (cached) return cached;
    auto d = fd::MutableDictionary::dictionaryWithCapacity(5);
    if (*fonts[s.font]) d->setObjectForKey(*fonts[s.font], fontKey);
    // Both colour keys, as the text's own colour setter does: drawing reads either.
    if (*colors[s.color]) {
      d->setObjectForKey(*colors[s.color], colorKey);
      d->setObjectForKey(*colors[s.color], typesetterColorKey);
    }
    for (size_t slot = 0; slot < kObjectSlots; slot++)
      if (s.objects & (1u << slot)) d->setObjectForKey(objects[slot], objectKeys[slot]);
    cached = d;
    return cached;
  };
  DRTextRunsBuilder& styled = scratch_->styled;
  styled.reset();
  for (size_t i = 0; i < n;) {
    size_t j = i + 1;
    while (j < n && styles[j] == styles[i]) j++;
    styled.append(j - i, attributesFor(styles[i]));
    i = j;
  }
  styled.finish(original);
  text.setAttributedString(styled);
  styled.reset();
  return true;
}

}  // namespace text
