#include "platform/graphics/codecs/WebPCodec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <utility>

#include "platform/graphics/codecs/PixelRows.h"

namespace gfx::codecs {

namespace {

// Decodes one WebP bitstream into premultiplied ARGB; a cut-short stream gives its first rows.
bool decodeStill(const uint8_t* data, size_t size, uint32_t w, uint32_t h, Raster& out) {
  out.reset(w, h);
  const size_t stride = size_t(w) * 4;
  auto* buf = reinterpret_cast<uint8_t*>(out.pixels.data());
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return false;
  config.output.colorspace = MODE_bgrA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = buf;
  config.output.u.RGBA.stride = int(stride);
  config.output.u.RGBA.size = stride * h;
  if (WebPDecode(data, size, &config) == VP8_STATUS_OK) {
    out.rows = h;
    return true;
  }
  WebPIDecoder* idec = WebPINewRGB(MODE_bgrA, buf, stride * h, int(stride));
  if (!idec) return false;
  WebPIUpdate(idec, data, size);
  int lastY = 0;
  WebPIDecGetRGB(idec, &lastY, nullptr, nullptr, nullptr);
  WebPIDelete(idec);
  out.rows = uint32_t(std::clamp(lastY, 0, int(h)));
  return out.rows > 0;
}

class WebPDecoder final : public Decoder {
 public:
  WebPDecoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}
  ~WebPDecoder() override {
    if (demux_) WebPDemuxDelete(demux_);
  }

  bool readInfo(ImageInfo& info) override {
    if (!open()) return false;
    uint32_t count = WebPDemuxGetI(demux_, WEBP_FF_FRAME_COUNT);
    uint32_t flags = WebPDemuxGetI(demux_, WEBP_FF_FORMAT_FLAGS);
    info.frames.clear();
    WebPIterator it;
    if (WebPDemuxGetFrame(demux_, 1, &it)) {
      do {
        FrameInfo f;
        f.width = canvasW_;
        f.height = canvasH_;
        f.hasAlpha = (flags & ALPHA_FLAG) || it.has_alpha;
        if (animated_) f.delay = it.duration / 1000.0;
        info.frames.push_back(f);
      } while (info.frames.size() < count && WebPDemuxNextFrame(&it));
      WebPDemuxReleaseIterator(&it);
    }
    if (animated_) info.loopCount = int(WebPDemuxGetI(demux_, WEBP_FF_LOOP_COUNT));
    return !info.frames.empty();
  }

  bool decode(size_t index, Raster& out) override {
    if (!open()) return false;
    if (!animated_) {
      // The whole file: the decoder wants the container around an alpha chunk.
      return index == 0 && decodeStill(data_, size_, canvasW_, canvasH_, out);
    }
    if (index < next_) {
      next_ = 0;
      canvas_.assign(size_t(canvasW_) * canvasH_, 0u);
    }
    bool ok = true;
    while (ok && next_ <= index) ok = composeNext();
    if (!ok) return false;
    out.width = canvasW_;
    out.height = canvasH_;
    out.rows = lastRows_;
    out.pixels = canvas_;
    return true;
  }

 private:
  bool open() {
    if (demux_) return true;
    if (failed_) return false;
    WebPData d{data_, size_};
    WebPDemuxState state;
    demux_ = WebPDemuxPartial(&d, &state);
    if (!demux_ || state < WEBP_DEMUX_PARSED_HEADER) {
      failed_ = true;
      return false;
    }
    canvasW_ = WebPDemuxGetI(demux_, WEBP_FF_CANVAS_WIDTH);
    canvasH_ = WebPDemuxGetI(demux_, WEBP_FF_CANVAS_HEIGHT);
    animated_ = (WebPDemuxGetI(demux_, WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG) != 0;
    if (canvasW_ == 0 || canvasH_ == 0 || uint64_t(canvasW_) * canvasH_ > kMaxPixels) {
      failed_ = true;
      return false;
    }
    if (animated_) canvas_.assign(size_t(canvasW_) * canvasH_, 0u);
    return true;
  }

  // Applies the previous frame's disposal, then draws frame `next_` (blending as it asks).
  bool composeNext() {
    WebPIterator it;
    if (!WebPDemuxGetFrame(demux_, int(next_) + 1, &it)) return false;
    if (next_ > 0 && prevDispose_ == WEBP_MUX_DISPOSE_BACKGROUND) clearRect(prevX_, prevY_, prevW_, prevH_);
    Raster frame;
    uint32_t fw = uint32_t(it.width), fh = uint32_t(it.height);
    bool ok = fw > 0 && fh > 0 && decodeStill(it.fragment.bytes, it.fragment.size, fw, fh, frame);
    if (ok) {
      uint32_t x0 = uint32_t(it.x_offset), y0 = uint32_t(it.y_offset);
      for (uint32_t y = 0; y < frame.rows && y0 + y < canvasH_; ++y) {
        uint32_t* dst = canvas_.data() + size_t(y0 + y) * canvasW_;
        const uint32_t* src = frame.row(y);
        for (uint32_t x = 0; x < fw && x0 + x < canvasW_; ++x) {
          uint32_t s = src[x];
          if (it.blend_method == WEBP_MUX_NO_BLEND || (s >> 24) == 255) {
            dst[x0 + x] = s;
          } else if (s >> 24) {
            uint32_t inv = 255 - (s >> 24), d = dst[x0 + x];
            uint32_t a = (s >> 24) + mulDiv255(d >> 24, inv);
            uint32_t r = ((s >> 16) & 0xff) + mulDiv255((d >> 16) & 0xff, inv);
            uint32_t g = ((s >> 8) & 0xff) + mulDiv255((d >> 8) & 0xff, inv);
            uint32_t b = (s & 0xff) + mulDiv255(d & 0xff, inv);
            dst[x0 + x] = (a << 24) | (r << 16) | (g << 8) | b;
          } else if (it.blend_method == WEBP_MUX_NO_BLEND) {
            dst[x0 + x] = 0;
          }
        }
      }
      lastRows_ = frame.rows == fh ? canvasH_ : std::min(canvasH_, y0 + frame.rows);
      prevDispose_ = it.dispose_method;
      prevX_ = uint32_t(it.x_offset);
      prevY_ = uint32_t(it.y_offset);
      prevW_ = fw;
      prevH_ = fh;
      ++next_;
    }
    WebPDemuxReleaseIterator(&it);
    return ok;
  }

  void clearRect(uint32_t x0, uint32_t y0, uint32_t w, uint32_t h) {
    for (uint32_t y = y0; y < std::min(canvasH_, y0 + h); ++y)
      std::fill(canvas_.begin() + long(size_t(y) * canvasW_ + x0),
                canvas_.begin() + long(size_t(y) * canvasW_ + std::min(canvasW_, x0 + w)), 0u);
  }

  const uint8_t* data_;
  size_t size_;
  WebPDemuxer* demux_ = nullptr;
  bool failed_ = false;
  bool animated_ = false;
  uint32_t canvasW_ = 0, canvasH_ = 0;
  std::vector<uint32_t> canvas_;
  size_t next_ = 0;
  uint32_t lastRows_ = 0;
  WebPMuxAnimDispose prevDispose_ = WEBP_MUX_DISPOSE_NONE;
  uint32_t prevX_ = 0, prevY_ = 0, prevW_ = 0, prevH_ = 0;
};

// A still decoded by libwebp's incremental decoder straight into the canvas. It reads the
// file so far where the caller keeps it (libwebp follows the bytes when they move), so no
// byte is copied, and goes on from where the last update stopped. The decoder is made once
// the header gives the size the canvas needs.
class IncrementalWebPDecoder final : public IncrementalDecoder {
 public:
  ~IncrementalWebPDecoder() override {
    if (idec_) WebPIDelete(idec_);
  }

  State feed(const uint8_t* data, size_t size) override {
    if (state_ != State::Reading || size <= fed_) return state_;
    fed_ = size;
    if (!idec_ && !start(data, size)) return state_;
    // libwebp goes on from where the last update left it: only the bytes after that are read.
    read_ += size - std::exchange(given_, size);
    VP8StatusCode status = WebPIUpdate(idec_, data, size);
    int lastY = 0;
    if (WebPIDecGetRGB(idec_, &lastY, nullptr, nullptr, nullptr))
      canvas_.rows = uint32_t(std::clamp(lastY, 0, int(canvas_.height)));
    if (status == VP8_STATUS_OK) {
      canvas_.rows = canvas_.height;
      state_ = State::Done;
    } else if (status != VP8_STATUS_SUSPENDED) {
      state_ = State::Failed;
    }
    return state_;
  }

  State state() const override { return state_; }
  const Raster* canvas() override { return canvas_.height ? &canvas_ : nullptr; }
  Raster takeCanvas() override { return std::move(canvas_); }
  // libwebp hands out finished rows only, top to bottom.
  uint32_t settledRows() const override { return canvas_.rows; }
  size_t bytesRead() const override { return read_; }

 private:
  // Reads the features once enough of the header is in; false while it is not (or is bad).
  bool start(const uint8_t* data, size_t size) {
    WebPBitstreamFeatures features;
    VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA) return false;
    if (status != VP8_STATUS_OK || features.width <= 0 || features.height <= 0 ||
        uint64_t(features.width) * uint64_t(features.height) > kMaxPixels) {
      state_ = State::Failed;
      return false;
    }
    if (features.has_animation) {
      state_ = State::Unsupported;
      return false;
    }
    canvas_.reset(uint32_t(features.width), uint32_t(features.height));
    const size_t stride = size_t(canvas_.width) * 4;
    idec_ = WebPINewRGB(MODE_bgrA, reinterpret_cast<uint8_t*>(canvas_.pixels.data()), stride * canvas_.height,
                        int(stride));
    if (!idec_) state_ = State::Failed;
    return idec_ != nullptr;
  }

  State state_ = State::Reading;
  size_t fed_ = 0;
  size_t given_ = 0;  // the file's length at the last update of idec_
  size_t read_ = 0;
  WebPIDecoder* idec_ = nullptr;
  Raster canvas_;
};

// One frame to a WebP bitstream: lossy at the given quality, lossless when none is given.
bool encodeOne(const EncodeFrame& f, WebPMemoryWriter& writer) {
  const Raster& r = *f.raster;
  WebPConfig config;
  const bool lossless = f.quality < 0;
  if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, lossless ? 75.f : float(std::clamp(f.quality, 0.0, 1.0) * 100)))
    return false;
  config.lossless = lossless;
  if (!WebPValidateConfig(&config)) return false;
  WebPPicture pic;
  if (!WebPPictureInit(&pic)) return false;
  pic.width = int(r.width);
  pic.height = int(r.height);
  pic.use_argb = lossless;
  std::vector<uint8_t> rgba(r.pixels.size() * 4);
  premultipliedARGBToRGBA(r.pixels.data(), rgba.data(), r.pixels.size(), false);
  bool ok = WebPPictureImportRGBA(&pic, rgba.data(), int(r.width) * 4);
  if (ok) {
    pic.writer = WebPMemoryWrite;
    pic.custom_ptr = &writer;
    ok = WebPEncode(&config, &pic);
  }
  WebPPictureFree(&pic);
  return ok;
}

}  // namespace

std::unique_ptr<Decoder> makeWebPDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<WebPDecoder>(data, size);
}

std::unique_ptr<IncrementalDecoder> makeIncrementalWebPDecoder() {
  return std::make_unique<IncrementalWebPDecoder>();
}

bool encodeWebP(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out) {
  if (frames.empty()) return false;
  uint32_t w = 0, h = 0;
  for (const auto& f : frames) {
    if (!f.raster || f.raster->width == 0 || f.raster->height == 0 || f.raster->width > 16383 ||
        f.raster->height > 16383)
      return false;
    w = std::max(w, f.raster->width);
    h = std::max(h, f.raster->height);
  }
  if (frames.size() == 1) {
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    bool ok = encodeOne(frames[0], writer);
    if (ok) out.assign(writer.mem, writer.mem + writer.size);
    WebPMemoryWriterClear(&writer);
    return ok;
  }
  std::vector<WebPMemoryWriter> bitstreams(frames.size());
  for (auto& wr : bitstreams) WebPMemoryWriterInit(&wr);
  bool ok = true;
  for (size_t i = 0; ok && i < frames.size(); ++i) ok = encodeOne(frames[i], bitstreams[i]);
  WebPMux* mux = ok ? WebPMuxNew() : nullptr;
  ok = ok && mux;
  for (size_t i = 0; ok && i < frames.size(); ++i) {
    WebPMuxFrameInfo fi{};
    fi.bitstream.bytes = bitstreams[i].mem;
    fi.bitstream.size = bitstreams[i].size;
    fi.id = WEBP_CHUNK_ANMF;
    fi.duration = int(std::clamp(frames[i].delay, 0.0, 16777.0) * 1000 + 0.5);
    fi.dispose_method = WEBP_MUX_DISPOSE_BACKGROUND;
    fi.blend_method = WEBP_MUX_NO_BLEND;
    ok = WebPMuxPushFrame(mux, &fi, 0) == WEBP_MUX_OK;
  }
  WebPMuxAnimParams params{0, std::clamp(options.loopCount, 0, 65535)};
  ok = ok && WebPMuxSetAnimationParams(mux, &params) == WEBP_MUX_OK &&
       WebPMuxSetCanvasSize(mux, int(w), int(h)) == WEBP_MUX_OK;
  WebPData assembled{nullptr, 0};
  ok = ok && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
  if (ok) out.assign(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  if (mux) WebPMuxDelete(mux);
  for (auto& wr : bitstreams) WebPMemoryWriterClear(&wr);
  return ok;
}

}  // namespace gfx::codecs
