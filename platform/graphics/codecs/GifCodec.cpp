#include "platform/graphics/codecs/GifCodec.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <algorithm>
#include <cstring>

#include "platform/graphics/codecs/ByteOrder.h"
#include "platform/graphics/codecs/PixelRows.h"

namespace gfx::codecs {

namespace {

// What the block scan learns about one frame without decoding it.
struct FrameRecord {
  uint32_t left = 0, top = 0, width = 0, height = 0;
  int delayCs = -1;
  int disposal = 0;
  int transparent = -1;
};

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* buf, int n) {
  auto* r = static_cast<Reader*>(gif->UserData);
  size_t take = std::min(size_t(n < 0 ? 0 : n), r->size - r->pos);
  std::memcpy(buf, r->data + r->pos, take);
  r->pos += take;
  return int(take);
}

class GifDecoder final : public Decoder {
 public:
  GifDecoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}
  ~GifDecoder() override { close(); }

  bool readInfo(ImageInfo& info) override {
    if (!scan()) return false;
    info.frames.clear();
    // The canvas shows through where a frame is transparent or does not reach.
    const FrameRecord& first = frames_[0];
    bool alpha = first.left > 0 || first.top > 0 || first.left + first.width < canvasW_ || first.top + first.height < canvasH_;
    for (const auto& f : frames_) {
      alpha = alpha || f.transparent >= 0;
      FrameInfo fi;
      fi.width = canvasW_;
      fi.height = canvasH_;
      fi.delay = f.delayCs < 0 ? -1 : f.delayCs / 100.0;
      fi.hasAlpha = alpha;
      info.frames.push_back(fi);
    }
    info.loopCount = loopCount_;
    info.interlaced = false;
    return !frames_.empty();
  }

  bool decode(size_t index, Raster& out) override;

 private:
  bool scan();
  bool open();
  void close() {
    if (gif_) DGifCloseFile(gif_, nullptr);
    gif_ = nullptr;
  }
  bool decodeNext(Raster& out);
  // The frame's area clipped to the canvas, in pixels; and copying it between the canvas and
  // `area` (row after row), towards the canvas when `toCanvas`.
  size_t rectArea(const FrameRecord& f) const;
  void copyRect(uint32_t* area, const FrameRecord& f, bool toCanvas);

  const uint8_t* data_;
  size_t size_;
  bool scanned_ = false;
  std::vector<FrameRecord> frames_;
  uint32_t canvasW_ = 0, canvasH_ = 0;
  int loopCount_ = -1;

  // Streaming state: `next_` is the index of the next frame giflib will hand us.
  Reader reader_{nullptr, 0};
  GifFileType* gif_ = nullptr;
  size_t next_ = 0;
  std::vector<uint32_t> canvas_, saved_;
  FrameRecord pending_;  // the graphic control seen before the next image
  FrameRecord lastDrawn_;
  bool haveLast_ = false;
  std::vector<GifPixelType> line_;
};

// Walks the block structure: frame count, delays, disposal, loop count.
bool GifDecoder::scan() {
  if (scanned_) return !frames_.empty();
  scanned_ = true;
  if (size_ < 13 || (std::memcmp(data_, "GIF87a", 6) != 0 && std::memcmp(data_, "GIF89a", 6) != 0)) return false;
  canvasW_ = le16(data_ + 6);
  canvasH_ = le16(data_ + 8);
  size_t p = 13;
  if (data_[10] & 0x80) p += 3u << ((data_[10] & 7) + 1);
  FrameRecord control;
  auto skipBlocks = [&](size_t q) -> size_t {
    while (q < size_ && data_[q] != 0) q += size_t(data_[q]) + 1;
    return q < size_ ? q + 1 : size_ + 1;  // past the end marks truncation
  };
  while (p < size_) {
    uint8_t b = data_[p];
    if (b == 0x3b) break;
    if (b == 0x21) {
      if (p + 2 > size_) break;
      uint8_t label = data_[p + 1];
      size_t q = p + 2;
      if (label == 0xf9 && q + 5 <= size_ && data_[q] >= 4) {
        control.disposal = (data_[q + 1] >> 2) & 7;
        control.delayCs = le16(data_ + q + 2);
        control.transparent = (data_[q + 1] & 1) ? data_[q + 4] : -1;
      } else if (label == 0xff && q + 12 <= size_ && data_[q] == 11 &&
                 (std::memcmp(data_ + q + 1, "NETSCAPE2.0", 11) == 0 || std::memcmp(data_ + q + 1, "ANIMEXTS1.0", 11) == 0)) {
        size_t s = q + 12;
        if (s + 4 <= size_ && data_[s] >= 3 && data_[s + 1] == 1) loopCount_ = le16(data_ + s + 2);
      }
      p = skipBlocks(q);
      continue;
    }
    if (b == 0x2c) {
      if (p + 10 > size_) break;
      FrameRecord f = control;
      f.left = le16(data_ + p + 1);
      f.top = le16(data_ + p + 3);
      f.width = le16(data_ + p + 5);
      f.height = le16(data_ + p + 7);
      uint8_t flags = data_[p + 9];
      frames_.push_back(f);
      control = FrameRecord();
      size_t q = p + 10;
      if (flags & 0x80) q += 3u << ((flags & 7) + 1);
      p = skipBlocks(q + 1);  // the LZW code size byte, then the data blocks
      continue;
    }
    break;  // garbage: keep what was found
  }
  if (!frames_.empty() && (canvasW_ == 0 || canvasH_ == 0)) {
    canvasW_ = frames_[0].left + frames_[0].width;
    canvasH_ = frames_[0].top + frames_[0].height;
  }
  if (canvasW_ == 0 || canvasH_ == 0 || uint64_t(canvasW_) * canvasH_ > kMaxPixels) frames_.clear();
  return !frames_.empty();
}

size_t GifDecoder::rectArea(const FrameRecord& f) const {
  uint32_t x1 = std::min(canvasW_, f.left + f.width), y1 = std::min(canvasH_, f.top + f.height);
  return x1 > f.left && y1 > f.top ? size_t(x1 - f.left) * (y1 - f.top) : 0;
}

void GifDecoder::copyRect(uint32_t* area, const FrameRecord& f, bool toCanvas) {
  if (rectArea(f) == 0) return;
  uint32_t x1 = std::min(canvasW_, f.left + f.width), y1 = std::min(canvasH_, f.top + f.height);
  const size_t w = x1 - f.left;
  for (uint32_t y = f.top; y < y1; ++y, area += w) {
    uint32_t* row = canvas_.data() + size_t(y) * canvasW_ + f.left;
    if (toCanvas) std::copy(area, area + w, row);
    else std::copy(row, row + w, area);
  }
}

bool GifDecoder::open() {
  close();
  reader_ = Reader{data_, size_};
  int err = 0;
  gif_ = DGifOpen(&reader_, readFromMemory, &err);
  if (!gif_) return false;
  next_ = 0;
  canvas_.assign(size_t(canvasW_) * canvasH_, 0u);
  saved_.clear();
  haveLast_ = false;
  pending_ = FrameRecord();
  return true;
}

bool GifDecoder::decode(size_t index, Raster& out) {
  if (!scan() || index >= frames_.size()) return false;
  if (!gif_ || index < next_) {
    if (!open()) return false;
  }
  while (next_ < index) {
    Raster skipped;
    if (!decodeNext(skipped)) return false;
  }
  return decodeNext(out);
}

// Decodes the next image onto the canvas and answers the composed canvas.
bool GifDecoder::decodeNext(Raster& out) {
  if (!gif_) return false;
  // Undo the previous frame as its disposal asks.
  if (haveLast_) {
    const FrameRecord& l = lastDrawn_;
    if (l.disposal == 2) {
      uint32_t x1 = std::min(canvasW_, l.left + l.width), y1 = std::min(canvasH_, l.top + l.height);
      for (uint32_t y = l.top; y < y1; ++y)
        for (uint32_t x = l.left; x < x1; ++x) canvas_[size_t(y) * canvasW_ + x] = 0;
    } else if (l.disposal == 3 && !saved_.empty()) {
      copyRect(saved_.data(), l, true);
    }
  }
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif_, &type) == GIF_ERROR) break;
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif_, &code, &ext) == GIF_ERROR) break;
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        pending_.disposal = (ext[1] >> 2) & 7;
        pending_.delayCs = ext[2] | (ext[3] << 8);
        pending_.transparent = (ext[1] & 1) ? ext[4] : -1;
      }
      while (ext) {
        if (DGifGetExtensionNext(gif_, &ext) == GIF_ERROR) {
          close();
          return false;
        }
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif_) == GIF_ERROR) break;
    FrameRecord f = pending_;
    pending_ = FrameRecord();
    const GifImageDesc& d = gif_->Image;
    f.left = uint32_t(std::max(0, d.Left));
    f.top = uint32_t(std::max(0, d.Top));
    f.width = uint32_t(std::max(0, d.Width));
    f.height = uint32_t(std::max(0, d.Height));
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif_->SColorMap;
    uint32_t palette[256] = {};
    if (map)
      for (int i = 0; i < map->ColorCount && i < 256; ++i)
        palette[i] = 0xff000000u | (uint32_t(map->Colors[i].Red) << 16) | (uint32_t(map->Colors[i].Green) << 8) |
                     map->Colors[i].Blue;
    if (f.transparent >= 0) palette[f.transparent] = 0;
    // Only the frame's own area can change, so only that area is kept for restoring.
    const bool lastFrame = next_ + 1 >= frames_.size();
    if (f.disposal == 3 && !lastFrame) {
      saved_.assign(rectArea(f), 0u);
      copyRect(saved_.data(), f, false);
    }
    line_.resize(std::max<uint32_t>(f.width, 1));
    // Interlaced images arrive in four passes over the rows.
    static const uint32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    std::vector<uint32_t> order;
    if (d.Interlace) {
      for (int pass = 0; pass < 4; ++pass)
        for (uint32_t y = kStart[pass]; y < f.height; y += kStep[pass]) order.push_back(y);
    }
    uint32_t done = 0;
    bool ok = true;
    for (uint32_t i = 0; i < f.height; ++i) {
      if (DGifGetLine(gif_, line_.data(), int(f.width)) == GIF_ERROR) {
        ok = false;
        break;
      }
      uint32_t y = (d.Interlace ? order[i] : i) + f.top;
      ++done;
      if (y >= canvasH_) continue;
      uint32_t* row = canvas_.data() + size_t(y) * canvasW_;
      uint32_t x1 = std::min(canvasW_, f.left + f.width);
      for (uint32_t x = f.left; x < x1; ++x) {
        uint32_t c = palette[line_[x - f.left]];
        if (c) row[x] = c;
      }
    }
    lastDrawn_ = f;
    haveLast_ = true;
    ++next_;
    out.width = canvasW_;
    out.height = canvasH_;
    // After the last frame nothing is composed on the canvas again (an earlier frame reopens
    // the file), so the canvas itself becomes the answer instead of a copy.
    if (lastFrame) out.pixels = std::move(canvas_);
    else out.pixels = canvas_;
    if (ok) out.rows = canvasH_;
    else if (d.Interlace) out.rows = done ? canvasH_ : 0;
    else out.rows = std::min(canvasH_, f.top + done);
    if (next_ == 1 && out.rows == 0) return false;
    if (!ok) close();
    return true;
  }
  close();
  return false;
}

// Encoding: giflib writes into a vector.
int writeToVector(GifFileType* gif, const GifByteType* bytes, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + n);
  return n;
}

struct QuantisedFrame {
  std::vector<uint8_t> indexes;
  std::vector<GifColorType> colors;
  int transparent = -1;
};

bool quantise(const Raster& r, QuantisedFrame& q) {
  std::vector<uint8_t> rgba(r.pixels.size() * 4);
  premultipliedARGBToRGBA(r.pixels.data(), rgba.data(), r.pixels.size(), false);
  liq_attr* attr = liq_attr_create();
  if (!attr) return false;
  liq_set_max_colors(attr, 256);
  liq_set_speed(attr, 8);
  liq_image* img = liq_image_create_rgba(attr, rgba.data(), int(r.width), int(r.height), 0);
  liq_result* res = nullptr;
  bool ok = img && liq_image_quantize(img, attr, &res) == LIQ_OK;
  if (ok) {
    liq_set_dithering_level(res, 0.5f);
    q.indexes.resize(r.pixels.size());
    ok = liq_write_remapped_image(res, img, q.indexes.data(), q.indexes.size()) == LIQ_OK;
  }
  if (ok) {
    const liq_palette* pal = liq_get_palette(res);
    q.colors.resize(pal->count);
    for (unsigned i = 0; i < pal->count; ++i) {
      q.colors[i] = GifColorType{pal->entries[i].r, pal->entries[i].g, pal->entries[i].b};
      // GIF keeps one fully transparent entry; partial alpha rounds to opaque or clear.
      if (pal->entries[i].a < 128 && q.transparent < 0) q.transparent = int(i);
    }
    if (q.transparent >= 0) {
      for (unsigned i = 0; i < pal->count; ++i)
        if (pal->entries[i].a < 128) std::replace(q.indexes.begin(), q.indexes.end(), uint8_t(i), uint8_t(q.transparent));
    }
  }
  if (res) liq_result_destroy(res);
  if (img) liq_image_destroy(img);
  liq_attr_destroy(attr);
  return ok;
}

}  // namespace

std::unique_ptr<Decoder> makeGifDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<GifDecoder>(data, size);
}

bool encodeGif(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out) {
  if (frames.empty()) return false;
  uint32_t w = 0, h = 0;
  for (const auto& f : frames) {
    if (!f.raster || f.raster->width == 0 || f.raster->height == 0 || f.raster->width > 65535 || f.raster->height > 65535)
      return false;
    w = std::max(w, f.raster->width);
    h = std::max(h, f.raster->height);
  }
  int err = 0;
  GifFileType* gif = EGifOpen(&out, writeToVector, &err);
  if (!gif) return false;
  EGifSetGifVersion(gif, true);
  bool ok = EGifPutScreenDesc(gif, int(w), int(h), 8, 0, nullptr) != GIF_ERROR;
  if (ok && frames.size() > 1) {
    const uint8_t loop[3] = {1, uint8_t(options.loopCount & 0xff), uint8_t((options.loopCount >> 8) & 0xff)};
    ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") != GIF_ERROR &&
         EGifPutExtensionBlock(gif, 3, loop) != GIF_ERROR && EGifPutExtensionTrailer(gif) != GIF_ERROR;
  }
  for (size_t i = 0; ok && i < frames.size(); ++i) {
    const Raster& r = *frames[i].raster;
    QuantisedFrame q;
    if (!quantise(r, q)) {
      ok = false;
      break;
    }
    GraphicsControlBlock gcb;
    gcb.DisposalMode = frames.size() > 1 ? DISPOSE_BACKGROUND : DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = int(std::clamp(frames[i].delay, 0.0, 655.35) * 100 + 0.5);
    gcb.TransparentColor = q.transparent < 0 ? NO_TRANSPARENT_COLOR : q.transparent;
    GifByteType ext[4];
    size_t extLen = EGifGCBToExtension(&gcb, ext);
    int bits = 1;
    while ((1 << bits) < int(q.colors.size())) ++bits;
    q.colors.resize(size_t(1) << bits, GifColorType{0, 0, 0});
    ColorMapObject* map = GifMakeMapObject(1 << bits, q.colors.data());
    ok = map && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extLen), ext) != GIF_ERROR &&
         EGifPutImageDesc(gif, 0, 0, int(r.width), int(r.height), false, map) != GIF_ERROR;
    for (uint32_t y = 0; ok && y < r.height; ++y)
      ok = EGifPutLine(gif, q.indexes.data() + size_t(y) * r.width, int(r.width)) != GIF_ERROR;
    if (map) GifFreeMapObject(map);
  }
  if (EGifCloseFile(gif, &err) == GIF_ERROR) ok = false;
  return ok;
}

}  // namespace gfx::codecs
