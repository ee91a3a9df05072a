// A markdown document styled in both themes and a line whose emoticons became pictures, laid
// out and drawn through the rich-text drawing (decorations, borders and attachments too),
// checked for where their colours land and written out for a look when KD_ARTIFACT_DIR is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"
#include "platform/typeset/AttributeNames.h"
#include "text/drawing/DRTextLayout+Drawing.h"
#include "text/layout/DRTextContainer.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextAttachment.h"
#include "text/parsers/DRTextSimpleEmoticonParser.h"
#include "text/parsers/DRTextSimpleMarkdownParser.h"

namespace {

using text::DRTextLayout;

constexpr double kScale = 2;

const char* kDocument =
    "# District news\n"
    "A *quiet* week with **busy** streets and ***one*** __underlined__ ~~mistake~~.\n"
    "\n"
    "Weather\n"
    "---\n"
    "- sun on `Monday`\n"
    "- rain on Tuesday, see [the map](http://example.invalid/map)\n"
    "> Bring an umbrella.\n"
    "\n"
    "    let week = forecast(7)\n"
    "    print(week)\n"
    "\n"
    "\\*not emphasis\\* and * * *\n";

struct Picture {
  Ref<gfx::BitmapImage> image;
  double width, height;
  // Premultiplied native pixel at a point of the picture.
  uint32_t at(double x, double y) const { return image->pixel(size_t(x * kScale), size_t(y * kScale)); }
};

// Lays `text` out at `width` (in a column when `vertical`, `width` high) with 8 points of
// insets and draws it over `background`. Text without a colour draws black.
Picture draw(const Ref<typeset::MutableAttributedString>& text, double width, double background, bool vertical = false) {
  auto container = text::DRTextContainer::containerWithSize(vertical ? gfx::Size{1000, width} : gfx::Size{width, 1000},
                                                           {8, 8, 8, 8});
  container->setVerticalForm(vertical);
  auto layout = DRTextLayout::layoutWithContainer(container, text);
  EXPECT_TRUE(layout);
  const gfx::Size bounding = layout->textBoundingSize();
  // A column keeps to the right edge of its container: draw only the part it fills.
  const gfx::Size area = vertical ? gfx::Size{std::ceil(1000 - layout->textBoundingRect().origin.x) + 8, width}
                                  : gfx::Size{width, std::ceil(bounding.height)};
  auto ctx = gfx::Context::createForImage(area, true, kScale);
  ctx->setRGBFillColor(background, background, background, 1);
  ctx->fillRect(gfx::RectMake(0, 0, area.width, area.height));
  text::drawInContext(*layout, ctx.get(), area, nullptr);
  return {ctx->makeImage(), area.width, area.height};
}

void save(const Picture& p, const char* name) {
  const char* dir = std::getenv("KD_ARTIFACT_DIR");
  if (!dir) return;
  std::filesystem::create_directories(dir);
  auto png = gfx::UIImagePNGRepresentation(gfx::Image::imageWithCGImage(p.image));
  ASSERT_TRUE(png);
  std::ofstream out(std::filesystem::path(dir) / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
}

// Pixels close to an opaque colour.
size_t countNear(const Picture& p, const Ref<gfx::Color>& color) {
  double r, g, b, a;
  color->getRed(&r, &g, &b, &a);
  size_t n = 0;
  for (size_t y = 0; y < p.image->height(); y++)
    for (size_t x = 0; x < p.image->width(); x++) {
      uint32_t px = p.image->pixel(x, y);
      auto near = [](uint32_t v, double c) { return std::abs(int(v & 0xff) - int(c * 255)) < 40; };
      n += near(px >> 16, r) && near(px >> 8, g) && near(px, b);
    }
  return n;
}

// Pixels darker than `level` in every channel.
size_t countDarker(const Picture& p, int level) {
  size_t n = 0;
  for (size_t y = 0; y < p.image->height(); y++)
    for (size_t x = 0; x < p.image->width(); x++) {
      uint32_t px = p.image->pixel(x, y);
      n += int(px >> 16 & 0xff) < level && int(px >> 8 & 0xff) < level && int(px & 0xff) < level;
    }
  return n;
}

TEST(DRTextParsersPicture, DarkThemeDecorationsAndColumnsTakeTheTextColours) {
  // On a grey ground nothing may come out black: underlines, strikethroughs and code borders
  // take the text's colours, and so does a header standing in a column.
  auto parser = rt::make<text::DRTextSimpleMarkdownParser>();
  parser->setColorWithDarkTheme();
  struct Case {
    const char* markdown;
    bool vertical;
    const char* name;
  } cases[] = {{"plain __underlined__ and ~~struck~~ and `code`\n", false, "markdown_dark_decorations.png"},
               {"# \xE6\xA0\x87\xE9\xA2\x98 header\nplain __\xE4\xB8\x8B\xE7\xBA\xBF__\n", true,
                "markdown_dark_column.png"}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto text = typeset::MutableAttributedString::create(rt::String(k.markdown));
    ASSERT_TRUE(parser->parseText(*text, nullptr));
    Picture p = draw(text, 300, 0.3, k.vertical);
    save(p, k.name);
    EXPECT_EQ(countDarker(p, 40), 0u);
    EXPECT_GT(countNear(p, parser->textColor()), 40u);
    if (k.vertical) {
      EXPECT_GT(countNear(p, parser->headerTextColor()), 40u);
    }
  }
}

TEST(DRTextParsersPicture, MarkdownInBothThemes) {
  for (bool dark : {false, true}) {
    auto parser = rt::make<text::DRTextSimpleMarkdownParser>();
    if (dark) parser->setColorWithDarkTheme();
    auto text = typeset::MutableAttributedString::create(rt::String(kDocument));
    ASSERT_TRUE(parser->parseText(*text, nullptr));
    Picture p = draw(text, 420, dark ? 0.1 : 1);
    // The header, the link and the body each show in their theme's colour, and the
    // markup's control colour appears (the number sign, the asterisks, the hyphens...).
    for (const auto& color : {parser->headerTextColor(), parser->linkTextColor(), parser->textColor(),
                              parser->controlTextColor()})
      EXPECT_GT(countNear(p, color), 40u) << (dark ? "dark " : "bright ") << color->description().utf8();
    save(p, dark ? "markdown_dark.png" : "markdown_bright.png");
  }
}

Ref<gfx::Image> face(double r, double g, double b) {
  gfx::beginImageContextWithOptions({32, 32}, false, 2);
  auto ctx = gfx::currentContext();
  ctx->setFillColor(gfx::Color::colorWithRed(r, g, b, 1));
  ctx->fillEllipseInRect(gfx::RectMake(1, 1, 30, 30));
  ctx->setFillColor(gfx::Color::colorWithWhite(0, 1));
  ctx->fillEllipseInRect(gfx::RectMake(9, 9, 4, 6));
  ctx->fillEllipseInRect(gfx::RectMake(19, 9, 4, 6));
  ctx->fillRect(gfx::RectMake(10, 21, 12, 3));
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

TEST(DRTextParsersPicture, EmoticonsBecomePictures) {
  auto parser = rt::make<text::DRTextSimpleEmoticonParser>();
  parser->setEmoticonMapper({{rt::String(":)"), face(1, 0.8, 0)}, {rt::String("[ok]"), face(0.2, 0.7, 0.3)}});
  auto text = typeset::MutableAttributedString::create(rt::String("Good morning :) the bus is on time [ok] see you :)"));
  text->addAttribute(typeset::FontAttributeName, typeset::Font::systemFontOfSize(18), rt::Range{0, text->length()});
  ASSERT_TRUE(parser->parseText(*text, nullptr));
  EXPECT_EQ(text->string(), rt::String(u"Good morning \uFFFC the bus is on time \uFFFC see you \uFFFC"));
  Picture p = draw(text, 460, 1);
  // Yellow and green faces, two yellow ones for one green one.
  size_t yellow = countNear(p, gfx::Color::colorWithRed(1, 0.8, 0, 1));
  size_t green = countNear(p, gfx::Color::colorWithRed(0.2, 0.7, 0.3, 1));
  EXPECT_GT(green, 200u);
  EXPECT_GT(yellow, green * 3 / 2);
  save(p, "emoticons.png");
}

}  // namespace
