// A layout in an ellipse with a hole and a truncated last row, drawn line by line, checked
// for where ink falls and written out for a look when KD_ARTIFACT_DIR is set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"
#include "tests/text/layout/LayoutSupport.h"
#include "text/layout/DRTextLayout.h"

using namespace text;
using layout_test::latin;

namespace {

const char16_t* kStory =
    u"区里的新闻每天更新。The district news is updated every day, with pictures and video from local reporters "
    u"on the ground. 读者可以在频道之间切换，也可以收藏文章。Readers switch between channels, keep the articles "
    u"they like, and share them with friends. 晚上还有天气、交通和活动的消息。In the evening come the weather, "
    u"the traffic and the events of the coming week, all in one place for the whole district.";

constexpr double W = 320, H = 240, kScale = 2;
const gfx::Rect kOval = gfx::RectMake(10, 10, 300, 220);
const gfx::Rect kHole = gfx::RectMake(130, 80, 60, 80);

bool insideOval(double x, double y, double margin) {
  const double cx = kOval.origin.x + kOval.size.width / 2, cy = kOval.origin.y + kOval.size.height / 2;
  const double rx = kOval.size.width / 2 + margin, ry = kOval.size.height / 2 + margin;
  const double dx = (x - cx) / rx, dy = (y - cy) / ry;
  return dx * dx + dy * dy <= 1;
}

}  // namespace

TEST(DRTextLayoutPicture, EllipseWithHoleAndTruncatedLastRow) {
  auto story = layout_test::text(kStory, latin(12));
  story->addAttribute(typeset::FontAttributeName, typeset::Font::fontWithName("Noto Sans CJK SC", 12), rt::Range{0, 10});
  auto c = DRTextContainer::containerWithPath(gfx::BezierPath::bezierPathWithOvalInRect(kOval));
  c->setExclusionPaths({gfx::BezierPath::bezierPathWithOvalInRect(kHole)});
  c->setMaximumNumberOfRows(9);
  c->setTruncationType(DRTextTruncationTypeEnd);
  auto layout = DRTextLayout::layoutWithContainer(c, story);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->rowCount(), 9u);
  ASSERT_TRUE(layout->truncatedLine());
  EXPECT_EQ(layout->truncatedLine()->row(), 8u);
  EXPECT_GT(layout->lines().size(), layout->rowCount());  // rows through the hole come in two pieces

  // Both ends of every line lie in the oval; the ink check below keeps the hole clear.
  for (const auto& line : layout->lines()) {
    const double inkRight = line->right() - line->trailingWhitespaceWidth();
    for (double x : {line->left(), inkRight})
      EXPECT_TRUE(insideOval(x, line->position().y, 1)) << line->description().utf8();
  }

  auto ctx = gfx::Context::createBitmap(nullptr, size_t(W * kScale), size_t(H * kScale), 8, 0,
                                        gfx::ColorSpace::deviceRGB(), 0x2002);
  ASSERT_TRUE(ctx);
  ctx->setRGBFillColor(1, 1, 1, 1);
  ctx->fillRect(gfx::RectMake(0, 0, W * kScale, H * kScale));
  ctx->scaleCTM(kScale, kScale);
  // The layout is y-down; the context y-up.
  const gfx::AffineTransform flip{1, 0, 0, -1, 0, H};
  ctx->setRGBStrokeColor(0.2, 0.5, 0.9, 1);
  ctx->setLineWidth(0.5);
  ctx->addPath(*gfx::Path::createWithEllipseInRect(kOval, &flip));
  ctx->addPath(*gfx::Path::createWithEllipseInRect(kHole, &flip));
  ctx->strokePath();
  ctx->setRGBFillColor(0, 0, 0, 1);  // text without a colour takes the context's
  for (const auto& line : layout->lines()) {
    const auto& drawn = layout->truncatedLine() && layout->truncatedLine()->index() == line->index() ? layout->truncatedLine() : line;
    drawn->CTLine()->draw(*ctx, {drawn->position().x, H - drawn->position().y});
  }
  auto image = ctx->makeImage();
  ASSERT_TRUE(image);

  // Dark ink only where text goes: none inside the hole (away from its outline), some in
  // the oval's body.
  auto dark = [&](double x, double y) {
    const uint32_t p = image->pixel(size_t(x * kScale), size_t(y * kScale));
    return ((p >> 16) & 0xff) < 80 && ((p >> 8) & 0xff) < 80 && (p & 0xff) < 80;
  };
  size_t inHole = 0, inOval = 0, outside = 0;
  for (double y = 0; y < H; y += 0.5)
    for (double x = 0; x < W; x += 0.5) {
      if (!dark(x, y)) continue;
      const double cx = (x - 160) / 27, cy = (y - 120) / 37;
      if (cx * cx + cy * cy <= 1) ++inHole;
      if (insideOval(x, y, 0)) ++inOval;
      else if (!insideOval(x, y, 3)) ++outside;
    }
  EXPECT_EQ(inHole, 0u);
  EXPECT_EQ(outside, 0u);
  EXPECT_GT(inOval, 2000u);

  if (const char* dir = std::getenv("KD_ARTIFACT_DIR")) {
    std::filesystem::create_directories(dir);
    auto png = gfx::UIImagePNGRepresentation(gfx::Image::imageWithCGImage(image));
    ASSERT_TRUE(png);
    std::ofstream out(std::filesystem::path(dir) / "text_layout_ellipse.png", std::ios::binary);
    out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
  }
}
