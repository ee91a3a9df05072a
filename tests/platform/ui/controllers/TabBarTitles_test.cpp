// Tab titles drawn whole: as tall as their font's line, descenders inside the picture, centred
// when the item has no image, and moved by the item's title position adjustment.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/StringDrawing.h"
#include "platform/ui/controllers/TabBar.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

constexpr double kScale = 2;
const gfx::Rect kBar = gfx::RectMake(0, 51, 320, 49);

// Ink rows (top and bottom, pixels) of dark pixels inside `r` (points), or {-1, -1}.
std::pair<int, int> inkRows(const Compositor& c, gfx::Rect r) {
  int top = -1, bottom = -1;
  for (int y = int(r.origin.y * kScale); y < int((r.origin.y + r.size.height) * kScale); ++y)
    for (int x = int(r.origin.x * kScale); x < int((r.origin.x + r.size.width) * kScale); ++x) {
      uint32_t p = c.pixelAt(size_t(x), size_t(y));
      if (((p >> 8) & 0xFF) < 200) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
    }
  return {top, bottom};
}

// The ink height in pixels of `text` drawn with nothing to cut it.
int freeInkHeight(const rt::String& text, const Ref<typeset::Font>& font) {
  auto ctx = gfx::Context::createForImage({200, 80}, false, kScale);
  auto attrs = fd::Dictionary::withStrings({{rt::String(typeset::FontAttributeName), font}});
  typeset::drawAtPoint(*typeset::AttributedString::create(text, attrs), *ctx, {10, 20});
  int top = -1, bottom = -1;
  for (size_t y = 0; y < ctx->height(); ++y)
    for (size_t x = 0; x < ctx->width(); ++x)
      if ((ctx->pixelAt(x, y) >> 24) > 55) {
        if (top < 0) top = int(y);
        bottom = int(y);
        break;
      }
  return bottom - top;
}

Ref<gfx::Image> clearImage() {
  auto ctx = gfx::Context::createForImage({25, 25}, false, kScale);
  return gfx::Image::imageWithCGImage(ctx->makeImage(), kScale);
}

class TabBarTitlesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 100));
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->setHidden(false);
    bar = rt::make<TabBar>(kBar);
    bar->setBarTintColor(gfx::Color::whiteColor());
    window->addSubview(bar);
  }
  void TearDown() override { TabBarItem::appearance()->reset(); }
  Ref<TabBarItem> item(const char* title, bool withImage) {
    auto i = rt::make<TabBarItem>(rt::String(title), withImage ? clearImage() : nullptr, nullptr);
    i->setTitleTextAttributes(fd::Dictionary::withStrings({{rt::String(typeset::FontAttributeName), font},
                                                          {rt::String(typeset::ForegroundColorAttributeName),
                                                           gfx::Color::blackColor()}}),
                              0);
    return i;
  }
  Ref<Compositor> render() {
    window->layoutIfNeeded();
    auto c = std::make_shared<Compositor>(gfx::Size{320, 100}, kScale);
    c->render(*window->layer());
    return c;
  }
  // The button's column of the bar, in window points.
  gfx::Rect column(size_t i) { return bar->buttonAtIndex(i)->convertRectToView(bar->buttonAtIndex(i)->bounds(), nullptr); }

  Ref<typeset::Font> font = typeset::Font::systemFontOfSize(14);
  Ref<Window> window;
  Ref<TabBar> bar;
};

TEST_F(TabBarTitlesTest, TitlesUnderImagesDrawWholeInsideTheBar) {
  const char* titles[] = {"资讯", "游走", "Yoga", "云岫声"};
  std::vector<Ref<TabBarItem>> items;
  for (auto* t : titles) items.push_back(item(t, true));
  bar->setItems(items);
  auto c = render();
  for (size_t i = 0; i < items.size(); ++i) {
    auto [top, bottom] = inkRows(*c, column(i));
    ASSERT_GE(top, 0) << titles[i];
    EXPECT_LT(bottom, int((kBar.origin.y + kBar.size.height) * kScale) - 1) << titles[i] << ": ink to the bar's edge";
    EXPECT_NEAR(bottom - top, freeInkHeight(rt::String(titles[i]), font), 1) << titles[i] << " lost ink rows";
    EXPECT_GE(top, int((kBar.origin.y + 25) * kScale)) << titles[i] << " stays under the image";
  }
}

TEST_F(TabBarTitlesTest, ATitleWithoutAnImageIsCentredAndFollowsItsAdjustment) {
  auto only = item("视听", false);
  bar->setItems({only});
  auto c = render();
  auto [top, bottom] = inkRows(*c, column(0));
  ASSERT_GE(top, 0);
  double centre = (top + bottom + 1) / 2.0 / kScale;
  EXPECT_NEAR(centre, kBar.origin.y + kBar.size.height / 2, 3);

  only->setTitlePositionAdjustment({0, -6});
  auto moved = render();
  auto [top2, bottom2] = inkRows(*moved, column(0));
  EXPECT_EQ(top2, top - 12);
  EXPECT_EQ(bottom2, bottom - 12);
}

}  // namespace
