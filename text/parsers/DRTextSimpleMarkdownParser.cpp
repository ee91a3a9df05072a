#include "text/parsers/DRTextSimpleMarkdownParser.h"

#include "base/graphics/Font+DUDer.h"
#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/AttributeNames.h"

namespace text {

RT_IMPLEMENT(DRTextSimpleMarkdownParser) {}

using fd::RegularExpression;
using rt::Range;
using rt::String;

namespace {

constexpr uint64_t kLines = fd::RegularExpressionAnchorsMatchLines;

Ref<RegularExpression> regex(const char16_t* pattern, uint64_t options = 0) {
  return RegularExpression::create(String(pattern), options);
}

Ref<typeset::Font> monospaceFontOfSize(double size) {
  for (const char* name : {"Menlo", "Courier", "DejaVu Sans Mono"})
    if (auto f = typeset::Font::fontWithName(name, size)) return f;
  return typeset::Font::systemFontOfSize(size);
}

// Runs `re` over the whole working copy, handing each match's range to `style`.
template <class F> void forEachMatch(const Ref<RegularExpression>& re, const String& str, F&& style) {
  if (!re) return;
  re->enumerateMatchesInString(str, 0, Range{0, str.length()},
                               [&](const Ref<fd::TextCheckingResult>& result, uint64_t, bool&) {
                                 if (result) style(result->range());
                               });
}

}  // namespace

void DRTextSimpleMarkdownParser::init() {
  fontSize_ = 14;
  headerFontSize_ = 20;
  updateFonts();
  setColorWithBrightTheme();
  initRegex();
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

void DRTextSimpleMarkdownParser::initRegex() {
  regexEscape_ = regex(uR"re((\\\\|\\\`|\\\*|\\\_|\\\(|\\\)|\\\[|\\\]|\\#|\\\+|\\\-|\\\!))re");
  regexHeader_ = regex(uR"re(^((\#{1,6}[^#].*)|(\#{6}.+))$)re", kLines);
  regexH1_ = regex(u"^[^=\\n][^\\n]*\\n=+$", kLines);
  regexH2_ = regex(u"^[^-\\n][^\\n]*\\n-+$", kLines);
  regexBreakline_ = regex(uR"re(^[ \t]*([*-])[ \t]*((\1)[ \t]*){2,}[ \t]*$)re", kLines);
  regexEmphasis_ = regex(
      uR"re(((?<!\*)\*(?=[^ \t*])(.+?)(?<=[^ \t*])\*(?!\*)|(?<!_)_(?=[^ \t_])(.+?)(?<=[^ \t_])_(?!_)))re");
  regexStrong_ = regex(uR"re((?<!\*)\*{2}(?=[^ \t*])(.+?)(?<=[^ \t*])\*{2}(?!\*))re");
  regexStrongEmphasis_ = regex(
      uR"re(((?<!\*)\*{3}(?=[^ \t*])(.+?)(?<=[^ \t*])\*{3}(?!\*)|(?<!_)_{3}(?=[^ \t_])(.+?)(?<=[^ \t_])_{3}(?!_)))re");
  regexUnderline_ = regex(uR"re((?<!_)__(?=[^ \t_])(.+?)(?<=[^ \t_])\__(?!_))re");
  regexStrikethrough_ = regex(uR"re((?<!~)~~(?=[^ \t~])(.+?)(?<=[^ \t~])\~~(?!~))re");
  // A real line feed inside the class: code spans end at a line break.
  regexInlineCode_ = regex(u"(?<!`)(`{1,3})([^`\n]+?)\\1(?!`)");
  regexLink_ = regex(uR"re(!?\[([^\[\]]+)\](\(([^\(\)]+)\)|\[([^\[\]]+)\]))re");
  regexLinkRefer_ = regex(uR"re(^[ \t]*\[[^\[\]]\]:)re", kLines);
  regexList_ = regex(uR"re(^[ \t]*([*+-]|\d+[.])[ \t]+)re", kLines);
  regexBlockQuote_ = regex(uR"re(^[ \t]*>[ \t>]*)re", kLines);
  regexCodeBlock_ = regex(uR"re((^\s*$\n)((( {4}|\t).*(\n|\z))|(^\s*$\n))+)re", kLines);
}

bool DRTextSimpleMarkdownParser::parseText(typeset::MutableAttributedString& text, rt::Range*) {
  if (text.length() == 0) return false;
  const String fontKey(typeset::FontAttributeName);
  const String colorKey(typeset::ForegroundColorAttributeName);
  auto setFont = [&](const Ref<typeset::Font>& f, Range r) {
    if (f && r.length) text.addAttribute(fontKey, f, r);
  };
  auto setColor = [&](const Ref<gfx::Color>& c, Range r) {
    if (c && r.length) text.addAttribute(colorKey, c, r);
  };

  Range all{0, text.length()};
  auto base = fd::MutableDictionary::dictionaryWithCapacity(2);
  if (font_) base->setObjectForKey(font_, fontKey);
  if (textColor_) base->setObjectForKey(textColor_, colorKey);
  text.setAttributes(base, all);

  // Escaped markup becomes "@@" in the working copy only: offsets stay, patterns skip it.
  String str = text.string();
  if (regexEscape_) {
    std::u16string work(str.data(), str.data() + str.length());
    forEachMatch(regexEscape_, str, [&](Range r) {
      for (size_t i = 0; i < r.length; i++) work[r.location + i] = u'@';
    });
    str = String(work);
  }

  forEachMatch(regexHeader_, str, [&](Range r) {
    size_t w = DRTextLeadingWhitespaceCount(str, r);
    if (w >= r.length) return;
    size_t n = std::min<size_t>(DRTextLeadingCharacterCount(str, {r.location + w, r.length - w}, u'#'), 6);
    if (n > r.length - w) n = r.length - w;
    setColor(controlTextColor_, {r.location, w + n});
    setColor(headerTextColor_, {r.location + w + n, r.length - w - n});
    setFont(headerFonts_[n > 0 ? n - 1 : 0], r);
  });
  auto underlinedHeader = [&](const Ref<RegularExpression>& re, size_t level0) {
    forEachMatch(re, str, [&](Range r) {
      size_t lf = r.length;
      for (size_t i = 0; i < r.length; i++)
        if (str.characterAtIndex(r.location + i) == u'\n') {
          lf = i;
          break;
        }
      if (lf == r.length) return;
      setColor(headerTextColor_, {r.location, lf});
      setFont(headerFonts_[level0], {r.location, lf + 1});
      setColor(controlTextColor_, {r.location + lf + 1, r.length - lf - 1});
    });
  };
  underlinedHeader(regexH1_, 0);
  underlinedHeader(regexH2_, 1);
  forEachMatch(regexBreakline_, str, [&](Range r) { setColor(controlTextColor_, r); });

  // Markup of `k` characters on each side in the control colour, the inside styled by `inner`.
  auto delimited = [&](const Ref<RegularExpression>& re, size_t k, auto inner) {
    forEachMatch(re, str, [&](Range r) {
      if (r.length < 2 * k) return;
      setColor(controlTextColor_, {r.location, k});
      setColor(controlTextColor_, {r.location + r.length - k, k});
      inner(Range{r.location + k, r.length - 2 * k});
    });
  };
  delimited(regexEmphasis_, 1, [&](Range in) { setFont(italicFont_, in); });
  delimited(regexStrong_, 2, [&](Range in) { setFont(boldFont_, in); });
  delimited(regexStrongEmphasis_, 3, [&](Range in) { setFont(boldItalicFont_, in); });
  auto decoration = [&](const char* key) {
    return [&, key](Range in) {
      if (!in.length) return;
      text.addAttribute(String(key), DRTextDecoration::decorationWithStyle(DRTextLineKindSingle,
                                                                           fd::Number::numberWithInt(1), nullptr),
                        in);
    };
  };
  delimited(regexUnderline_, 2, decoration(DRTextUnderlineKey));
  delimited(regexStrikethrough_, 2, decoration(DRTextStrikethroughKey));

  forEachMatch(regexInlineCode_, str, [&](Range r) {
    size_t n = std::min(DRTextLeadingCharacterCount(str, r, u'`'), r.length / 2);
    setColor(controlTextColor_, {r.location, n});
    setColor(controlTextColor_, {r.location + r.length - n, n});
    setColor(inlineTextColor_, {r.location + n, r.length - 2 * n});
    setFont(monospaceFont_, r);
    if (border_) text.addAttribute(String(DRTextBorderKey), border_->copy(), r);
  });
  forEachMatch(regexLink_, str, [&](Range r) { setColor(linkTextColor_, r); });
  for (const auto* re : {&regexLinkRefer_, &regexList_, &regexBlockQuote_})
    forEachMatch(*re, str, [&](Range r) { setColor(controlTextColor_, r); });

  forEachMatch(regexCodeBlock_, str, [&](Range r) {
    // Leading blank lines are skipped: the block starts at the line of its first visible
    // character. (Searching for a one-word line would skip code whose lines hold spaces.)
    size_t start = r.location;
    size_t lead = DRTextLeadingWhitespaceCount(str, r);
    if (lead < r.length) {
      start = r.location + lead;
      while (start > r.location && str.characterAtIndex(start - 1) != u'\n') start--;
    }
    Range rest{start, r.location + r.length - start};
    size_t trailing = DRTextTrailingWhitespaceCount(str, rest);
    if (trailing >= rest.length) return;
    rest.length -= trailing;
    setColor(codeTextColor_, rest);
    setFont(monospaceFont_, rest);
    if (border_) text.addAttribute(String(DRTextBlockBorderKey), border_->copy(), rest);
  });
  return true;
}

}  // namespace text
