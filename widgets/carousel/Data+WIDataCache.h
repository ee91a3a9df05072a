#pragma once
// The carousel's picture cache on disk: one folder under the application's caches folder, one
// file per picture named by the MD5 of its URL, holding the downloaded bytes unchanged. The
// first lookup of a run removes the whole folder when it holds 100 entries or more. Files are
// written atomically; any thread may call.
#include "platform/foundation/values/Data.h"

namespace widgets {

class WIDataCache {
 public:
  /// The folder, created (with its parents) when missing.
  static rt::String cachePath();
  /// The 32 lower-case hexadecimal digits of the MD5 of the identifier's UTF-8 bytes.
  static rt::String creatMD5StringWithString(const rt::String& identifier);
  static rt::String creatDataPathWithString(const rt::String& identifier);
  /// Writes `data` atomically; a failed write means the next lookup misses.
  static void saveDataCacheWithIdentifier(const Ref<fd::Data>& data, const rt::String& identifier);
  /// The file's bytes, or null.
  static Ref<fd::Data> getDataCacheWithIdentifier(const rt::String& identifier);
  /// Removes one entry (a file that turned out not to be a picture).
  static void removeDataCacheWithIdentifier(const rt::String& identifier);
  static void clearCache();

  /// Removes `folder` whole when it holds `kMaxEntries` entries or more; answers whether it did.
  static bool removeFolderIfFull(const rt::String& folder);
  static constexpr size_t kMaxEntries = 100;
};

}  // namespace widgets
