// The map annotation stand-in: an image sets its size around its centre and shows in a
// rendered frame; the highlighted flag is observable.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/graphics/ImageContext.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/maps/AnnotationView.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"

using namespace ui;

TEST(AnnotationViewTest, ImageSizesTheViewAroundItsCentreAndIsDrawn) {
  auto ctx = gfx::Context::createForImage({20, 10}, true, 1);
  ctx->setRGBFillColor(1, 0, 0, 1);
  ctx->fillRect(gfx::RectMake(0, 0, 20, 10));
  auto image = gfx::Image::imageWithCGImage(ctx->makeImage());
  ASSERT_TRUE(image);

  auto pin = rt::make<AnnotationView>(rt::String("pin"));
  EXPECT_EQ(pin->reuseIdentifier(), rt::String("pin"));
  pin->setCenter({50, 50});
  pin->setImage(image);
  EXPECT_EQ(pin->frame(), gfx::RectMake(40, 45, 20, 10));
  EXPECT_EQ(pin->image(), image);
  int changes = 0;
  uint64_t token = pin->observe("highlighted", 0, [&](rt::Object*, const rt::KeyValueChange&) { ++changes; });
  pin->setHighlighted(true);
  EXPECT_TRUE(pin->isHighlighted());
  EXPECT_EQ(changes, 1);
  pin->removeObservation(token);

  auto screen = rt::make<Screen>(gfx::Size{100, 100}, 1);
  auto window = rt::make<Window>(gfx::RectMake(0, 0, 100, 100));
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->setHidden(false);
  window->addSubview(pin);
  HeadlessHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{window}; });
  std::string file = "/tmp/annotation_" + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(host.shoot(file));
  auto shot = gfx::Image::imageWithContentsOfFile(rt::String(file.c_str()));
  std::remove(file.c_str());
  ASSERT_TRUE(shot && shot->CGImage());
  EXPECT_EQ(shot->CGImage()->pixel(50, 50) & 0xffffff, 0xff0000u);
  EXPECT_EQ(shot->CGImage()->pixel(30, 50) & 0xffffff, 0xffffffu);
  Transaction::flush();
}
