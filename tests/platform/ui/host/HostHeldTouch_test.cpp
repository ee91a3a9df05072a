// Scripts that hold a finger down across steps (press, move, release), and the observer a
// headless host tells of each shot while the screen is as it was shot.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"

using namespace ui;
namespace fs = std::filesystem;

namespace {

// Records the touches it gets: how many began, moved and ended, and the last place.
class Pad : public View {
  RT_CLASS(Pad, View)
 public:
  void touchesBegan(const TouchSet& touches, Event*) override { ++began, last = where(touches); }
  void touchesMoved(const TouchSet& touches, Event*) override { ++moved, last = where(touches); }
  void touchesEnded(const TouchSet& touches, Event*) override { ++ended, last = where(touches); }
  gfx::Point where(const TouchSet& touches) { return (*touches.begin())->locationInView(this); }
  int began = 0, moved = 0, ended = 0;
  gfx::Point last;
};
RT_IMPLEMENT(Pad) {}

class HostHeldTouchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    dir_ = fs::temp_directory_path() / ("uia_held_" + std::to_string(getpid()));
    window_ = rt::make<Window>(gfx::RectMake(0, 0, 200, 200));
    window_->setHidden(false);
    pad_ = rt::make<Pad>(gfx::RectMake(20, 20, 160, 160));
    window_->addSubview(pad_);
    screen_ = rt::make<Screen>(gfx::Size{200, 200}, 1);
  }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path dir_;
  Ref<Window> window_;
  Ref<Pad> pad_;
  Ref<Screen> screen_;
};

}  // namespace

TEST(HostScriptHeldTouch, ParsesPressMoveAndRelease) {
  std::vector<HostScriptStep> steps;
  std::string error;
  ASSERT_TRUE(parseHostScript("press 10 20\nmove 30 40 0.5\nrelease  # up\n", &steps, &error)) << error;
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].kind, HostScriptStep::Kind::Press);
  EXPECT_EQ(steps[0].args[0], 10);
  EXPECT_EQ(steps[0].args[1], 20);
  EXPECT_EQ(steps[1].kind, HostScriptStep::Kind::Move);
  EXPECT_EQ(steps[1].args[1], 40);
  EXPECT_EQ(steps[1].args[2], 0.5);
  EXPECT_EQ(steps[2].kind, HostScriptStep::Kind::Release);
  struct Bad {
    const char* text;
    const char* message;
  } bad[] = {
      {"press 1", "line 1: press needs 2 numbers"},
      {"move 1 2", "line 1: move needs 3 numbers"},
      {"move 1 2 -1", "line 1: seconds must not be negative"},
      {"release now", "line 1: unexpected \"now\""},
  };
  for (auto& b : bad) {
    error.clear();
    EXPECT_FALSE(parseHostScript(b.text, nullptr, &error));
    EXPECT_EQ(error, b.message);
  }
}

TEST_F(HostHeldTouchTest, AFingerStaysDownAcrossStepsUntilReleased) {
  HeadlessHost host(screen_);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{window_}; });
  struct Seen {
    std::string name;
    int began, ended;
    bool holding;
  };
  std::vector<Seen> seen;
  host.setShotObserver([&](const std::string& name, const std::string& path) {
    EXPECT_TRUE(fs::exists(path)) << path;
    seen.push_back({name, pad_->began, pad_->ended, host.isHoldingTouch()});
  });
  std::string error;
  ASSERT_TRUE(host.runScript("press 50 50\nwait 0.6\nshoot held\nmove 150 90 0.25\nshoot moved\nrelease\nshoot up\n",
                             dir_.string(), &error))
      << error;
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].name, "held");
  EXPECT_EQ(seen[0].began, 1);
  EXPECT_EQ(seen[0].ended, 0);
  EXPECT_TRUE(seen[0].holding);
  EXPECT_EQ(seen[1].ended, 0);
  EXPECT_EQ(seen[2].ended, 1);
  EXPECT_FALSE(seen[2].holding);
  EXPECT_GT(pad_->moved, 10);
  // Pad coordinates: the window point less the pad's origin.
  EXPECT_DOUBLE_EQ(pad_->last.x, 130);
  EXPECT_DOUBLE_EQ(pad_->last.y, 70);
}

TEST_F(HostHeldTouchTest, AFingerLeftDownIsLiftedWhenTheScriptEnds) {
  HeadlessHost host(screen_);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{window_}; });
  std::string error;
  ASSERT_TRUE(host.runScript("press 60 60\nwait 0.1\npress 70 70\n", dir_.string(), &error)) << error;
  // The second press lifted the first finger; the end of the script lifted the second.
  EXPECT_EQ(pad_->began, 2);
  EXPECT_EQ(pad_->ended, 2);
  EXPECT_FALSE(host.isHoldingTouch());
  // Moving or releasing with no finger down does nothing.
  host.moveHeld({10, 10}, 0.1);
  host.release();
  EXPECT_EQ(pad_->moved, 0);
  EXPECT_EQ(pad_->ended, 2);
}
