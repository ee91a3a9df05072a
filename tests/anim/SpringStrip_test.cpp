// A view sliding on a spring, rendered frame by frame into a strip: each row is one frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "anim/PXAnimator.h"
#include "anim/PXSpringAnimation.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageData.h"
#include "platform/ui/view/View.h"

namespace anim {
namespace {

constexpr int kFrames = 24;
constexpr double kRowHeight = 40, kWidth = 320;

// The x of the first dark pixel in a row of the strip (the box's left edge), or -1.
int leftEdge(const gfx::BitmapImage& image, int row) {
  size_t y = static_cast<size_t>((row + 0.5) * kRowHeight);
  for (size_t x = 0; x < image.width(); ++x) {
    uint32_t p = image.pixel(x, y);  // 0xAARRGGBB
    if (((p >> 16) & 0xFF) < 128 && (p & 0xFF) > 128) return static_cast<int>(x);  // the blue box on white
  }
  return -1;
}

TEST(SpringStrip, AViewSlidesOvershootsAndSettles) {
  fd::RunLoopDriver::useVirtualClock();
  auto track = rt::make<ui::View>(gfx::RectMake(0, 0, kWidth, kRowHeight));
  track->setBackgroundColor(gfx::Color::whiteColor());
  auto box = rt::make<ui::View>(gfx::RectMake(10, 5, 30, 30));
  box->setBackgroundColor(gfx::Color::colorWithRed(0.1, 0.3, 0.9, 1));
  track->addSubview(box);

  auto spring = PXSpringAnimation::animationWithPropertyNamed("view.center");
  spring->setToValue(fd::ValueBox::valueWith(gfx::Point{260, 20}));
  spring->setSpringBounciness(12);
  spring->setSpringSpeed(8);
  px_addAnimation(box, spring, "slide");
  fd::RunLoopDriver::runOneTurn();

  gfx::beginImageContextWithOptions({kWidth, kRowHeight * kFrames}, true, 1);
  auto context = gfx::currentContext();
  for (int i = 0; i < kFrames; ++i) {
    context->saveGState();
    context->translateCTM(0, kRowHeight * i);
    track->layer()->renderInContext(*context);
    context->restoreGState();
    fd::RunLoopDriver::advance(1.0 / 30);
  }
  auto strip = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  fd::RunLoopDriver::reset();
  ASSERT_TRUE(strip && strip->CGImage());
  if (const char* dir = std::getenv("KD_ARTIFACT_DIR")) {
    std::filesystem::create_directories(dir);
    auto png = gfx::UIImagePNGRepresentation(strip);
    std::ofstream(std::filesystem::path(dir) / "spring-strip.png", std::ios::binary).write(png->view().data(), png->length());
  }

  std::vector<int> edges;
  for (int i = 0; i < kFrames; ++i) edges.push_back(leftEdge(*strip->CGImage(), i));
  EXPECT_EQ(edges.front(), 10);
  int farthest = *std::max_element(edges.begin(), edges.end());
  EXPECT_GT(farthest, 245 + 2);                // past its resting place (left edge 245)
  EXPECT_NEAR(edges.back(), 245, 2);           // and back at rest
  for (size_t i = 1; i < 6; ++i) EXPECT_GT(edges[i], edges[i - 1]);  // moving right at first
}

}  // namespace
}  // namespace anim
