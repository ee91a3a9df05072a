#include <gtest/gtest.h>

#include <algorithm>

#include "net/http/NKHTTPRequestOperation.h"
#include "net/http/ui/NKButtonImageLoader.h"
#include "net/http/ui/NKImageCache.h"
#include "net/http/ui/NKImageViewImageLoader.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/host/Application.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

using namespace net;
using nettest::requestFor;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

Reply png(size_t w, size_t h, double delay = 0) {
  auto data = gfx::UIImagePNGRepresentation(gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(w, h, false)));
  Reply r = Reply::text(std::string(reinterpret_cast<const char*>(data->bytes()), data->length()));
  r.contentType = "image/png";
  r.delayBeforeHeaders = delay;
  return r;
}

// In pixels: the serializer gives pictures the screen's scale.
double widthOf(const Ref<ui::ImageView>& v) { return v->image() ? v->image()->size().width * v->image()->scale() : 0; }

class ImageViewRequests : public ::testing::Test {
 protected:
  void SetUp() override { NKImageViewImageLoader::setSharedImageCache(rt::make<NKImageCache>()); }
  void TearDown() override { NKImageViewImageLoader::setSharedImageCache(nullptr); }
};

}  // namespace

TEST_F(ImageViewRequests, ALateAnswerForAReplacedRequestIsDropped) {
  TestServer server;
  server.route("/slow.png", png(30, 30, 0.5));
  server.route("/fast.png", png(10, 10));
  auto view = rt::make<ui::ImageView>();
  int successes = 0;
  setImageWithURLRequest(view, requestFor(server.url("/slow.png")), nullptr,
                         [&](auto&, auto&, auto&) { ++successes; }, nullptr);
  setImageWithURL(view, testsupport::urlOf(server.url("/fast.png")));
  ASSERT_TRUE(waitUntil([&] { return widthOf(view) > 0; }));
  EXPECT_EQ(widthOf(view), 10);
  waitUntil([] { return false; }, 0.8);
  EXPECT_EQ(widthOf(view), 10);
  EXPECT_EQ(successes, 0);
  // The two requests race to the server: find the URL form's by its path, not by its place.
  auto requests = server.requests();
  auto fast = std::find_if(requests.begin(), requests.end(), [](const auto& r) { return r.path == "/fast.png"; });
  ASSERT_NE(fast, requests.end());
  EXPECT_EQ(fast->header("Accept").value_or(""), "image/*");

  // Replaced by a request for the same URL: only the newer answer is acted on.
  auto again = rt::make<ui::ImageView>();
  int first = 0, second = 0;
  auto bypass = requestFor(server.url("/slow.png"));
  bypass->setCachePolicy(fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
  setImageWithURLRequest(again, bypass, nullptr, [&](auto&, auto&, auto&) { ++first; }, nullptr);
  setImageWithURLRequest(again, bypass, nullptr, [&](auto&, auto&, auto&) { ++second; }, nullptr);
  ASSERT_TRUE(waitUntil([&] { return second == 1; }));
  waitUntil([] { return false; }, 0.3);
  EXPECT_EQ(first, 0);
}

TEST_F(ImageViewRequests, CacheAnswersSecondViewAndIsBypassedOrPurgedWhenAsked) {
  TestServer server;
  server.route("/p.png", png(12, 12));
  auto a = rt::make<ui::ImageView>();
  auto placeholder = gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(3, 3, false));
  setImageWithURL(a, testsupport::urlOf(server.url("/p.png")), placeholder);
  EXPECT_EQ(widthOf(a), 3);  // the placeholder shows while the request runs
  ASSERT_TRUE(waitUntil([&] { return widthOf(a) == 12; }));

  // Cached: the handler is called at once, with no response, and the view is left to it.
  auto b = rt::make<ui::ImageView>();
  bool hit = false, hadResponse = true;
  setImageWithURLRequest(b, requestFor(server.url("/p.png")), nullptr,
                         [&](auto&, const Ref<fd::HTTPURLResponse>& response, const Ref<gfx::Image>& image) {
                           hit = image != nullptr;
                           hadResponse = response != nullptr;
                         },
                         nullptr);
  EXPECT_TRUE(hit);
  EXPECT_FALSE(hadResponse);
  EXPECT_FALSE(b->image());
  EXPECT_EQ(server.requestCount(), 1u);

  for (auto policy : {fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData,
                      fd::URLRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData}) {
    auto r = requestFor(server.url("/p.png"));
    r->setCachePolicy(policy);
    EXPECT_FALSE(NKImageViewImageLoader::sharedImageCache()->cachedImageForRequest(r));
  }

  NKImageViewImageLoader::setSharedImageCache(nullptr);
  auto defaults = NKImageCache::defaultCache();
  defaults->cacheImage(placeholder, requestFor(server.url("/p.png")));
  ASSERT_TRUE(defaults->cachedImageForRequest(requestFor(server.url("/p.png"))));
  fd::NotificationCenter::defaultCenter()->post(fd::String(ui::UIApplicationDidReceiveMemoryWarningNotification));
  ASSERT_TRUE(waitUntil([&] { return !defaults->cachedImageForRequest(requestFor(server.url("/p.png"))); }));
}

TEST_F(ImageViewRequests, FailureKeepsThePlaceholderAndReports) {
  TestServer server;
  server.route("/bad.png", Reply::text("nope", 500));
  auto view = rt::make<ui::ImageView>();
  auto placeholder = gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(4, 4, false));
  Ref<fd::Error> error;
  setImageWithURLRequest(view, requestFor(server.url("/bad.png")), placeholder, nullptr,
                         [&](auto&, auto&, const Ref<fd::Error>& e) { error = e; });
  ASSERT_TRUE(waitUntil([&] { return error != nullptr; }));
  EXPECT_EQ(widthOf(view), 4);
}

TEST_F(ImageViewRequests, ButtonSlotsPerStateClassAndReplacedAnswersDropped) {
  TestServer server;
  server.route("/slow.png", png(30, 30, 0.5));
  server.route("/fast.png", png(10, 10));
  server.route("/bg.png", png(8, 8));
  auto button = rt::make<ui::Button>();
  auto loader = NKButtonImageLoader::loaderFor(button);
  auto pixels = [](const Ref<gfx::Image>& i) { return i ? i->size().width * i->scale() : 0; };

  // State 3 (highlighted and disabled together) is the normal slot.
  loader->setImageForState(3, requestFor(server.url("/slow.png")), nullptr, nullptr, nullptr);
  EXPECT_TRUE(loader->imageRequestOperationForState(0));
  EXPECT_FALSE(loader->imageRequestOperationForState(1));
  auto replaced = loader->imageRequestOperationForState(0);
  setImageForState(button, 0, testsupport::urlOf(server.url("/fast.png")));
  EXPECT_TRUE(replaced->isCancelled());
  setBackgroundImageForState(button, 4, testsupport::urlOf(server.url("/bg.png")));
  ASSERT_TRUE(waitUntil([&] {
    return pixels(button->imageForState(0)) == 10 && pixels(button->backgroundImageForState(4)) == 8;
  }));
  waitUntil([] { return false; }, 0.7);
  EXPECT_EQ(pixels(button->imageForState(0)), 10);

  // Cached now: a second button is answered without a request.
  const size_t before = server.requestCount();
  auto other = rt::make<ui::Button>();
  setImageForState(other, 0, testsupport::urlOf(server.url("/fast.png")));
  EXPECT_EQ(pixels(other->imageForState(0)), 10);
  EXPECT_EQ(server.requestCount(), before);
}

namespace {

/// A cache of the application's own, not a kind of the default one: a single picture for one
/// URL, and a record of what it was asked to keep.
class OnePictureCache : public rt::Object, public NKImageCacheProtocol {
  RT_CLASS(OnePictureCache, rt::Object)
 public:
  Ref<gfx::Image> cachedImageForRequest(const Ref<fd::URLRequest>& request) override {
    std::lock_guard g(mutex);
    ++lookups;
    return request->URL()->absoluteString() == servedURL ? served : nullptr;
  }
  void cacheImage(const Ref<gfx::Image>& image, const Ref<fd::URLRequest>& request) override {
    std::lock_guard g(mutex);
    stored.emplace_back(request->URL()->absoluteString(), image);
  }
  std::mutex mutex;
  fd::String servedURL;
  Ref<gfx::Image> served;
  int lookups = 0;
  std::vector<std::pair<fd::String, Ref<gfx::Image>>> stored;
};
RT_IMPLEMENT(OnePictureCache) {}

}  // namespace

TEST_F(ImageViewRequests, AnyObjectAnsweringTheCacheOperationsServesViewsAndButtons) {
  TestServer server;
  server.route("/miss.png", png(14, 14));
  auto cache = rt::make<OnePictureCache>();
  cache->servedURL = fd::String(server.url("/hit.png"));
  cache->served = gfx::Image::imageWithCGImage(gfx::BitmapImage::createNative(6, 6, false));
  NKImageViewImageLoader::setSharedImageCache(cache);
  EXPECT_EQ(NKButtonImageLoader::sharedImageCache(), cache);  // buttons share the views' cache

  auto view = rt::make<ui::ImageView>();
  setImageWithURL(view, testsupport::urlOf(server.url("/hit.png")));
  EXPECT_EQ(view->image(), cache->served);  // answered at once, without a request
  EXPECT_EQ(server.requestCount(), 0u);

  auto button = rt::make<ui::Button>();
  setImageForState(button, 0, testsupport::urlOf(server.url("/miss.png")));
  ASSERT_TRUE(waitUntil([&] {
    std::lock_guard g(cache->mutex);
    return !cache->stored.empty();
  }));
  std::lock_guard g(cache->mutex);
  EXPECT_EQ(cache->lookups, 2);
  ASSERT_EQ(cache->stored.size(), 1u);
  EXPECT_EQ(cache->stored[0].first.utf8(), server.url("/miss.png"));
  ASSERT_TRUE(cache->stored[0].second);
  EXPECT_EQ(cache->stored[0].second->size().width * cache->stored[0].second->scale(), 14);
}
