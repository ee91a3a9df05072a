#pragma once
// One loaded font face: FreeType for outlines and tables, HarfBuzz for shaping and advances.
// Faces are shared by every font object of any size made from them; sizes only scale the
// face's unit metrics.
#include <cstdint>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GlyphSource.h"
#include "platform/graphics/Path.h"

typedef struct hb_font_t hb_font_t;
typedef struct FT_FaceRec_* FT_Face;

namespace typeset {

class FontFace : public gfx::GlyphSource {
 public:
  /// Opens face `index` of a font file; null when the file is missing or not a font. Mapped
  /// files are for installed fonts: a file cut short while mapped would fault, so the
  /// application's own files are read into memory instead.
  static std::shared_ptr<FontFace> openFile(const std::string& path, int index, bool mapped = true);
  /// Opens face `index` of font bytes held in memory; null when they are not a font.
  static std::shared_ptr<FontFace> openData(std::vector<uint8_t> bytes, int index);
  ~FontFace() override;
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  /// The same face drawn synthetically bold (outlines thickened and advances widened by a
  /// 24th of the em), for text that asks for a weight the face lacks. Made once and shared;
  /// colour and bitmap faces answer themselves.
  std::shared_ptr<FontFace> emboldened() const;
  bool isSyntheticBold() const { return emboldenStrength_ > 0; }
  /// How much the outlines are thickened, in font units (0 for real faces).
  double emboldenStrength() const { return emboldenStrength_; }

  const std::string& path() const { return path_; }
  int index() const { return index_; }
  const std::string& family() const { return family_; }
  const std::string& style() const { return style_; }
  const std::string& postScriptName() const { return postScriptName_; }
  std::string fullName() const;
  bool isBold() const { return weightClass_ >= 600; }
  bool isItalic() const { return italic_; }
  bool isMonospace() const { return monospace_; }
  bool hasColorGlyphs() const { return color_; }
  /// OS/2 weight class, 100..900.
  int weightClass() const { return weightClass_; }

  // Metrics in font units; descender is negative, as the font stores it.
  double unitsPerEm() const override { return upem_; }
  double ascender() const { return ascender_; }
  double descender() const { return descender_; }
  double lineGap() const { return lineGap_; }
  double capHeight() const { return capHeight_; }
  double xHeight() const { return xHeight_; }
  double underlinePosition() const { return underlinePosition_; }
  double underlineThickness() const { return underlineThickness_; }
  size_t glyphCount() const { return glyphCount_; }

  hb_font_t* hbFont() const { return hb_; }
  /// The glyph for a code point, 0 when the face lacks it.
  uint32_t glyphFor(char32_t cp) const;
  /// Whether the face maps `cp`; answers for the basic plane are remembered.
  bool covers(char32_t cp) const {
    // Itemisation asks once or twice per character: remembered answers stay inline.
    if (cp < 0x10000)
      if (uint8_t known = coverage_[cp].load(std::memory_order_relaxed)) return known == 1;
    return lookUpCoverage(cp);
  }
  double horizontalAdvance(uint32_t glyph) const;
  double verticalAdvance(uint32_t glyph) const;
  /// Height above the baseline of the top of an upright glyph's box in vertical text, in font
  /// units; only faces that record it have it.
  std::optional<double> verticalOriginHeight(uint32_t glyph) const;
  /// Ink box in font units, y-up; empty for blank glyphs.
  gfx::Rect glyphBounds(uint32_t glyph) const;
  /// The glyph's outline in font units, y-up, origin on the baseline; cached.
  Ref<gfx::Path> outline(uint32_t glyph) const override;
  std::string glyphSourceName() const override { return postScriptName_; }
  double glyphAdvance(uint32_t glyph) const override { return horizontalAdvance(glyph); }
  bool colorPicture(uint32_t glyph, double size, double pixelsPerPoint, gfx::GlyphPicture* out) const override;

  /// A colour glyph's picture at the face's largest strike: `left`/`top` place its top-left
  /// corner from the pen position in pixels of that strike, `ppem` is the strike's size.
  struct ColorGlyph {
    Ref<gfx::BitmapImage> image;
    double left = 0, top = 0, ppem = 0;
  };
  /// Null for glyphs without a colour picture (and for faces without colour glyphs).
  const ColorGlyph* colorGlyph(uint32_t glyph) const;

  /// sfnt table tags and a copy of one table (empty when absent).
  std::vector<uint32_t> tableTags() const;
  std::vector<uint8_t> tableData(uint32_t tag) const;

 private:
  struct Bytes;
  FontFace() = default;
  bool setUp();
  void makeSyntheticBold();
  bool lookUpCoverage(char32_t cp) const;
  bool layeredPicture(uint32_t glyph, double size, double pixelsPerPoint, gfx::GlyphPicture* out) const;

  std::string path_;
  int index_ = 0;
  std::shared_ptr<const Bytes> bytes_;  // the font file, mapped or in memory; shared with variants
  double emboldenStrength_ = 0;
  mutable std::weak_ptr<FontFace> self_;
  mutable std::shared_ptr<FontFace> emboldened_;
  std::string family_, style_, postScriptName_;
  int weightClass_ = 400;
  bool italic_ = false, monospace_ = false, color_ = false, bitmapOnly_ = false, verticalOrigins_ = false;
  double upem_ = 1000, ascender_ = 0, descender_ = 0, lineGap_ = 0, capHeight_ = 0, xHeight_ = 0;
  double underlinePosition_ = 0, underlineThickness_ = 0;
  size_t glyphCount_ = 0;
  FT_Face ft_ = nullptr;
  hb_font_t* hb_ = nullptr;
  mutable std::mutex mutex_;  // guards the FreeType face and the outline cache
  mutable std::unordered_map<uint32_t, Ref<gfx::Path>> outlines_;
  mutable std::unordered_map<uint32_t, ColorGlyph> colorGlyphs_;
  // 0 unknown, 1 covered, 2 missing; racing writers store the same answer.
  mutable std::unique_ptr<std::atomic<uint8_t>[]> coverage_;
};

using FaceRef = std::shared_ptr<FontFace>;

}  // namespace typeset
