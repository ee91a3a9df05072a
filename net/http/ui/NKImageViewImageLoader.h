#pragma once
// Binds a picture URL to an image view through the HTTP client: the shared picture cache is
// asked first; on a miss a request operation fetches the picture on a shared queue and puts it
// into the view and the cache. A view has at most one request in flight: a new one cancels the
// old, and an answer of an operation that is no longer the view's current one is dropped.
#include <functional>

#include "platform/foundation/Types.h"

namespace fd {
class Error;
class HTTPURLResponse;
class OperationQueue;
class URL;
class URLRequest;
}  // namespace fd
namespace gfx {
class Image;
}  // namespace gfx
namespace ui {
class ImageView;
}  // namespace ui

namespace net {

class NKHTTPRequestOperation;
class NKHTTPResponseSerializer;
class NKImageCacheProtocol;

/// What an image view keeps: its current operation and its serializer.
class NKImageViewImageLoader : public rt::Object {
  RT_CLASS(NKImageViewImageLoader, rt::Object)
 public:
  using SuccessBlock = std::function<void(const Ref<fd::URLRequest>&, const Ref<fd::HTTPURLResponse>&,
                                          const Ref<gfx::Image>&)>;
  using FailureBlock =
      std::function<void(const Ref<fd::URLRequest>&, const Ref<fd::HTTPURLResponse>&, const Ref<fd::Error>&)>;

  /// The view's own loader, made on first use.
  static Ref<NKImageViewImageLoader> loaderFor(const Ref<ui::ImageView>& view);
  /// The cache of image views: the one set, else the default cache.
  static Ref<NKImageCacheProtocol> sharedImageCache();
  static void setSharedImageCache(Ref<NKImageCacheProtocol> cache);
  static Ref<fd::OperationQueue> sharedImageRequestOperationQueue();

  Ref<NKHTTPResponseSerializer> imageResponseSerializer() const;
  void setImageResponseSerializer(Ref<NKHTTPResponseSerializer> serializer) { serializer_ = std::move(serializer); }
  const Ref<NKHTTPRequestOperation>& imageRequestOperation() const { return operation_; }

  void setImageWithURLRequest(const Ref<fd::URLRequest>& request, const Ref<gfx::Image>& placeholder,
                              SuccessBlock success, FailureBlock failure);
  void cancelImageRequestOperation();

 private:
  Weak<ui::ImageView> view_;
  Ref<NKHTTPResponseSerializer> serializer_;
  Ref<NKHTTPRequestOperation> operation_;
};

/// With the "Accept: image/*" header and no handlers.
void setImageWithURL(const Ref<ui::ImageView>& view, const Ref<fd::URL>& url,
                     const Ref<gfx::Image>& placeholder = nullptr);
void setImageWithURLRequest(const Ref<ui::ImageView>& view, const Ref<fd::URLRequest>& request,
                            const Ref<gfx::Image>& placeholder, NKImageViewImageLoader::SuccessBlock success,
                            NKImageViewImageLoader::FailureBlock failure);
void cancelImageRequestOperation(const Ref<ui::ImageView>& view);

}  // namespace net
