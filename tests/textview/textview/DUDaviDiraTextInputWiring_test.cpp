// Text input in a window while editing: each change or selection move ends a touch being
// tracked and hides the edit menu, and the caret is scrolled into view.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tests/textview/textview/DUDaviDiraTestAccess.h"
#include "tests/textview/textview/DUDaviDiraTrackingTestAccess.h"

using namespace textview;

namespace text_input_wiring_test {

using Tracking = textview::DUDaviDiraTrackingTestAccess;

Ref<ui::TextRange> caretAt(uint64_t offset) { return text::DRTextRange::rangeWithRange({offset, 0}); }

class TextInputWiringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    ui::Application::sharedApplication()->resetForTesting();
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    window->makeKeyAndVisible();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 40, 300, 240));
    window->addSubview(view);
  }
  void TearDown() override {
    if (view->isFirstResponder()) view->resignFirstResponder();
    ui::MenuController::sharedMenuController()->setMenuVisible(false, false);
    view->removeFromSuperview();
    view.reset();
    window.reset();
    ui::Transaction::flush();
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  // Many lines of text, the caret at the start, scrolled to the top.
  void longText() {
    std::string s;
    for (int i = 0; i < 80; ++i) s += "Line " + std::to_string(i) + " of the district news.\n";
    view->setText(rt::String(s));
    view->setSelectedRange({0, 0});
    view->setContentOffset({0, 0});
    ui::HeadlessHost::wait(0.5);
    ASSERT_GT(view->contentSize().height, view->bounds().size.height * 3);
  }
  // Whether the caret's rectangle lies within the part of the content on show.
  bool caretOnShow() {
    gfx::Rect caret = view->caretRectForPosition(view->selectedTextRange()->end());
    caret = view->containerView()->convertRectToView(caret, view.get());
    double top = view->contentOffset().y, bottom = top + view->bounds().size.height;
    return caret.origin.y >= top - 0.5 && caret.origin.y + caret.size.height <= bottom + 0.5;
  }
  Ref<ui::Window> window;
  Ref<DUDaviDira> view;
};

}  // namespace text_input_wiring_test

using namespace text_input_wiring_test;

TEST_F(TextInputWiringTest, TheCaretIsScrolledIntoViewWhileEditing) {
  longText();
  const uint64_t end = view->text().length();
  // Not editing: a selection move leaves the scroll position alone.
  view->setSelectedTextRange(caretAt(end));
  ui::HeadlessHost::wait(0.5);
  EXPECT_EQ(view->contentOffset().y, 0);

  ASSERT_TRUE(view->becomeFirstResponder());
  view->setSelectedTextRange(caretAt(0));
  view->setSelectedTextRange(caretAt(end));
  ui::HeadlessHost::wait(0.5);
  EXPECT_GT(view->contentOffset().y, 0);
  EXPECT_TRUE(caretOnShow());

  view->setSelectedTextRange(caretAt(3));
  ui::HeadlessHost::wait(0.5);
  EXPECT_TRUE(caretOnShow());
  // Typing a line break at a time walks the caret down past the bottom edge; it stays on show.
  view->setContentOffset({0, 0});
  for (int i = 0; i < 25; ++i) view->insertText(rt::String("\n"));
  ui::HeadlessHost::wait(0.5);
  EXPECT_GT(view->contentOffset().y, 0);
  EXPECT_TRUE(caretOnShow());
  // So does a composition.
  view->setSelectedTextRange(caretAt(view->text().length()));
  ui::HeadlessHost::wait(0.5);
  view->setContentOffset({0, 0});
  view->setMarkedText(rt::String("ni"), {2, 0});
  ui::HeadlessHost::wait(0.5);
  EXPECT_TRUE(caretOnShow());
  view->setContentOffset({0, 0});
  view->unmarkText();
  ui::HeadlessHost::wait(0.5);
  EXPECT_TRUE(caretOnShow());
}

TEST_F(TextInputWiringTest, EditingHidesTheMenuAndEndsTracking) {
  struct Case {
    const char* name;
    std::function<void(DUDaviDira&)> call;
  };
  const Case cases[] = {
      {"insertText", [](DUDaviDira& v) { v.insertText(rt::String("x")); }},
      {"deleteBackward", [](DUDaviDira& v) { v.deleteBackward(); }},
      {"replaceRange", [](DUDaviDira& v) { v.replaceRange(text::DRTextRange::rangeWithRange({0, 1}), "Z"); }},
      {"setSelectedTextRange", [](DUDaviDira& v) { v.setSelectedTextRange(caretAt(2)); }},
      {"setMarkedText", [](DUDaviDira& v) { v.setMarkedText(rt::String("k"), {1, 0}); }},
  };
  auto menu = ui::MenuController::sharedMenuController();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    view->setText(rt::String("hello brave world"));
    view->setSelectedRange({8, 0});
    ASSERT_TRUE(view->becomeFirstResponder());
    Tracking::showMenu(*view);
    ui::HeadlessHost::wait(0.2);
    ASSERT_TRUE(menu->isMenuVisible());
    // A finger down on the text: its touch is being tracked.
    ui::TouchInput input(window);
    gfx::Rect caret = view->caretRectForPosition(text::DRTextPosition::positionWithOffset(4));
    auto touch = input.down(view->containerView()->convertPointToView(
        {caret.origin.x + caret.size.width / 2, caret.origin.y + caret.size.height / 2}, nullptr));
    ASSERT_TRUE(Tracking::flags(*view).trackingTouch);
    c.call(*view);
    EXPECT_FALSE(Tracking::flags(*view).trackingTouch);
    EXPECT_FALSE(Tracking::flags(*view).showingMenu);
    EXPECT_FALSE(menu->isMenuVisible());
    input.up(touch);
    if (view->markedTextRange()) view->unmarkText();
    ui::HeadlessHost::wait(0.6);
  }
  // Committing a composition hides the menu too.
  view->setMarkedText(rt::String("ni"), {2, 0});
  Tracking::showMenu(*view);
  ui::HeadlessHost::wait(0.2);
  ASSERT_TRUE(menu->isMenuVisible());
  view->unmarkText();
  EXPECT_FALSE(menu->isMenuVisible());
}
