#include <gtest/gtest.h>

#include <cmath>

#include "base/graphics/Color+DUDer.h"
#include "base/graphics/Geometry+DUDer.h"
#include "base/graphics/Image+DUDer.h"
#include "base/ui/Layer+DUDer.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/view/Window.h"

namespace base {
namespace {

using M = ui::ViewContentMode;

TEST(GeometryAdditions, FitRectsByContentMode) {
  gfx::Rect square{{0, 0}, {100, 100}};
  struct Case {
    gfx::Rect rect;
    gfx::Size size;
    M mode;
    gfx::Rect expected;
  } cases[] = {
      {square, {200, 100}, M::ScaleAspectFit, {{0, 25}, {100, 50}}},
      {square, {200, 100}, M::ScaleAspectFill, {{-50, 0}, {200, 100}}},
      {square, {0.005, 10}, M::ScaleAspectFit, {{50, 50}, {0, 0}}},
      {square, {-20, -10}, M::Center, {{40, 45}, {20, 10}}},
      {square, {20, 10}, M::BottomRight, {{80, 90}, {20, 10}}},
      {square, {20, 10}, M::Top, {{40, 0}, {20, 10}}},
      {{{100, 0}, {-100, 100}}, {20, 10}, M::Redraw, square},
  };
  for (const auto& c : cases) EXPECT_EQ(DRFitRectByContentMode(c.rect, c.size, c.mode), c.expected);
  EXPECT_EQ(DRContentModeFromGravity(ui::kCAGravityTopRight), M::TopRight);
  EXPECT_EQ(DRContentModeFromGravity("nonsense"), M::ScaleToFill);
  EXPECT_EQ(DRGravityFromContentMode(M::Redraw), ui::kCAGravityResize);
  auto layer = rt::make<ui::Layer>();
  setContentMode(*layer, M::ScaleAspectFill);
  EXPECT_EQ(layer->contentsGravity(), ui::kCAGravityResizeAspectFill);
  EXPECT_EQ(contentMode(*layer), M::ScaleAspectFill);
}

TEST(GeometryAdditions, TransformsFromPointsAndBetweenViews) {
  gfx::Point before[3] = {{0, 0}, {0, 1}, {1, 0}}, after[3] = {{10, 20}, {10, 22}, {12, 20}};
  EXPECT_EQ(DRAffineTransformFromPointPairs(before, after), (gfx::AffineTransform{2, 0, 0, 2, 10, 20}));
  gfx::Point collinear[3] = {{0, 0}, {1, 1}, {2, 2}};
  EXPECT_EQ(DRAffineTransformFromPointPairs(collinear, after), gfx::AffineTransformIdentity);
  EXPECT_EQ(DRAffineTransformBetweenViews(nullptr, nullptr), gfx::AffineTransformIdentity);
  auto window = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
  auto a = rt::make<ui::View>(gfx::RectMake(10, 20, 50, 50)), b = rt::make<ui::View>(gfx::RectMake(30, 70, 50, 50));
  window->addSubview(a);
  window->addSubview(b);
  gfx::AffineTransform t = DRAffineTransformBetweenViews(a.get(), b.get());
  EXPECT_NEAR(t.tx, -20, 1e-9);
  EXPECT_NEAR(t.ty, -50, 1e-9);
  EXPECT_NEAR(t.a, 1, 1e-9);

  auto screen = ui::Screen::mainScreen();
  gfx::Rect landscape = boundsForOrientation(*screen, 3), portrait = boundsForOrientation(*screen, 1);
  EXPECT_EQ(landscape.size.width, portrait.size.height);
  EXPECT_EQ(pixelsPerInch(*screen), 326);  // this machine's model is in no table
  EXPECT_GT(DRMainScreenSize().height, DRMainScreenSize().width - 1);
}

TEST(ColorAdditions, HexHslCmykAndChanges) {
  double r, g, b, a;
  auto orange = colorWithHexString("  #ff8800 ");
  ASSERT_TRUE(orange && orange->getRed(&r, &g, &b, &a));
  EXPECT_NEAR(g, 136 / 255.0, 1e-6);
  auto halfRed = colorWithHexString("0xFF000080");
  ASSERT_TRUE(halfRed && halfRed->getRed(&r, &g, &b, &a));
  EXPECT_NEAR(a, 128 / 255.0, 1e-6);
  EXPECT_FALSE(colorWithHexString("#12345"));
  // Short forms: each digit n stands for n x 17 ("F" is 255, "8" is 136).
  struct Short {
    const char* text;
    double r, g, b, a;
  } shorts[] = {
      {"F00", 1, 0, 0, 1},
      {"FFF", 1, 1, 1, 1},
      {"#08c", 0, 0x88 / 255.0, 0xcc / 255.0, 1},
      {"F008", 1, 0, 0, 0x88 / 255.0},
      {"0x1234", 0x11 / 255.0, 0x22 / 255.0, 0x33 / 255.0, 0x44 / 255.0},
  };
  for (const auto& c : shorts) {
    SCOPED_TRACE(c.text);
    auto color = colorWithHexString(c.text);
    ASSERT_TRUE(color && color->getRed(&r, &g, &b, &a));
    EXPECT_NEAR(r, c.r, 1e-6);
    EXPECT_NEAR(g, c.g, 1e-6);
    EXPECT_NEAR(b, c.b, 1e-6);
    EXPECT_NEAR(a, c.a, 1e-6);
  }

  EXPECT_EQ(hexString(*gfx::Color::whiteColor()), "ffffff");
  EXPECT_EQ(hexString(*gfx::Color::whiteColor(), true), "ffffffff");
  EXPECT_EQ(hexString(*gfx::Color::colorWithWhite(0.5, 1)), "7f7f7f");
  EXPECT_EQ(rgbValue(*colorWithRGB(0x336699)), 0x336699u);
  EXPECT_EQ(rgbaValue(*colorWithRGBA(0x33669980)), 0x33669980u);

  double h, s, l;
  DRColorRGBToHSL(1, 0, 0, &h, &s, &l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(l, 0.5);
  DRColorRGBToHSL(0.1, 0.05, 0, &h, &s, &l);
  EXPECT_NEAR(h, 1.0 / 12, 1e-12);
  DRColorHSLToRGB(0, 1, 0.5, &r, &g, &b);
  EXPECT_EQ(std::vector<double>({r, g, b}), std::vector<double>({1, 0, 0}));
  double c, m, y, k;
  DRColorRGBToCMYK(0, 0, 0, &c, &m, &y, &k);
  EXPECT_EQ(std::vector<double>({c, m, y, k}), std::vector<double>({0, 0, 0, 1}));
  // Conversions round-trip within one step of 8-bit precision.
  for (double v : {0.0, 0.2, 0.5, 0.77, 1.0}) {
    DRColorRGBToHSL(v, 1 - v, v / 2, &h, &s, &l);
    DRColorHSLToRGB(h, s, l, &r, &g, &b);
    EXPECT_NEAR(r, v, 1 / 255.0);
    EXPECT_NEAR(g, 1 - v, 1 / 255.0);
    EXPECT_NEAR(b, v / 2, 1 / 255.0);
  }

  auto shifted = colorByChangeHSB(*gfx::Color::colorWithHue(0.9, 1, 1, 1), 0.2, 0, 0, 0);
  EXPECT_NEAR(hue(*shifted), 0.1, 1e-6);
  shifted = colorByChangeHSB(*gfx::Color::colorWithHue(0.1, 1, 1, 1), -0.2, 0, 0, 0);
  EXPECT_NEAR(hue(*shifted), 0.9, 1e-6);
  auto mixed = colorByAddColor(*gfx::Color::whiteColor(), *gfx::Color::colorWithRed(1, 0, 0, 0.5), gfx::BlendMode::Normal);
  mixed->getRed(&r, &g, &b, &a);
  EXPECT_NEAR(g, 0.5, 1 / 255.0 + 1e-9);
  // Translucent results come back as straight components, not darkened by their alpha: half
  // red over clear is red at half alpha, and half red over half blue is as the blend says.
  auto overClear = colorByAddColor(*gfx::Color::clearColor(), *gfx::Color::colorWithRed(1, 0, 0, 0.5),
                                   gfx::BlendMode::Normal);
  ASSERT_TRUE(overClear && overClear->getRed(&r, &g, &b, &a));
  EXPECT_NEAR(a, 0.5, 1 / 255.0 + 1e-9);
  EXPECT_NEAR(r, 1, 2 / 255.0);
  EXPECT_NEAR(g, 0, 1e-9);
  auto overBlue = colorByAddColor(*gfx::Color::colorWithRed(0, 0, 1, 0.5), *gfx::Color::colorWithRed(1, 0, 0, 0.5),
                                  gfx::BlendMode::Normal);
  ASSERT_TRUE(overBlue && overBlue->getRed(&r, &g, &b, &a));
  EXPECT_NEAR(a, 0.75, 1 / 255.0 + 1e-9);
  EXPECT_NEAR(r, 0.5 / 0.75, 2 / 255.0);   // premultiplied red 0.5 over alpha 0.75
  EXPECT_NEAR(b, 0.25 / 0.75, 2 / 255.0);  // premultiplied blue 0.25 over alpha 0.75
  auto clear = colorByAddColor(*gfx::Color::clearColor(), *gfx::Color::clearColor(), gfx::BlendMode::Normal);
  ASSERT_TRUE(clear && clear->getRed(&r, &g, &b, &a));
  EXPECT_EQ(std::vector<double>({r, g, b, a}), std::vector<double>({0, 0, 0, 0}));
  EXPECT_EQ(colorSpaceString(*gfx::Color::redColor()), "kCGColorSpaceModelRGB");
}

// Pixel (x, y) of an image's bitmap as 0xAARRGGBB.
uint32_t px(const gfx::Image& image, size_t x, size_t y) { return image.CGImage()->pixel(x, y); }

class ImageAdditionsTest : public ::testing::Test {
 protected:
  void SetUp() override { gfx::setMainScreenScale(1); }
  void TearDown() override { gfx::setMainScreenScale(saved); }
  Ref<gfx::Image> make() {
    return imageWithSize({4, 4}, [](gfx::Context& c) {
      c.setFillColor(gfx::Color::redColor());
      c.fillRect({{0, 0}, {2, 2}});
      c.setFillColor(gfx::Color::greenColor());
      c.fillRect({{2, 0}, {2, 2}});
      c.setFillColor(gfx::Color::blueColor());
      c.fillRect({{0, 2}, {2, 2}});
      c.setFillColor(gfx::Color::whiteColor());
      c.fillRect({{2, 2}, {2, 2}});
    });
  }
  double saved = gfx::mainScreenScale();
};

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

TEST_F(ImageAdditionsTest, FlipsRotationsAndCrops) {
  auto image = make();
  ASSERT_TRUE(image);
  EXPECT_EQ(px(*image, 0, 0), kRed);
  auto h = imageByFlipHorizontal(*image);
  EXPECT_EQ(px(*h, 0, 0), kGreen);
  auto v = imageByFlipVertical(*image);
  EXPECT_EQ(px(*v, 0, 0), kBlue);
  auto turned = imageByRotate180(*image);
  EXPECT_EQ(px(*turned, 0, 0), kWhite);
  auto left = imageByRotateLeft90(*image);
  ASSERT_TRUE(left);
  EXPECT_EQ(left->CGImage()->width(), 4u);
  auto crop = imageByCropToRect(*image, {{2, 2}, {2, 2}});
  ASSERT_TRUE(crop);
  EXPECT_EQ(crop->CGImage()->width(), 2u);
  EXPECT_EQ(px(*crop, 0, 0), kWhite);
  EXPECT_FALSE(imageByCropToRect(*image, {{0, 0}, {0, 3}}));
}

TEST_F(ImageAdditionsTest, InsetFramesRoundCornersAndTint) {
  auto image = make();
  auto framed = imageByInsetEdge(*image, {-1, -1, -1, -1}, gfx::Color::blackColor());
  ASSERT_TRUE(framed);
  EXPECT_EQ(framed->size(), gfx::SizeMake(6, 6));
  EXPECT_EQ(px(*framed, 0, 0), 0xFF000000u);
  EXPECT_EQ(px(*framed, 1, 1), kRed);

  auto rounded = imageByRoundCornerRadius(*image, 2);
  ASSERT_TRUE(rounded);
  EXPECT_LT(px(*rounded, 0, 0) >> 24, 0x80u);  // the corner is cut away
  EXPECT_EQ(px(*rounded, 1, 1), kRed);
  auto all = imageByRoundCornerRadius(*image, 1, 2, gfx::Color::blackColor());
  for (size_t y = 0; y < 4; ++y)
    for (size_t x = 0; x < 4; ++x) EXPECT_EQ(px(*all, x, y) >> 24, 0u);

  auto tinted = imageByTintColor(*image, gfx::Color::colorWithRed(0, 0, 1, 1));
  EXPECT_EQ(px(*tinted, 3, 3), kBlue);
}

TEST_F(ImageAdditionsTest, BlursMatchADirectConvolution) {
  uint32_t box;
  int passes;
  DRBlurBoxForRadius(2, &box, &passes);
  EXPECT_EQ(box, 3u);
  EXPECT_EQ(passes, 3);
  DRBlurBoxForRadius(0.4, &box, &passes);
  EXPECT_EQ(box, 3u);
  EXPECT_EQ(passes, 1);

  auto image = make();
  auto same = imageByBlurRadius(*image, 0, nullptr, gfx::BlendMode::Normal, 1, nullptr);
  ASSERT_TRUE(same);
  EXPECT_EQ(same->scale(), 1);
  EXPECT_EQ(px(*same, 3, 0), kGreen);

  // One 3x3 pass with the edges extended, against the same sum taken here.
  auto blurred = imageByBlurRadius(*image, 0.4, nullptr, gfx::BlendMode::Normal, 1, nullptr);
  ASSERT_TRUE(blurred);
  for (size_t y = 0; y < 4; ++y)
    for (size_t x = 0; x < 4; ++x)
      for (int shift : {0, 8, 16}) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            size_t sx = static_cast<size_t>(std::clamp<int>(static_cast<int>(x) + dx, 0, 3));
            size_t sy = static_cast<size_t>(std::clamp<int>(static_cast<int>(y) + dy, 0, 3));
            sum += (px(*image, sx, sy) >> shift) & 0xFF;
          }
        EXPECT_NEAR(static_cast<int>((px(*blurred, x, y) >> shift) & 0xFF), sum / 9.0, 1.0) << x << "," << y;
      }

  auto gray = imageByGrayscale(*image);
  uint32_t p = px(*gray, 0, 0);
  EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
  EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
  EXPECT_TRUE(imageByBlurDark(*image));
  EXPECT_FALSE(imageByBlurRadius(gfx::Image(), 2, nullptr, gfx::BlendMode::Normal, 1, nullptr));
}

}  // namespace
}  // namespace base
