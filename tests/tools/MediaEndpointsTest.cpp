// The clips and the radio programme the service makes: real AVI and WAV files, the same bytes
// for the same address, byte ranges for seeking, and 404 for names it does not make.
#include <gtest/gtest.h>

#include "tests/tools/ServiceClient.h"
#include "tools/sample-service/service/Catalog.h"
#include "tools/sample-service/service/MediaMaker.h"

using sampletest::RunningService;

TEST(MediaEndpointsTest, ClipsAreMotionJpegAviAtEveryRewrittenAddress) {
  RunningService service;
  auto client = service.client();
  std::string first;
  for (const char* path : {"/media/hl20161201_5002_800k.mp4", "/media/hl20161201_5002_200K.mp4",
                           "/media/hl20161201_5002.mp4"}) {
    auto r = client.Get(path);
    ASSERT_TRUE(r) << path;
    EXPECT_EQ(r->status, 200) << path;
    EXPECT_EQ(r->get_header_value("Content-Type"), "video/x-msvideo");
    ASSERT_GT(r->body.size(), 1000u);
    EXPECT_EQ(r->body.substr(0, 4), "RIFF");
    EXPECT_EQ(r->body.substr(8, 4), "AVI ");
    EXPECT_NE(r->body.find("MJPG"), std::string::npos);
    EXPECT_NE(r->body.find("idx1"), std::string::npos);
    if (first.empty()) first = r->body;
    else EXPECT_EQ(r->body, first) << "one clip per video";
  }
  auto part = client.Get("/media/hl20161201_5002_800k.mp4", {{"Range", "bytes=100-199"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, first.substr(100, 100));
  for (const char* path : {"/media/hl20161201_5002_800k.f4m", "/media/x.mp4", "/media/hl2016120_5002.mp4",
                           "/media/hl20161201_50a2.mp4", "/media/radio/other.wav"}) {
    auto r = client.Get(path);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404) << path;
  }
}

TEST(MediaEndpointsTest, RadioProgrammeIsAWaveFileOfTwentySeconds) {
  RunningService service;
  auto r = service.client().Get("/media/radio/live.wav");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body.substr(0, 4), "RIFF");
  EXPECT_EQ(r->body.substr(8, 4), "WAVE");
  // 44 header bytes and 20 s of 16-bit mono at 8 kHz.
  EXPECT_EQ(r->body.size(), 44u + 20 * 8000 * 2);
  // The radio page points at it.
  auto page = service.client().Get("/web/radio.html");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("/media/radio/live.wav"), std::string::npos);
}

TEST(MediaEndpointsTest, ClipsDifferBySeedAndHoldThirtyFrames) {
  sample::ClipSpec a;
  a.seed = 1;
  sample::ClipSpec b = a;
  b.seed = 2;
  auto clipA = sample::makeClip(a), clipB = sample::makeClip(b);
  ASSERT_FALSE(clipA.empty());
  EXPECT_NE(clipA, clipB);
  // 30 video and 30 sound chunks in the index.
  std::string bytes(clipA.begin(), clipA.end());
  size_t frames = 0;
  for (size_t at = bytes.find("00dc"); at != std::string::npos; at = bytes.find("00dc", at + 4)) ++frames;
  EXPECT_EQ(frames, 60u);  // each frame's chunk and its index entry
}

TEST(MediaEndpointsTest, VideoPagesPointAtThePlayableClip) {
  RunningService service;
  auto client = service.client();
  int withVideo = 0, posterOnly = 0;
  for (const auto& v : *service.server().catalog().videosOfCategory("1")) {
    auto page = client.Get("/web/video/" + v.id + ".html");
    ASSERT_TRUE(page);
    ASSERT_EQ(page->status, 200) << v.id;
    if (v.httpStreamUrl.empty()) {
      EXPECT_EQ(page->body.find("<video"), std::string::npos);
      ++posterOnly;
      continue;
    }
    ++withVideo;
    // The manifest names are not playable: the page's source is the clip itself, and it is served.
    size_t at = page->body.find("src=\"", page->body.find("<video"));
    ASSERT_NE(at, std::string::npos);
    std::string src = page->body.substr(at + 5, page->body.find('"', at + 5) - at - 5);
    EXPECT_EQ(src.substr(src.size() - 4), ".mp4") << src;
    auto clip = client.Get(src.substr(service.server().baseURL().size()));
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->status, 200) << src;
  }
  EXPECT_GT(withVideo, 0);
  EXPECT_GT(posterOnly, 0);
}
