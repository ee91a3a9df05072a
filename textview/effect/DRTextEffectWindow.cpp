#include "textview/effect/DRTextEffectWindow.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "base/graphics/Geometry+DUDer.h"
#include "base/system/Application+DUDer.h"
#include "base/ui/View+DUDer.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/ViewAnimation.h"
#include "textview/effect/DRTextEffectGeometry.h"
#include "textview/keyboard/DRTextKeyboardManager.h"

namespace textview {

RT_IMPLEMENT(DRTextEffectWindow) {}

namespace {
constexpr uint64_t kAnimationOptions =
    ui::ViewAnimationOptionBeginFromCurrentState | ui::ViewAnimationOptionAllowUserInteraction;
constexpr double kHiddenAlpha = 0.01;

bool isCaret(const DRTextMagnifier& m) { return m.type() == DRTextMagnifierType::Caret; }

gfx::AffineTransform rotatedAndScaled(double angle, double scale) {
  return gfx::AffineTransformScale(gfx::AffineTransformMakeRotation(angle), scale, scale);
}
}  // namespace

Ref<gfx::Image> magnifierPlaceholder(gfx::Size size) {
  // Keyed by size: the two loupes differ, and each must get a placeholder of its own shape.
  static std::map<std::pair<double, double>, Ref<gfx::Image>> placeholders;
  auto& image = placeholders[{size.width, size.height}];
  if (!image) {
    gfx::beginImageContextWithOptions(size, false, 0);
    if (auto ctx = gfx::currentContext()) {
      ctx->setGrayFillColor(1, 0.8);
      ctx->fillRect({{0, 0}, size});
    }
    image = gfx::imageFromCurrentImageContext();
    gfx::endImageContext();
  }
  return image;
}

void DRTextEffectWindow::init(gfx::Rect frame) {
  Window::init(frame);
  setUserInteractionEnabled(false);
  setWindowLevel(ui::WindowLevelStatusBar + 1);
  setHidden(false);
  setOpaque(false);
  setBackgroundColor(gfx::Color::clearColor());
  layer()->setBackgroundColor(gfx::Color::clearColor());
}

Ref<DRTextEffectWindow> DRTextEffectWindow::sharedWindow() {
  // Never destroyed: text views that outlive main (held by the application at exit) still
  // reach it from their destructors.
  static const Ref<DRTextEffectWindow>* shared = new Ref<DRTextEffectWindow>(
      base::isAppExtension() ? nullptr : rt::make<DRTextEffectWindow>(gfx::Rect{{0, 0}, base::DRMainScreenSize()}));
  return *shared;
}

Ref<ui::ViewController> DRTextEffectWindow::hostRootViewController() {
  for (const auto& w : ui::Application::sharedApplication()->windows()) {
    if (w.get() == this || w->isHidden()) continue;
    if (auto root = w->rootController()) return root;
  }
  if (auto own = rootController()) return own;
  auto controller = rt::make<ui::ViewController>();
  setRootViewController(controller);
  return controller;
}

void DRTextEffectWindow::updateWindowLevel() {
  auto app = base::sharedExtensionApplication();
  if (!app) return;
  auto windows = app->windows();
  Ref<ui::Window> top = windows.empty() ? nullptr : windows.back();
  if (auto key = app->keyWindow(); key && (!top || key->windowLevel() > top->windowLevel())) top = key;
  if (top && top.get() != this) setWindowLevel(top->windowLevel() + 1);
}

gfx::Rect DRTextEffectWindow::keyboardFrameInWindow() const {
  auto manager = DRTextKeyboardManager::defaultManager();
  if (!manager) return gfx::RectNull;
  return manager->convertRectToView(manager->keyboardFrame(), this);
}

double DRTextEffectWindow::updateMagnifier(DRTextMagnifier& magnifier) {
  auto app = base::sharedExtensionApplication();
  auto host = magnifier.hostView();
  if (!app || !host) return 0;
  Ref<ui::Window> hostWindow = rt::as<ui::Window>(host);
  if (!hostWindow) hostWindow = host->window();
  if (!hostWindow) return 0;

  gfx::Point capture = base::convertPointFromViewOrWindow(*this, magnifier.hostCaptureCenter(), host.get());
  gfx::Rect keyboard = keyboardFrameInWindow();
  capture = captureCenterOffKeyboard(capture, keyboard, keyboardDirection(keyboard, frame()));

  gfx::AffineTransform t = base::DRAffineTransformBetweenViews(host.get(), this);
  double angle = std::atan2(t.b, t.a);

  if (magnifier.captureDisabled()) {
    auto current = magnifier.snapshot();
    if (current && current->size().width > 1) return angle;
    bool fade = magnifier.captureFadeAnimation();
    magnifier.setCaptureFadeAnimation(true);
    magnifier.setSnapshot(magnifierPlaceholder(magnifier.bounds().size));
    magnifier.setCaptureFadeAnimation(fade);
    return angle;
  }

  gfx::Size size = magnifier.snapshotSize();
  gfx::beginImageContextWithOptions(size, false, 0);
  auto ctx = gfx::currentContext();
  if (!ctx) {
    gfx::endImageContext();
    return angle;
  }
  // The capture centre lands in the middle of the picture, upright as the host sees it.
  gfx::Point mid = gfx::PointApplyAffineTransform({size.width / 2, size.height / 2},
                                                  gfx::AffineTransformMakeRotation(angle));
  ctx->rotateCTM(-angle);
  ctx->translateCTM(mid.x - capture.x, mid.y - capture.y);

  std::vector<Ref<ui::Window>> windows = app->windows();
  if (auto key = app->keyWindow(); key && std::find(windows.begin(), windows.end(), key) == windows.end())
    windows.push_back(key);
  std::stable_sort(windows.begin(), windows.end(),
                   [](const Ref<ui::Window>& a, const Ref<ui::Window>& b) { return a->windowLevel() < b->windowLevel(); });
  auto mainScreen = ui::Screen::mainScreen();
  for (const auto& w : windows) {
    if (w->isHidden() || w->alpha() <= kHiddenAlpha || w->screen() != mainScreen) continue;
    // What lies above the effect windows is not part of the picture.
    if (w->isKindOfClass(DRTextEffectWindow::classObject())) break;
    ctx->saveGState();
    ctx->concatCTM(base::DRAffineTransformBetweenViews(w.get(), this));
    w->layer()->renderInContext(*ctx);
    ctx->restoreGState();
  }
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  magnifier.setSnapshot(image);
  return angle;
}

gfx::Point DRTextEffectWindow::correctedCenter(gfx::Point center, const DRTextMagnifier& magnifier,
                                               double angle) const {
  DRMagnifierPlacement placement;
  placement.caret = isCaret(magnifier);
  placement.windowSize = bounds().size;
  placement.magnifierSize = magnifier.bounds().size;
  placement.keyboard = keyboardFrameInWindow();
  return correctedMagnifierCenter(center, angle, placement);
}

gfx::Point DRTextEffectWindow::popoverPoint(const DRTextMagnifier& magnifier, double angle) const {
  auto host = magnifier.hostView();
  gfx::Point p = host ? base::convertPointFromViewOrWindow(*this, magnifier.hostPopoverCenter(), host.get())
                      : magnifier.hostPopoverCenter();
  return isCaret(magnifier) ? liftedCaretCenter(p, angle, magnifier.fitSize().height) : p;
}

void DRTextEffectWindow::showMagnifier(const Ref<DRTextMagnifier>& magnifier) {
  if (!magnifier) return;
  if (magnifier->superview().get() != this) addSubview(magnifier);
  updateWindowLevel();
  double angle = updateMagnifier(*magnifier);
  auto host = magnifier->hostView();
  gfx::Point start = host ? base::convertPointFromViewOrWindow(*this, magnifier->hostPopoverCenter(), host.get())
                          : magnifier->hostPopoverCenter();
  magnifier->setTransform(rotatedAndScaled(angle, kShowStartScale));
  magnifier->setCenter(start);
  bool caret = isCaret(*magnifier);
  if (!caret) magnifier->setAlpha(0);
  gfx::Point end = correctedCenter(popoverPoint(*magnifier, angle), *magnifier, angle);
  ui::ViewAnimation::animate(
      caret ? kCaretShowDuration : kRangedShowDuration, 0, kAnimationOptions,
      [magnifier, end, angle] {
        magnifier->setCenter(end);
        magnifier->setTransform(gfx::AffineTransformMakeRotation(angle));
        magnifier->setAlpha(1);
      },
      nullptr);
}

void DRTextEffectWindow::moveMagnifier(const Ref<DRTextMagnifier>& magnifier) {
  if (!magnifier) return;
  updateWindowLevel();
  double angle = updateMagnifier(*magnifier);
  magnifier->setCenter(correctedCenter(popoverPoint(*magnifier, angle), *magnifier, angle));
  magnifier->setTransform(gfx::AffineTransformMakeRotation(angle));
}

void DRTextEffectWindow::hideMagnifier(const Ref<DRTextMagnifier>& magnifier) {
  if (!magnifier || magnifier->superview().get() != this) return;
  double angle = updateMagnifier(*magnifier);
  bool caret = isCaret(*magnifier);
  gfx::Point end = correctedCenter(popoverPoint(*magnifier, angle), *magnifier, angle);
  Weak<DRTextEffectWindow> weak = std::static_pointer_cast<DRTextEffectWindow>(self());
  ui::ViewAnimation::animate(
      caret ? kCaretHideDuration : kRangedHideDuration, 0, kAnimationOptions,
      [magnifier, end, angle, caret] {
        magnifier->setTransform(rotatedAndScaled(angle, kHideEndScale));
        magnifier->setCenter(end);
        if (!caret) magnifier->setAlpha(0);
      },
      [magnifier, weak](bool finished) {
        if (!finished) return;
        auto self = weak.lock();
        if (self && magnifier->superview().get() == self.get()) magnifier->removeFromSuperview();
        magnifier->setTransform(gfx::AffineTransformIdentity);
        magnifier->setAlpha(1);
      });
}

void DRTextEffectWindow::showSelectionDot(const Ref<DRTextSelectionView>& selection) {
  if (!selection) return;
  updateWindowLevel();
  insertSubviewAtIndex(selection->startGrabber()->dot()->mirror(), 0);
  insertSubviewAtIndex(selection->endGrabber()->dot()->mirror(), 0);
  updateSelectionGrabberDot(*selection->startGrabber()->dot(), *selection);
  updateSelectionGrabberDot(*selection->endGrabber()->dot(), *selection);
}

void DRTextEffectWindow::hideSelectionDot(const Ref<DRTextSelectionView>& selection) {
  if (!selection) return;
  selection->startGrabber()->dot()->mirror()->removeFromSuperview();
  selection->endGrabber()->dot()->mirror()->removeFromSuperview();
}

void DRTextEffectWindow::updateSelectionGrabberDot(DRSelectionGrabberDot& dot, DRTextSelectionView& selection) {
  const auto& mirror = dot.mirror();
  mirror->setHidden(true);
  auto host = selection.hostView();
  if (host && host->clipsToBounds()) {
    gfx::Rect knob = base::convertRectToViewOrWindow(dot, dot.bounds(), this);
    gfx::Rect hostRect = base::convertRectToViewOrWindow(*host, host->bounds(), this);
    if (knobMirrorShows(true, base::visibleAlpha(dot), knob, hostRect, keyboardFrameInWindow()))
      mirror->setHidden(false);
  }
  gfx::Point centre{gfx::RectGetMidX(dot.bounds()), gfx::RectGetMidY(dot.bounds())};
  mirror->setCenter(base::convertPointToViewOrWindow(dot, centre, this));
}

}  // namespace textview
