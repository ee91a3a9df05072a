// The text view as a responder: when it may start and stop editing and what it tells on the
// way, what the edit menu offers, the shake, the scroll-view calls it passes on, and the answer
// to the legacy undo alert.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "base/system/Application+DUDer.h"
#include "base/system/Device+DUDer.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/time/Date.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "textview/effect/DRTextEffectWindow.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

// Named, not anonymous: the tests build as one unit with their neighbours.
namespace responder_test {

class RecordingDelegate : public DUDaviDiraDelegate {
 public:
  std::optional<bool> shouldBegin, shouldEnd, shouldScrollToTop;
  Ref<ui::View> zoomView;
  std::vector<std::string> log;
  std::optional<bool> textViewShouldBeginEditing(DUDaviDira&) override {
    log.push_back("should begin");
    return shouldBegin;
  }
  std::optional<bool> textViewShouldEndEditing(DUDaviDira&) override {
    log.push_back("should end");
    return shouldEnd;
  }
  void textViewDidBeginEditing(DUDaviDira&) override { log.push_back("did begin"); }
  void textViewDidEndEditing(DUDaviDira&) override { log.push_back("did end"); }
  void scrollViewDidScroll(ui::ScrollView&) override { log.push_back("did scroll"); }
  void scrollViewWillEndDragging(ui::ScrollView&, gfx::Point velocity, gfx::Point* target) override {
    log.push_back("will end dragging " + std::to_string(int(velocity.x)));
    target->y = 42;
  }
  void scrollViewDidEndDragging(ui::ScrollView&, bool decelerate) override {
    log.push_back(std::string("did end dragging ") + (decelerate ? "decelerating" : "still"));
  }
  void scrollViewDidEndDecelerating(ui::ScrollView&) override { log.push_back("did end decelerating"); }
  void scrollViewDidEndZooming(ui::ScrollView&, ui::View*, double scale) override {
    log.push_back("did end zooming " + std::to_string(int(scale)));
  }
  std::optional<Ref<ui::View>> viewForZoomingInScrollView(ui::ScrollView&) override {
    if (!zoomView) return std::nullopt;
    return zoomView;
  }
  std::optional<bool> scrollViewShouldScrollToTop(ui::ScrollView&) override { return shouldScrollToTop; }
};

// A parent that records the motions passed up to it.
class MotionRecorder : public ui::View {
  RT_CLASS(MotionRecorder, ui::View)
 public:
  std::vector<ui::EventSubtype> motions;
  void motionEnded(ui::EventSubtype motion, ui::Event*) override { motions.push_back(motion); }
};
RT_IMPLEMENT(MotionRecorder) {}

class TextViewResponderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPasteboard = ui::Pasteboard::generalPasteboard()->items();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 320, 400));
    delegate = std::make_shared<RecordingDelegate>();
    view->setTextViewDelegate(delegate);
    auto center = fd::NotificationCenter::defaultCenter();
    for (const auto& name : {DUDaviDiraTextDidBeginEditingNotification, DUDaviDiraTextDidEndEditingNotification})
      tokens.push_back(center->addObserverForName(name, view, nullptr, [this](const Ref<fd::Notification>& n) {
        posts.push_back(n->name().utf8());
      }));
  }
  void TearDown() override {
    for (const auto& token : tokens) fd::NotificationCenter::defaultCenter()->removeObserver(token);
    delegate->shouldEnd = true;
    if (view->isFirstResponder()) view->resignFirstResponder();
    view.reset();
    ui::Pasteboard::generalPasteboard()->setItems(savedPasteboard);
    fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode,
                                                  fd::Date::dateWithTimeIntervalSinceNow(0.02));
  }
  bool offers(const char* action) { return view->canPerformAction(rt::Selector::named(action), nullptr); }
  Ref<DUDaviDira> view;
  std::shared_ptr<RecordingDelegate> delegate;
  std::vector<rt::Id> tokens;
  std::vector<std::string> posts;
  std::vector<ui::PasteboardItem> savedPasteboard;
};

TEST_F(TextViewResponderTest, WhoMayStartEditing) {
  struct Case {
    bool selectable, editable;
    std::optional<bool> answer;
    bool can, asked;
  } cases[] = {
      {true, true, std::nullopt, true, true},  {true, true, true, true, true},
      {true, true, false, false, true},        {false, true, true, false, false},
      {true, false, true, false, false},       {false, false, std::nullopt, false, false},
  };
  for (const auto& c : cases) {
    view->setSelectable(c.selectable);
    view->setEditable(c.editable);
    delegate->shouldBegin = c.answer;
    delegate->log.clear();
    EXPECT_EQ(view->canBecomeFirstResponder(), c.can) << c.selectable << c.editable;
    EXPECT_EQ(!delegate->log.empty(), c.asked) << c.selectable << c.editable;
    EXPECT_EQ(view->becomeFirstResponder(), c.can);
    EXPECT_EQ(view->isFirstResponder(), c.can);
    if (view->isFirstResponder()) view->resignFirstResponder();
  }
}

TEST_F(TextViewResponderTest, BeginningAndEndingAreTold) {
  ASSERT_TRUE(view->becomeFirstResponder());
  EXPECT_EQ(delegate->log, (std::vector<std::string>{"should begin", "did begin"}));
  EXPECT_EQ(posts, (std::vector<std::string>{"DUDaviDiraTextDidBeginEditing"}));
  // Already editing: nothing asked, nothing told.
  EXPECT_TRUE(view->becomeFirstResponder());
  EXPECT_EQ(delegate->log.size(), 2u);

  // A delegate that says no keeps the view editing.
  delegate->log.clear();
  delegate->shouldEnd = false;
  EXPECT_FALSE(view->canResignFirstResponder());
  EXPECT_FALSE(view->resignFirstResponder());
  EXPECT_TRUE(view->isFirstResponder());
  EXPECT_EQ(posts.size(), 1u);

  delegate->log.clear();
  delegate->shouldEnd = std::nullopt;
  EXPECT_TRUE(view->resignFirstResponder());
  EXPECT_FALSE(view->isFirstResponder());
  EXPECT_EQ(delegate->log, (std::vector<std::string>{"should end", "did end"}));
  EXPECT_EQ(posts, (std::vector<std::string>{"DUDaviDiraTextDidBeginEditing", "DUDaviDiraTextDidEndEditing"}));
  // Not editing: resigning is a no-op that succeeds, without asking.
  delegate->log.clear();
  EXPECT_TRUE(view->canResignFirstResponder());
  EXPECT_TRUE(view->resignFirstResponder());
  EXPECT_TRUE(delegate->log.empty());
  EXPECT_EQ(posts.size(), 2u);
}

TEST_F(TextViewResponderTest, EditingEndsWhenTheViewBecomesReadOnlyOrAnotherTakesOver) {
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setEditable(false);
  EXPECT_FALSE(view->isFirstResponder());
  EXPECT_EQ(posts.back(), "DUDaviDiraTextDidEndEditing");

  view->setEditable(true);
  ASSERT_TRUE(view->becomeFirstResponder());
  auto other = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 100, 100));
  ASSERT_TRUE(other->becomeFirstResponder());
  EXPECT_FALSE(view->isFirstResponder());
  EXPECT_EQ(posts, (std::vector<std::string>{"DUDaviDiraTextDidBeginEditing", "DUDaviDiraTextDidEndEditing",
                                             "DUDaviDiraTextDidBeginEditing", "DUDaviDiraTextDidEndEditing"}));
  // The other view refuses to let go: this one cannot take over.
  auto refusing = std::make_shared<RecordingDelegate>();
  refusing->shouldEnd = false;
  other->setTextViewDelegate(refusing);
  EXPECT_FALSE(view->becomeFirstResponder());
  EXPECT_TRUE(other->isFirstResponder());
  other->setTextViewDelegate(std::shared_ptr<DUDaviDiraDelegate>());
  other->resignFirstResponder();
}

TEST_F(TextViewResponderTest, AnOpenCompositionIsKeptAsTyped) {
  view->setText("ab");
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setMarkedText("ni", {2, 0});
  ASSERT_TRUE(view->markedTextRange());
  view->reloadInputViews();
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->text(), rt::String("abni"));

  view->setMarkedText("hao", {3, 0});
  ASSERT_TRUE(view->markedTextRange());
  ASSERT_TRUE(view->resignFirstResponder());
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->text(), rt::String("abnihao"));
  EXPECT_EQ(view->attributedText()->string(), rt::String("abnihao"));
}

TEST_F(TextViewResponderTest, MenuOffersFollowTheSelection) {
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  struct Case {
    const char* text;
    rt::Range selection;
    bool editing, editable, pasteable;
    const char* action;
    bool offered;
  } cases[] = {
      // Nothing selected.
      {"abc", {1, 0}, false, true, true, "select:", true},
      {"", {0, 0}, false, true, true, "select:", false},
      {"abc", {1, 0}, false, true, true, "selectAll:", true},
      {"", {0, 0}, false, true, true, "selectAll:", false},
      {"abc", {1, 0}, false, false, true, "paste:", true},  // editability is not looked at
      {"abc", {1, 0}, true, true, false, "paste:", false},
      {"abc", {1, 0}, true, true, true, "cut:", false},
      {"abc", {1, 0}, true, true, true, "copy:", false},
      {"abc", {1, 0}, true, true, true, "_define:", false},
      // Something selected.
      {"abc", {0, 2}, true, true, true, "cut:", true},
      {"abc", {0, 2}, false, true, true, "cut:", false},
      {"abc", {0, 2}, false, false, true, "copy:", true},
      {"abc", {0, 2}, true, true, true, "selectAll:", true},
      {"abc", {0, 3}, true, true, true, "selectAll:", false},
      {"abc", {0, 2}, true, true, true, "paste:", true},
      {"abc", {0, 2}, false, true, true, "paste:", false},
      {"abc", {0, 2}, true, true, false, "paste:", false},
      {"abc", {0, 2}, true, true, true, "select:", false},
      {"abc", {0, 2}, true, true, true, "_define:", false},
      {"abc", {0, 2}, true, true, true, "delete:", false},
  };
  for (const auto& c : cases) {
    if (view->isFirstResponder()) view->resignFirstResponder();
    view->setEditable(true);
    view->setText(c.text);
    view->setSelectedRange(c.selection);
    if (c.editing) {
      ASSERT_TRUE(view->becomeFirstResponder());
    }
    view->setEditable(c.editable);
    if (c.pasteable)
      pasteboard->setString("p");
    else
      pasteboard->setItems({});
    EXPECT_EQ(offers(c.action), c.offered) << c.action << " on '" << c.text << "' at " << c.selection.location << ","
                                           << c.selection.length << (c.editing ? " editing" : "");
  }
}

TEST_F(TextViewResponderTest, TheMenuReachesTheRegisteredActions) {
  auto pasteboard = ui::Pasteboard::generalPasteboard();
  view->setText("menu");
  view->setSelectedRange({0, 4});
  ASSERT_TRUE(view->becomeFirstResponder());
  for (const char* action : {"cut:", "copy:", "paste:"})
    EXPECT_TRUE(view->respondsToSelector(rt::Selector::named(action))) << action;
  ui::MenuController::sharedMenuController()->perform(rt::Selector::named("cut:"));
  EXPECT_EQ(view->text(), rt::String());
  EXPECT_EQ(pasteboard->string(), rt::String("menu"));
  ui::MenuController::sharedMenuController()->perform(rt::Selector::named("paste:"));
  EXPECT_EQ(view->text(), rt::String("menu"));
}

TEST_F(TextViewResponderTest, ShakeOffersUndoOnlyWhenAllowed) {
  fd::RunLoopDriver::useVirtualClock();
  ui::Application::sharedApplication()->resetForTesting();
  auto window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  auto root = rt::make<ui::ViewController>();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  auto parent = rt::make<MotionRecorder>(gfx::RectMake(0, 0, 320, 400));
  root->view()->addSubview(parent);
  parent->addSubview(view);
  view->setText("one");
  view->replaceRange(rt::Range{3, 0}, " two");

  // Other motions, and a shake while undo is off, go up the chain.
  view->motionEnded(ui::EventSubtype::None, nullptr);
  view->setAllowsUndoAndRedo(false);
  view->motionEnded(ui::EventSubtype::MotionShake, nullptr);
  EXPECT_EQ(parent->motions, (std::vector<ui::EventSubtype>{ui::EventSubtype::None, ui::EventSubtype::MotionShake}));
  EXPECT_FALSE(root->presentedViewController());

  view->setAllowsUndoAndRedo(true);
  view->motionEnded(ui::EventSubtype::MotionShake, nullptr);
  EXPECT_EQ(parent->motions.size(), 2u);
  auto alert = rt::as<ui::AlertController>(root->presentedViewController());
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->actions().size(), 2u);

  root->dismissViewControllerAnimated(false);
  view->removeFromSuperview();
  window.reset();
  ui::Application::sharedApplication()->resetForTesting();
  fd::RunLoopDriver::reset();
}

// Whether the program is an extension is settled once per process, so the extension runs in a
// child process of its own.
TEST(TextViewShakeInExtension, DoesNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto shakeInExtension = [] {
    char folder[] = "/tmp/kd-shake-XXXXXX";
    if (!mkdtemp(folder)) std::_Exit(3);
    std::string bundle = std::string(folder) + "/Reader.appex";
    if (mkdir(bundle.c_str(), 0700) != 0) std::_Exit(3);
    fd::Bundle::setMainBundle(fd::Bundle::bundleWithPath(rt::String(bundle.c_str())));
    int code = base::isAppExtension() ? 0 : 2;
    if (code == 0) {
      auto window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
      auto root = rt::make<ui::ViewController>();
      window->setRootViewController(root);
      window->makeKeyAndVisible();
      auto parent = rt::make<MotionRecorder>(gfx::RectMake(0, 0, 320, 400));
      root->view()->addSubview(parent);
      auto view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 320, 400));
      parent->addSubview(view);
      view->setText("one");
      view->replaceRange(rt::Range{3, 0}, " two");
      view->motionEnded(ui::EventSubtype::MotionShake, nullptr);
      // Neither an alert nor the motion passed on.
      if (root->presentedViewController() || !parent->motions.empty()) code = 1;
    }
    rmdir(bundle.c_str());
    rmdir(folder);
    std::_Exit(code);
  };
  EXPECT_EXIT(shakeInExtension(), ::testing::ExitedWithCode(0), "");
}

// The system version is read once per process: the older system runs in a child process.
TEST(TextViewLegacyUndoAlert, IsShownAndTappedWhereAlertControllersAreMissing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto tapUndo = [] {
    ui::Device::currentDevice()->setSystemVersion(rt::String("7.1"));
    if (base::systemVersion() >= 8) std::_Exit(2);
    fd::RunLoopDriver::useVirtualClock();
    auto window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    auto root = rt::make<ui::ViewController>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    auto view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 320, 400));
    root->view()->addSubview(view);
    view->setText("one");
    view->saveToUndoStack();
    view->replaceRange(rt::Range{3, 0}, " two");
    if (!view->showUndoRedoAlert() || root->presentedViewController()) std::_Exit(3);
    auto key = ui::Application::sharedApplication()->keyWindow();
    auto alert = key && !key->subviews().empty() ? rt::as<ui::AlertView>(key->subviews().front()) : nullptr;
    if (!alert || alert->numberOfButtons() != 2) std::_Exit(4);
    ui::HeadlessHost host(ui::Screen::mainScreen());
    host.renderFrame();
    // Cancel on the left, undo on the right.
    const auto& buttons = alert->panelView()->buttons();
    if (buttons.size() != 2) std::_Exit(5);
    gfx::Rect r = buttons[1]->convertRectToView(buttons[1]->bounds(), nullptr);
    host.tap({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
    if (view->text() != rt::String("one")) std::_Exit(6);
    if (alert->isVisible()) std::_Exit(7);
    std::_Exit(0);
  };
  EXPECT_EXIT(tapUndo(), ::testing::ExitedWithCode(0), "");
}

TEST_F(TextViewResponderTest, ScrollCallsReachTheDelegate) {
  ui::ScrollView& scroll = *view;
  view->scrollViewDidScroll(scroll);
  gfx::Point target{0, 0};
  view->scrollViewWillEndDragging(scroll, {3, 0}, &target);
  view->scrollViewDidEndDragging(scroll, true);
  view->scrollViewDidEndDragging(scroll, false);
  view->scrollViewDidEndDecelerating(scroll);
  view->scrollViewDidEndZooming(scroll, nullptr, 2);
  EXPECT_EQ(delegate->log, (std::vector<std::string>{"did scroll", "will end dragging 3",
                                                     "did end dragging decelerating", "did end dragging still",
                                                     "did end decelerating", "did end zooming 2"}));
  EXPECT_EQ(target.y, 42);  // the delegate may move where the scroll comes to rest

  // Unanswered questions: scroll to the top, and zoom nothing.
  EXPECT_EQ(view->scrollViewShouldScrollToTop(scroll), std::optional<bool>(true));
  auto zoom = view->viewForZoomingInScrollView(scroll);
  ASSERT_TRUE(zoom.has_value());
  EXPECT_FALSE(*zoom);
  delegate->shouldScrollToTop = false;
  delegate->zoomView = rt::make<ui::View>(gfx::RectZero);
  EXPECT_EQ(view->scrollViewShouldScrollToTop(scroll), std::optional<bool>(false));
  EXPECT_EQ(view->viewForZoomingInScrollView(scroll), std::optional<Ref<ui::View>>(delegate->zoomView));

  // A real scroll of the content reaches the delegate through the scroll view.
  view->setContentSize({320, 2000});
  delegate->log.clear();
  view->setContentOffset({0, 100});
  EXPECT_EQ(delegate->log, (std::vector<std::string>{"did scroll"}));
}

TEST_F(TextViewResponderTest, GrabberDotsHideWhileScrolling) {
  auto effect = DRTextEffectWindow::sharedWindow();
  ASSERT_TRUE(effect);
  const auto& mirror = view->selectionView()->startGrabber()->dot()->mirror();
  ui::ScrollView& scroll = *view;
  effect->showSelectionDot(view->selectionView());
  ASSERT_EQ(mirror->superview().get(), effect.get());
  view->scrollViewDidScroll(scroll);
  EXPECT_FALSE(mirror->superview());
  view->scrollViewDidEndDragging(scroll, true);  // still moving: stay hidden
  EXPECT_FALSE(mirror->superview());
  view->scrollViewDidEndDecelerating(scroll);
  EXPECT_EQ(mirror->superview().get(), effect.get());
  view->scrollViewDidScroll(scroll);
  view->scrollViewDidEndDragging(scroll, false);
  EXPECT_EQ(mirror->superview().get(), effect.get());
  effect->hideSelectionDot(view->selectionView());
}

TEST_F(TextViewResponderTest, LegacyAlertActsOnTheButtonPosition) {
  // In these languages cancel and undo read the same.
  for (const char* language : {"fr", "it", "ru"}) {
    auto strings = undoStringsForLocalization(rt::String(language));
    ASSERT_EQ(strings[DUDaviDiraUndoStringCancel], strings[DUDaviDiraUndoStringUndo]) << language;
    view->setText("one");
    view->saveToUndoStack();
    view->replaceRange(rt::Range{3, 0}, " two");
    auto alert = view->makeUndoRedoAlertView(strings);
    ASSERT_TRUE(alert) << language;
    EXPECT_EQ(alert->title(), strings[DUDaviDiraUndoStringUndoTyping]);
    ASSERT_EQ(alert->numberOfButtons(), 2);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), alert->buttonTitleAtIndex(1));
    auto answer = alert->delegate().lock();
    ASSERT_TRUE(answer);
    answer->alertViewClickedButtonAtIndex(*alert, 0);  // cancel
    EXPECT_EQ(view->text(), rt::String("one two")) << language;
    alert = view->makeUndoRedoAlertView(strings);
    alert->delegate().lock()->alertViewClickedButtonAtIndex(*alert, 1);  // undo
    EXPECT_EQ(view->text(), rt::String("one")) << language;
    // An alert answers once.
    alert->delegate().lock()->alertViewClickedButtonAtIndex(*alert, 1);
    EXPECT_EQ(view->text(), rt::String("one")) << language;

    // Both possible: undo, then redo typing, after cancel.
    view->replaceRange(rt::Range{3, 0}, " three");
    view->saveToUndoStack();
    view->replaceRange(rt::Range{9, 0}, "!");
    view->undo();
    ASSERT_TRUE(view->canUndo());
    ASSERT_TRUE(view->canRedo());
    alert = view->makeUndoRedoAlertView(strings);
    ASSERT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->buttonTitleAtIndex(2), strings[DUDaviDiraUndoStringRedoTyping]);
    rt::String before = view->text();
    alert->delegate().lock()->alertViewClickedButtonAtIndex(*alert, 2);
    EXPECT_EQ(view->text(), before + rt::String("!")) << language;
  }
  // Only redo: its own title and button.
  auto english = undoStringsForLocalization("en");
  view->setText("x");
  view->replaceRange(rt::Range{1, 0}, "y");
  view->undo();
  ASSERT_FALSE(view->canUndo());
  auto alert = view->makeUndoRedoAlertView(english);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), rt::String("Redo Typing"));
  ASSERT_EQ(alert->numberOfButtons(), 2);
  EXPECT_EQ(alert->buttonTitleAtIndex(0), rt::String("Cancel"));
  EXPECT_EQ(alert->buttonTitleAtIndex(1), rt::String("Redo"));
  alert->delegate().lock()->alertViewClickedButtonAtIndex(*alert, 1);
  EXPECT_EQ(view->text(), rt::String("xy"));
  // Neither possible: no alert.
  EXPECT_FALSE(rt::make<DUDaviDira>(gfx::RectMake(0, 0, 100, 100))->makeUndoRedoAlertView(english));
}

class InputRecorder : public ui::TextInputDelegate {
 public:
  std::vector<std::string> log;
  void selectionWillChange(ui::TextInput*) override { log.push_back("selection will change"); }
  void selectionDidChange(ui::TextInput*) override { log.push_back("selection did change"); }
};

class SelectionRecorder : public DUDaviDiraDelegate {
 public:
  int selectionChanges = 0;
  rt::Range seen{0, 0};  // what the view says its selection is when it tells
  void textViewDidChangeSelection(DUDaviDira& view) override {
    ++selectionChanges;
    seen = view.selectedRange();
  }
};

// Menu actions in a window, on the virtual clock, so that the menu really shows.
class TextViewMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPasteboard = ui::Pasteboard::generalPasteboard()->items();
    fd::RunLoopDriver::useVirtualClock();
    ui::Application::sharedApplication()->resetForTesting();
    window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
    auto root = rt::make<ui::ViewController>();
    window->setRootViewController(root);
    window->makeKeyAndVisible();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 100, 320, 300));
    root->view()->addSubview(view);
    input = std::make_shared<InputRecorder>();
    delegate = std::make_shared<SelectionRecorder>();
    view->setInputDelegate(input);
    view->setTextViewDelegate(delegate);
  }
  void TearDown() override {
    if (view->isFirstResponder()) view->resignFirstResponder();
    ui::MenuController::sharedMenuController()->setMenuVisible(false, false);
    view->removeFromSuperview();
    view.reset();
    window.reset();
    ui::Pasteboard::generalPasteboard()->setItems(savedPasteboard);
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  static bool menuShown() { return ui::MenuController::sharedMenuController()->isMenuVisible(); }
  std::vector<ui::PasteboardItem> savedPasteboard;
  Ref<ui::Window> window;
  Ref<DUDaviDira> view;
  std::shared_ptr<InputRecorder> input;
  std::shared_ptr<SelectionRecorder> delegate;
};

TEST_F(TextViewMenuTest, SelectTakesTheWordAtTheCaretAndShowsTheMenu) {
  view->setText("hello brave world");
  view->setSelectedRange({8, 0});
  ASSERT_TRUE(view->becomeFirstResponder());
  input->log.clear();
  delegate->selectionChanges = 0;
  view->selectAction(nullptr);
  EXPECT_EQ(view->selectedRange(), (rt::Range{6, 5}));
  EXPECT_EQ(input->log, (std::vector<std::string>{"selection will change", "selection did change"}));
  EXPECT_EQ(delegate->selectionChanges, 1);
  EXPECT_EQ(delegate->seen, (rt::Range{6, 5}));
  ui::HeadlessHost::wait(0.1);
  EXPECT_TRUE(menuShown());

  // Something already selected: select leaves it.
  input->log.clear();
  view->selectAction(nullptr);
  EXPECT_EQ(view->selectedRange(), (rt::Range{6, 5}));
  EXPECT_TRUE(input->log.empty());
}

TEST_F(TextViewMenuTest, SelectAllTakesTheWholeText) {
  view->setText("hello brave world");
  view->setSelectedRange({3, 2});
  ASSERT_TRUE(view->becomeFirstResponder());
  input->log.clear();
  delegate->selectionChanges = 0;
  view->selectAllAction(nullptr);
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, 17}));
  EXPECT_EQ(input->log, (std::vector<std::string>{"selection will change", "selection did change"}));
  EXPECT_EQ(delegate->selectionChanges, 1);
  EXPECT_EQ(delegate->seen, (rt::Range{0, 17}));
  ui::HeadlessHost::wait(0.1);
  EXPECT_TRUE(menuShown());
  // All selected: the menu no longer offers it.
  EXPECT_FALSE(view->canPerformAction(rt::Selector::named("selectAll:"), nullptr));
}

TEST_F(TextViewMenuTest, AShownMenuFollowsThePasteboard) {
  // An empty text with nothing but a pasteable pasteboard: "Paste" is the menu's only item.
  ui::Pasteboard::generalPasteboard()->setString("to paste");
  ASSERT_TRUE(view->becomeFirstResponder());
  view->selectAllAction(nullptr);
  ui::HeadlessHost::wait(0.1);
  ASSERT_TRUE(menuShown());
  ui::Pasteboard::generalPasteboard()->setItems({});
  EXPECT_FALSE(menuShown());
}

}  // namespace responder_test
