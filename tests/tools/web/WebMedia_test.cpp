// A video page of the sample service: the video element waits for a tap (playback needs a
// user action), then plays through the media player in the element's box.
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/media/MediaPlayerView.h"
#include "tests/tools/web/WebViewFixture.h"
#include "tools/sample-service/service/Catalog.h"

using namespace webtest;

TEST_F(WebViewTest, VideoElementPlaysInItsBoxWhenTapped) {
  const sample::Video* video = nullptr;
  for (const auto& v : *service.server().catalog().videosOfCategory("1"))
    if (!v.httpStreamUrl.empty()) {
      video = &v;
      break;
    }
  ASSERT_NE(video, nullptr);
  EXPECT_TRUE(web->mediaPlaybackRequiresUserAction());
  load("/web/video/" + video->id + ".html");
  ASSERT_TRUE(waitForLoad());
  ASSERT_EQ(recorder->events.back(), "finish");
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(web->activeMediaView(), nullptr);

  // The page: a title, then the video across the view's width at 16:9.
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.tap({187, 64 + 150});
  auto media = web->activeMediaView();
  ASSERT_TRUE(media);
  gfx::Rect box = media->frame();
  EXPECT_NEAR(box.size.width, 375 - 16, 1);
  EXPECT_NEAR(box.size.height, (375 - 16) * 9.0 / 16, 2);
  EXPECT_TRUE(gfx::RectContainsPoint(box, {187, 150}));
  EXPECT_GT(media->player()->rate(), 0);
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return media->playerLayer()->isReadyForDisplay(); }, 10));
  EXPECT_EQ(media->player()->status(), ui::MediaPlayerStatus::ReadyToPlay);
  // A tap on the playing video pauses it, and the next plays it on.
  host.tap({187, 64 + 150});
  EXPECT_EQ(web->activeMediaView(), media);
  EXPECT_EQ(media->player()->rate(), 0);
  host.tap({187, 64 + 150});
  EXPECT_EQ(web->activeMediaView(), media);
  EXPECT_GT(media->player()->rate(), 0);
}

TEST_F(WebViewTest, StreamLoadedDirectlyShowsAPlayerThatWaitsForATap) {
  load("/media/hl20161201_5002_800k.mp4");
  ASSERT_TRUE(waitForLoad());
  ASSERT_EQ(recorder->events.back(), "finish");
  EXPECT_EQ(web->activeMediaView(), nullptr);
  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.tap({187, 64 + 100});
  ASSERT_TRUE(web->activeMediaView());
  EXPECT_EQ(web->activeMediaView()->player()->currentItem()->URL()->absoluteString().utf8(),
            url("/media/hl20161201_5002_800k.mp4"));
}

TEST_F(WebViewTest, AutoplayElementStartsOnlyWhenUserActionIsNotRequired) {
  const std::string page = "<html><head><meta name=\"viewport\" content=\"width=device-width\"></head><body>"
                           "<video autoplay src=\"/media/hl20161201_5002.mp4\" width=\"100%\"></video></body></html>";
  auto base = fd::URL::URLWithString(rt::String(url("/").c_str()));
  web->loadHTMLString(rt::String(page.c_str()), base);
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(web->activeMediaView(), nullptr);

  web->setMediaPlaybackRequiresUserAction(false);
  web->loadHTMLString(rt::String(page.c_str()), base);
  ASSERT_TRUE(waitForLoad());
  auto media = web->activeMediaView();
  ASSERT_TRUE(media);
  EXPECT_GT(media->player()->rate(), 0);
  EXPECT_NEAR(media->frame().size.width, 375 - 16, 1);
}
