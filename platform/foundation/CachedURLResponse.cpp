#include "platform/foundation/CachedURLResponse.h"

#include "platform/foundation/Data.h"
#include "platform/foundation/URLResponse.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(CachedURLResponse) {}

void CachedURLResponse::init(Ref<URLResponse> response, Ref<Data> data, URLCacheStoragePolicy policy) {
  response_ = std::move(response);
  data_ = data ? std::move(data) : Data::create();
  policy_ = policy;
}

}  // namespace fd
