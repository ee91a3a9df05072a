#include "platform/ui/controllers/TabBarItem.h"

#include "platform/ui/controls/Control.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TabBarItem) {
  c.property("selectedImage", &TabBarItem::selectedImage, &TabBarItem::setSelectedImage);
  c.property("badgeValue", &TabBarItem::badgeValue, &TabBarItem::setBadgeValue);
}

void TabBarItem::init(const rt::String& title, const Ref<gfx::Image>& image, const Ref<gfx::Image>& selectedImage) {
  setTitle(title);
  setImage(image);
  selectedImage_ = selectedImage;
}

void TabBarItem::init(const rt::String& title, const Ref<gfx::Image>& image, int64_t tag) {
  setTitle(title);
  setImage(image);
  setTag(tag);
}

void TabBarItem::setSelectedImage(const Ref<gfx::Image>& image) {
  setAndNotify("selectedImage", selectedImage_, image);
  itemDidChange();
}

void TabBarItem::setBadgeValue(const rt::String& badge) {
  setAndNotify("badgeValue", badge_, badge);
  itemDidChange();
}

Ref<fd::Dictionary> TabBarItem::effectiveTitleTextAttributes(uint64_t state) const {
  if (auto own = titleTextAttributesForState(state)) return own;
  if (auto shared = appearance()->titleTextAttributesForState(state)) return shared;
  if (state == ControlStateNormal) return nullptr;
  return effectiveTitleTextAttributes(ControlStateNormal);
}

const Ref<BarItemAppearance>& TabBarItem::appearance() {
  static const Ref<BarItemAppearance> proxy = rt::make<BarItemAppearance>();
  return proxy;
}

}  // namespace ui
