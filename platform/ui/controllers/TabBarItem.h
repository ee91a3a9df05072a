#pragma once
// Tab bar items: the title and the two images (normal and selected) of one tab, and the class's
// appearance proxy for title attributes.
#include <functional>

#include "platform/ui/view/Appearance.h"
#include "platform/ui/controllers/BarItem.h"

namespace ui {

class TabBarItem : public BarItem {
  RT_CLASS_NAMED(TabBarItem, BarItem, "UITabBarItem")
 public:
  void init() {}
  void init(const rt::String& title, const Ref<gfx::Image>& image, const Ref<gfx::Image>& selectedImage);
  void init(const rt::String& title, const Ref<gfx::Image>& image, int64_t tag);

  /// Without a selected image the normal one is shown when selected.
  Ref<gfx::Image> selectedImage() const { return selectedImage_; }
  void setSelectedImage(const Ref<gfx::Image>& image);
  rt::String badgeValue() const { return badge_; }
  void setBadgeValue(const rt::String& badge);

  /// The attributes used for the title in `state`: the item's own, else the appearance
  /// proxy's, over the normal state's for what they leave out (a selected colour alone
  /// keeps the normal font). Null when neither state has any.
  Ref<fd::Dictionary> effectiveTitleTextAttributes(uint64_t state) const;

  /// Moves the title from where the bar puts it (points; positive is right and down).
  gfx::Offset titlePositionAdjustment() const { return titleAdjustment_; }
  void setTitlePositionAdjustment(gfx::Offset offset);

  /// The proxy shared by every tab bar item.
  static const Ref<BarItemAppearance>& appearance();

  /// Set by the tab bar that shows the item, so that changes reach it.
  void setChangeHandler(std::function<void()> h) { changed_ = std::move(h); }

 protected:
  void itemDidChange() override {
    if (changed_) changed_();
  }

 private:
  Ref<gfx::Image> selectedImage_;
  rt::String badge_;
  gfx::Offset titleAdjustment_;
  std::function<void()> changed_;
};

}  // namespace ui
