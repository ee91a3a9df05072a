#include "platform/ui/controllers/NavigationItem.h"

#include "platform/ui/view/View.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(NavigationItem) {
  c.property("title", &NavigationItem::title, &NavigationItem::setTitle);
  c.property("titleView", &NavigationItem::titleView, &NavigationItem::setTitleView);
  c.property("backBarButtonItem", &NavigationItem::backBarButtonItem, &NavigationItem::setBackBarButtonItem);
}

void NavigationItem::changed() {
  if (changed_) changed_();
}

void NavigationItem::setTitle(const rt::String& title) {
  setAndNotify("title", title_, title);
  changed();
}

void NavigationItem::setTitleView(const Ref<View>& view) {
  setAndNotify("titleView", titleView_, view);
  changed();
}

void NavigationItem::setLeftBarButtonItem(const Ref<BarButtonItem>& item, bool animated) {
  (void)animated;
  left_ = item;
  changed();
}

void NavigationItem::setRightBarButtonItem(const Ref<BarButtonItem>& item, bool animated) {
  (void)animated;
  right_ = item;
  changed();
}

void NavigationItem::setBackBarButtonItem(const Ref<BarButtonItem>& item) {
  setAndNotify("backBarButtonItem", back_, item);
  changed();
}

void NavigationItem::setHidesBackButton(bool hides, bool animated) {
  (void)animated;
  hidesBack_ = hides;
  changed();
}

}  // namespace ui
