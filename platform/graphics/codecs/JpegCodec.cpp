#include "platform/graphics/codecs/JpegCodec.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <jpeglib.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstring>

#include "platform/graphics/codecs/ByteOrder.h"
#include "platform/graphics/codecs/PixelRows.h"

static_assert(std::endian::native == std::endian::little, "BGRA output is read as native ARGB words");

namespace gfx::codecs {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void onError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }
void onMessage(j_common_ptr) {}

// Memory source that suspends at the end of the bytes instead of inventing an end marker, so
// the decoder stops exactly where the data does.
struct MemorySource {
  jpeg_source_mgr pub;
};
void initSource(j_decompress_ptr) {}
boolean fillInput(j_decompress_ptr) { return FALSE; }
void skipInput(j_decompress_ptr cinfo, long n) {
  auto* src = cinfo->src;
  if (n <= 0) return;
  if (size_t(n) > src->bytes_in_buffer) {
    src->next_input_byte += src->bytes_in_buffer;
    src->bytes_in_buffer = 0;
  } else {
    src->next_input_byte += n;
    src->bytes_in_buffer -= size_t(n);
  }
}
boolean resync(j_decompress_ptr cinfo, int desired) { return jpeg_resync_to_restart(cinfo, desired); }
void termSource(j_decompress_ptr) {}

// Reads scanlines until the last or until the data runs out; answers the rows done.
uint32_t readScanlines(jpeg_decompress_struct& c, Raster& out, bool cmyk) {
  uint32_t done = c.output_scanline;
  while (c.output_scanline < c.output_height) {
    uint32_t y = c.output_scanline;
    JDIMENSION got;
    if (cmyk) {
      // Kept as CMYK; Adobe files store ink inverted.
      JSAMPROW row = reinterpret_cast<JSAMPROW>(out.row(y));
      got = jpeg_read_scanlines(&c, &row, 1);
      if (got && c.saw_Adobe_marker)
        for (uint32_t i = 0; i < out.width * 4; ++i) row[i] = uint8_t(255 - row[i]);
    } else {
      JSAMPROW rows[16];
      uint32_t n = std::min<uint32_t>(16, c.output_height - y);
      for (uint32_t i = 0; i < n; ++i) rows[i] = reinterpret_cast<JSAMPROW>(out.row(y + i));
      got = jpeg_read_scanlines(&c, rows, n);
    }
    if (got == 0) break;  // suspended: the data ends here
    done = c.output_scanline;
  }
  return done;
}

struct DecodeState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  MemorySource src;
};

class JpegDecoder final : public Decoder {
 public:
  JpegDecoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}

  bool readInfo(ImageInfo& info) override;
  bool decode(size_t index, Raster& out) override {
    if (index != 0) return false;
    out = Raster();
    auto st = std::make_unique<DecodeState>();
    run(*st, out);
    jpeg_destroy_decompress(&st->cinfo);
    return out.height != 0 && out.rows != 0;
  }

 private:
  void run(DecodeState& st, Raster& out);
  static uint32_t readRows(DecodeState& st, Raster& out, bool cmyk);
  const uint8_t* data_;
  size_t size_;
};

// Walks the markers up to the first scan: size, components, progressive, orientation, density.
bool JpegDecoder::readInfo(ImageInfo& info) {
  if (size_ < 4 || data_[0] != 0xff || data_[1] != 0xd8) return false;
  FrameInfo f;
  bool haveFrame = false;
  size_t p = 2;
  while (p + 4 <= size_) {
    if (data_[p] != 0xff) return haveFrame && (info.frames = {f}, true);
    uint8_t m = data_[p + 1];
    if (m == 0xff) {
      ++p;
      continue;
    }
    if (m == 0xd8 || (m >= 0xd0 && m <= 0xd7) || m == 0x01) {
      p += 2;
      continue;
    }
    size_t len = be16(data_ + p + 2);
    if (len < 2) break;
    const uint8_t* seg = data_ + p + 4;
    size_t segLen = std::min(len - 2, size_ - (p + 4));
    bool isSof = m >= 0xc0 && m <= 0xcf && m != 0xc4 && m != 0xc8 && m != 0xcc;
    if (isSof && segLen >= 6) {
      f.height = be16(seg + 1);
      f.width = be16(seg + 3);
      int comps = seg[5];
      info.progressive = m == 0xc2 || m == 0xc6 || m == 0xca || m == 0xce;
      info.model = comps == 1 ? ColorModel::Gray : comps == 4 ? ColorModel::CMYK : ColorModel::RGB;
      info.depth = seg[0];
      haveFrame = f.width != 0 && f.height != 0;
    } else if (m == 0xe1 && segLen > 6 && std::memcmp(seg, "Exif\0\0", 6) == 0) {
      int o = exifOrientation(seg + 6, segLen - 6);
      if (o) f.orientation = o;
    } else if (m == 0xe0 && segLen >= 12 && std::memcmp(seg, "JFIF\0", 5) == 0) {
      int unit = seg[7];
      double x = be16(seg + 8), y = be16(seg + 10);
      if (unit == 1) info.dpiX = x, info.dpiY = y;
      if (unit == 2) info.dpiX = x * 2.54, info.dpiY = y * 2.54;
    } else if (m == 0xda) {
      break;
    }
    p += 2 + len;
  }
  if (!haveFrame) return false;
  info.frames = {f};
  return true;
}

uint32_t JpegDecoder::readRows(DecodeState& st, Raster& out, bool cmyk) { return readScanlines(st.cinfo, out, cmyk); }

void JpegDecoder::run(DecodeState& st, Raster& out) {
  auto& c = st.cinfo;
  c.err = jpeg_std_error(&st.err.pub);
  st.err.pub.error_exit = onError;
  st.err.pub.output_message = onMessage;
  jpeg_create_decompress(&c);
  st.src.pub.init_source = initSource;
  st.src.pub.fill_input_buffer = fillInput;
  st.src.pub.skip_input_data = skipInput;
  st.src.pub.resync_to_restart = resync;
  st.src.pub.term_source = termSource;
  st.src.pub.next_input_byte = data_;
  st.src.pub.bytes_in_buffer = size_;
  c.src = &st.src.pub;
  if (setjmp(st.err.jump)) return;  // out keeps the rows decoded before the error
  if (jpeg_read_header(&c, TRUE) != JPEG_HEADER_OK) return;
  if (uint64_t(c.image_width) * c.image_height > kMaxPixels) return;
  const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  if (cmyk) {
    c.out_color_space = JCS_CMYK;
  } else {
    // Little-endian BGRA bytes are native ARGB32 words.
    c.out_color_space = JCS_EXT_BGRA;
  }
  const bool progressive = jpeg_has_multiple_scans(&c);
  c.buffered_image = progressive;
  if (!jpeg_start_decompress(&c)) return;
  out.reset(c.output_width, c.output_height);
  out.cmyk = cmyk;
  if (!progressive) {
    out.rows = readRows(st, out, cmyk);
    return;
  }
  // Take in all the scans there are, then show the last complete one (or the first, partly).
  while (!jpeg_input_complete(&c))
    if (jpeg_consume_input(&c) == JPEG_SUSPENDED) break;
  int scan = c.input_scan_number;
  if (!jpeg_input_complete(&c) && scan > 1) --scan;
  jpeg_start_output(&c, scan);
  out.rows = readRows(st, out, cmyk);
}

// libjpeg kept across pieces with a suspending source over the bytes not yet consumed: each
// piece resumes where the data ran out. A baseline file adds rows as they come; a progressive
// one takes in its scans and renders the last complete scan when the canvas is asked for.
struct IncrementalSource {
  jpeg_source_mgr pub;
  size_t pendingSkip = 0;  // skipped bytes that had not arrived yet
};

void skipIncremental(j_decompress_ptr cinfo, long n) {
  auto* src = reinterpret_cast<IncrementalSource*>(cinfo->src);
  if (n <= 0) return;
  if (size_t(n) > src->pub.bytes_in_buffer) {
    src->pendingSkip += size_t(n) - src->pub.bytes_in_buffer;
    src->pub.next_input_byte += src->pub.bytes_in_buffer;
    src->pub.bytes_in_buffer = 0;
  } else {
    src->pub.next_input_byte += n;
    src->pub.bytes_in_buffer -= size_t(n);
  }
}

struct IncrementalState {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  IncrementalSource src;
};

class IncrementalJpegDecoder final : public IncrementalDecoder {
 public:
  IncrementalJpegDecoder() : st_(std::make_unique<IncrementalState>()) {
    auto& c = st_->cinfo;
    c.err = jpeg_std_error(&st_->err.pub);
    st_->err.pub.error_exit = onError;
    st_->err.pub.output_message = onMessage;
    jpeg_create_decompress(&c);
    auto& src = st_->src.pub;
    src.init_source = initSource;
    src.fill_input_buffer = fillInput;
    src.skip_input_data = skipIncremental;
    src.resync_to_restart = resync;
    src.term_source = termSource;
    src.next_input_byte = nullptr;
    src.bytes_in_buffer = 0;
    c.src = &src;
  }
  ~IncrementalJpegDecoder() override { jpeg_destroy_decompress(&st_->cinfo); }

  State feed(const uint8_t* data, size_t size) override {
    if (state_ != State::Reading || size <= fed_) return state_;
    auto& src = st_->src;
    // libjpeg resumes at the start of whatever unit it could not finish, kept as an offset in
    // the file: the caller's bytes may have moved since. Bytes it skipped past the end of
    // what it had are dropped from what follows.
    size_t next = next_;
    if (src.pendingSkip) {
      const size_t skip = std::min(src.pendingSkip, size - next);
      next += skip;
      src.pendingSkip -= skip;
    }
    fed_ = size;
    src.pub.next_input_byte = data + next;
    src.pub.bytes_in_buffer = size - next;
    if (!advance()) state_ = State::Failed;
    const size_t consumed = size_t(src.pub.next_input_byte - data);
    read_ += consumed - next_;
    next_ = consumed;
    src.pub.next_input_byte = nullptr;
    src.pub.bytes_in_buffer = 0;
    return state_;
  }

  State state() const override { return state_; }

  const Raster* canvas() override {
    if (canvas_.height == 0) return nullptr;
    if (state_ == State::Reading && phase_ == Phase::Scans && !render()) state_ = State::Failed;
    return &canvas_;
  }

  Raster takeCanvas() override { return std::move(canvas_); }
  // A progressive file's rows change with every scan until the last.
  uint32_t settledRows() const override {
    return st_->cinfo.buffered_image && state_ == State::Reading ? 0 : canvas_.rows;
  }
  size_t bytesRead() const override { return read_; }

 private:
  enum class Phase { Header, Start, Rows, Scans, Finish, End };

  // Runs as far as the bytes allow; false on an error (the rows decoded before it stay).
  bool advance() {
    auto& c = st_->cinfo;
    if (setjmp(st_->err.jump)) return false;
    for (;;) {
      switch (phase_) {
        case Phase::Header: {
          int r = jpeg_read_header(&c, TRUE);
          if (r == JPEG_SUSPENDED) return true;
          if (r != JPEG_HEADER_OK || uint64_t(c.image_width) * c.image_height > kMaxPixels) return false;
          cmyk_ = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
          // Little-endian BGRA bytes are native ARGB32 words.
          c.out_color_space = cmyk_ ? JCS_CMYK : JCS_EXT_BGRA;
          c.buffered_image = jpeg_has_multiple_scans(&c);
          phase_ = Phase::Start;
          break;
        }
        case Phase::Start:
          if (!jpeg_start_decompress(&c)) return true;
          canvas_.reset(c.output_width, c.output_height);
          canvas_.cmyk = cmyk_;
          phase_ = c.buffered_image ? Phase::Scans : Phase::Rows;
          break;
        case Phase::Rows:
          canvas_.rows = readScanlines(c, canvas_, cmyk_);
          if (c.output_scanline < c.output_height) return true;
          phase_ = Phase::Finish;
          break;
        case Phase::Scans:
          while (!jpeg_input_complete(&c)) {
            int r = jpeg_consume_input(&c);
            if (r == JPEG_SUSPENDED) return true;
            if (r == JPEG_REACHED_EOI) break;
          }
          // Every scan is in: the last one is the picture.
          jpeg_start_output(&c, c.input_scan_number);
          canvas_.rows = readScanlines(c, canvas_, cmyk_);
          jpeg_finish_output(&c);
          phase_ = Phase::Finish;
          break;
        case Phase::Finish:
          if (!jpeg_finish_decompress(&c)) return true;
          phase_ = Phase::End;
          break;
        case Phase::End:
          canvas_.rows = canvas_.height;
          state_ = State::Done;
          return true;
      }
    }
  }

  // Shows the last scan that is wholly in, when it is newer than the one shown.
  bool render() {
    auto& c = st_->cinfo;
    if (setjmp(st_->err.jump)) return false;
    int scan = c.input_scan_number - 1;
    if (scan < 1 || scan <= shownScan_) return true;
    if (!jpeg_start_output(&c, scan)) return true;
    canvas_.rows = readScanlines(c, canvas_, cmyk_);
    jpeg_finish_output(&c);
    shownScan_ = scan;
    return true;
  }

  std::unique_ptr<IncrementalState> st_;
  size_t fed_ = 0;
  size_t next_ = 0;  // the offset libjpeg goes on from
  // Bytes libjpeg consumed (or skipped); a unit it backs up to finish later counts once.
  size_t read_ = 0;
  Phase phase_ = Phase::Header;
  State state_ = State::Reading;
  Raster canvas_;
  bool cmyk_ = false;
  int shownScan_ = 0;
};

// Memory destination.
struct VectorDestination {
  jpeg_destination_mgr pub;
  std::vector<uint8_t>* out;
  uint8_t buffer[16384];
};
void initDest(j_compress_ptr c) {
  auto* d = reinterpret_cast<VectorDestination*>(c->dest);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = sizeof d->buffer;
}
boolean emptyDest(j_compress_ptr c) {
  auto* d = reinterpret_cast<VectorDestination*>(c->dest);
  d->out->insert(d->out->end(), d->buffer, d->buffer + sizeof d->buffer);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = sizeof d->buffer;
  return TRUE;
}
void termDest(j_compress_ptr c) {
  auto* d = reinterpret_cast<VectorDestination*>(c->dest);
  d->out->insert(d->out->end(), d->buffer, d->buffer + (sizeof d->buffer - d->pub.free_in_buffer));
}

struct EncodeState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  VectorDestination dest;
};

}  // namespace

int exifOrientation(const uint8_t* t, size_t n) {
  if (n < 8) return 0;
  bool le;
  if (std::memcmp(t, "II*\0", 4) == 0) le = true;
  else if (std::memcmp(t, "MM\0*", 4) == 0) le = false;
  else return 0;
  auto u16 = [&](size_t o) -> uint32_t { return le ? t[o] | (t[o + 1] << 8) : (t[o] << 8) | t[o + 1]; };
  auto u32 = [&](size_t o) -> uint32_t { return le ? u16(o) | (u16(o + 2) << 16) : (u16(o) << 16) | u16(o + 2); };
  size_t ifd = u32(4);
  if (ifd > n - 2) return 0;
  size_t count = u16(ifd);
  for (size_t i = 0; i < count; ++i) {
    size_t e = ifd + 2 + i * 12;
    if (e + 12 > n) return 0;
    if (u16(e) == 0x0112) {
      uint32_t v = u16(e + 8);
      return v >= 1 && v <= 8 ? int(v) : 0;
    }
  }
  return 0;
}

std::unique_ptr<Decoder> makeJpegDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<JpegDecoder>(data, size);
}

namespace {

// Kept apart so that nothing live in the caller is touched by the error longjmp.
bool compress(EncodeState& st, const Raster& r, int quality) {
  auto& c = st.cinfo;
  if (setjmp(st.err.jump)) return false;
  c.image_width = r.width;
  c.image_height = r.height;
  c.input_components = 4;
  c.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<uint32_t*>(r.pixels.data()) + size_t(c.next_scanline) * r.width);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  return true;
}

}  // namespace

std::unique_ptr<IncrementalDecoder> makeIncrementalJpegDecoder() { return std::make_unique<IncrementalJpegDecoder>(); }

bool encodeJpeg(const std::vector<EncodeFrame>& frames, const EncodeOptions&, std::vector<uint8_t>& out) {
  if (frames.empty() || !frames[0].raster || frames[0].raster->width == 0 || frames[0].raster->height == 0)
    return false;
  const Raster& r = *frames[0].raster;
  if (r.width > 65500 || r.height > 65500) return false;
  double q = frames[0].quality < 0 ? 0.9 : std::clamp(frames[0].quality, 0.0, 1.0);
  auto st = std::make_unique<EncodeState>();
  auto& c = st->cinfo;
  c.err = jpeg_std_error(&st->err.pub);
  st->err.pub.error_exit = onError;
  st->err.pub.output_message = onMessage;
  jpeg_create_compress(&c);
  st->dest.out = &out;
  st->dest.pub.init_destination = initDest;
  st->dest.pub.empty_output_buffer = emptyDest;
  st->dest.pub.term_destination = termDest;
  c.dest = &st->dest.pub;
  bool ok = compress(*st, r, std::max(1, int(q * 100 + 0.5)));
  jpeg_destroy_compress(&c);
  return ok;
}

}  // namespace gfx::codecs
