#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/dispatch/MainQueue.h"
#include "text/model/DRTextDebugOption.h"

using namespace text;

namespace {

struct RecordingTarget : DRTextDebugTarget {
  std::vector<Ref<DRTextDebugOption>> received;
  std::vector<bool> onMain;
  void setDebugOption(const Ref<DRTextDebugOption>& option) override {
    received.push_back(option);
    onMain.push_back(dispatch::isMainThread());
    // The registry's lock is not held: a target may read the shared option back.
    EXPECT_EQ(DRTextDebugOption::sharedDebugOption(), option);
  }
};

// Leaves the process-wide option as it found it: none.
struct DebugOptionTest : ::testing::Test {
  void SetUp() override { DRTextDebugOption::setSharedDebugOption(nullptr); }
  void TearDown() override { DRTextDebugOption::setSharedDebugOption(nullptr); }
};

using Setter = void (DRTextDebugOption::*)(Ref<gfx::Color>);
using Getter = const Ref<gfx::Color>& (DRTextDebugOption::*)() const;
const std::pair<Getter, Setter> kColours[] = {
    {&DRTextDebugOption::baselineColor, &DRTextDebugOption::setBaselineColor},
    {&DRTextDebugOption::CTFrameBorderColor, &DRTextDebugOption::setCTFrameBorderColor},
    {&DRTextDebugOption::CTFrameFillColor, &DRTextDebugOption::setCTFrameFillColor},
    {&DRTextDebugOption::CTLineBorderColor, &DRTextDebugOption::setCTLineBorderColor},
    {&DRTextDebugOption::CTLineFillColor, &DRTextDebugOption::setCTLineFillColor},
    {&DRTextDebugOption::CTLineNumberColor, &DRTextDebugOption::setCTLineNumberColor},
    {&DRTextDebugOption::CTRunBorderColor, &DRTextDebugOption::setCTRunBorderColor},
    {&DRTextDebugOption::CTRunFillColor, &DRTextDebugOption::setCTRunFillColor},
    {&DRTextDebugOption::CTRunNumberColor, &DRTextDebugOption::setCTRunNumberColor},
    {&DRTextDebugOption::CGGlyphBorderColor, &DRTextDebugOption::setCGGlyphBorderColor},
    {&DRTextDebugOption::CGGlyphFillColor, &DRTextDebugOption::setCGGlyphFillColor},
};

}  // namespace

TEST(DRTextDebugOptionValue, EachColourTurnsDrawingOnAndCopiesKeepThem) {
  auto plain = rt::make<DRTextDebugOption>();
  EXPECT_FALSE(plain->needDrawDebug());
  auto full = rt::make<DRTextDebugOption>();
  for (size_t i = 0; i < std::size(kColours); ++i) {
    auto one = rt::make<DRTextDebugOption>();
    (one.get()->*kColours[i].second)(gfx::Color::colorWithWhite(0.5, 1));
    EXPECT_TRUE(one->needDrawDebug()) << i;
    (full.get()->*kColours[i].second)(gfx::Color::colorWithRed(0.1 * i, 0, 0, 1));
  }
  auto copy = rt::as<DRTextDebugOption>(full->copy());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, full);
  for (size_t i = 0; i < std::size(kColours); ++i)
    EXPECT_EQ((copy.get()->*kColours[i].first)(), (full.get()->*kColours[i].first)()) << i;
  full->clear();
  EXPECT_FALSE(full->needDrawDebug());
  for (const auto& [get, set] : kColours) EXPECT_FALSE((full.get()->*get)());
  EXPECT_TRUE(copy->needDrawDebug());  // the copy keeps its own
}

TEST_F(DebugOptionTest, SharedOptionIsACopyAndTargetsHearOfChanges) {
  EXPECT_FALSE(DRTextDebugOption::sharedDebugOption());
  auto target = std::make_shared<RecordingTarget>();
  DRTextDebugOption::addDebugTarget(target);
  DRTextDebugOption::addDebugTarget(target);  // one entry
  DRTextDebugOption::addDebugTarget(nullptr);
  EXPECT_TRUE(target->received.empty());  // nothing until the next set

  auto option = rt::make<DRTextDebugOption>();
  option->setCGGlyphFillColor(gfx::Color::colorWithRed(1, 0, 0, 1));
  DRTextDebugOption::setSharedDebugOption(option);
  auto shared = DRTextDebugOption::sharedDebugOption();
  ASSERT_TRUE(shared);
  EXPECT_NE(shared, option);
  EXPECT_EQ(DRTextDebugOption::sharedDebugOption(), shared);  // the same object each time
  option->clear();
  EXPECT_TRUE(shared->needDrawDebug());
  ASSERT_EQ(target->received.size(), 1u);
  EXPECT_EQ(target->received[0], shared);

  DRTextDebugOption::setSharedDebugOption(nullptr);
  ASSERT_EQ(target->received.size(), 2u);
  EXPECT_FALSE(target->received[1]);

  DRTextDebugOption::removeDebugTarget(target);
  DRTextDebugOption::setSharedDebugOption(option);
  EXPECT_EQ(target->received.size(), 2u);
  DRTextDebugOption::removeDebugTarget(nullptr);
}

TEST_F(DebugOptionTest, TargetsAreHeldWeaklyAndServedOnTheMainThread) {
  auto kept = std::make_shared<RecordingTarget>();
  auto gone = std::make_shared<RecordingTarget>();
  Weak<RecordingTarget> goneWeak = gone;
  DRTextDebugOption::addDebugTarget(kept);
  DRTextDebugOption::addDebugTarget(gone);
  gone.reset();
  EXPECT_TRUE(goneWeak.expired());  // the registry does not keep it alive

  auto option = rt::make<DRTextDebugOption>();
  option->setBaselineColor(gfx::Color::colorWithWhite(0, 1));
  std::thread([&] { DRTextDebugOption::setSharedDebugOption(option); }).join();
  EXPECT_TRUE(kept->received.empty());  // queued for the main thread
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (kept->received.empty() && std::chrono::steady_clock::now() < deadline) dispatch::drainMainQueue();
  ASSERT_EQ(kept->received.size(), 1u);
  EXPECT_TRUE(kept->onMain[0]);
  EXPECT_TRUE(kept->received[0]->needDrawDebug());
  DRTextDebugOption::removeDebugTarget(kept);
}

TEST_F(DebugOptionTest, AQueuedOptionOvertakenOnTheMainThreadIsNotDelivered) {
  auto target = std::make_shared<RecordingTarget>();
  DRTextDebugOption::addDebugTarget(target);
  auto option = rt::make<DRTextDebugOption>();
  option->setCTLineBorderColor(gfx::Color::colorWithRed(0, 1, 0, 1));
  std::thread([&] { DRTextDebugOption::setSharedDebugOption(option); }).join();  // queued
  DRTextDebugOption::setSharedDebugOption(nullptr);                             // delivered at once
  ASSERT_EQ(target->received.size(), 1u);
  EXPECT_FALSE(target->received[0]);

  // The queued delivery now reaches the main thread: it must not bring the stale option back.
  EXPECT_GE(dispatch::drainMainQueue(), 1u);
  EXPECT_FALSE(DRTextDebugOption::sharedDebugOption());
  ASSERT_FALSE(target->received.empty());
  EXPECT_FALSE(target->received.back());
  EXPECT_EQ(target->received.size(), 1u);
  DRTextDebugOption::removeDebugTarget(target);
}

TEST_F(DebugOptionTest, QueuedOptionsFromSeveralThreadsEndWithTheLatest) {
  auto target = std::make_shared<RecordingTarget>();
  DRTextDebugOption::addDebugTarget(target);
  std::vector<Ref<DRTextDebugOption>> options;
  for (int i = 0; i < 4; ++i) {
    auto option = rt::make<DRTextDebugOption>();
    option->setCGGlyphBorderColor(gfx::Color::colorWithWhite(0.2 * i, 1));
    options.push_back(option);
    std::thread([&] { DRTextDebugOption::setSharedDebugOption(option); }).join();
  }
  EXPECT_TRUE(target->received.empty());
  dispatch::drainMainQueue();
  // Only the last set is delivered; the three it overtook send nothing.
  ASSERT_EQ(target->received.size(), 1u);
  EXPECT_EQ(target->received[0], DRTextDebugOption::sharedDebugOption());
  EXPECT_EQ(target->received[0]->CGGlyphBorderColor(), options.back()->CGGlyphBorderColor());
  DRTextDebugOption::removeDebugTarget(target);
}
