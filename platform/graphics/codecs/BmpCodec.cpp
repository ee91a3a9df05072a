#include "platform/graphics/codecs/BmpCodec.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics/codecs/ByteOrder.h"
#include "platform/graphics/codecs/PixelRows.h"

namespace gfx::codecs {

namespace {

struct DibHeader {
  uint32_t headerSize = 0;
  int64_t width = 0, height = 0;
  uint32_t bpp = 0, compression = 0, colorsUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // r, g, b, a
  bool topDown = false;
  size_t paletteOffset = 0;  // from the header's start
  int paletteEntrySize = 4;
};

bool parseHeader(const uint8_t* d, size_t n, DibHeader& h) {
  if (n < 12) return false;
  h.headerSize = le32(d);
  if (h.headerSize == 12) {
    h.width = le16(d + 4);
    h.height = int16_t(le16(d + 6));
    h.bpp = le16(d + 10);
    h.paletteEntrySize = 3;
  } else if (h.headerSize >= 16 && h.headerSize <= 124 && n >= 16) {
    h.width = int32_t(le32(d + 4));
    h.height = int32_t(le32(d + 8));
    h.bpp = le16(d + 14);
    if (h.headerSize >= 20 && n >= 20) h.compression = le32(d + 16);
    if (h.headerSize >= 36 && n >= 36) h.colorsUsed = le32(d + 32);
    if (h.compression == 3 || h.compression == 6) {
      // Masks follow a plain info header, or sit inside the longer ones.
      const int count = h.headerSize >= 56 || h.compression == 6 ? 4 : 3;
      if (n < size_t(40 + 4 * count)) return false;
      for (int i = 0; i < count; ++i) h.masks[i] = le32(d + 40 + 4 * i);
    }
  } else {
    return false;
  }
  h.topDown = h.height < 0;
  if (h.topDown) h.height = -h.height;
  h.paletteOffset = h.headerSize + ((h.compression == 3 || h.compression == 6) && h.headerSize == 40
                                        ? (h.compression == 6 ? 16 : 12) : 0);
  if (h.width <= 0 || h.height <= 0 || h.width > 65535 || h.height > 65535) return false;
  if (h.width * h.height > int64_t(kMaxPixels)) return false;
  switch (h.bpp) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  if (h.compression == 1 && h.bpp != 8) return false;
  if (h.compression == 2 && h.bpp != 4) return false;
  if (h.compression > 3 && h.compression != 6) return false;
  if (h.bpp == 16 && h.compression == 0) {
    h.masks[0] = 0x7c00, h.masks[1] = 0x03e0, h.masks[2] = 0x001f;
  }
  return true;
}

// Extracts a masked channel scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    max = m >> shift;
  }
  uint32_t get(uint32_t v, uint32_t fallback) const {
    if (!mask || !max) return fallback;
    return (((v & mask) >> shift) * 255 + max / 2) / max;
  }
};

// Run-length encoded palette indexes straight into the raster; pixels no run reaches stay
// clear. Answers the number of stored rows reached.
uint32_t decodeRle(const uint8_t* p, size_t n, const DibHeader& h, const uint32_t* palette, Raster& out) {
  size_t i = 0;
  int64_t x = 0, y = 0;
  uint32_t rows = 0;
  const int64_t height = out.height;
  auto put = [&](int v) {
    if (x < h.width && y < height) {
      out.row(h.topDown ? uint32_t(y) : uint32_t(height - 1 - y))[x] = palette[v];
      rows = std::max(rows, uint32_t(y) + 1);
    }
    ++x;
  };
  const bool four = h.bpp == 4;
  while (i + 1 < n && y < height) {
    uint8_t count = p[i], value = p[i + 1];
    i += 2;
    if (count) {
      for (int k = 0; k < count; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {
      x = 0, ++y;
    } else if (value == 1) {
      return rows;
    } else if (value == 2) {
      if (i + 1 >= n) return rows;
      x += p[i], y += p[i + 1];
      i += 2;
    } else {
      size_t bytes = four ? (value + 1) / 2 : value;
      if (i + bytes > n) return rows;
      for (int k = 0; k < value; ++k) put(four ? ((k & 1) ? p[i + k / 2] & 15 : p[i + k / 2] >> 4) : p[i + k]);
      i += (bytes + 1) & ~size_t(1);
    }
  }
  return rows;
}

// Pixels in file order into `out` (top row first); answers the number of stored rows read.
bool decodePixels(const uint8_t* dib, size_t dibSize, const DibHeader& h, const uint8_t* px, size_t pxSize,
                  uint32_t height, Raster& out, uint32_t& rowsRead) {
  const uint32_t w = uint32_t(h.width);
  uint32_t palette[256] = {};
  if (h.bpp <= 8) {
    size_t entries = h.colorsUsed ? std::min<size_t>(h.colorsUsed, 256) : size_t(1) << h.bpp;
    for (size_t i = 0; i < entries; ++i) {
      size_t o = h.paletteOffset + i * size_t(h.paletteEntrySize);
      if (o + 3 > dibSize) break;
      palette[i] = 0xff000000u | (uint32_t(dib[o + 2]) << 16) | (uint32_t(dib[o + 1]) << 8) | dib[o];
    }
  }
  out.reset(w, height);
  rowsRead = 0;
  if (h.compression == 1 || h.compression == 2) {
    rowsRead = decodeRle(px, pxSize, h, palette, out);
    return rowsRead > 0;
  }
  const size_t stride = ((size_t(w) * h.bpp + 31) / 32) * 4;
  Channel cr(h.masks[0]), cg(h.masks[1]), cb(h.masks[2]), ca(h.masks[3]);
  const bool bitfields = h.compression == 3 || h.compression == 6 || h.bpp == 16;
  bool anyAlpha = false;
  for (uint32_t sy = 0; sy < height; ++sy) {
    if ((sy + 1) * stride > pxSize) break;
    const uint8_t* s = px + size_t(sy) * stride;
    uint32_t* d = out.row(h.topDown ? sy : height - 1 - sy);
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t c;
      switch (h.bpp) {
        case 1: c = palette[(s[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: c = palette[(s[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]; break;
        case 8: c = palette[s[x]]; break;
        case 24: c = 0xff000000u | (uint32_t(s[3 * x + 2]) << 16) | (uint32_t(s[3 * x + 1]) << 8) | s[3 * x]; break;
        default: {
          uint32_t v = h.bpp == 16 ? le16(s + 2 * x) : le32(s + 4 * x);
          if (bitfields) {
            uint32_t a = ca.get(v, 255);
            c = packPremultiplied(cr.get(v, 0), cg.get(v, 0), cb.get(v, 0), a);
          } else {
            // 32-bit without masks: the fourth byte is alpha only if some pixel uses it.
            c = v;
            anyAlpha |= (v >> 24) != 0;
          }
        }
      }
      d[x] = c;
    }
    rowsRead = sy + 1;
  }
  if (h.bpp == 32 && !bitfields) {
    for (auto& v : out.pixels) {
      if (!anyAlpha) v |= 0xff000000u;
      else v = packPremultiplied((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff, v >> 24);
    }
  }
  return rowsRead > 0;
}

// Rows read from the file's point of view to rows from the top.
uint32_t rowsFromTop(const DibHeader& h, uint32_t rowsRead, uint32_t height) {
  if (rowsRead == height) return height;
  // Bottom-up files fill from the bottom: the image keeps its height, the top left clear.
  if (!h.topDown) return rowsRead ? height : 0;
  return rowsRead;
}

class BmpDecoder final : public Decoder {
 public:
  BmpDecoder(const uint8_t* d, size_t n) : data_(d), size_(n) {}

  bool readInfo(ImageInfo& info) override {
    DibHeader h;
    if (!locate(h)) return false;
    FrameInfo f;
    f.width = uint32_t(h.width);
    f.height = uint32_t(h.height);
    f.hasAlpha = h.bpp == 32 || h.masks[3] != 0;
    info.frames = {f};
    info.depth = int(std::min<uint32_t>(h.bpp, 8));
    if (h.headerSize >= 40 && size_ >= dib_ + 32) {
      info.dpiX = le32(data_ + dib_ + 24) * 0.0254;
      info.dpiY = le32(data_ + dib_ + 28) * 0.0254;
    }
    return true;
  }

  bool decode(size_t index, Raster& out) override {
    DibHeader h;
    if (index != 0 || !locate(h)) return false;
    size_t offset = le32(data_ + file_ + 10) + file_;
    if (offset >= size_) return false;
    uint32_t rowsRead = 0;
    const uint8_t* dib = data_ + dib_;
    bool ok = decodePixels(dib, size_ - dib_, h, data_ + offset, size_ - offset, uint32_t(h.height), out, rowsRead);
    out.rows = rowsFromTop(h, rowsRead, out.height);
    return ok;
  }

 private:
  // A bitmap array ("BA") leads with its own header; the first bitmap's file header follows.
  bool locate(DibHeader& h) {
    file_ = 0;
    if (size_ >= 28 && std::memcmp(data_, "BA", 2) == 0) file_ = 14;
    dib_ = file_ + 14;
    if (size_ < dib_ + 12) return false;
    return parseHeader(data_ + dib_, size_ - dib_, h);
  }
  const uint8_t* data_;
  size_t size_;
  size_t file_ = 0, dib_ = 14;
};

}  // namespace

std::unique_ptr<Decoder> makeBmpDecoder(const uint8_t* data, size_t size, bool) {
  return std::make_unique<BmpDecoder>(data, size);
}

bool decodeIconDib(const uint8_t* dib, size_t size, Raster& out) {
  DibHeader h;
  if (!parseHeader(dib, size, h) || h.compression == 1 || h.compression == 2) return false;
  uint32_t height = uint32_t(h.height / 2);
  if (height == 0) return false;
  size_t paletteBytes = h.bpp <= 8 ? (h.colorsUsed ? std::min<size_t>(h.colorsUsed, 256) : size_t(1) << h.bpp) * 4 : 0;
  size_t offset = h.paletteOffset + paletteBytes;
  if (offset >= size) return false;
  uint32_t rowsRead = 0;
  if (!decodePixels(dib, size, h, dib + offset, size - offset, height, out, rowsRead)) return false;
  out.rows = rowsFromTop(h, rowsRead, height);
  // The AND mask follows the colour rows; 32-bit entries carry their own alpha.
  const uint32_t w = uint32_t(h.width);
  const size_t stride = ((size_t(w) * h.bpp + 31) / 32) * 4, maskStride = ((w + 31) / 32) * 4;
  size_t maskAt = offset + stride * height;
  if (h.bpp != 32 && maskAt + maskStride * height <= size) {
    for (uint32_t sy = 0; sy < height; ++sy) {
      const uint8_t* m = dib + maskAt + sy * maskStride;
      uint32_t* d = out.row(h.topDown ? sy : height - 1 - sy);
      for (uint32_t x = 0; x < w; ++x)
        if ((m[x >> 3] >> (7 - (x & 7))) & 1) d[x] = 0;
    }
  }
  return true;
}

bool encodeBmp(const std::vector<EncodeFrame>& frames, const EncodeOptions&, std::vector<uint8_t>& out) {
  if (frames.empty() || !frames[0].raster || frames[0].raster->width == 0 || frames[0].raster->height == 0)
    return false;
  const Raster& r = *frames[0].raster;
  const bool opaque = allOpaque(r.pixels.data(), r.pixels.size());
  const uint32_t bpp = opaque ? 24 : 32;
  const uint32_t header = opaque ? 40 : 108;
  const size_t stride = ((size_t(r.width) * bpp + 31) / 32) * 4;
  const size_t imageSize = stride * r.height;
  if (imageSize + 14 + header > 0xffffffffu) return false;
  out.clear();
  out.reserve(14 + header + imageSize);
  out.push_back('B');
  out.push_back('M');
  putLe32(out, uint32_t(14 + header + imageSize));
  putLe32(out, 0);
  putLe32(out, 14 + header);
  putLe32(out, header);
  putLe32(out, r.width);
  putLe32(out, r.height);
  putLe16(out, 1);
  putLe16(out, bpp);
  putLe32(out, opaque ? 0 : 3);
  putLe32(out, uint32_t(imageSize));
  putLe32(out, 2835);  // 72 dpi
  putLe32(out, 2835);
  putLe32(out, 0);
  putLe32(out, 0);
  if (!opaque) {
    putLe32(out, 0x00ff0000u);
    putLe32(out, 0x0000ff00u);
    putLe32(out, 0x000000ffu);
    putLe32(out, 0xff000000u);
    putLe32(out, 0x73524742u);  // "sRGB"
    out.resize(out.size() + 48, 0);  // endpoints and gamma, unused with sRGB
  }
  std::vector<uint8_t> rgba(size_t(r.width) * 4);
  for (uint32_t sy = 0; sy < r.height; ++sy) {
    const uint32_t* row = r.pixels.data() + size_t(r.height - 1 - sy) * r.width;
    premultipliedARGBToRGBA(row, rgba.data(), r.width, false);
    size_t start = out.size();
    for (uint32_t x = 0; x < r.width; ++x) {
      const uint8_t* p = rgba.data() + 4 * x;
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
      if (!opaque) out.push_back(p[3]);
    }
    out.resize(start + stride, 0);
  }
  return true;
}

}  // namespace gfx::codecs
