// A selection from a right-to-left line into a left-to-right one, drawn with its pieces and
// carets over the text, checked for where the tint falls and written out for a look when
// KD_ARTIFACT_DIR is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"
#include "tests/text/layout/QuerySamples.h"

using namespace text;

// Helpers and tests share a namespace of this file's own: test sources compile in batches.
namespace selection_picture_test {

namespace {

constexpr double W = 320, H = 120, kScale = 2;

}  // namespace

TEST(DRTextSelectionPicture, RightToLeftIntoLeftToRight) {
  const gfx::EdgeInsets insets{12, 16, 12, 16};
  const rt::String s = rt::String(layout_test::kHebrew) + u"\nThe district news today";
  auto layout = DRTextLayout::layoutWithContainer(DRTextContainer::containerWithSize({W, H}, insets),
                                                  layout_test::text(s, layout_test::latin(20)));
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->lines().size(), 2u);
  // From after the first Hebrew word (at the right) to after "The district" (16 + 12).
  auto selection = DRTextRange::rangeWithRange(rt::Range{6, 22});
  auto rects = layout->selectionRectsForRange(selection);
  ASSERT_EQ(rects.size(), 4u);

  auto ctx = gfx::Context::createBitmap(nullptr, size_t(W * kScale), size_t(H * kScale), 8, 0,
                                        gfx::ColorSpace::deviceRGB(), 0x2002);
  ASSERT_TRUE(ctx);
  ctx->setRGBFillColor(1, 1, 1, 1);
  ctx->fillRect(gfx::RectMake(0, 0, W * kScale, H * kScale));
  ctx->scaleCTM(kScale, kScale);
  // The layout is y-down, the context y-up.
  auto flip = [](gfx::Rect r) { return gfx::RectMake(r.origin.x, H - r.origin.y - r.size.height, r.size.width, r.size.height); };
  ctx->setRGBFillColor(0.55, 0.75, 1, 1);
  for (const auto& r : layout->selectionRectsWithoutStartAndEndForRange(selection)) ctx->fillRect(flip(r->rect()));
  ctx->setRGBFillColor(0, 0, 0, 1);
  for (const auto& line : layout->lines()) line->CTLine()->draw(*ctx, {line->position().x, H - line->position().y});
  ctx->setRGBFillColor(0.1, 0.3, 0.9, 1);
  for (const auto& r : layout->selectionRectsWithOnlyStartAndEndForRange(selection))
    ctx->fillRect(flip(gfx::RectInset(r->rect(), -1, 0)));
  auto image = ctx->makeImage();
  ASSERT_TRUE(image);

  auto pixel = [&](double x, double y) { return image->pixel(size_t(x * kScale), size_t(y * kScale)); };
  auto tinted = [&](double x, double y) {
    const uint32_t p = pixel(x, y);
    const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
    return b > 200 && r < 200 && g < 230 && g > r;
  };
  auto caretBlue = [&](double x, double y) {
    const uint32_t p = pixel(x, y);
    return ((p >> 16) & 0xff) < 60 && (p & 0xff) > 180;
  };
  const auto& rtlLine = *layout->lines()[0];
  const auto& ltrLine = *layout->lines()[1];
  const double a = layout->offsetForTextPosition(6, 0), b = layout->offsetForTextPosition(28, 1);
  // The caret pieces: at a on the first line, at b on the second.
  EXPECT_TRUE(caretBlue(a, rtlLine.top() + 3));
  EXPECT_TRUE(caretBlue(b, ltrLine.bottom() - 3));
  // The right-to-left start runs from its caret to the left edge; right of the caret stays white.
  size_t tint = 0, stray = 0;
  for (double x = insets.left + 1; x < W - insets.right - 1; x += 0.5) {
    const double y0 = rtlLine.top() + 1, y1 = ltrLine.bottom() - 1;
    for (double y : {y0, y1}) {
      const bool inside = y == y0 ? x < a - 1.5 : x < b - 1.5;
      const bool outside = y == y0 ? x > a + 1.5 : x > b + 1.5;
      if (inside) tint += tinted(x, y);
      if (outside) stray += tinted(x, y);
    }
  }
  EXPECT_GT(tint, 100u);
  EXPECT_EQ(stray, 0u);
  // Left of the container's inset nothing is tinted.
  EXPECT_FALSE(tinted(insets.left - 3, rtlLine.top() + 1));

  if (const char* dir = std::getenv("KD_ARTIFACT_DIR")) {
    std::filesystem::create_directories(dir);
    auto png = gfx::UIImagePNGRepresentation(gfx::Image::imageWithCGImage(image));
    ASSERT_TRUE(png);
    std::ofstream out(std::filesystem::path(dir) / "text_layout_selection.png", std::ios::binary);
    out.write(reinterpret_cast<const char*>(png->bytes()), static_cast<std::streamsize>(png->length()));
  }
}

}  // namespace selection_picture_test
