#include "platform/graphics/ImageSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/graphics/codecs/Codec.h"
#include "platform/graphics/codecs/PixelRows.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(ImageSource) {}

namespace {

bool boolOption(const Ref<fd::Dictionary>& options, const char* key, bool fallback) {
  if (!options) return fallback;
  auto n = options->objectForKeyAs<fd::Number>(key);
  return n ? n->boolValue() : fallback;
}

// Hands the raster's pixels to a bitmap without copying; `rows` cuts the image short.
Ref<BitmapImage> bitmapFromRaster(codecs::Raster&& r, uint32_t rows, bool opaque) {
  PixelFormat f;
  f.width = r.width;
  f.height = rows;
  f.bytesPerRow = size_t(r.width) * 4;
  f.bitmapInfo = opaque ? BitmapInfoNativeOpaque : BitmapInfoNativePremultiplied;
  f.colorSpace = ColorSpace::deviceRGB();
  if (r.cmyk) {
    f.bitmapInfo = ImageAlphaNone;
    f.colorSpace = ColorSpace::deviceCMYK();
  }
  auto* px = new std::vector<uint32_t>(std::move(r.pixels));
  px->resize(size_t(r.width) * rows);
  return BitmapImage::createWithBytesNoCopy(f, px->data(), [px](const void*) { delete px; });
}

// GIF frames shorter than 11 ms play at 100 ms, as browsers do.
double clampedDelay(double d) { return d < 0.011 ? 0.1 : d; }

// Area-averaged downscale of premultiplied pixels.
codecs::Raster scaled(const codecs::Raster& in, uint32_t w, uint32_t h) {
  codecs::Raster out;
  out.reset(w, h);
  out.rows = h;
  out.cmyk = in.cmyk;
  for (uint32_t y = 0; y < h; ++y) {
    uint32_t sy0 = uint32_t(uint64_t(y) * in.height / h), sy1 = std::max(sy0 + 1, uint32_t(uint64_t(y + 1) * in.height / h));
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t sx0 = uint32_t(uint64_t(x) * in.width / w), sx1 = std::max(sx0 + 1, uint32_t(uint64_t(x + 1) * in.width / w));
      uint64_t sum[4] = {0, 0, 0, 0}, n = 0;
      for (uint32_t sy = sy0; sy < sy1; ++sy)
        for (uint32_t sx = sx0; sx < sx1; ++sx, ++n) {
          uint32_t v = in.pixels[size_t(sy) * in.width + sx];
          sum[0] += v >> 24, sum[1] += (v >> 16) & 0xff, sum[2] += (v >> 8) & 0xff, sum[3] += v & 0xff;
        }
      out.pixels[size_t(y) * w + x] = uint32_t((sum[0] + n / 2) / n) << 24 | uint32_t((sum[1] + n / 2) / n) << 16 |
                                      uint32_t((sum[2] + n / 2) / n) << 8 | uint32_t((sum[3] + n / 2) / n);
    }
  }
  return out;
}

// Turns stored pixels upright for an EXIF orientation (2-8).
codecs::Raster oriented(const codecs::Raster& in, int orientation) {
  const bool swap = orientation >= 5;
  codecs::Raster out;
  out.reset(swap ? in.height : in.width, swap ? in.width : in.height);
  out.rows = out.height;
  out.cmyk = in.cmyk;
  const int64_t W = out.width, H = out.height;
  for (int64_t y = 0; y < H; ++y)
    for (int64_t x = 0; x < W; ++x) {
      int64_t sx = x, sy = y;
      switch (orientation) {
        case 2: sx = W - 1 - x; break;
        case 3: sx = W - 1 - x, sy = H - 1 - y; break;
        case 4: sy = H - 1 - y; break;
        case 5: sx = y, sy = x; break;
        case 6: sx = y, sy = W - 1 - x; break;
        case 7: sx = H - 1 - y, sy = W - 1 - x; break;
        case 8: sx = H - 1 - y, sy = x; break;
        default: break;
      }
      out.pixels[size_t(y * W + x)] = in.pixels[size_t(sy) * in.width + size_t(sx)];
    }
  return out;
}

}  // namespace

ImageSource::ImageSource() = default;
ImageSource::~ImageSource() = default;

Ref<ImageSource> ImageSource::createWithData(const Ref<fd::Data>& data, const Ref<fd::Dictionary>& options) {
  if (!data || data->length() == 0) return nullptr;
  auto s = rt::make<ImageSource>();
  s->cacheDefault_ = boolOption(options, kCGImageSourceShouldCache, true);
  s->setData(data, true, false);
  return s;
}

Ref<ImageSource> ImageSource::createWithFile(const rt::String& path, const Ref<fd::Dictionary>& options) {
  std::ifstream in(path.cString(), std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return createWithData(fd::Data::create(std::move(bytes)), options);
}

Ref<ImageSource> ImageSource::createWithURL(const Ref<fd::URL>& url, const Ref<fd::Dictionary>& options) {
  if (!url || !url->isFileURL()) return nullptr;
  return createWithFile(url->path(), options);
}

Ref<ImageSource> ImageSource::createIncremental(const Ref<fd::Dictionary>& options) {
  auto s = rt::make<ImageSource>();
  s->cacheDefault_ = boolOption(options, kCGImageSourceShouldCache, true);
  s->incremental_ = true;
  s->final_ = false;
  return s;
}

void ImageSource::updateData(const Ref<fd::Data>& data, bool final) {
  std::lock_guard lock(mutex_);
  setData(data, final, incremental_);
}

void ImageSource::setData(Ref<fd::Data> data, bool final, bool incremental) {
  // Mutable data may change under the decoder: keep a snapshot.
  if (data && rt::as<fd::MutableData>(data)) data = fd::Data::create(data->bytes(), data->length());
  Ref<fd::Data> previous = std::move(data_);
  data_ = std::move(data);
  final_ = final;
  incremental_ = incremental;
  decoder_.reset();
  info_.reset();
  firstFrame_.reset();
  infoRead_ = false;
  cache_.clear();
  format_ = data_ ? detectImageFormat(data_->bytes(), data_->length()) : ImageFormat::Unknown;
  if (incremental_) feedStream(previous);
  // The last bytes are in: no more partial images.
  if (final_) partials_.reset();
}

void ImageSource::feedStream(const Ref<fd::Data>& previous) {
  // Bytes that do not continue what was fed start the decoding over. Comparing everything
  // fed would make each update cost the whole file again; the start and the last bytes fed
  // tell another file, or a restarted download, from the same one grown.
  const size_t length = data_ ? data_->length() : 0;
  auto same = [&](size_t from, size_t count) {
    return std::memcmp(data_->bytes() + from, previous->bytes() + from, count) == 0;
  };
  const size_t head = std::min<size_t>(fed_, 64), tail = std::min<size_t>(fed_, 4096);
  const bool continues = stream_ && previous && length >= fed_ && fed_ <= previous->length() && same(0, head) &&
                         same(fed_ - tail, tail);
  if (!continues) {
    dropStream();
    fed_ = 0;
  }
  const codecs::Codec* codec = codecs::codecFor(format_);
  if (!stream_ && codec && codec->incremental) stream_ = codec->incremental();
  if (!stream_ || length <= fed_) return;
  stream_->feed(data_->bytes(), length);
  fed_ = length;
}

void ImageSource::dropStream() const {
  if (stream_) readBefore_ += stream_->bytesRead();
  stream_.reset();
  partials_.reset();
}

size_t ImageSource::streamedBytesRead() const {
  std::lock_guard lock(mutex_);
  return readBefore_ + (stream_ ? stream_->bytesRead() : 0);
}

const codecs::Raster* ImageSource::streamed() const {
  if (!stream_ || stream_->state() == codecs::IncrementalDecoder::State::Unsupported) return nullptr;
  const codecs::Raster* canvas = stream_->canvas();
  return canvas && canvas->rows > 0 ? canvas : nullptr;
}

bool ImageSource::ensureInfo() const {
  if (infoRead_) return info_ != nullptr;
  infoRead_ = true;
  const codecs::Codec* codec = codecs::codecFor(format_);
  if (!codec || !data_) return false;
  decoder_ = codec->decoder(data_->bytes(), data_->length(), final_);
  auto info = std::make_unique<codecs::ImageInfo>();
  if (!decoder_ || !decoder_->readInfo(*info) || info->frames.empty()) {
    // A header still arriving is read again with the next bytes.
    if (!final_) infoRead_ = false;
    decoder_.reset();
    return false;
  }
  if (final_) {
    // A header can look sound over data that holds no image (a damaged checksum, an
    // unsupported precision, nothing after the header): complete data counts as an image
    // only once its first frame decodes. A still streamed to its last row is that frame.
    auto first = std::make_unique<codecs::Raster>();
    if (info->frames.size() == 1 && streamed() && streamed()->complete()) {
      *first = stream_->takeCanvas();
      dropStream();
    } else if (!decoder_->decode(0, *first) || first->width == 0 || first->height == 0 || first->rows == 0) {
      decoder_.reset();
      return false;
    }
    firstFrame_ = std::move(first);
  }
  info_ = std::move(info);
  return true;
}

bool ImageSource::decodeFrame(size_t index, codecs::Raster& out, bool keepFirst) const {
  if (index == 0 && firstFrame_) {
    if (keepFirst) {
      out = *firstFrame_;
    } else {
      out = std::move(*firstFrame_);
      firstFrame_.reset();
    }
    return true;
  }
  // A growing still comes from the decoder that has followed it; the whole-file decoder
  // covers what that one cannot show (nothing decoded yet, animations).
  if (index == 0 && !final_ && info_->frames.size() == 1) {
    if (const codecs::Raster* canvas = streamed()) {
      out = *canvas;  // a copy: the decoder goes on writing into its canvas
      return true;
    }
  }
  if (incremental_ && !final_) readBefore_ += data_->length();
  return decoder_->decode(index, out);
}

rt::String ImageSource::type() const {
  std::lock_guard lock(mutex_);
  return typeIdentifierForFormat(format_);
}

ImageFormat ImageSource::format() const {
  std::lock_guard lock(mutex_);
  return format_;
}

size_t ImageSource::count() const {
  std::lock_guard lock(mutex_);
  return ensureInfo() ? info_->frames.size() : 0;
}

ImageSourceStatus ImageSource::status() const {
  std::lock_guard lock(mutex_);
  if (!data_ || data_->length() == 0) return kCGImageStatusReadingHeader;
  if (format_ == ImageFormat::Unknown) return data_->length() < 16 && !final_ ? kCGImageStatusReadingHeader : kCGImageStatusUnknownType;
  if (!codecs::codecFor(format_)) return kCGImageStatusUnknownType;
  if (!ensureInfo()) return final_ ? kCGImageStatusInvalidData : kCGImageStatusReadingHeader;
  return final_ ? kCGImageStatusComplete : kCGImageStatusIncomplete;
}

ImageSourceStatus ImageSource::statusAtIndex(size_t index) const {
  ImageSourceStatus s = status();
  if (s != kCGImageStatusComplete && s != kCGImageStatusIncomplete) return s;
  std::lock_guard lock(mutex_);
  if (index >= info_->frames.size()) return final_ ? kCGImageStatusInvalidData : kCGImageStatusReadingHeader;
  if (!final_ && index + 1 == info_->frames.size()) return kCGImageStatusIncomplete;
  return kCGImageStatusComplete;
}

Ref<fd::Dictionary> ImageSource::copyProperties(const Ref<fd::Dictionary>&) const {
  std::lock_guard lock(mutex_);
  if (!data_) return nullptr;
  auto d = fd::MutableDictionary::create();
  d->setObjectForKey(fd::box(uint64_t(data_->length())), rt::String(kCGImagePropertyFileSize));
  if (ensureInfo() && info_->loopCount >= 0) {
    const char* group = format_ == ImageFormat::GIF ? kCGImagePropertyGIFDictionary
                        : format_ == ImageFormat::WebP ? kCGImagePropertyWebPDictionary : nullptr;
    if (group) {
      auto g = fd::MutableDictionary::create();
      g->setObjectForKey(fd::box(int64_t(info_->loopCount)), rt::String(kCGImagePropertyGIFLoopCount));
      d->setObjectForKey(g->copy(), rt::String(group));
    }
  }
  return rt::as<fd::Dictionary>(d->copy());
}

Ref<fd::Dictionary> ImageSource::copyPropertiesAtIndex(size_t index, const Ref<fd::Dictionary>&) const {
  std::lock_guard lock(mutex_);
  if (!ensureInfo() || index >= info_->frames.size()) return nullptr;
  const codecs::FrameInfo& f = info_->frames[index];
  auto d = fd::MutableDictionary::create();
  auto set = [](const Ref<fd::MutableDictionary>& m, const char* k, rt::Id v) { m->setObjectForKey(std::move(v), rt::String(k)); };
  set(d, kCGImagePropertyPixelWidth, fd::box(int64_t(f.width)));
  set(d, kCGImagePropertyPixelHeight, fd::box(int64_t(f.height)));
  set(d, kCGImagePropertyDepth, fd::box(int64_t(info_->depth)));
  set(d, kCGImagePropertyHasAlpha, fd::box(f.hasAlpha));
  const char* model = info_->model == codecs::ColorModel::Gray   ? kCGImagePropertyColorModelGray
                      : info_->model == codecs::ColorModel::CMYK ? kCGImagePropertyColorModelCMYK
                                                                 : kCGImagePropertyColorModelRGB;
  set(d, kCGImagePropertyColorModel, fd::StringObject::create(model));
  if (f.orientation) set(d, kCGImagePropertyOrientation, fd::box(int64_t(f.orientation)));
  if (info_->dpiX > 0) set(d, kCGImagePropertyDPIWidth, fd::box(info_->dpiX));
  if (info_->dpiY > 0) set(d, kCGImagePropertyDPIHeight, fd::box(info_->dpiY));
  if (format_ == ImageFormat::GIF || (format_ == ImageFormat::WebP && f.delay >= 0)) {
    auto g = fd::MutableDictionary::create();
    double raw = std::max(0.0, f.delay);
    set(g, kCGImagePropertyGIFDelayTime, fd::box(format_ == ImageFormat::GIF ? clampedDelay(raw) : raw));
    set(g, kCGImagePropertyGIFUnclampedDelayTime, fd::box(raw));
    set(d, format_ == ImageFormat::GIF ? kCGImagePropertyGIFDictionary : kCGImagePropertyWebPDictionary, g->copy());
  } else if (format_ == ImageFormat::JPEG) {
    auto g = fd::MutableDictionary::create();
    set(g, kCGImagePropertyJFIFIsProgressive, fd::box(info_->progressive));
    set(d, kCGImagePropertyJFIFDictionary, g->copy());
  } else if (format_ == ImageFormat::PNG) {
    auto g = fd::MutableDictionary::create();
    set(g, kCGImagePropertyPNGInterlaceType, fd::box(int64_t(info_->interlaced ? 1 : 0)));
    set(d, kCGImagePropertyPNGDictionary, g->copy());
  }
  return rt::as<fd::Dictionary>(d->copy());
}

bool ImageSource::shouldCache(const Ref<fd::Dictionary>& options) const {
  return boolOption(options, kCGImageSourceShouldCache, cacheDefault_);
}

Ref<BitmapImage> ImageSource::createImageAtIndex(size_t index, const Ref<fd::Dictionary>& options) {
  std::lock_guard lock(mutex_);
  if (!ensureInfo() || index >= info_->frames.size()) return nullptr;
  if (auto it = cache_.find(index); it != cache_.end()) return it->second;
  if (index == 0 && !final_ && info_->frames.size() == 1) {
    // Not kept: the next update shows more.
    if (const codecs::Raster* canvas = streamed())
      return partials_.make(*canvas, stream_->settledRows(), canvas->complete() && !info_->frames[0].hasAlpha);
    // Until the following decoder has a row, decoding all the bytes again finds none either
    // (a lossy WebP has none until its first partition is in, hundreds of KB for a large
    // frame), at the cost of a whole frame each time. Only a progressive JPEG's first scan
    // shows, in part, before it is complete.
    if (stream_ && stream_->state() != codecs::IncrementalDecoder::State::Unsupported && !info_->progressive)
      return nullptr;
  }
  codecs::Raster r;
  if (!decodeFrame(index, r, false) || r.width == 0 || r.height == 0 || r.rows == 0) return nullptr;
  const bool complete = r.complete();
  // A growing file shows the whole frame with the missing part clear; a file that ended
  // early shows the rows it had.
  const uint32_t rows = complete || (incremental_ && !final_) ? r.height : r.rows;
  const bool opaque = complete && !info_->frames[index].hasAlpha;
  Ref<BitmapImage> image = bitmapFromRaster(std::move(r), rows, opaque);
  if (image && complete && shouldCache(options)) cache_[index] = image;
  return image;
}

Ref<BitmapImage> ImageSource::createThumbnailAtIndex(size_t index, const Ref<fd::Dictionary>& options) {
  int orientation = 0;
  codecs::Raster r;
  {
    std::lock_guard lock(mutex_);
    if (!ensureInfo() || index >= info_->frames.size()) return nullptr;
    if (!decodeFrame(index, r, true) || r.rows == 0) return nullptr;
    orientation = info_->frames[index].orientation;
  }
  if (boolOption(options, kCGImageSourceCreateThumbnailWithTransform, false) && orientation > 1)
    r = oriented(r, orientation);
  if (options) {
    if (auto n = options->objectForKeyAs<fd::Number>(kCGImageSourceThumbnailMaxPixelSize)) {
      double max = n->doubleValue();
      double longest = std::max(r.width, r.height);
      if (max >= 1 && longest > max) {
        uint32_t w = std::max<uint32_t>(1, uint32_t(std::lround(r.width * max / longest)));
        uint32_t h = std::max<uint32_t>(1, uint32_t(std::lround(r.height * max / longest)));
        r = scaled(r, w, h);
      }
    }
  }
  uint32_t h = r.height;
  return bitmapFromRaster(std::move(r), h, false);
}

}  // namespace gfx
