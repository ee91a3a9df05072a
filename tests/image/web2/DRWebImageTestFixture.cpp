#include "tests/image/web2/DRWebImageTestFixture.h"

#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/threads/Thread.h"

namespace imagetest {

Ref<image::DRImageCache> DRWebImageTest::makeDRCache(const std::string& name) {
  return image::DRImageCache::create(fd::String(home + "/dr-" + name));
}

Ref<image::DRWebImageManager> DRWebImageTest::makeDRManager(const Ref<image::DRImageCache>& cache) {
  auto queue = fd::OperationQueue::create();
  queue->setMaxConcurrentOperationCount(6);
  return image::DRWebImageManager::create(cache, queue);
}

image::DRWebImageCompletionBlock DRWebImageTest::collect(std::vector<DRReport>& reports) {
  // Reports of a bare operation come on the network thread; the test reads them on the main
  // thread, in the order they were made.
  return [&reports](const Ref<gfx::Image>& image, const Ref<fd::URL>& url, image::DRWebImageFrom from,
                    image::DRWebImageStage stage, const Ref<fd::Error>& error) {
    DRReport report{image, url, from, stage, error, fd::Thread::isMainThread()};
    if (report.onMain) reports.push_back(report);
    else dispatch::mainQueue()->async([&reports, report] { reports.push_back(report); });
  };
}

bool DRWebImageTest::hasFinal(const std::vector<DRReport>& reports) {
  for (const auto& r : reports)
    if (r.stage != image::DRWebImageStage::Progress) return true;
  return false;
}

}  // namespace imagetest
