#include <gtest/gtest.h>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/controls/ImageView.h"

using namespace ui;

namespace {

Ref<gfx::Image> solid(const Ref<gfx::Color>& color, double w = 4, double h = 4) {
  auto ctx = gfx::Context::createForImage({w, h}, false, 1);
  ctx->setFillColor(color);
  ctx->fillRect({{0, 0}, {w, h}});
  return gfx::Image::imageWithCGImage(ctx->makeImage(), 1);
}

class Cross : public View {
  RT_CLASS(Cross, View)
 public:
  int draws = 0;
  void drawRect(gfx::Rect) override {
    ++draws;
    auto ctx = gfx::currentContext();
    ctx->setFillColor(gfx::Color::redColor());
    ctx->fillRect({{0, 0}, {bounds().size.width / 2, bounds().size.height}});
  }
};
RT_IMPLEMENT(Cross) {}

uint32_t pixel(const Ref<View>& v, size_t x, size_t y) {
  auto ctx = gfx::Context::createForImage(v->bounds().size, false, 1);
  v->layer()->renderInContext(*ctx);
  return ctx->pixelAt(x, y);
}

}  // namespace

TEST(ViewKinds, BackgroundAndDrawRectReachThePixels) {
  auto root = rt::make<View>(gfx::RectMake(0, 0, 40, 20));
  root->setBackgroundColor(gfx::Color::blueColor());
  auto cross = rt::make<Cross>(gfx::RectMake(20, 0, 20, 20));
  root->addSubview(cross);
  cross->setNeedsDisplay();
  EXPECT_EQ(pixel(root, 5, 10), 0xFF0000FFu);   // background
  EXPECT_EQ(pixel(root, 25, 10), 0xFFFF0000u);  // the drawn half
  EXPECT_EQ(pixel(root, 35, 10), 0xFF0000FFu);  // undrawn half shows through
  int before = cross->draws;
  pixel(root, 0, 0);
  EXPECT_EQ(cross->draws, before);  // cached until it needs display again
  cross->setHidden(true);
  EXPECT_EQ(pixel(root, 25, 10), 0xFF0000FFu);
}

TEST(ViewKinds, ImageViewShowsTheImageForItsState) {
  auto normal = solid(gfx::Color::redColor(), 10, 6), lit = solid(gfx::Color::greenColor());
  auto iv = rt::make<ImageView>(normal, lit);
  EXPECT_EQ(iv->frame().size, gfx::SizeMake(10, 6));
  EXPECT_EQ(iv->intrinsicContentSize(), gfx::SizeMake(10, 6));
  EXPECT_FALSE(iv->isUserInteractionEnabled());
  EXPECT_EQ(iv->layer()->contents(), normal);
  iv->setHighlighted(true);
  EXPECT_EQ(iv->layer()->contents(), lit);
  EXPECT_EQ(pixel(iv, 5, 3), 0xFF00FF00u);
  iv->setContentMode(ViewContentMode::ScaleAspectFit);
  EXPECT_EQ(iv->layer()->contentsGravity(), kCAGravityResizeAspect);
}

TEST(ViewKinds, ImageViewPlaysItsFramesOnTheRunLoop) {
  fd::RunLoopDriver::useVirtualClock();
  {
    auto frames = std::vector<Ref<gfx::Image>>{solid(gfx::Color::redColor()), solid(gfx::Color::greenColor()),
                                               solid(gfx::Color::blueColor())};
    auto iv = rt::make<ImageView>(gfx::RectMake(0, 0, 4, 4));
    iv->setAnimationImages(frames);
    iv->setAnimationDuration(0.3);
    iv->setAnimationRepeatCount(2);
    iv->startAnimating();
    EXPECT_TRUE(iv->isAnimating());
    EXPECT_EQ(iv->layer()->contents(), frames[0]);
    fd::RunLoopDriver::advance(0.1 + 1e-3);
    EXPECT_EQ(iv->layer()->contents(), frames[1]);
    fd::RunLoopDriver::advance(0.5);
    EXPECT_FALSE(iv->isAnimating());  // two passes done
    EXPECT_EQ(iv->layer()->contents(), nullptr);
  }
  fd::RunLoopDriver::reset();
}

TEST(ViewKinds, TemplateImagesTakeTheTint) {
  auto mask = solid(gfx::Color::blackColor())->imageWithRenderingMode(gfx::ImageRenderingMode::AlwaysTemplate);
  auto iv = rt::make<ImageView>(mask);
  iv->setTintColor(gfx::Color::redColor());
  EXPECT_EQ(pixel(iv, 2, 2), 0xFFFF0000u);
  iv->setTintColor(gfx::Color::greenColor());
  EXPECT_EQ(pixel(iv, 2, 2), 0xFF00FF00u);
}

TEST(ViewKinds, ViewsSurviveKeyedArchiving) {
  auto root = rt::make<View>(gfx::RectMake(10, 20, 100, 50));
  root->setTag(7);
  root->setAlpha(0.5);
  root->setBackgroundColor(gfx::Color::redColor());
  root->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  root->setUserInteractionEnabled(false);
  auto image = solid(gfx::Color::greenColor(), 3, 2);
  auto iv = rt::make<ImageView>(image);
  iv->setTag(8);
  iv->setHighlighted(true);
  root->addSubview(iv);
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(root);
  ASSERT_TRUE(data);
  auto back = rt::as<View>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->frame(), gfx::RectMake(10, 20, 100, 50));
  EXPECT_EQ(back->tag(), 7);
  EXPECT_EQ(back->alpha(), 0.5);
  EXPECT_TRUE(back->backgroundColor()->isEqual(gfx::Color::redColor()));
  EXPECT_EQ(back->autoresizingMask(), root->autoresizingMask());
  EXPECT_FALSE(back->isUserInteractionEnabled());
  ASSERT_EQ(back->subviews().size(), 1u);
  auto iv2 = rt::as<ImageView>(back->subviews()[0]);
  ASSERT_TRUE(iv2);
  EXPECT_EQ(iv2->tag(), 8);
  EXPECT_TRUE(iv2->isHighlighted());
  ASSERT_TRUE(iv2->image());
  EXPECT_EQ(iv2->image()->size(), gfx::SizeMake(3, 2));
}
