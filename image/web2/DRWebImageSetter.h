#pragma once
// The request slot of one target (an image view's image, a layer's contents, one button
// state...): the URL last asked for, the one operation serving it, and a sentinel that moves on
// whenever the request is replaced, cancelled or abandoned. A request set up on the shared
// serial setter queue after its sentinel moved on is reported cancelled and never reaches the
// network.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "image/web2/DRWebImageOptions.h"
#include "platform/dispatch/Queue.h"
#include "platform/runtime/Class.h"

namespace image {

class DRWebImageManager;
class DRWebImageOperation;

class DRWebImageSetter : public rt::Object {
  RT_CLASS_NAMED(DRWebImageSetter, rt::Object, "_DRWebImageSetter")
 public:
  ~DRWebImageSetter() override;

  Ref<fd::URL> imageURL() const;
  /// Cancels the held operation, stores `url` and moves the sentinel on; answers the new value
  /// (the request's sentinel).
  int32_t cancelWithNewURL(const Ref<fd::URL>& url);
  int32_t cancel() { return cancelWithNewURL(nullptr); }
  /// On the setter queue: starts the request's operation unless it has been overtaken.
  void setOperationWithSentinel(int32_t sentinel, const Ref<fd::URL>& url, DRWebImageOptions options,
                                const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                                DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion);
  /// The one serial queue of all setters.
  static Ref<dispatch::Queue> setterQueue();

  int32_t sentinel() const { return sentinel_.load(); }
  Ref<DRWebImageOperation> operation() const;

 private:
  mutable std::mutex lock_;
  Ref<fd::URL> imageURL_;
  Ref<DRWebImageOperation> operation_;
  std::atomic<int32_t> sentinel_{0};
};

}  // namespace image
