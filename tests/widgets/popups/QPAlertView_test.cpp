// The alert's resting geometry from the solver, its buttons' taps and its input limits.
#include <cmath>

#include "../WidgetTestFixture.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/view/Screen.h"
#include "widgets/popups/Color+QPPopup.h"
#include "widgets/popups/QPAlertView.h"
#include "widgets/popups/QPAlertViewConfig.h"
#include "widgets/popups/View+QPPopupDim.h"

namespace widgets::testing {

namespace {

class AlertViewTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    host = rt::make<ui::View>(gfx::RectMake(0, 0, 320, 480));
    host->setBackgroundColor(gfx::Color::whiteColor());
    window->addSubview(host);
    px = 1 / ui::Screen::mainScreen()->scale();
  }
  void TearDown() override {
    for (auto& a : shown) a->hide();
    advance(1);
    settle();
    WidgetTest::TearDown();
  }
  std::vector<Ref<QPPopupItem>> items(std::vector<rt::String> titles) {
    std::vector<Ref<QPPopupItem>> out;
    for (auto& t : titles) {
      auto i = rt::make<QPPopupItem>();
      i->title = t;
      i->handler = [this](int64_t index) { tapped.push_back(index); };
      out.push_back(i);
    }
    return out;
  }
  Ref<QPAlertView> showAlert(const Ref<QPAlertView>& alert) {
    alert->setAttachedView(host);
    alert->show();
    shown.push_back(alert);
    advance(0.5);
    settle();
    window->layoutIfNeeded();
    return alert;
  }
  Ref<ui::Button> button(const Ref<QPAlertView>& a, size_t i) {
    return rt::as<ui::Button>(a->buttonView->subviews().at(i));
  }
  static void near(gfx::Rect r, gfx::Rect e, const char* what) {
    EXPECT_NEAR(r.origin.x, e.origin.x, 1e-6) << what;
    EXPECT_NEAR(r.origin.y, e.origin.y, 1e-6) << what;
    EXPECT_NEAR(r.size.width, e.size.width, 1e-6) << what;
    EXPECT_NEAR(r.size.height, e.size.height, 1e-6) << what;
  }
  Ref<ui::View> host;
  double px = 1;
  std::vector<int64_t> tapped;
  std::vector<Ref<QPAlertView>> shown;
};

}  // namespace

TEST_F(AlertViewTest, TwoItemsFormARowOfEqualButtonsUnderTheTexts) {
  auto alert = showAlert(rt::make<QPAlertView>(u"提示", u"您当前使用非wifi环境,继续播放?", items({u"确定", u"取消"})));
  gfx::Rect f = alert->frame();
  EXPECT_DOUBLE_EQ(f.size.width, 275);
  EXPECT_NEAR(f.origin.x + f.size.width / 2, 160, 1e-6);
  EXPECT_NEAR(f.origin.y + f.size.height / 2, 240, 1e-6) << "centred on the host";
  gfx::Rect title = alert->titleLabel->frame(), detail = alert->detailLabel->frame();
  near({{25, 25}, {225, title.size.height}}, title, "title");
  EXPECT_GT(title.size.height, 0);
  near({{25, title.origin.y + title.size.height + 5}, {225, detail.size.height}}, detail, "detail");
  gfx::Rect area = alert->buttonView->frame();
  near({{0, detail.origin.y + detail.size.height + 25}, {275, 50}}, area, "button area");
  const double w = (275 + 3 * px) / 2;
  near(button(alert, 0)->frame(), {{-px, 0}, {w, 50}}, "first button");
  near(button(alert, 1)->frame(), {{w - 2 * px, 0}, {w, 50}}, "second button");
  EXPECT_NEAR(f.size.height, area.origin.y + area.size.height, 1e-6) << "the alert ends with its buttons";
  EXPECT_TRUE(button(alert, 1)->titleLabel()->font()->isEqual(typeset::Font::boldSystemFontOfSize(17).get()));
}

TEST_F(AlertViewTest, LongDetailWrapsWithinTheMargins) {
  rt::String longText = u"这是一段很长的说明文字，它需要在提示框的宽度之内换成好几行才能放得下，所以高度会增加。";
  auto alert = showAlert(rt::make<QPAlertView>(rt::String(), longText, items({u"好"})));
  EXPECT_FALSE(alert->titleLabel);
  gfx::Rect d = alert->detailLabel->frame();
  EXPECT_DOUBLE_EQ(d.size.width, 225);
  EXPECT_GT(d.size.height, 2.5 * typeset::Font::systemFontOfSize(14)->lineHeight()) << "several lines";
}

TEST_F(AlertViewTest, ThreeItemsFormAColumnAndEmptyTextsStartAtTheMargin) {
  auto alert = showAlert(rt::make<QPAlertView>(rt::String(), rt::String(), items({u"一", u"二", u"三"})));
  gfx::Rect area = alert->buttonView->frame();
  near(area, {{0, 25}, {275, 150 - 4 * px}}, "button area");
  for (size_t i = 0; i < 3; ++i)
    near(button(alert, i)->frame(), {{0, -px + i * (50 - px)}, {275, 50}}, "column button");
  EXPECT_NEAR(alert->frame().size.height, 25 + 150 - 4 * px, 1e-6);
}

TEST_F(AlertViewTest, TapsHideAndReportTheIndexUnlessDisabled) {
  struct Case { size_t tap; bool disabled; std::vector<int64_t> heard; bool hides; };
  for (const Case& c : {Case{0, false, {0}, true}, Case{1, false, {1}, true}, Case{1, true, {}, false}}) {
    tapped.clear();
    auto its = items({u"确定", u"取消"});
    its[c.tap]->disabled = c.disabled;
    auto alert = showAlert(rt::make<QPAlertView>(u"提示", rt::String(), its));
    button(alert, c.tap)->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    advance(0.5);
    settle();
    EXPECT_EQ(tapped, c.heard) << c.tap;
    EXPECT_EQ(static_cast<bool>(alert->superview()), !c.hides) << c.tap;
  }
}

TEST_F(AlertViewTest, ConfirmAlertHasOneBoldHighlightedOK) {
  auto a = QPAlertView::alertWithConfirmTitle(u"提示", rt::String());
  showAlert(a);
  ASSERT_EQ(a->buttonView->subviews().size(), 1u);
  auto b = button(a, 0);
  EXPECT_EQ(b->titleForState(ui::ControlStateNormal), rt::String(u"好"));
  EXPECT_TRUE(b->titleColorForState(ui::ControlStateNormal)->isEqual(qp_colorWithHex(0xE76153FF).get()));
  near(b->frame(), {{-px, 0}, {275 + 2 * px, 50}}, "single button spans the row");
}

TEST_F(AlertViewTest, InputAlertLiftsHoldsBackEmptyConfirmAndLimitsLength) {
  std::vector<std::string> got;
  auto a = QPAlertView::alertWithInputTitle(u"名字", rt::String(), u"请输入",
                                            [&](const rt::String& t) { got.push_back(t.utf8()); });
  a->maxInputLength = 5;
  showAlert(a);
  EXPECT_NEAR(a->center().y, 240 - 108, 1e-6);
  EXPECT_TRUE(a->inputView->isFirstResponder());
  near(a->inputView->frame(), {{25, a->titleLabel->frame().origin.y + a->titleLabel->frame().size.height + 10},
                               {225, 40}}, "input");
  button(a, 1)->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  advance(0.5);
  settle();
  EXPECT_EQ(got, std::vector<std::string>{""});
  EXPECT_TRUE(a->superview()) << "an empty confirm keeps the alert";

  struct Case { rt::String pasted; rt::String kept; };
  for (const Case& c : {Case{u"abcdefgh", u"abcde"}, Case{u"abcd\U0001F600", u"abcd"}, Case{u"你好世界啊呀", u"你好世界啊"}}) {
    a->inputView->setText(rt::String());
    a->inputView->insertText(c.pasted);  // what the window host's text input delivers
    EXPECT_EQ(a->inputView->text(), c.kept);
  }
  EXPECT_TRUE(ui::Keyboard::sharedKeyboard()->isVisible());
  auto shot = shoot("popup-alert-input");
  ASSERT_TRUE(shot);
  gfx::Rect f = a->frame(), input = gfx::RectOffset(a->inputView->frame(), f.origin.x, f.origin.y);
  EXPECT_GT(inkIn(shot, gfx::RectInset(input, 6, 6), 0xFFFFFFFF), 20) << "the typed text shows";
  button(a, 1)->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  advance(0.5);
  settle();
  EXPECT_EQ(got.back(), "你好世界啊");
  EXPECT_FALSE(a->superview());
  EXPECT_FALSE(a->inputView->isFirstResponder());
}

TEST_F(AlertViewTest, PictureOfTheTwoItemAlert) {
  auto alert = showAlert(rt::make<QPAlertView>(u"提示", u"您当前使用非wifi环境,继续播放?", items({u"确定", u"取消"})));
  auto shot = shoot("popup-alert-two-items");
  ASSERT_TRUE(shot);
  gfx::Rect f = alert->frame();
  // Dimmed host around the alert, white alert, ink in title and buttons.
  uint32_t outside = pixelAt(shot, {10, 10}), inside = pixelAt(shot, {f.origin.x + 5, f.origin.y + 5});
  EXPECT_NE(outside, inside);
  EXPECT_GT(inkIn(shot, gfx::RectOffset(alert->titleLabel->frame(), f.origin.x, f.origin.y), 0xFFFFFFFF), 20);
  gfx::Rect area = alert->buttonView->frame();
  EXPECT_GT(inkIn(shot, {{f.origin.x + 20, f.origin.y + area.origin.y + 10}, {100, 30}}, 0xFFFFFFFF), 20);
}

}  // namespace widgets::testing
