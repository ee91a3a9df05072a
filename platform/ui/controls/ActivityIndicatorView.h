#pragma once
// Activity indicators: twelve spokes whose brightness turns while animating.
#include "platform/foundation/threads/Timer.h"
#include "platform/ui/view/View.h"

namespace ui {

enum class ActivityIndicatorViewStyle : int64_t { WhiteLarge = 0, White = 1, Gray = 2 };

class ActivityIndicatorView : public View {
  RT_CLASS_NAMED(ActivityIndicatorView, View, "UIActivityIndicatorView")
 public:
  void init() { init(ActivityIndicatorViewStyle::White); }
  void init(ActivityIndicatorViewStyle style);
  void init(gfx::Rect frame);
  ~ActivityIndicatorView() override;

  ActivityIndicatorViewStyle activityIndicatorViewStyle() const { return style_; }
  void setActivityIndicatorViewStyle(ActivityIndicatorViewStyle s);
  Ref<gfx::Color> color() const;
  void setColor(Ref<gfx::Color> c) { color_ = std::move(c); setNeedsDisplay(); }
  bool hidesWhenStopped() const { return hidesWhenStopped_; }
  void setHidesWhenStopped(bool on);
  void startAnimating();
  void stopAnimating();
  bool isAnimating() const { return timer_ != nullptr; }
  /// The brightest spoke (0...11); it moves one step per tick while animating.
  int step() const { return step_; }

  gfx::Size sizeThatFits(gfx::Size size) const override { (void)size; return intrinsicContentSize(); }
  gfx::Size intrinsicContentSize() const override;
  void drawRect(gfx::Rect rect) override;

  static constexpr int kSpokes = 12;

 private:
  ActivityIndicatorViewStyle style_ = ActivityIndicatorViewStyle::White;
  Ref<gfx::Color> color_;
  bool hidesWhenStopped_ = true;
  Ref<fd::Timer> timer_;
  int step_ = 0;
};

}  // namespace ui
