// The effect window with real windows: loupes filled with what lies beneath them, placed,
// turned and animated on the virtual clock, knob mirrors for a clipping host, and pictures of
// it all (written to KD_ARTIFACT_DIR when it is set).
#include "textview/effect/DRTextEffectWindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <numbers>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"

using namespace textview;
namespace fs = std::filesystem;

namespace {

struct Counts {
  size_t dark = 0, red = 0, light = 0;
};

Counts countPixels(const gfx::Image& image) {
  Counts c;
  const auto& bitmap = image.CGImage();
  for (size_t y = 0; y < bitmap->height(); ++y) {
    for (size_t x = 0; x < bitmap->width(); ++x) {
      uint32_t p = bitmap->pixel(x, y);
      uint32_t a = p >> 24, r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      if (a < 200) continue;
      if (r < 80 && g < 80 && b < 80) ++c.dark;
      if (r > 200 && g < 60 && b < 60) ++c.red;
      if (r > 230 && g > 230 && b > 230) ++c.light;
    }
  }
  return c;
}

class EffectWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    screen = ui::Screen::mainScreen();
    window = rt::make<ui::Window>(screen->bounds());
    window->setBackgroundColor(gfx::Color::whiteColor());
    window->makeKeyAndVisible();
    host = rt::make<ui::View>(gfx::RectMake(20, 100, 335, 200));
    host->setClipsToBounds(true);
    host->setBackgroundColor(gfx::Color::colorWithWhite(0.97, 1));
    window->addSubview(host);
    label = rt::make<ui::Label>(gfx::RectMake(10, 10, 315, 90));
    label->setNumberOfLines(2);
    label->setFont(typeset::Font::boldSystemFontOfSize(28));
    label->setTextColor(gfx::Color::blackColor());
    label->setText("Kestrel District reads the news closely");
    host->addSubview(label);
    effect = DRTextEffectWindow::sharedWindow();
    ASSERT_TRUE(effect);
  }
  void TearDown() override {
    for (const auto& m : shown) m->removeFromSuperview();
    ui::Keyboard::sharedKeyboard()->hide();
    fd::RunLoopDriver::advance(1);
    ui::Keyboard::sharedKeyboard()->setStyle(ui::KeyboardStyle::Simulated);
    if (selection) effect->hideSelectionDot(selection);
    fd::RunLoopDriver::advance(1);
    selection.reset();
    label.reset();
    host.reset();
    window.reset();
    above.reset();
    ui::Transaction::flush();
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<DRTextMagnifier> magnifier(int64_t type, gfx::Point at) {
    auto m = DRTextMagnifier::magnifierWithType(type);
    m->setHostView(host);
    m->setHostCaptureCenter(at);
    m->setHostPopoverCenter(at);
    shown.push_back(m);
    return m;
  }
  // A picture of the screen as shown, into KD_ARTIFACT_DIR when set.
  void shoot(const std::string& name) {
    ui::Transaction::flush();
    ui::HeadlessHost shooter(screen);
    const char* artifacts = std::getenv("KD_ARTIFACT_DIR");
    fs::path dir = artifacts ? fs::path(artifacts) : fs::temp_directory_path() / ("kd_effect_" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string error;
    EXPECT_TRUE(shooter.shoot((dir / name).string(), &error)) << error;
    if (!artifacts) fs::remove_all(dir);
  }
  Ref<ui::Screen> screen;
  Ref<ui::Window> window, above;
  Ref<ui::View> host;
  Ref<ui::Label> label;
  Ref<DRTextEffectWindow> effect;
  Ref<DRTextSelectionView> selection;
  std::vector<Ref<DRTextMagnifier>> shown;
};

TEST_F(EffectWindowTest, TheSharedWindowFloatsAndTakesNoTouches) {
  EXPECT_EQ(effect, DRTextEffectWindow::sharedWindow());
  EXPECT_FALSE(effect->isUserInteractionEnabled());
  EXPECT_FALSE(effect->isHidden());
  EXPECT_FALSE(effect->isOpaque());
  EXPECT_GT(effect->windowLevel(), ui::WindowLevelStatusBar);
  EXPECT_EQ(effect->bounds().size, base::DRMainScreenSize());
  auto extra = rt::make<ui::Window>(screen->bounds());
  extra->setWindowLevel(effect->windowLevel() + 5);
  extra->setHidden(false);
  effect->updateWindowLevel();
  EXPECT_EQ(effect->windowLevel(), extra->windowLevel() + 1);
}

TEST_F(EffectWindowTest, PresentsFromTheApplicationsRootController) {
  auto root = rt::make<ui::ViewController>();
  window->setRootViewController(root);
  EXPECT_EQ(effect->hostRootViewController(), root);
  // Hidden windows do not count; then the effect window makes a controller of its own, once.
  window->setHidden(true);
  auto own = effect->hostRootViewController();
  ASSERT_TRUE(own);
  EXPECT_NE(own, root);
  EXPECT_EQ(effect->hostRootViewController(), own);
  EXPECT_EQ(effect->rootController(), own);
}

TEST_F(EffectWindowTest, ACaretLoupeOverTextGrowsInAboveTheTouchAndShrinksAway) {
  auto m = magnifier(0, {70, 30});
  effect->showMagnifier(m);
  EXPECT_EQ(m->superview(), effect);
  EXPECT_GT(effect->windowLevel(), window->windowLevel());
  // Lifted half its height above the touch at (90, 130) in the window.
  EXPECT_NEAR(m->center().x, 90, 1e-9);
  EXPECT_NEAR(m->center().y, 130 - 63.5, 1e-9);
  EXPECT_TRUE(gfx::AffineTransformIsIdentity(m->transform()));
  auto snapshot = m->snapshot();
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->size(), m->snapshotSize());
  Counts c = countPixels(*snapshot);
  EXPECT_GT(c.dark, 50u) << "no text under the loupe";
  EXPECT_GT(c.light, 500u);
  fd::RunLoopDriver::advance(0.1);
  shoot("caret_magnifier.png");

  // Dragged on: captured again, moved at once.
  m->setHostPopoverCenter({150, 30});
  m->setHostCaptureCenter({150, 30});
  effect->moveMagnifier(m);
  EXPECT_NEAR(m->center().x, 170, 1e-9);

  effect->hideMagnifier(m);
  EXPECT_EQ(m->superview(), effect);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_EQ(m->superview(), effect);
  fd::RunLoopDriver::advance(0.2);
  EXPECT_FALSE(m->superview());
  EXPECT_TRUE(gfx::AffineTransformIsIdentity(m->transform()));
  EXPECT_EQ(m->alpha(), 1);
  // Hiding what is not shown does nothing.
  effect->hideMagnifier(m);
  effect->hideMagnifier(nullptr);
  EXPECT_FALSE(m->superview());
}

TEST_F(EffectWindowTest, ARangedLoupeOverASelectionWithItsGrabbers) {
  selection = rt::make<DRTextSelectionView>(host->bounds());
  selection->setHostView(host);
  selection->setColor(gfx::Color::colorWithRed(0, 0.48, 1, 1));
  host->addSubview(selection);
  auto piece = [](gfx::Rect r, bool start, bool end) {
    auto p = rt::make<text::DRTextSelectionRect>();
    p->setRect(r);
    p->setContainsStart(start);
    p->setContainsEnd(end);
    return p;
  };
  // From the very top of the host (its start knob clipped) down into the second line.
  selection->setSelectionRects({piece(gfx::RectMake(120, 0, 0, 40), true, false),
                                piece(gfx::RectMake(120, 0, 205, 40), false, false),
                                piece(gfx::RectMake(10, 40, 150, 50), false, false),
                                piece(gfx::RectMake(160, 40, 0, 50), false, true)});
  selection->layoutIfNeeded();
  effect->showSelectionDot(selection);
  auto startMirror = selection->startGrabber()->dot()->mirror();
  auto endMirror = selection->endGrabber()->dot()->mirror();
  EXPECT_EQ(startMirror->superview(), effect);
  EXPECT_EQ(endMirror->superview(), effect);
  EXPECT_FALSE(startMirror->isHidden());  // its knob sticks out of the clipping host
  EXPECT_TRUE(endMirror->isHidden());
  gfx::Rect knob = selection->startGrabber()->dot()->convertRectToView(selection->startGrabber()->dot()->bounds(), nullptr);
  EXPECT_NEAR(startMirror->center().x, gfx::RectGetMidX(knob), 1e-9);
  EXPECT_NEAR(startMirror->center().y, gfx::RectGetMidY(knob), 1e-9);

  auto m = magnifier(1, {160, 65});
  effect->showMagnifier(m);
  EXPECT_EQ(m->alpha(), 1);
  EXPECT_NEAR(m->center().x, 180, 1e-9);
  EXPECT_NEAR(m->center().y, 165, 1e-9);
  auto snapshot = m->snapshot();
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->size(), m->snapshotSize());
  EXPECT_GT(countPixels(*snapshot).dark, 20u);
  fd::RunLoopDriver::advance(0.2);
  shoot("ranged_magnifier_selection.png");

  effect->hideSelectionDot(selection);
  EXPECT_FALSE(startMirror->superview());
  EXPECT_FALSE(endMirror->superview());
  effect->hideMagnifier(m);
  fd::RunLoopDriver::advance(0.2);
  EXPECT_FALSE(m->superview());
  EXPECT_EQ(m->alpha(), 1);
}

TEST_F(EffectWindowTest, WindowsAboveTheEffectWindowAreNotCaptured) {
  auto m = magnifier(0, {70, 30});
  effect->addSubview(m);
  above = rt::make<ui::Window>(screen->bounds());
  above->setBackgroundColor(gfx::Color::colorWithRed(1, 0, 0, 1));
  above->setWindowLevel(effect->windowLevel() + 10);
  above->setHidden(false);
  EXPECT_DOUBLE_EQ(effect->updateMagnifier(*m), 0);
  Counts c = countPixels(*m->snapshot());
  EXPECT_EQ(c.red, 0u);
  EXPECT_GT(c.dark, 50u);

  // The same window beneath it is.
  above->setWindowLevel(window->windowLevel() + 1);
  effect->updateMagnifier(*m);
  EXPECT_GT(countPixels(*m->snapshot()).red, 1000u);
  above->setHidden(true);
  effect->updateMagnifier(*m);
  EXPECT_EQ(countPixels(*m->snapshot()).red, 0u);
}

TEST_F(EffectWindowTest, WithoutCaptureEachLoupeGetsAPlaceholderOfItsOwnSize) {
  auto caret = magnifier(0, {70, 30});
  auto ranged = magnifier(1, {70, 30});
  caret->setCaptureDisabled(true);
  ranged->setCaptureDisabled(true);
  effect->updateMagnifier(*caret);
  effect->updateMagnifier(*ranged);
  ASSERT_TRUE(caret->snapshot());
  ASSERT_TRUE(ranged->snapshot());
  EXPECT_EQ(caret->snapshot()->size(), gfx::SizeMake(127, 127));
  EXPECT_EQ(ranged->snapshot()->size(), gfx::SizeMake(141, 60));
  EXPECT_FALSE(caret->captureFadeAnimation());
  uint32_t p = caret->snapshot()->CGImage()->pixel(10, 10);
  EXPECT_NEAR(static_cast<double>(p >> 24), 0.8 * 255, 2);
  // A picture already there stays.
  auto first = ranged->snapshot();
  effect->updateMagnifier(*ranged);
  EXPECT_EQ(ranged->snapshot(), first);
  EXPECT_EQ(magnifierPlaceholder({141, 60}), first);
}

TEST_F(EffectWindowTest, TheLoupeKeepsClearOfTheKeyboard) {
  auto keyboard = ui::Keyboard::sharedKeyboard();
  keyboard->setStyle(ui::KeyboardStyle::OnScreen);
  keyboard->show();
  fd::RunLoopDriver::advance(1);
  gfx::Rect keys = effect->keyboardFrameInWindow();
  ASSERT_FALSE(gfx::RectIsNull(keys));
  EXPECT_EQ(keys, keyboard->visibleFrame());

  auto m = DRTextMagnifier::magnifierWithType(0);
  shown.push_back(m);
  m->setHostView(window);
  gfx::Point touch{100, gfx::RectGetMinY(keys) + 50};
  m->setHostPopoverCenter(touch);
  m->setHostCaptureCenter(touch);
  effect->showMagnifier(m);
  EXPECT_NEAR(m->center().y, gfx::RectGetMinY(keys) - 63.5, 1e-9);
  EXPECT_NEAR(m->center().x, 100, 1e-9);
  // The capture centre stops at the keyboard's top edge: the keyboard's grey just below the
  // middle of the picture, the white window above it.
  auto snapshot = m->snapshot();
  ASSERT_TRUE(snapshot);
  const auto& bitmap = snapshot->CGImage();
  double s = snapshot->scale();
  uint32_t below = bitmap->pixel(bitmap->width() / 2, static_cast<size_t>((47 + 3) * s));
  uint32_t above = bitmap->pixel(bitmap->width() / 2, static_cast<size_t>((47 - 10) * s));
  EXPECT_LT((below >> 16) & 255, 0xe0u);
  EXPECT_GT((below >> 16) & 255, 0xb0u);
  EXPECT_EQ(above & 0xffffff, 0xffffffu);
  fd::RunLoopDriver::advance(0.1);
  shoot("caret_magnifier_keyboard.png");
}

TEST_F(EffectWindowTest, ALoupeTurnsWithItsHost) {
  host->setTransform(gfx::AffineTransformMakeRotation(std::numbers::pi / 2));
  auto m = magnifier(0, {70, 30});
  effect->showMagnifier(m);
  gfx::AffineTransform t = m->transform();
  EXPECT_NEAR(t.a, 0, 1e-9);
  EXPECT_NEAR(t.b, 1, 1e-9);
  // Lifted along the host's up, which now points right.
  gfx::Point touch = host->convertPointToView({70, 30}, nullptr);
  EXPECT_NEAR(m->center().x, touch.x + 63.5, 1e-6);
  EXPECT_NEAR(m->center().y, touch.y, 1e-6);
  fd::RunLoopDriver::advance(0.1);
  shoot("caret_magnifier_turned.png");
}

}  // namespace
