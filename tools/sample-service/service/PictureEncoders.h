#pragma once
// Writes an indexed picture (at most 16 colours) in the four formats the service serves.
#include <cstdint>
#include <vector>

namespace sample {

struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> palette;  // 16 RGB triples
  std::vector<uint8_t> pixels;   // one palette index per pixel, rows top to bottom

  std::vector<uint8_t> rgb() const;
};

/// Each returns the encoded file, or an empty vector when the library fails.
std::vector<uint8_t> encodePNG(const IndexedPicture& picture);
std::vector<uint8_t> encodeJPEG(const IndexedPicture& picture, int quality = 85);
std::vector<uint8_t> encodeGIF(const IndexedPicture& picture);
std::vector<uint8_t> encodeWebP(const IndexedPicture& picture, float quality = 80);

}  // namespace sample
