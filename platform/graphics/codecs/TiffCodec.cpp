#include "platform/graphics/codecs/TiffCodec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

namespace gfx::codecs {

namespace {

// A memory file for libtiff's client interface, read-only over the input or growing for output.
struct MemoryFile {
  const uint8_t* data = nullptr;
  std::vector<uint8_t>* out = nullptr;
  size_t size = 0;
  size_t pos = 0;
};

tmsize_t readProc(thandle_t h, void* buf, tmsize_t n) {
  auto* f = static_cast<MemoryFile*>(h);
  if (n <= 0 || f->pos >= f->size) return 0;
  size_t take = std::min(size_t(n), f->size - f->pos);
  std::memcpy(buf, (f->out ? f->out->data() : f->data) + f->pos, take);
  f->pos += take;
  return tmsize_t(take);
}

tmsize_t writeProc(thandle_t h, void* buf, tmsize_t n) {
  auto* f = static_cast<MemoryFile*>(h);
  if (!f->out || n < 0) return -1;
  if (f->pos + size_t(n) > f->out->size()) f->out->resize(f->pos + size_t(n));
  std::memcpy(f->out->data() + f->pos, buf, size_t(n));
  f->pos += size_t(n);
  f->size = std::max(f->size, f->pos);
  return n;
}

toff_t seekProc(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  uint64_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->size : 0;
  uint64_t target = base + off;
  if (target > (uint64_t(1) << 40)) return toff_t(-1);
  if (f->out && target > f->out->size()) f->out->resize(size_t(target));
  f->pos = size_t(target);
  return target;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}
int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* openMemory(MemoryFile& f, const char* mode) {
  TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(opts, quietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(opts, quietHandler, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(1) << 30);
  TIFF* tif = TIFFClientOpenExt("memory", mode, &f, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc,
                                unmapProc, opts);
  TIFFOpenOptionsFree(opts);
  return tif;
}

class TiffDecoder final : public Decoder {
 public:
  TiffDecoder(const uint8_t* d, size_t n) {
    file_.data = d;
    file_.size = n;
    tif_ = openMemory(file_, "rm");
  }
  ~TiffDecoder() override {
    if (tif_) TIFFClose(tif_);
  }

  bool readInfo(ImageInfo& info) override {
    if (!tif_) return false;
    info.frames.clear();
    tdir_t count = TIFFNumberOfDirectories(tif_);
    for (tdir_t i = 0; i < count && i < 1024; ++i) {
      if (!TIFFSetDirectory(tif_, i)) break;
      FrameInfo f;
      uint16_t extra = 0, photometric = 0, bps = 8;
      uint16_t* extraTypes = nullptr;
      TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &f.width);
      TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &f.height);
      TIFFGetFieldDefaulted(tif_, TIFFTAG_EXTRASAMPLES, &extra, &extraTypes);
      TIFFGetFieldDefaulted(tif_, TIFFTAG_BITSPERSAMPLE, &bps);
      f.hasAlpha = extra > 0;
      if (i == 0) {
        TIFFGetFieldDefaulted(tif_, TIFFTAG_PHOTOMETRIC, &photometric);
        info.model = photometric == PHOTOMETRIC_SEPARATED ? ColorModel::CMYK
                     : photometric <= PHOTOMETRIC_MINISBLACK ? ColorModel::Gray : ColorModel::RGB;
        info.depth = bps;
        float xres = 0, yres = 0;
        uint16_t unit = RESUNIT_INCH;
        TIFFGetFieldDefaulted(tif_, TIFFTAG_RESOLUTIONUNIT, &unit);
        if (TIFFGetField(tif_, TIFFTAG_XRESOLUTION, &xres) && TIFFGetField(tif_, TIFFTAG_YRESOLUTION, &yres)) {
          double k = unit == RESUNIT_CENTIMETER ? 2.54 : 1;
          info.dpiX = xres * k;
          info.dpiY = yres * k;
        }
      }
      if (f.width == 0 || f.height == 0) break;
      info.frames.push_back(f);
    }
    return !info.frames.empty();
  }

  bool decode(size_t index, Raster& out) override {
    if (!tif_ || index > 1024 || !TIFFSetDirectory(tif_, tdir_t(index))) return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0 || uint64_t(w) * h > kMaxPixels) return false;
    char message[1024];
    if (!TIFFRGBAImageOK(tif_, message)) return false;
    out.reset(w, h);
    // Packed ABGR words (red in the low byte), associated alpha, top row first.
    if (!TIFFReadRGBAImageOriented(tif_, w, h, out.pixels.data(), ORIENTATION_TOPLEFT, 0)) return false;
    for (auto& v : out.pixels) v = (v & 0xff00ff00u) | ((v & 0xff) << 16) | ((v >> 16) & 0xff);
    out.rows = h;
    return true;
  }

 private:
  MemoryFile file_;
  TIFF* tif_ = nullptr;
};

}  // namespace

std::unique_ptr<Decoder> makeTiffDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<TiffDecoder>(data, size);
}

bool encodeTiff(const std::vector<EncodeFrame>& frames, const EncodeOptions&, std::vector<uint8_t>& out) {
  if (frames.empty()) return false;
  out.clear();
  MemoryFile f;
  f.out = &out;
  TIFF* tif = openMemory(f, "w");
  if (!tif) return false;
  bool ok = true;
  for (const auto& frame : frames) {
    const Raster* r = frame.raster;
    if (!r || r->width == 0 || r->height == 0) {
      ok = false;
      break;
    }
    const uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, r->width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, r->height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<uint8_t> row(size_t(r->width) * 4);
    for (uint32_t y = 0; ok && y < r->height; ++y) {
      const uint32_t* src = r->pixels.data() + size_t(y) * r->width;
      for (uint32_t x = 0; x < r->width; ++x) {
        uint32_t v = src[x];
        row[4 * x] = uint8_t(v >> 16), row[4 * x + 1] = uint8_t(v >> 8), row[4 * x + 2] = uint8_t(v),
                row[4 * x + 3] = uint8_t(v >> 24);
      }
      ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    ok = ok && TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  out.resize(f.size);
  return ok;
}

}  // namespace gfx::codecs
