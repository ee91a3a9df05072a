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
  auto ofState = [this](uint64_t s) {
    auto own = titleTextAttributesForState(s);
    return own ? own : appearance()->titleTextAttributesForState(s);
  };
  auto normal = ofState(ControlStateNormal);
  if (state == ControlStateNormal) return normal;
  auto specific = ofState(state);
  if (!specific || !normal) return specific ? specific : normal;
  auto merged = fd::MutableDictionary::create();
  merged->addEntriesFromDictionary(*normal);
  merged->addEntriesFromDictionary(*specific);
  return merged;
}

void TabBarItem::setTitlePositionAdjustment(gfx::Offset offset) {
  if (offset == titleAdjustment_) return;
  titleAdjustment_ = offset;
  itemDidChange();
}

const Ref<BarItemAppearance>& TabBarItem::appearance() {
  static const Ref<BarItemAppearance> proxy = rt::make<BarItemAppearance>();
  return proxy;
}

}  // namespace ui
