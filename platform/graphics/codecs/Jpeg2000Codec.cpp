#include "platform/graphics/codecs/Jpeg2000Codec.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>

#include "platform/graphics/codecs/PixelRows.h"

namespace gfx::codecs {

namespace {

struct Stream {
  const uint8_t* data = nullptr;
  std::vector<uint8_t>* out = nullptr;
  size_t size = 0;
  size_t pos = 0;
};

OPJ_SIZE_T readFn(void* buf, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<Stream*>(user);
  if (s->pos >= s->size) return OPJ_SIZE_T(-1);
  size_t take = std::min(size_t(n), s->size - s->pos);
  std::memcpy(buf, s->data + s->pos, take);
  s->pos += take;
  return take;
}

OPJ_SIZE_T writeFn(void* buf, OPJ_SIZE_T n, void* user) {
  auto* s = static_cast<Stream*>(user);
  if (s->pos + n > s->out->size()) s->out->resize(s->pos + n);
  std::memcpy(s->out->data() + s->pos, buf, n);
  s->pos += n;
  s->size = std::max(s->size, s->pos);
  return n;
}

OPJ_OFF_T skipFn(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<Stream*>(user);
  if (n < 0) {
    size_t back = std::min(size_t(-n), s->pos);
    s->pos -= back;
    return -OPJ_OFF_T(back);
  }
  if (s->out) {
    s->pos += size_t(n);
    return n;
  }
  size_t fwd = std::min(size_t(n), s->size - std::min(s->pos, s->size));
  s->pos += fwd;
  return OPJ_OFF_T(fwd);
}

OPJ_BOOL seekFn(OPJ_OFF_T n, void* user) {
  auto* s = static_cast<Stream*>(user);
  if (n < 0 || (!s->out && size_t(n) > s->size)) return OPJ_FALSE;
  s->pos = size_t(n);
  return OPJ_TRUE;
}

void quiet(const char*, void*) {}

opj_stream_t* makeStream(Stream& s, bool input) {
  opj_stream_t* st = opj_stream_create(1 << 16, input ? OPJ_TRUE : OPJ_FALSE);
  if (!st) return nullptr;
  opj_stream_set_user_data(st, &s, nullptr);
  if (input) {
    opj_stream_set_user_data_length(st, s.size);
    opj_stream_set_read_function(st, readFn);
  } else {
    opj_stream_set_write_function(st, writeFn);
  }
  opj_stream_set_skip_function(st, skipFn);
  opj_stream_set_seek_function(st, seekFn);
  return st;
}

bool isJp2(const uint8_t* d, size_t n) { return n >= 12 && std::memcmp(d, "\0\0\0\x0cjP  \r\n\x87\n", 12) == 0; }

// The decoder holds every sample of every component as a 32-bit value: a header that asks
// for more than four full-size components' worth (what 8192 x 8192 RGBA needs) is refused
// before anything is allocated, however few bytes declare it.
bool withinDecodeBudget(const opj_image_t& image) {
  const uint64_t w = image.x1 > image.x0 ? image.x1 - image.x0 : 0;
  const uint64_t h = image.y1 > image.y0 ? image.y1 - image.y0 : 0;
  if (w == 0 || h == 0 || w * h > kMaxPixels || image.numcomps < 1 || !image.comps) return false;
  uint64_t samples = 0;
  for (uint32_t c = 0; c < image.numcomps; ++c) {
    const uint64_t dx = std::max<uint32_t>(1, image.comps[c].dx), dy = std::max<uint32_t>(1, image.comps[c].dy);
    samples += ((w + dx - 1) / dx) * ((h + dy - 1) / dy);
    if (samples > 4 * kMaxPixels) return false;
  }
  return true;
}

// Reads the image; `headerOnly` stops after the header.
opj_image_t* readImage(const uint8_t* data, size_t size, bool headerOnly) {
  Stream s{data, nullptr, size, 0};
  opj_codec_t* codec = opj_create_decompress(isJp2(data, size) ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  if (!codec) return nullptr;
  opj_set_error_handler(codec, quiet, nullptr);
  opj_set_warning_handler(codec, quiet, nullptr);
  opj_set_info_handler(codec, quiet, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  opj_image_t* image = nullptr;
  opj_stream_t* st = makeStream(s, true);
  bool ok = st && opj_setup_decoder(codec, &params) && opj_read_header(st, codec, &image);
  if (ok && image) ok = withinDecodeBudget(*image);
  if (ok && !headerOnly) ok = opj_decode(codec, st, image) && opj_end_decompress(codec, st);
  if (st) opj_stream_destroy(st);
  opj_destroy_codec(codec);
  if (!ok && image) {
    opj_image_destroy(image);
    image = nullptr;
  }
  return image;
}

class Jpeg2000Decoder final : public Decoder {
 public:
  Jpeg2000Decoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}

  bool readInfo(ImageInfo& info) override {
    opj_image_t* image = readImage(data_, size_, true);
    if (!image) return false;
    FrameInfo f;
    f.width = image->x1 - image->x0;
    f.height = image->y1 - image->y0;
    f.hasAlpha = image->numcomps == 2 || image->numcomps >= 4;
    info.model = image->numcomps <= 2 ? ColorModel::Gray : ColorModel::RGB;
    info.depth = int(image->comps[0].prec);
    info.frames = {f};
    opj_image_destroy(image);
    return true;
  }

  bool decode(size_t index, Raster& out) override {
    if (index != 0) return false;
    opj_image_t* image = readImage(data_, size_, false);
    if (!image) return false;
    const uint32_t w = image->x1 - image->x0, h = image->y1 - image->y0;
    const uint32_t n = image->numcomps;
    bool ok = true;
    for (uint32_t c = 0; c < n; ++c)
      ok = ok && image->comps[c].data && image->comps[c].w > 0 && image->comps[c].h > 0 && image->comps[c].prec > 0 &&
           image->comps[c].prec <= 31;
    if (ok) {
      out.reset(w, h);
      // Components may be subsampled: sample each at its own grid.
      auto value = [&](uint32_t c, uint32_t x, uint32_t y) -> uint32_t {
        const opj_image_comp_t& comp = image->comps[c];
        uint32_t cx = std::min(comp.w - 1, x / std::max(1u, comp.dx)), cy = std::min(comp.h - 1, y / std::max(1u, comp.dy));
        int64_t v = comp.data[size_t(cy) * comp.w + cx];
        if (comp.sgnd) v += int64_t(1) << (comp.prec - 1);
        int64_t max = (int64_t(1) << comp.prec) - 1;
        v = std::clamp<int64_t>(v, 0, max);
        return uint32_t((v * 255 + max / 2) / max);
      };
      for (uint32_t y = 0; y < h; ++y) {
        uint32_t* row = out.row(y);
        for (uint32_t x = 0; x < w; ++x) {
          if (n <= 2) {
            uint32_t g = value(0, x, y), a = n == 2 ? value(1, x, y) : 255;
            row[x] = packPremultiplied(g, g, g, a);
          } else {
            row[x] = packPremultiplied(value(0, x, y), value(1, x, y), value(2, x, y), n >= 4 ? value(3, x, y) : 255);
          }
        }
      }
      out.rows = h;
    }
    opj_image_destroy(image);
    return ok;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace

std::unique_ptr<Decoder> makeJpeg2000Decoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<Jpeg2000Decoder>(data, size);
}

bool encodeJpeg2000(const std::vector<EncodeFrame>& frames, const EncodeOptions&, std::vector<uint8_t>& out) {
  if (frames.empty() || !frames[0].raster || frames[0].raster->width == 0 || frames[0].raster->height == 0)
    return false;
  const Raster& r = *frames[0].raster;
  const bool alpha = !allOpaque(r.pixels.data(), r.pixels.size());
  const uint32_t n = alpha ? 4 : 3;
  opj_image_cmptparm_t comps[4];
  std::memset(comps, 0, sizeof comps);
  for (uint32_t c = 0; c < n; ++c) {
    comps[c].dx = comps[c].dy = 1;
    comps[c].w = r.width;
    comps[c].h = r.height;
    comps[c].prec = 8;
    comps[c].sgnd = 0;
  }
  opj_image_t* image = opj_image_create(n, comps, OPJ_CLRSPC_SRGB);
  if (!image) return false;
  image->x1 = r.width;
  image->y1 = r.height;
  if (alpha) image->comps[3].alpha = 1;
  std::vector<uint8_t> rgba(r.pixels.size() * 4);
  premultipliedARGBToRGBA(r.pixels.data(), rgba.data(), r.pixels.size(), false);
  for (size_t i = 0; i < r.pixels.size(); ++i)
    for (uint32_t c = 0; c < n; ++c) image->comps[c].data[i] = rgba[4 * i + c];
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.tcp_numlayers = 1;
  params.cp_disto_alloc = 1;
  const double q = frames[0].quality;
  params.tcp_rates[0] = q < 0 || q >= 1 ? 0 : float(std::max(1.0, 1.0 / std::max(q, 0.01) * 2));
  params.irreversible = q >= 0 && q < 1;
  int levels = 0;
  while (levels < 5 && (r.width >> (levels + 1)) >= 1 && (r.height >> (levels + 1)) >= 1) ++levels;
  params.numresolution = levels + 1;
  out.clear();
  Stream s{nullptr, &out, 0, 0};
  opj_codec_t* codec = opj_create_compress(OPJ_CODEC_JP2);
  opj_set_error_handler(codec, quiet, nullptr);
  opj_set_warning_handler(codec, quiet, nullptr);
  opj_set_info_handler(codec, quiet, nullptr);
  opj_stream_t* st = makeStream(s, false);
  bool ok = codec && st && opj_setup_encoder(codec, &params, image) && opj_start_compress(codec, image, st) &&
            opj_encode(codec, st) && opj_end_compress(codec, st);
  if (st) opj_stream_destroy(st);
  if (codec) opj_destroy_codec(codec);
  opj_image_destroy(image);
  out.resize(s.size);
  return ok;
}

}  // namespace gfx::codecs
