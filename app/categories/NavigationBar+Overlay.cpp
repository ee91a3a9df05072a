#include "app/categories/NavigationBar+Overlay.h"

#include "platform/graphics/ImageContext.h"
#include "platform/ui/view/Screen.h"

namespace app {

namespace {

const char kOverlayKey = 0;
const char kEmptyImageKey = 0;

Ref<gfx::Image> makeEmptyImage() {
  gfx::beginImageContextWithOptions({1, 1}, false, 1);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

}  // namespace

Ref<ui::View> overlay(const ui::NavigationBar& bar) {
  return std::dynamic_pointer_cast<ui::View>(bar.associatedObject(&kOverlayKey));
}

void setOverlay(ui::NavigationBar& bar, const Ref<ui::View>& view) {
  bar.setAssociatedObject(&kOverlayKey, view, rt::AssociationPolicy::RetainNonatomic);
}

Ref<gfx::Image> emptyImage(const ui::NavigationBar& bar) {
  return std::dynamic_pointer_cast<gfx::Image>(bar.associatedObject(&kEmptyImageKey));
}

void setEmptyImage(ui::NavigationBar& bar, const Ref<gfx::Image>& image) {
  bar.setAssociatedObject(&kEmptyImageKey, image, rt::AssociationPolicy::RetainNonatomic);
}

void nb_setBackgroundColor(ui::NavigationBar& bar, const Ref<gfx::Color>& color) {
  if (!overlay(bar)) {
    bar.setBackgroundImage(makeEmptyImage(), ui::BarMetrics::Default);
    double width = ui::Screen::mainScreen()->bounds().size.width;
    auto view = rt::make<ui::View>(gfx::Rect{{0, -20}, {width, bar.bounds().size.height + 20}});
    view->setUserInteractionEnabled(false);
    view->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth | ui::ViewAutoresizingFlexibleHeight);
    bar.insertSubviewAtIndex(view, 0);
    setOverlay(bar, view);
  }
  overlay(bar)->setBackgroundColor(color);
}

void nb_setTranslationY(ui::NavigationBar& bar, double y) {
  bar.setTransform(gfx::AffineTransformMakeTranslation(0, y));
}

void setAlphaForSubviewsOfView(ui::NavigationBar& bar, double alpha, ui::View& view) {
  auto skip = overlay(bar);
  auto subviews = view.subviews();
  for (const auto& sub : subviews) {
    if (sub == skip) continue;
    sub->setAlpha(alpha);
    setAlphaForSubviewsOfView(bar, alpha, *sub);
  }
}

void nb_setContentAlpha(ui::NavigationBar& bar, double alpha) {
  if (!overlay(bar)) nb_setBackgroundColor(bar, bar.tintColor());
  setAlphaForSubviewsOfView(bar, alpha, bar);
  if (alpha == 1) {
    if (!emptyImage(bar)) setEmptyImage(bar, makeEmptyImage());
    bar.setBackIndicatorImage(emptyImage(bar));
  }
}

void nb_reset(ui::NavigationBar& bar) {
  bar.setBackgroundImage(nullptr, ui::BarMetrics::Default);
  bar.setShadowImage(nullptr);
  if (auto view = overlay(bar)) view->removeFromSuperview();
  setOverlay(bar, nullptr);
}

}  // namespace app
