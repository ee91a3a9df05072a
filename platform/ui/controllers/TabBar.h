#pragma once
// Tab bars: a 49-point bar along the bottom with one button per item, showing the item's
// image (the selected image for the selected item) over its title, in the title attributes
// of the button's state.
#include <functional>
#include <vector>

#include "platform/ui/controls/Control.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controllers/TabBarItem.h"

namespace ui {

class TabBar : public View {
  RT_CLASS_NAMED(TabBar, View, "UITabBar")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~TabBar() override;

  static constexpr double kHeight = 49;

  const std::vector<Ref<TabBarItem>>& items() const { return items_; }
  void setItems(const std::vector<Ref<TabBarItem>>& items, bool animated = false);
  Ref<TabBarItem> selectedItem() const { return selected_; }
  /// Shows `item` selected (no handler call; taps call it).
  void setSelectedItem(const Ref<TabBarItem>& item);
  /// Told about a tap on an item's button; it decides whether the selection moves.
  void setSelectionHandler(std::function<void(TabBarItem& item)> h) { onSelect_ = std::move(h); }

  Ref<gfx::Color> barTintColor() const { return barTintColor_; }
  void setBarTintColor(const Ref<gfx::Color>& color);
  Ref<gfx::Image> backgroundImage() const { return backgroundImage_; }
  void setBackgroundImage(const Ref<gfx::Image>& image);
  bool isTranslucent() const { return translucent_; }
  void setTranslucent(bool on);

  /// The button showing item `index` (for layout checks and tests), or null.
  Ref<Control> buttonAtIndex(size_t index) const;

  gfx::Size sizeThatFits(gfx::Size size) const override;
  void layoutSubviews() override;
  void tintColorDidChange() override { refreshButtons(); }

 private:
  void refreshButtons();
  void applyBackground();

  std::vector<Ref<TabBarItem>> items_;
  std::vector<Ref<Control>> buttons_;
  Ref<TabBarItem> selected_;
  std::function<void(TabBarItem&)> onSelect_;
  Ref<gfx::Color> barTintColor_;
  Ref<gfx::Image> backgroundImage_;
  Ref<ImageView> backgroundView_;
  Ref<View> shadowView_;
  bool translucent_ = true;
};

}  // namespace ui
