#include <gtest/gtest.h>

#include "app/categories/Color+Category.h"
#include "app/categories/NavigationBar+Overlay.h"

namespace {

TEST(UICategories, NavigationBarOverlayLiesUnderTheContentAndKeepsItsAlpha) {
  auto bar = rt::make<ui::NavigationBar>(gfx::Rect{{0, 20}, {375, 44}});
  auto item = rt::make<ui::View>(gfx::Rect{{10, 5}, {30, 30}});
  bar->addSubview(item);
  app::nb_setBackgroundColor(*bar, app::customSelectColor());
  auto overlay = app::overlay(*bar);
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(bar->subviews().front(), overlay);
  EXPECT_EQ(overlay->frame(), (gfx::Rect{{0, -20}, {375, 64}}));
  EXPECT_FALSE(overlay->isUserInteractionEnabled());
  app::nb_setBackgroundColor(*bar, app::customRedColor());
  EXPECT_EQ(app::overlay(*bar), overlay);  // made once, recoloured
  app::nb_setContentAlpha(*bar, 0.5);
  EXPECT_DOUBLE_EQ(item->alpha(), 0.5);
  EXPECT_DOUBLE_EQ(overlay->alpha(), 1);
  EXPECT_EQ(bar->backIndicatorImage(), nullptr);
  app::nb_setContentAlpha(*bar, 1);
  EXPECT_NE(bar->backIndicatorImage(), nullptr);
  EXPECT_EQ(bar->backIndicatorImage(), app::emptyImage(*bar));
  app::nb_setTranslationY(*bar, -10);
  EXPECT_DOUBLE_EQ(bar->transform().ty, -10);
  app::nb_reset(*bar);
  EXPECT_EQ(app::overlay(*bar), nullptr);
  EXPECT_EQ(overlay->superview(), nullptr);
}

}  // namespace
