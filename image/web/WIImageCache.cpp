#include "image/web/WIImageCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <typeinfo>

#include "image/web/Image+ForceDecode.h"
#include "image/web/Image+MultiFormat.h"
#include "image/web/WIImageScaledForKey.h"
#include "platform/crypto/Digest.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageData.h"
#include "platform/ui/host/Application.h"

namespace image {

namespace fs = std::filesystem;

namespace {

constexpr const char* kNamespacePrefix = "com.dolvaring.WIWebImageCache.";
constexpr const char* kIOQueueLabel = "com.dolvaring.WIWebImageCache";
constexpr uint8_t kPNGSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

Ref<rt::Object> boxedKey(const fd::String& key) { return fd::StringObject::create(key); }

bool isHidden(const fs::path& p) {
  auto name = p.filename().string();
  return !name.empty() && name[0] == '.';
}

struct FileFacts {
  fs::path path;
  double modified = 0;  // seconds since 1970
  uint64_t allocated = 0;
  uint64_t size = 0;
  bool directory = false;
};

std::optional<FileFacts> factsOf(const fs::path& p) {
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return std::nullopt;
  FileFacts f;
  f.path = p;
  f.modified = double(st.st_mtim.tv_sec) + double(st.st_mtim.tv_nsec) / 1e9;
  f.allocated = uint64_t(st.st_blocks) * 512u;
  f.size = uint64_t(st.st_size);
  f.directory = S_ISDIR(st.st_mode);
  return f;
}

/// Every entry below `root`, depth first; hidden entries (and what lies in hidden folders)
/// only when asked.
std::vector<FileFacts> enumerate(const fs::path& root, bool includeHidden) {
  std::vector<FileFacts> out;
  std::error_code ec;
  fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (!includeHidden && isHidden(p)) {
      if (it->is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    if (auto f = factsOf(p)) out.push_back(std::move(*f));
  }
  return out;
}

double nowSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

Ref<fd::Data> WIPNGSignatureData() { return fd::Data::create(kPNGSignature, sizeof kPNGSignature); }

bool WIDataHasPNGSignature(const Ref<fd::Data>& data) {
  return data && data->length() >= sizeof kPNGSignature &&
         std::equal(kPNGSignature, kPNGSignature + sizeof kPNGSignature, data->bytes());
}

RT_IMPLEMENT(WIImageCache) {}

Ref<WIImageCache> WIImageCache::sharedImageCache() {
  static Ref<WIImageCache> shared = rt::make<WIImageCache>();
  return shared;
}

void WIImageCache::init() { init(fd::String("default")); }

void WIImageCache::init(const fd::String& ns) { init(ns, makeDiskCachePath(ns)); }

void WIImageCache::init(const fd::String& ns, const std::optional<fd::String>& directory) {
  const fd::String fullNamespace = fd::String(kNamespacePrefix) + ns;
  ioQueue_ = dispatch::Queue::createSerial(kIOQueueLabel);
  memCache_ = AutoPurgeCache::create();
  memCache_->setName(fullNamespace);
  diskCachePath_ = directory ? directory->stringByAppendingPathComponent(fullNamespace) : makeDiskCachePath(ns);
  ioQueue_->sync([this] { fileManager_ = rt::make<fd::FileManager>(); });

  auto center = fd::NotificationCenter::defaultCenter();
  Weak<WIImageCache> weak = std::static_pointer_cast<WIImageCache>(shared_from_this());
  auto self = shared_from_this();
  center->addObserver(
      self, [weak](const Ref<fd::Notification>&) { if (auto s = weak.lock()) s->clearMemory(); },
      fd::String(ui::UIApplicationDidReceiveMemoryWarningNotification), nullptr);
  center->addObserver(
      self, [weak](const Ref<fd::Notification>&) { if (auto s = weak.lock()) s->cleanDisk(); },
      fd::String(ui::UIApplicationWillTerminateNotification), nullptr);
  center->addObserver(
      self, [weak](const Ref<fd::Notification>&) { if (auto s = weak.lock()) s->backgroundCleanDisk(); },
      fd::String(ui::UIApplicationDidEnterBackgroundNotification), nullptr);
}

WIImageCache::~WIImageCache() = default;

fd::String WIImageCache::makeDiskCachePath(const fd::String& component) const {
  return fd::cachesDirectory().stringByAppendingPathComponent(component);
}

void WIImageCache::addReadOnlyCachePath(const fd::String& path) {
  std::lock_guard lock(customPathsMutex_);
  if (std::find(customPaths_.begin(), customPaths_.end(), path) == customPaths_.end()) customPaths_.push_back(path);
}

std::vector<fd::String> WIImageCache::customPaths() const {
  std::lock_guard lock(customPathsMutex_);
  return customPaths_;
}

fd::String WIImageCache::cachedFileNameForKey(const WICacheKey& key) {
  const std::string utf8 = key ? key->utf8() : std::string();
  return fd::String(crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, utf8)));
}

fd::String WIImageCache::cachePathForKey(const WICacheKey& key, const fd::String& folder) const {
  return folder.stringByAppendingPathComponent(cachedFileNameForKey(key));
}

fd::String WIImageCache::defaultCachePathForKey(const WICacheKey& key) const {
  return cachePathForKey(key, diskCachePath_);
}

uint64_t WIImageCache::costForImage(const Ref<gfx::Image>& image) {
  if (!image) return 0;
  const gfx::Size size = image->size();
  const double scale = image->scale();
  const double pixels = size.width * size.height * scale * scale;
  return pixels > 0 ? static_cast<uint64_t>(pixels) : 0;
}

void WIImageCache::storeInMemory(const Ref<gfx::Image>& image, const fd::String& key) const {
  memCache_->setObject(image, boxedKey(key), costForImage(image));
}

void WIImageCache::storeImage(const Ref<gfx::Image>& image, bool recalculate, const Ref<fd::Data>& data,
                              const WICacheKey& key, bool toDisk) {
  if (!image || !key) return;
  storeInMemory(image, *key);
  if (!toDisk) return;
  auto self = std::static_pointer_cast<WIImageCache>(shared_from_this());
  ioQueue_->async([self, image, recalculate, data, key] {
    Ref<fd::Data> bytes = data;
    if (recalculate || !data) {
      bool png;
      if (!data || data->length() < sizeof kPNGSignature) {
        const auto& cg = image->CGImage();
        const uint32_t alpha = cg ? cg->alphaInfo() : gfx::ImageAlphaNone;
        png = alpha == gfx::ImageAlphaPremultipliedLast || alpha == gfx::ImageAlphaPremultipliedFirst ||
              alpha == gfx::ImageAlphaLast || alpha == gfx::ImageAlphaFirst || alpha == gfx::ImageAlphaOnly;
      } else {
        png = WIDataHasPNGSignature(data);
      }
      bytes = png ? gfx::UIImagePNGRepresentation(image) : gfx::UIImageJPEGRepresentation(image, 1.0);
    }
    if (!bytes) return;
    self->fileManager_->createDirectoryAtPath(self->diskCachePath_, true);
    self->writeFile(self->defaultCachePathForKey(key), bytes);
  });
}

void WIImageCache::writeFile(const fd::String& path, const Ref<fd::Data>& bytes) const {
  // The temporary name is not hidden, so a file left by a crash is still aged out by the clean.
  const std::string final = path.utf8();
  const std::string temporary = final + ".part";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const uint8_t* p = bytes->bytes();
  size_t left = bytes->length();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= size_t(n);
  }
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(temporary.c_str(), final.c_str()) != 0) ::unlink(temporary.c_str());
}

Ref<gfx::Image> WIImageCache::imageFromMemoryCacheForKey(const WICacheKey& key) const {
  if (!key) return nullptr;
  rt::Id object = memCache_->objectForKey(boxedKey(*key));
  // Bound to a name first: a typeid operand holding a call would be an evaluated expression.
  if (object) {
    const auto& value = *object;
    if (typeid(value) == typeid(gfx::Image)) return std::static_pointer_cast<gfx::Image>(object);
  }
  return rt::as<gfx::Image>(object);
}

Ref<gfx::Image> WIImageCache::imageFromDiskCacheForKey(const WICacheKey& key) {
  if (auto image = imageFromMemoryCacheForKey(key)) return image;
  auto image = diskImageForKey(key);
  if (image && key) storeInMemory(image, *key);
  return image;
}

Ref<fd::Data> WIImageCache::diskImageDataBySearchingAllPathsForKey(const WICacheKey& key) const {
  if (auto data = fd::dataWithContentsOfFile(defaultCachePathForKey(key))) return data;
  for (const auto& folder : customPaths())
    if (auto data = fd::dataWithContentsOfFile(cachePathForKey(key, folder))) return data;
  return nullptr;
}

Ref<gfx::Image> WIImageCache::diskImageForKey(const WICacheKey& key) const {
  auto data = diskImageDataBySearchingAllPathsForKey(key);
  if (!data) return nullptr;
  auto image = scaledImageForKey(key, wi_imageWithData(data));
  if (shouldDecompressImages()) image = decodedImageWithImage(image);
  return image;
}

Ref<gfx::Image> WIImageCache::scaledImageForKey(const WICacheKey& key, const Ref<gfx::Image>& image) const {
  return WIImageScaledForKey(key, image);
}

Ref<fd::Operation> WIImageCache::queryDiskCacheForKey(const WICacheKey& key, WIImageCacheQueryBlock done) {
  if (!done) return nullptr;
  if (!key) {
    done(nullptr, WICacheTypeNone);
    return nullptr;
  }
  if (auto image = imageFromMemoryCacheForKey(key)) {
    done(image, WICacheTypeMemory);
    return nullptr;
  }
  // Never started: it only carries the caller's cancellation to the read.
  auto operation = rt::make<fd::Operation>();
  auto self = std::static_pointer_cast<WIImageCache>(shared_from_this());
  ioQueue_->async([self, operation, key, done = std::move(done)] {
    if (operation->isCancelled()) return;
    auto image = self->diskImageForKey(key);
    if (image) self->storeInMemory(image, *key);
    dispatch::mainQueue()->async([done, image] { done(image, WICacheTypeDisk); });
  });
  return operation;
}

bool WIImageCache::diskImageExistsWithKey(const WICacheKey& key) const {
  return fd::FileManager::defaultManager()->fileExistsAtPath(defaultCachePathForKey(key));
}

void WIImageCache::diskImageExistsWithKey(const WICacheKey& key, WIImageCacheCheckBlock completion) {
  auto self = std::static_pointer_cast<WIImageCache>(shared_from_this());
  ioQueue_->async([self, key, completion = std::move(completion)] {
    bool exists = self->fileManager_->fileExistsAtPath(self->defaultCachePathForKey(key));
    if (completion) dispatch::mainQueue()->async([completion, exists] { completion(exists); });
  });
}

void WIImageCache::removeImageForKey(const WICacheKey& key, bool fromDisk, std::function<void()> completion) {
  if (!key) return;
  memCache_->removeObjectForKey(boxedKey(*key));
  if (!fromDisk) {
    if (completion) completion();
    return;
  }
  auto self = std::static_pointer_cast<WIImageCache>(shared_from_this());
  ioQueue_->async([self, key, completion = std::move(completion)] {
    self->fileManager_->removeItemAtPath(self->defaultCachePathForKey(key));
    if (completion) dispatch::mainQueue()->async(completion);
  });
}

void WIImageCache::clearMemory() { memCache_->removeAllObjects(); }

void WIImageCache::clearDisk(std::function<void()> completion) {
  auto self = std::static_pointer_cast<WIImageCache>(shared_from_this());
  ioQueue_->async([self, completion = std::move(completion)] {
    self->fileManager_->removeItemAtPath(self->diskCachePath_);
    self->fileManager_->createDirectoryAtPath(self->diskCachePath_, true);
    if (completion) dispatch::mainQueue()->async(completion);
  });
}

void WIImageCache::cleanDisk(std::function<void()> completion) {
  auto self = std::static_pointer_cast<WIImageCache>(shared_from_this());
  ioQueue_->async([self, completion = std::move(completion)] {
    self->cleanNow();
    if (completion) dispatch::mainQueue()->async(completion);
  });
}

void WIImageCache::cleanNow() {
  const double expiration = nowSeconds() - double(maxCacheAge());
  std::vector<FileFacts> kept;
  uint64_t currentSize = 0;
  for (auto& f : enumerate(diskCachePath_.utf8(), false)) {
    if (f.directory) continue;
    std::error_code ec;
    if (std::max(f.modified, expiration) == expiration) {
      fs::remove(f.path, ec);
    } else {
      currentSize += f.allocated;
      kept.push_back(std::move(f));
    }
  }
  const uint64_t limit = maxCacheSize();
  if (limit == 0 || currentSize <= limit) return;
  const uint64_t target = limit / 2;
  std::stable_sort(kept.begin(), kept.end(), [](const FileFacts& a, const FileFacts& b) { return a.modified < b.modified; });
  for (const auto& f : kept) {
    std::error_code ec;
    if (fs::remove(f.path, ec)) {
      currentSize -= std::min(currentSize, f.allocated);
      if (currentSize < target) break;
    }
  }
}

void WIImageCache::backgroundCleanDisk() {
  auto app = ui::Application::sharedApplication();
  if (!app) return;
  // Shared between the expiration handler and the completion: whichever runs first ends it.
  auto task = std::make_shared<std::atomic<ui::BackgroundTaskIdentifier>>(ui::UIBackgroundTaskInvalid);
  auto end = [app, task] {
    auto id = task->exchange(ui::UIBackgroundTaskInvalid);
    if (id != ui::UIBackgroundTaskInvalid) app->endBackgroundTask(id);
  };
  task->store(app->beginBackgroundTaskWithExpirationHandler(end));
  cleanDisk(end);
}

uint64_t WIImageCache::getSize() const {
  uint64_t size = 0;
  ioQueue_->sync([&] {
    for (const auto& f : enumerate(diskCachePath_.utf8(), true))
      if (!f.directory) size += f.size;
  });
  return size;
}

uint64_t WIImageCache::getDiskCount() const {
  uint64_t count = 0;
  ioQueue_->sync([&] { count = enumerate(diskCachePath_.utf8(), true).size(); });
  return count;
}

void WIImageCache::calculateSize(WIImageCacheSizeBlock completion) const {
  auto self = std::static_pointer_cast<const WIImageCache>(shared_from_this());
  ioQueue_->async([self, completion = std::move(completion)] {
    uint64_t count = 0, size = 0;
    for (const auto& f : enumerate(self->diskCachePath_.utf8(), false)) {
      ++count;
      if (!f.directory) size += f.size;
    }
    if (completion) dispatch::mainQueue()->async([completion, count, size] { completion(count, size); });
  });
}

}  // namespace image
