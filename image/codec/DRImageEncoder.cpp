#include "image/codec/DRImageEncoder.h"

#include <webp/mux.h>

#include <cstring>

#include "image/codec/DRImage.h"
#include "image/codec/DRImageCoderHelpers.h"
#include "image/codec/DRPNGChunkTable.h"
#include "image/codec/DRPNGFrameWriter.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageDestination.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/ImageTypes.h"
#include "platform/runtime/Exception.h"

namespace image {

RT_IMPLEMENT(DRImageEncoder) {}

namespace {

void appendU32(std::vector<uint8_t>& out, uint32_t v) {
  const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  out.insert(out.end(), b, b + 4);
}

void appendChunk(std::vector<uint8_t>& out, uint32_t type, const uint8_t* data, size_t length) {
  appendU32(out, uint32_t(length));
  appendU32(out, type);
  out.insert(out.end(), data, data + length);
  appendU32(out, DRPNGChunkCRC(type, data, length));
}

Ref<fd::Dictionary> dictionary(const char* key, const rt::Id& value) {
  auto d = fd::MutableDictionary::create();
  d->setObjectForKey(value, rt::String(key));
  return d;
}

struct TableHolder {
  DRPNGInfo* info = nullptr;
  ~TableHolder() { DRPNGInfoRelease(info); }
};

}  // namespace

Ref<DRImageEncoder> DRImageEncoder::create() {
  throw rt::Exception("DRImageEncoder init error",
                      "DRImageEncoder must be initialized with a type. Use 'initWithType:' instead.");
}

Ref<DRImageEncoder> DRImageEncoder::create(DRImageFileType type) { return rt::make<DRImageEncoder>(type); }

bool DRImageEncoder::init(DRImageFileType type) {
  switch (type) {
    case DRImageFileTypeJPEG:
    case DRImageFileTypeJPEG2000:
      quality_ = 0.9;
      lossless = false;
      break;
    case DRImageFileTypeTIFF:
    case DRImageFileTypeBMP:
    case DRImageFileTypeICO:
    case DRImageFileTypeICNS:
    case DRImageFileTypeGIF:
    case DRImageFileTypePNG:
      quality_ = 1;
      lossless = true;
      break;
    case DRImageFileTypeWebP:
      quality_ = 0.8;
      lossless = false;
      break;
    default:
      return false;
  }
  type_ = type;
  return true;
}

void DRImageEncoder::setQuality(double quality) { quality_ = quality < 0 ? 0 : (quality > 1 ? 1 : quality); }

void DRImageEncoder::addImage(const Ref<gfx::Image>& image, double duration) {
  if (!image || !image->CGImage()) return;
  images_.emplace_back(image);
  durations_.push_back(duration < 0 ? 0 : duration);
}

void DRImageEncoder::addImageWithData(const Ref<fd::Data>& data, double duration) {
  if (!data || data->length() == 0) return;
  images_.emplace_back(data);
  durations_.push_back(duration < 0 ? 0 : duration);
}

void DRImageEncoder::addImageWithFile(const rt::String& path, double duration) {
  if (path.isEmpty()) return;
  images_.emplace_back(FilePath{path});
  durations_.push_back(duration < 0 ? 0 : duration);
}

bool DRImageEncoder::imageIOAvailable() const {
  if (type_ >= DRImageFileTypeJPEG && type_ <= DRImageFileTypeGIF) return !images_.empty();
  return type_ == DRImageFileTypePNG && images_.size() == 1;
}

Ref<fd::Data> DRImageEncoder::encode() const {
  if (images_.empty()) return nullptr;
  if (imageIOAvailable()) return encodeWithImageIO();
  if (type_ == DRImageFileTypeWebP) return encodeWebP();
  if (type_ == DRImageFileTypePNG) return encodeAPNG();
  return nullptr;
}

bool DRImageEncoder::encodeToFile(const rt::String& path) const {
  if (images_.empty() || path.isEmpty()) return false;
  if (imageIOAvailable()) return encodeWithImageIO(path);
  auto data = encode();
  return data && fd::writeDataToFile(*data, path, true);
}

Ref<gfx::BitmapImage> DRImageEncoder::newCGImageFromIndex(size_t index, bool decoded) const {
  if (index >= images_.size()) return nullptr;
  Ref<gfx::Image> image;
  const Entry& entry = images_[index];
  if (auto* i = std::get_if<Ref<gfx::Image>>(&entry)) image = *i;
  else if (auto* f = std::get_if<FilePath>(&entry)) image = gfx::Image::imageWithContentsOfFile(f->path);
  else if (auto* d = std::get_if<Ref<fd::Data>>(&entry)) image = gfx::Image::imageWithData(*d);
  if (!image || !image->CGImage()) return nullptr;
  if (image->imageOrientation() != gfx::ImageOrientation::Up)
    return DRCopyImageWithOrientation(image->CGImage(), image->imageOrientation(), gfx::BitmapInfoNativePremultiplied);
  if (decoded) return DRCopyDecodedImage(image->CGImage(), true);
  return image->CGImage();
}

bool DRImageEncoder::encodeInto(const Ref<gfx::ImageDestination>& destination, size_t count) const {
  if (!destination) return false;
  if (type_ == DRImageFileTypeGIF) {
    destination->setProperties(dictionary(gfx::kCGImagePropertyGIFDictionary,
                                          dictionary(gfx::kCGImagePropertyGIFLoopCount, fd::box(int64_t(loopCount)))));
  }
  for (size_t i = 0; i < count; ++i) {
    Ref<fd::Dictionary> props;
    if (type_ == DRImageFileTypeGIF && count > 1)
      props = dictionary(gfx::kCGImagePropertyGIFDictionary, dictionary(gfx::kCGImagePropertyGIFDelayTime, fd::box(durations_[i])));
    else
      props = dictionary(gfx::kCGImageDestinationLossyCompressionQuality, fd::box(quality_));
    const Entry& entry = images_[i];
    if (auto* image = std::get_if<Ref<gfx::Image>>(&entry)) {
      destination->addImage((*image)->CGImage(), props);
      continue;
    }
    Ref<gfx::ImageSource> source;
    if (auto* f = std::get_if<FilePath>(&entry)) source = gfx::ImageSource::createWithFile(f->path);
    else if (auto* d = std::get_if<Ref<fd::Data>>(&entry)) source = gfx::ImageSource::createWithData(*d);
    if (source) destination->addImageFromSource(source, 0, props);
  }
  return destination->finalize();
}

Ref<fd::Data> DRImageEncoder::encodeWithImageIO() const {
  const size_t count = type_ == DRImageFileTypeGIF ? images_.size() : 1;
  auto data = fd::MutableData::create();
  auto destination = gfx::ImageDestination::createWithData(data, DRUTTypeForImageType(type_), count);
  if (!encodeInto(destination, count) || data->length() == 0) return nullptr;
  return data;
}

bool DRImageEncoder::encodeWithImageIO(const rt::String& path) const {
  const size_t count = type_ == DRImageFileTypeGIF ? images_.size() : 1;
  auto url = fd::URL::fileURLWithPath(path);
  if (!url) return false;
  return encodeInto(gfx::ImageDestination::createWithURL(url, DRUTTypeForImageType(type_), count), count);
}

Ref<fd::Data> DRImageEncoder::encodeAPNG() const {
  // Every frame is written by one PNG writer in one layout, so that the fdAT data of any frame
  // matches the colour type and depth the first frame's header declares.
  std::vector<std::vector<uint8_t>> pngs;
  std::vector<std::pair<uint32_t, uint32_t>> sizes;
  uint32_t canvasW = 0, canvasH = 0;
  for (size_t i = 0; i < images_.size(); ++i) {
    auto bitmap = newCGImageFromIndex(i, true);
    if (!bitmap || bitmap->width() < 1 || bitmap->height() < 1 || bitmap->width() > 0x7fffffff ||
        bitmap->height() > 0x7fffffff)
      return nullptr;
    auto png = DRPNGEncodeRGBA(bitmap);
    if (!png) return nullptr;
    pngs.push_back(std::move(*png));
    sizes.emplace_back(uint32_t(bitmap->width()), uint32_t(bitmap->height()));
    canvasW = std::max(canvasW, uint32_t(bitmap->width()));
    canvasH = std::max(canvasH, uint32_t(bitmap->height()));
  }
  if (sizes[0].first < canvasW || sizes[0].second < canvasH) {
    auto first = newCGImageFromIndex(0, true);
    if (!first) return nullptr;
    auto context = gfx::Context::createBitmap(nullptr, canvasW, canvasH, 8, 0, DRDeviceRGBColorSpace(),
                                              gfx::BitmapInfoNativePremultiplied);
    if (!context) return nullptr;
    context->drawImage(gfx::Rect{{0, double(canvasH - first->height())}, {double(first->width()), double(first->height())}},
                       *first);
    auto png = DRPNGEncodeRGBA(context->makeImage());
    if (!png) return nullptr;
    pngs[0] = std::move(*png);
  }

  TableHolder firstTable;
  firstTable.info = DRPNGChunkTable(pngs[0].data(), pngs[0].size());
  if (!firstTable.info) return nullptr;
  const DRPNGInfo& head = *firstTable.info;

  std::vector<uint8_t> out;
  out.reserve(pngs[0].size() * pngs.size() + 128);
  const uint8_t signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  out.insert(out.end(), signature, signature + 8);
  uint32_t sequence = 0;
  auto writeFrameControl = [&](uint32_t w, uint32_t h, double duration) {
    DRPNGFrameControl fc;
    fc.sequence_number = sequence++;
    fc.width = w;
    fc.height = h;
    DRPNGDelayToFraction(duration, &fc.delay_num, &fc.delay_den);
    fc.dispose_op = 1;
    fc.blend_op = 0;
    uint8_t bytes[26];
    DRPNGFrameControlWrite(bytes, fc);
    appendChunk(out, DRPNGChunkfcTL, bytes, 26);
  };

  bool wroteControl = false, wroteFrames = false, insideIDAT = false;
  for (const DRPNGChunk& chunk : head.chunks) {
    const uint8_t* whole = pngs[0].data() + chunk.offset;
    if (chunk.fourcc == DRPNGChunkIDAT && !wroteControl) {
      uint8_t actl[8];
      const uint32_t frames = uint32_t(pngs.size()), plays = uint32_t(loopCount);
      for (int k = 0; k < 4; ++k) {
        actl[k] = uint8_t(frames >> (24 - 8 * k));
        actl[4 + k] = uint8_t(plays >> (24 - 8 * k));
      }
      appendChunk(out, DRPNGChunkacTL, actl, 8);
      writeFrameControl(canvasW, canvasH, durations_[0]);
      wroteControl = true;
      insideIDAT = true;
    }
    if (chunk.fourcc != DRPNGChunkIDAT && insideIDAT && !wroteFrames) {
      for (size_t j = 1; j < pngs.size(); ++j) {
        TableHolder table;
        table.info = DRPNGChunkTable(pngs[j].data(), pngs[j].size());
        if (!table.info) return nullptr;
        const DRPNGInfo& t = *table.info;
        if (t.bit_depth != head.bit_depth || t.color_type != head.color_type || t.interlace_method != head.interlace_method)
          return nullptr;
        writeFrameControl(t.width, t.height, durations_[j]);
        for (const DRPNGChunk& c : t.chunks) {
          if (c.fourcc != DRPNGChunkIDAT) continue;
          std::vector<uint8_t> body(4 + size_t(c.length));
          for (int k = 0; k < 4; ++k) body[size_t(k)] = uint8_t(sequence >> (24 - 8 * k));
          ++sequence;
          std::memcpy(body.data() + 4, pngs[j].data() + c.offset + 8, c.length);
          appendChunk(out, DRPNGChunkfdAT, body.data(), body.size());
        }
      }
      wroteFrames = true;
    }
    out.insert(out.end(), whole, whole + size_t(chunk.length) + 12);
  }
  if (!wroteFrames) return nullptr;
  return fd::Data::create(std::move(out));
}

Ref<fd::Data> DRImageEncoder::encodeWebP() const {
  std::vector<Ref<fd::Data>> webps;
  for (size_t i = 0; i < images_.size(); ++i) {
    auto bitmap = newCGImageFromIndex(i, false);
    if (!bitmap) return nullptr;
    auto webp = DREncodeImageAsWebP(bitmap, lossless, quality_, 4, 0);
    if (!webp) return nullptr;
    webps.push_back(webp);
  }
  if (webps.size() == 1) return webps[0];

  WebPMux* mux = WebPMuxNew();
  if (!mux) return nullptr;
  Ref<fd::Data> result;
  do {
    bool pushed = true;
    for (size_t i = 0; i < webps.size() && pushed; ++i) {
      WebPMuxFrameInfo frame;
      std::memset(&frame, 0, sizeof frame);
      frame.bitstream.bytes = webps[i]->bytes();
      frame.bitstream.size = webps[i]->length();
      frame.x_offset = 0;
      frame.y_offset = 0;
      // The single-precision duration, widened before scaling: 0.04 s is stored as 39 ms.
      frame.duration = int(double(float(durations_[i])) * 1000.0);
      frame.id = WEBP_CHUNK_ANMF;
      frame.dispose_method = WEBP_MUX_DISPOSE_BACKGROUND;
      frame.blend_method = WEBP_MUX_NO_BLEND;
      pushed = WebPMuxPushFrame(mux, &frame, 0) == WEBP_MUX_OK;
    }
    if (!pushed) break;
    WebPMuxAnimParams params;
    params.bgcolor = 0;
    params.loop_count = int(std::min<uint64_t>(loopCount, 65535));
    if (WebPMuxSetAnimationParams(mux, &params) != WEBP_MUX_OK) break;
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux, &assembled) != WEBP_MUX_OK) break;
    if (assembled.size > 0) result = fd::Data::create(assembled.bytes, assembled.size);
    WebPDataClear(&assembled);
  } while (false);
  WebPMuxDelete(mux);
  return result;
}

Ref<fd::Data> DRImageEncoder::encodeImage(const Ref<gfx::Image>& image, DRImageFileType type, double quality) {
  auto encoder = create(type);
  if (!encoder) return nullptr;
  encoder->setQuality(quality);
  encoder->addImage(image, 0);
  return encoder->encode();
}

Ref<fd::Data> DRImageEncoder::encodeImageWithDecoder(const Ref<DRImageDecoder>& decoder, DRImageFileType type,
                                                     double quality) {
  if (!decoder || decoder->frameCount() == 0) return nullptr;
  auto encoder = create(type);
  if (!encoder) return nullptr;
  encoder->setQuality(quality);
  for (uint64_t i = 0; i < decoder->frameCount(); ++i) {
    auto frame = decoder->frameAtIndex(i, true);
    if (!frame || !frame->image) continue;
    encoder->addImageWithData(DREncodeImageWithImageIO(frame->image->CGImage(), DRImageFileTypePNG, 1),
                              decoder->frameDurationAtIndex(i));
  }
  return encoder->encode();
}

}  // namespace image
