#include "platform/ui/controllers/BarItem.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(BarItem) {
  c.property("title", &BarItem::title, &BarItem::setTitle);
  c.property("image", &BarItem::image, &BarItem::setImage);
  c.property("enabled", &BarItem::isEnabled, &BarItem::setEnabled).getterName("isEnabled");
  c.property("tag", &BarItem::tag, &BarItem::setTag);
}

void BarItem::setTitle(const rt::String& title) {
  setAndNotify("title", title_, title);
  itemDidChange();
}

void BarItem::setImage(const Ref<gfx::Image>& image) {
  setAndNotify("image", image_, image);
  itemDidChange();
}

void BarItem::setEnabled(bool on) {
  setAndNotify("enabled", enabled_, on);
  itemDidChange();
}

void BarItem::setImageInsets(gfx::EdgeInsets e) {
  imageInsets_ = e;
  itemDidChange();
}

void BarItem::setTitleTextAttributes(const Ref<fd::Dictionary>& attributes, uint64_t state) {
  if (attributes) attributes_[state] = attributes;
  else attributes_.erase(state);
  itemDidChange();
}

Ref<fd::Dictionary> BarItem::titleTextAttributesForState(uint64_t state) const {
  auto it = attributes_.find(state);
  return it == attributes_.end() ? nullptr : it->second;
}

}  // namespace ui
