#include "platform/ui/controls/Button.h"

#include <gtest/gtest.h>

#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"

using namespace ui;

namespace {
Ref<gfx::Image> solidImage(double w, double h) {
  auto ctx = gfx::Context::createForImage({w, h}, false, 1);
  ctx->setFillColor(gfx::Color::blueColor());
  ctx->fillRect({{0, 0}, {w, h}});
  return gfx::Image::imageWithCGImage(ctx->makeImage(), 1);
}
}  // namespace

TEST(Button, PerStateContentFallsBackToNormal) {
  auto b = Button::buttonWithType(ButtonType::Custom);
  b->setTitle(rt::String("Go"), ControlStateNormal);
  b->setTitle(rt::String("Going"), ControlStateHighlighted);
  b->setTitleColor(gfx::Color::redColor(), ControlStateNormal);
  auto off = solidImage(4, 4);
  b->setBackgroundImage(off, ControlStateDisabled);
  struct Case {
    bool highlighted, enabled, selected;
    const char* title;
    bool disabledBackground;
  } cases[] = {
      {false, true, false, "Go", false},
      {true, true, false, "Going", false},
      {false, false, false, "Go", true},
      {false, true, true, "Go", false},
  };
  for (auto& c : cases) {
    b->setEnabled(c.enabled);
    b->setSelected(c.selected);
    b->setHighlighted(c.highlighted);
    EXPECT_EQ(b->currentTitle(), rt::String(c.title));
    EXPECT_EQ(b->titleLabel()->text(), rt::String(c.title));
    EXPECT_TRUE(b->currentTitleColor()->isEqual(gfx::Color::redColor()));
    EXPECT_EQ(b->currentBackgroundImage() == off, c.disabledBackground);
  }
}

TEST(Button, IntrinsicSizeAddsImageTitleAndInsets) {
  auto b = Button::buttonWithType(ButtonType::Custom);
  auto image = solidImage(20, 30);
  b->setImage(image, ControlStateNormal);
  gfx::Size imageOnly = b->intrinsicContentSize();
  EXPECT_EQ(imageOnly, gfx::SizeMake(20, 30));
  b->setTitle(rt::String("Title"), ControlStateNormal);
  gfx::Size both = b->intrinsicContentSize();
  gfx::Size title = b->titleLabel()->sizeThatFits({0, 0});
  EXPECT_EQ(both.width, 20 + title.width);
  b->setContentEdgeInsets({5, 6, 7, 8});
  EXPECT_EQ(b->intrinsicContentSize().width, both.width + 14);
  EXPECT_EQ(b->intrinsicContentSize().height, both.height + 12);
  b->sizeToFit();
  b->layoutIfNeeded();
  // Image left of the title, both inside the content rectangle.
  EXPECT_LE(b->imageView()->frame().origin.x + 20, b->titleLabel()->frame().origin.x + 1e-9);
  EXPECT_GE(b->imageView()->frame().origin.x, 6 - 1e-9);
}

TEST(Button, ImagesDimWhenDisabledUnlessAskedNot) {
  auto b = Button::buttonWithType(ButtonType::Custom);
  b->setImage(solidImage(10, 10), ControlStateNormal);
  b->setEnabled(false);
  EXPECT_LT(b->imageView()->alpha(), 1);
  b->setAdjustsImageWhenDisabled(false);
  EXPECT_EQ(b->imageView()->alpha(), 1);
}
