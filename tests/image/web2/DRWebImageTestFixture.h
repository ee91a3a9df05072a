#pragma once
// The second pipeline against the sample service and scripted servers on 127.0.0.1, with its
// caches in the suite's temporary home; completions are collected on the main loop.
#include <vector>

#include "image/web2/DRImageCache.h"
#include "image/web2/DRWebImageManager.h"
#include "platform/foundation/Error.h"
#include "platform/graphics/Image.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/dispatch/Queue.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {

struct DRReport {
  Ref<gfx::Image> image;
  Ref<fd::URL> url;
  image::DRWebImageFrom from;
  image::DRWebImageStage stage;
  Ref<fd::Error> error;
  bool onMain;
};

class DRWebImageTest : public ImagePipelineTest {
 protected:
  /// A cache in its own folder of the temporary home; the same name reads the same folder.
  Ref<image::DRImageCache> makeDRCache(const std::string& name);
  /// A manager over `cache` with an operation queue of its own (6 at a time).
  Ref<image::DRWebImageManager> makeDRManager(const Ref<image::DRImageCache>& cache);
  /// A completion block that appends to `reports`.
  static image::DRWebImageCompletionBlock collect(std::vector<DRReport>& reports);
  /// True once `reports` holds a final report (stage finished or cancelled).
  static bool hasFinal(const std::vector<DRReport>& reports);
};

}  // namespace imagetest
