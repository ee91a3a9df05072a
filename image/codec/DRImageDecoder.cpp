#include "image/codec/DRImageDecoder.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstdlib>
#include <cstring>

#include "image/codec/DRImageCoderHelpers.h"
#include "image/codec/DRPNGChunkTable.h"
#include "image/codec/Image+DRImageCoder.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/ImageTypes.h"

namespace image {

RT_IMPLEMENT(DRImageDecoder) {}

namespace {

gfx::ImageOrientation orientationFromEXIF(int64_t value) {
  using O = gfx::ImageOrientation;
  static const O map[9] = {O::Up, O::Up, O::UpMirrored, O::Down, O::DownMirrored, O::LeftMirrored, O::Right, O::RightMirrored, O::Left};
  return value >= 1 && value <= 8 ? map[value] : O::Up;
}

int64_t integerIn(const Ref<fd::Dictionary>& dict, const char* key) {
  auto n = dict ? dict->objectForKeyAs<fd::Number>(key) : nullptr;
  return n ? n->integerValue() : 0;
}

double doubleIn(const Ref<fd::Dictionary>& dict, const char* key, bool* found = nullptr) {
  auto n = dict ? dict->objectForKeyAs<fd::Number>(key) : nullptr;
  if (found) *found = n != nullptr;
  return n ? n->doubleValue() : 0;
}

// Bytes the tables and the demuxer point into must never move: keep an immutable copy of data
// the caller may still be appending to.
Ref<fd::Data> frozen(const Ref<fd::Data>& data) {
  if (rt::as<fd::MutableData>(data)) return fd::Data::create(data->bytes(), data->length());
  return data;
}

gfx::Rect frameRect(uint64_t x, uint64_t y, uint64_t w, uint64_t h) {
  return gfx::Rect{{double(x), double(y)}, {double(w), double(h)}};
}

}  // namespace

void DRImageDecoder::init(double scale) { scale_ = scale > 0 ? scale : 1; }
void DRImageDecoder::init() { init(gfx::mainScreenScale()); }

DRImageDecoder::~DRImageDecoder() {
  DRPNGInfoRelease(apngSource_);
  if (webpSource_) WebPDemuxDelete(webpSource_);
}

Ref<DRImageDecoder> DRImageDecoder::create(double scale) { return rt::make<DRImageDecoder>(scale); }

Ref<DRImageDecoder> DRImageDecoder::decoderWithData(const Ref<fd::Data>& data, double scale) {
  if (!data) return nullptr;
  auto decoder = create(scale);
  decoder->updateData(data, true);
  if (decoder->frameCount() == 0) return nullptr;
  return decoder;
}

Ref<fd::Data> DRImageDecoder::data() {
  std::lock_guard guard(lock_);
  return data_;
}

bool DRImageDecoder::updateData(const Ref<fd::Data>& data, bool final) {
  std::lock_guard guard(lock_);
  return updateDataLocked(data, final);
}

bool DRImageDecoder::updateDataLocked(const Ref<fd::Data>& data, bool final) {
  if (finalized_) return false;
  const size_t held = data_ ? data_->length() : 0;
  const size_t length = data ? data->length() : 0;
  if (length < held) return false;
  finalized_ = final;
  data_ = data ? frozen(data) : nullptr;
  const DRImageFileType type = DRImageTypeFromData(data_.get());
  if (sourceTypeDetected_) {
    if (type != type_) return false;
    updateSource();
  } else if (length > 16) {
    type_ = type;
    sourceTypeDetected_ = true;
    updateSource();
  }
  return true;
}

void DRImageDecoder::updateSource() {
  switch (type_) {
    case DRImageFileTypePNG: updateSourceAPNG(); break;
    case DRImageFileTypeWebP: updateSourceWebP(); break;
    default: updateSourceImageIO(); break;
  }
}

void DRImageDecoder::swapFrames(std::vector<FrameRecord> frames) {
  std::lock_guard guard(framesLock_);
  frames_.swap(frames);
}

void DRImageDecoder::updateSourceImageIO() {
  width_ = height_ = 0;
  orientation_ = gfx::ImageOrientation::Up;
  loopCount_ = 0;
  swapFrames({});

  if (!source_) {
    if (finalized_) {
      source_ = gfx::ImageSource::createWithData(data_);
    } else {
      source_ = gfx::ImageSource::createIncremental();
      if (source_) source_->updateData(data_, false);
    }
  } else {
    source_->updateData(data_, finalized_);
  }
  if (!source_) return;

  uint64_t count = source_->count();
  frameCount_ = count;
  if (count == 0) return;
  if (!finalized_) {
    count = 1;
  } else if (type_ == DRImageFileTypePNG) {
    count = 1;
  } else if (type_ == DRImageFileTypeGIF) {
    auto props = source_->copyProperties();
    auto gif = props ? props->objectForKeyAs<fd::Dictionary>(gfx::kCGImagePropertyGIFDictionary) : nullptr;
    loopCount_ = uint64_t(std::max<int64_t>(0, integerIn(gif, gfx::kCGImagePropertyGIFLoopCount)));
  }
  frameCount_ = count;

  std::vector<FrameRecord> frames(count);
  for (uint64_t i = 0; i < count; ++i) {
    FrameRecord& f = frames[i];
    f.index = i;
    f.blendFromIndex = i;
    f.hasAlpha = true;
    f.isFullSize = true;
    auto props = source_->copyPropertiesAtIndex(i);
    if (props) {
      f.width = uint64_t(std::max<int64_t>(0, integerIn(props, gfx::kCGImagePropertyPixelWidth)));
      f.height = uint64_t(std::max<int64_t>(0, integerIn(props, gfx::kCGImagePropertyPixelHeight)));
      if (type_ == DRImageFileTypeGIF) {
        auto gif = props->objectForKeyAs<fd::Dictionary>(gfx::kCGImagePropertyGIFDictionary);
        bool found = false;
        double delay = doubleIn(gif, gfx::kCGImagePropertyGIFUnclampedDelayTime, &found);
        if (!found) delay = doubleIn(gif, gfx::kCGImagePropertyGIFDelayTime);
        f.duration = delay > 0 ? delay : 0;
      }
    }
    if (i == 0 && width_ == 0 && height_ == 0) {
      width_ = f.width;
      height_ = f.height;
      orientation_ = orientationFromEXIF(props ? integerIn(props, gfx::kCGImagePropertyOrientation) : 0);
    }
  }
  swapFrames(std::move(frames));
}

void DRImageDecoder::updateSourceAPNG() {
  DRPNGInfoRelease(apngSource_);
  apngSource_ = nullptr;
  updateSourceImageIO();
  if (frameCount_ == 0 || !finalized_ || !data_) return;

  DRPNGInfo* info = DRPNGChunkTable(data_->bytes(), data_->length());
  if (!info || info->apng_frame_num() == 0 || (info->apng_frame_num() == 1 && info->apng_first_frame_is_cover)) {
    DRPNGInfoRelease(info);
    return;
  }
  source_ = nullptr;

  const uint64_t canvasW = info->width, canvasH = info->height;
  std::vector<FrameRecord> frames(info->apng_frame_num());
  uint64_t lastKey = 0;
  bool needBlend = false;
  for (uint64_t i = 0; i < frames.size(); ++i) {
    const DRPNGFrameControl& fc = info->apng_frames[i].frame_control;
    FrameRecord& f = frames[i];
    f.index = i;
    f.duration = DRPNGDelayToSeconds(fc.delay_num, fc.delay_den);
    f.hasAlpha = true;
    f.width = fc.width;
    f.height = fc.height;
    f.offsetX = fc.x_offset;
    // The table guarantees the frame lies inside the canvas, so this never wraps.
    f.offsetY = canvasH - fc.y_offset - fc.height;
    f.isFullSize = f.width == canvasW && f.height == canvasH && fc.x_offset == 0 && fc.y_offset == 0;
    f.dispose = fc.dispose_op == 2 ? DRImageDisposePrevious : fc.dispose_op == 1 ? DRImageDisposeBackground : DRImageDisposeNone;
    f.blend = fc.blend_op == 1 ? DRImageBlendOver : DRImageBlendNone;
    if (f.blend == DRImageBlendNone && f.isFullSize) {
      f.blendFromIndex = i;
      if (f.dispose != DRImageDisposePrevious) lastKey = i;
    } else {
      f.blendFromIndex = lastKey;
      if (f.dispose == DRImageDisposeBackground && f.isFullSize) lastKey = i + 1;
    }
    if (f.blendFromIndex != f.index) needBlend = true;
  }
  width_ = canvasW;
  height_ = canvasH;
  frameCount_ = frames.size();
  loopCount_ = info->apng_loop_num;
  needBlend_ = needBlend;
  apngSource_ = info;
  blendFrameIndex_ = kNotFound;
  swapFrames(std::move(frames));
}

void DRImageDecoder::updateSourceWebP() {
  width_ = height_ = 0;
  loopCount_ = 0;
  if (webpSource_) WebPDemuxDelete(webpSource_);
  webpSource_ = nullptr;
  swapFrames({});
  if (!data_) return;

  WebPData webpData{data_->bytes(), data_->length()};
  WebPDemuxer* demuxer = WebPDemux(&webpData);
  if (!demuxer) return;
  const uint32_t count = WebPDemuxGetI(demuxer, WEBP_FF_FRAME_COUNT);
  const uint32_t loops = WebPDemuxGetI(demuxer, WEBP_FF_LOOP_COUNT);
  const uint32_t canvasW = WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_WIDTH);
  const uint32_t canvasH = WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_HEIGHT);
  if (count == 0 || canvasW == 0 || canvasH == 0) {
    WebPDemuxDelete(demuxer);
    return;
  }

  std::vector<FrameRecord> frames;
  frames.reserve(count);
  uint64_t lastKey = 0;
  bool needBlend = false;
  bool geometryOK = true;
  WebPIterator iter;
  if (WebPDemuxGetFrame(demuxer, 1, &iter)) {
    do {
      FrameRecord f;
      f.index = frames.size();
      f.duration = iter.duration / 1000.0;
      f.width = uint64_t(std::max(0, iter.width));
      f.height = uint64_t(std::max(0, iter.height));
      f.hasAlpha = iter.has_alpha != 0;
      f.dispose = iter.dispose_method == WEBP_MUX_DISPOSE_BACKGROUND ? DRImageDisposeBackground : DRImageDisposeNone;
      f.blend = iter.blend_method == WEBP_MUX_BLEND ? DRImageBlendOver : DRImageBlendNone;
      f.offsetX = uint64_t(std::max(0, iter.x_offset));
      if (uint64_t(std::max(0, iter.y_offset)) + f.height > canvasH || f.offsetX + f.width > canvasW) geometryOK = false;
      f.offsetY = geometryOK ? canvasH - uint64_t(iter.y_offset) - f.height : 0;
      f.isFullSize = f.width == canvasW && f.height == canvasH && iter.x_offset == 0 && iter.y_offset == 0;
      if (f.isFullSize && (f.blend == DRImageBlendNone || !f.hasAlpha)) {
        f.blendFromIndex = f.index;
        lastKey = f.index;
      } else {
        f.blendFromIndex = lastKey;
        if (f.dispose == DRImageDisposeBackground && f.isFullSize) lastKey = f.index + 1;
      }
      if (f.blendFromIndex != f.index) needBlend = true;
      frames.push_back(f);
    } while (WebPDemuxNextFrame(&iter));
    WebPDemuxReleaseIterator(&iter);
  }
  if (frames.size() != count || !geometryOK) {
    WebPDemuxDelete(demuxer);
    return;
  }
  width_ = canvasW;
  height_ = canvasH;
  frameCount_ = count;
  loopCount_ = loops;
  needBlend_ = needBlend;
  webpSource_ = demuxer;
  blendFrameIndex_ = kNotFound;
  swapFrames(std::move(frames));
}

double DRImageDecoder::frameDurationAtIndex(uint64_t index) {
  std::lock_guard guard(framesLock_);
  return index < frames_.size() ? frames_[index].duration : 0;
}

Ref<fd::Dictionary> DRImageDecoder::framePropertiesAtIndex(uint64_t index) {
  std::lock_guard guard(lock_);
  if (!source_) return nullptr;
  return source_->copyPropertiesAtIndex(index);
}

Ref<fd::Dictionary> DRImageDecoder::imageProperties() {
  std::lock_guard guard(lock_);
  if (!source_) return nullptr;
  return source_->copyProperties();
}

Ref<DRImageFrame> DRImageDecoder::frameAtIndex(uint64_t index, bool decodeForDisplay) {
  std::lock_guard guard(lock_);
  return frameAtIndexLocked(index, decodeForDisplay);
}

Ref<DRImageFrame> DRImageDecoder::frameFromRecord(const FrameRecord& f) const {
  auto frame = rt::make<DRImageFrame>();
  frame->index = f.index;
  frame->width = f.width;
  frame->height = f.height;
  frame->offsetX = f.offsetX;
  frame->offsetY = f.offsetY;
  frame->duration = f.duration;
  frame->dispose = f.dispose;
  frame->blend = f.blend;
  return frame;
}

Ref<DRImageFrame> DRImageDecoder::frameAtIndexLocked(uint64_t index, bool decodeForDisplay) {
  FrameRecord record;
  {
    std::lock_guard guard(framesLock_);
    if (index >= frames_.size()) return nullptr;
    record = frames_[index];
  }
  auto frame = frameFromRecord(record);
  const bool extendToCanvas = decodeForDisplay && type_ != DRImageFileTypeICO;

  if (!needBlend_) {
    bool decoded = false;
    auto bitmap = newUnblendedImage(index, extendToCanvas, &decoded);
    if (!bitmap) return nullptr;
    if (decodeForDisplay && !decoded) {
      if (auto copy = DRCopyDecodedImage(bitmap, true)) {
        bitmap = copy;
        decoded = true;
      }
    }
    auto image = gfx::Image::imageWithCGImage(bitmap, scale_, orientation_);
    if (!image) return nullptr;
    setDecodedForDisplay(*image, decoded);
    frame->image = image;
    return frame;
  }

  if (!createBlendContextIfNeeded()) return nullptr;
  Ref<gfx::BitmapImage> bitmap;
  if (blendFrameIndex_ != kNotFound && blendFrameIndex_ + 1 == index) {
    bitmap = newBlendedImageWithFrame(record);
    blendFrameIndex_ = index;
  } else {
    blendFrameIndex_ = kNotFound;
    blendCanvas_->clearRect(frameRect(0, 0, width_, height_));
    if (record.blendFromIndex == record.index) {
      bool decoded = false;
      if (auto own = newUnblendedImage(index, false, &decoded)) drawOnCanvas(record, *own);
      bitmap = blendCanvas_->makeImage();
      if (record.dispose == DRImageDisposeBackground) clearCanvasRect(record);
      // After a dispose-previous frame the canvas does not hold what the next frame expects;
      // leaving the index unset makes the next frame replay from its key frame.
      if (record.dispose != DRImageDisposePrevious) blendFrameIndex_ = index;
    } else {
      std::vector<FrameRecord> replay;
      {
        std::lock_guard guard(framesLock_);
        for (uint64_t j = record.blendFromIndex; j < index && j < frames_.size(); ++j) replay.push_back(frames_[j]);
      }
      for (const FrameRecord& f : replay) blendImageWithFrame(f);
      bitmap = newBlendedImageWithFrame(record);
      blendFrameIndex_ = index;
    }
  }
  if (!bitmap) return nullptr;
  auto image = gfx::Image::imageWithCGImage(bitmap, scale_, orientation_);
  if (!image) return nullptr;
  setDecodedForDisplay(*image, true);
  frame->image = image;
  if (extendToCanvas) {
    frame->width = width_;
    frame->height = height_;
    frame->offsetX = frame->offsetY = 0;
    frame->dispose = DRImageDisposeNone;
    frame->blend = DRImageBlendNone;
  }
  return frame;
}

bool DRImageDecoder::createBlendContextIfNeeded() {
  if (blendCanvas_) return true;
  if (width_ == 0 || height_ == 0) return false;
  blendCanvas_ = gfx::Context::createBitmap(nullptr, width_, height_, 8, 0, DRDeviceRGBColorSpace(),
                                            gfx::BitmapInfoNativePremultiplied);
  blendFrameIndex_ = kNotFound;
  return blendCanvas_ != nullptr;
}

void DRImageDecoder::clearCanvasRect(const FrameRecord& f) {
  blendCanvas_->clearRect(frameRect(f.offsetX, f.offsetY, f.width, f.height));
}

void DRImageDecoder::drawOnCanvas(const FrameRecord& f, const gfx::BitmapImage& image) {
  blendCanvas_->drawImage(frameRect(f.offsetX, f.offsetY, f.width, f.height), image);
}

void DRImageDecoder::blendImageWithFrame(const FrameRecord& f) {
  if (f.dispose == DRImageDisposePrevious) return;
  if (f.dispose == DRImageDisposeBackground) {
    clearCanvasRect(f);
    return;
  }
  bool decoded = false;
  if (auto own = newUnblendedImage(f.index, false, &decoded)) {
    if (f.blend == DRImageBlendNone) clearCanvasRect(f);
    drawOnCanvas(f, *own);
  }
}

Ref<gfx::BitmapImage> DRImageDecoder::newBlendedImageWithFrame(const FrameRecord& f) {
  bool decoded = false;
  auto own = newUnblendedImage(f.index, false, &decoded);
  auto draw = [&] {
    if (!own) return;
    if (f.blend == DRImageBlendNone) clearCanvasRect(f);
    drawOnCanvas(f, *own);
  };
  Ref<gfx::BitmapImage> result;
  if (f.dispose == DRImageDisposePrevious) {
    auto before = blendCanvas_->makeImage();
    draw();
    result = blendCanvas_->makeImage();
    blendCanvas_->clearRect(frameRect(0, 0, width_, height_));
    if (before) blendCanvas_->drawImage(frameRect(0, 0, width_, height_), *before);
  } else {
    draw();
    result = blendCanvas_->makeImage();
    if (f.dispose == DRImageDisposeBackground) clearCanvasRect(f);
  }
  return result;
}

Ref<gfx::BitmapImage> DRImageDecoder::newUnblendedImage(uint64_t index, bool extendToCanvas, bool* decoded) {
  if (decoded) *decoded = false;
  if (index > 0 && !finalized_) return nullptr;
  FrameRecord record;
  {
    std::lock_guard guard(framesLock_);
    if (index >= frames_.size()) return nullptr;
    record = frames_[index];
  }

  if (source_) {
    // Frames are not kept in the source: an animated image holds no decoded frames unless
    // asked to preload them (sequential GIF frames decode in one step without a cache).
    static const Ref<fd::Dictionary> noCache =
        fd::Dictionary::withStrings({{gfx::kCGImageSourceShouldCache, fd::Number::numberWithBool(false)}});
    auto image = source_->createImageAtIndex(index, noCache);
    if (!image || !extendToCanvas) return image;
    if (image->width() == width_ && image->height() == height_) {
      if (auto copy = DRCopyDecodedImage(image, true)) {
        if (decoded) *decoded = true;
        return copy;
      }
      return image;
    }
    auto context = gfx::Context::createBitmap(nullptr, width_, height_, 8, 0, DRDeviceRGBColorSpace(),
                                              gfx::BitmapInfoNativePremultiplied);
    if (!context) return image;
    context->drawImage(frameRect(0, height_ - std::min<uint64_t>(height_, image->height()), image->width(), image->height()),
                       *image);
    if (decoded) *decoded = true;
    return context->makeImage();
  }

  if (apngSource_) {
    auto png = DRPNGFrameRebuild(*apngSource_, data_->bytes(), data_->length(), uint32_t(index));
    if (!png) return nullptr;
    auto frameSource = gfx::ImageSource::createWithData(fd::Data::create(std::move(*png)));
    if (!frameSource || frameSource->count() == 0) return nullptr;
    auto image = frameSource->createImageAtIndex(0);
    if (!image || !extendToCanvas) return image;
    auto context = gfx::Context::createBitmap(nullptr, width_, height_, 8, 0, DRDeviceRGBColorSpace(),
                                              gfx::BitmapInfoNativePremultiplied);
    if (!context) return image;
    context->drawImage(frameRect(record.offsetX, record.offsetY, record.width, record.height), *image);
    if (decoded) *decoded = true;
    return context->makeImage();
  }

  if (webpSource_) {
    WebPIterator iter;
    if (!WebPDemuxGetFrame(webpSource_, int(index + 1), &iter)) return nullptr;
    struct IterGuard {
      WebPIterator* it;
      ~IterGuard() { WebPDemuxReleaseIterator(it); }
    } iterGuard{&iter};
    if (iter.width < 1 || iter.height < 1) return nullptr;
    const uint64_t outW = extendToCanvas ? width_ : uint64_t(iter.width);
    const uint64_t outH = extendToCanvas ? height_ : uint64_t(iter.height);
    if (outW > width_ || outH > height_) return nullptr;
    if (uint64_t(iter.x_offset) + uint64_t(iter.width) > width_ || uint64_t(iter.y_offset) + uint64_t(iter.height) > height_)
      return nullptr;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return nullptr;
    if (WebPGetFeatures(iter.fragment.bytes, iter.fragment.size, &config.input) != VP8_STATUS_OK) return nullptr;
    if (config.input.width != iter.width || config.input.height != iter.height) return nullptr;
    const size_t rowBytes = gfx::chosenBytesPerRow(size_t(outW), 32);
    const size_t length = rowBytes * size_t(outH);
    auto* pixels = static_cast<uint8_t*>(std::calloc(1, length));
    if (!pixels) return nullptr;
    // Decode straight to the frame's place on the canvas-sized buffer, top row first.
    const size_t at = extendToCanvas ? size_t(iter.y_offset) * rowBytes + size_t(iter.x_offset) * 4 : 0;
    config.output.colorspace = MODE_bgrA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels + at;
    config.output.u.RGBA.stride = int(rowBytes);
    config.output.u.RGBA.size = length - at;
    if (WebPDecode(iter.fragment.bytes, iter.fragment.size, &config) != VP8_STATUS_OK) {
      WebPFreeDecBuffer(&config.output);
      std::free(pixels);
      return nullptr;
    }
    WebPFreeDecBuffer(&config.output);
    gfx::PixelFormat format;
    format.width = size_t(outW);
    format.height = size_t(outH);
    format.bytesPerRow = rowBytes;
    format.bitmapInfo = gfx::BitmapInfoNativePremultiplied;
    format.colorSpace = DRDeviceRGBColorSpace();
    auto image = gfx::BitmapImage::createWithBytesNoCopy(format, pixels, [](const void* p) { std::free(const_cast<void*>(p)); });
    if (!image) {
      std::free(pixels);
      return nullptr;
    }
    if (decoded) *decoded = true;
    return image;
  }
  return nullptr;
}

}  // namespace image
