// Who gets the touches under each mask type, the keyboard's window, the dimming and the look.
#include <cmath>

#include "ProgressHUDFixture.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/input/Event.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/controls/TextField.h"
#include "widgets/progress/PHProgressHUDNotifications.h"

using namespace widgets;
using widgets::testing::ProgressHUDTest;

namespace {

// Counts the touches that reach the application beneath the display.
class Beneath : public ui::View {
  RT_CLASS(Beneath, ui::View)
 public:
  void touchesBegan(const ui::TouchSet&, ui::Event*) override { ++touches; }
  int touches = 0;
};
RT_IMPLEMENT(Beneath) {}

const std::string TouchEvent = PHProgressHUDDidReceiveTouchEventNotification;
const std::string TouchInside = PHProgressHUDDidTouchDownInsideNotification;
using Names = std::vector<std::string>;

// Alpha (0...1) of a pixel of a premultiplied native-endian ARGB context.
double alphaAt(gfx::Context& c, size_t x, size_t y) { return (c.pixelAt(x, y) >> 24) / 255.0; }

}  // namespace

TEST_F(ProgressHUDTest, OnlyMaskTypeOneLetsTouchesThrough) {
  auto beneath = rt::make<Beneath>(window->bounds());
  window->addSubview(beneath);
  struct Case {
    uint64_t mask;
    bool passes;
  } cases[] = {{PHMaskTouchThrough, true}, {PHMaskSwallowTouches, false}, {PHMaskDimmed, false},
               {PHMaskGradient, false}};
  for (const auto& c : cases) {
    beneath->touches = 0;
    PHProgressHUD::showWithStatus("busy", c.mask);
    advance(0.2);
    posted.clear();
    gfx::Point inside = hud()->hudView()->center();
    ui::TouchInput(window).tap(inside);
    ui::TouchInput(window).tap({10, 10});
    fd::RunLoopDriver::runUntilIdle();
    if (c.passes) {
      EXPECT_EQ(beneath->touches, 2) << c.mask;
      EXPECT_TRUE(posted.empty()) << c.mask;
    } else {
      EXPECT_EQ(beneath->touches, 0) << c.mask;
      ASSERT_EQ(names(), (Names{TouchEvent, TouchInside, TouchEvent})) << c.mask;
      EXPECT_TRUE(rt::as<ui::Event>(posted[0].object)) << c.mask;
      EXPECT_EQ(posted[0].object, posted[1].object) << c.mask;
      EXPECT_FALSE(posted[0].userInfo) << c.mask;
    }
    PHProgressHUD::dismiss();
    advance(0.2);
  }
}

TEST_F(ProgressHUDTest, TheBoxStaysAboveTheKeyboardOfAFieldBeingEdited) {
  EXPECT_EQ(hud()->visibleKeyboardHeight(), 0);
  auto field = rt::make<ui::TextField>(gfx::RectMake(10, 100, 200, 30));
  window->addSubview(field);
  ASSERT_TRUE(field->becomeFirstResponder());
  EXPECT_EQ(hud()->visibleKeyboardHeight(), 216);
  PHProgressHUD::showWithStatus("above the keys");
  EXPECT_EQ(hud()->overlayView()->superview(), window);
  EXPECT_EQ(hud()->hudView()->center().y, std::floor((667 + 40 - 216) * 0.45));
  field->resignFirstResponder();
  advance(0.01);
  EXPECT_EQ(hud()->visibleKeyboardHeight(), 0);
  EXPECT_EQ(hud()->hudView()->center().y, std::floor(667 * 0.45));
}

TEST_F(ProgressHUDTest, DimmingIsDrawnForMaskTypesThreeAndFour) {
  struct Case {
    uint64_t mask;
    double corner, middle;
  } cases[] = {{PHMaskTouchThrough, 0, 0}, {PHMaskSwallowTouches, 0, 0}, {PHMaskDimmed, 0.5, 0.5},
               {PHMaskGradient, 0.75, 0}, {9, 0, 0}};
  gfx::Size size = hud()->bounds().size;
  for (const auto& c : cases) {
    PHProgressHUD::show();
    PHProgressHUD::showWithMaskType(c.mask);
    auto context = gfx::Context::createForImage(size, false, 1);
    gfx::pushContext(context);
    hud()->drawRect(hud()->bounds());
    gfx::popContext();
    EXPECT_NEAR(alphaAt(*context, 2, 2), c.corner, 0.02) << c.mask;
    EXPECT_NEAR(alphaAt(*context, size.width / 2, size.height / 2), c.middle, 0.02) << c.mask;
    // The gradient grows darker towards the edge.
    if (c.mask == PHMaskGradient) {
      EXPECT_NEAR(alphaAt(*context, size.width / 2, size.height / 2 + 150), 0.3, 0.02);
    }
  }
}

TEST_F(ProgressHUDTest, TheLookSetBeforeAShowIsWhatItShows) {
  PHProgressHUD::setBackgroundColor(gfx::Color::blueColor());
  PHProgressHUD::setForegroundColor(gfx::Color::redColor());
  PHProgressHUD::setRingThickness(3);
  PHProgressHUD::setFont(typeset::Font::systemFontOfSize(20));
  PHProgressHUD::showWithStatus("styled");
  EXPECT_TRUE(hud()->hudView()->backgroundColor()->isEqual(gfx::Color::blueColor()));
  EXPECT_TRUE(hud()->stringLabel()->textColor()->isEqual(gfx::Color::redColor()));
  EXPECT_EQ(hud()->stringLabel()->font()->pointSize(), 20);
  auto spinner = hud()->indefiniteAnimatedView();
  EXPECT_EQ(spinner->strokeThickness(), 3);
  EXPECT_TRUE(spinner->strokeColor()->isEqual(gfx::Color::redColor()));
  EXPECT_EQ(spinner->bounds().size.width, 2 * (18 + 1.5 + 5));
  PHProgressHUD::setViewForExtension(window);
  EXPECT_EQ(PHProgressHUD::viewForExtensionSetting(), window);
  PHProgressHUD::setViewForExtension(nullptr);
  PHProgressHUD::setFont(typeset::Font::preferredFontForTextStyle(typeset::TextStyle::Subheadline));
}

TEST_F(ProgressHUDTest, TheDefaultPicturesComeFromTheResourceBundle) {
  for (const auto& image : {PHProgressHUD::infoImageSetting(), PHProgressHUD::successImageSetting(),
                            PHProgressHUD::errorImageSetting()}) {
    ASSERT_TRUE(image);
    EXPECT_EQ(image->renderingMode(), gfx::ImageRenderingMode::AlwaysTemplate);
    EXPECT_GT(image->size().width, 0);
  }
}

TEST_F(ProgressHUDTest, ATintedCopyPaintsTheInkOnly) {
  gfx::beginImageContextWithOptions({4, 4}, false, 1);
  gfx::currentContext()->setFillColor(gfx::Color::blackColor());
  gfx::currentContext()->fillRect(gfx::RectMake(0, 0, 2, 4));
  auto half = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  auto tinted = PHProgressHUD::imageWithTintColor(half, gfx::Color::redColor());
  ASSERT_TRUE(tinted && tinted->CGImage());
  uint32_t ink = tinted->CGImage()->pixel(0, 0), clear = tinted->CGImage()->pixel(3, 0);
  EXPECT_EQ(ink >> 24, 0xffu);
  EXPECT_EQ((ink >> 16) & 0xff, 0xffu);
  EXPECT_EQ(ink & 0xffff, 0u);
  EXPECT_EQ(clear >> 24, 0u);
  EXPECT_FALSE(PHProgressHUD::imageWithTintColor(nullptr, gfx::Color::redColor()));
}
