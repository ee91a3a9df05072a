#pragma once
// Turns one or more images into encoded data of a chosen type: stills and GIF animations
// through the platform's image destinations, animated PNG by its own writer, WebP stills and
// animations through libwebp. Not locked: one thread at a time.
#include <variant>
#include <vector>

#include "image/codec/DRImageCoderTypes.h"
#include "image/codec/DRImageDecoder.h"
#include "platform/graphics/Image.h"
#include "platform/runtime/Class.h"

namespace fd {
class Data;
}
namespace gfx {
class ImageDestination;
}

namespace image {

class DRImageEncoder : public rt::Object {
  RT_CLASS(DRImageEncoder, rt::Object)
 public:
  /// An encoder needs a type: raises "DRImageEncoder init error".
  static Ref<DRImageEncoder> create();
  /// Null for unknown, other, or any value outside 1 to 9.
  static Ref<DRImageEncoder> create(DRImageFileType type);
  void init() {}
  bool init(DRImageFileType type);

  DRImageFileType type() const { return type_; }
  uint64_t loopCount = 0;
  bool lossless = false;
  double quality() const { return quality_; }
  /// Clamped to 0..1.
  void setQuality(double quality);

  /// Negative durations become 0; an image without a bitmap, empty data or an empty path adds nothing.
  void addImage(const Ref<gfx::Image>& image, double duration);
  void addImageWithData(const Ref<fd::Data>& data, double duration);
  void addImageWithFile(const rt::String& path, double duration);

  Ref<fd::Data> encode() const;
  bool encodeToFile(const rt::String& path) const;

  static Ref<fd::Data> encodeImage(const Ref<gfx::Image>& image, DRImageFileType type, double quality);
  static Ref<fd::Data> encodeImageWithDecoder(const Ref<DRImageDecoder>& decoder, DRImageFileType type, double quality);

 private:
  // A file entry keeps its path as given: a path is not a URL, and spaces or "%" in it must
  // still reach the file.
  struct FilePath {
    rt::String path;
  };
  using Entry = std::variant<Ref<gfx::Image>, FilePath, Ref<fd::Data>>;

  bool imageIOAvailable() const;
  Ref<gfx::BitmapImage> newCGImageFromIndex(size_t index, bool decoded) const;
  Ref<fd::Data> encodeWithImageIO() const;
  bool encodeWithImageIO(const rt::String& path) const;
  bool encodeInto(const Ref<gfx::ImageDestination>& destination, size_t count) const;
  Ref<fd::Data> encodeAPNG() const;
  Ref<fd::Data> encodeWebP() const;

  DRImageFileType type_ = DRImageFileTypeUnknown;
  double quality_ = 1;
  std::vector<Entry> images_;
  std::vector<double> durations_;
};

}  // namespace image
