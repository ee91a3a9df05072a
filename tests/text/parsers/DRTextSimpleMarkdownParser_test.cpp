#include "text/parsers/DRTextSimpleMarkdownParser.h"

#include <gtest/gtest.h>

#include "platform/typeset/AttributeNames.h"
#include "text/model/DRTextDecoration.h"

namespace {

using text::DRTextSimpleMarkdownParser;

struct Parsed {
  Ref<DRTextSimpleMarkdownParser> parser = rt::make<DRTextSimpleMarkdownParser>();
  Ref<typeset::MutableAttributedString> text;
  bool changed = false;
  explicit Parsed(const char* utf8) {
    text = typeset::MutableAttributedString::create(rt::String(utf8));
    changed = parser->parseText(*text, nullptr);
  }
  Ref<typeset::Font> font(size_t i) const {
    return rt::as<typeset::Font>(text->attributeAtIndex(typeset::FontAttributeName, i));
  }
  Ref<gfx::Color> color(size_t i) const {
    return rt::as<gfx::Color>(text->attributeAtIndex(typeset::ForegroundColorAttributeName, i));
  }
  rt::Id attribute(const char* key, size_t i) const { return text->attributeAtIndex(key, i); }
};

bool sameColor(const Ref<gfx::Color>& a, const Ref<gfx::Color>& b) { return a && b && a->isEqual(b.get()); }
bool sameFont(const Ref<typeset::Font>& a, const Ref<typeset::Font>& b) {
  return a && b && a->pointSize() == b->pointSize() && a->fontName() == b->fontName();
}

TEST(DRTextSimpleMarkdownParser, HeadersKeepTheirCharactersAndTakeHeaderFonts) {
  Parsed p("# Title");
  ASSERT_TRUE(p.changed);
  EXPECT_EQ(p.text->string(), rt::String("# Title"));
  EXPECT_TRUE(sameColor(p.color(0), p.parser->controlTextColor()));
  EXPECT_TRUE(sameColor(p.color(1), p.parser->headerTextColor()));
  EXPECT_TRUE(sameColor(p.color(6), p.parser->headerTextColor()));
  EXPECT_DOUBLE_EQ(p.font(0)->pointSize(), 20);
  EXPECT_DOUBLE_EQ(p.font(6)->pointSize(), 20);

  Parsed seven("####### Word");
  EXPECT_DOUBLE_EQ(seven.font(0)->pointSize(), 14);  // level 6: the body size with the defaults
  EXPECT_TRUE(sameColor(seven.color(5), seven.parser->controlTextColor()));
  EXPECT_TRUE(sameColor(seven.color(6), seven.parser->headerTextColor()));

  Parsed h1("Word\n===");
  EXPECT_DOUBLE_EQ(h1.font(0)->pointSize(), 20);
  EXPECT_DOUBLE_EQ(h1.font(4)->pointSize(), 20);  // the line feed belongs to the header
  EXPECT_TRUE(sameColor(h1.color(0), h1.parser->headerTextColor()));
  EXPECT_TRUE(sameColor(h1.color(5), h1.parser->controlTextColor()));
  EXPECT_TRUE(sameColor(h1.color(7), h1.parser->controlTextColor()));

  auto parser = rt::make<DRTextSimpleMarkdownParser>();
  const double expected[6] = {20, 18.8, 17.6, 16.4, 15.2, 14};
  for (size_t i = 0; i < 6; i++) EXPECT_NEAR(parser->headerFont(i)->pointSize(), expected[i], 1e-9) << i;
}

TEST(DRTextSimpleMarkdownParser, EmphasisStrongAndEscapes) {
  struct Case {
    const char* text;
    size_t markup;  // characters of markup on each side
    int font;       // 0 body, 1 italic, 2 bold, 3 bold italic
  };
  const Case cases[] = {
      {"*word*", 1, 1},
      {"_word_", 1, 1},
      {"**word**", 2, 2},
      {"***word***", 3, 3},
      {"___word___", 3, 3},
      {"\\*word\\*", 0, 0},  // escaped: body font, characters kept
  };
  for (const Case& c : cases) {
    Parsed p(c.text);
    auto fonts = std::array<Ref<typeset::Font>, 4>{p.parser->font(), p.parser->italicFont(), p.parser->boldFont(),
                                                   p.parser->boldItalicFont()};
    size_t inside = c.markup ? c.markup : 2;
    EXPECT_TRUE(sameFont(p.font(inside), fonts[c.font])) << c.text;
    if (c.markup) {
      EXPECT_TRUE(sameColor(p.color(0), p.parser->controlTextColor())) << c.text;
      EXPECT_TRUE(sameColor(p.color(p.text->length() - 1), p.parser->controlTextColor())) << c.text;
      EXPECT_TRUE(sameColor(p.color(inside), p.parser->textColor())) << c.text;
    } else {
      EXPECT_EQ(p.text->string(), rt::String(c.text));
    }
  }
}

TEST(DRTextSimpleMarkdownParser, CodeLinksDecorationsAndBlocks) {
  Parsed code("``code``");
  for (size_t i : {0, 1, 6, 7}) EXPECT_TRUE(sameColor(code.color(i), code.parser->controlTextColor())) << i;
  for (size_t i = 2; i < 6; i++) EXPECT_TRUE(sameColor(code.color(i), code.parser->inlineTextColor())) << i;
  for (size_t i = 0; i < 8; i++) {
    EXPECT_TRUE(sameFont(code.font(i), code.parser->monospaceFont())) << i;
    auto border = rt::as<text::DRTextBorder>(code.attribute(text::DRTextBorderKey, i));
    ASSERT_TRUE(border) << i;
    EXPECT_NE(border.get(), code.parser->border().get());  // a copy, not the theme's own
    EXPECT_DOUBLE_EQ(border->cornerRadius(), 2);
  }

  Parsed link("see [site](http://a.b) now");
  EXPECT_TRUE(sameColor(link.color(4), link.parser->linkTextColor()));
  EXPECT_TRUE(sameColor(link.color(21), link.parser->linkTextColor()));
  EXPECT_TRUE(sameColor(link.color(0), link.parser->textColor()));
  EXPECT_EQ(link.attribute(typeset::LinkAttributeName, 5), nullptr);

  Parsed under("__under__ ~~gone~~");
  auto u = rt::as<text::DRTextDecoration>(under.attribute(text::DRTextUnderlineKey, 3));
  ASSERT_TRUE(u);
  EXPECT_EQ(u->style(), text::DRTextLineKindSingle);
  EXPECT_EQ(u->color(), nullptr);
  EXPECT_TRUE(rt::as<text::DRTextDecoration>(under.attribute(text::DRTextStrikethroughKey, 13)));
  EXPECT_EQ(under.attribute(text::DRTextUnderlineKey, 0), nullptr);

  Parsed block("text\n\n    let x = 1\n    x += 2\n\nafter");
  size_t at = rt::String("text\n\n").length();
  auto blockBorder = rt::as<text::DRTextBorder>(block.attribute(text::DRTextBlockBorderKey, at));
  ASSERT_TRUE(blockBorder);
  EXPECT_TRUE(sameColor(block.color(at + 4), block.parser->codeTextColor()));
  EXPECT_EQ(block.attribute(text::DRTextBlockBorderKey, 0), nullptr);
  EXPECT_EQ(block.attribute(text::DRTextBlockBorderKey, block.text->length() - 1), nullptr);

  Parsed list("- item\n> quote");
  EXPECT_TRUE(sameColor(list.color(0), list.parser->controlTextColor()));
  EXPECT_TRUE(sameColor(list.color(2), list.parser->textColor()));
  EXPECT_TRUE(sameColor(list.color(7), list.parser->controlTextColor()));
}

TEST(DRTextSimpleMarkdownParser, SizesThemesAndEmptyText) {
  auto parser = rt::make<DRTextSimpleMarkdownParser>();
  parser->setFontSize(0.5);
  EXPECT_DOUBLE_EQ(parser->fontSize(), 12);
  EXPECT_DOUBLE_EQ(parser->font()->pointSize(), 12);
  parser->setHeaderFontSize(0);
  EXPECT_DOUBLE_EQ(parser->headerFontSize(), 20);

  auto empty = typeset::MutableAttributedString::create();
  EXPECT_FALSE(parser->parseText(*empty, nullptr));
  auto plain = typeset::MutableAttributedString::create(rt::String("nothing to see"));
  rt::Range selection{3, 2};
  EXPECT_TRUE(parser->parseText(*plain, &selection));
  EXPECT_EQ(selection.location, 3u);
  EXPECT_EQ(selection.length, 2u);

  parser->setColorWithDarkTheme();
  EXPECT_TRUE(sameColor(parser->textColor(), gfx::Color::colorWithWhite(1, 1)));
  EXPECT_TRUE(sameColor(parser->border()->strokeColor(), gfx::Color::colorWithWhite(1, 0.28)));
  parser->setColorWithBrightTheme();
  EXPECT_TRUE(sameColor(parser->textColor(), gfx::Color::colorWithWhite(0, 1)));
}

}  // namespace

TEST(DRTextSimpleMarkdownParser, EveryColourGoesUnderBothColourKeys) {
  // Drawing that reads the typesetter's key sees the same colour as the platform's key.
  for (bool dark : {false, true}) {
    auto parser = rt::make<DRTextSimpleMarkdownParser>();
    if (dark) parser->setColorWithDarkTheme();
    auto text = typeset::MutableAttributedString::create(rt::String("# Head\nplain __under__ `code` [a](b)"));
    ASSERT_TRUE(parser->parseText(*text, nullptr));
    for (size_t i = 0; i < text->length(); ++i) {
      const auto platform = rt::as<gfx::Color>(text->attributeAtIndex(typeset::ForegroundColorAttributeName, i));
      const auto typesetter = rt::as<gfx::Color>(text->attributeAtIndex(typeset::CTForegroundColorAttributeName, i));
      ASSERT_TRUE(platform) << i;
      EXPECT_TRUE(sameColor(platform, typesetter)) << (dark ? "dark " : "bright ") << i;
    }
  }
}
