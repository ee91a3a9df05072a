#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/lists/ScrollPhysics.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"

// A namespace of its own: test programs compile several files as one.
namespace scroll_view_test {

using namespace ui;
namespace phys = ui::scrollphysics;

namespace {

// Counts layout passes, the hook lists build on.
class CountingScrollView : public ScrollView {
  RT_CLASS(CountingScrollView, ScrollView)
 public:
  int layouts = 0;
  std::vector<gfx::Point> offsetsSeen;
  void layoutSubviews() override {
    ++layouts;
    offsetsSeen.push_back(contentOffset());
  }
};
RT_IMPLEMENT(CountingScrollView) {}

class Recorder : public ScrollViewDelegate {
 public:
  std::vector<std::string> log;
  int scrolls = 0;
  gfx::Point velocity;
  gfx::Point proposedTarget;
  std::optional<gfx::Point> overrideTarget;
  std::optional<bool> allowTop;
  Ref<View> zoomView;

  void scrollViewDidScroll(ScrollView&) override {
    ++scrolls;
    if (log.empty() || log.back() != "scroll") log.push_back("scroll");
  }
  void scrollViewWillBeginDragging(ScrollView& s) override {
    log.push_back(s.isDragging() ? "willBeginDragging" : "willBeginDragging(not dragging)");
  }
  void scrollViewWillEndDragging(ScrollView&, gfx::Point v, gfx::Point* target) override {
    log.push_back("willEndDragging");
    velocity = v;
    proposedTarget = *target;
    if (overrideTarget) *target = *overrideTarget;
  }
  void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
    log.push_back(decelerate ? "didEndDragging(1)" : "didEndDragging(0)");
  }
  void scrollViewWillBeginDecelerating(ScrollView&) override { log.push_back("willBeginDecelerating"); }
  void scrollViewDidEndDecelerating(ScrollView& s) override {
    log.push_back(s.isDecelerating() ? "didEndDecelerating(still)" : "didEndDecelerating");
  }
  void scrollViewDidEndScrollingAnimation(ScrollView&) override { log.push_back("didEndScrollingAnimation"); }
  std::optional<bool> scrollViewShouldScrollToTop(ScrollView&) override { return allowTop; }
  void scrollViewDidScrollToTop(ScrollView&) override { log.push_back("didScrollToTop"); }
  std::optional<Ref<View>> viewForZoomingInScrollView(ScrollView&) override {
    if (!zoomView) return std::nullopt;
    return zoomView;
  }
  void scrollViewWillBeginZooming(ScrollView&, View*) override { log.push_back("willBeginZooming"); }
  void scrollViewDidZoom(ScrollView&) override {
    if (log.empty() || log.back() != "zoom") log.push_back("zoom");
  }
  void scrollViewDidEndZooming(ScrollView&, View*, double) override { log.push_back("didEndZooming"); }

  // The log without the scroll entries.
  std::vector<std::string> events() const {
    std::vector<std::string> out;
    for (auto& e : log)
      if (e != "scroll") out.push_back(e);
    return out;
  }
};

class ScrollViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    scroll = rt::make<CountingScrollView>(gfx::RectMake(0, 0, 320, 480));
    scroll->setContentSize({320, 2000});
    window->addSubview(scroll);
    recorder = std::make_shared<Recorder>();
    scroll->setDelegate(recorder);
  }
  void TearDown() override {
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  // Lets the run loop's clock run in display frames until the scroll rests (or `limit` passes);
  // answers the time it took.
  double settle(double limit = 10) {
    double t = 0;
    while ((scroll->isDecelerating() || scroll->isScrollAnimating()) && t < limit) {
      fd::RunLoopDriver::advance(1.0 / 60);
      t += 1.0 / 60;
    }
    return t;
  }
  void drag(gfx::Point translation, gfx::Point velocity) {
    scroll->simulateDragBegan();
    for (int i = 1; i <= 4; ++i) scroll->simulateDragChanged({translation.x * i / 4, translation.y * i / 4});
    scroll->simulateDragEnded(velocity);
  }

  Ref<Window> window;
  Ref<CountingScrollView> scroll;
  std::shared_ptr<Recorder> recorder;
};

}  // namespace

TEST_F(ScrollViewTest, OffsetIsTheBoundsOriginAndEveryChangeLaysOutAndScrolls) {
  scroll->layouts = 0;
  scroll->setContentOffset({0, 120});
  EXPECT_EQ(scroll->bounds().origin, gfx::PointMake(0, 120));
  EXPECT_EQ(scroll->layouts, 1);
  EXPECT_EQ(scroll->offsetsSeen.back(), gfx::PointMake(0, 120));
  // The same value again still runs the whole setter path.
  scroll->setContentOffset({0, 120});
  EXPECT_EQ(scroll->layouts, 2);
  EXPECT_EQ(recorder->scrolls, 2);
  scroll->setBounds(gfx::RectMake(0, 300, 320, 480));
  EXPECT_EQ(scroll->contentOffset(), gfx::PointMake(0, 300));
  EXPECT_EQ(scroll->layouts, 3);
  // Setters do not clamp: content smaller than the view gives a negative far edge.
  scroll->setContentSize({320, 100});
  EXPECT_EQ(scroll->maximumContentOffset(), gfx::PointMake(0, 0));
  scroll->setContentOffset({0, -380});
  EXPECT_EQ(scroll->contentOffset().y, -380);
}

TEST_F(ScrollViewTest, ObserversSeeOldAndNewValues) {
  struct Seen {
    std::string key;
    rt::Id oldValue, newValue;
  };
  std::vector<Seen> seen;
  for (const char* key : {"contentOffset", "contentSize", "contentInset"}) {
    scroll->observe(rt::String(key), rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionOld,
                    [&seen, key](rt::Object*, const rt::KeyValueChange& c) { seen.push_back({key, c.oldValue, c.newValue}); });
  }
  scroll->setContentOffset({0, 40});
  scroll->setContentSize({320, 900});
  scroll->setContentInset(gfx::EdgeInsetsMake(64, 0, 49, 0));
  ASSERT_EQ(seen.size(), 3u);
  auto unbox = [](const rt::Id& v, auto sample) {
    decltype(sample) out{};
    auto box = std::dynamic_pointer_cast<fd::ValueBox>(v);
    EXPECT_TRUE(box && box->get(out));
    return out;
  };
  EXPECT_EQ(seen[0].key, "contentOffset");
  EXPECT_EQ(unbox(seen[0].oldValue, gfx::Point{}), gfx::PointMake(0, 0));
  EXPECT_EQ(unbox(seen[0].newValue, gfx::Point{}), gfx::PointMake(0, 40));
  EXPECT_EQ(unbox(seen[1].oldValue, gfx::Size{}), gfx::SizeMake(320, 2000));
  EXPECT_EQ(unbox(seen[1].newValue, gfx::Size{}), gfx::SizeMake(320, 900));
  EXPECT_EQ(unbox(seen[2].newValue, gfx::EdgeInsets{}), gfx::EdgeInsetsMake(64, 0, 49, 0));
  // Key-value coding reaches the same setter.
  scroll->setValueForKey(fd::ValueBox::valueWith(gfx::PointMake(0, 77)), rt::String("contentOffset"));
  EXPECT_EQ(scroll->contentOffset(), gfx::PointMake(0, 77));
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(ScrollViewTest, FlickDeceleratesAndSettlesWhereItWasProjected) {
  drag({0, -100}, {0, -1000});  // finger up: content moves on down the list
  EXPECT_EQ(recorder->events(), (std::vector<std::string>{"willBeginDragging", "willEndDragging", "didEndDragging(1)",
                                                          "willBeginDecelerating"}));
  EXPECT_NEAR(recorder->velocity.y, 1.0, 1e-9);  // points per millisecond, towards larger offsets
  double projected = 100 + phys::decelerationProjection(1000, ScrollViewDecelerationRateNormal);
  EXPECT_NEAR(recorder->proposedTarget.y, projected, 1e-6);
  EXPECT_TRUE(scroll->isDecelerating());
  EXPECT_FALSE(scroll->isDragging());
  fd::RunLoopDriver::advance(0.5);
  double midway = scroll->contentOffset().y;
  EXPECT_GT(midway, 100);
  EXPECT_LT(midway, projected);
  double took = settle();
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_DOUBLE_EQ(scroll->contentOffset().y, recorder->proposedTarget.y);
  EXPECT_EQ(recorder->events().back(), "didEndDecelerating");
  // The rate is per millisecond: about how long it takes for what is left to drop under half a point.
  double expected = phys::decelerationDuration(1000, ScrollViewDecelerationRateNormal) / 1000.0 - 0.5;
  EXPECT_NEAR(took, expected, 0.1);
}

TEST_F(ScrollViewTest, FastRateStopsSoonerAndShorter) {
  scroll->setDecelerationRate(ScrollViewDecelerationRateFast);
  drag({0, -100}, {0, -1000});
  double took = settle();
  EXPECT_NEAR(scroll->contentOffset().y, 100 + phys::decelerationProjection(1000, ScrollViewDecelerationRateFast), 1e-6);
  EXPECT_LT(scroll->contentOffset().y, 200);
  EXPECT_LT(took, 1.0);
}

TEST_F(ScrollViewTest, ReleaseWithoutSpeedRestsWithoutDecelerating) {
  drag({0, -150}, {0, 0});
  EXPECT_EQ(recorder->events(), (std::vector<std::string>{"willBeginDragging", "willEndDragging", "didEndDragging(0)"}));
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_EQ(scroll->contentOffset().y, 150);
}

TEST_F(ScrollViewTest, PullPastTheTopRubberBandsAndBouncesBackInBoundedTime) {
  scroll->simulateDragBegan();
  scroll->simulateDragChanged({0, 200});
  double shown = -scroll->contentOffset().y;
  EXPECT_GT(shown, 0);
  EXPECT_LT(shown, 200);  // resists
  EXPECT_NEAR(shown, phys::rubberBand(200, 480), 1e-9);
  scroll->simulateDragEnded({0, 0});
  EXPECT_EQ(recorder->events(), (std::vector<std::string>{"willBeginDragging", "willEndDragging", "didEndDragging(1)",
                                                          "willBeginDecelerating"}));
  EXPECT_EQ(recorder->proposedTarget.y, 0);
  double took = settle();
  EXPECT_EQ(scroll->contentOffset().y, 0);
  EXPECT_LT(took, phys::bounceDuration(-shown, 0) + 0.05);
  EXPECT_LT(took, 1.0);
  EXPECT_EQ(recorder->events().back(), "didEndDecelerating");
}

TEST_F(ScrollViewTest, BounceSettlesAgainstAnInsetThatGrowsDuringIt) {
  // What a pull-to-refresh header does on the first step of the bounce: grow the top inset to
  // hold itself in view. The content comes to rest at the new edge, not the old one.
  scroll->simulateDragBegan();
  scroll->simulateDragChanged({0, 300});
  scroll->simulateDragEnded({0, 0});
  bool grown = false;
  for (int i = 0; i < 600 && scroll->isDecelerating(); ++i) {
    fd::RunLoopDriver::advance(1.0 / 60);
    if (!grown) {
      scroll->setContentInset({54, 0, 0, 0});
      grown = true;
    }
  }
  EXPECT_FALSE(scroll->isDecelerating());
  EXPECT_EQ(scroll->contentOffset().y, -54);
}

TEST_F(ScrollViewTest, AnInsetThatShrinksBringsContentAtRestBackInsideTheLimits) {
  // Content 2000 high in 480: offsets rest in [-top, 1520 + bottom].
  struct Case {
    gfx::EdgeInsets before, after;
    double offset, expected;
  } cases[] = {
      {{54, 0, 0, 0}, {0, 0, 0, 0}, -54, 0},          // a refresh header gives its strip back
      {{64, 0, 0, 0}, {10, 0, 0, 0}, -64, -10},       // down to an inset of the screen's own
      {{0, 0, 44, 0}, {0, 0, 0, 0}, 1564, 1520},      // a footer below the end does the same
      {{54, 0, 0, 0}, {0, 0, 0, 0}, 300, 300},        // inside the limits: untouched
      {{0, 0, 0, 0}, {54, 0, 0, 0}, 0, 0},            // a growing inset moves nothing in range
  };
  for (const auto& c : cases) {
    scroll->setContentInset(c.before);
    scroll->setContentOffset({0, c.offset});
    recorder->scrolls = 0;
    scroll->setContentInset(c.after);
    EXPECT_EQ(scroll->contentOffset().y, c.expected) << c.offset;
    EXPECT_EQ(recorder->scrolls, c.offset == c.expected ? 0 : 1) << c.offset;
  }

  // Inside an animation block the content slides back along with the inset.
  scroll->setContentInset({54, 0, 0, 0});
  scroll->setContentOffset({0, -54});
  ViewAnimation::animate(0.4, [&] { scroll->setContentInset(gfx::EdgeInsetsZero); });
  EXPECT_EQ(scroll->contentOffset().y, 0);
  auto slide = scroll->layer()->animationForKey(rt::String("bounds"));
  ASSERT_NE(slide, nullptr);
  EXPECT_DOUBLE_EQ(slide->duration(), 0.4);
}

TEST_F(ScrollViewTest, AFingerOrAFlingKeepsTheContentWhenTheInsetShrinks) {
  // Under a finger the content stays where the finger holds it; the release bounces it in.
  scroll->setContentInset({54, 0, 0, 0});
  scroll->setContentOffset({0, -54});
  scroll->simulateDragBegan();
  scroll->simulateDragChanged({0, 10});
  double held = scroll->contentOffset().y;
  EXPECT_LT(held, -54);
  scroll->setContentInset(gfx::EdgeInsetsZero);
  EXPECT_EQ(scroll->contentOffset().y, held);
  scroll->simulateDragEnded({0, 0});
  settle();
  EXPECT_EQ(scroll->contentOffset().y, 0);

  // A bounce in flight is not cut short: it goes on to the new edge.
  scroll->setContentInset({54, 0, 0, 0});
  drag({0, 200}, {0, 0});
  ASSERT_TRUE(scroll->isDecelerating());
  fd::RunLoopDriver::advance(1.0 / 60);
  double during = scroll->contentOffset().y;
  scroll->setContentInset(gfx::EdgeInsetsZero);
  EXPECT_EQ(scroll->contentOffset().y, during);
  EXPECT_TRUE(scroll->isDecelerating());
  settle();
  EXPECT_EQ(scroll->contentOffset().y, 0);
}

TEST_F(ScrollViewTest, FlickIntoTheEndOvershootsAndComesBack) {
  scroll->setContentOffset({0, 1400});  // 120 from the end
  drag({0, -20}, {0, -3000});
  double maxSeen = 0;
  for (int i = 0; i < 600 && scroll->isDecelerating(); ++i) {
    fd::RunLoopDriver::advance(1.0 / 60);
    maxSeen = std::max(maxSeen, scroll->contentOffset().y);
  }
  EXPECT_GT(maxSeen, 1520);  // went past the end
  EXPECT_EQ(scroll->contentOffset().y, 1520);
  EXPECT_FALSE(scroll->isDecelerating());
}

TEST_F(ScrollViewTest, WithoutBouncesTheDragStopsAtTheEdges) {
  scroll->setBounces(false);
  scroll->simulateDragBegan();
  scroll->simulateDragChanged({0, 200});
  EXPECT_EQ(scroll->contentOffset().y, 0);
  scroll->simulateDragEnded({0, 0});
  recorder->log.clear();
  // Nothing to scroll and no bouncing: the pan does not even begin.
  scroll->setContentSize({320, 300});
  EXPECT_FALSE(scroll->gestureRecognizerShouldBegin(scroll->panGestureRecognizer().get()));
  scroll->setBounces(true);
  scroll->setAlwaysBounceVertical(true);
  EXPECT_TRUE(scroll->gestureRecognizerShouldBegin(scroll->panGestureRecognizer().get()));
  scroll->setScrollEnabled(false);
  EXPECT_FALSE(scroll->panGestureRecognizer()->isEnabled());
  EXPECT_FALSE(scroll->gestureRecognizerShouldBegin(scroll->panGestureRecognizer().get()));
  drag({0, -100}, {0, -1000});
  EXPECT_EQ(scroll->contentOffset().y, 0);
  TouchInput(window).drag({100, 400}, {100, 200}, 0.2, 8);  // a finger does no better
  EXPECT_EQ(scroll->contentOffset().y, 0);
  EXPECT_TRUE(recorder->events().empty());
}

TEST_F(ScrollViewTest, PagingSettlesOnAPage) {
  struct Case {
    double translation, velocity, expected;
  };
  // Horizontal pages of 320; the drag starts on page 1 (offset 320).
  const Case cases[] = {
      {-100, 0, 320},     // less than half: back to the page
      {-200, 0, 640},     // more than half: next page
      {-60, -800, 640},   // a flick turns the page
      {60, 800, 0},       // the other way
      {-700, -5000, 640}, // never more than one page per swipe
      {300, 3000, 0},     // never before the first page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.translation);
    scroll->setContentSize({320 * 4, 480});
    scroll->setPagingEnabled(true);
    scroll->setContentOffset({320, 0});
    recorder->log.clear();
    drag({c.translation, 0}, {c.velocity, 0});
    EXPECT_EQ(recorder->proposedTarget.x, c.expected);
    settle();
    EXPECT_EQ(scroll->contentOffset().x, c.expected);
    EXPECT_EQ(scroll->contentOffset().y, 0);
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_EQ(recorder->events().back(), "didEndDecelerating");
  }
}

TEST_F(ScrollViewTest, DelegateMayMoveTheRestingPlace) {
  recorder->overrideTarget = gfx::PointMake(0, 700);
  drag({0, -100}, {0, -1000});
  settle();
  EXPECT_NEAR(scroll->contentOffset().y, 700, 1e-9);
  EXPECT_EQ(recorder->events().back(), "didEndDecelerating");
}

TEST_F(ScrollViewTest, AnimatedOffsetTakesAThirdOfASecondAndReports) {
  scroll->setContentOffset({0, 300}, true);
  EXPECT_TRUE(scroll->isScrollAnimating());
  EXPECT_EQ(scroll->contentOffset().y, 0);
  fd::RunLoopDriver::advance(0.15);
  EXPECT_GT(scroll->contentOffset().y, 0);
  EXPECT_LT(scroll->contentOffset().y, 300);
  EXPECT_TRUE(recorder->events().empty());
  fd::RunLoopDriver::advance(0.2);
  EXPECT_EQ(scroll->contentOffset().y, 300);
  EXPECT_EQ(recorder->events(), std::vector<std::string>{"didEndScrollingAnimation"});
  EXPECT_GT(recorder->scrolls, 5);  // every frame scrolled
  // A plain set cuts an animation short without the report.
  recorder->log.clear();
  scroll->setContentOffset({0, 0}, true);
  fd::RunLoopDriver::advance(0.1);
  scroll->setContentOffset({0, 50});
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(scroll->contentOffset().y, 50);
  EXPECT_TRUE(recorder->events().empty());
}

TEST_F(ScrollViewTest, InsideAnimationBlocksOffsetAnimatesAndInsetLandsAtOnce) {
  bool done = false;
  ViewAnimation::animate(0.25, [&] {
    scroll->setContentOffset({0, 200}, true);
    scroll->setContentInset(gfx::EdgeInsetsMake(54, 0, 0, 0));
  }, [&](bool) { done = true; });
  EXPECT_EQ(scroll->contentOffset().y, 200);  // the model value lands at once
  EXPECT_EQ(scroll->contentInset().top, 54);
  EXPECT_FALSE(scroll->isScrollAnimating());
  EXPECT_NE(scroll->layer()->animationForKey(rt::String("bounds")), nullptr);
  fd::RunLoopDriver::advance(0.2);
  EXPECT_FALSE(done);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_TRUE(done);

  // An inset alone still waits out the duration before completing.
  done = false;
  ViewAnimation::animate(0.4, [&] { scroll->setContentInset(gfx::EdgeInsetsZero); }, [&](bool) { done = true; });
  EXPECT_EQ(scroll->contentInset().top, 0);
  fd::RunLoopDriver::advance(0.35);
  EXPECT_FALSE(done);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_TRUE(done);
}

TEST_F(ScrollViewTest, ScrollRectToVisibleMovesTheLeastNeeded) {
  struct Case {
    double start;
    gfx::Rect rect;
    double expected;
  };
  const Case cases[] = {
      {0, gfx::RectMake(0, 100, 10, 50), 0},        // already visible
      {0, gfx::RectMake(0, 600, 10, 50), 170},      // below: bottom edge aligns
      {500, gfx::RectMake(0, 100, 10, 50), 100},    // above: top edge aligns
      {0, gfx::RectMake(0, 1000, 10, 600), 1000},   // taller than the view: its top
      {0, gfx::RectMake(0, 1990, 10, 100), 1520},   // never past the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    scroll->setContentOffset({0, c.start});
    scroll->scrollRectToVisible(c.rect, false);
    EXPECT_EQ(scroll->contentOffset().y, c.expected);
  }
  // With insets the visible part shrinks.
  scroll->setContentInset(gfx::EdgeInsetsMake(64, 0, 49, 0));
  scroll->setContentOffset({0, 0});
  scroll->scrollRectToVisible(gfx::RectMake(0, 400, 10, 50), true);
  settle();
  EXPECT_EQ(scroll->contentOffset().y, 450 - 480 + 49);
  EXPECT_EQ(recorder->events().back(), "didEndScrollingAnimation");
}

TEST_F(ScrollViewTest, ScrollToTopAsksTheDelegateAndReports) {
  scroll->setContentInset(gfx::EdgeInsetsMake(64, 0, 0, 0));
  scroll->setContentOffset({0, 800});
  recorder->allowTop = false;
  EXPECT_FALSE(scroll->scrollToTop());
  EXPECT_EQ(scroll->contentOffset().y, 800);
  recorder->allowTop = std::nullopt;  // not answering means yes
  EXPECT_TRUE(scroll->scrollToTop());
  settle();
  EXPECT_EQ(scroll->contentOffset().y, -64);
  EXPECT_EQ(recorder->events(), std::vector<std::string>{"didScrollToTop"});
  scroll->setScrollsToTop(false);
  scroll->setContentOffset({0, 800});
  EXPECT_FALSE(scroll->scrollToTop());
}

TEST_F(ScrollViewTest, RealFingerDragScrollsThroughTheTouchPath) {
  TouchInput input(window);
  auto t = input.down({100, 400});
  for (int i = 1; i <= 10; ++i) {
    fd::RunLoopDriver::advance(1.0 / 60);
    input.move(t, {100, 400 - 20.0 * i});
  }
  EXPECT_TRUE(scroll->isDragging());
  EXPECT_TRUE(scroll->isTracking());
  // The slop before the pan began is not applied to the content.
  EXPECT_NEAR(scroll->contentOffset().y, 200 - PanGestureRecognizer::kHysteresis * 2, PanGestureRecognizer::kHysteresis);
  input.up(t);
  EXPECT_FALSE(scroll->isTracking());
  EXPECT_TRUE(scroll->isDecelerating());
  EXPECT_GT(recorder->velocity.y, 0.5);
  settle();
  EXPECT_GT(scroll->contentOffset().y, 200);
  EXPECT_EQ(recorder->events().back(), "didEndDecelerating");
}

TEST_F(ScrollViewTest, DefaultModeTimersWaitWhileTheContentMovesAndCommonOnesDoNot) {
  auto loop = fd::RunLoop::mainRunLoop();
  auto moving = [&] { return scroll->isDragging() || scroll->isDecelerating(); };
  int plain = 0, plainWhileMoving = 0, common = 0, commonWhileMoving = 0;
  auto plainTimer = fd::Timer::timerWithTimeInterval(0.05, true, [&](fd::Timer&) {
    ++plain;
    if (moving()) ++plainWhileMoving;
  });
  auto commonTimer = fd::Timer::timerWithTimeInterval(0.05, true, [&](fd::Timer&) {
    ++common;
    if (moving()) ++commonWhileMoving;
  });
  loop->addTimer(plainTimer, fd::NSDefaultRunLoopMode);
  loop->addTimer(commonTimer, fd::NSRunLoopCommonModes);
  TouchInput input(window);
  auto t = input.down({100, 400});
  for (int i = 1; i <= 30; ++i) {
    fd::RunLoopDriver::advance(1.0 / 60);
    input.move(t, {100, 400 - 10.0 * i});
  }
  ASSERT_TRUE(scroll->isDragging());
  EXPECT_EQ(loop->runMode(), rt::String(fd::UITrackingRunLoopMode));
  input.up(t);
  ASSERT_TRUE(scroll->isDecelerating());
  EXPECT_EQ(loop->runMode(), rt::String(fd::UITrackingRunLoopMode));
  int plainBeforeRest = plain;
  settle();
  ASSERT_FALSE(scroll->isDecelerating());
  EXPECT_EQ(loop->runMode(), rt::String(fd::NSDefaultRunLoopMode));
  fd::RunLoopDriver::advance(0.2);
  EXPECT_EQ(plainWhileMoving, 0);
  EXPECT_LE(plainBeforeRest, 1);  // only before the pan took hold
  EXPECT_GE(plain, plainBeforeRest + 4);
  EXPECT_GT(commonWhileMoving, 10);
  plainTimer->invalidate();
  commonTimer->invalidate();
}

TEST_F(ScrollViewTest, TheLoopLeavesTrackingWhenTheContentRests) {
  auto loop = fd::RunLoop::mainRunLoop();
  const rt::String tracking(fd::UITrackingRunLoopMode), normal(fd::NSDefaultRunLoopMode);
  struct Case {
    const char* name;
    std::function<void(TouchInput&, const Ref<Touch>&)> finish;
  };
  const Case cases[] = {
      {"lifted at rest", [](TouchInput& in, const Ref<Touch>& t) {
         TouchInput::wait(0.5);  // the finger stops: no speed left
         in.up(t);
       }},
      {"cancelled", [](TouchInput& in, const Ref<Touch>& t) { in.cancel({t}); }},
      {"scrolling switched off", [this](TouchInput&, const Ref<Touch>&) { scroll->setScrollEnabled(false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    scroll->setScrollEnabled(true);
    scroll->setContentOffset({0, 0});
    TouchInput input(window);
    auto t = input.down({100, 400});
    for (int i = 1; i <= 5; ++i) input.move(t, {100, 400 - 20.0 * i});
    ASSERT_TRUE(scroll->isDragging());
    EXPECT_EQ(loop->runMode(), tracking);
    c.finish(input, t);
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_EQ(loop->runMode(), normal);
    if (t->phase() != TouchPhase::Ended && t->phase() != TouchPhase::Cancelled) input.cancel({t});
  }
  // A scroll view that goes away mid-drag takes its tracking with it.
  scroll->setScrollEnabled(true);
  TouchInput input(window);
  auto t = input.down({100, 400});
  for (int i = 1; i <= 5; ++i) input.move(t, {100, 400 - 20.0 * i});
  ASSERT_EQ(loop->runMode(), tracking);
  scroll->removeFromSuperview();
  Weak<ScrollView> gone = scroll;
  scroll.reset();
  input.cancel({t});
  EXPECT_TRUE(gone.expired());
  EXPECT_EQ(loop->runMode(), normal);
}

TEST_F(ScrollViewTest, AFingerComingDownStopsADeceleration) {
  drag({0, -100}, {0, -2000});
  fd::RunLoopDriver::advance(0.3);
  ASSERT_TRUE(scroll->isDecelerating());
  TouchInput input(window);
  auto t = input.down({100, 300});
  EXPECT_FALSE(scroll->isDecelerating());
  double y = scroll->contentOffset().y;
  fd::RunLoopDriver::advance(0.5);
  input.up(t);
  EXPECT_EQ(scroll->contentOffset().y, y);
  EXPECT_NE(recorder->events().back(), "didEndDecelerating");
}

TEST_F(ScrollViewTest, NestedHorizontalScrollViewLeavesVerticalDragsToItsParent) {
  auto row = rt::make<ScrollView>(gfx::RectMake(0, 100, 320, 100));
  row->setContentSize({1000, 100});
  scroll->addSubview(row);
  TouchInput(window).drag({250, 150}, {50, 150}, 0.2, 8);
  EXPECT_GT(row->contentOffset().x, 100);
  EXPECT_EQ(scroll->contentOffset().y, 0);
  fd::RunLoopDriver::advance(5);  // the row comes to rest
  double x = row->contentOffset().x;
  // Starting on the row, a vertical drag scrolls the list.
  TouchInput(window).drag({200, 180}, {200, 30}, 0.2, 8);
  EXPECT_GT(scroll->contentOffset().y, 100);
  EXPECT_EQ(row->contentOffset().x, x);
}

TEST_F(ScrollViewTest, ContentTakesTapsButADragStartingOnItScrolls) {
  auto button = rt::make<Button>(gfx::RectMake(20, 100, 200, 60));
  int taps = 0, cancels = 0;
  button->addTarget(nullptr, [&](Control&, Event*) { ++taps; }, ControlEventTouchUpInside);
  button->addTarget(nullptr, [&](Control&, Event*) { ++cancels; }, ControlEventTouchCancel);
  scroll->addSubview(button);
  TouchInput(window).tap({100, 130});
  EXPECT_EQ(taps, 1);
  EXPECT_EQ(scroll->contentOffset().y, 0);
  TouchInput(window).drag({100, 130}, {100, 10}, 0.2, 8);
  EXPECT_EQ(taps, 1);
  EXPECT_EQ(cancels, 1);  // the pan took the touch from the button
  EXPECT_GT(scroll->contentOffset().y, 80);
  // With cancelling turned off the button keeps its touch and the list stays.
  settle();
  scroll->setContentOffset({0, 0});
  scroll->setCanCancelContentTouches(false);
  TouchInput(window).drag({100, 130}, {100, 10}, 0.2, 8);
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(scroll->contentOffset().y, 0);
  // Away from the content the list still scrolls.
  TouchInput(window).drag({100, 400}, {100, 280}, 0.2, 8);
  EXPECT_GT(scroll->contentOffset().y, 80);
}

// A scroll view that follows another as its delegate, as a title bar follows its pages.
class FollowingBar : public ScrollView, public ScrollViewDelegate {
  RT_CLASS(FollowingBar, ScrollView)
 public:
  void scrollViewDidScroll(ScrollView& pages) override {
    setContentOffset({pages.contentOffset().x / 4, 0});
  }
  void scrollViewWillEndDragging(ScrollView& pages, gfx::Point, gfx::Point* target) override {
    selected = static_cast<int>(target->x / pages.bounds().size.width);
  }
  int selected = -1;
};
RT_IMPLEMENT(FollowingBar) {}

TEST_F(ScrollViewTest, AScrollViewCanBeAnotherOnesDelegate) {
  auto bar = rt::make<FollowingBar>(gfx::RectMake(0, 0, 320, 44));
  bar->setContentSize({640, 44});
  auto pages = rt::make<ScrollView>(gfx::RectMake(0, 44, 320, 400));
  pages->setContentSize({320 * 4, 400});
  pages->setPagingEnabled(true);
  pages->setDelegate(Weak<ScrollViewDelegate>(bar));
  window->addSubview(bar);
  window->addSubview(pages);
  pages->simulateDragBegan();
  pages->simulateDragChanged({-200, 0});
  pages->simulateDragEnded({-100, 0});
  EXPECT_EQ(bar->selected, 1);
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(pages->contentOffset().x, 320);
  EXPECT_EQ(bar->contentOffset().x, 80);
  bar->removeFromSuperview();
  bar.reset();  // held weakly: the pages carry on without it
  EXPECT_EQ(pages->delegate().lock(), nullptr);
  pages->setContentOffset({640, 0});
  EXPECT_EQ(pages->contentOffset().x, 640);
}

TEST_F(ScrollViewTest, IndicatorsShowWhileScrollingAndFadeAfter) {
  EXPECT_EQ(scroll->verticalIndicator(), nullptr);
  scroll->simulateDragBegan();
  scroll->simulateDragChanged({0, -500});
  auto bar = scroll->verticalIndicator();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->opacity(), 1);
  EXPECT_FALSE(bar->isHidden());
  gfx::Rect f = bar->frame();
  EXPECT_LT(f.size.width, 4);  // a thin rounded bar
  EXPECT_EQ(bar->cornerRadius(), f.size.width / 2);
  EXPECT_NEAR(f.size.height, (480 - 6) * 480.0 / 2000, 1e-9);  // the visible share of the content
  // Placed along the right edge, in step with the offset.
  EXPECT_GT(f.origin.x, 310);
  EXPECT_NEAR(f.origin.y - scroll->contentOffset().y - 3, (474 - f.size.height) * 500 / 1520, 1e-9);
  EXPECT_EQ(scroll->horizontalIndicator(), nullptr);  // nothing to scroll sideways
  scroll->simulateDragEnded({0, 0});
  fd::RunLoopDriver::advance(0.6);
  EXPECT_EQ(bar->opacity(), 0);
  scroll->flashScrollIndicators();
  EXPECT_EQ(bar->opacity(), 1);
  fd::RunLoopDriver::advance(0.6);
  EXPECT_EQ(bar->opacity(), 0);
  scroll->setShowsVerticalScrollIndicator(false);
  scroll->flashScrollIndicators();
  EXPECT_TRUE(bar->isHidden());
}

TEST_F(ScrollViewTest, ZoomScalesTheZoomingViewAndTheContent) {
  auto photo = rt::make<View>(gfx::RectMake(0, 0, 320, 480));
  scroll->addSubview(photo);
  scroll->setContentSize({320, 480});
  scroll->setMinimumZoomScale(1);
  scroll->setMaximumZoomScale(3);
  ASSERT_NE(scroll->pinchGestureRecognizer(), nullptr);
  scroll->setZoomScale(2);
  EXPECT_EQ(scroll->zoomScale(), 1);  // no zooming view: nothing happens
  recorder->zoomView = photo;
  scroll->setZoomScale(2);
  EXPECT_EQ(scroll->zoomScale(), 2);
  EXPECT_EQ(scroll->contentSize(), gfx::SizeMake(640, 960));
  EXPECT_EQ(photo->frame(), gfx::RectMake(0, 0, 640, 960));
  EXPECT_EQ(scroll->contentOffset(), gfx::PointMake(160, 240));  // kept centred
  scroll->setZoomScale(10);
  EXPECT_EQ(scroll->zoomScale(), 3);
  scroll->zoomToRect(gfx::RectMake(0, 0, 320, 480), false);
  EXPECT_EQ(scroll->zoomScale(), 1);
  EXPECT_EQ(scroll->contentOffset(), gfx::PointMake(0, 0));
  EXPECT_EQ(recorder->events(), (std::vector<std::string>{"zoom", "zoom", "zoom"}));  // one per change
}

TEST_F(ScrollViewTest, PinchZoomsThroughTheTouchPath) {
  auto photo = rt::make<View>(gfx::RectMake(0, 0, 320, 480));
  scroll->addSubview(photo);
  scroll->setContentSize({320, 480});
  scroll->setMaximumZoomScale(2);
  recorder->zoomView = photo;
  TouchInput input(window);
  auto fingers = input.down(std::vector<gfx::Point>{{140, 240}, {180, 240}});
  for (int i = 1; i <= 6; ++i) {
    fd::RunLoopDriver::advance(1.0 / 60);
    input.move({{fingers[0], {140 - 10.0 * i, 240}}, {fingers[1], {180 + 10.0 * i, 240}}});
  }
  EXPECT_TRUE(scroll->isZooming());
  input.up(fingers);
  EXPECT_FALSE(scroll->isZooming());
  EXPECT_EQ(scroll->zoomScale(), 2);  // pinched past the limit and brought back
  EXPECT_EQ(recorder->events().front(), "willBeginZooming");
  EXPECT_EQ(recorder->events().back(), "didEndZooming");
}

TEST(ScrollPhysics, RubberBandResistsMoreTheFurtherItIsPulled) {
  double last = 0;
  for (double x : {10.0, 50.0, 100.0, 400.0, 2000.0}) {
    double r = phys::rubberBand(x, 480);
    EXPECT_GT(r, last);
    EXPECT_LT(r, x);
    EXPECT_LT(r, 480);
    EXPECT_NEAR(phys::rubberBandInverse(r, 480), x, 1e-6 * x);
    EXPECT_EQ(phys::rubberBand(-x, 480), -r);
    last = r;
  }
  EXPECT_EQ(phys::rubberBandOffset(100, 0, 200, 480), 100);
  EXPECT_EQ(phys::rubberBandOffset(-50, 0, 200, 480), phys::rubberBand(-50, 480));
  EXPECT_EQ(phys::rubberBandOffset(250, 0, 200, 480), 200 + phys::rubberBand(50, 480));
}

TEST(ScrollPhysics, DecelerationFollowsTheRatePerMillisecond) {
  for (double rate : {ScrollViewDecelerationRateNormal, ScrollViewDecelerationRateFast}) {
    SCOPED_TRACE(rate);
    EXPECT_NEAR(phys::decelerationVelocity(1000, rate, 1), 1000 * rate, 1e-9);
    EXPECT_NEAR(phys::decelerationVelocity(1000, rate, 100), 1000 * std::pow(rate, 100), 1e-9);
    // Distances add up across steps.
    double whole = phys::decelerationDistance(1000, rate, 300);
    double parts = phys::decelerationDistance(1000, rate, 100) +
                   phys::decelerationDistance(phys::decelerationVelocity(1000, rate, 100), rate, 200);
    EXPECT_NEAR(whole, parts, 1e-9);
    // A millisecond covers about a thousandth of the speed; the total is close to v * r / (1 - r).
    EXPECT_NEAR(phys::decelerationDistance(1000, rate, 1), 1.0, 0.01);
    EXPECT_NEAR(phys::decelerationProjection(1000, rate), rate / (1 - rate), 1.0);
    double ms = phys::decelerationDuration(1000, rate);
    EXPECT_NEAR(phys::decelerationProjection(1000, rate) - phys::decelerationDistance(1000, rate, ms), 0.5, 1e-6);
  }
  EXPECT_EQ(phys::decelerationDuration(0.1, ScrollViewDecelerationRateNormal), 0);
}

TEST(ScrollPhysics, BounceReturnsWithoutOscillating) {
  for (double x0 : {-200.0, -20.0, 80.0}) {
    double t = phys::bounceDuration(x0, 0);
    EXPECT_LT(t, 1.0);
    EXPECT_LT(std::fabs(phys::bounceSpring(x0, 0, t).displacement), 0.5);
    for (double s = 0; s < t; s += 0.01) EXPECT_GE(phys::bounceSpring(x0, 0, s).displacement * x0, 0);
  }
  // Arriving fast, it goes out and comes back.
  auto peak = phys::bounceSpring(0, 2000, 1 / phys::kBounceFrequency);
  EXPECT_GT(peak.displacement, 20);
  EXPECT_NEAR(peak.velocity, 0, 1e-9);
}

TEST(ScrollPhysics, PageTargetsTable) {
  struct Case {
    double offset, velocity, start, expected;
  };
  const Case cases[] = {
      {100, 0, 0, 0}, {200, 0, 0, 320}, {40, 300, 0, 320}, {600, -300, 640, 320},
      {1300, 5000, 640, 960}, {-40, -900, 0, 0}, {1000, 900, 960, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(phys::pageTarget(c.offset, c.velocity, c.start, 320, 0, 1000), c.expected);
  }
}

// Sideways drags over a horizontal view inside a horizontal pager: the innermost view that can
// move that way takes the drag; the pager takes it only where the inner one cannot move.
TEST_F(ScrollViewTest, NestedHorizontalScrollViewsGiveTheDragToTheInnermostThatCanMove) {
  scroll->removeFromSuperview();
  auto pager = rt::make<ScrollView>(gfx::RectMake(0, 0, 320, 480));
  pager->setContentSize({960, 480});
  pager->setPagingEnabled(true);
  window->addSubview(pager);
  auto strip = rt::make<ScrollView>(gfx::RectMake(0, 100, 320, 150));
  strip->setContentSize({960, 150});
  strip->setPagingEnabled(true);
  pager->addSubview(strip);
  auto rest = [] { fd::RunLoopDriver::advance(3); };

  // Leftwards over the strip: the strip turns, the pager stays.
  TouchInput(window).drag({250, 170}, {50, 170}, 0.2, 8);
  rest();
  EXPECT_EQ(strip->contentOffset().x, 320);
  EXPECT_EQ(pager->contentOffset().x, 0);

  // At its start, a bouncing strip still takes a rightwards drag (and bounces back).
  strip->setContentOffset({0, 0});
  TouchInput(window).drag({50, 170}, {250, 170}, 0.2, 8);
  rest();
  EXPECT_EQ(strip->contentOffset().x, 0);
  EXPECT_EQ(pager->contentOffset().x, 0);

  // Without bounce it cannot move that way, so the pager pages; from the pager's second page a
  // rightwards drag then returns it to the first.
  strip->setBounces(false);
  TouchInput(window).drag({250, 170}, {50, 170}, 0.2, 8);
  rest();
  EXPECT_EQ(strip->contentOffset().x, 320);
  strip->setContentOffset({640, 0});
  TouchInput(window).drag({250, 170}, {50, 170}, 0.2, 8);
  rest();
  EXPECT_EQ(strip->contentOffset().x, 640);
  EXPECT_EQ(pager->contentOffset().x, 320);

  // Beside the strip the pager pages as before.
  TouchInput(window).drag({50, 400}, {250, 400}, 0.2, 8);
  rest();
  EXPECT_EQ(pager->contentOffset().x, 0);
  EXPECT_EQ(strip->contentOffset().x, 640);
}

// A vertical list inside a horizontal pager: vertical drags scroll the list, sideways drags page.
TEST_F(ScrollViewTest, AVerticalListInsideAPagerScrollsAndStillPages) {
  scroll->removeFromSuperview();
  auto pager = rt::make<ScrollView>(gfx::RectMake(0, 0, 320, 480));
  pager->setContentSize({960, 480});
  pager->setPagingEnabled(true);
  window->addSubview(pager);
  pager->addSubview(scroll);
  TouchInput(window).drag({160, 400}, {160, 100}, 0.2, 8);
  fd::RunLoopDriver::advance(3);
  EXPECT_GT(scroll->contentOffset().y, 200);
  EXPECT_EQ(pager->contentOffset().x, 0);
  double y = scroll->contentOffset().y;
  TouchInput(window).drag({250, 300}, {50, 300}, 0.2, 8);
  fd::RunLoopDriver::advance(3);
  EXPECT_EQ(pager->contentOffset().x, 320);
  EXPECT_EQ(scroll->contentOffset().y, y);
}

// A pager inside a view whose own pan takes sideways drags (as a stack's pan-back does): a drag
// the pager can follow is the pager's alone; one it could only rubber-band goes to the
// enclosing pan, and stays the pager's when that pan will not begin.
TEST_F(ScrollViewTest, APagerTakesTheDragsItCanFollowAndLeavesTheOthersToAnEnclosingPan) {
  class Gate : public GestureRecognizerDelegate {
   public:
    bool open = true;
    std::optional<bool> gestureRecognizerShouldBegin(GestureRecognizer&) override { return open; }
  };
  scroll->removeFromSuperview();
  auto screen = rt::make<View>(gfx::RectMake(0, 0, 320, 480));
  window->addSubview(screen);
  int outerBegan = 0;
  auto outer = rt::make<PanGestureRecognizer>(nullptr, [&](GestureRecognizer& g) {
    if (g.state() == GestureRecognizerState::Began) ++outerBegan;
  });
  auto gate = std::make_shared<Gate>();
  outer->setDelegate(gate);
  screen->addGestureRecognizer(outer);
  auto pager = rt::make<ScrollView>(gfx::RectMake(0, 60, 320, 300));
  pager->setContentSize({960, 300});
  pager->setPagingEnabled(true);
  screen->addSubview(pager);

  const struct Case {
    const char* name;
    double page;        // where the pager rests before the drag
    bool rightwards;
    bool outerMayBegin;
    double midDrag;     // the pager's offset halfway through the drag (from the first move on): < 0 rubber-bands
    double after;
    bool outerTakesIt;
  } cases[] = {
      {"back a page", 1, true, true, 240, 0, false},
      {"on a page", 0, false, true, 80, 320, false},
      {"at the first page", 0, true, true, 0, 0, true},
      {"at the last page", 2, false, true, 640, 640, true},
      {"at the first page, the enclosing pan refusing", 0, true, false, -1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pager->setContentOffset({c.page * 320, 0});
    gate->open = c.outerMayBegin;
    outerBegan = 0;
    gfx::Point from = c.rightwards ? gfx::Point{60, 200} : gfx::Point{260, 200};
    double dx = c.rightwards ? 20 : -20;
    TouchInput input(window);
    auto finger = input.down(from);
    for (int i = 1; i <= 10; ++i) {
      TouchInput::wait(0.02);
      input.move(finger, {from.x + dx * i, 200});
      if (i == 5) {
        if (c.midDrag < 0) EXPECT_LT(pager->contentOffset().x, 0);
        else EXPECT_EQ(pager->contentOffset().x, c.midDrag);
      }
    }
    input.up(finger);
    fd::RunLoopDriver::advance(3);
    EXPECT_EQ(pager->contentOffset().x, c.after);
    EXPECT_EQ(outerBegan, c.outerTakesIt ? 1 : 0);
  }
}

}  // namespace scroll_view_test
