// The display's view tree, the box's geometry, its place on screen and the dimming behind it.
#include <cmath>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/graphics/ImageContext.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/StringDrawing.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/view/InterpolatingMotionEffect.h"
#include "platform/ui/view/MotionEffectGroup.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"
#include "widgets/progress/KeyboardNotificationNames.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/progress/PHProgressHUDGeometry.h"

namespace widgets {

namespace {

constexpr double kCornerRadius = 2;
constexpr double kImageSide = 28;
constexpr double kMotionEffectReach = 10;
constexpr uint32_t kMeasuringOptions = typeset::StringDrawingUsesLineFragmentOrigin |
                                       typeset::StringDrawingUsesFontLeading |
                                       typeset::StringDrawingTruncatesLastVisibleLine;

// The platform rotates windows with the interface, so the display never turns the box itself;
// the process information answering its system version is how that is told.
constexpr bool kOrientationIgnored = true;

}  // namespace

// ---- parts

const Ref<ui::Control>& PHProgressHUD::overlayView() {
  if (!overlayView_) {
    overlayView_ = rt::make<ui::Control>(ui::Screen::mainScreen()->bounds());
    overlayView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth | ui::ViewAutoresizingFlexibleHeight);
    overlayView_->ui::View::setBackgroundColor(gfx::Color::clearColor());
    Weak<PHProgressHUD> weak = std::static_pointer_cast<PHProgressHUD>(self());
    overlayView_->addTarget(self(), [weak](ui::Control&, ui::Event* event) {
      if (auto hud = weak.lock()) hud->overlayViewDidReceiveTouchEvent(event);
    }, ui::ControlEventTouchDown);
  }
  return overlayView_;
}

const Ref<ui::View>& PHProgressHUD::hudView() {
  if (!hudView_) {
    hudView_ = rt::make<ui::View>(gfx::RectZero);
    hudView_->ui::View::setBackgroundColor(style_.background);
    hudView_->layer()->setCornerRadius(kCornerRadius);
    hudView_->layer()->setMasksToBounds(true);
    hudView_->setAutoresizingMask(ui::ViewAutoresizingFlexibleLeftMargin | ui::ViewAutoresizingFlexibleRightMargin |
                                  ui::ViewAutoresizingFlexibleTopMargin | ui::ViewAutoresizingFlexibleBottomMargin);
    // The box would drift up to 10 points against the device's tilt.
    auto tilt = [](const char* keyPath, ui::InterpolatingMotionEffectType type) {
      auto e = rt::make<ui::InterpolatingMotionEffect>(rt::String(keyPath), type);
      e->setMinimumRelativeValue(fd::Number::numberWithDouble(-kMotionEffectReach));
      e->setMaximumRelativeValue(fd::Number::numberWithDouble(kMotionEffectReach));
      return Ref<ui::MotionEffect>(e);
    };
    auto group = rt::make<ui::MotionEffectGroup>();
    group->setMotionEffects({tilt("center.x", ui::InterpolatingMotionEffectType::TiltAlongHorizontalAxis),
                             tilt("center.y", ui::InterpolatingMotionEffectType::TiltAlongVerticalAxis)});
    hudView_->addMotionEffect(group);
  }
  if (!hudView_->superview()) addSubview(hudView_);
  return hudView_;
}

const Ref<ui::Label>& PHProgressHUD::stringLabel() {
  if (!stringLabel_) {
    stringLabel_ = rt::make<ui::Label>(gfx::RectZero);
    stringLabel_->ui::View::setBackgroundColor(gfx::Color::clearColor());
    stringLabel_->setAdjustsFontSizeToFitWidth(true);
    stringLabel_->setTextAlignment(typeset::TextAlignment::Center);
    stringLabel_->setBaselineAdjustment(ui::BaselineAdjustment::AlignCenters);
    stringLabel_->setNumberOfLines(0);
  }
  if (!stringLabel_->superview()) hudView()->addSubview(stringLabel_);
  stringLabel_->setTextColor(style_.foreground);
  stringLabel_->setFont(style_.font);
  return stringLabel_;
}

const Ref<ui::ImageView>& PHProgressHUD::imageView() {
  if (!imageView_) imageView_ = rt::make<ui::ImageView>(gfx::RectMake(0, 0, kImageSide, kImageSide));
  if (!imageView_->superview()) hudView()->addSubview(imageView_);
  return imageView_;
}

// ---- the box

void PHProgressHUD::updatePosition() {
  const auto& label = stringLabel();
  rt::String text = label->text();
  bool hasText = !text.isEmpty();
  bool upperAreaInUse = imageView()->image() || imageView()->isHidden() || (progress_ != -1 && progress_ >= 0);

  gfx::Size measured;
  if (hasText) {
    auto attributes = fd::Dictionary::withStrings({{typeset::FontAttributeName, label->font()}});
    measured = typeset::boundingRectWithSize(text, kPHStatusMeasuringSize, kMeasuringOptions, attributes).size;
  }
  PHBoxLayout layout = PHBoxLayoutFor(hasText, measured, upperAreaInUse);
  double width = layout.boxSize.width, height = layout.boxSize.height;
  hudView()->setBounds({{0, 0}, layout.boxSize});

  gfx::Point upperCenter = hasText ? gfx::Point{width / 2, kPHUpperAreaCenterY} : gfx::Point{width / 2, height / 2};
  imageView()->setCenter(upperCenter);
  label->setHidden(false);
  label->setFrame(layout.labelFrame);

  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  const auto& spinner = indefiniteAnimatedView();
  spinner->setRadius(hasText ? kSpinnerRadiusWithText : kSpinnerRadiusAlone);
  spinner->sizeToFit();
  spinner->setCenter(upperCenter);
  if (progress_ != -1) {
    // The faint ring first, so that it lies beneath the ring.
    backgroundRingLayer();
    ringLayer()->setPosition(upperCenter);
    backgroundRingLayer()->setPosition(upperCenter);
  }
  ui::Transaction::commit();
}

// ---- placement

void PHProgressHUD::positionHUD(const Ref<fd::Notification>& notification) {
  setFrame(ui::Screen::mainScreen()->bounds());
  auto app = ui::Application::sharedApplication();
  auto orientation = static_cast<int64_t>(app->statusBarOrientation());

  double keyboardHeight = 0, duration = 0;
  if (notification) {
    gfx::Rect keyboardFrame;
    if (auto info = notification->userInfo()) {
      if (auto frame = rt::as<fd::ValueBox>(info->objectForKey(UIKeyboardFrameBeginUserInfoKey)))
        frame->get(keyboardFrame);
      if (auto seconds = rt::as<fd::Number>(info->objectForKey(UIKeyboardAnimationDurationUserInfoKey)))
        duration = seconds->doubleValue();
    }
    const rt::String& name = notification->name();
    bool shows = name == UIKeyboardWillShowNotification || name == UIKeyboardDidShowNotification;
    keyboardHeight = PHKeyboardHeightFor(shows, keyboardFrame, orientation, kOrientationIgnored);
  } else {
    keyboardHeight = visibleKeyboardHeight();
  }

  PHBoxPlacement place =
      PHBoxPlacementFor(bounds().size, app->statusBarFrame(), keyboardHeight, orientation, kOrientationIgnored);
  Weak<PHProgressHUD> weak = std::static_pointer_cast<PHProgressHUD>(self());
  auto move = [weak, place] {
    if (auto hud = weak.lock()) {
      hud->moveToPoint(place.center, place.angle);
      hud->hudView()->setNeedsDisplay();
    }
  };
  if (notification) ui::ViewAnimation::animate(duration, 0, ui::ViewAnimationOptionAllowUserInteraction, move, nullptr);
  else move();
}

void PHProgressHUD::moveToPoint(gfx::Point center, double angle) {
  const auto& box = hudView();
  box->setTransform(gfx::AffineTransformMakeRotation(angle));
  box->setCenter({center.x + offsetFromCenter_.horizontal, center.y + offsetFromCenter_.vertical});
}

void PHProgressHUD::registerNotifications() {
  if (registered_) return;
  registered_ = true;
  auto center = fd::NotificationCenter::defaultCenter();
  Weak<PHProgressHUD> weak = std::static_pointer_cast<PHProgressHUD>(self());
  for (const char* name : {ui::UIApplicationDidChangeStatusBarOrientationNotification, UIKeyboardWillHideNotification,
                           UIKeyboardDidHideNotification, UIKeyboardWillShowNotification,
                           UIKeyboardDidShowNotification}) {
    center->addObserver(self(), [weak](const Ref<fd::Notification>& n) {
      if (auto hud = weak.lock()) hud->positionHUD(n);
    }, rt::String(name), nullptr);
  }
}

double PHProgressHUD::visibleKeyboardHeight() const {
  return ui::Keyboard::sharedKeyboard()->visibleFrame().size.height;
}

// ---- dimming

void PHProgressHUD::drawRect(gfx::Rect) {
  auto context = gfx::currentContext();
  if (!context) return;
  gfx::Rect b = bounds();
  if (maskType_ == PHMaskGradient) {
    auto gradient = gfx::Gradient::createWithColorComponents(gfx::ColorSpace::createDeviceRGB(),
                                                             {0, 0, 0, 0, 0, 0, 0, 0.75}, {0, 1});
    gfx::Point center{b.size.width / 2, (b.size.height - visibleKeyboardHeight()) / 2};
    double radius = static_cast<float>(std::min(b.size.width, b.size.height));
    context->drawRadialGradient(*gradient, center, 0, center, radius, gfx::GradientDrawsAfterEndLocation);
  } else if (maskType_ == PHMaskDimmed) {
    context->setFillColor(gfx::Color::colorWithWhite(0, 0.5));
    context->fillRect(b);
  }
}

}  // namespace widgets
