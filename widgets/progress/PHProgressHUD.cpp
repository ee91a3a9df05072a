#include "widgets/progress/PHProgressHUD.h"

#include <algorithm>
#include <mutex>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/host/Accessibility.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"
#include "widgets/progress/PHProgressHUDNotifications.h"
#include "widgets/progress/PHProgressHUDResources.h"

namespace widgets {

RT_IMPLEMENT(PHProgressHUD) {
  c.property("maskType", &PHProgressHUD::maskType);
  c.property("progress", &PHProgressHUD::progress);
  c.property("activityCount", &PHProgressHUD::activityCount);
}

namespace {

constexpr double kFadeDuration = 0.15;
constexpr double kAppearScale = 1.3;
// The shrink of the fade-out, as the single-precision constant it has always been.
constexpr double kDisappearScale = static_cast<float>(0.8);

// Default images are masks drawn in the foreground colour by the image view.
Ref<gfx::Image> templateImage(const char* name) {
  auto image = PHProgressHUDBundleImage(name);
  return image ? image->imageWithRenderingMode(gfx::ImageRenderingMode::AlwaysTemplate) : nullptr;
}

void post(const char* name, const rt::Id& object, const Ref<fd::Dictionary>& userInfo) {
  fd::NotificationCenter::defaultCenter()->post(rt::String(name), object, userInfo);
}

}  // namespace

// ---- creation and settings

void PHProgressHUD::init(gfx::Rect frame) {
  ui::View::init(frame);
  setUserInteractionEnabled(false);
  ui::View::setBackgroundColor(gfx::Color::clearColor());
  setAlpha(0);
  activityCount_ = 0;
  Style& s = style_;
  if (auto font = typeset::Font::preferredFontForTextStyle(typeset::TextStyle::Subheadline)) {
    s.background = gfx::Color::whiteColor();
    s.foreground = gfx::Color::blackColor();
    s.font = font;
  } else {
    s.background = gfx::Color::colorWithWhite(0, 0.8);
    s.foreground = gfx::Color::whiteColor();
    s.font = typeset::Font::systemFontOfSize(14);
  }
  s.ringThickness = 2;
  s.info = templateImage("info");
  s.success = templateImage("success");
  s.error = templateImage("error");
  s.defaultMaskType = PHMaskTouchThrough;
}

Ref<PHProgressHUD> PHProgressHUD::sharedView() {
  static std::once_flag once;
  static Ref<PHProgressHUD> shared;
  std::call_once(once, [] { shared = rt::make<PHProgressHUD>(ui::Screen::mainScreen()->bounds()); });
  return shared;
}

// Every setting first makes the shared instance, so that its defaults never overwrite a value
// stored by the application.
void PHProgressHUD::setBackgroundColor(const Ref<gfx::Color>& color) {
  auto hud = sharedView();
  hud->hudView()->ui::View::setBackgroundColor(color);
  hud->style_.background = color;
}
void PHProgressHUD::setForegroundColor(const Ref<gfx::Color>& color) {
  sharedView()->style_.foreground = color;
}
void PHProgressHUD::setFont(const Ref<typeset::Font>& font) {
  sharedView()->style_.font = font;
}
void PHProgressHUD::setRingThickness(double thickness) {
  sharedView()->style_.ringThickness = thickness;
}
void PHProgressHUD::setInfoImage(const Ref<gfx::Image>& image) {
  sharedView()->style_.info = image;
}
void PHProgressHUD::setSuccessImage(const Ref<gfx::Image>& image) {
  sharedView()->style_.success = image;
}
void PHProgressHUD::setErrorImage(const Ref<gfx::Image>& image) {
  sharedView()->style_.error = image;
}
void PHProgressHUD::setDefaultMaskType(uint64_t maskType) {
  sharedView()->style_.defaultMaskType = maskType;
}
void PHProgressHUD::setViewForExtension(const Ref<ui::View>& view) {
  sharedView()->style_.extension = view;
}
void PHProgressHUD::setOffsetFromCenter(gfx::Offset offset) { sharedView()->offsetFromCenter_ = offset; }
void PHProgressHUD::resetOffsetFromCenter() { setOffsetFromCenter(gfx::OffsetZero); }

Ref<gfx::Color> PHProgressHUD::backgroundColorSetting() { return sharedView()->style_.background; }
Ref<gfx::Color> PHProgressHUD::foregroundColorSetting() { return sharedView()->style_.foreground; }
Ref<typeset::Font> PHProgressHUD::fontSetting() { return sharedView()->style_.font; }
double PHProgressHUD::ringThicknessSetting() { return sharedView()->style_.ringThickness; }
Ref<gfx::Image> PHProgressHUD::infoImageSetting() { return sharedView()->style_.info; }
Ref<gfx::Image> PHProgressHUD::successImageSetting() { return sharedView()->style_.success; }
Ref<gfx::Image> PHProgressHUD::errorImageSetting() { return sharedView()->style_.error; }
uint64_t PHProgressHUD::defaultMaskTypeSetting() { return sharedView()->style_.defaultMaskType; }
Ref<ui::View> PHProgressHUD::viewForExtensionSetting() { return sharedView()->style_.extension; }

// ---- class-level shows

void PHProgressHUD::setStatus(const rt::String& status) {
  auto hud = sharedView();
  hud->stringLabel()->setText(status);
  hud->updatePosition();
}

void PHProgressHUD::show() { showWithStatus(rt::String()); }
void PHProgressHUD::showWithMaskType(uint64_t maskType) { showProgress(-1, maskType); }
void PHProgressHUD::showWithStatus(const rt::String& status) { showProgress(-1, status); }
void PHProgressHUD::showWithStatus(const rt::String& status, uint64_t maskType) {
  showProgress(-1, status, maskType);
}
void PHProgressHUD::showProgress(float progress) { showProgress(progress, defaultMaskTypeSetting()); }
void PHProgressHUD::showProgress(float progress, uint64_t maskType) { showProgress(progress, rt::String(), maskType); }
void PHProgressHUD::showProgress(float progress, const rt::String& status) {
  showProgress(progress, status, defaultMaskTypeSetting());
}
void PHProgressHUD::showProgress(float progress, const rt::String& status, uint64_t maskType) {
  sharedView()->presentProgress(progress, status, maskType);
}

void PHProgressHUD::showInfoWithStatus(const rt::String& status) { showInfoWithStatus(status, defaultMaskTypeSetting()); }
void PHProgressHUD::showInfoWithStatus(const rt::String& status, uint64_t maskType) {
  showImage(infoImageSetting(), status, maskType);
}
void PHProgressHUD::showSuccessWithStatus(const rt::String& status) {
  showSuccessWithStatus(status, defaultMaskTypeSetting());
}
void PHProgressHUD::showSuccessWithStatus(const rt::String& status, uint64_t maskType) {
  showImage(successImageSetting(), status, maskType);
}
void PHProgressHUD::showErrorWithStatus(const rt::String& status) {
  showErrorWithStatus(status, defaultMaskTypeSetting());
}
void PHProgressHUD::showErrorWithStatus(const rt::String& status, uint64_t maskType) {
  showImage(errorImageSetting(), status, maskType);
}
void PHProgressHUD::showImage(const Ref<gfx::Image>& image, const rt::String& status) {
  showImage(image, status, defaultMaskTypeSetting());
}
void PHProgressHUD::showImage(const Ref<gfx::Image>& image, const rt::String& status, uint64_t maskType) {
  sharedView()->presentImage(image, status, displayDurationForString(status), maskType);
}

void PHProgressHUD::popActivity() {
  auto hud = sharedView();
  if (hud->activityCount_ > 0) --hud->activityCount_;
  if (hud->activityCount_ == 0) hud->performDismiss();
}

void PHProgressHUD::dismiss() {
  if (isVisible()) sharedView()->performDismiss();
}

bool PHProgressHUD::isVisible() { return sharedView()->alpha() == 1; }

double PHProgressHUD::displayDurationForString(const rt::String& string) {
  float length = static_cast<float>(string.length());
  return std::min(0.5 + 0.06 * length, 5.0);
}

// ---- the instance's shows and dismissal

void PHProgressHUD::presentProgress(float progress, const rt::String& status, uint64_t maskType) {
  const auto& overlay = overlayView();
  if (auto parent = overlay->superview()) {
    parent->bringSubviewToFront(overlay.get());
  } else {
    // The front-most ordinary window on the main screen; without one the display stays
    // unattached, but its state moves on all the same.
    auto windows = ui::Application::sharedApplication()->windows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
      const auto& w = *it;
      if (w->screen() == ui::Screen::mainScreen() && !w->isHidden() && w->alpha() > 0 &&
          w->windowLevel() == ui::WindowLevelNormal) {
        w->addSubview(overlay);
        break;
      }
    }
  }
  if (!superview()) overlay->addSubview(std::static_pointer_cast<ui::View>(self()));

  setFadeOutTimer(nullptr);
  imageView()->setHidden(true);
  maskType_ = maskType;
  progress_ = progress;
  stringLabel()->setText(status);
  updatePosition();

  if (progress_ >= 0) {
    imageView()->setImage(nullptr);
    imageView()->setHidden(false);
    indefiniteAnimatedView()->removeFromSuperview();
    ringLayer()->setStrokeEnd(progress_);
    if (progress_ == 0) ++activityCount_;
  } else {
    ++activityCount_;
    cancelRingLayerAnimation();
    hudView()->addSubview(indefiniteAnimatedView());
  }

  applyInteraction(status);
  overlay->setHidden(false);
  overlay->ui::View::setBackgroundColor(gfx::Color::clearColor());
  positionHUD(nullptr);

  if (alpha() == 1 && hudView()->alpha() == 1) {
    // Already up: the content changes in place. The mask type may have changed with it.
    setNeedsDisplay();
    return;
  }

  auto userInfo = notificationUserInfo();
  post(PHProgressHUDWillAppearNotification, nullptr, userInfo);
  registerNotifications();
  const auto& box = hudView();
  box->setTransform(gfx::AffineTransformScale(box->transform(), kAppearScale, kAppearScale));
  bool clear = isClear();
  if (clear) {
    setAlpha(1);
    box->setAlpha(0);
  }
  Weak<PHProgressHUD> weak = std::static_pointer_cast<PHProgressHUD>(self());
  ui::ViewAnimation::animate(
      kFadeDuration, 0, ui::ViewAnimationOptionAllowUserInteraction | ui::ViewAnimationOptionBeginFromCurrentState,
      [weak, clear] {
        auto hud = weak.lock();
        if (!hud) return;
        const auto& b = hud->hudView();
        b->setTransform(gfx::AffineTransformScale(b->transform(), 1 / kAppearScale, 1 / kAppearScale));
        if (clear) b->setAlpha(1);
        else hud->setAlpha(1);
      },
      [userInfo, status = stringLabel()->text()](bool) {
        post(PHProgressHUDDidAppearNotification, nullptr, userInfo);
        ui::accessibilityPostNotification(ui::AccessibilityScreenChangedNotification, nullptr);
        ui::accessibilityPostNotification(ui::AccessibilityAnnouncementNotification, fd::StringObject::create(status));
      });
  setNeedsDisplay();
}

void PHProgressHUD::presentImage(const Ref<gfx::Image>& image, const rt::String& status, double duration,
                                 uint64_t maskType) {
  progress_ = -1;
  maskType_ = maskType;
  cancelRingLayerAnimation();
  if (!isVisible()) showWithMaskType(maskType_);

  // The image view paints template images in its tint colour.
  imageView()->setTintColor(style_.foreground);
  imageView()->setImage(image);
  imageView()->setHidden(false);
  stringLabel()->setText(status);
  updatePosition();
  indefiniteAnimatedView()->removeFromSuperview();
  applyInteraction(status);
  ui::accessibilityPostNotification(ui::AccessibilityScreenChangedNotification, nullptr);
  ui::accessibilityPostNotification(ui::AccessibilityAnnouncementNotification, fd::StringObject::create(status));

  Weak<PHProgressHUD> weak = std::static_pointer_cast<PHProgressHUD>(self());
  auto timer = fd::Timer::timerWithTimeInterval(duration, self(), [weak](fd::Timer&) {
    if (auto hud = weak.lock()) hud->performDismiss();
  }, nullptr, false);
  setFadeOutTimer(timer);
  fd::RunLoop::mainRunLoop()->addTimer(timer, fd::NSRunLoopCommonModes);
}

void PHProgressHUD::performDismiss() {
  auto userInfo = notificationUserInfo();
  post(PHProgressHUDWillDisappearNotification, nullptr, userInfo);
  activityCount_ = 0;
  bool clear = isClear();
  Weak<PHProgressHUD> weak = std::static_pointer_cast<PHProgressHUD>(self());
  ui::ViewAnimation::animate(
      kFadeDuration, 0, ui::ViewAnimationOptionLayoutSubviews | ui::ViewAnimationOptionAllowUserInteraction,
      [weak, clear] {
        auto hud = weak.lock();
        if (!hud) return;
        const auto& b = hud->hudView();
        b->setTransform(gfx::AffineTransformScale(b->transform(), kDisappearScale, kDisappearScale));
        if (clear) b->setAlpha(0);
        else hud->setAlpha(0);
      },
      [weak, userInfo](bool) {
        auto hud = weak.lock();
        if (!hud) return;
        // A show during the fade-out raised the alphas again and keeps the display.
        bool boxGone = !hud->hudView_ || hud->hudView_->alpha() == 0;
        if (hud->alpha() != 0 && !boxGone) return;
        hud->tearDown();
        ui::accessibilityPostNotification(ui::AccessibilityScreenChangedNotification, nullptr);
        post(PHProgressHUDDidDisappearNotification, nullptr, userInfo);
        if (auto key = ui::Application::sharedApplication()->keyWindow()) {
          const auto& root = key->rootViewController();
          if (root && root->respondsToSelector("setNeedsStatusBarAppearanceUpdate"))
            root->performSelector(rt::sel("setNeedsStatusBarAppearanceUpdate"));
        }
      });
}

void PHProgressHUD::tearDown() {
  setAlpha(0);
  if (hudView_) hudView_->setAlpha(0);
  fd::NotificationCenter::defaultCenter()->removeObserver(self());
  registered_ = false;
  cancelRingLayerAnimation();
  if (hudView_) hudView_->removeFromSuperview();
  hudView_.reset();
  if (overlayView_) overlayView_->removeFromSuperview();
  overlayView_.reset();
  if (spinner_) spinner_->removeFromSuperview();
  spinner_.reset();
}

void PHProgressHUD::applyInteraction(const rt::String& status) {
  if (maskType_ == PHMaskTouchThrough) {
    overlayView()->setUserInteractionEnabled(false);
    hudView()->setAccessibilityLabel(status);
    hudView()->setIsAccessibilityElement(true);
  } else {
    overlayView()->setUserInteractionEnabled(true);
    setAccessibilityLabel(status);
    setIsAccessibilityElement(true);
  }
}

void PHProgressHUD::setFadeOutTimer(Ref<fd::Timer> timer) {
  if (fadeOutTimer_) fadeOutTimer_->invalidate();
  fadeOutTimer_ = std::move(timer);
}

Ref<fd::Dictionary> PHProgressHUD::notificationUserInfo() {
  rt::String text = stringLabel()->text();
  if (text.isEmpty()) return nullptr;
  return fd::Dictionary::withStrings({{PHProgressHUDStatusUserInfoKey, fd::box(text)}});
}

void PHProgressHUD::overlayViewDidReceiveTouchEvent(ui::Event* event) {
  rt::Id sender = event ? event->self() : nullptr;
  post(PHProgressHUDDidReceiveTouchEventNotification, sender, nullptr);
  if (!event) return;
  auto touch = event->allTouches().anyObject();
  if (!touch) return;
  gfx::Point where = touch->locationInView(this);
  if (gfx::RectContainsPoint(hudView()->frame(), where))
    post(PHProgressHUDDidTouchDownInsideNotification, sender, nullptr);
}

Ref<gfx::Image> PHProgressHUD::imageWithTintColor(const Ref<gfx::Image>& image, const Ref<gfx::Color>& color) {
  if (!image) return nullptr;
  gfx::Rect all{{0, 0}, image->size()};
  gfx::beginImageContextWithOptions(all.size, false, image->scale());
  image->drawInRect(all);
  if (auto context = gfx::currentContext()) {
    context->setFillColor(color);
    context->setBlendMode(gfx::BlendMode::SourceAtop);
    context->fillRect(all);
  }
  auto tinted = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return tinted;
}

}  // namespace widgets
