#include <gtest/gtest.h>

#include "tests/tools/ServiceClient.h"

namespace sampletest {
namespace {

uint32_t bigEndian(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

uint32_t littleEndian(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

/// Width and height from the file's own header; {0, 0} when the bytes are not of that format.
std::pair<uint32_t, uint32_t> dimensions(const std::string& b, const std::string& ext) {
  if (ext == "png" && b.size() > 24 && b.compare(1, 3, "PNG") == 0) return {bigEndian(b, 16, 4), bigEndian(b, 20, 4)};
  if (ext == "gif" && b.size() > 10 && b.compare(0, 4, "GIF8") == 0) return {littleEndian(b, 6, 2), littleEndian(b, 8, 2)};
  if (ext == "webp" && b.size() > 30 && b.compare(0, 4, "RIFF") == 0 && b.compare(8, 8, "WEBPVP8 ") == 0) {
    return {littleEndian(b, 26, 2) & 0x3fff, littleEndian(b, 28, 2) & 0x3fff};
  }
  if (ext == "jpg" && b.size() > 4 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xD8) {
    for (size_t i = 2; i + 9 < b.size();) {
      if (static_cast<uint8_t>(b[i]) != 0xFF) break;
      uint8_t marker = static_cast<uint8_t>(b[i + 1]);
      if (marker == 0xC0 || marker == 0xC2) return {bigEndian(b, i + 7, 2), bigEndian(b, i + 5, 2)};
      i += 2 + bigEndian(b, i + 2, 2);
    }
  }
  return {0, 0};
}

struct PictureCase {
  const char* path;
  const char* contentType;
  uint32_t width, height;
};

TEST(SampleServicePictures, ServedInEachFormatAtTheKindsSize) {
  RunningService service;
  const PictureCase cases[] = {
      {"/pictures/banner/b1.png", "image/png", 750, 400},   {"/pictures/thumb/t1.jpg", "image/jpeg", 200, 150},
      {"/pictures/photo/p1.gif", "image/gif", 750, 500},    {"/pictures/poster/v1.webp", "image/webp", 320, 180},
      {"/pictures/cover/c1.jpg", "image/jpeg", 300, 420},   {"/pictures/channel/c2.png", "image/png", 400, 240},
      {"/pictures/loading/w1.webp", "image/webp", 750, 1334},
  };
  for (const auto& c : cases) {
    auto r = service.client().Get(c.path);
    ASSERT_TRUE(r) << c.path;
    EXPECT_EQ(r->status, 200) << c.path;
    EXPECT_EQ(r->get_header_value("Content-Type"), c.contentType) << c.path;
    std::string path = c.path;
    auto size = dimensions(r->body, path.substr(path.rfind('.') + 1));
    EXPECT_EQ(size.first, c.width) << c.path;
    EXPECT_EQ(size.second, c.height) << c.path;
  }
}

size_t occurrences(const std::string& body, const std::string& what) {
  size_t n = 0;
  for (size_t at = body.find(what); at != std::string::npos; at = body.find(what, at + 1)) ++n;
  return n;
}

// "anim" pictures are three-frame animations that loop forever; as JPEG, a still picture.
TEST(SampleServicePictures, AnimationsHoldThreeFramesInEachAnimatedFormat) {
  RunningService service;
  auto gif = service.client().Get("/pictures/anim/a1.gif");
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->get_header_value("Content-Type"), "image/gif");
  EXPECT_EQ(dimensions(gif->body, "gif"), std::make_pair(120u, 80u));
  EXPECT_EQ(occurrences(gif->body, "NETSCAPE2.0"), 1u);
  EXPECT_EQ(occurrences(gif->body, std::string("\x21\xF9\x04", 3)), 3u);  // one frame control each
  auto png = service.client().Get("/pictures/anim/a1.png");
  ASSERT_TRUE(png);
  EXPECT_EQ(dimensions(png->body, "png"), std::make_pair(120u, 80u));
  const size_t actl = png->body.find("acTL");
  ASSERT_NE(actl, std::string::npos);
  EXPECT_EQ(bigEndian(png->body, actl + 4, 4), 3u);  // frames
  EXPECT_EQ(bigEndian(png->body, actl + 8, 4), 0u);  // plays: forever
  EXPECT_EQ(occurrences(png->body, "fcTL"), 3u);
  auto webp = service.client().Get("/pictures/anim/a1.webp");
  ASSERT_TRUE(webp);
  EXPECT_EQ(webp->get_header_value("Content-Type"), "image/webp");
  EXPECT_EQ(occurrences(webp->body, "ANIM"), 1u);
  EXPECT_EQ(occurrences(webp->body, "ANMF"), 3u);
  auto jpeg = service.client().Get("/pictures/anim/a1.jpg");
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(dimensions(jpeg->body, "jpg"), std::make_pair(120u, 80u));
}

TEST(SampleServicePictures, EveryAddressOfTheLoadingPagesAndBannersIsServed) {
  RunningService service;
  std::vector<std::string> urls;
  for (const char* endpoint : {"App/loading", "App/banner"}) {
    auto list = arrayAt(objectAt(service.envelope(endpoint), "data"), "list");
    for (size_t i = 0; i < list->count(); ++i) urls.push_back(stringAt(objectIn(list, i), "image"));
  }
  ASSERT_GE(urls.size(), 6u);
  auto base = service.server().baseURL();
  for (const auto& url : urls) {
    ASSERT_EQ(url.rfind(base, 0), 0u) << url;
    auto r = service.client().Get(url.substr(base.size()).c_str());
    ASSERT_TRUE(r) << url;
    EXPECT_EQ(r->status, 200) << url;
    EXPECT_EQ(r->get_header_value("Content-Type").rfind("image/", 0), 0u) << url;
  }
}

TEST(SampleServicePictures, SameSeedSameBytes) {
  sample::ServiceOptions seven;
  seven.seed = 7;
  sample::ServiceOptions eight;
  eight.seed = 8;
  RunningService a(seven), b(seven), c(eight);
  for (const char* path : {"/pictures/thumb/a1.png", "/pictures/banner/x.gif", "/pictures/photo/q.jpg"}) {
    auto ra = a.client().Get(path), rb = b.client().Get(path), rc = c.client().Get(path);
    ASSERT_TRUE(ra && rb && rc);
    EXPECT_EQ(ra->body, rb->body) << path;
    EXPECT_NE(ra->body, rc->body) << path;
    // Asked again, the kept picture is the same.
    EXPECT_EQ(a.client().Get(path)->body, ra->body);
  }
}

TEST(SampleServicePictures, UnknownPicturesAreNotFound) {
  RunningService service;
  for (const char* path : {"/pictures/huge/a.png", "/pictures/thumb/a.bmp", "/pictures/thumb/.png",
                           "/pictures/thumb/a", "/pictures/thumb/a%2Fb.png", "/pictures/thumb"}) {
    auto r = service.client().Get(path);
    ASSERT_TRUE(r) << path;
    EXPECT_EQ(r->status, 404) << path;
  }
}

}  // namespace
}  // namespace sampletest
