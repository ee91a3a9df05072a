#pragma once
// Entry point of the second pipeline: builds the URL request of an image URL from its
// settings (time-out, headers, cookies, cache policy), makes the operation that serves it, and
// runs that operation on its queue (or starts it at once when it has none). Its properties are
// set up before requests are made; requests only read them, from any thread.
#include <functional>
#include <optional>

#include "image/web2/DRWebImageOperation.h"

namespace fd {
class OperationQueue;
}

namespace image {

class DRImageCache;

class DRWebImageManager : public rt::Object {
  RT_CLASS(DRWebImageManager, rt::Object)
 public:
  using Headers = std::vector<std::pair<fd::String, fd::String>>;
  using HeadersFilter = std::function<Headers(const Ref<fd::URL>& url, const Headers& headers)>;
  using CacheKeyFilter = std::function<std::optional<fd::String>(const Ref<fd::URL>& url)>;

  /// Over the shared image cache, with a background-priority queue of its own.
  static Ref<DRWebImageManager> sharedManager();
  /// Raises: use the designated initializer.
  void init();
  void init(Ref<DRImageCache> cache, Ref<fd::OperationQueue> queue);
  static Ref<DRWebImageManager> create(Ref<DRImageCache> cache, Ref<fd::OperationQueue> queue) {
    return rt::make<DRWebImageManager>(std::move(cache), std::move(queue));
  }

  /// The new operation, queued or started; null when none could be made.
  Ref<DRWebImageOperation> requestImageWithURL(const Ref<fd::URL>& url, DRWebImageOptions options,
                                               DRWebImageProgressBlock progress, DRWebImageTransformBlock transform,
                                               DRWebImageCompletionBlock completion);
  /// Nullopt for a null URL.
  std::optional<Headers> headersForURL(const Ref<fd::URL>& url) const;
  /// Nullopt for a null URL (or a filter answering none).
  std::optional<fd::String> cacheKeyForURL(const Ref<fd::URL>& url) const;

  Ref<DRImageCache> cache;
  Ref<fd::OperationQueue> queue;
  DRWebImageTransformBlock sharedTransformBlock;
  double timeout = 15.0;
  std::optional<fd::String> username;
  std::optional<fd::String> password;
  Headers headers;
  HeadersFilter headersFilter;
  CacheKeyFilter cacheKeyFilter;
};

}  // namespace image
