#include "tests/image/ImageTestFixture.h"

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/foundation/net/URL.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "tools/sample-service/service/PictureMaker.h"

namespace imagetest {

std::unique_ptr<sample::SampleServer> ImagePipelineTest::service;
std::string ImagePipelineTest::home;

namespace {

// One temporary home for the whole program: the shared caches made by the first suite keep
// their folders in it, so it outlives every suite (and every repetition) and goes when the
// program ends.
struct TemporaryHome {
  std::string path;
  ~TemporaryHome() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};
TemporaryHome temporaryHome;

std::optional<std::string> savedOverride;

}  // namespace

void ImagePipelineTest::SetUpTestSuite() {
  if (home.empty()) {
    char pattern[] = "/tmp/kd-image-XXXXXX";
    home = ::mkdtemp(pattern);
    temporaryHome.path = home;
  }
  // Before any shared cache exists: every caches folder goes under the temporary home. Other
  // suites of the program find the variable as it was.
  const char* old = std::getenv("KD_HOME_OVERRIDE");
  savedOverride = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("KD_HOME_OVERRIDE", home.c_str(), 1);
  sample::ServiceOptions options;
  options.port = 0;
  service = std::make_unique<sample::SampleServer>(options);
  std::string error;
  ASSERT_TRUE(service->start(&error)) << error;
}

void ImagePipelineTest::TearDownTestSuite() {
  service->stop();
  service.reset();
  if (savedOverride) ::setenv("KD_HOME_OVERRIDE", savedOverride->c_str(), 1);
  else ::unsetenv("KD_HOME_OVERRIDE");
}

void ImagePipelineTest::SetUp() {}

void ImagePipelineTest::TearDown() {
  // Let queued main-queue work of this test run before the next one starts.
  fd::RunLoopDriver::runUntilIdle();
  scripted_.reset();
  fd::RunLoopDriver::reset();
}

std::string ImagePipelineTest::picture(const std::string& path) { return service->baseURL() + "/pictures/" + path; }

Ref<fd::URL> ImagePipelineTest::pictureURL(const std::string& path) { return fd::URL::URLWithString(picture(path)); }

bool ImagePipelineTest::pump(const std::function<bool()>& done, double seconds) {
  return fd::RunLoopDriver::runUntil(done, seconds);
}

Ref<image::WIImageCache> ImagePipelineTest::makeCache(const std::string& name) {
  return image::WIImageCache::create(fd::String(name), fd::String(home + "/caches-" + name));
}

Ref<image::WIWebImageManager> ImagePipelineTest::makeManager(const Ref<image::WIImageCache>& cache) {
  auto manager = image::WIWebImageManager::create();
  manager->setImageCache(cache);
  manager->setImageDownloader(image::WIWebImageDownloader::create());
  return manager;
}

testsupport::TestServer& ImagePipelineTest::scripted() {
  if (!scripted_) scripted_ = std::make_unique<testsupport::TestServer>();
  return *scripted_;
}

std::vector<uint8_t> ImagePipelineTest::sampleBytes(const std::string& path) {
  sample::PictureMaker maker(1);
  auto request = sample::parsePicturePath(path);
  auto bytes = request ? maker.picture(*request) : nullptr;
  return bytes ? *bytes : std::vector<uint8_t>{};
}

}  // namespace imagetest
