#pragma once
// A vector colour font made for the tests: an installed outline face with COLR and CPAL
// tables added, so that chosen glyphs become layers of other glyphs in palette colours.
#include <cstdint>
#include <map>
#include <vector>

#include "platform/typeset/Font.h"

namespace typeset_test {

struct ColorLayer {
  uint16_t glyph;
  uint16_t paletteIndex;
};

namespace detail {
inline void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v >> 16);
  put16(b, v & 0xFFFF);
}
}  // namespace detail

/// `base`'s tables plus COLR (version 0) mapping each glyph of `layers` to its layers, and
/// CPAL with one palette of `colors` (0xRRGGBBAA).
inline std::vector<uint8_t> colorFontBytes(const typeset::FontFace& base,
                                           const std::map<uint16_t, std::vector<ColorLayer>>& layers,
                                           const std::vector<uint32_t>& colors) {
  using detail::put16;
  using detail::put32;
  std::map<uint32_t, std::vector<uint8_t>> tables;
  for (uint32_t tag : base.tableTags()) tables[tag] = base.tableData(tag);
  std::vector<uint8_t> colr;
  put16(colr, 0);
  put16(colr, uint32_t(layers.size()));
  put32(colr, 14);
  uint32_t layerCount = 0;
  for (const auto& [g, ls] : layers) layerCount += uint32_t(ls.size());
  put32(colr, 14 + 6 * uint32_t(layers.size()));
  put16(colr, layerCount);
  uint32_t first = 0;
  for (const auto& [g, ls] : layers) {  // sorted by glyph, as the table must be
    put16(colr, g);
    put16(colr, first);
    put16(colr, uint32_t(ls.size()));
    first += uint32_t(ls.size());
  }
  for (const auto& [g, ls] : layers)
    for (const auto& l : ls) {
      put16(colr, l.glyph);
      put16(colr, l.paletteIndex);
    }
  std::vector<uint8_t> cpal;
  put16(cpal, 0);
  put16(cpal, uint32_t(colors.size()));
  put16(cpal, 1);
  put16(cpal, uint32_t(colors.size()));
  put32(cpal, 14);
  put16(cpal, 0);
  for (uint32_t c : colors) {  // stored blue, green, red, alpha
    cpal.push_back(uint8_t(c >> 8));
    cpal.push_back(uint8_t(c >> 16));
    cpal.push_back(uint8_t(c >> 24));
    cpal.push_back(uint8_t(c));
  }
  tables[0x434F4C52] = colr;  // 'COLR'
  tables[0x4350414C] = cpal;  // 'CPAL'
  std::vector<uint8_t> out;
  uint16_t n = uint16_t(tables.size());
  uint16_t power = 1, log2 = 0;
  while (power * 2 <= n) {
    power *= 2;
    ++log2;
  }
  put32(out, 0x00010000);
  put16(out, n);
  put16(out, power * 16u);
  put16(out, log2);
  put16(out, n * 16u - power * 16u);
  uint32_t offset = 12 + 16 * uint32_t(n);
  std::vector<uint8_t> body;
  for (const auto& [tag, data] : tables) {
    put32(out, tag);
    put32(out, 0);  // checksums are not checked by the font loader
    put32(out, offset + uint32_t(body.size()));
    put32(out, uint32_t(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    while (body.size() % 4) body.push_back(0);
  }
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace typeset_test
