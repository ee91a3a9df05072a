#pragma once
// A response with its body, as offered for caching.
#include "platform/foundation/Types.h"

namespace fd {

class Data;
class URLResponse;

/// Storage policies, with the platform's values.
enum class URLCacheStoragePolicy : int64_t { Allowed = 0, AllowedInMemoryOnly = 1, NotAllowed = 2 };

class CachedURLResponse : public Object {
  RT_CLASS_NAMED(CachedURLResponse, Object, "NSCachedURLResponse")
 public:
  void init() {}
  void init(Ref<URLResponse> response, Ref<Data> data, URLCacheStoragePolicy policy = URLCacheStoragePolicy::Allowed);

  const Ref<URLResponse>& response() const { return response_; }
  const Ref<Data>& data() const { return data_; }
  URLCacheStoragePolicy storagePolicy() const { return policy_; }

 private:
  Ref<URLResponse> response_;
  Ref<Data> data_;
  URLCacheStoragePolicy policy_ = URLCacheStoragePolicy::Allowed;
};

}  // namespace fd
