#pragma once
// Navigation items: what a navigation bar shows while a controller is on top (title or title
// view, left and right buttons) and the back button it offers to the controller above it.
#include <functional>

#include "platform/ui/controllers/BarButtonItem.h"

namespace ui {

class View;

class NavigationItem : public rt::Object {
  RT_CLASS_NAMED(NavigationItem, rt::Object, "UINavigationItem")
 public:
  void init() {}
  void init(const rt::String& title) { title_ = title; }

  rt::String title() const { return title_; }
  void setTitle(const rt::String& title);
  Ref<View> titleView() const { return titleView_; }
  void setTitleView(const Ref<View>& view);
  Ref<BarButtonItem> leftBarButtonItem() const { return left_; }
  void setLeftBarButtonItem(const Ref<BarButtonItem>& item, bool animated = false);
  Ref<BarButtonItem> rightBarButtonItem() const { return right_; }
  void setRightBarButtonItem(const Ref<BarButtonItem>& item, bool animated = false);
  /// The button shown to go back to this item's controller; null: one titled like the item.
  Ref<BarButtonItem> backBarButtonItem() const { return back_; }
  void setBackBarButtonItem(const Ref<BarButtonItem>& item);
  bool hidesBackButton() const { return hidesBack_; }
  void setHidesBackButton(bool hides, bool animated = false);

  /// Set by the bar that shows the item, so that changes reach it.
  void setChangeHandler(std::function<void()> h) { changed_ = std::move(h); }

 private:
  void changed();

  rt::String title_;
  Ref<View> titleView_;
  Ref<BarButtonItem> left_, right_, back_;
  bool hidesBack_ = false;
  std::function<void()> changed_;
};

}  // namespace ui
