#pragma once
// What a context needs of a font to show glyphs: outlines in font units and, for colour
// glyphs, pictures. The typesetter's faces provide it; the context knows nothing else of fonts.
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Path.h"

namespace gfx {

/// A colour glyph's picture placed from the pen position in text space (points, y-up).
struct GlyphPicture {
  Ref<BitmapImage> image;
  Rect rect;
};

class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  /// The name recorded with glyph calls (a PostScript name).
  virtual std::string glyphSourceName() const = 0;
  virtual double unitsPerEm() const = 0;
  /// The outline in font units, y-up, origin on the baseline; empty for blank glyphs.
  virtual Ref<Path> outline(uint32_t glyph) const = 0;
  /// The picture of a colour glyph shown at `size` points whose pixels are `pixelsPerPoint`
  /// device pixels; false for glyphs drawn from their outlines.
  virtual bool colorPicture(uint32_t glyph, double size, double pixelsPerPoint, GlyphPicture* out) const = 0;
};

}  // namespace gfx
