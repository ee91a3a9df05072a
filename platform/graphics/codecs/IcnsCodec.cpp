#include "platform/graphics/codecs/IcnsCodec.h"

extern "C" {  // the header declares C functions without saying so
#include <icns.h>
}

#include <cstdlib>
#include <cstring>

#include "platform/graphics/codecs/ByteOrder.h"
#include "platform/graphics/codecs/Jpeg2000Codec.h"
#include "platform/graphics/codecs/PixelRows.h"
#include "platform/graphics/codecs/PngCodec.h"

namespace gfx::codecs {

namespace {

void putBe32(std::vector<uint8_t>& o, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) o[at + i] = uint8_t(v >> (24 - 8 * i));
}
constexpr uint32_t fourcc(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) | uint8_t(s[3]);
}

struct ClassicType {
  uint32_t type;
  uint32_t mask;
  uint32_t size;
};
constexpr ClassicType kClassic[] = {
    {ICNS_16x16_32BIT_DATA, ICNS_16x16_8BIT_MASK, 16},
    {ICNS_32x32_32BIT_DATA, ICNS_32x32_8BIT_MASK, 32},
    {ICNS_48x48_32BIT_DATA, ICNS_48x48_8BIT_MASK, 48},
    {ICNS_128X128_32BIT_DATA, ICNS_128X128_8BIT_MASK, 128},
};
// Elements whose payload is a whole PNG or JPEG 2000 file, by pixel size.
struct PayloadType {
  uint32_t type;
  uint32_t size;
};
constexpr PayloadType kPayload[] = {
    {fourcc("icp4"), 16}, {fourcc("icp5"), 32}, {fourcc("icp6"), 64}, {fourcc("ic07"), 128}, {fourcc("ic08"), 256},
    {fourcc("ic09"), 512}, {fourcc("ic10"), 1024}, {fourcc("ic11"), 32}, {fourcc("ic12"), 64}, {fourcc("ic13"), 256},
    {fourcc("ic14"), 512},
};

struct Element {
  uint32_t type;
  uint32_t size;  // pixels per side
  size_t offset, length;  // payload
  bool classic;
};

class IcnsDecoder final : public Decoder {
 public:
  IcnsDecoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}
  ~IcnsDecoder() override {
    if (family_) std::free(family_);
  }

  bool readInfo(ImageInfo& info) override {
    if (!parse()) return false;
    info.frames.clear();
    for (const auto& e : elements_) {
      FrameInfo f;
      f.width = f.height = e.size;
      f.hasAlpha = true;
      info.frames.push_back(f);
    }
    return true;
  }

  bool decode(size_t index, Raster& out) override {
    if (!parse() || index >= elements_.size()) return false;
    const Element& e = elements_[index];
    if (!e.classic) {
      const uint8_t* p = data_ + e.offset;
      auto d = e.length >= 8 && std::memcmp(p, "\x89PNG", 4) == 0 ? makePngDecoder(p, e.length, true)
                                                                 : makeJpeg2000Decoder(p, e.length, true);
      return d->decode(0, out);
    }
    if (!family_) {
      // Hand the library a clean family of just the elements checked here: it leaks what it
      // allocated when it rejects a file.
      std::vector<uint8_t> copy = {'i', 'c', 'n', 's', 0, 0, 0, 0};
      for (const auto& c : classicRaw_) copy.insert(copy.end(), data_ + c.first, data_ + c.first + c.second);
      putBe32(copy, 4, uint32_t(copy.size()));
      if (icns_import_family_data(icns_size_t(copy.size()), copy.data(), &family_) != ICNS_STATUS_OK) {
        std::free(family_);
        family_ = nullptr;
        return false;
      }
    }
    icns_image_t image;
    std::memset(&image, 0, sizeof image);
    if (icns_get_image32_with_mask_from_family(family_, e.type, &image) != ICNS_STATUS_OK) return false;
    bool ok = image.imageWidth > 0 && image.imageHeight > 0 && image.imageChannels == 4 && image.imagePixelDepth == 8 &&
              image.imageDataSize >= uint64_t(image.imageWidth) * image.imageHeight * 4;
    if (ok) {
      out.reset(image.imageWidth, image.imageHeight);
      rgbaToPremultipliedARGB(image.imageData, out.pixels.data(), out.pixels.size());
      out.rows = out.height;
    }
    icns_free_image(&image);
    return ok;
  }

 private:
  bool parse() {
    if (parsed_) return !elements_.empty();
    parsed_ = true;
    if (size_ < 8 || std::memcmp(data_, "icns", 4) != 0) return false;
    size_t end = std::min<size_t>(size_, be32(data_ + 4));
    bool haveMask[4] = {false, false, false, false};
    std::vector<Element> classic;
    for (size_t p = 8; p + 8 <= end;) {
      uint32_t type = be32(data_ + p), len = be32(data_ + p + 4);
      if (len < 8 || len > end - p) break;
      for (size_t i = 0; i < 4; ++i) {
        if (type == kClassic[i].type) classic.push_back({type, kClassic[i].size, p + 8, len - 8, true});
        // The library trusts a mask's length: only exact ones (one byte a pixel) go to it.
        const bool goodMask = type == kClassic[i].mask && len - 8 == kClassic[i].size * kClassic[i].size;
        if (goodMask) haveMask[i] = true;
        if (type == kClassic[i].type || goodMask) classicRaw_.push_back({p, len});
      }
      for (const auto& t : kPayload)
        if (type == t.type) elements_.push_back({type, t.size, p + 8, len - 8, false});
      p += len;
    }
    // A classic icon decodes only with its mask alongside.
    for (const auto& e : classic)
      for (size_t i = 0; i < 4; ++i)
        if (e.type == kClassic[i].type && haveMask[i]) elements_.push_back(e);
    return !elements_.empty();
  }

  const uint8_t* data_;
  size_t size_;
  bool parsed_ = false;
  std::vector<Element> elements_;
  std::vector<std::pair<size_t, size_t>> classicRaw_;  // offset and length of classic elements
  icns_family_t* family_ = nullptr;
};

}  // namespace

std::unique_ptr<Decoder> makeIcnsDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<IcnsDecoder>(data, size);
}

bool encodeIcns(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out) {
  if (frames.empty()) return false;
  icns_family_t* family = nullptr;
  if (icns_create_family(&family) != ICNS_STATUS_OK) return false;
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> payloads;
  bool ok = true;
  for (const auto& f : frames) {
    const Raster* r = f.raster;
    if (!r || r->width != r->height) {
      ok = false;
      break;
    }
    const ClassicType* classic = nullptr;
    for (const auto& c : kClassic)
      if (c.size == r->width) classic = &c;
    if (!classic) {
      // Larger sizes are stored as PNG.
      uint32_t type = 0;
      for (const auto& t : kPayload)
        if (t.size == r->width && !type && t.type != fourcc("ic11") && t.type != fourcc("ic12") &&
            t.type != fourcc("ic13") && t.type != fourcc("ic14"))
          type = t.type;
      std::vector<uint8_t> png;
      ok = type && encodePng({f}, options, png);
      if (!ok) break;
      payloads.push_back({type, std::move(png)});
      continue;
    }
    icns_image_t image;
    std::memset(&image, 0, sizeof image);
    image.imageWidth = r->width;
    image.imageHeight = r->height;
    image.imageChannels = 4;
    image.imagePixelDepth = 8;
    std::vector<uint8_t> rgba(r->pixels.size() * 4);
    premultipliedARGBToRGBA(r->pixels.data(), rgba.data(), r->pixels.size(), false);
    image.imageDataSize = rgba.size();
    image.imageData = rgba.data();
    icns_element_t* el = nullptr;
    ok = icns_new_element_from_image(&image, classic->type, &el) == ICNS_STATUS_OK &&
         icns_set_element_in_family(&family, el) == ICNS_STATUS_OK;
    std::free(el);
    el = nullptr;
    // The mask element is made from a one-channel image of the alpha values.
    std::vector<uint8_t> alpha(r->pixels.size());
    for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = rgba[4 * i + 3];
    icns_image_t mask = image;
    mask.imageChannels = 1;
    mask.imageDataSize = alpha.size();
    mask.imageData = alpha.data();
    ok = ok && icns_new_element_from_mask(&mask, classic->mask, &el) == ICNS_STATUS_OK &&
         icns_set_element_in_family(&family, el) == ICNS_STATUS_OK;
    std::free(el);
    if (!ok) break;
  }
  icns_size_t size = 0;
  icns_byte_t* bytes = nullptr;
  ok = ok && icns_export_family_data(family, &size, &bytes) == ICNS_STATUS_OK && size >= 8;
  if (ok) {
    out.assign(bytes, bytes + size);
    for (const auto& [type, png] : payloads) {
      size_t at = out.size();
      out.resize(at + 8);
      putBe32(out, at, type);
      putBe32(out, at + 4, uint32_t(png.size() + 8));
      out.insert(out.end(), png.begin(), png.end());
    }
    putBe32(out, 4, uint32_t(out.size()));
  }
  std::free(bytes);
  std::free(family);
  return ok;
}

}  // namespace gfx::codecs
