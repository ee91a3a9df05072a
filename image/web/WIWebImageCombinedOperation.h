#pragma once
// The handle of one load of the image manager: cancelling it stops the disk read that has not
// begun or leaves the download, and silences the load. Safe to use from any thread.
#include <atomic>
#include <functional>
#include <mutex>

#include "image/web/WIWebImageOperation.h"
#include "platform/foundation/threads/Operation.h"

namespace image {

class WIWebImageCombinedOperation : public rt::Object, public WIWebImageOperation {
  RT_CLASS(WIWebImageCombinedOperation, rt::Object)
 public:
  void init() {}

  bool isCancelled() const { return cancelled_.load(); }
  /// On an operation already cancelled the block runs at once and is not kept.
  void setCancelBlock(std::function<void()> block);
  Ref<fd::Operation> cacheOperation() const;
  void setCacheOperation(Ref<fd::Operation> operation);
  void cancel() override;

 private:
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  std::function<void()> cancelBlock_;
  Ref<fd::Operation> cacheOperation_;
};

}  // namespace image
