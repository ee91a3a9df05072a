#include "platform/graphics/Context.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/CairoPathKeeper.h"
#include "platform/graphics/PixelLayout.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(Context) {}

namespace {

cairo_matrix_t toCairo(const AffineTransform& t) { return {t.a, t.b, t.c, t.d, t.tx, t.ty}; }
AffineTransform fromCairo(const cairo_matrix_t& m) { return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0}; }

cairo_status_t appendToData(void* closure, const unsigned char* bytes, unsigned int length) {
  static_cast<fd::MutableData*>(closure)->appendBytes(bytes, length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

Context::~Context() {
  if (kind_ == Kind::PDF) closePDF();
  if (textClip_) cairo_path_destroy(textClip_);
  if (cr_) cairo_destroy(cr_);
  if (surface_) cairo_surface_destroy(surface_);
}

void Context::note(const char*, std::initializer_list<double>) {}

bool Context::setUpSurface(cairo_surface_t* surface, double deviceHeight, bool flipped, double scale) {
  surface_ = surface;
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return false;
  cr_ = cairo_create(surface);
  if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) return false;
  deviceHeight_ = deviceHeight;
  scale_ = scale;
  if (flipped) {
    cairo_scale(cr_, scale, scale);
  } else {
    cairo_matrix_t m = {1, 0, 0, -1, 0, deviceHeight};
    cairo_set_matrix(cr_, &m);
  }
  state().fill = Color::blackColor();
  state().stroke = Color::blackColor();
  cairo_set_line_width(cr_, 1);
  cairo_set_miter_limit(cr_, 10);
  return true;
}

Ref<Context> Context::createBitmap(void* data, size_t width, size_t height, size_t bpc, size_t bytesPerRow,
                                   const Ref<ColorSpace>& space, uint32_t bitmapInfo) {
  if (width == 0 || height == 0 || width > 32767 || height > 32767 || bpc != 8) return nullptr;
  uint32_t alpha = bitmapInfo & BitmapAlphaInfoMask;
  if (alpha == ImageAlphaLast || alpha == ImageAlphaFirst || alpha > ImageAlphaOnly) return nullptr;
  PixelFormat f;
  f.width = width;
  f.height = height;
  f.bitsPerComponent = bpc;
  f.bitmapInfo = bitmapInfo;
  f.colorSpace = space;
  if (alpha == ImageAlphaOnly) {
    f.bitsPerPixel = 8;
  } else {
    if (!space) return nullptr;
    size_t comps = space->numberOfComponents() + (alpha == ImageAlphaNone ? 0 : 1);
    f.bitsPerPixel = comps * bpc;
  }
  f.bytesPerRow = bytesPerRow ? bytesPerRow : chosenBytesPerRow(width, f.bitsPerPixel);
  PixelLayout layout;
  if (!describeLayout(f, &layout)) return nullptr;

  auto ctx = rt::make<Context>();
  ctx->kind_ = Kind::Bitmap;
  ctx->format_ = f;
  ctx->opaque_ = alpha == ImageAlphaNone || alpha == ImageAlphaNoneSkipFirst || alpha == ImageAlphaNoneSkipLast;
  if (data) {
    ctx->data_ = data;
  } else {
    ctx->ownBuffer_.assign(f.bytesPerRow * height, 0);
    ctx->data_ = ctx->ownBuffer_.data();
  }
  cairo_surface_t* surface;
  if (f.isNative()) {
    surface = cairo_image_surface_create_for_data(static_cast<unsigned char*>(ctx->data_),
                                                  ctx->opaque_ ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                  static_cast<int>(width), static_cast<int>(height),
                                                  static_cast<int>(f.bytesPerRow));
  } else {
    // Draw natively and convert into the caller's layout after each drawing call.
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height));
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
      auto* dst = cairo_image_surface_get_data(surface);
      size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
      for (size_t y = 0; y < height; ++y)
        rowToNative(layout, static_cast<const uint8_t*>(ctx->data_) + y * f.bytesPerRow,
                    reinterpret_cast<uint32_t*>(dst + y * stride), width);
      cairo_surface_mark_dirty(surface);
    }
    ctx->converts_ = true;
  }
  if (!ctx->setUpSurface(surface, static_cast<double>(height), false, 1)) return nullptr;
  return ctx;
}

namespace {

// Pixels of a store large enough to be mapped on its own: fresh pages are zero already, so a
// store nobody draws into (a view with only a background colour) costs no page touched,
// where a cleared heap block would touch every page of it.
constexpr size_t kMappedStoreBytes = 256 * 1024;

struct StorePixels {
  void* bytes = nullptr;
  size_t size = 0;
  bool mapped = false;
};

const cairo_user_data_key_t kStorePixelsKey{};

void releaseStorePixels(void* p) {
  auto* pixels = static_cast<StorePixels*>(p);
  if (pixels->mapped) munmap(pixels->bytes, pixels->size);
  else std::free(pixels->bytes);
  delete pixels;
}

// A cleared image surface whose pixels it owns; null when it cannot be had.
cairo_surface_t* createZeroedImageSurface(cairo_format_t format, int width, int height) {
  int stride = cairo_format_stride_for_width(format, width);
  if (stride <= 0) return nullptr;
  auto* pixels = new StorePixels;
  pixels->size = static_cast<size_t>(stride) * static_cast<size_t>(height);
  if (pixels->size >= kMappedStoreBytes) {
    void* m = mmap(nullptr, pixels->size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    pixels->bytes = m == MAP_FAILED ? nullptr : m;
    pixels->mapped = pixels->bytes != nullptr;
  } else {
    pixels->bytes = std::calloc(pixels->size, 1);
  }
  if (!pixels->bytes) {
    delete pixels;
    return nullptr;
  }
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(static_cast<unsigned char*>(pixels->bytes), format, width, height, stride);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_set_user_data(surface, &kStorePixelsKey, pixels, releaseStorePixels) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    releaseStorePixels(pixels);
    return nullptr;
  }
  return surface;
}

}  // namespace

Ref<Context> Context::createForImage(Size size, bool opaque, double scale) {
  if (!(scale > 0)) scale = 1;
  if (!(size.width > 0) || !(size.height > 0)) return nullptr;
  double pw = std::ceil(size.width * scale - 1e-9), ph = std::ceil(size.height * scale - 1e-9);
  if (pw > 32767 || ph > 32767) return nullptr;
  auto ctx = rt::make<Context>();
  ctx->kind_ = Kind::Image;
  ctx->opaque_ = opaque;
  cairo_surface_t* surface = createZeroedImageSurface(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                      static_cast<int>(pw), static_cast<int>(ph));
  if (!surface) return nullptr;
  ctx->format_.width = static_cast<size_t>(pw);
  ctx->format_.height = static_cast<size_t>(ph);
  ctx->format_.bytesPerRow = static_cast<size_t>(cairo_image_surface_get_stride(surface));
  ctx->format_.bitmapInfo = opaque ? BitmapInfoNativeOpaque : BitmapInfoNativePremultiplied;
  ctx->format_.colorSpace = ColorSpace::deviceRGB();
  ctx->data_ = cairo_image_surface_get_data(surface);
  if (opaque) {
    for (size_t y = 0; y < ctx->format_.height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(ctx->data_) + y * ctx->format_.bytesPerRow);
      for (size_t x = 0; x < ctx->format_.width; ++x) row[x] = 0xFF000000u;
    }
    cairo_surface_mark_dirty(surface);
  }
  if (!ctx->setUpSurface(surface, ph, true, scale)) return nullptr;
  return ctx;
}

Ref<Context> Context::createPDF(const Ref<fd::MutableData>& data, const Rect& mediaBox, bool flipped) {
  Rect box = RectStandardize(mediaBox);
  if (!data || RectIsEmpty(box)) return nullptr;
  auto ctx = rt::make<Context>();
  ctx->kind_ = Kind::PDF;
  ctx->pdfData_ = data;
  ctx->mediaBox_ = box;
  ctx->pdfFlipped_ = flipped;
  cairo_surface_t* surface =
      cairo_pdf_surface_create_for_stream(appendToData, data.get(), box.size.width, box.size.height);
  if (!ctx->setUpSurface(surface, box.size.height, flipped, 1)) return nullptr;
  cairo_translate(ctx->cr_, -box.origin.x, -box.origin.y);
  return ctx;
}

// ---- bitmap facts

void Context::flush() { syncOut(); }

void Context::syncOut() {
  if (!surface_ || kind_ == Kind::PDF) return;
  cairo_surface_flush(surface_);
  if (!converts_) {
    // Cairo leaves the skipped byte as it computes it; readers of caller buffers expect 0xFF.
    if (opaque_ && kind_ == Kind::Bitmap) markOpaque(static_cast<uint8_t*>(data_));
    return;
  }
  PixelLayout layout;
  describeLayout(format_, &layout);
  const uint8_t* src = cairo_image_surface_get_data(surface_);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface_));
  for (size_t y = 0; y < format_.height; ++y)
    rowFromNative(layout, reinterpret_cast<const uint32_t*>(src + y * stride),
                  static_cast<uint8_t*>(data_) + y * format_.bytesPerRow, format_.width);
}

void Context::markOpaque(uint8_t* bytes) const {
  for (size_t y = 0; y < format_.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bytes + y * format_.bytesPerRow);
    for (size_t x = 0; x < format_.width; ++x) row[x] |= 0xFF000000u;
  }
}

Ref<BitmapImage> Context::makeImage() {
  if (kind_ == Kind::PDF || !data_) return nullptr;
  syncOut();
  if (!(opaque_ && format_.isNative())) return BitmapImage::createCopying(format_, data_);
  std::vector<uint8_t> bytes(static_cast<const uint8_t*>(data_),
                             static_cast<const uint8_t*>(data_) + format_.bytesPerRow * format_.height);
  markOpaque(bytes.data());
  return BitmapImage::create(format_, fd::Data::create(std::move(bytes)));
}

Ref<BitmapImage> Context::takeImage() {
  if (kind_ != Kind::Image || !surface_) return makeImage();
  syncOut();
  if (opaque_) markOpaque(static_cast<uint8_t*>(data_));
  cairo_surface_t* surface = surface_;
  surface_ = nullptr;
  data_ = nullptr;
  // Cairo's nil context ignores every call, so the finished context stays safe to use.
  cairo_destroy(cr_);
  cr_ = cairo_create(nullptr);
  return BitmapImage::createWithSurface(surface);
}

uint32_t Context::pixelAt(size_t x, size_t y) {
  if (kind_ == Kind::PDF || !surface_ || x >= format_.width || y >= format_.height) return 0;
  cairo_surface_flush(surface_);
  const uint8_t* src = cairo_image_surface_get_data(surface_);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface_));
  uint32_t p = reinterpret_cast<const uint32_t*>(src + y * stride)[x];
  if (cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_RGB24) p |= 0xFF000000u;
  return p;
}

// ---- state

void Context::saveGState() {
  log("saveGState");
  commitTextClip();
  cairo_save(cr_);
  states_.push_back(states_.back());
}

void Context::restoreGState() {
  log("restoreGState");
  commitTextClip();
  size_t floor = layers_.empty() ? 1 : layers_.back().depth + 1;
  if (states_.size() <= floor) return;
  cairo_restore(cr_);
  states_.pop_back();
}

void Context::applyTransform(const AffineTransform& t) {
  if (state().degenerate) return;
  cairo_matrix_t cur;
  cairo_get_matrix(cr_, &cur);
  AffineTransform next = AffineTransformConcat(t, fromCairo(cur));
  if (!AffineTransformIsInvertible(next)) {
    state().degenerate = true;
    return;
  }
  cairo_matrix_t m = toCairo(next);
  cairo_set_matrix(cr_, &m);
}

void Context::translateCTM(double tx, double ty) {
  log("translateCTM", {tx, ty});
  applyTransform(AffineTransformMakeTranslation(tx, ty));
}
void Context::scaleCTM(double sx, double sy) {
  log("scaleCTM", {sx, sy});
  applyTransform(AffineTransformMakeScale(sx, sy));
}
void Context::rotateCTM(double angle) {
  log("rotateCTM", {angle});
  applyTransform(AffineTransformMakeRotation(angle));
}
void Context::concatCTM(const AffineTransform& t) {
  log("concatCTM", {t.a, t.b, t.c, t.d, t.tx, t.ty});
  applyTransform(t);
}

AffineTransform Context::getCTM() const {
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  return AffineTransformConcat(fromCairo(m), AffineTransform{1, 0, 0, -1, 0, deviceHeight_});
}

void Context::setAlpha(double alpha) {
  log("setAlpha", {alpha});
  state().alpha = std::clamp(alpha, 0.0, 1.0);
}
void Context::setBlendMode(BlendMode mode) {
  log("setBlendMode", {static_cast<double>(mode)});
  state().blend = mode;
}
void Context::setInterpolationQuality(InterpolationQuality q) {
  log("setInterpolationQuality", {static_cast<double>(q)});
  state().interpolation = q;
}
void Context::setShouldAntialias(bool on) {
  log("setShouldAntialias", {on ? 1.0 : 0.0});
  state().antialias = on;
  cairo_set_antialias(cr_, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}
void Context::setAllowsAntialiasing(bool on) { log("setAllowsAntialiasing", {on ? 1.0 : 0.0}); }

void Context::setFillColor(const Ref<Color>& color) {
  double v[4] = {0, 0, 0, 0};
  if (color) color->rgba(v);
  log("setFillColor", {v[0], v[1], v[2], v[3]});
  state().fill = color ? color : Color::clearColor();
}
void Context::setStrokeColor(const Ref<Color>& color) {
  double v[4] = {0, 0, 0, 0};
  if (color) color->rgba(v);
  log("setStrokeColor", {v[0], v[1], v[2], v[3]});
  state().stroke = color ? color : Color::clearColor();
}
void Context::setRGBFillColor(double r, double g, double b, double a) {
  log("setFillColor", {r, g, b, a});
  state().fill = Color::colorWithRed(r, g, b, a);
}
void Context::setRGBStrokeColor(double r, double g, double b, double a) {
  log("setStrokeColor", {r, g, b, a});
  state().stroke = Color::colorWithRed(r, g, b, a);
}
void Context::setGrayFillColor(double w, double a) {
  log("setFillColor", {w, w, w, a});
  state().fill = Color::colorWithWhite(w, a);
}
void Context::setGrayStrokeColor(double w, double a) {
  log("setStrokeColor", {w, w, w, a});
  state().stroke = Color::colorWithWhite(w, a);
}

void Context::setLineWidth(double width) {
  log("setLineWidth", {width});
  state().lineWidth = std::max(0.0, width);
  cairo_set_line_width(cr_, state().lineWidth);
}
void Context::setLineCap(LineCap cap) {
  log("setLineCap", {static_cast<double>(cap)});
  state().cap = cap;
  cairo_set_line_cap(cr_, cap == LineCap::Round    ? CAIRO_LINE_CAP_ROUND
                          : cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                   : CAIRO_LINE_CAP_BUTT);
}
void Context::setLineJoin(LineJoin join) {
  log("setLineJoin", {static_cast<double>(join)});
  state().join = join;
  cairo_set_line_join(cr_, join == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                           : join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                     : CAIRO_LINE_JOIN_MITER);
}
void Context::setMiterLimit(double limit) {
  log("setMiterLimit", {limit});
  state().miterLimit = limit;
  cairo_set_miter_limit(cr_, std::max(1.0, limit));
}
void Context::setLineDash(double phase, const std::vector<double>& lengths) {
  log("setLineDash", {phase, static_cast<double>(lengths.size())});
  bool usable = !lengths.empty();
  double total = 0;
  for (double l : lengths) {
    if (l < 0) usable = false;
    total += l;
  }
  if (!usable || total <= 0) cairo_set_dash(cr_, nullptr, 0, 0);
  else cairo_set_dash(cr_, lengths.data(), static_cast<int>(lengths.size()), phase);
}
void Context::setFlatness(double flatness) {
  log("setFlatness", {flatness});
  cairo_set_tolerance(cr_, std::max(0.01, flatness * 0.1));
}

void Context::setShadowWithColor(Size offset, double blur, const Ref<Color>& color) {
  double v[4] = {0, 0, 0, 0};
  if (color) color->rgba(v);
  log("setShadow", {offset.width, offset.height, blur, v[0], v[1], v[2], v[3]});
  Shadow& s = state().shadow;
  s.offset = offset;
  s.blur = std::max(0.0, blur);
  std::memcpy(s.rgba, v, sizeof v);
  s.on = color && v[3] > 0;
}
void Context::setShadow(Size offset, double blur) {
  Quiet q(this);
  setShadowWithColor(offset, blur, Color::colorWithWhite(0, 1.0 / 3.0));
}

// ---- path

void Context::beginPath() {
  log("beginPath");
  cairo_new_path(cr_);
}
void Context::moveToPoint(double x, double y) {
  log("moveToPoint", {x, y});
  cairo_move_to(cr_, x, y);
}
void Context::addLineToPoint(double x, double y) {
  log("addLineToPoint", {x, y});
  if (cairo_has_current_point(cr_)) cairo_line_to(cr_, x, y);
  else cairo_move_to(cr_, x, y);
}
void Context::addCurveToPoint(double c1x, double c1y, double c2x, double c2y, double x, double y) {
  log("addCurveToPoint", {c1x, c1y, c2x, c2y, x, y});
  if (!cairo_has_current_point(cr_)) cairo_move_to(cr_, c1x, c1y);
  cairo_curve_to(cr_, c1x, c1y, c2x, c2y, x, y);
}
void Context::addQuadCurveToPoint(double cx, double cy, double x, double y) {
  log("addQuadCurveToPoint", {cx, cy, x, y});
  double x0 = cx, y0 = cy;
  if (cairo_has_current_point(cr_)) cairo_get_current_point(cr_, &x0, &y0);
  else cairo_move_to(cr_, cx, cy);
  cairo_curve_to(cr_, x0 + 2.0 / 3 * (cx - x0), y0 + 2.0 / 3 * (cy - y0), x + 2.0 / 3 * (cx - x), y + 2.0 / 3 * (cy - y),
                 x, y);
}

void Context::appendPath(const Path& path, bool continueSubpath) {
  bool first = true;
  for (const auto& e : path.elements()) {
    const Point* p = e.points;
    switch (e.type) {
      case PathElementType::MoveToPoint:
        if (!(first && continueSubpath)) cairo_move_to(cr_, p[0].x, p[0].y);
        break;
      case PathElementType::AddLineToPoint: cairo_line_to(cr_, p[0].x, p[0].y); break;
      case PathElementType::AddQuadCurveToPoint: {
        double x0, y0;
        cairo_get_current_point(cr_, &x0, &y0);
        cairo_curve_to(cr_, x0 + 2.0 / 3 * (p[0].x - x0), y0 + 2.0 / 3 * (p[0].y - y0),
                       p[1].x + 2.0 / 3 * (p[0].x - p[1].x), p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
        break;
      }
      case PathElementType::AddCurveToPoint:
        cairo_curve_to(cr_, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
        break;
      case PathElementType::CloseSubpath: cairo_close_path(cr_); break;
    }
    first = false;
  }
}

void Context::addArc(double x, double y, double radius, double start, double end, bool clockwise) {
  log("addArc", {x, y, radius, start, end, clockwise ? 1.0 : 0.0});
  auto p = MutablePath::create();
  bool has = cairo_has_current_point(cr_);
  if (has) {
    double cx, cy;
    cairo_get_current_point(cr_, &cx, &cy);
    p->moveToPoint(cx, cy);
  }
  p->addArc(x, y, radius, start, end, clockwise);
  appendPath(*p, has);
}

void Context::addArcToPoint(double x1, double y1, double x2, double y2, double radius) {
  log("addArcToPoint", {x1, y1, x2, y2, radius});
  if (!cairo_has_current_point(cr_)) return;
  double cx, cy;
  cairo_get_current_point(cr_, &cx, &cy);
  auto p = MutablePath::create();
  p->moveToPoint(cx, cy);
  p->addArcToPoint(x1, y1, x2, y2, radius);
  appendPath(*p, true);
}

void Context::addRect(const Rect& rect) {
  log("addRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  auto p = MutablePath::create();
  p->addRect(rect);
  appendPath(*p, false);
}
void Context::addRects(const std::vector<Rect>& rects) {
  log("addRects", {static_cast<double>(rects.size())});
  auto p = MutablePath::create();
  for (const auto& r : rects) p->addRect(r);
  appendPath(*p, false);
}
void Context::addLines(const std::vector<Point>& points) {
  log("addLines", {static_cast<double>(points.size())});
  auto p = MutablePath::create();
  p->addLines(points);
  appendPath(*p, false);
}
void Context::addEllipseInRect(const Rect& rect) {
  log("addEllipseInRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  auto p = MutablePath::create();
  p->addEllipseInRect(rect);
  appendPath(*p, false);
}
void Context::addPath(const Path& path) {
  log("addPath", {static_cast<double>(path.elements().size())});
  appendPath(path, false);
}
void Context::closePath() {
  log("closePath");
  if (cairo_has_current_point(cr_)) cairo_close_path(cr_);
}

bool Context::isPathEmpty() const {
  cairo_path_t* p = cairo_copy_path(cr_);
  bool empty = p->num_data == 0;
  cairo_path_destroy(p);
  return empty;
}

Point Context::getPathCurrentPoint() const {
  double x = 0, y = 0;
  if (cairo_has_current_point(cr_)) cairo_get_current_point(cr_, &x, &y);
  return {x, y};
}

Ref<Path> Context::copyPath() const {
  auto out = MutablePath::create();
  cairo_path_t* p = cairo_copy_path(cr_);
  for (int i = 0; i < p->num_data; i += p->data[i].header.length) {
    const cairo_path_data_t* d = &p->data[i];
    switch (d->header.type) {
      case CAIRO_PATH_MOVE_TO: out->moveToPoint(d[1].point.x, d[1].point.y); break;
      case CAIRO_PATH_LINE_TO: out->addLineToPoint(d[1].point.x, d[1].point.y); break;
      case CAIRO_PATH_CURVE_TO:
        out->addCurveToPoint(d[1].point.x, d[1].point.y, d[2].point.x, d[2].point.y, d[3].point.x, d[3].point.y);
        break;
      case CAIRO_PATH_CLOSE_PATH: out->closeSubpath(); break;
    }
  }
  cairo_path_destroy(p);
  return out->copyPath();
}

Rect Context::getPathBoundingBox() const {
  if (isPathEmpty()) return RectNull;
  return copyPath()->pathBoundingBox();
}

bool Context::pathContainsPoint(const Point& p, PathDrawingMode mode) const {
  auto path = copyPath();
  if (mode == PathDrawingMode::Stroke) {
    const GState& s = state();
    return path->copyByStrokingPath(s.lineWidth, s.cap, s.join, s.miterLimit)->containsPoint(p);
  }
  return path->containsPoint(p, mode == PathDrawingMode::EOFill || mode == PathDrawingMode::EOFillStroke);
}

void Context::replacePathWithStrokedPath() {
  log("replacePathWithStrokedPath");
  const GState& s = state();
  auto stroked = copyPath()->copyByStrokingPath(s.lineWidth, s.cap, s.join, s.miterLimit);
  cairo_new_path(cr_);
  appendPath(*stroked, false);
}

// ---- clipping

void Context::clip() {
  log("clip");
  commitTextClip();
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);
}
void Context::eoClip() {
  log("eoClip");
  commitTextClip();
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr_);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
}
void Context::clipToRect(const Rect& rect) {
  log("clipToRect", {rect.origin.x, rect.origin.y, rect.size.width, rect.size.height});
  commitTextClip();
  CairoPathKeeper keep(cr_);
  Rect r = RectStandardize(rect);
  if (RectIsNull(r)) r = RectZero;
  cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
  cairo_clip(cr_);
}
void Context::clipToRects(const std::vector<Rect>& rects) {
  log("clipToRects", {static_cast<double>(rects.size())});
  commitTextClip();
  CairoPathKeeper keep(cr_);
  for (const auto& rect : rects) {
    Rect r = RectStandardize(rect);
    if (!RectIsNull(r)) cairo_rectangle(cr_, r.origin.x, r.origin.y, r.size.width, r.size.height);
  }
  cairo_clip(cr_);
}
Rect Context::getClipBoundingBox() const {
  commitTextClip();
  double x1, y1, x2, y2;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  return RectMake(x1, y1, x2 - x1, y2 - y1);
}

// ---- PDF pages

void Context::beginPage(const Rect* mediaBox) {
  log("beginPage");
  commitTextClip();
  if (kind_ != Kind::PDF || pdfClosed_) return;
  if (pageOpen_) endPage();
  if (mediaBox && !RectIsEmpty(*mediaBox)) {
    Rect box = RectStandardize(*mediaBox);
    cairo_pdf_surface_set_size(surface_, box.size.width, box.size.height);
    deviceHeight_ = box.size.height;
    cairo_identity_matrix(cr_);
    if (!pdfFlipped_) {
      cairo_matrix_t m = {1, 0, 0, -1, 0, box.size.height};
      cairo_set_matrix(cr_, &m);
    }
    cairo_translate(cr_, -box.origin.x, -box.origin.y);
  }
  pageOpen_ = true;
}

void Context::endPage() {
  log("endPage");
  commitTextClip();
  if (kind_ != Kind::PDF || !pageOpen_) return;
  while (states_.size() > 1) {
    cairo_restore(cr_);
    states_.pop_back();
  }
  cairo_show_page(cr_);
  pageOpen_ = false;
}

void Context::closePDF() {
  if (kind_ != Kind::PDF || pdfClosed_) return;
  if (pageOpen_) endPage();
  cairo_surface_finish(surface_);
  pdfClosed_ = true;
}

}  // namespace gfx
