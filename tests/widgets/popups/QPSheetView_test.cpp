// The action sheet's resting geometry from the solver and its taps.
#include "../WidgetTestFixture.h"
#include "platform/ui/view/Screen.h"
#include "widgets/popups/Color+QPPopup.h"
#include "widgets/popups/QPSheetView.h"

namespace widgets::testing {

namespace {

class SheetViewTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    screen = ui::Screen::mainScreen()->bounds().size;
    host = rt::make<ui::View>(gfx::Rect{{0, 0}, screen});
    host->setBackgroundColor(gfx::Color::whiteColor());
    window->addSubview(host);
    px = 1 / ui::Screen::mainScreen()->scale();
  }
  Ref<QPSheetView> showSheet(const rt::String& title, std::vector<Ref<QPPopupItem>> items) {
    auto sheet = rt::make<QPSheetView>(title, std::move(items));
    sheet->setAttachedView(host);
    sheet->show();
    advance(0.5);
    settle();
    window->layoutIfNeeded();
    return sheet;
  }
  Ref<QPPopupItem> item(const rt::String& title, bool disabled = false, bool highlight = false) {
    auto i = rt::make<QPPopupItem>();
    i->title = title;
    i->disabled = disabled;
    i->highlight = highlight;
    i->handler = [this](int64_t index) { tapped.push_back(index); };
    return i;
  }
  static void near(gfx::Rect r, gfx::Rect e, const char* what) {
    EXPECT_NEAR(r.origin.x, e.origin.x, 1e-6) << what;
    EXPECT_NEAR(r.origin.y, e.origin.y, 1e-6) << what;
    EXPECT_NEAR(r.size.width, e.size.width, 1e-6) << what;
    EXPECT_NEAR(r.size.height, e.size.height, 1e-6) << what;
  }
  gfx::Size screen;
  Ref<ui::View> host;
  double px = 1;
  std::vector<int64_t> tapped;
};

}  // namespace

TEST_F(SheetViewTest, RestsOnTheHostBottomWithItemsBandAndCancel) {
  auto sheet = showSheet(rt::String(), {item(u"拍照"), item(u"相册"), item(u"删除", false, true)});
  gfx::Rect f = sheet->frame();
  const double area = 150 - 4 * px;
  near(f, {{0, screen.height - (area + 8 + 50)}, {screen.width, area + 8 + 50}}, "sheet");
  near(sheet->buttonView->frame(), {{0, 0}, {screen.width, area}}, "item area");
  for (size_t i = 0; i < 3; ++i)
    near(sheet->buttonView->subviews()[i]->frame(), {{-px, -px + i * (50 - px)}, {screen.width + 2 * px, 50}}, "item");
  near(sheet->cancelButton->frame(), {{0, area + 8}, {screen.width, 50}}, "cancel");

  auto shot = shoot("popup-sheet");
  ASSERT_TRUE(shot);
  EXPECT_EQ(inkIn(shot, {{10, f.origin.y + area + 1}, {screen.width - 20, 6}}, 0xFFCCCCCC, 8), 0)
      << "the band shows the sheet's split colour";
  EXPECT_GT(inkIn(shot, {{screen.width / 2 - 40, f.origin.y + area + 18}, {80, 34}}, 0xFFFFFFFF), 20)
      << "the cancel title";
  sheet->hide();
  advance(0.5);
  settle();
}

TEST_F(SheetViewTest, TitleSitsAboveTheItemsAndDisabledItemsDoNotRespond) {
  auto sheet = showSheet(u"选择", {item(u"一"), item(u"二", true), item(u"三", true, true)});
  ASSERT_TRUE(sheet->titleView);
  EXPECT_NEAR(sheet->buttonView->frame().origin.y, sheet->titleView->frame().size.height, 1e-6);
  EXPECT_GT(sheet->titleView->frame().size.height, 38);
  auto b = [&](size_t i) { return rt::as<ui::Button>(sheet->buttonView->subviews()[i]); };
  EXPECT_TRUE(b(1)->titleColorForState(ui::ControlStateNormal)->isEqual(qp_colorWithHex(0xCCCCCCFF).get()));
  EXPECT_TRUE(b(2)->titleColorForState(ui::ControlStateNormal)->isEqual(qp_colorWithHex(0xE76153FF).get()));
  EXPECT_FALSE(b(1)->isEnabled());
  sheet->actionButton(1);
  sheet->actionButton(2);
  EXPECT_TRUE(tapped.empty());
  b(0)->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  advance(0.5);
  settle();
  EXPECT_EQ(tapped, std::vector<int64_t>{0});
  EXPECT_FALSE(sheet->superview());
}

}  // namespace widgets::testing
