#pragma once
// The pictures behind the data set's addresses, "/pictures/KIND/NAME.EXT": KIND fixes the size
// (banner 750x400, thumb 200x150 ...), NAME and the seed fix a pattern of coloured blocks, EXT
// the format; "anim" pictures are animations of three 0.1 s frames that loop forever (JPEG:
// the first frame). Made on first request and kept.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sample {

struct PictureRequest {
  std::string kind;
  std::string name;
  std::string extension;
  int width = 0;
  int height = 0;
  std::string contentType;
};

/// Reads "KIND/NAME.EXT"; nullopt for an unknown kind or format or a name outside [A-Za-z0-9_-].
std::optional<PictureRequest> parsePicturePath(const std::string& path);

class PictureMaker {
 public:
  explicit PictureMaker(uint64_t seed) : seed_(seed) {}

  /// The encoded picture; shared, so callers may keep it after the cache moves on.
  std::shared_ptr<const std::vector<uint8_t>> picture(const PictureRequest& request);

 private:
  uint64_t seed_;
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const std::vector<uint8_t>>> cache_;
};

}  // namespace sample
