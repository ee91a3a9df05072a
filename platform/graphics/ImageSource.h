#pragma once
// Image sources: read images and their properties out of encoded bytes, whole or arriving
// a little at a time. Frames come out as native premultiplied bitmaps; GIF and animated WebP
// frames come composed on their canvas.
#include <map>
#include <memory>
#include <mutex>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageTypes.h"
#include "platform/graphics/PartialImages.h"
#include "platform/runtime/Class.h"

namespace fd {
class Data;
class Dictionary;
class URL;
}  // namespace fd

namespace gfx {

namespace codecs {
class Decoder;
class IncrementalDecoder;
struct ImageInfo;
struct Raster;
}  // namespace codecs

enum ImageSourceStatus : int32_t {
  kCGImageStatusUnexpectedEOF = -5,
  kCGImageStatusInvalidData = -4,
  kCGImageStatusUnknownType = -3,
  kCGImageStatusReadingHeader = -2,
  kCGImageStatusIncomplete = -1,
  kCGImageStatusComplete = 0,
};

class ImageSource : public rt::Object {
  RT_CLASS_NAMED(ImageSource, rt::Object, "CGImageSource")
 public:
  ImageSource();
  ~ImageSource() override;

  /// Null when `data` is null or empty. Options: kCGImageSourceShouldCache (default true),
  /// kCGImageSourceTypeIdentifierHint.
  static Ref<ImageSource> createWithData(const Ref<fd::Data>& data, const Ref<fd::Dictionary>& options = nullptr);
  /// Reads a file URL; null when it cannot be read.
  static Ref<ImageSource> createWithURL(const Ref<fd::URL>& url, const Ref<fd::Dictionary>& options = nullptr);
  static Ref<ImageSource> createWithFile(const rt::String& path, const Ref<fd::Dictionary>& options = nullptr);
  /// An empty source to be fed with updateData.
  static Ref<ImageSource> createIncremental(const Ref<fd::Dictionary>& options = nullptr);

  /// Replaces the bytes with `data` (everything received so far); `final` says no more come.
  void updateData(const Ref<fd::Data>& data, bool final);

  /// The type identifier ("public.png"...), empty while unknown.
  rt::String type() const;
  ImageFormat format() const;
  /// Frames known so far.
  size_t count() const;
  ImageSourceStatus status() const;
  ImageSourceStatus statusAtIndex(size_t index) const;

  /// Container facts ("FileSize", "{GIF}" loop count...); null while the header is unknown.
  Ref<fd::Dictionary> copyProperties(const Ref<fd::Dictionary>& options = nullptr) const;
  /// The frame's facts (pixel size, orientation, delays...); null for a bad index.
  Ref<fd::Dictionary> copyPropertiesAtIndex(size_t index, const Ref<fd::Dictionary>& options = nullptr) const;
  /// The decoded frame; null when nothing of it can be decoded yet.
  Ref<BitmapImage> createImageAtIndex(size_t index, const Ref<fd::Dictionary>& options = nullptr);
  /// A frame scaled to fit kCGImageSourceThumbnailMaxPixelSize (when given), rotated upright
  /// when kCGImageSourceCreateThumbnailWithTransform is true.
  Ref<BitmapImage> createThumbnailAtIndex(size_t index, const Ref<fd::Dictionary>& options = nullptr);

  /// The bytes an incremental source's decoders have read while the file grows, counted again
  /// whenever one starts over from the first byte (for tests and diagnostics): a file decoded
  /// as it arrives is read once, so about its length.
  size_t streamedBytesRead() const;

 private:
  void setData(Ref<fd::Data> data, bool final, bool incremental);
  bool ensureInfo() const;  // with mutex_ held
  bool decodeFrame(size_t index, codecs::Raster& out, bool keepFirst) const;  // with mutex_ held
  void feedStream(const Ref<fd::Data>& previous);
  void dropStream() const;  // with mutex_ held
  /// The streamed still so far, when there is one with rows; with mutex_ held.
  const codecs::Raster* streamed() const;
  bool shouldCache(const Ref<fd::Dictionary>& options) const;

  mutable std::mutex mutex_;
  Ref<fd::Data> data_;
  bool final_ = true;
  bool incremental_ = false;
  bool cacheDefault_ = true;
  ImageFormat format_ = ImageFormat::Unknown;
  mutable std::unique_ptr<codecs::Decoder> decoder_;
  mutable std::unique_ptr<codecs::ImageInfo> info_;
  // The first frame, decoded to learn whether complete data holds an image at all; handed
  // to the first request for that frame.
  mutable std::unique_ptr<codecs::Raster> firstFrame_;
  mutable bool infoRead_ = false;
  std::map<size_t, Ref<BitmapImage>> cache_;
  // An incremental source's still image, decoded as its bytes arrive: the decoder keeps its
  // state and canvas from one update to the next and is fed only the new bytes.
  mutable std::unique_ptr<codecs::IncrementalDecoder> stream_;
  size_t fed_ = 0;
  mutable PartialImages partials_;  // of stream_'s canvas
  // Read by the decoders let go before stream_, and by whole-file decodes of a growing file.
  mutable size_t readBefore_ = 0;
};

}  // namespace gfx
