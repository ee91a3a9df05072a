// A layer asked to redraw only part of itself draws that part of its backing store again in
// place, and the frame composites only that part; stores and frames equal a whole redraw.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/View.h"

using namespace ui;

namespace {

constexpr int kDotRows = 12;
constexpr double kDotRowHeight = 10.3;  // rows off the pixel grid, so that a piece drawn out of phase shows

// Rows of antialiased dots, each row in a colour of its own; remembers the pixel size of the
// last store it drew into.
class Dots : public View {
  RT_CLASS(Dots, View)
 public:
  void drawRect(gfx::Rect) override {
    auto ctx = gfx::currentContext();
    lastStore = {double(ctx->width()), double(ctx->height())};
    for (int i = 0; i < kDotRows; ++i) {
      ctx->setFillColor(gfx::Color::colorWithRed(colors[i] / 10.0, 0.3, 1 - colors[i] / 10.0, 1));
      for (double x = 1.7; x + 7 < bounds().size.width; x += 9.1) ctx->fillEllipseInRect({{x, 1.1 + i * kDotRowHeight}, {7.5, 7.9}});
    }
  }
  gfx::Rect rowRect(int i) const { return {{0, i * kDotRowHeight}, {bounds().size.width, kDotRowHeight}}; }
  int colors[kDotRows] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1};
  gfx::Size lastStore;
};
RT_IMPLEMENT(Dots) {}

// The largest difference of any channel between two pictures of the same size (256: sizes differ).
int largestPixelDifference(const uint8_t* a, size_t aRow, const uint8_t* b, size_t bRow, size_t width, size_t height) {
  int worst = 0;
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width * 4; ++x) worst = std::max(worst, std::abs(int(a[y * aRow + x]) - int(b[y * bRow + x])));
  return worst;
}

class LayerPartialDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    Transaction::setDisableActions(true);
  }
  void TearDown() override {
    Transaction::setDisableActions(false);
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
};

}  // namespace

TEST_F(LayerPartialDisplayTest, APartAskedForIsDrawnAgainInPlaceAndMatchesAWholeRedraw) {
  constexpr gfx::Size kFrame{60, 140};
  constexpr double kScale = 3;
  auto root = rt::make<View>(gfx::RectMake(0, 0, kFrame.width, kFrame.height));
  root->setBackgroundColor(gfx::Color::whiteColor());
  auto dots = rt::make<Dots>(gfx::RectMake(3, 5, 50, kDotRows * kDotRowHeight));
  root->addSubview(dots);
  Compositor frame(kFrame, kScale);
  frame.render(*root->layer());
  const double wholeStore = dots->lastStore.width * dots->lastStore.height;
  Ref<rt::Object> held;  // a picture someone else keeps

  struct Case {
    const char* name;
    std::function<void()> change;
    bool inPlace;             // the same store, drawn again in part
    double maxDrawnFraction;  // of the frame's pixels
  };
  const Case cases[] = {
      {"one row recoloured",
       [&] {
         dots->colors[3] = 7;
         dots->setNeedsDisplayInRect(dots->rowRect(3));
       },
       true, 0.12},
      {"two rows asked for one by one",
       [&] {
         dots->colors[8] = 2;
         dots->colors[9] = 3;
         dots->setNeedsDisplayInRect(dots->rowRect(8));
         dots->setNeedsDisplayInRect(dots->rowRect(9));
       },
       true, 0.2},
      {"a part, then the whole",
       [&] {
         dots->colors[5] = 0;
         dots->colors[10] = 4;
         dots->setNeedsDisplayInRect(dots->rowRect(5));
         dots->setNeedsDisplay();
       },
       false, 1},
      {"the store held elsewhere",
       [&] {
         held = dots->layer()->contents();
         dots->colors[2] = 5;
         dots->setNeedsDisplayInRect(dots->rowRect(2));
       },
       false, 1},
      {"resized after the part was asked for",
       [&] {
         held = nullptr;
         dots->colors[6] = 1;
         dots->setNeedsDisplayInRect(dots->rowRect(6));
         dots->setFrame(gfx::RectMake(3, 5, 44, kDotRows * kDotRowHeight));
       },
       false, 1},
      {"a part outside the layer",
       [&] { dots->setNeedsDisplayInRect(gfx::RectMake(0, 500, 50, 10)); }, true, 0},
  };
  for (const auto& c : cases) {
    // Only its address: holding the store would make it shared, and so drawn anew whole.
    const rt::Object* before = dots->layer()->contents().get();
    Ref<gfx::BitmapImage> heldCopy;
    c.change();
    if (held) heldCopy = rt::as<gfx::BitmapImage>(held)->createWithImageInRect(gfx::RectMake(0, 0, 1e6, 1e6));
    dots->lastStore = {};
    frame.render(*root->layer());
    const auto* store = dynamic_cast<const gfx::BitmapImage*>(dots->layer()->contents().get());
    ASSERT_NE(store, nullptr) << c.name;
    EXPECT_EQ(dots->layer()->contents().get() == before, c.inPlace) << c.name;
    if (c.inPlace) {
      EXPECT_LT(dots->lastStore.width * dots->lastStore.height, 0.25 * wholeStore) << c.name;
    } else {
      EXPECT_EQ(dots->lastStore.width, double(store->width())) << c.name;
      EXPECT_EQ(dots->lastStore.height, double(store->height())) << c.name;
    }
    gfx::Rect drawn = frame.lastDrawnArea();
    EXPECT_LE(drawn.size.width * drawn.size.height,
              c.maxDrawnFraction * frame.pixelWidth() * frame.pixelHeight()) << c.name;
    if (heldCopy) {
      const auto* kept = rt::as<gfx::BitmapImage>(held).get();
      EXPECT_EQ(largestPixelDifference(kept->bytes(), kept->bytesPerRow(), heldCopy->bytes(), heldCopy->bytesPerRow(),
                                  kept->width(), kept->height()), 0)
          << c.name << ": a picture held elsewhere changed";
    }

    // The same view drawn whole, in a tree and frame of its own.
    auto freshRoot = rt::make<View>(gfx::RectMake(0, 0, kFrame.width, kFrame.height));
    freshRoot->setBackgroundColor(gfx::Color::whiteColor());
    auto fresh = rt::make<Dots>(dots->frame());
    std::copy(std::begin(dots->colors), std::end(dots->colors), fresh->colors);
    freshRoot->addSubview(fresh);
    Compositor whole(kFrame, kScale);
    whole.render(*freshRoot->layer());
    const auto* wholeStore = dynamic_cast<const gfx::BitmapImage*>(fresh->layer()->contents().get());
    ASSERT_NE(wholeStore, nullptr) << c.name;
    ASSERT_EQ(store->width(), wholeStore->width()) << c.name;
    ASSERT_EQ(store->height(), wholeStore->height()) << c.name;
    EXPECT_EQ(largestPixelDifference(store->bytes(), store->bytesPerRow(), wholeStore->bytes(), wholeStore->bytesPerRow(),
                                store->width(), store->height()), 0)
        << c.name << ": the store differs from one drawn whole";
    EXPECT_LE(largestPixelDifference(frame.pixels(), frame.bytesPerRow(), whole.pixels(), whole.bytesPerRow(),
                                frame.pixelWidth(), frame.pixelHeight()), 1)
        << c.name << ": the frame differs from one drawn whole";
  }
}
