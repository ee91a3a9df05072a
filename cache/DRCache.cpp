#include "cache/DRCache.h"

#include <filesystem>

#include "platform/foundation/Log.h"
#include "platform/foundation/files/Paths.h"

namespace cache {

RT_IMPLEMENT(DRCache) {}

bool DRCache::init() {
  fd::NSLog("Use \"initWithName\" or \"initWithPath\" to create DRCache instance.");
  return false;
}

Ref<DRCache> DRCache::cacheWithName(const String& name) {
  if (name.isEmpty()) return nullptr;
  auto folders = fd::NSSearchPathForDirectoriesInDomains(fd::CachesDirectory, fd::UserDomainMask, true);
  if (folders.empty()) return nullptr;
  return cacheWithPath(String((std::filesystem::path(folders.front().utf8()) / name.utf8()).string()));
}

Ref<DRCache> DRCache::cacheWithPath(const String& path) {
  if (path.isEmpty()) return nullptr;
  auto disk = DRDiskCache::cacheWithPath(path);
  if (!disk) return nullptr;
  auto c = std::shared_ptr<DRCache>(new DRCache());
  c->name_ = String(std::filesystem::path(path.utf8()).filename().string());
  c->memory_ = rt::make<DRMemoryCache>();
  c->memory_->setName(c->name_);
  c->disk_ = std::move(disk);
  return c;
}

bool DRCache::containsObjectForKey(const String& key) {
  return memory_->containsObjectForKey(key) || disk_->containsObjectForKey(key);
}

void DRCache::containsObjectForKey(const String& key, std::function<void(const String&, bool)> block) {
  if (!block) return;
  if (memory_->containsObjectForKey(key)) {
    dispatch::globalQueue()->async([key, block] { block(key, true); });
    return;
  }
  disk_->containsObjectForKey(key, std::move(block));
}

rt::Id DRCache::objectForKey(const String& key) {
  if (rt::Id object = memory_->objectForKey(key)) return object;
  rt::Id object = disk_->objectForKey(key);
  if (object) memory_->setObject(object, key);
  return object;
}

void DRCache::objectForKey(const String& key, std::function<void(const String&, const rt::Id&)> block) {
  if (!block) return;
  if (rt::Id object = memory_->objectForKey(key)) {
    dispatch::globalQueue()->async([key, object, block] { block(key, object); });
    return;
  }
  disk_->objectForKey(key, std::move(block));
}

void DRCache::setObject(const rt::Id& object, const String& key) {
  memory_->setObject(object, key);
  disk_->setObject(object, key);
}

void DRCache::setObject(const rt::Id& object, const String& key, std::function<void()> block) {
  memory_->setObject(object, key);
  disk_->setObject(object, key, std::move(block));
}

void DRCache::removeObjectForKey(const String& key) {
  memory_->removeObjectForKey(key);
  disk_->removeObjectForKey(key);
}

void DRCache::removeObjectForKey(const String& key, std::function<void(const String&)> block) {
  memory_->removeObjectForKey(key);
  disk_->removeObjectForKey(key, std::move(block));
}

void DRCache::removeAllObjects() {
  memory_->removeAllObjects();
  disk_->removeAllObjects();
}

void DRCache::removeAllObjects(std::function<void()> block) {
  memory_->removeAllObjects();
  disk_->removeAllObjects(std::move(block));
}

void DRCache::removeAllObjects(std::function<void(int64_t, int64_t)> progress, std::function<void(bool)> end) {
  memory_->removeAllObjects();
  disk_->removeAllObjects(std::move(progress), std::move(end));
}

String DRCache::description() const {
  if (!name_.isEmpty()) return String::format("<%@: %p> (%@)", className(), static_cast<const void*>(this), name_);
  return String::format("<%@: %p>", className(), static_cast<const void*>(this));
}

}  // namespace cache
