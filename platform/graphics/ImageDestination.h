#pragma once
// Image destinations: encode bitmaps into a file format, into data or a file, with per-image
// quality and delays and a loop count for animations.
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageTypes.h"
#include "platform/runtime/Class.h"

namespace fd {
class Dictionary;
class MutableData;
class URL;
}  // namespace fd

namespace gfx {

class ImageSource;

class ImageDestination : public rt::Object {
  RT_CLASS_NAMED(ImageDestination, rt::Object, "CGImageDestination")
 public:
  /// Null for a null `data`, a type with no encoder, or a count of zero.
  static Ref<ImageDestination> createWithData(const Ref<fd::MutableData>& data, const rt::String& type, size_t count,
                                              const Ref<fd::Dictionary>& options = nullptr);
  /// Writes a file URL at finalize.
  static Ref<ImageDestination> createWithURL(const Ref<fd::URL>& url, const rt::String& type, size_t count,
                                             const Ref<fd::Dictionary>& options = nullptr);
  /// The type identifiers destinations can write.
  static std::vector<rt::String> copyTypeIdentifiers();

  /// Destination-wide properties: "{GIF}" {"LoopCount"}, a default lossy quality.
  void setProperties(const Ref<fd::Dictionary>& properties);
  /// Adds one image; kCGImageDestinationLossyCompressionQuality (0..1) and "{GIF}" {"DelayTime"}
  /// are read from `properties`. Images beyond the declared count are ignored.
  void addImage(const Ref<BitmapImage>& image, const Ref<fd::Dictionary>& properties = nullptr);
  /// Adds a source's frame with that frame's delay unless `properties` says otherwise.
  void addImageFromSource(const Ref<ImageSource>& source, size_t index, const Ref<fd::Dictionary>& properties = nullptr);
  /// Encodes and writes everything; false when nothing was added, encoding fails or the file
  /// cannot be written. A destination finalizes once.
  bool finalize();

 private:
  struct Pending {
    Ref<BitmapImage> image;
    double quality = -1;
    double delay = -1;
  };
  ImageFormat format_ = ImageFormat::Unknown;
  size_t capacity_ = 0;
  Ref<fd::MutableData> data_;
  rt::String path_;
  std::vector<Pending> images_;
  double defaultQuality_ = -1;
  int loopCount_ = 0;
  bool finalized_ = false;
};

}  // namespace gfx
