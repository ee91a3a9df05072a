#pragma once
// Bar button items: a title, an image or a custom view placed on a navigation bar, sending an
// action to a target (held weakly) or calling a callable when tapped.
#include <functional>

#include "platform/graphics/Color.h"
#include "platform/runtime/Selector.h"
#include "platform/ui/controllers/BarItem.h"

namespace ui {

class View;

enum class BarButtonItemStyle : int64_t { Plain = 0, Bordered = 1, Done = 2 };

class BarButtonItem : public BarItem {
  RT_CLASS_NAMED(BarButtonItem, BarItem, "UIBarButtonItem")
 public:
  using Action = std::function<void(BarButtonItem& sender)>;

  void init() {}
  void init(const rt::String& title, BarButtonItemStyle style, const rt::Id& target, rt::Selector action);
  void init(const Ref<gfx::Image>& image, BarButtonItemStyle style, const rt::Id& target, rt::Selector action);
  /// The custom view is shown as it is and handles its own touches.
  void init(const Ref<View>& customView);

  BarButtonItemStyle style() const { return style_; }
  void setStyle(BarButtonItemStyle s) { style_ = s; itemDidChange(); }
  Ref<View> customView() const { return customView_; }
  void setCustomView(const Ref<View>& view);
  /// Zero: as wide as the content needs.
  double width() const { return width_; }
  void setWidth(double w) { width_ = w; itemDidChange(); }
  Ref<gfx::Color> tintColor() const { return tintColor_; }
  void setTintColor(const Ref<gfx::Color>& c) { tintColor_ = c; itemDidChange(); }

  rt::Id target() const { return target_.lock(); }
  void setTarget(const rt::Id& target) {
    target_ = target;
    hasTarget_ = target != nullptr;
  }
  rt::Selector action() const { return action_; }
  void setAction(rt::Selector action) { action_ = action; }
  /// A callable run on every tap, in addition to the target-action pair.
  void setActionHandler(Action handler) { handler_ = std::move(handler); }

  /// What a tap on the item's button does: the selector (taking nothing or the item) goes to
  /// the target, or along the responder chain when there is no target; then the callable.
  void sendAction();

  /// Set by the bar that shows the item, so that changes reach it.
  void setChangeHandler(std::function<void()> h) { changed_ = std::move(h); }

 protected:
  void itemDidChange() override {
    if (changed_) changed_();
  }

 private:
  BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
  Ref<View> customView_;
  double width_ = 0;
  Ref<gfx::Color> tintColor_;
  Weak<rt::Object> target_;
  bool hasTarget_ = false;
  rt::Selector action_;
  Action handler_;
  std::function<void()> changed_;
};

}  // namespace ui
