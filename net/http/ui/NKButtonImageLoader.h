#pragma once
// Binds picture URLs to a button's pictures and background pictures, one request per state
// class (normal, highlighted, disabled, selected; any other state value counts as normal),
// through the shared picture cache and request operations on a queue of their own. A new
// request for a slot cancels the old one, and answers of a replaced operation are dropped.
#include <array>
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
class Button;
}  // namespace ui

namespace net {

class NKHTTPRequestOperation;
class NKHTTPResponseSerializer;
class NKImageCacheProtocol;

class NKButtonImageLoader : public rt::Object {
  RT_CLASS(NKButtonImageLoader, rt::Object)
 public:
  using SuccessBlock = std::function<void(const Ref<fd::URLRequest>&, const Ref<fd::HTTPURLResponse>&,
                                          const Ref<gfx::Image>&)>;
  using FailureBlock = std::function<void(const Ref<fd::Error>&)>;

  static Ref<NKButtonImageLoader> loaderFor(const Ref<ui::Button>& button);
  /// The cache set for buttons, else the image views' cache.
  static Ref<NKImageCacheProtocol> sharedImageCache();
  static void setSharedImageCache(Ref<NKImageCacheProtocol> cache);
  static Ref<fd::OperationQueue> sharedImageRequestOperationQueue();

  Ref<NKHTTPResponseSerializer> imageResponseSerializer() const;
  void setImageResponseSerializer(Ref<NKHTTPResponseSerializer> s) { serializer_ = std::move(s); }
  Ref<NKHTTPRequestOperation> imageRequestOperationForState(uint64_t state) const;
  Ref<NKHTTPRequestOperation> backgroundImageRequestOperationForState(uint64_t state) const;

  void setImageForState(uint64_t state, const Ref<fd::URLRequest>& request, const Ref<gfx::Image>& placeholder,
                        SuccessBlock success, FailureBlock failure);
  void setBackgroundImageForState(uint64_t state, const Ref<fd::URLRequest>& request,
                                  const Ref<gfx::Image>& placeholder, SuccessBlock success, FailureBlock failure);
  void cancelImageRequestOperationForState(uint64_t state);
  void cancelBackgroundImageRequestOperationForState(uint64_t state);

 private:
  static size_t slotFor(uint64_t state);
  void load(bool background, uint64_t state, const Ref<fd::URLRequest>& request, const Ref<gfx::Image>& placeholder,
            SuccessBlock success, FailureBlock failure);
  void put(bool background, uint64_t state, const Ref<gfx::Image>& image);

  Weak<ui::Button> button_;
  Ref<NKHTTPResponseSerializer> serializer_;
  std::array<Ref<NKHTTPRequestOperation>, 4> images_, backgrounds_;
};

/// With the "Accept: image/*" header and no handlers.
void setImageForState(const Ref<ui::Button>& button, uint64_t state, const Ref<fd::URL>& url,
                      const Ref<gfx::Image>& placeholder = nullptr);
void setBackgroundImageForState(const Ref<ui::Button>& button, uint64_t state, const Ref<fd::URL>& url,
                                const Ref<gfx::Image>& placeholder = nullptr);

}  // namespace net
