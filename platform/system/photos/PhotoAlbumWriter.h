#pragma once
// Saves pictures into the user's photo album, which here is a folder: the configured one, else
// the XDG pictures directory (XDG_PICTURES_DIR, or its line in user-dirs.dirs), else
// ~/Pictures. The bytes are written as they are, on a global queue; the answer (an asset URL,
// or an error) comes on the main queue.
#include <functional>

#include "platform/foundation/Error.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Data.h"

namespace sys {

inline constexpr const char* kPhotoAlbumErrorDomain = "ALAssetsLibraryErrorDomain";
inline constexpr int64_t kPhotoAlbumWriteFailedError = -3301;
inline constexpr int64_t kPhotoAlbumWriteDataEncodingError = -3304;

class PhotoAlbumWriter : public rt::Object {
  RT_CLASS_NAMED(PhotoAlbumWriter, rt::Object, "ALAssetsLibrary")
 public:
  using Completion = std::function<void(Ref<fd::URL> assetURL, Ref<fd::Error> error)>;
  void init() {}

  /// Empty: the pictures folder of the user.
  const rt::String& folder() const { return folder_; }
  void setFolder(const rt::String& path) { folder_ = path; }
  /// The folder saves go to now.
  rt::String albumFolder() const;

  /// Writes JPEG, PNG, GIF or WebP bytes as a new file "IMG_<id>.<ext>"; other bytes answer
  /// the data-encoding error, a folder that cannot be written the write-failed error.
  void writeImageDataToSavedPhotosAlbum(const Ref<fd::Data>& data, Completion completion);
  /// The file an asset URL this writer answered names, or empty.
  rt::String pathForAssetURL(const Ref<fd::URL>& url) const;

 private:
  rt::String folder_;
};

}  // namespace sys
