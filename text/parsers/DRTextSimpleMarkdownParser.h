#pragma once
// Gives markdown-like plain text a styled look while leaving every character in place: markup
// stays visible in a control colour, headers get larger fonts, emphasis italic or bold, code a
// monospace font with a rounded border, links a link colour. One thread at a time; properties
// must not change during a parse. The constructs are found by scanners that cost time linear in
// the text whatever it holds.
#include <array>
#include <memory>

#include "platform/graphics/Color.h"
#include "platform/typeset/Font.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/parsers/DRTextParser.h"

namespace text {

class DRTextSimpleMarkdownParser : public rt::Object, public DRTextParser {
  RT_CLASS(DRTextSimpleMarkdownParser, rt::Object)
 public:
  DRTextSimpleMarkdownParser();
  ~DRTextSimpleMarkdownParser() override;
  void init();

  double fontSize() const { return fontSize_; }
  /// Below 1 becomes 12; the fonts are remade.
  void setFontSize(double size);
  double headerFontSize() const { return headerFontSize_; }
  /// Below 1 becomes 20; the fonts are remade.
  void setHeaderFontSize(double size);

  const Ref<gfx::Color>& textColor() const { return textColor_; }
  void setTextColor(Ref<gfx::Color> c) { textColor_ = std::move(c); }
  const Ref<gfx::Color>& controlTextColor() const { return controlTextColor_; }
  void setControlTextColor(Ref<gfx::Color> c) { controlTextColor_ = std::move(c); }
  const Ref<gfx::Color>& headerTextColor() const { return headerTextColor_; }
  void setHeaderTextColor(Ref<gfx::Color> c) { headerTextColor_ = std::move(c); }
  const Ref<gfx::Color>& inlineTextColor() const { return inlineTextColor_; }
  void setInlineTextColor(Ref<gfx::Color> c) { inlineTextColor_ = std::move(c); }
  const Ref<gfx::Color>& codeTextColor() const { return codeTextColor_; }
  void setCodeTextColor(Ref<gfx::Color> c) { codeTextColor_ = std::move(c); }
  const Ref<gfx::Color>& linkTextColor() const { return linkTextColor_; }
  void setLinkTextColor(Ref<gfx::Color> c) { linkTextColor_ = std::move(c); }

  void setColorWithBrightTheme();
  void setColorWithDarkTheme();

  /// Restyles the whole text; never changes characters or the selection. False only for an
  /// empty text.
  bool parseText(typeset::MutableAttributedString& text, rt::Range* selectedRange) override;

  // Read access for callers that style alike (and for tests).
  const Ref<typeset::Font>& font() const { return font_; }
  const Ref<typeset::Font>& headerFont(size_t level0) const { return headerFonts_[level0]; }
  const Ref<typeset::Font>& boldFont() const { return boldFont_; }
  const Ref<typeset::Font>& italicFont() const { return italicFont_; }
  const Ref<typeset::Font>& boldItalicFont() const { return boldItalicFont_; }
  const Ref<typeset::Font>& monospaceFont() const { return monospaceFont_; }
  const Ref<DRTextBorder>& border() const { return border_; }

 private:
  struct Scratch;
  void updateFonts();
  void setThemeBorder(Ref<gfx::Color> fill, Ref<gfx::Color> stroke);

  Ref<typeset::Font> font_;
  std::array<Ref<typeset::Font>, 6> headerFonts_;
  Ref<typeset::Font> boldFont_, italicFont_, boldItalicFont_, monospaceFont_;
  Ref<DRTextBorder> border_;
  double fontSize_ = 14;
  double headerFontSize_ = 20;
  std::unique_ptr<Scratch> scratch_;
  Ref<gfx::Color> textColor_, controlTextColor_, headerTextColor_, inlineTextColor_, codeTextColor_, linkTextColor_;
};

}  // namespace text
