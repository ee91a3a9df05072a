#pragma once
// Stored responses to GET requests, in memory and in a folder on disk, keyed by URL.
//
// Freshness follows HTTP caching for a private cache (RFC 9111): a response with Cache-Control
// "no-store" is never stored; "no-cache" makes an entry usable only when the request asks for
// cached data whatever its age; an entry is fresh for its "max-age", else for its Expires less
// its Date, counted from when it was stored; without either it is never fresh (it must be
// checked with the server before it is used).
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/net/URLRequest.h"

namespace fd {

class URLCache : public Object {
  RT_CLASS_NAMED(URLCache, Object, "NSURLCache")
 public:
  void init() {}
  /// `diskPath` empty: memory only. The folder is made when first written.
  void init(int64_t memoryCapacity, int64_t diskCapacity, const String& diskPath);
  static Ref<URLCache> create(int64_t memoryCapacity, int64_t diskCapacity, const String& diskPath);

  /// The process's cache, in the caches folder, made on first use.
  static Ref<URLCache> sharedURLCache();
  static void setSharedURLCache(Ref<URLCache> cache);

  /// Any stored entry for the request, fresh or not; null for none or for requests that are not
  /// GET.
  Ref<CachedURLResponse> cachedResponseForRequest(const Ref<URLRequest>& request);
  /// The entry the request may use without asking the server, under its cache policy: a fresh
  /// one for the protocol policy, any for the return-cache-data policies, none for the others.
  Ref<CachedURLResponse> usableResponseForRequest(const Ref<URLRequest>& request);
  void storeCachedResponse(const Ref<CachedURLResponse>& cached, const Ref<URLRequest>& request);
  void removeCachedResponseForRequest(const Ref<URLRequest>& request);
  void removeAllCachedResponses();

  int64_t memoryCapacity() const { return memoryCapacity_; }
  int64_t diskCapacity() const { return diskCapacity_; }
  int64_t currentMemoryUsage() const;
  int64_t currentDiskUsage() const;

  /// The largest body the cache keeps, in memory or on disk.
  int64_t maximumEntrySize() const;

  /// Whether a response may be stored at all (a 200 without "no-store").
  static bool isStorable(const Ref<URLResponse>& response);
  /// The same from the status and the Cache-Control fields (joined with commas), before any
  /// response object is made.
  static bool isStorable(int64_t statusCode, std::string_view cacheControl);
  /// Whether a load should keep a copy of the body for this cache, from the answer's head: a
  /// storable status and fields, and no announced length beyond `maximumEntrySize()`. A copy
  /// kept otherwise would double the memory of a large download for nothing.
  bool mayStoreAnswer(int64_t statusCode, const std::vector<std::pair<std::string, std::string>>& headers) const;

 private:
  struct Entry {
    Ref<CachedURLResponse> cached;
    double storedAt = 0;  // seconds since 1970
    int64_t size = 0;
  };
  std::optional<std::string> keyFor(const Ref<URLRequest>& request) const;
  std::string fileFor(const std::string& key) const;
  std::optional<Entry> readFile(const std::string& key) const;
  void writeFile(const std::string& key, const Entry& entry);
  bool isFresh(const Entry& entry) const;
  std::optional<Entry> find(const Ref<URLRequest>& request);
  void trimMemory();  // mutex_ held

  int64_t memoryCapacity_ = 0;
  int64_t diskCapacity_ = 0;
  std::string diskPath_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> memory_;
  int64_t memoryUsage_ = 0;
};

}  // namespace fd
