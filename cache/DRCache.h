#pragma once
// A memory cache in front of a disk cache under one name: reads try memory, then disk (the
// blocking read copies a disk hit into memory); writes and removals go to both. Thread safety
// comes from the two caches.
#include "cache/DRDiskCache.h"
#include "cache/DRMemoryCache.h"

namespace cache {

class DRCache : public rt::Object {
  RT_CLASS(DRCache, rt::Object)
 public:
  /// Logs and fails (no object): a name or a path is needed.
  bool init();
  /// In the user's caches folder; null for an empty name.
  static Ref<DRCache> cacheWithName(const String& name);
  /// Null for an empty path or one the disk cache cannot use.
  static Ref<DRCache> cacheWithPath(const String& path);

  const String& name() const { return name_; }
  const Ref<DRMemoryCache>& memoryCache() const { return memory_; }
  const Ref<DRDiskCache>& diskCache() const { return disk_; }

  bool containsObjectForKey(const String& key);
  void containsObjectForKey(const String& key, std::function<void(const String&, bool)> block);
  rt::Id objectForKey(const String& key);
  void objectForKey(const String& key, std::function<void(const String&, const rt::Id&)> block);
  void setObject(const rt::Id& object, const String& key);
  void setObject(const rt::Id& object, const String& key, std::function<void()> block);
  void removeObjectForKey(const String& key);
  void removeObjectForKey(const String& key, std::function<void(const String&)> block);
  void removeAllObjects();
  void removeAllObjects(std::function<void()> block);
  void removeAllObjects(std::function<void(int64_t, int64_t)> progress, std::function<void(bool)> end);
  String description() const override;

 private:
  String name_;
  Ref<DRMemoryCache> memory_;
  Ref<DRDiskCache> disk_;
};

}  // namespace cache
