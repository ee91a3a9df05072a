// The manager's options and hooks: refreshing a cached image, the delegate's veto and transform,
// cancelling every load, the memory-only store and the cache key filter.
#include <httplib.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "image/web/WIWebImageManager.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "tests/image/ImageSamples.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;

/// Every call one load made, in order.
struct Calls {
  struct Call {
    Ref<gfx::Image> image;
    Ref<fd::Error> error;
    WICacheType type;
    bool finished;
  };
  std::vector<Call> calls;
  WIManagerCompletedBlock block() {
    return [this](Ref<gfx::Image> i, Ref<fd::Error> e, WICacheType t, bool f, Ref<fd::URL>) {
      calls.push_back({i, e, t, f});
    };
  }
};

Ref<gfx::Image> solid(uint32_t side, uint32_t argb) {
  return gfx::Image::imageWithCGImage(image_samples::solidBitmap(side, side, argb), 1);
}

/// Vetoes URLs whose path holds "veto"; replaces images of URLs holding "swap" by a 7x7 one and
/// drops those holding "drop".
class VetoingDelegate : public WIWebImageManagerDelegate {
  RT_CLASS(VetoingDelegate, WIWebImageManagerDelegate)
 public:
  bool shouldDownloadImageForURL(WIWebImageManager&, const Ref<fd::URL>& url) override {
    ++asked;
    return url->absoluteString().utf8().find("veto") == std::string::npos;
  }
  Ref<gfx::Image> transformDownloadedImage(WIWebImageManager&, const Ref<gfx::Image>& image,
                                           const Ref<fd::URL>& url) override {
    const std::string s = url->absoluteString().utf8();
    if (s.find("drop") != std::string::npos) return nullptr;
    if (s.find("swap") != std::string::npos) return replacement;
    return image;
  }
  std::atomic<int> asked{0};
  Ref<gfx::Image> replacement = solid(7, 0xff00ff00u);
};
RT_IMPLEMENT(VetoingDelegate) {
  WIWebImageManagerDelegate::implement(
      c.cls(), {WIWebImageManagerDelegate::kShouldDownloadImageForURL, WIWebImageManagerDelegate::kTransformDownloadedImage});
}

class WIWebImageManagerOptionsTest : public ImagePipelineTest {
 protected:
  void SetUp() override {
    ImagePipelineTest::SetUp();
    // A URL cache of this test's own, so no response outlives it.
    savedURLCache_ = fd::URLCache::sharedURLCache();
    fd::URLCache::setSharedURLCache(fd::URLCache::create(4 << 20, 0, fd::String()));
  }
  void TearDown() override {
    fd::URLCache::setSharedURLCache(savedURLCache_);
    ImagePipelineTest::TearDown();
  }
  static testsupport::Reply pngReply(const std::string& picturePath, const std::string& cacheControl = "") {
    testsupport::Reply reply;
    reply.contentType = "image/png";
    auto bytes = sampleBytes(picturePath);
    reply.body.assign(bytes.begin(), bytes.end());
    if (!cacheControl.empty()) reply.headers.push_back({"Cache-Control", cacheControl});
    return reply;
  }
  Ref<fd::URLCache> savedURLCache_;
};

// With a cached image, a refresh answers with it at once and then with what the server sends
// now.
TEST_F(WIWebImageManagerOptionsTest, RefreshCachedAnswersTheCachedImageThenTheNewOne) {
  auto manager = makeManager(makeCache("refresh"));
  auto& server = scripted();
  server.route("/changing.png", pngReply("thumb/refresh-new.png", "no-store"));
  auto url = fd::URL::URLWithString(server.url("/changing.png"));
  auto old = solid(5, 0xffff0000u);
  manager->saveImageToCache(old, url);

  Calls changed;
  manager->downloadImageWithURL(url, WIManagerRefreshCached, nullptr, changed.block());
  ASSERT_TRUE(pump([&] { return changed.calls.size() >= 2; }));
  EXPECT_EQ(changed.calls[0].image, old);
  EXPECT_EQ(changed.calls[0].type, WICacheTypeMemory);
  EXPECT_TRUE(changed.calls[0].finished);
  ASSERT_TRUE(changed.calls[1].image);
  EXPECT_EQ(changed.calls[1].image->pixelSize().width, 200);
  EXPECT_EQ(changed.calls[1].type, WICacheTypeNone);
  ASSERT_TRUE(pump([&] { return !manager->isRunning(); }));
  EXPECT_EQ(changed.calls.size(), 2u);
}

// When the URL cache answers a refresh (a stored response still fresh, or one the server
// confirms with a 304), the cached image is the only answer; a server that sends a new
// picture gives a second one. The server counts what it is asked.
TEST_F(WIWebImageManagerOptionsTest, RefreshCachedAnswersOnceWhenTheURLCacheReplies) {
  auto& server = scripted();
  auto bytes = sampleBytes("thumb/refresh-new.png");
  std::mutex m;
  std::vector<std::string> asked;
  auto png = [&](const std::string& cacheControl, const std::string& etag) {
    return [&, cacheControl, etag](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard l(m);
      asked.push_back(req.path + " " + req.get_header_value("If-None-Match"));
      res.set_header("Cache-Control", cacheControl);
      res.set_header("ETag", etag);
      if (req.get_header_value("If-None-Match") == etag) {
        res.status = 304;
        return;
      }
      res.set_content(std::string(bytes.begin(), bytes.end()), "image/png");
    };
  };
  std::atomic<int> version = 0;  // the server answers on threads of its own
  server.route("/fresh.png", png("max-age=600", "\"f\""));
  server.route("/checked.png", png("no-cache", "\"c\""));
  server.route("/changing.png", [&](const httplib::Request& req, httplib::Response& res) {
    png("no-cache", "\"v" + std::to_string(++version) + "\"")(req, res);
  });
  struct Case {
    const char* path;
    size_t calls;                   // on the refresh
    std::string conditionAsked;  // by the refresh; empty when it asked nothing
  } cases[] = {
      {"/fresh.png", 1, ""},
      {"/checked.png", 1, "/checked.png \"c\""},
      {"/changing.png", 2, "/changing.png \"v1\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto manager = makeManager(makeCache(std::string("refresh-url-cache") + std::to_string(c.calls) + c.path[1]));
    auto url = fd::URL::URLWithString(server.url(c.path));
    // The first load fills both the image cache and the URL cache.
    Calls first;
    manager->downloadImageWithURL(url, WIManagerRefreshCached, nullptr, first.block());
    ASSERT_TRUE(pump([&] { return !first.calls.empty() && !manager->isRunning(); }));
    ASSERT_EQ(first.calls.size(), 1u);
    ASSERT_TRUE(first.calls[0].image);
    size_t before;
    {
      std::lock_guard l(m);
      before = asked.size();
    }
    Calls refresh;
    manager->downloadImageWithURL(url, WIManagerRefreshCached, nullptr, refresh.block());
    ASSERT_TRUE(pump([&] { return !refresh.calls.empty() && !manager->isRunning(); }));
    ASSERT_EQ(refresh.calls.size(), c.calls);
    EXPECT_TRUE(refresh.calls[0].image);
    EXPECT_NE(refresh.calls[0].type, WICacheTypeNone);
    if (c.calls == 2) {
      ASSERT_TRUE(refresh.calls[1].image);
      EXPECT_EQ(refresh.calls[1].type, WICacheTypeNone);
    }
    std::lock_guard l(m);
    if (c.conditionAsked.empty()) {
      EXPECT_EQ(asked.size(), before) << "the server was asked";
    } else {
      ASSERT_EQ(asked.size(), before + 1);
      EXPECT_EQ(asked.back(), c.conditionAsked);
    }
  }
}

TEST_F(WIWebImageManagerOptionsTest, TheDelegateVetoesDownloadsAndTransformsImages) {
  auto manager = makeManager(makeCache("delegate"));
  auto delegate = rt::make<VetoingDelegate>();
  manager->setDelegate(delegate);
  auto& server = scripted();
  for (const char* path : {"/veto.png", "/swap.png", "/drop.png", "/plain.png"})
    server.route(path, pngReply("thumb/delegate.png"));

  // A vetoed image the cache lacks: (nil, nil, none, finished) without a request.
  auto vetoed = fd::URL::URLWithString(server.url("/veto.png"));
  Calls refused;
  manager->downloadImageWithURL(vetoed, 0, nullptr, refused.block());
  ASSERT_TRUE(pump([&] { return !refused.calls.empty(); }));
  EXPECT_FALSE(refused.calls[0].image);
  EXPECT_FALSE(refused.calls[0].error);
  EXPECT_TRUE(refused.calls[0].finished);
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_FALSE(manager->isRunning());
  // A vetoed image the cache has is reported as usual; the delegate is not asked.
  auto cached = solid(4, 0xff0000ffu);
  manager->saveImageToCache(cached, vetoed);
  const int asked = delegate->asked;
  Calls hit;
  manager->downloadImageWithURL(vetoed, 0, nullptr, hit.block());
  ASSERT_EQ(hit.calls.size(), 1u);
  EXPECT_EQ(hit.calls[0].image, cached);
  EXPECT_EQ(delegate->asked, asked);

  struct Case {
    const char* path;
    bool replaced;
    bool dropped;
  };
  for (const Case& c : {Case{"/swap.png", true, false}, Case{"/drop.png", false, true}, Case{"/plain.png", false, false}}) {
    SCOPED_TRACE(c.path);
    auto url = fd::URL::URLWithString(server.url(c.path));
    Calls load;
    manager->downloadImageWithURL(url, 0, nullptr, load.block());
    ASSERT_TRUE(pump([&] { return !load.calls.empty() && !manager->isRunning(); }));
    ASSERT_EQ(load.calls.size(), 1u);
    EXPECT_FALSE(load.calls[0].error);
    manager->imageCache()->ioQueue()->sync([] {});
    auto stored = manager->imageCache()->imageFromMemoryCacheForKey(manager->cacheKeyForURL(url));
    if (c.dropped) {
      EXPECT_FALSE(load.calls[0].image);
      EXPECT_FALSE(stored);
      EXPECT_FALSE(manager->diskImageExistsForURL(url));
    } else if (c.replaced) {
      EXPECT_EQ(load.calls[0].image, delegate->replacement);
      EXPECT_EQ(stored, delegate->replacement);
    } else {
      ASSERT_TRUE(load.calls[0].image);
      EXPECT_EQ(load.calls[0].image->pixelSize().width, 200);
    }
  }
}

TEST_F(WIWebImageManagerOptionsTest, CancelAllSilencesEveryLoadInProgress) {
  auto manager = makeManager(makeCache("cancel-all"));
  auto& server = scripted();
  std::vector<Calls> loads(3);
  for (int i = 0; i < 3; ++i) {
    auto reply = pngReply("thumb/cancel-all.png");
    reply.delayBeforeHeaders = 0.5;
    const std::string path = "/slow" + std::to_string(i) + ".png";
    server.route(path, reply);
    manager->downloadImageWithURL(fd::URL::URLWithString(server.url(path)), 0, nullptr, loads[size_t(i)].block());
  }
  ASSERT_TRUE(pump([&] { return manager->imageDownloader()->currentDownloadCount() == 3; }, 5));
  EXPECT_EQ(manager->runningOperations().size(), 3u);
  manager->cancelAll();
  EXPECT_TRUE(manager->runningOperations().empty());
  EXPECT_FALSE(manager->isRunning());
  ASSERT_TRUE(pump([&] { return manager->imageDownloader()->currentDownloadCount() == 0; }, 5));
  // Past the time the answers would have come.
  pump([] { return false; }, 1.0);
  for (const auto& load : loads) EXPECT_TRUE(load.calls.empty());
}

TEST_F(WIWebImageManagerOptionsTest, MemoryCacheOnlyKeepsTheDiskOutOfIt) {
  auto manager = makeManager(makeCache("memory-only"));
  struct Case {
    const char* path;
    WIManagerOptions options;
    bool onDisk;
  };
  for (const Case& c : {Case{"thumb/memory-only.png", WIManagerMemoryCacheOnly, false},
                        Case{"thumb/both-levels.png", 0, true}}) {
    SCOPED_TRACE(c.path);
    auto url = pictureURL(c.path);
    Calls load;
    manager->downloadImageWithURL(url, c.options, nullptr, load.block());
    ASSERT_TRUE(pump([&] { return !load.calls.empty() && !manager->isRunning(); }));
    ASSERT_TRUE(load.calls[0].image);
    manager->imageCache()->ioQueue()->sync([] {});
    EXPECT_TRUE(manager->imageCache()->imageFromMemoryCacheForKey(manager->cacheKeyForURL(url)));
    EXPECT_EQ(manager->diskImageExistsForURL(url), c.onDisk);
  }
}

// A filter that drops the query: addresses that differ only there share one cached image.
TEST_F(WIWebImageManagerOptionsTest, TheCacheKeyFilterNamesTheCachedImage) {
  auto manager = makeManager(makeCache("key-filter"));
  manager->setCacheKeyFilter([](const Ref<fd::URL>& url) -> std::optional<fd::String> {
    const std::string s = url->absoluteString().utf8();
    return fd::String(s.substr(0, s.find('?')));
  });
  auto& server = scripted();
  server.route("/keyed.png", pngReply("thumb/keyed.png"));
  auto signedOnce = fd::URL::URLWithString(server.url("/keyed.png") + "?token=1");
  auto signedAgain = fd::URL::URLWithString(server.url("/keyed.png") + "?token=2");
  EXPECT_EQ(manager->cacheKeyForURL(signedOnce).value_or(fd::String()).utf8(), server.url("/keyed.png"));
  Calls first;
  manager->downloadImageWithURL(signedOnce, 0, nullptr, first.block());
  ASSERT_TRUE(pump([&] { return !first.calls.empty() && !manager->isRunning(); }));
  ASSERT_TRUE(first.calls[0].image);
  Calls second;
  manager->downloadImageWithURL(signedAgain, 0, nullptr, second.block());
  ASSERT_EQ(second.calls.size(), 1u);  // a memory hit, before the call returns
  EXPECT_EQ(second.calls[0].type, WICacheTypeMemory);
  EXPECT_EQ(server.requestCount(), 1u);
}

}  // namespace
}  // namespace imagetest
