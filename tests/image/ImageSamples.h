#pragma once
// Sample images for the coder tests: PNG chunk lists that tests can bend, APNG files built from
// frames, and animated GIF and WebP files from the platform's destinations and libwebp.
#include <cstdint>
#include <vector>

#include "image/codec/DRPNGChunkTable.h"
#include "image/codec/DRPNGFrameWriter.h"
#include "platform/foundation/values/Data.h"
#include "tests/platform/graphics/CodecSamples.h"

namespace image_samples {

using namespace codec_samples;

struct Chunk {
  uint32_t type;
  std::vector<uint8_t> data;
};

inline uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
inline void put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int k = 0; k < 4; ++k) v.push_back(uint8_t(x >> (24 - 8 * k)));
}

inline std::vector<Chunk> chunksOf(const std::vector<uint8_t>& png) {
  std::vector<Chunk> out;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t len = be32(&png[at]);
    out.push_back({be32(&png[at + 4]), std::vector<uint8_t>(png.begin() + long(at + 8), png.begin() + long(at + 8 + len))});
    at += size_t(len) + 12;
  }
  return out;
}

inline std::vector<uint8_t> bytesOf(const std::vector<Chunk>& chunks) {
  std::vector<uint8_t> out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  for (const Chunk& c : chunks) {
    put32(out, uint32_t(c.data.size()));
    put32(out, c.type);
    out.insert(out.end(), c.data.begin(), c.data.end());
    put32(out, image::DRPNGChunkCRC(c.type, c.data.data(), c.data.size()));
  }
  return out;
}

inline Ref<fd::Data> dataOf(const std::vector<uint8_t>& bytes) { return fd::Data::create(bytes.data(), bytes.size()); }

inline std::vector<uint8_t> pngOf(const Ref<gfx::BitmapImage>& bitmap) { return *image::DRPNGEncodeRGBA(bitmap); }

struct ApngFrame {
  Ref<gfx::BitmapImage> image;
  uint32_t x = 0, y = 0;
  uint16_t num = 1, den = 10;
  uint8_t dispose = 0, blend = 0;
};

inline Chunk frameControl(uint32_t seq, const ApngFrame& f) {
  image::DRPNGFrameControl fc;
  fc.sequence_number = seq;
  fc.width = uint32_t(f.image->width());
  fc.height = uint32_t(f.image->height());
  fc.x_offset = f.x;
  fc.y_offset = f.y;
  fc.delay_num = f.num;
  fc.delay_den = f.den;
  fc.dispose_op = f.dispose;
  fc.blend_op = f.blend;
  Chunk c{image::DRPNGChunkfcTL, std::vector<uint8_t>(26)};
  image::DRPNGFrameControlWrite(c.data.data(), fc);
  return c;
}

/// An APNG over a canvas; frame 0 is the default image when `cover` (then it must be canvas
/// sized), otherwise `defaultImage` is shown by plain readers and is no frame.
inline std::vector<Chunk> apngChunks(uint32_t w, uint32_t h, const std::vector<ApngFrame>& frames, uint32_t plays,
                                     bool cover = true, Ref<gfx::BitmapImage> defaultImage = nullptr) {
  auto base = chunksOf(pngOf(cover ? frames[0].image : defaultImage));
  std::vector<Chunk> out;
  Chunk ihdr = base[0];
  ihdr.data[0] = uint8_t(w >> 24), ihdr.data[1] = uint8_t(w >> 16), ihdr.data[2] = uint8_t(w >> 8), ihdr.data[3] = uint8_t(w);
  ihdr.data[4] = uint8_t(h >> 24), ihdr.data[5] = uint8_t(h >> 16), ihdr.data[6] = uint8_t(h >> 8), ihdr.data[7] = uint8_t(h);
  out.push_back(ihdr);
  std::vector<uint8_t> actl;
  put32(actl, uint32_t(frames.size()));
  put32(actl, plays);
  out.push_back({image::DRPNGChunkacTL, actl});
  uint32_t seq = 0;
  size_t first = 0;
  if (cover) {
    out.push_back(frameControl(seq++, frames[0]));
    first = 1;
  }
  for (const Chunk& c : base)
    if (c.type == image::DRPNGChunkIDAT) out.push_back(c);
  for (size_t i = first; i < frames.size(); ++i) {
    out.push_back(frameControl(seq++, frames[i]));
    for (const Chunk& c : chunksOf(pngOf(frames[i].image))) {
      if (c.type != image::DRPNGChunkIDAT) continue;
      std::vector<uint8_t> body;
      put32(body, seq++);
      body.insert(body.end(), c.data.begin(), c.data.end());
      out.push_back({image::DRPNGChunkfdAT, body});
    }
  }
  out.push_back({image::DRPNGChunkIEND, {}});
  return out;
}

/// Native premultiplied pixel of a decoded bitmap, row 0 at the top.
inline uint32_t pixelAt(const Ref<gfx::BitmapImage>& image, size_t x, size_t y) { return image ? image->pixel(x, y) : 0; }

}  // namespace image_samples
