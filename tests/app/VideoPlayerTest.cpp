// The landscape player on the sample service's clips, on the virtual clock: the once-a-second
// times and slider, the buffered bar, seeking, play/pause, the end that dismisses, the 7 s
// fade of the controls, the volume swipe, and a headless rendering.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/screens/KDVideoPlayViewController.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/input/Event.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/media/MediaSystemVolume.h"
#include "platform/ui/view/Screen.h"
#include "tests/app/ContentServiceFixture.h"

namespace {

namespace fs = std::filesystem;
using app::KDVideoPlayViewController;
using fd::RunLoopDriver;

bool samePicture(const Ref<gfx::Image>& a, const Ref<gfx::Image>& b) {
  if (!a || !b || !a->CGImage() || !b->CGImage()) return false;
  const auto& x = *a->CGImage();
  const auto& y = *b->CGImage();
  if (x.width() != y.width() || x.height() != y.height()) return false;
  for (size_t row = 0; row < x.height(); ++row)
    for (size_t col = 0; col < x.width(); ++col)
      if (x.pixel(col, row) != y.pixel(col, row)) return false;
  return true;
}

class VideoPlayerTest : public apptest::ContentServiceTest {
 protected:
  void SetUp() override {
    apptest::ContentServiceTest::SetUp();
    startSampleService();
    root = rt::make<ui::ViewController>();
    window->setRootViewController(root);
  }
  void TearDown() override {
    if (auto shown = root->presentedViewController()) {
      if (auto p = rt::as<KDVideoPlayViewController>(shown)) p->player()->pause();
      root->dismissViewControllerAnimated(false);
    }
    RunLoopDriver::advance(1);
    window->setRootViewController(nullptr);
    root.reset();
    ui::Transaction::flush();
    apptest::ContentServiceTest::TearDown();
  }
  std::string clip(const std::string& stem = "hl20161201_5002_800k.mp4") {
    return service->baseURL() + "/media/" + stem;
  }
  /// Presents a player of `address` and, unless told otherwise, waits until it is ready with
  /// a known duration (real time passes; the virtual clock stands still).
  Ref<KDVideoPlayViewController> present(const std::string& address, bool waitReady = true) {
    auto player = rt::make<KDVideoPlayViewController>();
    player->setVideoUrl(address);
    root->presentViewController(player, false);
    if (waitReady) {
      auto* p = player.get();
      EXPECT_TRUE(RunLoopDriver::runUntil(
          [p] {
            return p->player()->status() == ui::MediaPlayerStatus::ReadyToPlay &&
                   p->playerItem()->duration().timescale != 0;
          },
          20));
    }
    return player;
  }
  /// A touch event of one finger per point, the points in the player's view (which the
  /// window shows turned to landscape).
  struct Fingers {
    std::vector<Ref<ui::Touch>> touches;
    Ref<ui::Event> event = rt::make<ui::Event>();
  };
  Fingers fingers(KDVideoPlayViewController& p, std::vector<gfx::Point> points) {
    Fingers f;
    for (auto point : points) {
      auto t = rt::make<ui::Touch>();
      t->setView(p.view());
      t->setWindow(window);
      t->placeAt(p.view()->convertPointToView(point, window.get()));
      f.touches.push_back(t);
      f.event->addTouch(t);
    }
    return f;
  }
  static void begin(KDVideoPlayViewController& p, Fingers& f) { p.touchesBegan(ui::TouchSet(f.touches), f.event.get()); }
  void moveBy(KDVideoPlayViewController& p, Fingers& f, gfx::Point start, double dx, double dy) {
    for (auto& t : f.touches) t->moveTo(p.view()->convertPointToView({start.x + dx, start.y + dy}, window.get()));
    p.touchesMoved(ui::TouchSet(f.touches), f.event.get());
  }

  Ref<ui::ViewController> root;
};

TEST_F(VideoPlayerTest, TimesSliderAndBufferFollowTheClockAndTheEndDismisses) {
  auto player = present(clip(), false);
  EXPECT_EQ(player->currentTimeLabel()->text().utf8(), "00:00/00:00");
  EXPECT_TRUE(player->activity()->isAnimating());
  EXPECT_EQ(player->width(), 667);
  EXPECT_EQ(player->height(), 375);
  EXPECT_EQ(player->playerLayer()->frame(), (gfx::Rect{{0, 0}, {667, 375}}));
  EXPECT_EQ(player->playerLayer()->videoGravity().utf8(), ui::MediaLayerVideoGravityResize);
  auto lines = logLines();
  EXPECT_NE(std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("_width  667.0") != std::string::npos; }),
            lines.end());
  ASSERT_TRUE(RunLoopDriver::runUntil(
      [&] {
        return player->player()->status() == ui::MediaPlayerStatus::ReadyToPlay &&
               player->playerItem()->duration().timescale != 0;
      },
      20));
  // Buffered: the whole clip is loaded soon after it opens.
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return player->availableDuration() > 2.5; }, 10));
  EXPECT_GT(player->progress()->progress(), 0.8);

  RunLoopDriver::advance(1.0);
  EXPECT_EQ(player->currentTimeLabel()->text().utf8(), "00:01 / 00:03");
  EXPECT_NEAR(player->slider()->value(), 1.0 / 3, 1e-3);
  EXPECT_EQ(player->slider()->maximumValue(), 1);
  EXPECT_FALSE(player->activity()->isAnimating());
  RunLoopDriver::advance(1.0);
  EXPECT_EQ(player->currentTimeLabel()->text().utf8(), "00:02 / 00:03");
  EXPECT_NEAR(player->slider()->value(), 2.0 / 3, 1e-3);
  EXPECT_EQ(root->presentedViewController(), player);

  // The end of the clip dismisses the screen; once gone, its timer and observations go too.
  RunLoopDriver::advance(1.1);
  RunLoopDriver::advance(1);
  EXPECT_EQ(root->presentedViewController(), nullptr);
  Weak<KDVideoPlayViewController> gone = player;
  player.reset();
  RunLoopDriver::advance(2);
  EXPECT_TRUE(gone.expired());
}

TEST_F(VideoPlayerTest, SliderSeeksToWholeSecondsAndTheButtonPausesAndPlays) {
  auto player = present(clip());
  auto p = player->player();
  struct Case {
    double slider;
    double seconds;
  };
  for (Case c : {Case{0.5, 1}, Case{0.99, 2}, Case{0.0, 0}}) {
    SCOPED_TRACE(c.slider);
    player->slider()->setValue(c.slider);
    player->slider()->sendActionsForControlEvents(ui::ControlEventValueChanged);
    EXPECT_EQ(p->rate(), 0) << "paused while seeking";
    EXPECT_NEAR(ui::MediaTimeGetSeconds(p->currentTime()), c.seconds, 1e-3);
    ASSERT_TRUE(RunLoopDriver::runUntil([&] { return p->rate() > 0; }, 10)) << "plays again after the seek";
  }

  // The button starts unselected while playing: a tap pauses, the next plays.
  auto button = player->playButton();
  EXPECT_FALSE(button->isSelected());
  EXPECT_TRUE(samePicture(button->currentBackgroundImage(), gfx::Image::imageNamed("pauseBtn@2x.png")));
  button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(p->rate(), 0);
  EXPECT_TRUE(button->isSelected());
  EXPECT_TRUE(samePicture(button->currentBackgroundImage(), gfx::Image::imageNamed("playBtn@2x.png")));
  RunLoopDriver::advance(0.5);
  EXPECT_NEAR(ui::MediaTimeGetSeconds(p->currentTime()), 0, 1e-3);
  button->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_GT(p->rate(), 0);
  EXPECT_FALSE(button->isSelected());

  // Back pauses and leaves.
  player->backButtonView()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  EXPECT_EQ(p->rate(), 0);
  RunLoopDriver::advance(1);
  EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(VideoPlayerTest, AStreamThatNeverPlaysKeepsTheIndicatorAndRefusesSeeks) {
  auto player = present(service->baseURL() + "/media/hl20161201_9999_800k.mp3", false);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return player->player()->status() == ui::MediaPlayerStatus::Failed; }, 20));
  RunLoopDriver::advance(2);
  EXPECT_TRUE(player->activity()->isAnimating());
  EXPECT_EQ(player->currentTimeLabel()->text().utf8(), "00:00/00:00");
  player->slider()->setValue(0.5);
  player->slider()->sendActionsForControlEvents(ui::ControlEventValueChanged);
  EXPECT_EQ(ui::MediaTimeGetSeconds(player->player()->currentTime()), 0);
  EXPECT_EQ(player->availableDuration(), 0);
  EXPECT_EQ(root->presentedViewController(), player);
}

TEST_F(VideoPlayerTest, ControlsFadeSevenSecondsAfterShowingAndTapsToggleThem) {
  auto player = present(clip());
  player->playButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);  // stay short of the end
  auto back = player->backView();
  EXPECT_EQ(back->alpha(), 1);
  RunLoopDriver::advance(6.9);
  EXPECT_EQ(back->alpha(), 1);
  RunLoopDriver::advance(0.7);
  EXPECT_EQ(back->alpha(), 0);

  // Shown by a tap, they stay 7 s and go again.
  player->tapAction();
  RunLoopDriver::advance(0.6);
  EXPECT_EQ(back->alpha(), 1);
  RunLoopDriver::advance(6.2);
  EXPECT_EQ(back->alpha(), 1);
  RunLoopDriver::advance(0.8);
  EXPECT_EQ(back->alpha(), 0);

  // A tap on shown controls hides them at once.
  player->tapAction();
  RunLoopDriver::advance(0.6);
  player->tapAction();
  RunLoopDriver::advance(0.6);
  EXPECT_EQ(back->alpha(), 0);
}

TEST_F(VideoPlayerTest, VerticalSwipeStepsTheSystemVolumeWithinItsBounds) {
  ui::MediaSystemVolume::shared()->setVolume(0.9);
  auto player = present(clip());
  player->playButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  ASSERT_TRUE(player->volumeViewSlider());
  EXPECT_DOUBLE_EQ(player->systemVolume(), 0.9);
  const gfx::Point start{300, 200};
  auto one = fingers(*player, {start});
  begin(*player, one);

  struct Step {
    double dx, dy;
    double volume;
  };
  // Up: 0.05 at each multiple of 5 points, never from 1 or above; off multiples nothing.
  for (Step s : {Step{0, -3, 0.9}, Step{0, -5, 0.95}, Step{0, -7, 0.95}, Step{0, -10, 1.0}, Step{0, -15, 1.0},
                 Step{40, 0, 1.0}}) {
    SCOPED_TRACE(s.dy);
    moveBy(*player, one, start, s.dx, s.dy);
    EXPECT_NEAR(player->systemVolume(), s.volume, 1e-9);
    EXPECT_NEAR(ui::MediaSystemVolume::shared()->volume(), s.volume, 1e-6);
  }
  // Down: never below 0.1.
  double expected = 1.0;
  for (int dy = 5; dy <= 120; dy += 5) {
    moveBy(*player, one, start, 0, dy);
    if (expected > 0.1 + 1e-9) expected -= 0.05;
    ASSERT_NEAR(player->systemVolume(), expected, 1e-9) << dy;
  }
  EXPECT_NEAR(player->systemVolume(), 0.1, 1e-9);
  // Sideways only: dy is 0, which counts as up, once per move event.
  moveBy(*player, one, start, 20, 0);
  moveBy(*player, one, start, 25, 0);
  EXPECT_NEAR(player->systemVolume(), 0.2, 1e-9);
  // Two fingers change nothing, neither start nor move.
  auto two = fingers(*player, {start, {350, 200}});
  begin(*player, two);
  moveBy(*player, two, start, 0, -50);
  EXPECT_NEAR(player->systemVolume(), 0.2, 1e-9);

  auto lines = logLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "+x ==-5"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "0.90"), lines.end());
  ui::MediaSystemVolume::shared()->setVolume(0.5);
}

TEST_F(VideoPlayerTest, LandscapeOnlyAndRendersTheFrameUnderItsControls) {
  auto player = rt::make<KDVideoPlayViewController>();
  EXPECT_FALSE(player->shouldAutorotate());
  EXPECT_EQ(player->supportedInterfaceOrientations(),
            uint64_t(ui::InterfaceOrientationMaskLandscapeLeft | ui::InterfaceOrientationMaskLandscapeRight));
  EXPECT_EQ(player->preferredInterfaceOrientationForPresentation(), ui::InterfaceOrientation::LandscapeRight);
  EXPECT_TRUE(player->modalPresentationCapturesStatusBarAppearance());
  EXPECT_FALSE(player->prefersStatusBarHidden());

  // Drawn in a landscape window of its own.
  auto screen = rt::make<ui::Screen>(gfx::Size{667, 375}, 2);
  auto landscape = rt::make<ui::Window>(gfx::Rect{{0, 0}, {667, 375}});
  player->setVideoUrl(clip("hl20161201_5003.mp4"));
  landscape->setRootViewController(player);
  landscape->setHidden(false);
  landscape->layoutIfNeeded();
  ASSERT_TRUE(RunLoopDriver::runUntil(
      [&] {
        return player->player()->status() == ui::MediaPlayerStatus::ReadyToPlay &&
               player->playerItem()->duration().timescale != 0;
      },
      20));
  RunLoopDriver::advance(1.5);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return player->playerLayer()->isReadyForDisplay(); }, 10));
  player->player()->pause();
  ui::HeadlessHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<ui::Window>>{landscape}; });
  std::string dir = std::getenv("KD_ARTIFACT_DIR") ? std::getenv("KD_ARTIFACT_DIR") : fs::temp_directory_path().string();
  fs::create_directories(dir);
  std::string file = (fs::path(dir) / "video-landscape-player.png").string();
  std::string error;
  ASSERT_TRUE(host.shoot(file, &error)) << error;
  auto shot = gfx::Image::imageWithContentsOfFile(rt::String(file.c_str()));
  ASSERT_TRUE(shot && shot->CGImage());
  // Stretched over the whole width: the clip's background at the right edge below the strip.
  uint32_t frame = player->player()->currentFrame()->pixel(150, 50);
  uint32_t seen = shot->CGImage()->pixel(1300, 300);
  for (int shift : {16, 8, 0}) EXPECT_NEAR(int((seen >> shift) & 0xff), int((frame >> shift) & 0xff), 16);
  EXPECT_EQ(player->currentTimeLabel()->text().utf8(), "00:01 / 00:03");
  landscape->setHidden(true);
  landscape->setRootViewController(nullptr);
}

}  // namespace
