// One picture of the text engine's harder cases, written to KD_ARTIFACT_DIR when set for a
// person to look at: columns in an ellipse around an exclusion, ruby in its four positions,
// and a line of colour emoji.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/typeset/Framesetter.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;
using typeset_test::cjk;

TEST(TextPicture, ColumnsRubyAndEmoji) {
  const double W = 420, H = 300;
  auto ctx = gfx::Context::createForImage({W, H}, false, 2);
  ctx->setRGBFillColor(1, 1, 1, 1);
  ctx->fillRect(gfx::RectMake(0, 0, W, H));
  ctx->translateCTM(0, H);
  ctx->scaleCTM(1, -1);  // y-up from here on

  // Columns, right to left, in an ellipse with a rectangle kept clear.
  gfx::Rect oval = gfx::RectMake(10, 90, 200, 200);
  gfx::Rect hole = gfx::RectMake(85, 160, 50, 60);
  rt::String unit(u"新闻快讯今日市政府召开会议讨论沿河新建自行车道的计划并听取了居民的意见");
  auto s = MutableAttributedString::create(unit.stringByAppendingString(unit).stringByAppendingString(unit),
                                           typeset_test::attrs(cjk(13)));
  s->addAttribute(VerticalGlyphFormAttributeName, fd::Number::numberWithInt(1), Range{0, s->length()});
  auto attrs = fd::Dictionary::withStrings(
      {{FrameProgressionAttributeName, fd::Number::numberWithInt(1)},
       {FrameClippingPathsAttributeName, fd::Array::create({gfx::Path::createWithRect(hole)})}});
  auto frame = Framesetter::create(*s)->createFrame(Range{0, 0}, gfx::Path::createWithEllipseInRect(oval), attrs);
  ASSERT_GT(frame->lines().size(), 5u);
  ctx->setRGBStrokeColor(0.6, 0.6, 0.9, 1);
  ctx->strokeEllipseInRect(oval);
  ctx->setRGBFillColor(0.1, 0.1, 0.1, 1);
  frame->draw(*ctx);

  // Ruby: before, after, inter-character and inline, one line each.
  const char16_t* names[] = {u"before", u"after", u"inter", u"inline"};
  for (size_t p = 0; p < RubyPositionCount; ++p) {
    std::array<rt::String, RubyPositionCount> texts;
    texts[p] = u"かんじ";
    auto ruby = RubyAnnotation::create(RubyAlignment::Center, RubyOverhang::Auto, 0.5, texts);
    auto line = MutableAttributedString::create(rt::String(names[p]).stringByAppendingString(u" 漢字です"),
                                                typeset_test::attrs(cjk(20)));
    line->addAttribute(CTRubyAnnotationAttributeName, ruby, Range{rt::String(names[p]).length() + 1, 2});
    ctx->setRGBFillColor(0.1, 0.1, 0.4, 1);
    Line::createWithAttributedString(*line)->draw(*ctx, {235, 265 - 48.0 * double(p)});
  }

  // Colour emoji along a baseline.
  auto emoji = MutableAttributedString::create(u"Emoji: \U0001F600\U0001F680\U0001F1EB\U0001F1F7\U0001F468\u200D\U0001F469\u200D\U0001F467 ok",
                                               typeset_test::attrs(typeset_test::latin(22)));
  ctx->setRGBFillColor(0, 0, 0, 1);
  Line::createWithAttributedString(*emoji)->draw(*ctx, {12, 30});

  if (const char* dir = std::getenv("KD_ARTIFACT_DIR")) {
    std::filesystem::create_directories(dir);
    std::string file = (std::filesystem::path(dir) / "text_engine.png").string();
    auto dest = gfx::ImageDestination::createWithURL(fd::URL::fileURLWithPath(file), "public.png", 1);
    ASSERT_TRUE(dest);
    dest->addImage(ctx->makeImage());
    EXPECT_TRUE(dest->finalize());
  }

  // What must be there: ink in the ellipse but none in the hole, coloured emoji pixels.
  auto device = [&](double x, double y) { return ctx->pixelAt(size_t(x * 2), size_t((H - y) * 2)); };
  auto dark = [](uint32_t p) { return ((p >> 16) & 0xFF) < 128 && ((p >> 8) & 0xFF) < 128 && (p & 0xFF) < 128; };
  size_t inHole = 0, inOval = 0;
  for (double y = hole.origin.y + 1; y < hole.origin.y + hole.size.height - 1; y += 0.5)
    for (double x = hole.origin.x + 1; x < hole.origin.x + hole.size.width - 1; x += 0.5) inHole += dark(device(x, y));
  for (double y = oval.origin.y; y < oval.origin.y + oval.size.height; y += 0.5)
    for (double x = oval.origin.x; x < oval.origin.x + oval.size.width; x += 0.5) inOval += dark(device(x, y));
  EXPECT_EQ(inHole, 0u);
  EXPECT_GT(inOval, 2000u);
  size_t colourful = 0;
  for (double y = 20; y < 60; y += 0.5)
    for (double x = 12; x < 300; x += 0.5) {
      uint32_t p = device(x, y);
      int r = int((p >> 16) & 0xFF), g = int((p >> 8) & 0xFF), b = int(p & 0xFF);
      colourful += std::max({r, g, b}) - std::min({r, g, b}) > 80;
    }
  EXPECT_GT(colourful, 500u);
}
