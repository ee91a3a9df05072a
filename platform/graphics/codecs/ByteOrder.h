#pragma once

#include <cstdint>
#include <vector>

namespace gfx::codecs {

// Unsigned integers as image files store them, read and (little-endian) appended.
inline uint32_t le16(const uint8_t* p) { return uint32_t(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) { return le16(p) | (le16(p + 2) << 16); }
inline uint32_t be16(const uint8_t* p) { return uint32_t((p[0] << 8) | p[1]); }
inline uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void putLe16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void putLe32(std::vector<uint8_t>& out, uint32_t v) {
  putLe16(out, v & 0xffff);
  putLe16(out, v >> 16);
}

}  // namespace gfx::codecs
