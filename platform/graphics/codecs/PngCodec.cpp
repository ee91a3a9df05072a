#include "platform/graphics/codecs/PngCodec.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <utility>

#include "platform/graphics/codecs/ByteOrder.h"
#include "platform/graphics/codecs/PixelRows.h"

namespace gfx::codecs {

namespace {

// Where the progressive reader's callbacks write.
struct ReadState {
  Raster* out = nullptr;
  bool interlaced = false;  // then rows gather as RGBA bytes in out's pixels, converted at the end
  uint32_t lastRow = 0;
  bool haveRows = false;
  bool failed = false;
  bool ended = false;
};

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

void onInfo(png_structp png, png_infop info) {
  auto* st = static_cast<ReadState*>(png_get_progressive_ptr(png));
  png_uint_32 w = 0, h = 0;
  int depth = 0, color = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &color, &interlace, nullptr, nullptr);
  if (w == 0 || h == 0 || uint64_t(w) * h > kMaxPixels) png_error(png, "image too large");
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  st->interlaced = interlace != PNG_INTERLACE_NONE;
  if (st->interlaced) png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row layout");
  st->out->reset(w, h);
}

void onRow(png_structp png, png_bytep row, png_uint_32 y, int pass) {
  auto* st = static_cast<ReadState*>(png_get_progressive_ptr(png));
  if (!row || y >= st->out->height) return;
  if (st->interlaced) {
    png_progressive_combine_row(png, reinterpret_cast<png_bytep>(st->out->row(y)), row);
    (void)pass;
  } else {
    rgbaToPremultipliedARGB(row, st->out->row(y), st->out->width);
  }
  st->lastRow = y;
  st->haveRows = true;
}

void onEnd(png_structp png, png_infop) { static_cast<ReadState*>(png_get_progressive_ptr(png))->ended = true; }

bool runReader(const uint8_t* data, size_t size, ReadState& st) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    st.failed = true;
  } else {
    png_set_progressive_read_fn(png, &st, onInfo, onRow, onEnd);
    png_process_data(png, info, const_cast<uint8_t*>(data), size);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

class PngDecoder final : public Decoder {
 public:
  PngDecoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}

  bool readInfo(ImageInfo& info) override {
    if (size_ < 33 || std::memcmp(data_, "\x89PNG\r\n\x1a\n", 8) != 0 || std::memcmp(data_ + 12, "IHDR", 4) != 0)
      return false;
    FrameInfo f;
    f.width = be32(data_ + 16);
    f.height = be32(data_ + 20);
    if (f.width == 0 || f.height == 0) return false;
    uint8_t depth = data_[24], color = data_[25];
    info.interlaced = data_[28] != 0;
    info.depth = depth;
    info.model = (color == 0 || color == 4) ? ColorModel::Gray : ColorModel::RGB;
    f.hasAlpha = (color & 4) != 0;
    // Walk the chunks for transparency and resolution.
    size_t p = 8;
    while (p + 12 <= size_) {
      uint32_t len = be32(data_ + p);
      const uint8_t* type = data_ + p + 4;
      if (len > size_ - p - 12) break;
      if (std::memcmp(type, "tRNS", 4) == 0) f.hasAlpha = true;
      if (std::memcmp(type, "pHYs", 4) == 0 && len == 9 && data_[p + 16] == 1) {
        info.dpiX = be32(data_ + p + 8) * 0.0254;
        info.dpiY = be32(data_ + p + 12) * 0.0254;
      }
      if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) break;
      p += size_t(len) + 12;
    }
    info.frames = {f};
    return true;
  }

  bool decode(size_t index, Raster& out) override {
    if (index != 0) return false;
    ReadState st;
    st.out = &out;
    out = Raster();
    runReader(data_, size_, st);
    if (out.height == 0 || !st.haveRows) return false;
    if (st.interlaced) {
      // In place: each pixel's four bytes are read before its word is written.
      rgbaToPremultipliedARGB(reinterpret_cast<const uint8_t*>(out.pixels.data()), out.pixels.data(),
                              out.pixels.size());
      out.rows = out.height;
    } else {
      out.rows = st.lastRow + 1;
    }
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// libpng's progressive reader kept across pieces: each piece goes through png_process_data
// once and the row callbacks write into the canvas. An interlaced file gathers RGBA bytes in
// the canvas until its last pass, for the passes to combine; snapshots convert a copy.
class IncrementalPngDecoder final : public IncrementalDecoder {
 public:
  IncrementalPngDecoder() {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (png_) info_ = png_create_info_struct(png_);
    if (!png_ || !info_) {
      state_ = State::Failed;
      return;
    }
    st_.out = &canvas_;
    png_set_progressive_read_fn(png_, &st_, onInfo, onRow, onEnd);
  }
  ~IncrementalPngDecoder() override {
    if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
  }

  State feed(const uint8_t* data, size_t size) override {
    if (state_ != State::Reading || size <= fed_) return state_;
    const size_t from = std::exchange(fed_, size);
    read_ += size - from;
    process(data + from, size - from);
    if (!st_.interlaced && st_.haveRows) canvas_.rows = st_.lastRow + 1;
    if (st_.ended) {
      state_ = State::Done;
      canvas_.rows = canvas_.height;
    } else if (st_.failed) {
      state_ = State::Failed;
    }
    if (state_ != State::Reading && st_.interlaced) finishInterlaced();
    return state_;
  }

  State state() const override { return state_; }

  const Raster* canvas() override {
    if (canvas_.height == 0) return nullptr;
    if (!st_.interlaced || state_ != State::Reading) return &canvas_;
    // Passes still arriving: every row holds what the passes so far gave it.
    snapshot_.width = canvas_.width;
    snapshot_.height = canvas_.height;
    snapshot_.rows = st_.haveRows ? canvas_.height : 0;
    snapshot_.pixels.resize(canvas_.pixels.size());
    rgbaToPremultipliedARGB(reinterpret_cast<const uint8_t*>(canvas_.pixels.data()), snapshot_.pixels.data(),
                            canvas_.pixels.size());
    return &snapshot_;
  }

  Raster takeCanvas() override { return std::move(canvas_); }
  uint32_t settledRows() const override { return st_.interlaced && state_ == State::Reading ? 0 : canvas_.rows; }
  size_t bytesRead() const override { return read_; }

 private:
  // Kept apart so that nothing with a destructor lives between setjmp and the error longjmp.
  void process(const uint8_t* bytes, size_t size) {
    if (setjmp(png_jmpbuf(png_))) {
      st_.failed = true;
      return;
    }
    png_process_data(png_, info_, const_cast<uint8_t*>(bytes), size);
  }

  void finishInterlaced() {
    if (converted_ || canvas_.height == 0) return;
    converted_ = true;
    // In place: each pixel's four bytes are read before its word is written.
    rgbaToPremultipliedARGB(reinterpret_cast<const uint8_t*>(canvas_.pixels.data()), canvas_.pixels.data(),
                            canvas_.pixels.size());
    if (st_.haveRows) canvas_.rows = canvas_.height;
  }

  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  State state_ = State::Reading;
  size_t fed_ = 0;
  size_t read_ = 0;  // handed to libpng, which takes in every byte it is given
  ReadState st_;
  Raster canvas_;
  Raster snapshot_;
  bool converted_ = false;
};

void writeToVector(png_structp png, png_bytep bytes, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), bytes, bytes + n);
}
void flushNothing(png_structp) {}

}  // namespace

std::unique_ptr<Decoder> makePngDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<PngDecoder>(data, size);
}

std::unique_ptr<IncrementalDecoder> makeIncrementalPngDecoder() { return std::make_unique<IncrementalPngDecoder>(); }

bool encodePng(const std::vector<EncodeFrame>& frames, const EncodeOptions&, std::vector<uint8_t>& out) {
  if (frames.empty() || !frames[0].raster || frames[0].raster->width == 0 || frames[0].raster->height == 0)
    return false;
  const Raster& r = *frames[0].raster;
  const bool opaque = allOpaque(r.pixels.data(), r.pixels.size());
  const int channels = opaque ? 3 : 4;
  std::vector<uint8_t> row(size_t(r.width) * channels);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  volatile bool ok = false;
  if (info && !setjmp(png_jmpbuf(png))) {
    png_set_write_fn(png, &out, writeToVector, flushNothing);
    png_set_IHDR(png, info, r.width, r.height, 8, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < r.height; ++y) {
      premultipliedARGBToRGBA(r.pixels.data() + size_t(y) * r.width, row.data(), r.width, opaque);
      png_write_row(png, row.data());
    }
    png_write_end(png, info);
    ok = true;
  }
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return ok;
}

}  // namespace gfx::codecs
