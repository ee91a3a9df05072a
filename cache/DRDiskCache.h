#pragma once
// A thread-safe cache of objects on disk under string keys, on one key-value storage in its own
// folder. Objects become bytes through keyed archiving (or the owner's blocks); values above the
// inline threshold get a file of their own, named by the key's MD5. Trims to size, count, age
// and free disk space, periodically and on demand. Every operation has a blocking form and one
// that runs on the cache's queue and answers through a block on that queue's thread.
#include <atomic>
#include <functional>
#include <mutex>

#include "cache/DRKVStorage.h"

namespace cache {

class DRDiskCache : public rt::Object {
  RT_CLASS(DRDiskCache, rt::Object)
 public:
  using ArchiveBlock = std::function<Ref<fd::Data>(const rt::Id& object)>;
  using UnarchiveBlock = std::function<rt::Id(const Ref<fd::Data>& data)>;
  using FilenameBlock = std::function<String(const String& key)>;
  static constexpr uint64_t kNoLimit = UINT64_MAX;

  /// Raises: a path is needed.
  void init();
  /// Null when the storage cannot be made there (a damaged one starts empty). Threshold 0: every
  /// value a file; UINT64_MAX: none.
  static Ref<DRDiskCache> cacheWithPath(const String& path, uint64_t inlineThreshold = 20480);

  static Ref<fd::Data> getExtendedDataFromObject(const rt::Id& object);
  static void setExtendedData(const Ref<fd::Data>& data, const rt::Id& object);

  bool containsObjectForKey(const String& key);
  rt::Id objectForKey(const String& key);
  /// A null object removes the key.
  void setObject(const rt::Id& object, const String& key);
  void removeObjectForKey(const String& key);
  void removeAllObjects();
  int64_t totalCount();
  int64_t totalCost();
  void trimToCount(uint64_t count);
  void trimToCost(uint64_t cost);
  void trimToAge(double age);

  void containsObjectForKey(const String& key, std::function<void(const String&, bool)> block);
  void objectForKey(const String& key, std::function<void(const String&, const rt::Id&)> block);
  void setObject(const rt::Id& object, const String& key, std::function<void()> block);
  void removeObjectForKey(const String& key, std::function<void(const String&)> block);
  void removeAllObjects(std::function<void()> block);
  void removeAllObjects(std::function<void(int64_t removed, int64_t total)> progress, std::function<void(bool error)> end);
  void totalCount(std::function<void(int64_t)> block);
  void totalCost(std::function<void(int64_t)> block);
  void trimToCount(uint64_t count, std::function<void()> block);
  void trimToCost(uint64_t cost, std::function<void()> block);
  void trimToAge(double age, std::function<void()> block);

  const String& path() const { return path_; }
  uint64_t inlineThreshold() const { return inlineThreshold_; }
  String name() const;
  void setName(String name);
  ArchiveBlock customArchiveBlock() const;
  void setCustomArchiveBlock(ArchiveBlock b);
  UnarchiveBlock customUnarchiveBlock() const;
  void setCustomUnarchiveBlock(UnarchiveBlock b);
  FilenameBlock customFilenameBlock() const;
  void setCustomFilenameBlock(FilenameBlock b);
  std::atomic<uint64_t> countLimit{kNoLimit};
  std::atomic<uint64_t> costLimit{kNoLimit};
  std::atomic<double> ageLimit{std::numeric_limits<double>::max()};
  std::atomic<uint64_t> freeDiskSpaceLimit{0};
  std::atomic<double> autoTrimInterval{60};

  String description() const override;
  /// The storage underneath (its record layout is the cache's file format).
  const Ref<DRKVStorage>& storage() const { return kv_; }

 private:
  void trimRecursively();
  void trimInBackground();
  void trimToCostLocked(uint64_t cost);
  void trimToCountLocked(uint64_t count);
  void trimToAgeLocked(double age);
  void trimToFreeDiskSpaceLocked(uint64_t target);
  String filenameForKey(const String& key);
  template <class F> void async(F task);

  Ref<DRKVStorage> kv_;
  std::mutex lock_;
  Ref<dispatch::Queue> queue_;
  String path_;
  uint64_t inlineThreshold_ = 20480;
  mutable std::mutex blocksLock_;  // guards the name and the custom blocks
  String name_;
  ArchiveBlock archive_;
  UnarchiveBlock unarchive_;
  FilenameBlock filename_;
};

}  // namespace cache
