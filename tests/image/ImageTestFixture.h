#pragma once
// Runs the web-image pipeline for real: the caches in a temporary home folder, the sample
// service (and a scripted server for answers it never gives) on 127.0.0.1, and the main run
// loop pumped by the test while downloads run on their own threads.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "image/web/WIImageCache.h"
#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageManager.h"
#include "tests/support/TestServer.h"
#include "tools/sample-service/service/SampleServer.h"

namespace imagetest {

class ImagePipelineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  /// "http://127.0.0.1:port/pictures/" + path on the sample service.
  static std::string picture(const std::string& path);
  static Ref<fd::URL> pictureURL(const std::string& path);
  /// Pumps the main loop until `done` holds; false after `seconds`.
  static bool pump(const std::function<bool()>& done, double seconds = 20);
  /// A cache of its own in the temporary home (a second call with the same name reads the
  /// same folder).
  Ref<image::WIImageCache> makeCache(const std::string& name = "test");
  /// A manager over `cache` with a downloader of its own.
  Ref<image::WIWebImageManager> makeManager(const Ref<image::WIImageCache>& cache);
  testsupport::TestServer& scripted();
  /// The encoded picture the sample service serves for `path` ("banner/x.jpg").
  static std::vector<uint8_t> sampleBytes(const std::string& path);

  static std::unique_ptr<sample::SampleServer> service;
  static std::string home;
  std::unique_ptr<testsupport::TestServer> scripted_;
};

}  // namespace imagetest
