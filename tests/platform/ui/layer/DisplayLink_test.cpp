#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/layer/DisplayLink.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;

namespace {

class FrameCounter : public rt::Object {
  RT_CLASS(FrameCounter, rt::Object)
 public:
  void init() {}
  void step(rt::Id sender) {
    ++frames;
    last = std::dynamic_pointer_cast<DisplayLink>(sender);
    if (last) stamps.push_back(last->timestamp());
  }
  int frames = 0;
  Ref<DisplayLink> last;
  std::vector<double> stamps;
};
RT_IMPLEMENT(FrameCounter) { c.method("step:", &FrameCounter::step); }

class DisplayLinkTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
};

}  // namespace

TEST_F(DisplayLinkTest, FiresSixtyTimesASecondWithTimestamps) {
  auto counter = rt::make<FrameCounter>();
  auto link = DisplayLink::displayLinkWithTarget(counter, rt::sel("step:"));
  link->addToRunLoop(fd::RunLoop::mainRunLoop(), fd::NSRunLoopCommonModes);
  fd::RunLoopDriver::advance(1.0);
  EXPECT_NEAR(counter->frames, 60, 1);
  EXPECT_EQ(counter->last, link);
  ASSERT_GE(counter->stamps.size(), 2u);
  EXPECT_NEAR(counter->stamps[1] - counter->stamps[0], 1.0 / 60, 1e-6);
  EXPECT_NEAR(link->duration(), 1.0 / 60, 1e-12);
  counter->last = nullptr;  // the target must not keep the link alive in this test
  link->invalidate();
}

TEST_F(DisplayLinkTest, PausedIntervalsModesAndInvalidation) {
  struct Case {
    bool paused;
    int64_t interval;
    const char* addMode;
    const char* runMode;
    int expected;
  } cases[] = {
      {false, 1, fd::NSDefaultRunLoopMode, fd::NSDefaultRunLoopMode, 30},
      {true, 1, fd::NSDefaultRunLoopMode, fd::NSDefaultRunLoopMode, 0},
      {false, 2, fd::NSDefaultRunLoopMode, fd::NSDefaultRunLoopMode, 15},
      {false, 1, fd::NSDefaultRunLoopMode, fd::UITrackingRunLoopMode, 0},
      {false, 1, fd::NSRunLoopCommonModes, fd::UITrackingRunLoopMode, 30},
  };
  for (auto& c : cases) {
    int frames = 0;
    auto link = DisplayLink::displayLinkWithBlock([&](DisplayLink&) { ++frames; });
    link->setPaused(c.paused);
    link->setFrameInterval(c.interval);
    link->addToRunLoop(fd::RunLoop::mainRunLoop(), c.addMode);
    fd::RunLoopDriver::advance(0.5, c.runMode);
    EXPECT_NEAR(frames, c.expected, 1) << c.interval << c.runMode;
    link->invalidate();
    int before = frames;
    fd::RunLoopDriver::advance(0.5, c.runMode);
    EXPECT_EQ(frames, before);
  }
}

TEST_F(DisplayLinkTest, HoldsItsTargetWeaklyAndTicksByHand) {
  auto counter = rt::make<FrameCounter>();
  auto link = DisplayLink::displayLinkWithTarget(counter, rt::sel("step:"));
  link->tick(5.0, 0.5);
  EXPECT_EQ(counter->frames, 1);
  EXPECT_EQ(link->timestamp(), 5.0);
  EXPECT_EQ(link->duration(), 0.5);
  EXPECT_EQ(link->targetTimestamp(), 5.5);
  counter->last = nullptr;
  link->addToRunLoop(fd::RunLoop::mainRunLoop(), fd::NSDefaultRunLoopMode);
  Weak<FrameCounter> weak = counter;
  counter.reset();
  EXPECT_TRUE(weak.expired());
  fd::RunLoopDriver::advance(0.1);
  EXPECT_FALSE(link->isValid());  // a gone target ends the link
  link->setPreferredFramesPerSecond(30);
  EXPECT_EQ(link->frameInterval(), 2);
}
