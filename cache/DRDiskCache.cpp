#include "cache/DRDiskCache.h"

#include <cmath>
#include <ctime>

#include "platform/crypto/Digest.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/runtime/Exception.h"

namespace cache {

RT_IMPLEMENT(DRDiskCache) {}

namespace {
const void* const kExtendedDataKey = &kExtendedDataKey;
// Limits, and age boundaries, of this size or more mean "no limit" (the 64-bit maximum too).
constexpr int64_t kStorageNoLimit = INT32_MAX;
}  // namespace

void DRDiskCache::init() {
  rt::raise("DRDiskCache init error",
            "DRDiskCache must be initialized with a path. Use 'initWithPath:' or 'initWithPath:inlineThreshold:' instead.");
}

Ref<DRDiskCache> DRDiskCache::cacheWithPath(const String& path, uint64_t inlineThreshold) {
  uint32_t type = inlineThreshold == 0 ? DRKVFilesOnly
                  : inlineThreshold == kNoLimit ? DRKVDatabaseOnly
                                                : DRKVFilesAndDatabase;
  auto kv = DRKVStorage::storageWithPath(path, type);
  if (!kv) return nullptr;
  auto c = std::shared_ptr<DRDiskCache>(new DRDiskCache());
  c->kv_ = std::move(kv);
  c->queue_ = dispatch::Queue::createConcurrent("com.kestrum.cache.disk");
  c->path_ = path;
  c->inlineThreshold_ = inlineThreshold;
  c->trimRecursively();
  return c;
}

Ref<fd::Data> DRDiskCache::getExtendedDataFromObject(const rt::Id& object) {
  return object ? rt::as<fd::Data>(object->associatedObject(kExtendedDataKey)) : nullptr;
}

void DRDiskCache::setExtendedData(const Ref<fd::Data>& data, const rt::Id& object) {
  if (object) object->setAssociatedObject(kExtendedDataKey, data, rt::AssociationPolicy::RetainNonatomic);
}

String DRDiskCache::filenameForKey(const String& key) {
  FilenameBlock custom;
  {
    std::lock_guard guard(blocksLock_);
    custom = filename_;
  }
  if (custom) {
    String name = custom(key);
    if (!name.isEmpty()) return name;
  }
  return String(crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, key.utf8())));
}

bool DRDiskCache::containsObjectForKey(const String& key) {
  if (key.isEmpty()) return false;
  std::lock_guard guard(lock_);
  return kv_->itemExistsForKey(key);
}

rt::Id DRDiskCache::objectForKey(const String& key) {
  if (key.isEmpty()) return nullptr;
  Ref<DRKVStorageItem> item;
  {
    std::lock_guard guard(lock_);
    item = kv_->getItemForKey(key);
  }
  if (!item || !item->value) return nullptr;
  UnarchiveBlock custom;
  {
    std::lock_guard guard(blocksLock_);
    custom = unarchive_;
  }
  rt::Id object;
  try {
    object = custom ? custom(item->value) : fd::KeyedUnarchiver::unarchiveObjectWithData(item->value);
  } catch (const rt::Exception&) {
    object = nullptr;  // damaged bytes read as a miss
  }
  if (object && item->extendedData) setExtendedData(item->extendedData, object);
  return object;
}

void DRDiskCache::setObject(const rt::Id& object, const String& key) {
  if (key.isEmpty()) return;
  if (!object) return removeObjectForKey(key);
  Ref<fd::Data> extended = getExtendedDataFromObject(object);
  ArchiveBlock custom;
  {
    std::lock_guard guard(blocksLock_);
    custom = archive_;
  }
  Ref<fd::Data> value;
  try {
    value = custom ? custom(object) : fd::KeyedArchiver::archivedDataWithRootObject(object);
  } catch (const rt::Exception&) {
    value = nullptr;
  }
  if (!value || value->length() == 0) return;
  String filename;
  if (kv_->type() != DRKVDatabaseOnly && value->length() > inlineThreshold_) filename = filenameForKey(key);
  std::lock_guard guard(lock_);
  kv_->saveItem(key, value, filename, extended);
}

void DRDiskCache::removeObjectForKey(const String& key) {
  if (key.isEmpty()) return;
  std::lock_guard guard(lock_);
  kv_->removeItemForKey(key);
}

void DRDiskCache::removeAllObjects() {
  std::lock_guard guard(lock_);
  kv_->removeAllItems();
}

int64_t DRDiskCache::totalCount() {
  std::lock_guard guard(lock_);
  return kv_->getItemsCount();
}

int64_t DRDiskCache::totalCost() {
  std::lock_guard guard(lock_);
  return kv_->getItemsSize();
}

void DRDiskCache::trimToCount(uint64_t count) {
  std::lock_guard guard(lock_);
  trimToCountLocked(count);
}

void DRDiskCache::trimToCost(uint64_t cost) {
  std::lock_guard guard(lock_);
  trimToCostLocked(cost);
}

void DRDiskCache::trimToAge(double age) {
  std::lock_guard guard(lock_);
  trimToAgeLocked(age);
}

void DRDiskCache::trimToCostLocked(uint64_t cost) {
  if (cost >= static_cast<uint64_t>(kStorageNoLimit)) return;
  kv_->removeItemsToFitSize(static_cast<int64_t>(cost));
}

void DRDiskCache::trimToCountLocked(uint64_t count) {
  if (count >= static_cast<uint64_t>(kStorageNoLimit)) return;
  kv_->removeItemsToFitCount(static_cast<int64_t>(count));
}

void DRDiskCache::trimToAgeLocked(double age) {
  if (age <= 0) {
    kv_->removeAllItems();
    return;
  }
  double now = static_cast<double>(::time(nullptr));
  if (now <= age) return;
  double boundary = now - age;
  if (boundary >= static_cast<double>(kStorageNoLimit)) return;
  kv_->removeItemsEarlierThanTime(static_cast<int64_t>(boundary));
}

void DRDiskCache::trimToFreeDiskSpaceLocked(uint64_t target) {
  if (target == 0) return;
  int64_t total = kv_->getItemsSize();
  if (total <= 0) return;
  auto attributes = fd::FileManager::defaultManager()->attributesOfFileSystemForPath(fd::NSHomeDirectory());
  auto free = attributes ? rt::as<fd::Number>(attributes->objectForKey(fd::NSFileSystemFreeSize)) : nullptr;
  if (!free || free->longLongValue() < 0) return;
  int64_t need = static_cast<int64_t>(target) - free->longLongValue();
  if (need <= 0) return;
  trimToCostLocked(static_cast<uint64_t>(std::max<int64_t>(total - need, 0)));
}

template <class F> void DRDiskCache::async(F task) {
  rt::Weak<DRDiskCache> weak = std::static_pointer_cast<DRDiskCache>(self());
  queue_->async([weak, task = std::move(task)] { task(weak.lock()); });
}

void DRDiskCache::containsObjectForKey(const String& key, std::function<void(const String&, bool)> block) {
  if (!block) return;
  async([key, block](Ref<DRDiskCache> c) { block(key, c && c->containsObjectForKey(key)); });
}

void DRDiskCache::objectForKey(const String& key, std::function<void(const String&, const rt::Id&)> block) {
  if (!block) return;
  async([key, block](Ref<DRDiskCache> c) { block(key, c ? c->objectForKey(key) : nullptr); });
}

void DRDiskCache::setObject(const rt::Id& object, const String& key, std::function<void()> block) {
  async([object, key, block](Ref<DRDiskCache> c) {
    if (c) c->setObject(object, key);
    if (block) block();
  });
}

void DRDiskCache::removeObjectForKey(const String& key, std::function<void(const String&)> block) {
  async([key, block](Ref<DRDiskCache> c) {
    if (c) c->removeObjectForKey(key);
    if (block) block(key);
  });
}

void DRDiskCache::removeAllObjects(std::function<void()> block) {
  async([block](Ref<DRDiskCache> c) {
    if (c) c->removeAllObjects();
    if (block) block();
  });
}

void DRDiskCache::removeAllObjects(std::function<void(int64_t, int64_t)> progress, std::function<void(bool)> end) {
  auto self = std::static_pointer_cast<DRDiskCache>(this->self());  // held until the task has run
  queue_->async([self, progress, end] {
    std::lock_guard guard(self->lock_);
    self->kv_->removeAllItems(progress, end);
  });
}

void DRDiskCache::totalCount(std::function<void(int64_t)> block) {
  if (!block) return;
  async([block](Ref<DRDiskCache> c) { block(c ? c->totalCount() : 0); });
}

void DRDiskCache::totalCost(std::function<void(int64_t)> block) {
  if (!block) return;
  async([block](Ref<DRDiskCache> c) { block(c ? c->totalCost() : 0); });
}

void DRDiskCache::trimToCount(uint64_t count, std::function<void()> block) {
  async([count, block](Ref<DRDiskCache> c) {
    if (c) c->trimToCount(count);
    if (block) block();
  });
}

void DRDiskCache::trimToCost(uint64_t cost, std::function<void()> block) {
  async([cost, block](Ref<DRDiskCache> c) {
    if (c) c->trimToCost(cost);
    if (block) block();
  });
}

void DRDiskCache::trimToAge(double age, std::function<void()> block) {
  async([age, block](Ref<DRDiskCache> c) {
    if (c) c->trimToAge(age);
    if (block) block();
  });
}

void DRDiskCache::trimRecursively() {
  rt::Weak<DRDiskCache> weak = std::static_pointer_cast<DRDiskCache>(self());
  dispatch::globalQueue(dispatch::kPriorityLow)->after(autoTrimInterval.load(), [weak] {
    auto c = weak.lock();
    if (!c) return;
    c->trimInBackground();
    c->trimRecursively();
  });
}

void DRDiskCache::trimInBackground() {
  async([](Ref<DRDiskCache> c) {
    if (!c) return;
    std::lock_guard guard(c->lock_);
    c->trimToCostLocked(c->costLimit);
    c->trimToCountLocked(c->countLimit);
    c->trimToAgeLocked(c->ageLimit);
    c->trimToFreeDiskSpaceLocked(c->freeDiskSpaceLimit);
  });
}

String DRDiskCache::name() const {
  std::lock_guard guard(blocksLock_);
  return name_;
}

void DRDiskCache::setName(String name) {
  std::lock_guard guard(blocksLock_);
  name_ = std::move(name);
}

DRDiskCache::ArchiveBlock DRDiskCache::customArchiveBlock() const {
  std::lock_guard guard(blocksLock_);
  return archive_;
}

DRDiskCache::UnarchiveBlock DRDiskCache::customUnarchiveBlock() const {
  std::lock_guard guard(blocksLock_);
  return unarchive_;
}

DRDiskCache::FilenameBlock DRDiskCache::customFilenameBlock() const {
  std::lock_guard guard(blocksLock_);
  return filename_;
}

void DRDiskCache::setCustomArchiveBlock(ArchiveBlock b) {
  std::lock_guard guard(blocksLock_);
  archive_ = std::move(b);
}

void DRDiskCache::setCustomUnarchiveBlock(UnarchiveBlock b) {
  std::lock_guard guard(blocksLock_);
  unarchive_ = std::move(b);
}

void DRDiskCache::setCustomFilenameBlock(FilenameBlock b) {
  std::lock_guard guard(blocksLock_);
  filename_ = std::move(b);
}

String DRDiskCache::description() const {
  String n = name();
  if (!n.isEmpty()) return String::format("<%@: %p> (%@:%@)", className(), static_cast<const void*>(this), n, path_);
  return String::format("<%@: %p> (%@)", className(), static_cast<const void*>(this), path_);
}

}  // namespace cache
