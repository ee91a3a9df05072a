#include "base/graphics/Font+DUDer.h"

#include <bit>
#include <cstring>

#include "platform/foundation/Log.h"
#include "platform/typeset/FontManager.h"

namespace base {

using typeset::Font;

namespace {

uint32_t descriptorTraits(const Font& font) {
  auto d = font.fontDescriptor();
  return d ? d->symbolicTraits() : 0;
}

Ref<Font> withTraits(const Ref<Font>& font, uint32_t traits) {
  if (!font) return font;
  auto d = font->fontDescriptor();
  if (!d) return font;
  auto derived = d->fontDescriptorWithSymbolicTraits(traits);
  return derived ? Font::fontWithDescriptor(derived, font->pointSize()) : nullptr;
}

void put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
void put32(uint8_t* p, uint32_t v) {
  put16(p, v >> 16);
  put16(p + 2, v & 0xFFFF);
}
size_t padded(size_t n) { return (n + 3) & ~size_t{3}; }

}  // namespace

bool isBold(const Font& font) { return descriptorTraits(font) & typeset::FontTraitBold; }
bool isItalic(const Font& font) { return descriptorTraits(font) & typeset::FontTraitItalic; }
bool isMonoSpace(const Font& font) { return descriptorTraits(font) & typeset::FontTraitMonoSpace; }
bool isColorGlyphs(const Font& font) { return font.symbolicTraits() & typeset::FontTraitColorGlyphs; }
double fontWeight(const Font& font) {
  auto d = font.fontDescriptor();
  return d ? d->weight() : 0;
}

Ref<Font> fontWithBold(const Ref<Font>& font) { return withTraits(font, typeset::FontTraitBold); }
Ref<Font> fontWithItalic(const Ref<Font>& font) { return withTraits(font, typeset::FontTraitItalic); }
Ref<Font> fontWithBoldItalic(const Ref<Font>& font) {
  return withTraits(font, typeset::FontTraitBold | typeset::FontTraitItalic);
}
Ref<Font> fontWithNormal(const Ref<Font>& font) { return withTraits(font, 0); }

Ref<Font> fontWithCTFont(const Ref<Font>& ctFont) {
  if (!ctFont || ctFont->postScriptName().isEmpty()) return nullptr;
  return Font::fontWithName(ctFont->postScriptName(), ctFont->pointSize());
}

Ref<Font> fontWithCGFont(const Ref<Font>& cgFont, double size) {
  if (!cgFont || cgFont->postScriptName().isEmpty()) return nullptr;
  return Font::fontWithName(cgFont->postScriptName(), size);
}

Ref<Font> CTFontRef(const Font& font) { return Font::fontWithName(font.fontName(), font.pointSize()); }

Ref<Font> CGFontRef(const Font& font) {
  return Font::fontWithName(font.fontName(), 0);
}

bool loadFontFromPath(const String& path) {
  Ref<fd::Error> error;
  if (typeset::FontManager::registerFontsForURL(path, &error)) return true;
  fd::NSLog("Failed to load font: %@", error ? error->description() : String("unknown error"));
  return false;
}

void unloadFontFromPath(const String& path) { typeset::FontManager::unregisterFontsForURL(path, nullptr); }

Ref<Font> loadFontFromData(const Ref<fd::Data>& data) {
  if (!data) return nullptr;
  auto graphicsFont = Font::fontWithData(data);
  if (!graphicsFont) return nullptr;
  Ref<fd::Error> error;
  if (!typeset::FontManager::registerGraphicsFont(graphicsFont, &error)) {
    fd::NSLog("%@", error ? error->description() : String("unknown error"));
    return nullptr;
  }
  return Font::fontWithName(graphicsFont->postScriptName(), kDRSystemFontSize);
}

bool unloadFontFromData(const Ref<Font>& font) {
  if (!font) return false;
  auto graphicsFont = CGFontRef(*font);
  if (!graphicsFont) return false;
  Ref<fd::Error> error;
  if (typeset::FontManager::unregisterGraphicsFont(graphicsFont, &error)) return true;
  fd::NSLog("%@", error ? error->description() : String("unknown error"));
  return false;
}

Ref<fd::Data> dataFromFont(const Font& font) { return dataFromCGFont(CGFontRef(font)); }

Ref<fd::Data> dataFromCGFont(const Ref<Font>& cgFont) {
  if (!cgFont) return nullptr;
  std::vector<uint32_t> tags = cgFont->tableTags();
  if (tags.empty()) return nullptr;
  std::vector<Ref<fd::Data>> tables;
  tables.reserve(tags.size());
  size_t n = tags.size(), total = 12 + 16 * n;
  bool cff = false;
  for (uint32_t tag : tags) {
    tables.push_back(cgFont->copyTable(tag));
    total += padded(tables.back() ? tables.back()->length() : 0);
    cff = cff || tag == 0x43464620;  // 'CFF '
  }
  std::vector<uint8_t> out(total, 0);
  uint32_t power = n > 0 ? std::bit_floor(static_cast<uint32_t>(n)) : 0;
  uint32_t searchRange = 16 * power;
  put32(out.data(), cff ? 0x4F54544F : 0x00010000);
  put16(out.data() + 4, static_cast<uint32_t>(n));
  put16(out.data() + 6, searchRange);
  put16(out.data() + 8, power ? static_cast<uint32_t>(std::countr_zero(power)) : 0);
  put16(out.data() + 10, static_cast<uint32_t>(16 * n) - searchRange);
  size_t offset = 12 + 16 * n;
  for (size_t j = 0; j < n; ++j) {
    const auto& table = tables[j];
    size_t length = table ? table->length() : 0;
    if (length) std::memcpy(out.data() + offset, table->bytes(), length);
    uint32_t sum = 0;
    for (size_t i = 0; i < padded(length); i += 4)
      sum += (uint32_t{out[offset + i]} << 24) | (uint32_t{out[offset + i + 1]} << 16) |
             (uint32_t{out[offset + i + 2]} << 8) | out[offset + i + 3];
    uint8_t* record = out.data() + 12 + 16 * j;
    put32(record, tags[j]);
    put32(record + 4, sum);
    put32(record + 8, static_cast<uint32_t>(offset));
    put32(record + 12, static_cast<uint32_t>(length));
    offset += padded(length);
  }
  return fd::Data::create(std::move(out));
}

}  // namespace base
