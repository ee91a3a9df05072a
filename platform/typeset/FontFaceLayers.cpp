// Colour glyphs of vector colour fonts: layers of outlines, each filled with a colour of the
// face's first palette, painted with Cairo into a picture at the size asked for.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_COLOR_H

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/typeset/FontFace.h"

namespace typeset {

namespace {

void appendOutline(cairo_t* cr, const gfx::Path& path) {
  for (const auto& e : path.elements()) {
    const gfx::Point* p = e.points;
    switch (e.type) {
      case gfx::PathElementType::MoveToPoint: cairo_move_to(cr, p[0].x, p[0].y); break;
      case gfx::PathElementType::AddLineToPoint: cairo_line_to(cr, p[0].x, p[0].y); break;
      case gfx::PathElementType::AddQuadCurveToPoint: {
        double x0 = 0, y0 = 0;
        if (cairo_has_current_point(cr)) cairo_get_current_point(cr, &x0, &y0);
        cairo_curve_to(cr, x0 + 2.0 / 3 * (p[0].x - x0), y0 + 2.0 / 3 * (p[0].y - y0), p[1].x + 2.0 / 3 * (p[0].x - p[1].x),
                       p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
        break;
      }
      case gfx::PathElementType::AddCurveToPoint: cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y); break;
      case gfx::PathElementType::CloseSubpath: cairo_close_path(cr); break;
    }
  }
}

}  // namespace

bool FontFace::layeredPicture(uint32_t glyph, double size, double pixelsPerPoint, gfx::GlyphPicture* out) const {
  struct Layer {
    uint32_t glyph;
    double rgba[4];
  };
  std::vector<Layer> layers;
  {
    std::lock_guard lock(mutex_);
    FT_Color* palette = nullptr;
    FT_Palette_Data info;
    bool hasPalette = FT_Palette_Data_Get(ft_, &info) == 0 && info.num_palettes > 0 &&
                      FT_Palette_Select(ft_, 0, &palette) == 0 && palette;
    FT_LayerIterator it;
    it.p = nullptr;
    FT_UInt layerGlyph = 0, colorIndex = 0;
    while (FT_Get_Color_Glyph_Layer(ft_, glyph, &layerGlyph, &colorIndex, &it)) {
      Layer l{layerGlyph, {0, 0, 0, 1}};
      // 0xFFFF is the text's own colour; without one to hand, opaque black.
      if (hasPalette && colorIndex != 0xFFFF && colorIndex < info.num_palette_entries) {
        const FT_Color& c = palette[colorIndex];
        l.rgba[0] = c.red / 255.0;
        l.rgba[1] = c.green / 255.0;
        l.rgba[2] = c.blue / 255.0;
        l.rgba[3] = c.alpha / 255.0;
      }
      layers.push_back(l);
      if (layers.size() > 4096) break;  // a looping or hostile table
    }
  }
  if (layers.empty()) return false;
  // The layers' outlines and their common ink box, in font units.
  std::vector<Ref<gfx::Path>> outlines;
  gfx::Rect box = gfx::RectNull;
  for (const auto& l : layers) {
    outlines.push_back(outline(l.glyph));
    box = gfx::RectUnion(box, outlines.back()->boundingBox());
  }
  if (gfx::RectIsNull(box) || gfx::RectIsEmpty(box)) return false;
  double pointsPerUnit = size / upem_;
  double pixelsPerUnit = pointsPerUnit * pixelsPerPoint;
  double w = std::ceil(box.size.width * pixelsPerUnit) + 2, h = std::ceil(box.size.height * pixelsPerUnit) + 2;
  // A picture too large to be worth painting is left to the outlines.
  if (!(w > 0) || !(h > 0) || w * h > 4096.0 * 4096.0) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return false;
  }
  cairo_t* cr = cairo_create(surface);
  // Font units (y-up) to pixels (rows down), one pixel of margin for antialiasing.
  cairo_matrix_t m;
  cairo_matrix_init(&m, pixelsPerUnit, 0, 0, -pixelsPerUnit, 1 - box.origin.x * pixelsPerUnit,
                    1 + (box.origin.y + box.size.height) * pixelsPerUnit);
  cairo_set_matrix(cr, &m);
  for (size_t i = 0; i < layers.size(); ++i) {
    cairo_new_path(cr);
    appendOutline(cr, *outlines[i]);
    const double* c = layers[i].rgba;
    cairo_set_source_rgba(cr, c[0], c[1], c[2], c[3]);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  out->image = gfx::BitmapImage::createWithSurface(surface);
  if (!out->image) return false;
  // The rectangle covers the pixels exactly: the margin pixel on every side included.
  double margin = 1 / pixelsPerPoint;
  double top = (box.origin.y + box.size.height) * pointsPerUnit + margin;
  out->rect = gfx::RectMake(box.origin.x * pointsPerUnit - margin, top - h / pixelsPerPoint, w / pixelsPerPoint,
                            h / pixelsPerPoint);
  return true;
}

}  // namespace typeset
