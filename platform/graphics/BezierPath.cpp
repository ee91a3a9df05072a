#include "platform/graphics/BezierPath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageContext.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(BezierPath) {
  c.property("lineWidth", &BezierPath::lineWidth, &BezierPath::setLineWidth);
  c.property("miterLimit", &BezierPath::miterLimit, &BezierPath::setMiterLimit);
  c.property("flatness", &BezierPath::flatness, &BezierPath::setFlatness);
  c.property("usesEvenOddFillRule", &BezierPath::usesEvenOddFillRule, &BezierPath::setUsesEvenOddFillRule);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<BezierPath> BezierPath::bezierPath() { return rt::make<BezierPath>(); }

Ref<BezierPath> BezierPath::bezierPathWithRect(const Rect& rect) {
  auto p = bezierPath();
  p->path_->addRect(rect);
  return p;
}

Ref<BezierPath> BezierPath::bezierPathWithOvalInRect(const Rect& rect) {
  auto p = bezierPath();
  p->path_->addEllipseInRect(rect);
  return p;
}

Ref<BezierPath> BezierPath::bezierPathWithRoundedRect(const Rect& rect, double radius) {
  return bezierPathWithRoundedRect(rect, RectCornerAllCorners, {radius, radius});
}

Ref<BezierPath> BezierPath::bezierPathWithRoundedRect(const Rect& rect, uint32_t corners, Size radii) {
  auto p = bezierPath();
  Rect r = RectStandardize(rect);
  if (RectIsNull(r)) return p;
  double rx = std::clamp(radii.width, 0.0, r.size.width / 2), ry = std::clamp(radii.height, 0.0, r.size.height / 2);
  double x1 = RectGetMinX(r), x2 = RectGetMaxX(r), y1 = RectGetMinY(r), y2 = RectGetMaxY(r);
  auto& m = *p->path_;
  // Clockwise in y-down space, starting after the top-left corner.
  auto corner = [&](uint32_t bit, double cx, double cy, double start, Point sharp) {
    if ((corners & bit) && rx > 0 && ry > 0) {
      AffineTransform t = AffineTransformMake(rx, 0, 0, ry, cx, cy);
      m.addRelativeArc(0, 0, 1, start, M_PI / 2, &t);
    } else {
      m.addLineToPoint(sharp.x, sharp.y);
    }
  };
  bool tl = (corners & RectCornerTopLeft) && rx > 0 && ry > 0;
  m.moveToPoint(tl ? x1 + rx : x1, y1);
  corner(RectCornerTopRight, x2 - rx, y1 + ry, -M_PI / 2, {x2, y1});
  corner(RectCornerBottomRight, x2 - rx, y2 - ry, 0, {x2, y2});
  corner(RectCornerBottomLeft, x1 + rx, y2 - ry, M_PI / 2, {x1, y2});
  corner(RectCornerTopLeft, x1 + rx, y1 + ry, M_PI, {x1, y1});
  m.closeSubpath();
  return p;
}

Ref<BezierPath> BezierPath::bezierPathWithArcCenter(Point c, double radius, double start, double end, bool clockwise) {
  auto p = bezierPath();
  p->addArcWithCenter(c, radius, start, end, clockwise);
  return p;
}

Ref<BezierPath> BezierPath::bezierPathWithCGPath(const Ref<Path>& path) {
  auto p = bezierPath();
  if (path) p->path_->addPath(*path);
  return p;
}

void BezierPath::moveToPoint(Point p) { path_->moveToPoint(p.x, p.y); }
void BezierPath::addLineToPoint(Point p) {
  if (!path_->hasCurrentPoint()) return;  // nothing to continue from: ignored
  path_->addLineToPoint(p.x, p.y);
}
void BezierPath::addQuadCurveToPoint(Point end, Point cp) {
  if (!path_->hasCurrentPoint()) return;
  path_->addQuadCurveToPoint(cp.x, cp.y, end.x, end.y);
}
void BezierPath::addCurveToPoint(Point end, Point c1, Point c2) {
  if (!path_->hasCurrentPoint()) return;
  path_->addCurveToPoint(c1.x, c1.y, c2.x, c2.y, end.x, end.y);
}
void BezierPath::addArcWithCenter(Point c, double radius, double start, double end, bool clockwise) {
  // Clockwise on screen (y down) is towards increasing angles: the y-up counter-clockwise.
  path_->addArc(c.x, c.y, radius, start, end, !clockwise);
}
void BezierPath::closePath() { path_->closeSubpath(); }
void BezierPath::removeAllPoints() { path_->removeAllPoints(); }
void BezierPath::appendPath(const BezierPath& other) { path_->addPath(*other.path_); }
void BezierPath::applyTransform(const AffineTransform& t) { path_->applyTransform(t); }

Rect BezierPath::bounds() const {
  Rect r = path_->boundingBox();
  return RectIsNull(r) ? RectZero : r;
}

void BezierPath::setCGPath(const Ref<Path>& path) {
  path_->removeAllPoints();
  if (path) path_->addPath(*path);
}

void BezierPath::setLineDash(const std::vector<double>& pattern, double phase) {
  dash_ = pattern;
  dashPhase_ = phase;
}

void BezierPath::applyStrokeSettings() const {
  auto c = currentContext();
  c->setLineWidth(lineWidth_);
  c->setLineCap(lineCap_);
  c->setLineJoin(lineJoin_);
  c->setMiterLimit(miterLimit_);
  c->setFlatness(flatness_);
  c->setLineDash(dashPhase_, dash_);
}

void BezierPath::fill() const {
  auto c = currentContext();
  if (!c) return;
  c->saveGState();
  c->beginPath();
  c->addPath(*path_);
  if (usesEvenOddFillRule_) c->eoFillPath();
  else c->fillPath();
  c->restoreGState();
}

void BezierPath::stroke() const {
  auto c = currentContext();
  if (!c) return;
  c->saveGState();
  applyStrokeSettings();
  c->beginPath();
  c->addPath(*path_);
  c->strokePath();
  c->restoreGState();
}

void BezierPath::fillWithBlendMode(int32_t blendMode, double alpha) const {
  auto c = currentContext();
  if (!c) return;
  c->saveGState();
  c->setBlendMode(static_cast<BlendMode>(blendMode));
  c->setAlpha(alpha);
  fill();
  c->restoreGState();
}

void BezierPath::strokeWithBlendMode(int32_t blendMode, double alpha) const {
  auto c = currentContext();
  if (!c) return;
  c->saveGState();
  c->setBlendMode(static_cast<BlendMode>(blendMode));
  c->setAlpha(alpha);
  stroke();
  c->restoreGState();
}

void BezierPath::addClip() const {
  auto c = currentContext();
  if (!c) return;
  c->beginPath();
  c->addPath(*path_);
  if (usesEvenOddFillRule_) c->eoClip();
  else c->clip();
}

rt::Id BezierPath::copy() const {
  auto p = bezierPath();
  p->path_->addPath(*path_);
  p->lineWidth_ = lineWidth_;
  p->lineCap_ = lineCap_;
  p->lineJoin_ = lineJoin_;
  p->miterLimit_ = miterLimit_;
  p->flatness_ = flatness_;
  p->usesEvenOddFillRule_ = usesEvenOddFillRule_;
  p->dash_ = dash_;
  p->dashPhase_ = dashPhase_;
  return p;
}

bool BezierPath::isEqual(const rt::Object* other) const {
  auto* o = dynamic_cast<const BezierPath*>(other);
  return o && (o == this || (o->path_->isEqual(path_.get()) && o->lineWidth_ == lineWidth_));
}

rt::String BezierPath::description() const {
  Rect b = bounds();
  return rt::String::format("<UIBezierPath: %@>", StringFromRect(b));
}

// Elements are stored as seven doubles each: the type and three points.
void BezierPath::encodeWithCoder(fd::KeyedArchiver& coder) const {
  std::vector<double> flat;
  for (const auto& e : path_->elements()) {
    flat.push_back(static_cast<double>(e.type));
    for (const Point& p : e.points) flat.insert(flat.end(), {p.x, p.y});
  }
  coder.encodeBytes(flat.data(), flat.size() * sizeof(double), "elements");
  coder.encodeDouble(lineWidth_, "lineWidth");
  coder.encodeInt32(static_cast<int32_t>(lineCap_), "lineCap");
  coder.encodeInt32(static_cast<int32_t>(lineJoin_), "lineJoin");
  coder.encodeDouble(miterLimit_, "miterLimit");
  coder.encodeDouble(flatness_, "flatness");
  coder.encodeBool(usesEvenOddFillRule_, "evenOdd");
  coder.encodeBytes(dash_.data(), dash_.size() * sizeof(double), "dash");
  coder.encodeDouble(dashPhase_, "dashPhase");
}

bool BezierPath::initWithCoder(fd::KeyedUnarchiver& coder) {
  std::vector<uint8_t> bytes = coder.decodeBytes("elements");
  if (bytes.size() % (7 * sizeof(double))) return false;
  std::vector<double> flat(bytes.size() / sizeof(double));
  if (!bytes.empty()) std::memcpy(flat.data(), bytes.data(), bytes.size());
  auto path = MutablePath::create();
  for (size_t i = 0; i < flat.size(); i += 7) {
    const double* v = &flat[i];
    switch (static_cast<int>(v[0])) {
      case 0: path->moveToPoint(v[1], v[2]); break;
      case 1: path->addLineToPoint(v[1], v[2]); break;
      case 2: path->addQuadCurveToPoint(v[1], v[2], v[3], v[4]); break;
      case 3: path->addCurveToPoint(v[1], v[2], v[3], v[4], v[5], v[6]); break;
      case 4: path->closeSubpath(); break;
      default: return false;
    }
  }
  std::vector<uint8_t> dash = coder.decodeBytes("dash");
  if (dash.size() % sizeof(double)) return false;
  int32_t cap = coder.decodeInt32("lineCap"), join = coder.decodeInt32("lineJoin");
  if (cap < 0 || cap > 2 || join < 0 || join > 2) return false;
  path_ = path;
  lineWidth_ = coder.decodeDouble("lineWidth");
  lineCap_ = static_cast<LineCap>(cap);
  lineJoin_ = static_cast<LineJoin>(join);
  miterLimit_ = coder.decodeDouble("miterLimit");
  flatness_ = coder.decodeDouble("flatness");
  usesEvenOddFillRule_ = coder.decodeBool("evenOdd");
  dash_.assign(dash.size() / sizeof(double), 0);
  if (!dash.empty()) std::memcpy(dash_.data(), dash.data(), dash.size());
  dashPhase_ = coder.decodeDouble("dashPhase");
  return true;
}

}  // namespace gfx
