#include "widgets/carousel/Data+WIDataCache.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include "platform/crypto/Digest.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/files/Paths.h"

namespace widgets {

namespace fs = std::filesystem;

rt::String WIDataCache::cachePath() {
  rt::String path = fd::cachesDirectory().stringByAppendingPathComponent("WIDataCache");
  std::error_code ec;
  fs::create_directories(path.utf8(), ec);
  return path;
}

rt::String WIDataCache::creatMD5StringWithString(const rt::String& identifier) {
  std::string bytes = identifier.utf8();
  return rt::String(crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, bytes)).c_str());
}

rt::String WIDataCache::creatDataPathWithString(const rt::String& identifier) {
  return cachePath().stringByAppendingPathComponent(creatMD5StringWithString(identifier));
}

void WIDataCache::saveDataCacheWithIdentifier(const Ref<fd::Data>& data, const rt::String& identifier) {
  if (!data) return;
  fd::writeDataToFile(*data, creatDataPathWithString(identifier), true);
}

bool WIDataCache::removeFolderIfFull(const rt::String& folder) {
  std::error_code ec;
  size_t entries = 0;
  for (fs::directory_iterator it(folder.utf8(), ec), end; !ec && it != end; it.increment(ec)) ++entries;
  if (ec || entries < kMaxEntries) return false;
  fs::remove_all(folder.utf8(), ec);
  return !ec;
}

Ref<fd::Data> WIDataCache::getDataCacheWithIdentifier(const rt::String& identifier) {
  static std::atomic<bool> checked{false};
  if (!checked.exchange(true)) removeFolderIfFull(fd::cachesDirectory().stringByAppendingPathComponent("WIDataCache"));
  return fd::dataWithContentsOfFile(creatDataPathWithString(identifier));
}

void WIDataCache::removeDataCacheWithIdentifier(const rt::String& identifier) {
  std::error_code ec;
  fs::remove(creatDataPathWithString(identifier).utf8(), ec);
}

void WIDataCache::clearCache() {
  std::error_code ec;
  fs::remove_all(fd::cachesDirectory().stringByAppendingPathComponent("WIDataCache").utf8(), ec);
}

}  // namespace widgets
