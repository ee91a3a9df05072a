#include "net/http/ui/NKImageViewImageLoader.h"

#include <mutex>

#include "net/http/NKHTTPRequestOperation.h"
#include "net/http/NKImageResponseSerializer.h"
#include "net/http/ui/NKImageCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/graphics/Image.h"
#include "platform/ui/controls/ImageView.h"

namespace net {

namespace {
const char kImageViewLoaderKey = 0;

struct ImageViewCacheSlot {
  std::mutex mutex;
  Ref<NKImageCacheProtocol> cache;
};
ImageViewCacheSlot& imageViewCacheSlot() {
  static ImageViewCacheSlot slot;
  return slot;
}
}  // namespace

RT_IMPLEMENT(NKImageViewImageLoader) {}

Ref<NKImageViewImageLoader> NKImageViewImageLoader::loaderFor(const Ref<ui::ImageView>& view) {
  if (!view) return nullptr;
  auto loader = rt::as<NKImageViewImageLoader>(view->associatedObject(&kImageViewLoaderKey));
  if (!loader) {
    loader = rt::make<NKImageViewImageLoader>();
    loader->view_ = view;
    view->setAssociatedObject(&kImageViewLoaderKey, loader, rt::AssociationPolicy::RetainNonatomic);
  }
  return loader;
}

Ref<NKImageCacheProtocol> NKImageViewImageLoader::sharedImageCache() {
  std::lock_guard g(imageViewCacheSlot().mutex);
  return imageViewCacheSlot().cache ? imageViewCacheSlot().cache : NKImageCache::defaultCache();
}

void NKImageViewImageLoader::setSharedImageCache(Ref<NKImageCacheProtocol> cache) {
  std::lock_guard g(imageViewCacheSlot().mutex);
  imageViewCacheSlot().cache = std::move(cache);
}

Ref<fd::OperationQueue> NKImageViewImageLoader::sharedImageRequestOperationQueue() {
  static Ref<fd::OperationQueue> queue = fd::OperationQueue::create();
  return queue;
}

Ref<NKHTTPResponseSerializer> NKImageViewImageLoader::imageResponseSerializer() const {
  if (serializer_) return serializer_;
  static Ref<NKHTTPResponseSerializer> shared = NKImageResponseSerializer::serializer();
  return shared;
}

void NKImageViewImageLoader::cancelImageRequestOperation() {
  if (operation_) operation_->cancel();
  operation_ = nullptr;
}

void NKImageViewImageLoader::setImageWithURLRequest(const Ref<fd::URLRequest>& request,
                                                    const Ref<gfx::Image>& placeholder, SuccessBlock success,
                                                    FailureBlock failure) {
  cancelImageRequestOperation();
  auto view = view_.lock();
  if (auto cached = sharedImageCache()->cachedImageForRequest(request)) {
    if (success) {
      success(request, nullptr, cached);
    } else if (view) {
      view->setImage(cached);
    }
    return;
  }
  if (placeholder && view) view->setImage(placeholder);

  auto operation = NKHTTPRequestOperation::create(request);
  if (!operation) return;
  operation_ = operation;
  operation->setResponseSerializer(imageResponseSerializer());
  Weak<NKImageViewImageLoader> weak = std::static_pointer_cast<NKImageViewImageLoader>(shared_from_this());
  operation->setCompletionBlockWithSuccess(
      [weak, request, success](const Ref<NKHTTPRequestOperation>& op, const rt::Id& object) {
        auto image = rt::as<gfx::Image>(object);
        sharedImageCache()->cacheImage(image, request);
        auto self = weak.lock();
        // An answer for a request the view has since replaced (even one for the same URL)
        // must not overwrite the picture of the newer one.
        if (!self || self->operation_ != op) return;
        self->operation_ = nullptr;
        if (success) {
          success(request, op->response(), image);
        } else if (image) {
          if (auto v = self->view_.lock()) v->setImage(image);
        }
      },
      [weak, request, failure](const Ref<NKHTTPRequestOperation>& op, const Ref<fd::Error>& error) {
        auto self = weak.lock();
        if (!self || self->operation_ != op) return;
        self->operation_ = nullptr;
        if (failure) failure(request, op->response(), error);
      });
  sharedImageRequestOperationQueue()->addOperation(operation);
}

void setImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder) {
  auto request = fd::MutableURLRequest::requestWithURL(url);
  request->addValueForHTTPHeaderField("image/*", "Accept");
  setImageWithURLRequest(view, request, placeholder, nullptr, nullptr);
}

void setImageWithURLRequest(const Ref<ui::ImageView>& view, const Ref<fd::URLRequest>& request,
                            const Ref<gfx::Image>& placeholder, NKImageViewImageLoader::SuccessBlock success,
                            NKImageViewImageLoader::FailureBlock failure) {
  if (auto loader = NKImageViewImageLoader::loaderFor(view)) {
    loader->setImageWithURLRequest(request, placeholder, std::move(success), std::move(failure));
  }
}

void cancelImageRequestOperation(const Ref<ui::ImageView>& view) {
  if (auto loader = NKImageViewImageLoader::loaderFor(view)) loader->cancelImageRequestOperation();
}

}  // namespace net
