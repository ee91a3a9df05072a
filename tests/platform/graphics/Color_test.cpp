#include <gtest/gtest.h>

#include "platform/graphics/Color.h"

using namespace gfx;

TEST(Color, SpacesAndComponentCounts) {
  struct {
    Ref<Color> color;
    ColorSpaceModel model;
    size_t count;
  } cases[] = {
      {Color::colorWithRed(1, 0.5, 0, 1), ColorSpaceModel::RGB, 4},
      {Color::colorWithWhite(0.5, 1), ColorSpaceModel::Monochrome, 2},
      {Color::colorWithCMYK(0, 0, 0, 1, 1), ColorSpaceModel::CMYK, 5},
      {Color::clearColor(), ColorSpaceModel::Monochrome, 2},
      {Color::redColor(), ColorSpaceModel::RGB, 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.color->colorSpace()->model(), c.model);
    EXPECT_EQ(c.color->numberOfComponents(), c.count);
  }
  EXPECT_EQ(ColorSpace::deviceRGB().get(), ColorSpace::deviceRGB().get());
  EXPECT_NE(ColorSpace::createDeviceRGB().get(), ColorSpace::deviceRGB().get());
  EXPECT_TRUE(ColorSpace::createDeviceRGB()->isEqual(ColorSpace::deviceRGB()));
}

TEST(Color, CreateChecksComponentCount) {
  auto transparent = Color::create(ColorSpace::deviceRGB(), {0, 0, 0, 0});
  ASSERT_TRUE(transparent);
  EXPECT_EQ(transparent->alpha(), 0);
  EXPECT_FALSE(Color::create(ColorSpace::deviceRGB(), {0, 0, 0}));
  EXPECT_FALSE(Color::create(nullptr, {0, 0}));
}

TEST(Color, ReadBackInEveryForm) {
  double r, g, b, a, w, h, s, v;
  ASSERT_TRUE(Color::colorWithWhite(0.25, 0.5)->getRed(&r, &g, &b, &a));
  EXPECT_EQ(r, 0.25);
  EXPECT_EQ(b, 0.25);
  EXPECT_EQ(a, 0.5);
  ASSERT_TRUE(Color::colorWithWhite(0.25, 0.5)->getWhite(&w, &a));
  EXPECT_EQ(w, 0.25);
  ASSERT_TRUE(Color::colorWithHue(2.0 / 3.0, 1, 1, 1)->getRed(&r, &g, &b, &a));
  EXPECT_NEAR(r, 0, 1e-9);
  EXPECT_NEAR(b, 1, 1e-9);
  ASSERT_TRUE(Color::colorWithRed(0.2, 0.4, 0.8, 1)->getHue(&h, &s, &v, &a));
  auto round = Color::colorWithHue(h, s, v, a);
  ASSERT_TRUE(round->getRed(&r, &g, &b, &a));
  EXPECT_NEAR(r, 0.2, 1e-9);
  EXPECT_NEAR(g, 0.4, 1e-9);
  EXPECT_NEAR(b, 0.8, 1e-9);
}

TEST(Color, AlphaComponentEqualityAndDescription) {
  auto red = Color::redColor();
  auto faded = red->colorWithAlphaComponent(0.5);
  EXPECT_EQ(faded->alpha(), 0.5);
  EXPECT_EQ(red->alpha(), 1);
  EXPECT_TRUE(faded->isEqual(Color::colorWithRed(1, 0, 0, 0.5)));
  EXPECT_FALSE(faded->isEqual(red));
  EXPECT_FALSE(Color::colorWithWhite(1, 1)->isEqual(Color::colorWithRed(1, 1, 1, 1)));
  EXPECT_EQ(red->description().utf8(), "UIExtendedSRGBColorSpace 1 0 0 1");
  EXPECT_EQ(Color::grayColor()->description().utf8(), "UIExtendedGrayColorSpace 0.5 1");
}
