#pragma once
// The memory level of the image cache: a platform cache that empties itself when the
// application receives a memory warning.
#include "platform/foundation/values/Cache.h"

namespace image {

class AutoPurgeCache : public fd::Cache {
  RT_CLASS(AutoPurgeCache, fd::Cache)
 public:
  void init();
  static Ref<AutoPurgeCache> create() { return rt::make<AutoPurgeCache>(); }
};

}  // namespace image
