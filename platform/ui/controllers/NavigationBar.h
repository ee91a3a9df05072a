#pragma once
// Navigation bars: a 44-point bar showing the top navigation item (title or title view, left
// and right buttons, or a back button to the item beneath), over a background of the bar tint
// colour or a background image, with a shadow line along the bottom.
#include <functional>
#include <map>
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controllers/NavigationItem.h"

namespace ui {

enum class BarMetrics : int64_t { Default = 0, Compact = 1, DefaultPrompt = 101, CompactPrompt = 102 };

class NavigationBar : public View {
  RT_CLASS_NAMED(NavigationBar, View, "UINavigationBar")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~NavigationBar() override;

  static constexpr double kHeight = 44;

  // ---- items
  const std::vector<Ref<NavigationItem>>& items() const { return items_; }
  void setItems(const std::vector<Ref<NavigationItem>>& items, bool animated = false);
  void pushNavigationItem(const Ref<NavigationItem>& item, bool animated = false);
  Ref<NavigationItem> popNavigationItemAnimated(bool animated = false);
  Ref<NavigationItem> topItem() const { return items_.empty() ? nullptr : items_.back(); }
  Ref<NavigationItem> backItem() const { return items_.size() < 2 ? nullptr : items_[items_.size() - 2]; }
  /// Called when the back button is tapped (the navigation controller pops).
  void setBackHandler(std::function<void()> h) { backHandler_ = std::move(h); }

  // ---- look
  Ref<gfx::Color> barTintColor() const { return barTintColor_; }
  void setBarTintColor(const Ref<gfx::Color>& color);
  bool isTranslucent() const { return translucent_; }
  void setTranslucent(bool on);
  void setBackgroundImage(const Ref<gfx::Image>& image, BarMetrics metrics);
  Ref<gfx::Image> backgroundImageForBarMetrics(BarMetrics metrics) const;
  Ref<gfx::Image> shadowImage() const { return shadowImage_; }
  void setShadowImage(const Ref<gfx::Image>& image);
  /// Font (NSFont) and colour (NSColor) of the title.
  Ref<fd::Dictionary> titleTextAttributes() const { return titleAttributes_; }
  void setTitleTextAttributes(const Ref<fd::Dictionary>& attributes);
  Ref<gfx::Image> backIndicatorImage() const { return backIndicator_; }
  void setBackIndicatorImage(const Ref<gfx::Image>& image);
  Ref<gfx::Image> backIndicatorTransitionMaskImage() const { return backIndicatorMask_; }
  void setBackIndicatorTransitionMaskImage(const Ref<gfx::Image>& image) { backIndicatorMask_ = image; }

  // ---- what is shown (for layout and tests)
  const Ref<Label>& titleLabel() const { return titleLabel_; }
  /// The view of the left item, else the back button when one shows; null when none.
  Ref<View> leftView() const;
  Ref<View> rightView() const { return rightView_; }
  const Ref<Button>& backButton() const { return backButton_; }

  gfx::Size sizeThatFits(gfx::Size size) const override;
  void layoutSubviews() override;
  void tintColorDidChange() override { itemsChanged(); }

 private:
  void itemsChanged();
  void rebuild();
  void applyBackground();
  Ref<View> viewForItem(const Ref<BarButtonItem>& item);
  void watch(const Ref<NavigationItem>& item);

  std::vector<Ref<NavigationItem>> items_;
  std::function<void()> backHandler_;
  Ref<gfx::Color> barTintColor_;
  std::map<BarMetrics, Ref<gfx::Image>> backgrounds_;
  Ref<gfx::Image> shadowImage_, backIndicator_, backIndicatorMask_;
  Ref<fd::Dictionary> titleAttributes_;
  bool translucent_ = true;
  bool dirty_ = true;

  Ref<View> background_;         // extends up under the status bar
  Ref<ImageView> backgroundImageView_;
  Ref<ImageView> shadowView_;
  Ref<Label> titleLabel_;
  Ref<View> titleView_;
  Ref<Button> backButton_;
  Ref<View> leftView_, rightView_;
};

}  // namespace ui
