#include "platform/system/photos/PhotoAlbumWriter.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/UUID.h"

namespace sys {
namespace {

/// The file extension of the picture format the bytes are in, or empty.
std::string pictureExtension(const fd::Data& data) {
  const uint8_t* b = data.bytes();
  size_t n = data.length();
  if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return "JPG";
  if (n >= 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return "PNG";
  if (n >= 6 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') return "GIF";
  if (n >= 12 && std::string(reinterpret_cast<const char*>(b), 4) == "RIFF" &&
      std::string(reinterpret_cast<const char*>(b + 8), 4) == "WEBP")
    return "WEBP";
  return {};
}

/// XDG_PICTURES_DIR from the user-dirs file, with "$HOME" expanded; empty when absent.
rt::String picturesFromUserDirs(const rt::String& home) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string file = (config && *config && !std::getenv("KD_HOME_OVERRIDE")) ? std::string(config)
                                                                              : home.utf8() + "/.config";
  std::ifstream in(file + "/user-dirs.dirs");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("XDG_PICTURES_DIR=", 0) != 0) continue;
    std::string value = line.substr(17);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home.utf8() + value.substr(5);
    if (!value.empty() && value[0] == '/') return rt::String(value.c_str());
  }
  return {};
}

}  // namespace

RT_IMPLEMENT_PLATFORM(PhotoAlbumWriter) {}

rt::String PhotoAlbumWriter::albumFolder() const {
  if (!folder_.isEmpty()) return folder_;
  rt::String home = fd::NSHomeDirectory();
  if (!std::getenv("KD_HOME_OVERRIDE")) {
    if (const char* v = std::getenv("XDG_PICTURES_DIR"); v && v[0] == '/') return rt::String(v);
  }
  rt::String fromFile = picturesFromUserDirs(home);
  return fromFile.isEmpty() ? home.stringByAppendingPathComponent("Pictures") : fromFile;
}

void PhotoAlbumWriter::writeImageDataToSavedPhotosAlbum(const Ref<fd::Data>& data, Completion completion) {
  rt::String folder = albumFolder();
  dispatch::globalQueue()->async([data, folder, completion] {
    Ref<fd::URL> url;
    Ref<fd::Error> error;
    std::string ext = data ? pictureExtension(*data) : std::string();
    if (ext.empty()) {
      error = fd::Error::withDescription(kPhotoAlbumErrorDomain, kPhotoAlbumWriteDataEncodingError,
                                         "The data is not a picture the album can keep.");
    } else {
      std::string id = fd::UUID::create()->UUIDString().utf8();
      rt::String path = folder.stringByAppendingPathComponent(rt::String(("IMG_" + id + "." + ext).c_str()));
      Ref<fd::Error> failure;
      bool made = fd::FileManager::defaultManager()->createDirectoryAtPath(folder, true, &failure);
      if (made && fd::writeDataToFile(*data, path, true, &failure)) {
        url = fd::URL::URLWithString(rt::String(("assets-library://asset/asset." + ext + "?id=" + id + "&ext=" + ext).c_str()));
      } else {
        error = fd::Error::withDescription(kPhotoAlbumErrorDomain, kPhotoAlbumWriteFailedError,
                                           rt::String::format("The picture could not be written to %@.",
                                                              fd::StringObject::create(folder)));
      }
    }
    dispatch::mainQueue()->async([completion, url, error] {
      if (completion) completion(url, error);
    });
  });
}

rt::String PhotoAlbumWriter::pathForAssetURL(const Ref<fd::URL>& url) const {
  if (!url) return {};
  std::string text = url->absoluteString().utf8();
  const std::string prefix = "assets-library://asset/asset.";
  size_t id = text.find("?id="), ext = text.find("&ext=");
  if (text.rfind(prefix, 0) != 0 || id == std::string::npos || ext == std::string::npos || ext < id) return {};
  std::string name = "IMG_" + text.substr(id + 4, ext - id - 4) + "." + text.substr(ext + 5);
  return albumFolder().stringByAppendingPathComponent(rt::String(name.c_str()));
}

}  // namespace sys
