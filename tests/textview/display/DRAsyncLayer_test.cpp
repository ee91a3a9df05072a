#include "textview/display/DRAsyncLayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Bitmap.h"

namespace {

using textview::DRAsyncLayer;
using textview::DRAsyncLayerDisplayTask;

// A view-like delegate that fills the layer red and records what it was told.
class Painter : public ui::LayerDelegate, public textview::DRAsyncLayerDelegate {
 public:
  bool withDisplay = true;
  std::function<void()> duringDisplay;  // runs inside the drawing, off the main thread when async
  std::atomic<int> drawings{0};
  std::vector<std::string> events;      // main thread only
  std::vector<bool> finishes;

  Ref<DRAsyncLayerDisplayTask> newAsyncDisplayTask() override {
    auto task = rt::make<DRAsyncLayerDisplayTask>();
    task->willDisplay = [this](ui::Layer&) { events.push_back("will"); };
    task->didDisplay = [this](ui::Layer&, bool finished) {
      events.push_back("did");
      finishes.push_back(finished);
    };
    if (withDisplay) {
      task->display = [this](const Ref<gfx::Context>& ctx, gfx::Size size, const std::function<bool()>& isCancelled) {
        drawings++;
        if (duringDisplay) duringDisplay();
        if (!ctx || isCancelled()) return;
        ctx->setFillColor(gfx::Color::colorWithRed(1, 0, 0, 1));
        ctx->fillRect({{0, 0}, size});
      };
    }
    return task;
  }
};

struct Fixture {
  std::shared_ptr<Painter> painter = std::make_shared<Painter>();
  Ref<DRAsyncLayer> layer = rt::make<DRAsyncLayer>();
  Fixture(gfx::Size size = {20, 10}) {
    layer->setDelegate(std::static_pointer_cast<ui::LayerDelegate>(painter));
    layer->setBounds({{0, 0}, size});
  }
  ~Fixture() { fd::RunLoopDriver::reset(); }
  bool waitForDid(size_t count) {
    return fd::RunLoopDriver::runUntil([&] { return painter->finishes.size() >= count; }, 10);
  }
};

bool isRed(const rt::Id& contents) {
  auto bitmap = rt::as<gfx::BitmapImage>(contents);
  if (!bitmap || bitmap->width() == 0) return false;
  uint32_t px = bitmap->pixel(bitmap->width() / 2, bitmap->height() / 2);
  return px == 0xFFFF0000u;
}

TEST(DRAsyncLayer, DrawsOffTheMainThreadAndCommitsOnIt) {
  Fixture f;
  std::atomic<bool> onMain{true};
  f.painter->duringDisplay = [&] { onMain = dispatch::isMainThread(); };
  EXPECT_TRUE(f.layer->displaysAsynchronously());
  f.layer->display();
  EXPECT_EQ(f.painter->events, (std::vector<std::string>{"will"}));
  ASSERT_TRUE(f.waitForDid(1));
  EXPECT_FALSE(onMain.load());
  EXPECT_EQ(f.painter->finishes, (std::vector<bool>{true}));
  EXPECT_TRUE(isRed(f.layer->contents()));
  auto bitmap = rt::as<gfx::BitmapImage>(f.layer->contents());
  EXPECT_EQ(bitmap->width(), static_cast<size_t>(20 * f.layer->contentsScale()));
}

TEST(DRAsyncLayer, SynchronousDrawingIgnoresTheSentinelAndCancelsQueuedWork) {
  Fixture f;
  f.layer->setDisplaysAsynchronously(false);
  f.painter->duringDisplay = [&] {
    f.layer->sentinel()->increase();  // moves under the drawing: the sync block still says no
  };
  f.layer->display();
  EXPECT_EQ(f.painter->events, (std::vector<std::string>{"will", "did"}));
  EXPECT_EQ(f.painter->finishes, (std::vector<bool>{true}));
  EXPECT_TRUE(isRed(f.layer->contents()));
}

TEST(DRAsyncLayer, ANewRequestOvertakesARunningDrawing) {
  Fixture f;
  auto started = dispatch::Semaphore::create(0), release = dispatch::Semaphore::create(0);
  std::atomic<int> calls{0};
  f.painter->duringDisplay = [&] {
    if (calls++ == 0) {
      started->signal();
      release->wait(10);
    }
  };
  f.layer->display();
  ASSERT_TRUE(started->wait(10));
  f.layer->setNeedsDisplay();  // the first drawing is now stale
  release->signal();
  f.layer->display();
  ASSERT_TRUE(f.waitForDid(2));
  fd::RunLoopDriver::runUntil([&] { return false; }, 0.05);
  // The two drawings may run on different queues, so their reports can come in either order.
  auto& fin = f.painter->finishes;
  EXPECT_EQ(fin.size(), 2u);
  EXPECT_EQ(std::count(fin.begin(), fin.end(), false), 1);
  EXPECT_TRUE(isRed(f.layer->contents()));
}

TEST(DRAsyncLayer, EdgeCases) {
  {  // under one point high: contents cleared, no drawing, finished
    Fixture f({20, 0.5});
    f.layer->setContents(fd::Number::numberWithInt(1));
    f.layer->display();
    EXPECT_EQ(f.layer->contents(), nullptr);
    EXPECT_EQ(f.painter->events, (std::vector<std::string>{"will", "did"}));
    EXPECT_EQ(f.painter->finishes, (std::vector<bool>{true}));
    fd::RunLoopDriver::runUntil([] { return false; }, 0.05);
    EXPECT_EQ(f.painter->drawings.load(), 0);
  }
  {  // a task without a display block clears the contents and reports both calls
    Fixture f;
    f.painter->withDisplay = false;
    f.layer->setContents(fd::Number::numberWithInt(1));
    f.layer->display();
    EXPECT_EQ(f.layer->contents(), nullptr);
    EXPECT_EQ(f.painter->events, (std::vector<std::string>{"will", "did"}));
    EXPECT_EQ(f.painter->finishes, (std::vector<bool>{true}));
  }
  {  // the declared default and the scale
    Fixture f;
    auto value = rt::as<fd::Number>(f.layer->defaultValueForKey(DRAsyncLayer::kDisplaysAsynchronouslyKey));
    ASSERT_TRUE(value);
    EXPECT_TRUE(value->boolValue());
    EXPECT_GT(f.layer->contentsScale(), 0);
  }
}

TEST(DRAsyncLayer, ALayerGoneBeforeItsDrawingLandsIsLeftAlone) {
  auto painter = std::make_shared<Painter>();
  auto started = dispatch::Semaphore::create(0), release = dispatch::Semaphore::create(0);
  painter->duringDisplay = [&] {
    started->signal();
    release->wait(10);
  };
  {
    auto layer = rt::make<DRAsyncLayer>();
    layer->setDelegate(std::static_pointer_cast<ui::LayerDelegate>(painter));
    layer->setBounds({{0, 0}, {10, 10}});
    layer->display();
    ASSERT_TRUE(started->wait(10));
  }
  release->signal();
  fd::RunLoopDriver::runUntil([] { return false; }, 0.2);
  EXPECT_EQ(painter->events, (std::vector<std::string>{"will"}));
  fd::RunLoopDriver::reset();
}

}  // namespace
