#include "platform/foundation/net/CachedURLResponse.h"

#include "platform/foundation/values/Data.h"
#include "platform/foundation/net/URLResponse.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(CachedURLResponse) {}

void CachedURLResponse::init(Ref<URLResponse> response, Ref<Data> data, URLCacheStoragePolicy policy) {
  response_ = std::move(response);
  data_ = data ? std::move(data) : Data::create();
  policy_ = policy;
}

}  // namespace fd
