// The media player on the sample service's clips and radio programme: real playback to the
// end notification, clock-driven times and frames on a virtual clock, seeking, failures, the
// player layer in a rendered window and the volume view.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/media/MediaPlayer.h"
#include "platform/ui/media/MediaPlayerLayer.h"
#include "platform/ui/media/MediaSystemVolume.h"
#include "platform/ui/media/VolumeView.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tests/tools/ServiceClient.h"
#include "tools/sample-service/service/Catalog.h"

using namespace ui;

namespace {

int channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }
bool isWhite(uint32_t p) { return channel(p, 16) > 220 && channel(p, 8) > 220 && channel(p, 0) > 220; }

/// The x of the clip's white bar in a frame (the first white column on row 40), or -1.
int barIn(const gfx::BitmapImage& frame) {
  for (size_t x = 0; x < frame.width(); ++x)
    if (isWhite(frame.pixel(x, 40))) return static_cast<int>(x);
  return -1;
}

class MediaTest : public ::testing::Test {
 protected:
  void TearDown() override {
    fd::RunLoopDriver::reset();
    Transaction::flush();
  }
  Ref<fd::URL> clipURL(const std::string& stem = "hl20161201_5002_800k.mp4") {
    return fd::URL::URLWithString(rt::String((service.server().baseURL() + "/media/" + stem).c_str()));
  }
  /// Observes the end notification of `item`; answers the counter it bumps.
  std::shared_ptr<int> countEnds(const Ref<MediaPlayerItem>& item) {
    auto ends = std::make_shared<int>(0);
    tokens.push_back(fd::NotificationCenter::defaultCenter()->addObserverForName(
        rt::String(MediaPlayerItemDidPlayToEndTimeNotification), item, nullptr,
        [ends](const Ref<fd::Notification>&) { ++*ends; }));
    return ends;
  }
  bool waitReady(const Ref<MediaPlayer>& p) {
    return fd::RunLoopDriver::runUntil([&] { return p->status() != MediaPlayerStatus::Unknown; }, 10) &&
           p->status() == MediaPlayerStatus::ReadyToPlay;
  }
  ~MediaTest() override {
    for (auto& t : tokens) fd::NotificationCenter::defaultCenter()->removeObserver(t);
  }

  sampletest::RunningService service;
  std::vector<rt::Id> tokens;
};

}  // namespace

TEST_F(MediaTest, ClipPlaysInRealTimeToTheEndNotification) {
  auto player = MediaPlayer::playerWithURL(clipURL());
  auto item = player->currentItem();
  auto ends = countEnds(item);
  int rangeChanges = 0;
  uint64_t token = item->observe("loadedTimeRanges", 0, [&](rt::Object*, const rt::KeyValueChange&) { ++rangeChanges; });
  EXPECT_TRUE(MediaTimeIsIndefinite(item->duration()));
  EXPECT_EQ(item->duration().timescale, 0);
  player->play();
  ASSERT_TRUE(waitReady(player));
  EXPECT_EQ(item->status(), MediaPlayerItemStatus::ReadyToPlay);
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return *ends > 0; }, 20));
  EXPECT_EQ(*ends, 1);
  EXPECT_NEAR(MediaTimeGetSeconds(item->duration()), 3.0, 0.15);
  EXPECT_NE(item->duration().timescale, 0);
  EXPECT_NEAR(MediaTimeGetSeconds(player->currentTime()), 3.0, 0.3);
  EXPECT_EQ(player->rate(), 0);
  // Frames of the clip's size were shown along the way, the bar moving right.
  EXPECT_GE(player->frameCount(), 5u);
  ASSERT_TRUE(player->currentFrame());
  EXPECT_EQ(player->currentFrame()->width(), 160u);
  EXPECT_EQ(player->currentFrame()->height(), 90u);
  EXPECT_GT(barIn(*player->currentFrame()), 100);
  // What was loaded was reported, and covers the clip.
  EXPECT_GT(rangeChanges, 0);
  ASSERT_EQ(item->loadedTimeRanges()->count(), 1u);
  MediaTimeRange range;
  ASSERT_TRUE(std::dynamic_pointer_cast<fd::ValueBox>(item->loadedTimeRanges()->objectAtIndex(0))->get(range));
  EXPECT_GT(MediaTimeGetSeconds(MediaTimeRangeGetEnd(range)), 2.0);
  item->removeObservation(token);
}

TEST_F(MediaTest, OnAVirtualClockTimesFramesAndTheEndFollowTheClock) {
  fd::RunLoopDriver::useVirtualClock();
  auto player = MediaPlayer::playerWithURL(clipURL());
  auto ends = countEnds(player->currentItem());
  player->play();
  ASSERT_TRUE(waitReady(player));
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return player->currentItem()->duration().timescale != 0; }, 10));
  EXPECT_EQ(MediaTimeGetSeconds(player->currentTime()), 0);
  fd::RunLoopDriver::advance(1.0);
  EXPECT_NEAR(MediaTimeGetSeconds(player->currentTime()), 1.0, 1e-3);
  // The frame at one second: frame 10 of 30, its bar at 10 * 144 / 29.
  ASSERT_TRUE(fd::RunLoopDriver::runUntil(
      [&] { return player->currentFrame() && std::abs(barIn(*player->currentFrame()) - 49) <= 2; }, 10));
  // Paused, time stands still however far the clock goes.
  player->pause();
  fd::RunLoopDriver::advance(5.0);
  EXPECT_NEAR(MediaTimeGetSeconds(player->currentTime()), 1.0, 1e-3);
  EXPECT_EQ(*ends, 0);

  // A seek completes once the engine is there; the position is the target at once.
  int completions = 0;
  bool finished = false;
  player->seekToTime(MediaTimeMake(2, 1), [&](bool f) {
    ++completions;
    finished = f;
  });
  EXPECT_NEAR(MediaTimeGetSeconds(player->currentTime()), 2.0, 1e-3);
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return completions == 1; }, 10));
  EXPECT_TRUE(finished);
  ASSERT_TRUE(fd::RunLoopDriver::runUntil(
      [&] { return player->currentFrame() && std::abs(barIn(*player->currentFrame()) - 99) <= 2; }, 10));

  // Playing on reaches the end after one more second of clock, once.
  player->play();
  fd::RunLoopDriver::advance(0.9);
  EXPECT_EQ(*ends, 0);
  fd::RunLoopDriver::advance(0.2);
  EXPECT_EQ(*ends, 1);
  EXPECT_EQ(player->rate(), 0);
  EXPECT_NEAR(MediaTimeGetSeconds(player->currentTime()), 3.0, 1e-3);
  fd::RunLoopDriver::advance(2);
  EXPECT_EQ(*ends, 1);
}

TEST_F(MediaTest, StreamsThatCannotBePlayedSetTheFailedStatusWithAnError) {
  for (std::string path : {"/media/hl20161201_9999_800k.mp3", "/web/radio.html"}) {
    auto url = fd::URL::URLWithString(rt::String((service.server().baseURL() + path).c_str()));
    auto player = MediaPlayer::playerWithURL(url);
    int statusChanges = 0;
    uint64_t token = player->currentItem()->observe("status", 0, [&](rt::Object*, const rt::KeyValueChange&) { ++statusChanges; });
    bool seekFinished = true;
    player->seekToTime(MediaTimeMake(1, 1), [&](bool f) { seekFinished = f; });
    player->play();
    EXPECT_FALSE(waitReady(player)) << path;
    EXPECT_EQ(player->status(), MediaPlayerStatus::Failed) << path;
    EXPECT_EQ(player->currentItem()->status(), MediaPlayerItemStatus::Failed);
    ASSERT_TRUE(player->currentItem()->error());
    EXPECT_EQ(player->currentItem()->error()->domain(), rt::String(MediaErrorDomain));
    EXPECT_EQ(statusChanges, 1);
    EXPECT_FALSE(seekFinished);
    player->currentItem()->removeObservation(token);
  }
}

TEST_F(MediaTest, RadioProgrammePlaysAsSoundOnly) {
  auto player = MediaPlayer::playerWithURL(
      fd::URL::URLWithString(rt::String((service.server().baseURL() + "/media/radio/live.wav").c_str())));
  player->play();
  ASSERT_TRUE(waitReady(player));
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return MediaTimeGetSeconds(player->currentTime()) > 0.5; }, 10));
  EXPECT_NEAR(MediaTimeGetSeconds(player->currentItem()->duration()), 20, 0.2);
  EXPECT_EQ(player->currentFrame(), nullptr);
  EXPECT_GT(player->rate(), 0);
  player->pause();
}

TEST_F(MediaTest, PlayerLayerShowsTheFrameInAWindowByItsGravity) {
  fd::RunLoopDriver::useVirtualClock();
  auto screen = rt::make<Screen>(gfx::Size{200, 200}, 1);
  auto window = rt::make<Window>(gfx::RectMake(0, 0, 200, 200));
  window->setBackgroundColor(gfx::Color::blackColor());
  window->setHidden(false);
  auto player = MediaPlayer::playerWithURL(clipURL("hl20161201_5003.mp4"));
  auto layer = MediaPlayerLayer::playerLayerWithPlayer(player);
  layer->setFrame(gfx::RectMake(0, 0, 200, 200));
  layer->setVideoGravity(MediaLayerVideoGravityResize);
  window->layer()->addSublayer(layer);
  EXPECT_FALSE(layer->isReadyForDisplay());
  player->play();
  ASSERT_TRUE(waitReady(player));
  fd::RunLoopDriver::advance(0.5);
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return layer->isReadyForDisplay(); }, 10));
  ASSERT_TRUE(fd::RunLoopDriver::runUntil(
      [&] { return player->currentFrame() && std::abs(barIn(*player->currentFrame()) - 24) <= 2; }, 10));
  auto frame = player->currentFrame();
  HeadlessHost host(screen);
  host.setWindowSource([&] { return std::vector<Ref<Window>>{window}; });
  std::string file = "/tmp/media_layer_" + std::to_string(getpid()) + ".png";
  ASSERT_TRUE(host.shoot(file));
  auto shot = gfx::Image::imageWithContentsOfFile(rt::String(file.c_str()));
  std::remove(file.c_str());
  ASSERT_TRUE(shot && shot->CGImage());
  // Stretched to the whole layer: the frame's background at the top left, its dark band at
  // the bottom, and the bar at 200/160 of its place.
  uint32_t background = frame->pixel(5, 5);
  uint32_t seen = shot->CGImage()->pixel(5, 5);
  for (int shift : {16, 8, 0}) EXPECT_NEAR(channel(seen, shift), channel(background, shift), 12);
  EXPECT_LT(channel(shot->CGImage()->pixel(100, 196), 16), 40);
  EXPECT_TRUE(isWhite(shot->CGImage()->pixel(static_cast<size_t>((24 + 8) * 200 / 160), 100)));
  player->pause();
}

TEST_F(MediaTest, VolumeViewSliderSetsTheSystemVolumeThatPlayersFollow) {
  auto view = rt::make<VolumeView>(gfx::RectMake(0, 0, 200, 30));
  Ref<View> slider;
  for (const auto& sub : view->subviews())
    if (sub->getClass()->name() == rt::String("MPVolumeSlider")) slider = sub;
  ASSERT_TRUE(slider);
  auto volumeSlider = std::static_pointer_cast<Slider>(slider);
  MediaSystemVolume::shared()->setVolume(0.5);
  EXPECT_DOUBLE_EQ(volumeSlider->value(), 0.5);
  volumeSlider->setValue(0.55f, true);
  EXPECT_DOUBLE_EQ(MediaSystemVolume::shared()->volume(), 0.5);  // only the actions set it
  volumeSlider->sendActionsForControlEvents(ControlEventTouchUpInside);
  EXPECT_NEAR(MediaSystemVolume::shared()->volume(), 0.55, 1e-6);
  MediaSystemVolume::shared()->setVolume(2);
  EXPECT_DOUBLE_EQ(volumeSlider->value(), 1.0);
  MediaSystemVolume::shared()->setVolume(0.5);
}
