#pragma once
// One channel button of the channel editor: a small rounded green button with a delete badge
// over its top-left corner, and three rotation wiggles (endless shake for delete mode, the
// settle that ends it, a short wiggle for a tap). Main thread only.
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"

namespace widgets {

class CBSortButton : public ui::Button {
  RT_CLASS(CBSortButton, ui::Button)
 public:
  void init();

  /// The delete badge, built on first read (hidden until delete mode).
  const Ref<ui::ImageView>& deletIcon();
  void setDeletIcon(Ref<ui::ImageView> icon) { deletIcon_ = std::move(icon); }
  bool isScareing() const { return scareing_; }
  void setIsScareing(bool on) { scareing_ = on; }

  /// Six quick wiggles ending level.
  void itemlittleScare();
  /// Shakes until a settle.
  void itemShake();
  /// Four wiggles ending level; holds level over the endless shake.
  void itemStop();
  void itemStopWithItem();
  void itemShakeWithItem();

  void layoutSubviews() override;

  /// Five degrees.
  static constexpr double kAngle = 3.14159265358979323846 / 36;
  static constexpr double kCycle = 0.1;

 private:
  void setup();
  void rotate(bool settle, double repeatCount);

  Ref<ui::ImageView> deletIcon_;
  bool scareing_ = false;
};

}  // namespace widgets
