#pragma once
// The progress display: one process-wide box over the application that shows a status with an
// endless spinner, a progress ring, or an image that dismisses itself after a time that grows
// with the text. The class-level operations are the whole public surface; they forward to the
// one shared instance.
#include <cstdint>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/graphics/Image.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controls/Control.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/layer/ShapeLayer.h"
#include "platform/ui/view/View.h"
#include "widgets/progress/PHIndefiniteAnimatedView.h"

namespace widgets {

/// What the display does around the box.
enum PHProgressHUDMask : uint64_t {
  /// Touches reach the application beneath; nothing is drawn.
  PHMaskTouchThrough = 1,
  /// Touches are swallowed; nothing is drawn.
  PHMaskSwallowTouches = 2,
  /// Touches are swallowed; the screen is dimmed with black at half alpha.
  PHMaskDimmed = 3,
  /// Touches are swallowed; a radial gradient darkens the screen towards its edges.
  PHMaskGradient = 4,
};

class PHProgressHUD : public ui::View {
  RT_CLASS(PHProgressHUD, ui::View)
 public:
  /// Writes the default style settings; the shared instance is made with the screen's bounds.
  void init(gfx::Rect frame);
  static Ref<PHProgressHUD> sharedView();

  // ---- class-level interface
  /// Sets the label's text and lays the box out again, shown or not.
  static void setStatus(const rt::String& status);
  /// The box's colour, applied at once.
  static void setBackgroundColor(const Ref<gfx::Color>& color);
  // These take effect when the parts that read them are next built or fetched.
  static void setForegroundColor(const Ref<gfx::Color>& color);
  static void setFont(const Ref<typeset::Font>& font);
  static void setRingThickness(double thickness);
  static void setInfoImage(const Ref<gfx::Image>& image);
  static void setSuccessImage(const Ref<gfx::Image>& image);
  static void setErrorImage(const Ref<gfx::Image>& image);
  static void setDefaultMaskType(uint64_t maskType);
  /// Kept only; nothing shows it.
  static void setViewForExtension(const Ref<ui::View>& view);
  static void setOffsetFromCenter(gfx::Offset offset);
  static void resetOffsetFromCenter();

  // Shows with the spinner (progress below 0) or a ring filled to `progress` (0...1).
  static void show();
  static void showWithMaskType(uint64_t maskType);
  static void showWithStatus(const rt::String& status);
  static void showWithStatus(const rt::String& status, uint64_t maskType);
  static void showProgress(float progress);
  static void showProgress(float progress, uint64_t maskType);
  static void showProgress(float progress, const rt::String& status);
  static void showProgress(float progress, const rt::String& status, uint64_t maskType);
  // Shows an image with text; it dismisses itself after displayDurationForString(status).
  static void showInfoWithStatus(const rt::String& status);
  static void showInfoWithStatus(const rt::String& status, uint64_t maskType);
  static void showSuccessWithStatus(const rt::String& status);
  static void showSuccessWithStatus(const rt::String& status, uint64_t maskType);
  static void showErrorWithStatus(const rt::String& status);
  static void showErrorWithStatus(const rt::String& status, uint64_t maskType);
  static void showImage(const Ref<gfx::Image>& image, const rt::String& status);
  static void showImage(const Ref<gfx::Image>& image, const rt::String& status, uint64_t maskType);

  /// Takes back one spinner showing; dismisses when none is left.
  static void popActivity();
  /// Dismisses when visible; otherwise does nothing.
  static void dismiss();
  /// True exactly while the display's alpha is 1 (from the moment of a show).
  static bool isVisible();

  /// min(0.5 + 0.06 x UTF-16 length, 5.0) seconds.
  static double displayDurationForString(const rt::String& string);

  // ---- the instance operations behind the class-level ones
  /// The spinner or ring show.
  void presentProgress(float progress, const rt::String& status, uint64_t maskType);
  /// The image show, with its automatic dismissal after `duration` seconds.
  void presentImage(const Ref<gfx::Image>& image, const rt::String& status, double duration, uint64_t maskType);
  /// The dismissal: fades out and tears the display down.
  void performDismiss();
  /// A copy of `image` painted in `color` where it has ink.
  static Ref<gfx::Image> imageWithTintColor(const Ref<gfx::Image>& image, const Ref<gfx::Color>& color);

  // ---- layout and placement
  /// Sizes the box for the label's text and content and places the label, image, spinner
  /// and rings in it.
  void updatePosition();
  /// Places the box on screen: with a keyboard or orientation notification inside an
  /// animation of the keyboard's duration, without one at once.
  void positionHUD(const Ref<fd::Notification>& notification);
  void moveToPoint(gfx::Point center, double angle);
  /// Follows keyboard and orientation changes until the teardown.
  void registerNotifications();
  /// The status dictionary; null when the label has no text.
  Ref<fd::Dictionary> notificationUserInfo();
  /// Height of the on-screen keyboard, found in the keyboard's window.
  double visibleKeyboardHeight() const;
  /// Draws the dimming of mask types 3 and 4.
  void drawRect(gfx::Rect rect) override;

  // ---- parts, built on first access
  const Ref<ui::Control>& overlayView();
  const Ref<ui::View>& hudView();
  const Ref<ui::Label>& stringLabel();
  const Ref<ui::ImageView>& imageView();
  const Ref<PHIndefiniteAnimatedView>& indefiniteAnimatedView();
  const Ref<ui::ShapeLayer>& ringLayer();
  const Ref<ui::ShapeLayer>& backgroundRingLayer();
  /// Removes both rings (they are rebuilt by the next ring show).
  void cancelRingLayerAnimation();
  /// A full circle starting at the top, clockwise, in a layer centred on `center`.
  Ref<ui::ShapeLayer> createRingLayer(gfx::Point center, double radius, double lineWidth,
                                      const Ref<gfx::Color>& color) const;

  // ---- state
  uint64_t maskType() const { return maskType_; }
  /// Mask types 1 and 2 leave the display transparent.
  bool isClear() const { return maskType_ == PHMaskTouchThrough || maskType_ == PHMaskSwallowTouches; }
  /// -1 without a ring; else the ring's fill.
  double progress() const { return progress_; }
  uint64_t activityCount() const { return activityCount_; }
  gfx::Offset offsetFromCenter() const { return offsetFromCenter_; }
  const Ref<fd::Timer>& fadeOutTimer() const { return fadeOutTimer_; }
  /// Invalidates the pending timer before keeping the new one.
  void setFadeOutTimer(Ref<fd::Timer> timer);

  /// The current style settings (process-wide).
  static Ref<gfx::Color> backgroundColorSetting();
  static Ref<gfx::Color> foregroundColorSetting();
  static Ref<typeset::Font> fontSetting();
  static double ringThicknessSetting();
  static Ref<gfx::Image> infoImageSetting();
  static Ref<gfx::Image> successImageSetting();
  static Ref<gfx::Image> errorImageSetting();
  static uint64_t defaultMaskTypeSetting();
  static Ref<ui::View> viewForExtensionSetting();

 private:
  // The style every show reads. The process has one display, so its settings live in the
  // shared instance, whose initialiser writes the defaults before any setter stores a value.
  struct Style {
    Ref<gfx::Color> background;
    Ref<gfx::Color> foreground;
    Ref<typeset::Font> font;
    double ringThickness = 2;
    Ref<gfx::Image> info, success, error;
    uint64_t defaultMaskType = PHMaskTouchThrough;
    Ref<ui::View> extension;
  };

  void overlayViewDidReceiveTouchEvent(ui::Event* event);
  void applyInteraction(const rt::String& status);
  void tearDown();
  /// The rings as they are, without building them.
  bool hasRings() const { return ringLayer_ || backgroundRingLayer_; }

  Style style_;
  uint64_t maskType_ = 0;
  double progress_ = 0;
  uint64_t activityCount_ = 0;
  gfx::Offset offsetFromCenter_;
  bool registered_ = false;
  Ref<fd::Timer> fadeOutTimer_;
  Ref<ui::Control> overlayView_;
  Ref<ui::View> hudView_;
  Ref<ui::Label> stringLabel_;
  Ref<ui::ImageView> imageView_;
  Ref<PHIndefiniteAnimatedView> spinner_;
  Ref<ui::ShapeLayer> backgroundRingLayer_;
  Ref<ui::ShapeLayer> ringLayer_;
};

}  // namespace widgets
