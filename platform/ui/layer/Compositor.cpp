#include "platform/ui/layer/Compositor.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/graphics/Image.h"
#include "platform/graphics/SamplingFilter.h"

namespace ui {

namespace {

gfx::Transform3D aroundPoint(const gfx::Transform3D& t, double x, double y, double z) {
  auto m = gfx::Transform3DConcat(gfx::Transform3DMakeTranslation(-x, -y, -z), t);
  return gfx::Transform3DConcat(m, gfx::Transform3DMakeTranslation(x, y, z));
}

gfx::Transform3D placement(const Layer& l) {
  gfx::Rect b = l.bounds();
  gfx::Point a = l.anchorPoint();
  auto m = gfx::Transform3DMakeTranslation(-b.origin.x - a.x * b.size.width, -b.origin.y - a.y * b.size.height,
                                           -l.anchorPointZ());
  m = gfx::Transform3DConcat(m, l.transform());
  return gfx::Transform3DConcat(m, gfx::Transform3DMakeTranslation(l.position().x, l.position().y, l.zPosition()));
}

// Cairo draws in 2D: a perspective matrix is replaced by the affine map that agrees with it
// on three corners of the layer.
bool toAffine(const gfx::Transform3D& m, const gfx::Rect& b, cairo_matrix_t* out) {
  if (m.m14 == 0 && m.m24 == 0 && m.m44 == 1) {
    cairo_matrix_init(out, m.m11, m.m12, m.m21, m.m22, m.m41, m.m42);
  } else {
    gfx::Point from[3] = {b.origin, {b.origin.x + b.size.width, b.origin.y}, {b.origin.x, b.origin.y + b.size.height}};
    if (b.size.width <= 0 || b.size.height <= 0) {
      from[1] = {b.origin.x + 1, b.origin.y};
      from[2] = {b.origin.x, b.origin.y + 1};
    }
    gfx::Point to[3];
    for (int i = 0; i < 3; ++i) to[i] = gfx::PointApplyTransform3D(from[i], m);
    gfx::AffineTransform t;
    if (!gfx::AffineTransformFromPointPairs(from, to, &t)) return false;
    cairo_matrix_init(out, t.a, t.b, t.c, t.d, t.tx, t.ty);
  }
  cairo_matrix_t probe = *out;
  return cairo_matrix_invert(&probe) == CAIRO_STATUS_SUCCESS;
}

void roundedRect(cairo_t* cr, const gfx::Rect& r, double radius) {
  double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
  radius = std::min(radius, std::min(w, h) / 2);
  if (radius <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - radius, y + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, x + radius, y + h - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void setColor(cairo_t* cr, const gfx::Color& c, double alpha = 1) {
  double v[4];
  c.rgba(v);
  cairo_set_source_rgba(cr, v[0], v[1], v[2], v[3] * alpha);
}

const gfx::BitmapImage* bitmapOf(const rt::Id& contents, double* scale) {
  if (auto* b = dynamic_cast<const gfx::BitmapImage*>(contents.get())) return b;
  if (auto* i = dynamic_cast<const gfx::Image*>(contents.get())) {
    if (scale && i->scale() > 0) *scale = i->scale();
    return i->CGImage().get();
  }
  return nullptr;
}

// Where the part `src` (pixels) of the contents lands in the layer's bounds coordinates. A
// backing store drawn beyond the bounds keeps its overhang around the bounds' share.
gfx::Rect contentsDestination(const Layer& l, const gfx::BitmapImage& bitmap, gfx::Rect* src) {
  double w = static_cast<double>(bitmap.width()), h = static_cast<double>(bitmap.height());
  gfx::Rect unit = l.contentsRect();
  *src = {{unit.origin.x * w, unit.origin.y * h}, {unit.size.width * w, unit.size.height * h}};
  if (src->size.width <= 0 || src->size.height <= 0) return gfx::RectNull;
  double scale = l.contentsScale() > 0 ? l.contentsScale() : 1;
  gfx::Size points{src->size.width / scale, src->size.height / scale};
  gfx::EdgeInsets over = l.contentsOverhang();
  if (over == gfx::EdgeInsets{} || unit != gfx::Rect{{0, 0}, {1, 1}})
    return contentsFrameForGravity(l.contentsGravity(), points, l.bounds());
  gfx::Size core{points.width - over.left - over.right, points.height - over.top - over.bottom};
  if (core.width <= 0 || core.height <= 0) return gfx::RectNull;
  gfx::Rect dest = contentsFrameForGravity(l.contentsGravity(), core, l.bounds());
  double sx = dest.size.width / core.width, sy = dest.size.height / core.height;
  return {{dest.origin.x - over.left * sx, dest.origin.y - over.top * sy},
          {dest.size.width + (over.left + over.right) * sx, dest.size.height + (over.top + over.bottom) * sy}};
}

void drawContents(cairo_t* cr, const Layer& l) {
  double imageScale = 0;
  const gfx::BitmapImage* bitmap = bitmapOf(l.contents(), &imageScale);
  if (!bitmap) return;
  cairo_surface_t* surface = bitmap->cairoSurface();
  if (!surface || bitmap->width() == 0 || bitmap->height() == 0) return;
  gfx::Rect src;
  gfx::Rect dest = contentsDestination(l, *bitmap, &src);
  if (gfx::RectIsNull(dest) || dest.size.width <= 0 || dest.size.height <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, dest.origin.x, dest.origin.y);
  cairo_scale(cr, dest.size.width / src.size.width, dest.size.height / src.size.height);
  cairo_translate(cr, -src.origin.x, -src.origin.y);
  // A backing store shown pixel for pixel lands on whole device pixels: a sub-pixel offset
  // would resample every pixel of it on every frame.
  cairo_matrix_t device;
  cairo_get_matrix(cr, &device);
  if (std::abs(device.xx - 1) < 1e-9 && std::abs(device.yy - 1) < 1e-9 && device.xy == 0 && device.yx == 0) {
    device.x0 = std::round(device.x0);
    device.y0 = std::round(device.y0);
    cairo_set_matrix(cr, &device);
  }
  cairo_rectangle(cr, src.origin.x, src.origin.y, src.size.width, src.size.height);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(surface);
  cairo_get_matrix(cr, &device);
  double perPixelX = std::hypot(device.xx, device.yx), perPixelY = std::hypot(device.xy, device.yy);
  bool reduce = perPixelX < 0.99 || perPixelY < 0.99;
  const rt::String& filter = reduce ? l.minificationFilter() : l.magnificationFilter();
  cairo_pattern_set_filter(p, filter == kCAFilterNearest ? CAIRO_FILTER_NEAREST : gfx::filterForScale(perPixelX, perPixelY));
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_restore(cr);
}

void drawShadow(cairo_t* cr, const Layer& l) {
  if (l.shadowOpacity() <= 0 || !l.shadowColor()) return;
  bool hasShape = l.shadowPath() || l.backgroundColor() || l.contents() || l.borderWidth() > 0;
  if (!hasShape) return;
  cairo_save(cr);
  cairo_translate(cr, l.shadowOffset().width, l.shadowOffset().height);
  // A soft edge: the shape spread by the radius in fading rings, then the shape itself.
  int rings = static_cast<int>(std::ceil(std::min(l.shadowRadius(), 12.0)));
  double alpha = l.shadowOpacity();
  auto shape = [&](double grow) {
    cairo_new_path(cr);
    if (l.shadowPath()) {
      l.shadowPath()->appendToCairo(cr);
    } else {
      gfx::Rect r = gfx::RectInset(l.bounds(), -grow, -grow);
      roundedRect(cr, r, l.cornerRadius() + grow);
    }
  };
  for (int i = rings; i >= 1; --i) {
    shape(i);
    setColor(cr, *l.shadowColor(), alpha / (rings + 1));
    cairo_fill(cr);
  }
  shape(0);
  setColor(cr, *l.shadowColor(), alpha / (rings + 1));
  cairo_fill(cr);
  cairo_restore(cr);
}

// ---- where layers land, in frame pixels

// The layers below `model` in drawing order.
std::vector<Ref<Layer>> sortedSublayers(const Layer& model) {
  std::vector<Ref<Layer>> subs = model.sublayers();
  std::stable_sort(subs.begin(), subs.end(), [](const Ref<Layer>& a, const Ref<Layer>& b) {
    return a->zPosition() < b->zPosition();
  });
  return subs;
}

const Layer& lookOf(const Layer& model, Ref<Layer>& keep) {
  if (model.hasAnimations()) keep = model.presentationLayer();
  return keep ? *keep : model;
}

// Maps the sublayer's bounds space into its parent's (`look`); false when it cannot be drawn.
bool placeSublayer(const Layer& look, const Layer& subLook, cairo_matrix_t* m) {
  if (gfx::Transform3DIsIdentity(look.sublayerTransform())) return toAffine(placement(subLook), subLook.bounds(), m);
  gfx::Rect b = look.bounds();
  auto around = aroundPoint(look.sublayerTransform(), b.origin.x + look.anchorPoint().x * b.size.width,
                            b.origin.y + look.anchorPoint().y * b.size.height, look.anchorPointZ());
  return toAffine(gfx::Transform3DConcat(placement(subLook), around), subLook.bounds(), m);
}

// The device box of `r` drawn with `m`.
gfx::Rect deviceBox(const gfx::Rect& r, const cairo_matrix_t& m) {
  double xs[4] = {r.origin.x, r.origin.x + r.size.width, r.origin.x, r.origin.x + r.size.width};
  double ys[4] = {r.origin.y, r.origin.y, r.origin.y + r.size.height, r.origin.y + r.size.height};
  double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
  for (int i = 0; i < 4; ++i) {
    cairo_matrix_transform_point(&m, &xs[i], &ys[i]);
    x0 = std::min(x0, xs[i]);
    y0 = std::min(y0, ys[i]);
    x1 = std::max(x1, xs[i]);
    y1 = std::max(y1, ys[i]);
  }
  return gfx::RectMake(x0, y0, x1 - x0, y1 - y0);
}

// What a layer draws of its own (not its sublayers), in its bounds coordinates.
gfx::Rect ownExtent(const Layer& l) {
  gfx::Rect r = gfx::RectUnion(l.bounds(), l.ownDrawingExtent());
  if (l.contents() && !l.masksToBounds()) {
    double imageScale = 0;
    if (const gfx::BitmapImage* bitmap = bitmapOf(l.contents(), &imageScale)) {
      gfx::Rect src;
      gfx::Rect dest = contentsDestination(l, *bitmap, &src);
      if (!gfx::RectIsNull(dest)) r = gfx::RectUnion(r, dest);
    }
  }
  if (l.shadowOpacity() > 0 && l.shadowColor()) {
    gfx::Rect shape = l.shadowPath() ? gfx::RectUnion(r, l.shadowPath()->boundingBox()) : r;
    double grow = std::ceil(std::min(l.shadowRadius(), 12.0)) + 1;
    shape = gfx::RectOffset(gfx::RectInset(shape, -grow, -grow), l.shadowOffset().width, l.shadowOffset().height);
    r = gfx::RectUnion(r, shape);
  }
  return r;
}

// Where `model` and everything below it would land now, drawn with `m`.
gfx::Rect measureTree(const Layer& model, const cairo_matrix_t& m) {
  Ref<Layer> keep;
  const Layer& l = lookOf(model, keep);
  if (l.isHidden() || l.opacity() <= 0) return gfx::RectNull;
  gfx::Rect area = deviceBox(ownExtent(l), m);
  if (l.masksToBounds()) return area;  // sublayers are clipped to the bounds
  for (const auto& s : model.sublayers()) {
    Ref<Layer> keepSub;
    cairo_matrix_t sm, total;
    if (!placeSublayer(l, lookOf(*s, keepSub), &sm)) continue;
    cairo_matrix_multiply(&total, &sm, &m);
    area = gfx::RectUnion(area, measureTree(*s, total));
  }
  return area;
}

// Adds to `damage` what changed below `model`: for each layer that changed itself, where its
// tree was drawn last and where it lands now.
void collectDamage(const Layer& model, const cairo_matrix_t& m, cairo_region_t* damage) {
  if (!model.needsComposite()) return;
  auto add = [&](const gfx::Rect& r) {
    if (gfx::RectIsNull(r) || gfx::RectIsEmpty(r)) return;
    gfx::Rect out = gfx::RectIntegral(gfx::RectInset(r, -1, -1));
    cairo_rectangle_int_t box{static_cast<int>(out.origin.x), static_cast<int>(out.origin.y),
                              static_cast<int>(out.size.width), static_cast<int>(out.size.height)};
    cairo_region_union_rectangle(damage, &box);
  };
  add(model.vacatedArea());
  if (model.isDamaged()) {
    add(model.compositedArea());
    add(measureTree(model, m));
    return;
  }
  Ref<Layer> keep;
  const Layer& l = lookOf(model, keep);
  // Part of its backing store drawn again: only that part shows anything new.
  if (!gfx::RectIsNull(model.redrawnArea()) && !l.isHidden() && l.opacity() > 0)
    add(deviceBox(model.redrawnArea(), m));
  for (const auto& s : model.sublayers()) {
    Ref<Layer> keepSub;
    cairo_matrix_t sm, total;
    if (!placeSublayer(l, lookOf(*s, keepSub), &sm)) continue;
    cairo_matrix_multiply(&total, &sm, &m);
    collectDamage(*s, total, damage);
  }
}

// Brings the backing stores of everything that changed up to date before the damage is
// collected, so that a store drawn again only in part damages only that part.
void displayChanged(Layer& model) {
  if (!model.needsComposite()) return;
  model.displayIfNeeded();
  std::vector<Ref<Layer>> subs = model.sublayers();
  for (auto& s : subs) displayChanged(*s);
}

// ---- drawing

struct DrawPass {
  cairo_t* cr;
  gfx::Context& ctx;
  const cairo_rectangle_int_t* clip;  // the damaged area's extents; null when drawing everything
  // Only the compositor's own frame records where layers landed: a picture of the tree taken
  // elsewhere (a loupe's capture, a snapshot) lands at other places, and recording those
  // would make the next frame skip or keep the wrong pixels.
  bool record;
};

void drawTree(DrawPass& pass, Layer& model, const cairo_matrix_t* place, bool insideDamage);

void drawSublayers(DrawPass& pass, Layer& model, const Layer& look, bool insideDamage) {
  if (model.sublayers().empty()) return;
  for (auto& s : sortedSublayers(model)) {
    // The sublayer's placement comes from its presentation state.
    Ref<Layer> keep;
    cairo_matrix_t m;
    if (!placeSublayer(look, lookOf(*s, keep), &m)) {
      if (pass.record) s->setCompositedArea(gfx::RectNull);
      continue;
    }
    drawTree(pass, *s, &m, insideDamage);
  }
}

// Draws `model` (its presentation state when animating) with `place` mapping its bounds
// coordinates into the current space; null means "its own placement". Trees that did not
// change, under ancestors that did not change, and that lie outside the damaged area keep
// their pixels and are skipped.
void drawTree(DrawPass& pass, Layer& model, const cairo_matrix_t* place, bool insideDamage) {
  cairo_t* cr = pass.cr;
  insideDamage = insideDamage || model.isDamaged();
  if (pass.clip && !insideDamage && !model.needsComposite()) {
    const gfx::Rect& was = model.compositedArea();
    if (gfx::RectIsNull(was)) return;
    const cairo_rectangle_int_t& c = *pass.clip;
    if (was.origin.x >= c.x + c.width || was.origin.y >= c.y + c.height || was.origin.x + was.size.width <= c.x ||
        was.origin.y + was.size.height <= c.y)
      return;
  }
  model.displayIfNeeded();
  Ref<Layer> shown = model.hasAnimations() ? model.presentationLayer() : nullptr;
  const Layer& l = shown ? *shown : model;
  if (l.isHidden() || l.opacity() <= 0) {
    if (pass.record) model.setCompositedArea(gfx::RectNull);
    return;
  }
  cairo_matrix_t m;
  if (place) m = *place;
  else if (!toAffine(placement(l), l.bounds(), &m)) {
    if (pass.record) model.setCompositedArea(gfx::RectNull);
    return;
  }
  cairo_save(cr);
  cairo_transform(cr, &m);
  cairo_matrix_t device;
  cairo_get_matrix(cr, &device);
  gfx::Rect area = deviceBox(ownExtent(l), device);
  drawShadow(cr, l);
  bool group = l.opacity() < 1 || l.mask();
  if (group) {
    // A group's surface is as large as the clip: bound it by where this tree can draw, or
    // every fading layer costs a surface the size of the screen.
    gfx::Rect reach = measureTree(model, device);
    if (!gfx::RectIsNull(reach)) {
      gfx::Rect box = gfx::RectIntegral(gfx::RectInset(reach, -1, -1));
      cairo_identity_matrix(cr);
      cairo_rectangle(cr, box.origin.x, box.origin.y, box.size.width, box.size.height);
      cairo_set_matrix(cr, &device);
      cairo_clip(cr);
    }
    cairo_push_group(cr);
  }
  cairo_save(cr);
  if (l.masksToBounds()) {
    roundedRect(cr, l.bounds(), l.cornerRadius());
    cairo_clip(cr);
  }
  if (l.backgroundColor()) {
    roundedRect(cr, l.bounds(), l.cornerRadius());
    setColor(cr, *l.backgroundColor());
    cairo_fill(cr);
  }
  if (l.contents()) {
    if (l.cornerRadius() > 0 && !l.masksToBounds()) {
      cairo_save(cr);
      drawContents(cr, l);
      cairo_restore(cr);
    } else {
      drawContents(cr, l);
    }
  }
  l.renderOwnContent(pass.ctx);
  drawSublayers(pass, model, l, insideDamage);
  if (!l.masksToBounds())
    for (const auto& s : model.sublayers()) area = gfx::RectUnion(area, s->compositedArea());
  cairo_restore(cr);
  if (l.borderWidth() > 0 && l.borderColor()) {
    gfx::Rect r = gfx::RectInset(l.bounds(), l.borderWidth() / 2, l.borderWidth() / 2);
    if (!gfx::RectIsNull(r)) {
      roundedRect(cr, r, std::max(0.0, l.cornerRadius() - l.borderWidth() / 2));
      cairo_set_line_width(cr, l.borderWidth());
      setColor(cr, *l.borderColor());
      cairo_stroke(cr);
    }
  }
  if (group) {
    cairo_pattern_t* content = cairo_pop_group(cr);
    if (l.mask()) {
      cairo_push_group(cr);
      DrawPass maskPass{cr, pass.ctx, nullptr, false};
      drawTree(maskPass, *l.mask(), nullptr, true);
      cairo_pattern_t* mask = cairo_pop_group(cr);
      cairo_push_group(cr);
      cairo_set_source(cr, content);
      cairo_mask(cr, mask);
      cairo_pattern_destroy(content);
      cairo_pattern_destroy(mask);
      content = cairo_pop_group(cr);
    }
    cairo_set_source(cr, content);
    cairo_paint_with_alpha(cr, l.opacity());
    cairo_pattern_destroy(content);
  }
  cairo_restore(cr);
  if (pass.record) model.setCompositedArea(area);
}

// Clears the pass's area to `clear` (transparent when null) and draws `roots` back to front.
void paintFrame(DrawPass& pass, const gfx::Color* clear, const std::vector<Ref<Layer>>& roots, bool insideDamage) {
  cairo_t* cr = pass.cr;
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  if (clear) setColor(cr, *clear);
  else cairo_set_source_rgba(cr, 0, 0, 0, 0);
  cairo_paint(cr);
  cairo_restore(cr);
  for (auto& r : roots) {
    cairo_save(cr);
    drawTree(pass, *r, nullptr, insideDamage);
    cairo_restore(cr);
  }
}

}  // namespace

void renderLayerTree(Layer& layer, gfx::Context& context) {
  cairo_t* cr = context.cairo();
  if (!cr) return;
  layer.layoutIfNeeded();
  gfx::Rect b = layer.bounds();
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, 0, 0);
  (void)b;
  cairo_save(cr);
  DrawPass pass{cr, context, nullptr, false};
  drawTree(pass, layer, &m, true);
  cairo_restore(cr);
}

Compositor::Compositor(gfx::Size size, double scale) : size_(size), scale_(scale > 0 ? scale : 1) {
  context_ = gfx::Context::createForImage(size_, false, scale_);
}

size_t Compositor::pixelWidth() const { return context_ ? context_->width() : 0; }
size_t Compositor::pixelHeight() const { return context_ ? context_->height() : 0; }
const uint8_t* Compositor::pixels() const { return context_ ? static_cast<const uint8_t*>(context_->data()) : nullptr; }
size_t Compositor::bytesPerRow() const { return context_ ? context_->bytesPerRow() : 0; }

bool Compositor::render(Layer& root) {
  Ref<Layer> keep = std::static_pointer_cast<Layer>(root.shared_from_this());
  return render(std::vector<Ref<Layer>>{keep});
}

void Compositor::renderAlways(Layer& root) {
  Ref<Layer> keep = std::static_pointer_cast<Layer>(root.shared_from_this());
  lastRoots_.clear();
  render(std::vector<Ref<Layer>>{keep});
}

bool Compositor::render(const std::vector<Ref<Layer>>& roots) {
  std::vector<Layer*> ids;
  bool dirty = frames_ == 0;
  for (auto& r : roots) {
    ids.push_back(r.get());
    dirty = dirty || r->needsComposite();
  }
  bool sameRoots = ids == lastRoots_;
  if (!dirty && sameRoots) return false;
  lastRoots_ = ids;
  if (!context_) return false;
  cairo_t* cr = context_->cairo();
  for (auto& r : roots) r->layoutIfNeeded();
  for (auto& r : roots) displayChanged(*r);

  // Only what changed is drawn again: the damaged area is the old and new places of every
  // layer that changed itself. A new frame, other roots or damage over most of the frame
  // redraw everything.
  cairo_matrix_t base;
  cairo_get_matrix(cr, &base);
  cairo_rectangle_int_t frame{0, 0, static_cast<int>(pixelWidth()), static_cast<int>(pixelHeight())};
  cairo_region_t* damage = cairo_region_create();
  bool full = frames_ == 0 || !sameRoots;
  if (!full) {
    for (auto& r : roots) {
      Ref<Layer> keep;
      const Layer& look = lookOf(*r, keep);
      cairo_matrix_t m, total;
      if (!toAffine(placement(look), look.bounds(), &m)) continue;
      cairo_matrix_multiply(&total, &m, &base);
      collectDamage(*r, total, damage);
    }
    cairo_region_intersect_rectangle(damage, &frame);
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(damage, &extents);
    full = static_cast<double>(extents.width) * extents.height > 0.6 * frame.width * frame.height;
  }
  if (full) {
    cairo_region_destroy(damage);
    damage = cairo_region_create_rectangle(&frame);
  }
  cairo_region_get_extents(damage, &lastDamage_);

  cairo_save(cr);
  if (!full) {
    cairo_identity_matrix(cr);
    for (int i = 0, n = cairo_region_num_rectangles(damage); i < n; ++i) {
      cairo_rectangle_int_t box;
      cairo_region_get_rectangle(damage, i, &box);
      cairo_rectangle(cr, box.x, box.y, box.width, box.height);
    }
    cairo_clip(cr);
    cairo_set_matrix(cr, &base);
  }
  DrawPass pass{cr, *context_, full ? nullptr : &lastDamage_, true};
  paintFrame(pass, clear_.get(), roots, full);
  for (auto& r : roots) r->clearNeedsComposite();
  cairo_restore(cr);
  cairo_region_destroy(damage);
  cairo_surface_flush(cairo_get_target(cr));
  ++frames_;
  return true;
}

Ref<gfx::BitmapImage> Compositor::redrawnWhole(const std::vector<Ref<Layer>>& roots) const {
  auto context = gfx::Context::createForImage(size_, false, scale_);
  if (!context) return nullptr;
  for (auto& r : roots) r->layoutIfNeeded();
  DrawPass pass{context->cairo(), *context, nullptr, false};
  paintFrame(pass, clear_.get(), roots, true);
  cairo_surface_flush(cairo_get_target(pass.cr));
  return context->makeImage();
}

uint32_t Compositor::pixelAt(size_t x, size_t y) const {
  if (!context_ || x >= pixelWidth() || y >= pixelHeight()) return 0;
  const uint8_t* row = pixels() + y * bytesPerRow();
  uint32_t p;
  std::memcpy(&p, row + x * 4, 4);
  uint32_t a = p >> 24;
  if (a == 0) return 0;
  auto un = [&](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return (a << 24) | (un((p >> 16) & 0xff) << 16) | (un((p >> 8) & 0xff) << 8) | un(p & 0xff);
}

Ref<gfx::BitmapImage> Compositor::image() const { return context_ ? context_->makeImage() : nullptr; }

bool Compositor::writePNG(const rt::String& path) const {
  if (!context_) return false;
  return cairo_surface_write_to_png(cairo_get_target(context_->cairo()), path.utf8().c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace ui
