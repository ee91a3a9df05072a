#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/controls/PageControl.h"
#include "platform/ui/controls/ProgressView.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/Switch.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/input/pasteboard/Pasteboard.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {
class ControlKindsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
  }
  void TearDown() override {
    if (auto r = Responder::currentFirstResponder()) r->resignFirstResponder();
    window.reset();
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  int countValueChanges(Control& c) {
    auto n = std::make_shared<int>(0);
    counters.push_back(n);
    c.addTarget(nullptr, [n](Control&, Event*) { ++*n; }, ControlEventValueChanged);
    return 0;
  }
  Ref<Window> window;
  std::vector<std::shared_ptr<int>> counters;
};
}  // namespace

TEST_F(ControlKindsTest, PageControlStepsTowardsTheTappedSide) {
  auto pc = rt::make<PageControl>(gfx::RectMake(0, 100, 320, 37));
  window->addSubview(pc);
  pc->setNumberOfPages(3);
  countValueChanges(*pc);
  TouchInput input(window);
  input.tap({300, 118});
  EXPECT_EQ(pc->currentPage(), 1);
  input.tap({10, 118});
  input.tap({10, 118});
  EXPECT_EQ(pc->currentPage(), 0);
  EXPECT_EQ(*counters[0], 2);  // the last tap had nowhere to go
  pc->setCurrentPage(9);
  EXPECT_EQ(pc->currentPage(), 2);
  EXPECT_EQ(pc->sizeForNumberOfPages(3).width, 3 * PageControl::kDotDiameter + 2 * PageControl::kDotSpacing);
}

TEST_F(ControlKindsTest, SliderFollowsTheFingerWithinItsRange) {
  auto slider = rt::make<Slider>(gfx::RectMake(10, 100, 228, 31));
  window->addSubview(slider);
  slider->setMinimumValue(0);
  slider->setMaximumValue(200);
  countValueChanges(*slider);
  // The usable track is 200 points wide (228 less the thumb); the thumb starts at 0.
  TouchInput input(window);
  auto t = input.down({10 + 14, 115});
  input.move(t, {10 + 14 + 50, 115});
  EXPECT_NEAR(slider->value(), 50, 1e-9);
  input.move(t, {400, 115});
  EXPECT_EQ(slider->value(), 200);
  input.up(t);
  EXPECT_EQ(*counters[0], 2);
  slider->setValue(-5);
  EXPECT_EQ(slider->value(), 0);
}

TEST_F(ControlKindsTest, SwitchFlipsOnTapAndKeepsItsSize) {
  auto sw = rt::make<Switch>(gfx::RectMake(10, 10, 200, 200));
  window->addSubview(sw);
  EXPECT_EQ(sw->frame().size, gfx::SizeMake(Switch::kWidth, Switch::kHeight));
  countValueChanges(*sw);
  TouchInput(window).tap({20, 20});
  EXPECT_TRUE(sw->isOn());
  TouchInput(window).tap({300, 300});
  EXPECT_TRUE(sw->isOn());
  EXPECT_EQ(*counters[0], 1);
}

TEST_F(ControlKindsTest, ProgressViewClampsAndFillsItsBar) {
  auto p = rt::make<ProgressView>(gfx::RectMake(0, 0, 200, 2));
  p->setProgress(0.25);
  EXPECT_EQ(p->bar()->frame().size.width, 50);
  p->setProgress(3);
  EXPECT_EQ(p->progress(), 1);
  p->setProgress(0.5, true);
  EXPECT_EQ(p->bar()->frame().size.width, 100);  // the model lands at once
  EXPECT_TRUE(p->bar()->layer()->hasAnimations());
}

TEST_F(ControlKindsTest, ActivityIndicatorTurnsOnTheClockAndHidesWhenStopped) {
  auto spinner = rt::make<ActivityIndicatorView>(ActivityIndicatorViewStyle::Gray);
  EXPECT_EQ(spinner->frame().size, gfx::SizeMake(20, 20));
  EXPECT_TRUE(spinner->isHidden());
  spinner->startAnimating();
  EXPECT_FALSE(spinner->isHidden());
  fd::RunLoopDriver::advance(0.5 + 1e-3);
  EXPECT_EQ(spinner->step(), ActivityIndicatorView::kSpokes / 2);
  spinner->stopAnimating();
  EXPECT_TRUE(spinner->isHidden());
  spinner->setHidesWhenStopped(false);
  EXPECT_FALSE(spinner->isHidden());
}

TEST_F(ControlKindsTest, TextFieldEditsAndReports) {
  auto field = rt::make<TextField>(gfx::RectMake(10, 10, 200, 30));
  window->addSubview(field);
  field->setPlaceholder(rt::String("Search"));
  field->setClearButtonMode(TextFieldViewMode::WhileEditing);
  auto glass = rt::make<View>(gfx::RectMake(0, 0, 20, 20));
  field->setLeftView(glass);
  field->setLeftViewMode(TextFieldViewMode::Always);
  std::vector<std::string> events;
  field->addTarget(nullptr, [&](Control&, Event*) { events.push_back("begin"); }, ControlEventEditingDidBegin);
  field->addTarget(nullptr, [&](Control&, Event*) { events.push_back("changed"); }, ControlEventEditingChanged);
  field->addTarget(nullptr, [&](Control&, Event*) { events.push_back("end"); }, ControlEventEditingDidEnd);
  int notes = 0;
  auto token = rt::make<rt::Object>();
  fd::NotificationCenter::defaultCenter()->addObserver(token, [&](const Ref<fd::Notification>&) { ++notes; },
                                                       rt::String(UITextFieldTextDidChangeNotification), field);
  EXPECT_EQ(field->displayLabel()->text(), rt::String("Search"));
  TouchInput(window).tap({100, 25});
  EXPECT_TRUE(field->isEditing());
  EXPECT_TRUE(field->isFirstResponder());
  field->insertText(rt::String("新闻"));
  field->insertText(rt::String("x"));
  field->deleteBackward();
  EXPECT_EQ(field->text(), rt::String("新闻"));
  EXPECT_EQ(notes, 3);
  field->layoutIfNeeded();
  EXPECT_FALSE(field->clearButton()->isHidden());
  EXPECT_EQ(glass->frame().origin.x, 0);
  EXPECT_GE(field->displayLabel()->frame().origin.x, 20);
  auto pasteboard = Pasteboard::generalPasteboard();
  auto savedItems = pasteboard->items();
  pasteboard->setString("pasted");
  EXPECT_TRUE(field->canPerformAction(rt::sel("paste:"), nullptr));
  pasteboard->setItems(savedItems);
  EXPECT_FALSE(field->canPerformAction(rt::sel("copy:"), nullptr));
  field->selectAll();
  EXPECT_TRUE(field->canPerformAction(rt::sel("copy:"), nullptr));
  EXPECT_FALSE(field->canPerformAction(rt::sel("_define:"), nullptr));  // no dictionary here
  EXPECT_EQ(field->markedTextRange(), nullptr);
  EXPECT_EQ(field->positionFromPosition(field->beginningOfDocument(), 2)->offset(), 2);
  EXPECT_EQ(field->positionFromPosition(field->endOfDocument(), 1), nullptr);
  field->setSelectedRange({1, 0});
  EXPECT_EQ(field->selectedTextRange()->start()->offset(), 1);
  field->clear();
  EXPECT_TRUE(field->text().isEmpty());
  EXPECT_TRUE(field->resignFirstResponder());
  field->layoutIfNeeded();
  EXPECT_TRUE(field->clearButton()->isHidden());
  EXPECT_EQ(events, (std::vector<std::string>{"begin", "changed", "changed", "changed", "changed", "end"}));
  fd::NotificationCenter::defaultCenter()->removeObserver(token);
}
