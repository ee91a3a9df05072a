#include "net/http/ui/NKButtonImageLoader.h"

#include <mutex>

#include "net/http/NKHTTPRequestOperation.h"
#include "net/http/NKImageResponseSerializer.h"
#include "net/http/ui/NKImageCache.h"
#include "net/http/ui/NKImageViewImageLoader.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/graphics/Image.h"
#include "platform/ui/controls/Button.h"

namespace net {

namespace {
const char kLoaderKey = 0;

struct CacheSlot {
  std::mutex mutex;
  Ref<NKImageCacheProtocol> cache;
};
CacheSlot& cacheSlot() {
  static CacheSlot slot;
  return slot;
}

Ref<fd::MutableURLRequest> imageRequest(const Ref<fd::URL>& url) {
  auto request = fd::MutableURLRequest::requestWithURL(url);
  request->addValueForHTTPHeaderField("image/*", "Accept");
  return request;
}
}  // namespace

RT_IMPLEMENT(NKButtonImageLoader) {}

Ref<NKButtonImageLoader> NKButtonImageLoader::loaderFor(const Ref<ui::Button>& button) {
  if (!button) return nullptr;
  auto loader = rt::as<NKButtonImageLoader>(button->associatedObject(&kLoaderKey));
  if (!loader) {
    loader = rt::make<NKButtonImageLoader>();
    loader->button_ = button;
    button->setAssociatedObject(&kLoaderKey, loader, rt::AssociationPolicy::RetainNonatomic);
  }
  return loader;
}

Ref<NKImageCacheProtocol> NKButtonImageLoader::sharedImageCache() {
  std::lock_guard g(cacheSlot().mutex);
  return cacheSlot().cache ? cacheSlot().cache : NKImageViewImageLoader::sharedImageCache();
}

void NKButtonImageLoader::setSharedImageCache(Ref<NKImageCacheProtocol> cache) {
  std::lock_guard g(cacheSlot().mutex);
  cacheSlot().cache = std::move(cache);
}

Ref<fd::OperationQueue> NKButtonImageLoader::sharedImageRequestOperationQueue() {
  static Ref<fd::OperationQueue> queue = fd::OperationQueue::create();
  return queue;
}

Ref<NKHTTPResponseSerializer> NKButtonImageLoader::imageResponseSerializer() const {
  if (serializer_) return serializer_;
  static Ref<NKHTTPResponseSerializer> shared = NKImageResponseSerializer::serializer();
  return shared;
}

size_t NKButtonImageLoader::slotFor(uint64_t state) {
  switch (state) {
    case 1: return 1;  // highlighted
    case 2: return 2;  // disabled
    case 4: return 3;  // selected
    default: return 0;  // normal, and every combined state
  }
}

Ref<NKHTTPRequestOperation> NKButtonImageLoader::imageRequestOperationForState(uint64_t state) const {
  return images_[slotFor(state)];
}

Ref<NKHTTPRequestOperation> NKButtonImageLoader::backgroundImageRequestOperationForState(uint64_t state) const {
  return backgrounds_[slotFor(state)];
}

void NKButtonImageLoader::cancelImageRequestOperationForState(uint64_t state) {
  auto& slot = images_[slotFor(state)];
  if (slot) slot->cancel();
  slot = nullptr;
}

void NKButtonImageLoader::cancelBackgroundImageRequestOperationForState(uint64_t state) {
  auto& slot = backgrounds_[slotFor(state)];
  if (slot) slot->cancel();
  slot = nullptr;
}

void NKButtonImageLoader::put(bool background, uint64_t state, const Ref<gfx::Image>& image) {
  auto button = button_.lock();
  if (!button) return;
  if (background) {
    button->setBackgroundImage(image, state);
  } else {
    button->setImage(image, state);
  }
}

void NKButtonImageLoader::load(bool background, uint64_t state, const Ref<fd::URLRequest>& request,
                               const Ref<gfx::Image>& placeholder, SuccessBlock success, FailureBlock failure) {
  auto& slots = background ? backgrounds_ : images_;
  const size_t index = slotFor(state);
  if (slots[index]) slots[index]->cancel();
  slots[index] = nullptr;
  if (auto cached = sharedImageCache()->cachedImageForRequest(request)) {
    if (success) {
      success(request, nullptr, cached);
    } else {
      put(background, state, cached);
    }
    return;
  }
  if (placeholder) put(background, state, placeholder);
  auto operation = NKHTTPRequestOperation::create(request);
  if (!operation) return;
  operation->setResponseSerializer(imageResponseSerializer());
  Weak<NKButtonImageLoader> weak = std::static_pointer_cast<NKButtonImageLoader>(shared_from_this());
  auto current = [weak, background, index](const Ref<NKHTTPRequestOperation>& op) -> Ref<NKButtonImageLoader> {
    auto self = weak.lock();
    if (!self) return nullptr;
    // An answer of an operation the slot has since replaced (or cancelled) is dropped.
    return (background ? self->backgrounds_ : self->images_)[index] == op ? self : nullptr;
  };
  operation->setCompletionBlockWithSuccess(
      [current, background, state, request, success](const Ref<NKHTTPRequestOperation>& op, const rt::Id& object) {
        auto image = rt::as<gfx::Image>(object);
        sharedImageCache()->cacheImage(image, request);
        auto self = current(op);
        if (!self) return;
        if (success) {
          success(op->request(), op->response(), image);
        } else if (image) {
          self->put(background, state, image);
        }
      },
      [current, failure](const Ref<NKHTTPRequestOperation>& op, const Ref<fd::Error>& error) {
        if (current(op) && failure) failure(error);
      });
  slots[index] = operation;
  sharedImageRequestOperationQueue()->addOperation(operation);
}

void NKButtonImageLoader::setImageForState(uint64_t state, const Ref<fd::URLRequest>& request,
                                           const Ref<gfx::Image>& placeholder, SuccessBlock success,
                                           FailureBlock failure) {
  load(false, state, request, placeholder, std::move(success), std::move(failure));
}

void NKButtonImageLoader::setBackgroundImageForState(uint64_t state, const Ref<fd::URLRequest>& request,
                                                     const Ref<gfx::Image>& placeholder, SuccessBlock success,
                                                     FailureBlock failure) {
  load(true, state, request, placeholder, std::move(success), std::move(failure));
}

void setImageForState(const Ref<ui::Button>& button, uint64_t state, const Ref<fd::URL>& url,
                      const Ref<gfx::Image>& placeholder) {
  if (auto loader = NKButtonImageLoader::loaderFor(button)) {
    loader->setImageForState(state, imageRequest(url), placeholder, nullptr, nullptr);
  }
}

void setBackgroundImageForState(const Ref<ui::Button>& button, uint64_t state, const Ref<fd::URL>& url,
                                const Ref<gfx::Image>& placeholder) {
  if (auto loader = NKButtonImageLoader::loaderFor(button)) {
    loader->setBackgroundImageForState(state, imageRequest(url), placeholder, nullptr, nullptr);
  }
}

}  // namespace net
