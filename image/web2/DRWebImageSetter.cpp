#include "image/web2/DRWebImageSetter.h"

#include "image/web2/DRWebImageManager.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Dictionary.h"

namespace image {

RT_IMPLEMENT(DRWebImageSetter) {}

DRWebImageSetter::~DRWebImageSetter() {
  sentinel_.fetch_add(1);
  if (operation_) operation_->cancel();
}

Ref<fd::URL> DRWebImageSetter::imageURL() const {
  std::lock_guard lock(lock_);
  return imageURL_;
}

Ref<DRWebImageOperation> DRWebImageSetter::operation() const {
  std::lock_guard lock(lock_);
  return operation_;
}

int32_t DRWebImageSetter::cancelWithNewURL(const Ref<fd::URL>& url) {
  Ref<DRWebImageOperation> old;
  int32_t value;
  {
    std::lock_guard lock(lock_);
    old = std::move(operation_);
    if (old) old->cancel();
    imageURL_ = url;
    value = sentinel_.fetch_add(1) + 1;
  }
  return value;
}

void DRWebImageSetter::setOperationWithSentinel(int32_t sentinel, const Ref<fd::URL>& url, DRWebImageOptions options,
                                                const Ref<DRWebImageManager>& manager, DRWebImageProgressBlock progress,
                                                DRWebImageTransformBlock transform,
                                                DRWebImageCompletionBlock completion) {
  if (sentinel != sentinel_.load()) {
    if (completion) completion(nullptr, url, DRWebImageFrom::None, DRWebImageStage::Cancelled, nullptr);
    return;
  }
  auto operation = manager ? manager->requestImageWithURL(url, options, std::move(progress), std::move(transform), completion)
                           : nullptr;
  if (!operation && completion) {
    auto info = fd::MutableDictionary::create();
    info->setObjectForKey(fd::StringObject::create("DRWebImageOperation create failed."),
                          fd::String(fd::NSLocalizedDescriptionKey));
    completion(nullptr, url, DRWebImageFrom::None, DRWebImageStage::Finished,
               fd::Error::create(fd::String(DRWebImageErrorDomain), -1, info));
  }
  Ref<DRWebImageOperation> dropped;
  {
    std::lock_guard lock(lock_);
    if (sentinel == sentinel_.load()) {
      dropped = std::move(operation_);
      if (dropped) dropped->cancel();
      operation_ = operation;
      sentinel_.fetch_add(1);
    } else if (operation) {
      operation->cancel();
    }
  }
}

Ref<dispatch::Queue> DRWebImageSetter::setterQueue() {
  static Ref<dispatch::Queue> queue =
      dispatch::Queue::createSerial("com.kestrum.durar.webimage.setter");
  return queue;
}

}  // namespace image
