#include <cstdio>

#include "image/web2/DRWebImageOperation.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "tests/image/ProgressiveJpeg.h"
#include "tests/image/web2/DRWebImageTestFixture.h"
#include "tests/support/HostileServer.h"

namespace imagetest {
namespace {

using namespace image;
using From = DRWebImageFrom;
using Stage = DRWebImageStage;

class DRWebImageOperationTest : public DRWebImageTest {
 protected:
  std::vector<DRReport> load(const Ref<DRWebImageManager>& manager, const std::string& url, DRWebImageOptions options = 0) {
    std::vector<DRReport> reports;
    auto op = manager->requestImageWithURL(fd::URL::URLWithString(url), options, nullptr, nullptr, collect(reports));
    EXPECT_TRUE(op);
    EXPECT_TRUE(pump([&] { return hasFinal(reports); }));
    fd::RunLoopDriver::runUntilIdle();
    return reports;
  }
};

TEST_F(DRWebImageOperationTest, NetworkThenMemoryThenDiskAcrossARestart) {
  const std::string url = picture("banner/dr-levels.jpg");
  auto before = makeDRCache("levels");
  auto first = load(makeDRManager(before), url);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].from, From::Remote);
  EXPECT_EQ(first[0].stage, Stage::Finished);
  ASSERT_TRUE(first[0].image);
  EXPECT_EQ(first[0].image->CGImage()->width(), 750u);
  EXPECT_FALSE(first[0].onMain);

  // The store runs in the background: wait until the cache that stores it has it on disk (a
  // cache opened on the folder before then may never learn of it), then "restart".
  ASSERT_TRUE(pump([&] { return before->containsImageForKey(fd::String(url), DRImageCacheTypeDisk); }, 10));
  before = nullptr;
  auto cache = makeDRCache("levels");
  auto manager = makeDRManager(cache);
  ASSERT_TRUE(cache->containsImageForKey(fd::String(url), DRImageCacheTypeDisk));
  auto fromDisk = load(manager, url);
  ASSERT_EQ(fromDisk.size(), 1u);
  EXPECT_EQ(fromDisk[0].from, From::DiskCache);
  ASSERT_TRUE(pump([&] { return cache->containsImageForKey(fd::String(url), DRImageCacheTypeMemory); }, 10));
  auto fromMemory = load(manager, url);
  ASSERT_EQ(fromMemory.size(), 1u);
  EXPECT_EQ(fromMemory[0].from, From::MemoryCache);
  // Reload skips both levels.
  auto reloaded = load(manager, url, DRWebImageOptionReloadCache);
  ASSERT_EQ(reloaded.size(), 1u);
  EXPECT_EQ(reloaded[0].from, From::Remote);
}

TEST_F(DRWebImageOperationTest, RequestCarriesTheAcceptHeaderAndFailuresEndWithOneReport) {
  auto manager = makeDRManager(makeDRCache("failures"));
  scripted().route("/ok.png", [] {
    auto bytes = sampleBytes("thumb/hdr.png");
    testsupport::Reply r;
    r.contentType = "image/png";
    r.body.assign(bytes.begin(), bytes.end());
    return r;
  }());
  scripted().route("/missing.png", testsupport::Reply::text("gone", 404));
  scripted().route("/same.png", testsupport::Reply::text("", 304));
  scripted().route("/garbage.png", testsupport::Reply::text("definitely not an image, but long enough"));
  auto ok = load(manager, scripted().url("/ok.png"));
  ASSERT_EQ(ok.size(), 1u);
  EXPECT_TRUE(ok[0].image);
  bool sawAccept = false;
  for (const auto& r : scripted().requests())
    if (r.path == "/ok.png") sawAccept = r.header("Accept") == std::optional<std::string>("image/webp,image/*;q=0.8");
  EXPECT_TRUE(sawAccept);

  struct Case {
    const char* path;
    const char* domain;
    int64_t code;
    From from;
  };
  for (const Case& c : {Case{"/missing.png", fd::NSURLErrorDomain, 404, From::None},
                        Case{"/same.png", fd::NSURLErrorDomain, 304, From::None},
                        Case{"/garbage.png", DRImageErrorDomain, -1, From::Remote},
                        Case{"/nobody-listens.png", fd::NSURLErrorDomain, fd::NSURLErrorCannotConnectToHost, From::None}}) {
    SCOPED_TRACE(c.path);
    std::string url = std::string(c.path) == "/nobody-listens.png" ? "http://127.0.0.1:1/x.png" : scripted().url(c.path);
    auto reports = load(manager, url);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].image);
    EXPECT_EQ(reports[0].stage, Stage::Finished);
    EXPECT_EQ(reports[0].from, c.from);
    ASSERT_TRUE(reports[0].error);
    EXPECT_EQ(reports[0].error->domain(), fd::String(c.domain));
    EXPECT_EQ(reports[0].error->code(), c.code);
  }
}

TEST_F(DRWebImageOperationTest, BlacklistedFailuresFailAtOnceWithoutTheNetwork) {
  auto manager = makeDRManager(nullptr);
  scripted().route("/bl.png", testsupport::Reply::text("gone", 404));
  auto first = load(manager, scripted().url("/bl.png"), DRWebImageOptionBlacklistFailures);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].error->code(), 404);
  const size_t served = scripted().requests().size();
  auto second = load(manager, scripted().url("/bl.png"), DRWebImageOptionBlacklistFailures);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].error->code(), fd::NSURLErrorFileDoesNotExist);
  EXPECT_EQ(scripted().requests().size(), served);
}

TEST_F(DRWebImageOperationTest, AHostileContentLengthNeitherReservesItNorHidesTheShortBody) {
  testsupport::HostileServer hostile;
  auto bytes = sampleBytes("thumb/hostile.png");
  std::string body(bytes.begin(), bytes.end());
  // Announces a petabyte, sends the picture and closes.
  hostile.route("/huge.png", testsupport::HostileScript::answer(
                                 "HTTP/1.1 200 OK", {"Content-Type: image/png", "Content-Length: 1000000000000000",
                                                     "Connection: close"},
                                 body)
                                 .reset());
  auto reports = load(makeDRManager(nullptr), hostile.url("/huge.png"));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].stage, Stage::Finished);
  EXPECT_FALSE(reports[0].image);
  EXPECT_TRUE(reports[0].error);
}

TEST_F(DRWebImageOperationTest, ProgressivePartialsHaveFullSizeWithTheUndecodedAreaTransparent) {
  auto baseline = sampleBytes("banner/dr-partial.jpg");
  testsupport::Reply reply;
  reply.contentType = "image/jpeg";
  reply.body.assign(baseline.begin(), baseline.end());
  reply.chunkSize = reply.body.size() / 6 + 1;
  reply.delayBetweenChunks = 0.25;
  scripted().route("/baseline.jpg", reply);
  auto reports = load(makeDRManager(nullptr), scripted().url("/baseline.jpg"), DRWebImageOptionProgressiveDisplay);
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.back().stage, Stage::Finished);
  ASSERT_TRUE(reports.back().image);
  bool sawTransparentBottom = false;
  for (size_t i = 0; i + 1 < reports.size(); ++i) {
    const auto& r = reports[i];
    EXPECT_EQ(r.stage, Stage::Progress);
    EXPECT_EQ(r.from, From::Remote);
    ASSERT_TRUE(r.image);
    auto cg = r.image->CGImage();
    ASSERT_EQ(cg->width(), 750u);
    ASSERT_EQ(cg->height(), 400u);
    EXPECT_NE(cg->pixel(10, 2) >> 24, 0u);  // the top rows arrived first
    if ((cg->pixel(10, 398) >> 24) == 0) sawTransparentBottom = true;
  }
  EXPECT_TRUE(sawTransparentBottom);

  // Blurred partials only come for progressive pictures: a baseline one gives none.
  auto blurredBaseline =
      load(makeDRManager(nullptr), scripted().url("/baseline.jpg"), DRWebImageOptionBlurredProgressive);
  EXPECT_EQ(blurredBaseline.size(), 1u);

  testsupport::Reply progressive = reply;
  progressive.body = progressiveJPEG(640, 480);
  progressive.chunkSize = progressive.body.size() / 12 + 1;
  progressive.delayBetweenChunks = 0.45;
  scripted().route("/progressive.jpg", progressive);
  auto blurred = load(makeDRManager(nullptr), scripted().url("/progressive.jpg"), DRWebImageOptionBlurredProgressive);
  ASSERT_GE(blurred.size(), 2u);
  for (size_t i = 0; i + 1 < blurred.size(); ++i) {
    EXPECT_EQ(blurred[i].stage, Stage::Progress);
    EXPECT_EQ(blurred[i].image->CGImage()->width(), 640u);
  }
}

TEST_F(DRWebImageOperationTest, CancelReportsOnceAndNothingFollows) {
  testsupport::Reply slow;
  slow.contentType = "image/jpeg";
  auto bytes = sampleBytes("banner/dr-slow.jpg");
  slow.body.assign(bytes.begin(), bytes.end());
  slow.chunkSize = 512;
  slow.delayBetweenChunks = 0.05;
  scripted().route("/slow.jpg", slow);
  std::vector<DRReport> reports;
  std::vector<int64_t> progress;
  auto manager = makeDRManager(nullptr);
  auto op = manager->requestImageWithURL(
      fd::URL::URLWithString(scripted().url("/slow.jpg")), DRWebImageOptionProgressiveDisplay,
      [&](int64_t received, int64_t) { dispatch::mainQueue()->async([&progress, received] { progress.push_back(received); }); },
      nullptr, collect(reports));
  ASSERT_TRUE(pump([&] { return progress.size() >= 3; }));
  op->cancel();
  ASSERT_TRUE(pump([&] { return hasFinal(reports); }));
  // The server stops, and with it the chunks it still had to send: whatever had come by then
  // is handled, and nothing follows the report.
  scripted_.reset();
  fd::RunLoopDriver::runUntilIdle();
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().stage, Stage::Cancelled);
  EXPECT_FALSE(reports.back().image);
  EXPECT_FALSE(reports.back().error);
  size_t finals = 0;
  for (const auto& r : reports) finals += r.stage != Stage::Progress;
  EXPECT_EQ(finals, 1u);
  EXPECT_TRUE(op->isFinished());
  EXPECT_TRUE(op->isCancelled());
}

TEST_F(DRWebImageOperationTest, ManagerSettingsShapeTheRequest) {
  auto manager = makeDRManager(nullptr);
  EXPECT_EQ(manager->timeout, 15.0);
  manager->cacheKeyFilter = [](const Ref<fd::URL>&) { return std::optional<fd::String>(); };
  manager->username = fd::String("only-a-name");
  bool sharedUsed = false, ownUsed = false;
  manager->sharedTransformBlock = [&](const Ref<gfx::Image>& i, const Ref<fd::URL>&) {
    sharedUsed = true;
    return i;
  };
  std::vector<DRReport> reports;
  auto url = pictureURL("thumb/dr-settings.png");
  auto op = manager->requestImageWithURL(url, 0, nullptr,
                                         [&](const Ref<gfx::Image>& i, const Ref<fd::URL>&) {
                                           ownUsed = true;
                                           return i;
                                         },
                                         collect(reports));
  ASSERT_TRUE(op);
  EXPECT_EQ(op->cacheKey(), url->absoluteString());
  EXPECT_FALSE(op->credential());
  EXPECT_FALSE(op->request()->HTTPShouldHandleCookies());
  EXPECT_EQ(op->request()->timeoutInterval(), 15.0);
  ASSERT_TRUE(pump([&] { return hasFinal(reports); }));
  EXPECT_TRUE(ownUsed);
  EXPECT_FALSE(sharedUsed);
  EXPECT_FALSE(manager->requestImageWithURL(nullptr, 0, nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace imagetest
