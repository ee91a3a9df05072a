#pragma once
// The base of the popups: a view that comes up over its host's dim with an entrance animation
// and leaves with an exit animation. Subclasses build their content and pick their kind.
#include <cstdint>
#include <functional>

#include "platform/ui/view/View.h"

namespace widgets {

enum PopupType : uint64_t { PopupTypeAlert = 0, PopupTypeSheet = 1, PopupTypeCustom = 2 };

class QPPopupView;
using PopupBlock = std::function<void(QPPopupView& popup)>;

class QPPopupView : public ui::View {
  RT_CLASS(QPPopupView, ui::View)
 public:
  void init();
  void init(gfx::Rect frame);

  /// Shown on a host whose dim is not hidden.
  bool visible();

  /// The host; a popup needs one before it is shown (see the popups section of the
  /// architecture notes).
  Ref<ui::View> attachedView;
  void setAttachedView(const Ref<ui::View>& host) { attachedView = host; }

  PopupType type() const { return type_; }
  /// Also selects the matching animation pair; an unknown kind keeps the pair it had.
  void setType(uint64_t type);
  double animationDuration() const { return duration_; }
  /// Also becomes the host's dim duration when there is a host.
  void setAnimationDuration(double seconds);

  bool withKeyboard = false;
  PopupBlock showCompletionBlock, hideCompletionBlock;
  PopupBlock showAnimation, hideAnimation;

  void show() { showWithBlock(nullptr); }
  void showWithBlock(PopupBlock completion);
  void hide() { hideWithBlock(nullptr); }
  void hideWithBlock(PopupBlock completion);

  PopupBlock alertShowAnimation();
  PopupBlock alertHideAnimation();
  PopupBlock sheetShowAnimation();
  PopupBlock sheetHideAnimation();
  PopupBlock customShowAnimation();
  PopupBlock customHideAnimation();

  virtual void showKeyboard() {}
  virtual void hideKeyboard() {}

  /// How far above the host's centre a popup with an input rests.
  static constexpr double kKeyboardLift = 108;

 private:
  void setup();
  PopupType type_ = PopupTypeAlert;
  double duration_ = 0;
  bool holdsDim_ = false;  // this popup counts once in its host's dim, however often shown
};

}  // namespace widgets
