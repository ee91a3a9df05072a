#include "image/web/WIWebImageCombinedOperation.h"

namespace image {

RT_IMPLEMENT(WIWebImageCombinedOperation) {}

void WIWebImageCombinedOperation::setCancelBlock(std::function<void()> block) {
  {
    std::lock_guard lock(mutex_);
    if (!cancelled_.load()) {
      cancelBlock_ = std::move(block);
      return;
    }
  }
  if (block) block();
}

Ref<fd::Operation> WIWebImageCombinedOperation::cacheOperation() const {
  std::lock_guard lock(mutex_);
  return cacheOperation_;
}

void WIWebImageCombinedOperation::setCacheOperation(Ref<fd::Operation> operation) {
  std::lock_guard lock(mutex_);
  cacheOperation_ = std::move(operation);
}

void WIWebImageCombinedOperation::cancel() {
  Ref<fd::Operation> cacheOperation;
  std::function<void()> block;
  {
    std::lock_guard lock(mutex_);
    cancelled_.store(true);
    cacheOperation = std::move(cacheOperation_);
    cacheOperation_.reset();
    block = std::move(cancelBlock_);
    cancelBlock_ = nullptr;
  }
  if (cacheOperation) cacheOperation->cancel();
  if (block) block();
}

}  // namespace image
