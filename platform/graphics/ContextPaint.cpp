// Painting: fills, strokes, gradients, images, shadows and transparency layers.
#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/graphics/CairoPathKeeper.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/GlyphMaskCache.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/SamplingFilter.h"

namespace gfx {

namespace {

cairo_operator_t operatorFor(BlendMode m) {
  switch (m) {
    case BlendMode::Normal: return CAIRO_OPERATOR_OVER;
    case BlendMode::Multiply: return CAIRO_OPERATOR_MULTIPLY;
    case BlendMode::Screen: return CAIRO_OPERATOR_SCREEN;
    case BlendMode::Overlay: return CAIRO_OPERATOR_OVERLAY;
    case BlendMode::Darken: return CAIRO_OPERATOR_DARKEN;
    case BlendMode::Lighten: return CAIRO_OPERATOR_LIGHTEN;
    case BlendMode::ColorDodge: return CAIRO_OPERATOR_COLOR_DODGE;
    case BlendMode::ColorBurn: return CAIRO_OPERATOR_COLOR_BURN;
    case BlendMode::SoftLight: return CAIRO_OPERATOR_SOFT_LIGHT;
    case BlendMode::HardLight: return CAIRO_OPERATOR_HARD_LIGHT;
    case BlendMode::Difference: return CAIRO_OPERATOR_DIFFERENCE;
    case BlendMode::Exclusion: return CAIRO_OPERATOR_EXCLUSION;
    case BlendMode::Hue: return CAIRO_OPERATOR_HSL_HUE;
    case BlendMode::Saturation: return CAIRO_OPERATOR_HSL_SATURATION;
    case BlendMode::Color: return CAIRO_OPERATOR_HSL_COLOR;
    case BlendMode::Luminosity: return CAIRO_OPERATOR_HSL_LUMINOSITY;
    case BlendMode::Clear: return CAIRO_OPERATOR_CLEAR;
    case BlendMode::Copy: return CAIRO_OPERATOR_SOURCE;
    case BlendMode::SourceIn: return CAIRO_OPERATOR_IN;
    case BlendMode::SourceOut: return CAIRO_OPERATOR_OUT;
    case BlendMode::SourceAtop: return CAIRO_OPERATOR_ATOP;
    case BlendMode::DestinationOver: return CAIRO_OPERATOR_DEST_OVER;
    case BlendMode::DestinationIn: return CAIRO_OPERATOR_DEST_IN;
    case BlendMode::DestinationOut: return CAIRO_OPERATOR_DEST_OUT;
    case BlendMode::DestinationAtop: return CAIRO_OPERATOR_DEST_ATOP;
    case BlendMode::XOR: return CAIRO_OPERATOR_XOR;
    case BlendMode::PlusLighter: return CAIRO_OPERATOR_ADD;
    case BlendMode::PlusDarker: return CAIRO_OPERATOR_OVER;  // composited by hand, see plusDarker()
  }
  return CAIRO_OPERATOR_OVER;
}

// Cairo clears outside the shape for these; the platform leaves the destination alone there,
// so they are drawn as "clip to the shape, then paint".
bool unbounded(cairo_operator_t op) {
  return op == CAIRO_OPERATOR_IN || op == CAIRO_OPERATOR_OUT || op == CAIRO_OPERATOR_DEST_IN ||
         op == CAIRO_OPERATOR_DEST_ATOP;
}

// Three box passes over an 8-bit alpha plane approximate a Gaussian. Each box average is
// rounded to the nearest (sum + window / 2) / window, looked up rather than divided; both
// directions walk the plane row by row.
void blurAlpha(uint8_t* data, int w, int h, int stride, int radius) {
  if (radius < 1 || w <= 0 || h <= 0) return;
  const int window = 2 * radius + 1;
  std::vector<uint8_t> average(static_cast<size_t>(255 * window + 1));
  for (size_t sum = 0; sum < average.size(); ++sum)
    average[sum] = static_cast<uint8_t>((static_cast<int>(sum) + window / 2) / window);
  const auto W = static_cast<size_t>(w), H = static_cast<size_t>(h), R = static_cast<size_t>(radius);
  // A row with its end pixels repeated `radius` times beyond either end (and once more
  // after, which the last step reads and does not use).
  std::vector<uint8_t> padded(W + 2 * R + 1);
  std::vector<uint8_t> plane(W * H);
  std::vector<int> sums(W);
  auto row = [&](int y) { return data + static_cast<size_t>(y) * static_cast<size_t>(stride); };
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < h; ++y) {
      uint8_t* r = row(y);
      if (std::all_of(r, r + w, [](uint8_t v) { return v == 0; })) continue;  // stays clear
      std::fill(padded.begin(), padded.begin() + static_cast<std::ptrdiff_t>(R), r[0]);
      std::memcpy(padded.data() + R, r, W);
      std::fill(padded.begin() + static_cast<std::ptrdiff_t>(R + W), padded.end(), r[w - 1]);
      const uint8_t* p = padded.data();
      int sum = 0;
      for (size_t i = 0; i < 2 * R + 1; ++i) sum += p[i];
      for (size_t x = 0; x < W; ++x) {
        r[x] = average[static_cast<size_t>(sum)];
        sum += p[x + 2 * R + 1] - p[x];
      }
    }
    for (int y = 0; y < h; ++y) std::memcpy(plane.data() + static_cast<size_t>(y) * W, row(y), W);
    auto source = [&](int y) { return plane.data() + static_cast<size_t>(std::clamp(y, 0, h - 1)) * W; };
    std::fill(sums.begin(), sums.end(), 0);
    for (int i = -radius; i <= radius; ++i) {
      const uint8_t* in = source(i);
      for (size_t x = 0; x < W; ++x) sums[x] += in[x];
    }
    for (int y = 0; y < h; ++y) {
      uint8_t* out = row(y);
      const uint8_t* entering = source(y + radius + 1);
      const uint8_t* leaving = source(y - radius);
      for (size_t x = 0; x < W; ++x) out[x] = average[static_cast<size_t>(sums[x])];
      for (size_t x = 0; x < W; ++x) sums[x] += entering[x] - leaving[x];
    }
  }
}

// The device pixels a shadow's mask covers: its ink spread by the blur's reach, within the
// surface.
struct ShadowArea {
  int x0, y0, x1, y1;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
};

ShadowArea shadowArea(double ix, double iy, double iw, double ih, int radius, int w, int h) {
  if (!(iw > 0 && ih > 0)) return {0, 0, 0, 0};
  // Three box passes spread the ink by three radii.
  const int margin = 3 * radius + 1;
  return {std::max(0, static_cast<int>(std::floor(ix)) - margin), std::max(0, static_cast<int>(std::floor(iy)) - margin),
          std::min(w, static_cast<int>(std::ceil(ix + iw)) + margin),
          std::min(h, static_cast<int>(std::ceil(iy + ih)) + margin)};
}

void blurShadowMask(cairo_surface_t* mask, const ShadowArea& area, int radius) {
  cairo_surface_flush(mask);
  blurAlpha(cairo_image_surface_get_data(mask), area.x1 - area.x0, area.y1 - area.y0,
            cairo_image_surface_get_stride(mask), radius);
  cairo_surface_mark_dirty(mask);
}

void paintShadowMask(cairo_t* cr, cairo_surface_t* mask, const ShadowArea& area, const double rgba[4]) {
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_source_rgba(cr, rgba[0], rgba[1], rgba[2], rgba[3]);
  cairo_mask_surface(cr, mask, area.x0, area.y0);
  cairo_restore(cr);
}

// The cached mask of an outline placed by `full` (outline units to device pixels), and the
// whole device pixel it goes at. The origin is snapped to a quarter of a device pixel, so that
// a mask serves every later occurrence at the same phase; the mask itself is placed on whole
// pixels, which keeps its coverage exactly what filling the outline there would give.
GlyphMask cachedGlyphMask(const Ref<Path>& outline, const cairo_matrix_t& full, int antialias, double tolerance,
                          double* ox, double* oy) {
  if (!(std::abs(full.x0) < 1e7 && std::abs(full.y0) < 1e7)) return {};
  *ox = std::floor(full.x0);
  *oy = std::floor(full.y0);
  auto quarter = [](double whole, double at, double* snapped) {
    auto q = static_cast<uint8_t>(std::lround((at - whole) * 4));
    if (q < 4) return q;
    *snapped += 1;
    return uint8_t(0);
  };
  GlyphMaskCache::Key key;
  key.outline = outline.get();
  key.xx = full.xx, key.yx = full.yx, key.xy = full.xy, key.yy = full.yy;
  key.phaseX = quarter(*ox, full.x0, ox);
  key.phaseY = quarter(*oy, full.y0, oy);
  key.antialias = antialias;
  key.tolerance = tolerance;
  return GlyphMaskCache::shared().mask(outline, key);
}

// A glyph where its shadow falls: its outline and the outline-units to device-pixels matrix.
struct ShadowGlyph {
  const Ref<Path>* outline;
  cairo_matrix_t full;
};

// A shadow's blurred coverage; no surface when none of it falls in the surface.
struct GlyphShadow {
  cairo_surface_t* mask = nullptr;
  ShadowArea area{0, 0, 0, 0};
};

// The shadow of glyphs made from their cached masks: each mask laid over the others in
// `alpha`, as filling the outlines lays them, then blurred over the area the blur reaches in
// the surface. Nothing when a glyph has no mask, and the shadow must be drawn the general way.
std::optional<GlyphShadow> glyphShadowFromMasks(const std::vector<ShadowGlyph>& glyphs, int antialias,
                                                double tolerance, double alpha, int radius, int w, int h) {
  struct Placed {
    GlyphMask mask;
    int x, y;
  };
  std::vector<Placed> placed;
  placed.reserve(glyphs.size());
  const Rect surface = RectMake(0, 0, w, h);
  const double reach = 3 * radius + 2;
  int x1 = INT_MAX, y1 = INT_MAX, x2 = INT_MIN, y2 = INT_MIN;
  for (const auto& g : glyphs) {
    Rect box = (*g.outline)->boundingBox();
    if (RectIsNull(box)) continue;
    // A glyph whose shadow cannot reach the surface needs no mask.
    const cairo_matrix_t& f = g.full;
    box = RectApplyAffineTransform(box, AffineTransform{f.xx, f.yx, f.xy, f.yy, f.x0, f.y0});
    if (!RectIntersectsRect(RectInset(box, -reach, -reach), surface)) continue;
    double ox = 0, oy = 0;
    GlyphMask mask = cachedGlyphMask(*g.outline, f, antialias, tolerance, &ox, &oy);
    if (!mask) return std::nullopt;
    const int x = static_cast<int>(ox) + mask.x(), y = static_cast<int>(oy) + mask.y();
    x1 = std::min(x1, x), y1 = std::min(y1, y);
    x2 = std::max(x2, x + mask.width()), y2 = std::max(y2, y + mask.height());
    placed.push_back({std::move(mask), x, y});
  }
  GlyphShadow out;
  if (placed.empty()) return out;
  out.area = shadowArea(x1, y1, x2 - x1, y2 - y1, radius, w, h);
  if (out.area.empty()) return out;
  const ShadowArea& a = out.area;
  out.mask = cairo_image_surface_create(CAIRO_FORMAT_A8, a.x1 - a.x0, a.y1 - a.y0);
  cairo_surface_flush(out.mask);
  uint8_t* bytes = cairo_image_surface_get_data(out.mask);
  const int stride = cairo_image_surface_get_stride(out.mask);
  // Each mask over the others as the source-over operator lays a solid colour through it
  // (the colour's alpha taken to 8 bits as cairo takes it).
  const int source = static_cast<int>(std::clamp(alpha, 0.0, 1.0) * 65535.0 + 0.5) >> 8;
  auto times = [](int x, int y) {
    const int t = x * y + 128;
    return (t + (t >> 8)) >> 8;
  };
  for (const auto& p : placed) {
    const int top = std::max(p.y, a.y0), bottom = std::min(p.y + p.mask.height(), a.y1);
    const int left = std::max(p.x, a.x0), right = std::min(p.x + p.mask.width(), a.x1);
    for (int y = top; y < bottom; ++y) {
      const uint8_t* coverage = p.mask.row(y - p.y) + (left - p.x);
      uint8_t* d = bytes + static_cast<size_t>(y - a.y0) * static_cast<size_t>(stride) + (left - a.x0);
      for (int x = 0; x < right - left; ++x) {
        if (!coverage[x]) continue;
        const int s = times(source, coverage[x]);
        d[x] = static_cast<uint8_t>(s + times(d[x], 255 - s));
      }
    }
  }
  cairo_surface_mark_dirty(out.mask);
  blurShadowMask(out.mask, out.area, radius);
  return out;
}

}  // namespace

void Context::applySource(cairo_t* cr, const Color* color, double extraAlpha) const {
  if (color && color->patternImage() && color->patternImage()->CGImage()) {
    const auto& image = color->patternImage();
    cairo_pattern_t* p = cairo_pattern_create_for_surface(image->CGImage()->cairoSurface());
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, image->scale(), image->scale());
    cairo_pattern_set_matrix(p, &m);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
    return;
  }
  double v[4] = {0, 0, 0, 1};
  if (color) color->rgba(v);
  cairo_set_source_rgba(cr, v[0], v[1], v[2], std::clamp(v[3], 0.0, 1.0) * extraAlpha);
}

// Paints `content` under the current matrix into a new image surface of the device's size,
// for the effects Cairo cannot apply in place.
static cairo_surface_t* renderApart(cairo_t* cr, cairo_pattern_t* content, cairo_format_t format, int w, int h) {
  cairo_surface_t* out = cairo_image_surface_create(format, w, h);
  cairo_t* c = cairo_create(out);
  cairo_matrix_t mat;
  cairo_get_matrix(cr, &mat);
  cairo_set_matrix(c, &mat);
  cairo_set_source(c, content);
  cairo_paint(c);
  cairo_destroy(c);
  cairo_surface_flush(out);
  return out;
}

// The shadow's mask is the content drawn once more, moved by the offset, rather than the
// content's own pixels moved: content drawn outside the surface still casts its shadow into
// it, as text drawing relies on (it draws glyphs far off the area to show their shadows only).
// The drawing is recorded first, so that the mask, its blur and its compositing cover only
// where the shadow falls.
void Context::drawShadow(const Draw& draw) {
  const Shadow& sh = state().shadow;
  // Offsets and blur are in default user space: scaled, and y-up unless the context is
  // y-down from the start.
  bool yDown = kind_ == Kind::Image || (kind_ == Kind::PDF && pdfFlipped_);
  double dx = sh.offset.width * scale_, dy = (yDown ? sh.offset.height : -sh.offset.height) * scale_;
  int w = kind_ == Kind::PDF ? static_cast<int>(std::ceil(mediaBox_.size.width)) : static_cast<int>(format_.width);
  int h = kind_ == Kind::PDF ? static_cast<int>(std::ceil(deviceHeight_)) : static_cast<int>(format_.height);
  cairo_surface_t* recording = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
  cairo_t* c = cairo_create(recording);
  cairo_matrix_t m, shift;
  cairo_get_matrix(cr_, &m);
  cairo_matrix_init_translate(&shift, dx, dy);
  cairo_matrix_multiply(&m, &m, &shift);
  cairo_set_matrix(c, &m);
  cairo_path_t* path = cairo_copy_path(cr_);
  cairo_append_path(c, path);
  cairo_path_destroy(path);
  cairo_set_fill_rule(c, cairo_get_fill_rule(cr_));
  cairo_set_line_cap(c, cairo_get_line_cap(cr_));
  cairo_set_line_join(c, cairo_get_line_join(cr_));
  cairo_set_miter_limit(c, cairo_get_miter_limit(cr_));
  cairo_set_antialias(c, cairo_get_antialias(cr_));
  if (int n = cairo_get_dash_count(cr_); n > 0) {
    std::vector<double> dashes(static_cast<size_t>(n));
    double offset = 0;
    cairo_get_dash(cr_, dashes.data(), &offset);
    cairo_set_dash(c, dashes.data(), n, offset);
  }
  // The painters reach the cairo context through the member too.
  std::swap(cr_, c);
  draw(cr_, true);
  std::swap(cr_, c);
  cairo_destroy(c);
  const int radius = static_cast<int>(std::lround(sh.blur * scale_ / 2));
  double ix = 0, iy = 0, iw = 0, ih = 0;
  cairo_recording_surface_ink_extents(recording, &ix, &iy, &iw, &ih);
  const ShadowArea area = shadowArea(ix, iy, iw, ih, radius, w, h);
  if (!area.empty()) {
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, area.x1 - area.x0, area.y1 - area.y0);
    cairo_t* mc = cairo_create(mask);
    cairo_set_source_surface(mc, recording, -area.x0, -area.y0);
    cairo_paint(mc);
    cairo_destroy(mc);
    blurShadowMask(mask, area, radius);
    paintShadowMask(cr_, mask, area, sh.rgba);
    cairo_surface_destroy(mask);
  }
  cairo_surface_destroy(recording);
}

// Cairo has no plus-darker: the drawing is rendered apart and combined with the destination
// pixel by pixel (premultiplied: a = min(1, Sa + Da), c = max(0, a - (Da - Dc) - (Sa - Sc))),
// then put back through the clip.
void Context::plusDarker(const Draw& draw) {
  int w = static_cast<int>(format_.width), h = static_cast<int>(format_.height);
  cairo_push_group(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  draw(cr_, true);
  cairo_pattern_t* content = cairo_pop_group(cr_);
  cairo_surface_t* src = renderApart(cr_, content, CAIRO_FORMAT_ARGB32, w, h);
  cairo_pattern_destroy(content);
  cairo_surface_flush(surface_);
  bool opaqueDest = cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_RGB24;
  uint8_t* sp = cairo_image_surface_get_data(src);
  const uint8_t* dp = cairo_image_surface_get_data(surface_);
  int ss = cairo_image_surface_get_stride(src), ds = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < h; ++y) {
    auto* srow = reinterpret_cast<uint32_t*>(sp + static_cast<size_t>(y) * ss);
    auto* drow = reinterpret_cast<const uint32_t*>(dp + static_cast<size_t>(y) * ds);
    for (int x = 0; x < w; ++x) {
      uint32_t S = srow[x], D = drow[x] | (opaqueDest ? 0xFF000000u : 0);
      int sa = int(S >> 24), da = int(D >> 24);
      int ra = std::min(255, sa + da);
      uint32_t out = uint32_t(ra) << 24;
      for (int shift = 0; shift < 24; shift += 8) {
        int sc = int((S >> shift) & 0xFF), dc = int((D >> shift) & 0xFF);
        out |= uint32_t(std::clamp(ra - (da - dc) - (sa - sc), 0, ra)) << shift;
      }
      srow[x] = out;
    }
  }
  cairo_surface_mark_dirty(src);
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr_, src, 0, 0);
  cairo_paint(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(src);
}

void Context::paint(const Draw& draw) {
  if (!showingClipGlyphs_) commitTextClip();
  const GState& s = state();
  if (s.degenerate || !cr_ || !surface_) return;
  cairo_operator_t op = operatorFor(s.blend);
  if (s.blend == BlendMode::PlusDarker && kind_ != Kind::PDF && layers_.empty()) {
    plusDarker(draw);
  } else if (s.shadow.on) {
    cairo_push_group(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    draw(cr_, true);
    cairo_pattern_t* content = cairo_pop_group(cr_);
    cairo_set_operator(cr_, op);
    drawShadow(draw);
    cairo_set_source(cr_, content);
    cairo_paint(cr_);
    cairo_pattern_destroy(content);
  } else {
    cairo_set_operator(cr_, op);
    draw(cr_, !unbounded(op));
  }
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  syncOut();
}

// Fills cairo's current path and keeps it. Unbounded operators and pattern colours paint
// through a clip of the path, so the rest of the layer is treated as the operator says.
void Context::fillPathPreserving(cairo_t* cr, const Color& color, double alpha, bool bounded) const {
  if (bounded && !color.patternImage()) {
    applySource(cr, &color, alpha);
    cairo_fill_preserve(cr);
    return;
  }
  cairo_save(cr);
  cairo_clip_preserve(cr);
  applySource(cr, &color, 1);
  cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
}

void Context::fillCurrentPath(bool evenOdd) {
  const GState& s = state();
  Ref<Color> fill = s.fill;
  double alpha = s.alpha;
  paint([&](cairo_t* cr, bool bounded) {
    cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    fillPathPreserving(cr, *fill, alpha, bounded);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  });
}

void Context::strokeCurrentPath() {
  const GState& s = state();
  Ref<Color> stroke = s.stroke;
  double alpha = s.alpha;
  double width = s.lineWidth;
  if (width == 0) {
    // Hairlines: one device pixel whatever the transform.
    double dx = 1, dy = 0;
    cairo_device_to_user_distance(cr_, &dx, &dy);
    width = std::hypot(dx, dy);
  }
  paint([&](cairo_t* cr, bool bounded) {
    cairo_set_line_width(cr, width);
    if (bounded && !stroke->patternImage()) {
      applySource(cr, stroke.get(), alpha);
      cairo_stroke_preserve(cr);
    } else {
      auto outline = copyPath()->copyByStrokingPath(width, s.cap, s.join, s.miterLimit);
      cairo_save(cr);
      CairoPathKeeper keep(cr);
      appendPath(*outline, false);
      cairo_clip(cr);
      applySource(cr, stroke.get(), 1);
      cairo_paint_with_alpha(cr, alpha);
      cairo_restore(cr);
    }
    cairo_set_line_width(cr, s.lineWidth);
  });
}

void Context::fillPath() {
  log("fillPath");
  fillCurrentPath(false);
  cairo_new_path(cr_);
}
void Context::eoFillPath() {
  log("eoFillPath");
  fillCurrentPath(true);
  cairo_new_path(cr_);
}
void Context::strokePath() {
  log("strokePath");
  strokeCurrentPath();
  cairo_new_path(cr_);
}

void Context::drawPath(PathDrawingMode mode) {
  log("drawPath", {static_cast<double>(mode)});
  switch (mode) {
    case PathDrawingMode::Fill: fillCurrentPath(false); break;
    case PathDrawingMode::EOFill: fillCurrentPath(true); break;
    case PathDrawingMode::Stroke: strokeCurrentPath(); break;
    case PathDrawingMode::FillStroke:
      fillCurrentPath(false);
      strokeCurrentPath();
      break;
    case PathDrawingMode::EOFillStroke:
      fillCurrentPath(true);
      strokeCurrentPath();
      break;
  }
  cairo_new_path(cr_);
}

void Context::fillRect(const Rect& rect) {
  log("fillRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  fillRects({rect});
}

void Context::fillRects(const std::vector<Rect>& rects) {
  if (rects.size() != 1) log("fillRects", {static_cast<double>(rects.size())});
  Quiet q(this);
  CairoPathKeeper keep(cr_);
  for (const auto& r : rects) addRect(r);
  fillCurrentPath(false);
}

void Context::strokeRect(const Rect& rect) {
  log("strokeRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  Quiet q(this);
  CairoPathKeeper keep(cr_);
  addRect(rect);
  strokeCurrentPath();
}

void Context::strokeRectWithWidth(const Rect& rect, double width) {
  log("strokeRectWithWidth", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height, width});
  Quiet q(this);
  cairo_save(cr_);
  states_.push_back(states_.back());
  setLineWidth(width);
  strokeRect(rect);
  states_.pop_back();
  cairo_restore(cr_);
}

void Context::fillEllipseInRect(const Rect& rect) {
  log("fillEllipseInRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  Quiet q(this);
  CairoPathKeeper keep(cr_);
  addEllipseInRect(rect);
  fillCurrentPath(false);
}

void Context::strokeEllipseInRect(const Rect& rect) {
  log("strokeEllipseInRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  Quiet q(this);
  CairoPathKeeper keep(cr_);
  addEllipseInRect(rect);
  strokeCurrentPath();
}

void Context::strokeLineSegments(const std::vector<Point>& points) {
  log("strokeLineSegments", {static_cast<double>(points.size())});
  CairoPathKeeper keep(cr_);
  for (size_t i = 0; i + 1 < points.size(); i += 2) {
    cairo_move_to(cr_, points[i].x, points[i].y);
    cairo_line_to(cr_, points[i + 1].x, points[i + 1].y);
  }
  strokeCurrentPath();
}

void Context::clearRect(const Rect& rect) {
  log("clearRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  commitTextClip();
  if (state().degenerate) return;
  CairoPathKeeper keep(cr_);
  Rect r = RectStandardize(rect);
  if (RectIsNull(r)) return;
  cairo_save(cr_);
  cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
  cairo_clip(cr_);
  if (opaque_) {
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr_, 0, 0, 0, 1);
  } else {
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
  }
  cairo_paint(cr_);
  cairo_restore(cr_);
  syncOut();
}

void Context::drawGradient(cairo_pattern_t* pattern, const Gradient& g, uint32_t options, Point start, Point end,
                           bool linear) {
  for (const auto& stop : g.stops())
    cairo_pattern_add_color_stop_rgba(pattern, stop.location, stop.rgba[0], stop.rgba[1], stop.rgba[2], stop.rgba[3]);
  bool before = options & GradientDrawsBeforeStartLocation, after = options & GradientDrawsAfterEndLocation;
  cairo_pattern_set_extend(pattern, before || after ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
  double alpha = state().alpha;
  paint([&](cairo_t* cr, bool) {
    cairo_save(cr);
    CairoPathKeeper keep(cr);
    if (linear && before != after) {
      // Only one side extends: cut the plane at the other end, across the axis.
      double x1, y1, x2, y2;
      cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
      double reach = std::hypot(x2 - x1, y2 - y1) + std::hypot(end.x - start.x, end.y - start.y) +
                     std::hypot(start.x - x1, start.y - y1) + 1;
      double len = std::hypot(end.x - start.x, end.y - start.y);
      if (len > 0) {
        double ux = (end.x - start.x) / len, uy = (end.y - start.y) / len;
        Point base = after ? start : end;
        double dir = after ? 1 : -1;
        double px = -uy * reach, py = ux * reach;
        cairo_move_to(cr, base.x + px, base.y + py);
        cairo_line_to(cr, base.x - px, base.y - py);
        cairo_line_to(cr, base.x - px + dir * ux * reach, base.y - py + dir * uy * reach);
        cairo_line_to(cr, base.x + px + dir * ux * reach, base.y + py + dir * uy * reach);
        cairo_close_path(cr);
        cairo_clip(cr);
      }
    }
    cairo_set_source(cr, pattern);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
  });
}

void Context::drawLinearGradient(const Gradient& g, Point start, Point end, uint32_t options) {
  log("drawLinearGradient", {start.x, start.y, end.x, end.y, static_cast<double>(options)});
  cairo_pattern_t* p = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
  drawGradient(p, g, options, start, end, true);
  cairo_pattern_destroy(p);
}

void Context::drawRadialGradient(const Gradient& g, Point startCenter, double startRadius, Point endCenter,
                                 double endRadius, uint32_t options) {
  log("drawRadialGradient",
      {startCenter.x, startCenter.y, startRadius, endCenter.x, endCenter.y, endRadius, static_cast<double>(options)});
  cairo_pattern_t* p =
      cairo_pattern_create_radial(startCenter.x, startCenter.y, startRadius, endCenter.x, endCenter.y, endRadius);
  drawGradient(p, g, options, startCenter, endCenter, false);
  cairo_pattern_destroy(p);
}

void Context::drawImage(const Rect& rect, const BitmapImage& image) {
  log("drawImage", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  Rect r = RectStandardize(rect);
  if (RectIsEmpty(r)) return;
  double w = static_cast<double>(image.width()), h = static_cast<double>(image.height());
  AffineTransform t{r.size.width / w, 0, 0, -r.size.height / h, r.origin.x, r.origin.y + r.size.height};
  Quiet q(this);
  drawBitmap(image, RectMake(0, 0, w, h), t);
}

void Context::drawBitmap(const BitmapImage& image, const Rect& source, const AffineTransform& pixelToUser) {
  log("drawBitmap", {source.origin.x, source.origin.y, source.size.width, source.size.height});
  if (!AffineTransformIsInvertible(pixelToUser) || RectIsEmpty(source)) return;
  cairo_surface_t* surface = image.cairoSurface();
  if (!surface) return;
  cairo_filter_t filter = CAIRO_FILTER_GOOD;
  switch (state().interpolation) {
    case InterpolationQuality::None: filter = CAIRO_FILTER_NEAREST; break;
    case InterpolationQuality::Low: filter = CAIRO_FILTER_BILINEAR; break;
    case InterpolationQuality::High: filter = CAIRO_FILTER_BEST; break;
    default: break;
  }
  if (!image.shouldInterpolate()) filter = CAIRO_FILTER_NEAREST;
  double alpha = state().alpha;
  CairoPathKeeper keep(cr_);
  paint([&](cairo_t* cr, bool) {
    cairo_save(cr);
    cairo_matrix_t m = {pixelToUser.a, pixelToUser.b, pixelToUser.c, pixelToUser.d, pixelToUser.tx, pixelToUser.ty};
    cairo_transform(cr, &m);
    cairo_rectangle(cr, source.origin.x, source.origin.y, source.size.width, source.size.height);
    cairo_clip(cr);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(surface);
    if (filter == CAIRO_FILTER_GOOD) {
      cairo_matrix_t device;
      cairo_get_matrix(cr, &device);
      filter = filterForScale(std::hypot(device.xx, device.yx), std::hypot(device.xy, device.yy));
    }
    cairo_pattern_set_filter(p, filter);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_set_source(cr, p);
    cairo_paint_with_alpha(cr, alpha);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
  });
}

// Masks are placed on whole pixels, and a clip of whole-pixel boxes cuts them exactly as it
// cuts a filled path. Cairo lists a clip's boxes only when they are of whole pixels; other
// clips (boxes off the grid, shapes) cut a path's shape at the clip's edge, where a mask's
// coverage would be multiplied by the edge's instead, so glyphs are filled as paths there.
static bool clipOnWholePixels(cairo_t* cr) {
  cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
  const bool whole = list->status == CAIRO_STATUS_SUCCESS;
  cairo_rectangle_list_destroy(list);
  return whole;
}

bool Context::drawGlyphMask(cairo_t* cr, const PlacedGlyph& g, const cairo_matrix_t& device, int antialias,
                            double tolerance, const Color& color, double alpha) const {
  cairo_matrix_t place = {g.place.a, g.place.b, g.place.c, g.place.d, g.place.tx, g.place.ty}, full;
  cairo_matrix_multiply(&full, &place, &device);
  double ox = 0, oy = 0;
  GlyphMask mask = cachedGlyphMask(g.outline, full, antialias, tolerance, &ox, &oy);
  if (!mask) return false;
  cairo_surface_t* surface = mask.createSurface();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  applySource(cr, &color, alpha);
  cairo_mask_surface(cr, surface, ox + mask.x(), oy + mask.y());
  cairo_restore(cr);
  cairo_surface_destroy(surface);
  return true;
}

// One paint for all the glyphs of a call, each glyph composited on its own, so that showing
// glyphs one call at a time gives the same pixels as showing them in one call.
void Context::paintGlyphs(const std::vector<PlacedGlyph>& glyphs, bool fill, bool stroke) {
  GState& s = state();
  Ref<Color> fillColor = s.fill, strokeColor = s.stroke;
  double alpha = s.alpha;
  // The shadow of plain filled glyphs comes from their masks too, painted before the glyphs,
  // which then draw as without one: normally blended, that is what painting the two
  // together gives.
  const Shadow shadow = s.shadow;
  std::optional<GlyphShadow> maskShadow;
  if (shadow.on && fill && !stroke && !fillColor->patternImage() && s.blend == BlendMode::Normal && !s.degenerate &&
      cr_ && surface_ && (kind_ == Kind::Bitmap || kind_ == Kind::Image) &&
      std::none_of(glyphs.begin(), glyphs.end(), [](const PlacedGlyph& g) { return g.picture.image || !g.outline; })) {
    if (!showingClipGlyphs_) commitTextClip();
    if (clipOnWholePixels(cr_)) {
      // Offsets and blur are in default user space, as for any shadow.
      const double dx = shadow.offset.width * scale_;
      const double dy = (kind_ == Kind::Image ? shadow.offset.height : -shadow.offset.height) * scale_;
      cairo_matrix_t device;
      cairo_get_matrix(cr_, &device);
      std::vector<ShadowGlyph> cast;
      cast.reserve(glyphs.size());
      for (const auto& g : glyphs) {
        cairo_matrix_t place = {g.place.a, g.place.b, g.place.c, g.place.d, g.place.tx, g.place.ty}, full;
        cairo_matrix_multiply(&full, &place, &device);
        full.x0 += dx;
        full.y0 += dy;
        cast.push_back({&g.outline, full});
      }
      double v[4] = {0, 0, 0, 1};
      fillColor->rgba(v);
      maskShadow = glyphShadowFromMasks(cast, static_cast<int>(cairo_get_antialias(cr_)), cairo_get_tolerance(cr_),
                                        std::clamp(v[3], 0.0, 1.0) * alpha,
                                        static_cast<int>(std::lround(shadow.blur * scale_ / 2)),
                                        static_cast<int>(format_.width), static_cast<int>(format_.height));
    }
  }
  if (maskShadow) s.shadow.on = false;
  double width = s.lineWidth;
  if (width == 0) {
    double dx = 1, dy = 0;
    cairo_device_to_user_distance(cr_, &dx, &dy);
    width = std::hypot(dx, dy);
  }
  // Plain filled glyphs on pixels are drawn from coverage masks kept across draws; the rest
  // (strokes, patterns, shadows not made from masks, unbounded operators, vector output) are
  // filled as paths.
  const bool maskable = fill && !stroke && !fillColor->patternImage() && !s.shadow.on &&
                        (kind_ == Kind::Bitmap || kind_ == Kind::Image);
  CairoPathKeeper keep(cr_);
  paint([&](cairo_t* cr, bool bounded) {
    if (maskShadow && maskShadow->mask) paintShadowMask(cr, maskShadow->mask, maskShadow->area, shadow.rgba);
    cairo_set_line_width(cr, width);
    cairo_matrix_t device;
    cairo_get_matrix(cr, &device);
    const int antialias = static_cast<int>(cairo_get_antialias(cr));
    const double tolerance = cairo_get_tolerance(cr);
    const bool masks = maskable && bounded && clipOnWholePixels(cr);
    // Glyphs wholly outside the clip are not built into paths at all: a long text drawn into
    // a store that covers only its visible part passes over most of its glyphs. Not under a
    // shadow, which may fall inside from a glyph outside; nor against an unbounded target
    // (the shadow pass records into one), whose extents are infinite.
    double cx1 = 0, cy1 = 0, cx2 = 0, cy2 = 0;
    cairo_clip_extents(cr, &cx1, &cy1, &cx2, &cy2);
    const Rect clip = RectMake(cx1, cy1, cx2 - cx1, cy2 - cy1);
    const bool cull = !s.shadow.on && std::isfinite(cx1) && std::isfinite(cy1) && std::isfinite(cx2) &&
                      std::isfinite(cy2);
    const double reach = stroke ? width : 0;
    for (const auto& g : glyphs) {
      if (cull && !g.picture.image && g.outline) {
        Rect box = g.outline->boundingBox();
        if (RectIsNull(box)) continue;  // a glyph with no outline (a space) draws nothing
        box = RectInset(RectApplyAffineTransform(box, g.place), -reach - 1, -reach - 1);
        if (cull && !RectIntersectsRect(box, clip)) continue;
      }
      auto transform = [&](const AffineTransform& t) {
        cairo_matrix_t m = {t.a, t.b, t.c, t.d, t.tx, t.ty};
        cairo_transform(cr, &m);
      };
      if (g.picture.image) {
        if (!fill && !stroke) continue;
        cairo_surface_t* surface = g.picture.image->cairoSurface();
        if (!surface) continue;
        double w = static_cast<double>(g.picture.image->width()), h = static_cast<double>(g.picture.image->height());
        const Rect& r = g.picture.rect;
        cairo_save(cr);
        transform(g.place);
        // Pixel rows run down from the picture's top edge.
        transform(AffineTransform{r.size.width / w, 0, 0, -r.size.height / h, r.origin.x, r.origin.y + r.size.height});
        cairo_new_path(cr);
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_clip(cr);
        cairo_pattern_t* p = cairo_pattern_create_for_surface(surface);
        cairo_matrix_t device;
        cairo_get_matrix(cr, &device);
        cairo_pattern_set_filter(p, filterForScale(std::hypot(device.xx, device.yx), std::hypot(device.xy, device.yy)));
        cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
        cairo_set_source(cr, p);
        cairo_paint_with_alpha(cr, alpha);
        cairo_pattern_destroy(p);
        cairo_restore(cr);
        continue;
      }
      if (masks && drawGlyphMask(cr, g, device, antialias, tolerance, *fillColor, alpha)) continue;
      cairo_new_path(cr);
      cairo_save(cr);
      transform(g.place);
      appendPath(*g.outline, false);
      cairo_restore(cr);
      if (fill) {
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        fillPathPreserving(cr, *fillColor, alpha, bounded);
      }
      if (stroke) {
        applySource(cr, strokeColor.get(), alpha);
        cairo_stroke_preserve(cr);
      }
    }
    cairo_new_path(cr);
    cairo_set_line_width(cr, s.lineWidth);
  });
  if (maskShadow) {
    state().shadow = shadow;
    if (maskShadow->mask) cairo_surface_destroy(maskShadow->mask);
  }
}

void Context::beginTransparencyLayer() {
  log("beginTransparencyLayer");
  commitTextClip();
  layers_.push_back({states_.size()});
  cairo_push_group(cr_);
  GState inner = states_.back();
  inner.alpha = 1;
  inner.blend = BlendMode::Normal;
  inner.shadow = Shadow{};
  states_.push_back(inner);
}

void Context::beginTransparencyLayerWithRect(const Rect& rect) {
  log("beginTransparencyLayerWithRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  Quiet q(this);
  beginTransparencyLayer();
}

void Context::endTransparencyLayer() {
  log("endTransparencyLayer");
  commitTextClip();
  if (layers_.empty()) return;
  size_t depth = layers_.back().depth;
  while (states_.size() > depth + 1) {
    cairo_restore(cr_);
    states_.pop_back();
  }
  states_.pop_back();
  layers_.pop_back();
  cairo_pattern_t* content = cairo_pop_group(cr_);
  double alpha = state().alpha;
  CairoPathKeeper keep(cr_);
  paint([&](cairo_t* cr, bool) {
    cairo_set_source(cr, content);
    cairo_paint_with_alpha(cr, alpha);
  });
  cairo_pattern_destroy(content);
}

}  // namespace gfx
