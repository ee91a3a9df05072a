// The display's state machine, timings, notifications and touches, on the virtual clock.
#include "widgets/progress/PHProgressHUD.h"

#include <algorithm>
#include <cmath>

#include "ProgressHUDFixture.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/typeset/StringDrawing.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/KeyboardNotificationNames.h"
#include "widgets/progress/PHProgressHUDGeometry.h"
#include "widgets/progress/PHProgressHUDNotifications.h"

using namespace widgets;
using widgets::testing::ProgressHUDTest;

namespace {

const std::string WillAppear = PHProgressHUDWillAppearNotification;
const std::string DidAppear = PHProgressHUDDidAppearNotification;
const std::string WillDisappear = PHProgressHUDWillDisappearNotification;
const std::string DidDisappear = PHProgressHUDDidDisappearNotification;
using Names = std::vector<std::string>;

double presentedAlpha(const Ref<ui::View>& v) { return v->layer()->presentationLayer()->opacity(); }
double presentedScale(const Ref<ui::View>& v) { return v->layer()->presentationLayer()->affineTransform().a; }

}  // namespace

TEST(PHProgressHUDDuration, GrowsWithTheUTF16LengthUpToFiveSeconds) {
  struct Case {
    rt::String text;
    double seconds;
  } cases[] = {
      {"", 0.5},
      {"a", 0.56},
      {"正在加载中...", 0.5 + 0.06 * 8},
      {u"\U0001F600", 0.62},  // one character, two UTF-16 units
      {rt::String(std::string(75, 'x')), 5.0},
      {rt::String(std::string(300, 'x')), 5.0},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(PHProgressHUD::displayDurationForString(c.text), c.seconds, 1e-6) << c.text.utf8();
}

TEST_F(ProgressHUDTest, SpinnerShowFadesInWithinAFifteenthAndScalesIn) {
  PHProgressHUD::showWithStatus("正在加载中...");
  ASSERT_EQ(names(), Names{WillAppear});
  EXPECT_EQ(statusOf(posted[0]), "正在加载中...");
  EXPECT_TRUE(PHProgressHUD::isVisible());  // the model alpha is up from the start
  auto box = hud()->hudView();
  EXPECT_EQ(hud()->overlayView()->superview(), window);
  EXPECT_EQ(hud()->superview(), hud()->overlayView());
  EXPECT_EQ(hud()->indefiniteAnimatedView()->superview(), box);
  EXPECT_TRUE(hud()->imageView()->isHidden());
  EXPECT_EQ(hud()->activityCount(), 1u);
  EXPECT_EQ(hud()->progress(), -1);
  EXPECT_NEAR(box->transform().a, 1, 1e-12);

  ui::Transaction::flush();
  EXPECT_NEAR(presentedAlpha(box), 0, 1e-6);
  EXPECT_NEAR(presentedScale(box), 1.3, 1e-6);
  advance(0.075);
  EXPECT_NEAR(presentedAlpha(box), 0.5, 0.05);
  EXPECT_GT(presentedScale(box), 1.05);
  EXPECT_LT(presentedScale(box), 1.25);
  advance(0.07);
  EXPECT_EQ(names(), Names{WillAppear});
  advance(0.01);
  ASSERT_EQ(names(), (Names{WillAppear, DidAppear}));
  EXPECT_EQ(statusOf(posted[1]), "正在加载中...");
  EXPECT_NEAR(presentedAlpha(box), 1, 1e-9);
}

TEST_F(ProgressHUDTest, DimmingMasksFadeTheWholeDisplay) {
  PHProgressHUD::showWithStatus("wait", PHMaskDimmed);
  EXPECT_FALSE(hud()->isClear());
  EXPECT_EQ(hud()->alpha(), 1);
  EXPECT_EQ(hud()->hudView()->alpha(), 1);
  ui::Transaction::flush();
  advance(0.075);
  EXPECT_NEAR(presentedAlpha(hud()), 0.5, 0.05);
  advance(0.1);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear}));
}

TEST_F(ProgressHUDTest, ErrorShowDismissesItselfAfterItsDuration) {
  rt::String text = "网络错误,稍后再试!";  // 10 units: 1.1 s
  PHProgressHUD::showErrorWithStatus(text);
  EXPECT_EQ(names(), Names{WillAppear});
  EXPECT_EQ(statusOf(posted[0]), "");  // the spinner show runs first, without text
  EXPECT_EQ(hud()->imageView()->image(), PHProgressHUD::errorImageSetting());
  ASSERT_TRUE(hud()->imageView()->image()) << "the error picture is missing from the resources";
  EXPECT_EQ(hud()->imageView()->image()->renderingMode(), gfx::ImageRenderingMode::AlwaysTemplate);
  EXPECT_FALSE(hud()->imageView()->isHidden());
  EXPECT_FALSE(hud()->indefiniteAnimatedView()->superview());
  EXPECT_EQ(hud()->stringLabel()->text(), text);
  EXPECT_EQ(hud()->activityCount(), 1u);
  auto timer = hud()->fadeOutTimer();
  ASSERT_TRUE(timer && timer->isValid());

  advance(1.09);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear}));
  advance(0.02);
  ASSERT_EQ(names(), (Names{WillAppear, DidAppear, WillDisappear}));
  EXPECT_EQ(statusOf(posted[2]), text.utf8());
  EXPECT_EQ(hud()->activityCount(), 0u);
  advance(0.12);  // the fade-out runs 0.15 s from the dismissal at 1.1 s
  EXPECT_EQ(posted.size(), 3u);
  advance(0.04);
  ASSERT_EQ(names(), (Names{WillAppear, DidAppear, WillDisappear, DidDisappear}));
  EXPECT_EQ(statusOf(posted[3]), text.utf8());
  EXPECT_FALSE(PHProgressHUD::isVisible());
  EXPECT_TRUE(window->subviews().empty());  // overlay, box and spinner are gone
  EXPECT_TRUE(hud()->subviews().empty());
}

TEST_F(ProgressHUDTest, PopActivityDismissesWhenTheLastSpinnerShowIsTakenBack) {
  PHProgressHUD::showWithStatus("one");
  PHProgressHUD::showWithStatus("two");
  EXPECT_EQ(hud()->activityCount(), 2u);
  advance(0.2);
  PHProgressHUD::popActivity();
  EXPECT_EQ(hud()->activityCount(), 1u);
  advance(0.5);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear}));
  EXPECT_TRUE(PHProgressHUD::isVisible());
  PHProgressHUD::popActivity();
  advance(0.2);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear, WillDisappear, DidDisappear}));
  EXPECT_FALSE(PHProgressHUD::isVisible());
}

TEST_F(ProgressHUDTest, WhileHiddenPopActivityStillDismissesButDismissDoesNothing) {
  PHProgressHUD::dismiss();
  advance(0.5);
  EXPECT_TRUE(posted.empty());
  PHProgressHUD::popActivity();
  EXPECT_EQ(names(), Names{WillDisappear});
  EXPECT_EQ(statusOf(posted[0]), hud()->stringLabel()->text().utf8());
}

TEST_F(ProgressHUDTest, ShowingWhileVisibleChangesContentOnlyAndCancelsTheTimer) {
  PHProgressHUD::showSuccessWithStatus("OK");
  advance(0.3);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear}));
  auto timer = hud()->fadeOutTimer();
  PHProgressHUD::showWithStatus("loading");
  EXPECT_FALSE(timer->isValid());
  EXPECT_FALSE(hud()->fadeOutTimer());
  EXPECT_EQ(hud()->stringLabel()->text(), "loading");
  EXPECT_EQ(hud()->indefiniteAnimatedView()->superview(), hud()->hudView());
  advance(3);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear}));
  EXPECT_TRUE(PHProgressHUD::isVisible());
}

TEST_F(ProgressHUDTest, ALaterImageShowReplacesThePendingDismissal) {
  PHProgressHUD::showInfoWithStatus("abc");  // 0.68 s
  advance(0.5);
  PHProgressHUD::showSuccessWithStatus(rt::String(std::string(50, 'y')));  // 3.5 s from now
  advance(3.4);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear}));
  advance(0.2);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear, WillDisappear}));
}

TEST_F(ProgressHUDTest, AShowDuringTheFadeOutKeepsTheDisplay) {
  PHProgressHUD::showWithStatus("first");
  advance(0.2);
  PHProgressHUD::dismiss();
  advance(0.05);
  PHProgressHUD::showWithStatus("second");
  advance(1);
  EXPECT_EQ(names(), (Names{WillAppear, DidAppear, WillDisappear, WillAppear, DidAppear}));
  EXPECT_TRUE(PHProgressHUD::isVisible());
  EXPECT_EQ(hud()->hudView()->alpha(), 1);
  EXPECT_EQ(hud()->overlayView()->superview(), window);
}

TEST_F(ProgressHUDTest, RingShowsFillTheRingOverAFaintOne) {
  PHProgressHUD::showProgress(0.5f, "上传中");
  EXPECT_EQ(hud()->progress(), 0.5);
  EXPECT_EQ(hud()->activityCount(), 0u);
  EXPECT_FALSE(hud()->indefiniteAnimatedView()->superview());
  EXPECT_FALSE(hud()->imageView()->isHidden());
  EXPECT_FALSE(hud()->imageView()->image());
  auto ring = hud()->ringLayer();
  auto faint = hud()->backgroundRingLayer();
  EXPECT_EQ(ring->strokeEnd(), 0.5);
  EXPECT_EQ(faint->strokeEnd(), 1.0);
  const auto& layers = hud()->hudView()->layer()->sublayers();
  auto at = [&](const Ref<ui::Layer>& l) { return std::find(layers.begin(), layers.end(), l) - layers.begin(); };
  ASSERT_LT(at(faint), static_cast<long>(layers.size()));
  EXPECT_LT(at(faint), at(ring));
  gfx::Point upper{hud()->hudView()->bounds().size.width / 2, 36};
  EXPECT_EQ(ring->position(), upper);
  EXPECT_EQ(faint->position(), upper);
  EXPECT_EQ(ring->bounds(), gfx::RectMake(0, 0, 36, 36));
  EXPECT_EQ(ring->lineWidth(), 1.0);
  EXPECT_EQ(ring->path()->pathBoundingBox(), gfx::RectMake(0, 0, 36, 36));
  EXPECT_NEAR(faint->strokeColor()->alpha(), 0.100000001490116, 1e-12);

  PHProgressHUD::showProgress(0.0f);
  EXPECT_EQ(hud()->activityCount(), 1u);
  EXPECT_EQ(hud()->ringLayer(), ring);  // the same ring, emptied
  EXPECT_EQ(ring->strokeEnd(), 0);
  // Without text the rings sit in the middle of the 100-point box.
  EXPECT_EQ(ring->position(), (gfx::Point{50, 50}));

  PHProgressHUD::show();
  EXPECT_FALSE(ring->superlayer());
  EXPECT_FALSE(faint->superlayer());
  EXPECT_EQ(hud()->indefiniteAnimatedView()->superview(), hud()->hudView());
  EXPECT_EQ(hud()->activityCount(), 2u);
}

TEST_F(ProgressHUDTest, TheBoxIsLaidOutForItsTextAndContent) {
  auto measure = [&](const rt::String& text) {
    auto attributes = fd::Dictionary::withStrings({{"NSFont", hud()->stringLabel()->font()}});
    return typeset::boundingRectWithSize(text, {200, 300}, 35, attributes).size;
  };
  auto box = [&] { return hud()->hudView(); };

  PHProgressHUD::showWithStatus("正在加载中...");
  PHBoxLayout expected = PHBoxLayoutFor(true, measure("正在加载中..."), true);
  EXPECT_EQ(box()->bounds().size, expected.boxSize);
  EXPECT_EQ(hud()->stringLabel()->frame(), expected.labelFrame);
  EXPECT_EQ(box()->center(), (gfx::Point{187.5, std::floor(667 * 0.45)}));
  auto spinner = hud()->indefiniteAnimatedView();
  EXPECT_EQ(spinner->radius(), 18);
  EXPECT_EQ(spinner->bounds().size, (gfx::Size{47, 47}));
  EXPECT_EQ(spinner->center(), (gfx::Point{expected.boxSize.width / 2, 36}));
  EXPECT_EQ(hud()->imageView()->center(), spinner->center());

  // A status change lays the box out again and rebuilds the spinner's arc.
  Ref<ui::ShapeLayer> arc = spinner->indefiniteAnimatedLayer();
  rt::String longer = "一段比较长的状态文字，需要折成好几行才能放得下。";
  PHProgressHUD::setStatus(longer);
  expected = PHBoxLayoutFor(true, measure(longer), true);
  EXPECT_GT(expected.boxSize.height, 100);
  EXPECT_EQ(box()->bounds().size, expected.boxSize);
  EXPECT_EQ(hud()->stringLabel()->frame().origin, (gfx::Point{12, 68}));
  EXPECT_NE(spinner->indefiniteAnimatedLayer(), arc);

  PHProgressHUD::setStatus("");
  EXPECT_EQ(box()->bounds().size, (gfx::Size{100, 100}));
  EXPECT_EQ(hud()->stringLabel()->frame(), gfx::RectZero);
  EXPECT_EQ(spinner->radius(), 24);
  EXPECT_EQ(spinner->center(), (gfx::Point{50, 50}));

  // An image show without an image: text only.
  PHProgressHUD::showImage(nullptr, "only text");
  expected = PHBoxLayoutFor(true, measure("only text"), false);
  EXPECT_EQ(box()->bounds().size.height, std::ceil(measure("only text").height) + 20);
  EXPECT_EQ(hud()->stringLabel()->frame(), expected.labelFrame);
  EXPECT_EQ(hud()->stringLabel()->frame().origin.y, 9);
}

TEST_F(ProgressHUDTest, OffsetFromCenterShiftsEveryPositioning) {
  PHProgressHUD::setOffsetFromCenter({10, -20});
  PHProgressHUD::show();
  EXPECT_EQ(hud()->hudView()->center(), (gfx::Point{197.5, 300 - 20}));
  PHProgressHUD::resetOffsetFromCenter();
  PHProgressHUD::setStatus("x");
  hud()->positionHUD(nullptr);
  EXPECT_EQ(hud()->hudView()->center(), (gfx::Point{187.5, 300}));
}

TEST_F(ProgressHUDTest, TheBoxRisesAboveTheKeyboardWhileRegistered) {
  ui::Screen::configureMainScreen({320, 568}, 2);
  struct Restore {
    ~Restore() { ui::Screen::configureMainScreen({375, 667}, 2); }
  } restore;
  PHProgressHUD::showWithStatus("typing");
  advance(0.2);
  EXPECT_EQ(hud()->hudView()->center().y, 255);

  auto keyboard = [](const char* name) {
    auto info = fd::Dictionary::withStrings(
        {{UIKeyboardFrameBeginUserInfoKey, fd::ValueBox::valueWith(gfx::RectMake(0, 352, 320, 216))},
         {UIKeyboardAnimationDurationUserInfoKey, fd::box(0.25)}});
    fd::NotificationCenter::defaultCenter()->post(name, nullptr, info);
  };
  keyboard(UIKeyboardWillShowNotification);
  auto box = hud()->hudView();
  EXPECT_EQ(box->center().y, 176);  // floor((568 + 40 - 216) * 0.45)
  ui::Transaction::flush();
  advance(0.125);
  double midway = box->layer()->presentationLayer()->position().y;
  EXPECT_GT(midway, 176);
  EXPECT_LT(midway, 255);
  keyboard(UIKeyboardDidHideNotification);
  EXPECT_EQ(box->center().y, 255);

  PHProgressHUD::dismiss();
  advance(0.2);
  keyboard(UIKeyboardWillShowNotification);  // no longer followed
  EXPECT_TRUE(hud()->subviews().empty());
}
