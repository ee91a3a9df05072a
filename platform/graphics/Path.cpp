#include "platform/graphics/Path.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace gfx {

RT_IMPLEMENT_PLATFORM(Path) {
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
}
RT_IMPLEMENT_PLATFORM(MutablePath) {}

namespace {

int pointCount(PathElementType t) {
  switch (t) {
    case PathElementType::MoveToPoint:
    case PathElementType::AddLineToPoint: return 1;
    case PathElementType::AddQuadCurveToPoint: return 2;
    case PathElementType::AddCurveToPoint: return 3;
    default: return 0;
  }
}

Point mapped(const Point& p, const AffineTransform* t) { return t ? PointApplyAffineTransform(p, *t) : p; }

// Extremes of one coordinate of a cubic on [0, 1].
void cubicExtremes(double p0, double p1, double p2, double p3, double* lo, double* hi) {
  auto at = [&](double t) {
    double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
  };
  *lo = std::min(p0, p3);
  *hi = std::max(p0, p3);
  double a = -p0 + 3 * p1 - 3 * p2 + p3, b = 2 * (p0 - 2 * p1 + p2), c = p1 - p0;
  double roots[2];
  int n = 0;
  if (std::fabs(a) < 1e-12) {
    if (std::fabs(b) > 1e-12) roots[n++] = -c / b;
  } else {
    double disc = b * b - 4 * a * c;
    if (disc >= 0) {
      double s = std::sqrt(disc);
      roots[n++] = (-b + s) / (2 * a);
      roots[n++] = (-b - s) / (2 * a);
    }
  }
  for (int i = 0; i < n; ++i)
    if (roots[i] > 0 && roots[i] < 1) {
      double v = at(roots[i]);
      *lo = std::min(*lo, v);
      *hi = std::max(*hi, v);
    }
}

}  // namespace

bool PathElement::operator==(const PathElement& o) const {
  if (type != o.type) return false;
  for (int i = 0; i < pointCount(type); ++i)
    if (!(points[i] == o.points[i])) return false;
  return true;
}

void Path::push(PathElementType type, std::initializer_list<Point> points) {
  PathElement e;
  e.type = type;
  int i = 0;
  for (const Point& p : points) e.points[i++] = p;
  elements_.push_back(e);
  if (type == PathElementType::MoveToPoint) subpathStart_ = e.points[0];
  if (type == PathElementType::CloseSubpath) current_ = subpathStart_;
  else current_ = e.points[i - 1];
}

Ref<Path> Path::createWithRect(const Rect& rect, const AffineTransform* t) {
  auto p = MutablePath::create();
  p->addRect(rect, t);
  return p->copyPath();
}
Ref<Path> Path::createWithEllipseInRect(const Rect& rect, const AffineTransform* t) {
  auto p = MutablePath::create();
  p->addEllipseInRect(rect, t);
  return p->copyPath();
}
Ref<Path> Path::createWithRoundedRect(const Rect& rect, double cw, double ch, const AffineTransform* t) {
  auto p = MutablePath::create();
  p->addRoundedRect(rect, cw, ch, t);
  return p->copyPath();
}

Rect Path::boundingBox() const {
  double x1 = INFINITY, y1 = INFINITY, x2 = -INFINITY, y2 = -INFINITY;
  for (const auto& e : elements_)
    for (int i = 0; i < pointCount(e.type); ++i) {
      x1 = std::min(x1, e.points[i].x), y1 = std::min(y1, e.points[i].y);
      x2 = std::max(x2, e.points[i].x), y2 = std::max(y2, e.points[i].y);
    }
  if (x1 > x2) return RectNull;
  return RectMake(x1, y1, x2 - x1, y2 - y1);
}

Rect Path::pathBoundingBox() const {
  double x1 = INFINITY, y1 = INFINITY, x2 = -INFINITY, y2 = -INFINITY;
  auto add = [&](double lx, double ly, double hx, double hy) {
    x1 = std::min(x1, lx), y1 = std::min(y1, ly), x2 = std::max(x2, hx), y2 = std::max(y2, hy);
  };
  Point cur;
  for (const auto& e : elements_) {
    const Point* p = e.points;
    switch (e.type) {
      case PathElementType::MoveToPoint:
      case PathElementType::AddLineToPoint: add(p[0].x, p[0].y, p[0].x, p[0].y); break;
      case PathElementType::AddQuadCurveToPoint:
      case PathElementType::AddCurveToPoint: {
        Point c1 = p[0], c2 = p[1], end = p[1];
        if (e.type == PathElementType::AddQuadCurveToPoint) {
          c1 = {cur.x + 2.0 / 3 * (p[0].x - cur.x), cur.y + 2.0 / 3 * (p[0].y - cur.y)};
          c2 = {end.x + 2.0 / 3 * (p[0].x - end.x), end.y + 2.0 / 3 * (p[0].y - end.y)};
        } else {
          end = p[2];
        }
        double lx, hx, ly, hy;
        cubicExtremes(cur.x, c1.x, c2.x, end.x, &lx, &hx);
        cubicExtremes(cur.y, c1.y, c2.y, end.y, &ly, &hy);
        add(lx, ly, hx, hy);
        break;
      }
      default: break;
    }
    if (pointCount(e.type)) cur = p[pointCount(e.type) - 1];
  }
  if (x1 > x2) return RectNull;
  return RectMake(x1, y1, x2 - x1, y2 - y1);
}

void Path::flatten(std::vector<std::vector<Point>>* polys, std::vector<bool>* closed, int steps) const {
  polys->clear();
  closed->clear();
  Point cur, start;
  auto ensure = [&] {
    if (polys->empty() || (*closed).back()) {
      polys->push_back({cur});
      closed->push_back(false);
    }
  };
  for (const auto& e : elements_) {
    const Point* p = e.points;
    switch (e.type) {
      case PathElementType::MoveToPoint:
        cur = start = p[0];
        polys->push_back({cur});
        closed->push_back(false);
        break;
      case PathElementType::AddLineToPoint:
        ensure();
        polys->back().push_back(p[0]);
        cur = p[0];
        break;
      case PathElementType::AddQuadCurveToPoint:
        ensure();
        for (int i = 1; i <= steps; ++i) {
          double t = double(i) / steps, u = 1 - t;
          polys->back().push_back({u * u * cur.x + 2 * u * t * p[0].x + t * t * p[1].x,
                                   u * u * cur.y + 2 * u * t * p[0].y + t * t * p[1].y});
        }
        cur = p[1];
        break;
      case PathElementType::AddCurveToPoint:
        ensure();
        for (int i = 1; i <= steps; ++i) {
          double t = double(i) / steps, u = 1 - t;
          double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
          polys->back().push_back({a * cur.x + b * p[0].x + c * p[1].x + d * p[2].x,
                                   a * cur.y + b * p[0].y + c * p[1].y + d * p[2].y});
        }
        cur = p[2];
        break;
      case PathElementType::CloseSubpath:
        if (!polys->empty() && !closed->back()) closed->back() = true;
        cur = start;
        break;
    }
  }
}

bool Path::containsPoint(const Point& pt, bool evenOdd, const AffineTransform* transform) const {
  Point q = pt;
  if (transform) q = PointApplyAffineTransform(pt, AffineTransformInvert(*transform));
  std::vector<std::vector<Point>> polys;
  std::vector<bool> closed;
  flatten(&polys, &closed);
  int winding = 0, crossings = 0;
  for (const auto& poly : polys) {
    size_t n = poly.size();
    if (n < 3) continue;
    for (size_t i = 0; i < n; ++i) {
      const Point& a = poly[i];
      const Point& b = poly[(i + 1) % n];
      if ((a.y <= q.y) != (b.y <= q.y)) {
        double x = a.x + (q.y - a.y) * (b.x - a.x) / (b.y - a.y);
        if (x > q.x) {
          ++crossings;
          winding += b.y > a.y ? 1 : -1;
        }
      }
    }
  }
  return evenOdd ? (crossings % 2) == 1 : winding != 0;
}

bool Path::isRect(Rect* rect) const {
  size_t n = elements_.size();
  if (n < 4 || elements_[0].type != PathElementType::MoveToPoint) return false;
  std::vector<Point> pts{elements_[0].points[0]};
  size_t i = 1;
  for (; i < n && elements_[i].type == PathElementType::AddLineToPoint; ++i) pts.push_back(elements_[i].points[0]);
  if (i < n && elements_[i].type == PathElementType::CloseSubpath) ++i;
  if (i != n) return false;
  if (pts.size() == 5 && pts[4] == pts[0]) pts.pop_back();
  if (pts.size() != 4) return false;
  for (size_t k = 0; k < 4; ++k) {
    const Point& a = pts[k];
    const Point& b = pts[(k + 1) % 4];
    const Point& c = pts[(k + 2) % 4];
    bool ab = a.x == b.x || a.y == b.y, bc = b.x == c.x || b.y == c.y;
    if (!ab || !bc || (a.x == b.x) == (b.x == c.x)) return false;
  }
  if (rect) {
    double x1 = std::min({pts[0].x, pts[2].x}), x2 = std::max({pts[0].x, pts[2].x});
    double y1 = std::min({pts[0].y, pts[2].y}), y2 = std::max({pts[0].y, pts[2].y});
    *rect = RectMake(x1, y1, x2 - x1, y2 - y1);
  }
  return true;
}

void Path::apply(const std::function<void(const PathElement&)>& visit) const {
  for (const auto& e : elements_) visit(e);
}

Ref<Path> Path::copyPath() const {
  auto p = rt::make<Path>();
  p->elements_ = elements_;
  p->current_ = current_;
  p->subpathStart_ = subpathStart_;
  return p;
}

Ref<MutablePath> Path::mutableCopyPath() const {
  auto p = MutablePath::create();
  p->addPath(*this);
  return p;
}

Ref<Path> Path::copyByTransformingPath(const AffineTransform& t) const {
  auto p = mutableCopyPath();
  p->applyTransform(t);
  return p->copyPath();
}

void Path::appendToCairo(cairo_t* cr) const {
  Point cur;
  for (const auto& e : elements_) {
    const Point* p = e.points;
    switch (e.type) {
      case PathElementType::MoveToPoint: cairo_move_to(cr, p[0].x, p[0].y); cur = p[0]; break;
      case PathElementType::AddLineToPoint: cairo_line_to(cr, p[0].x, p[0].y); cur = p[0]; break;
      case PathElementType::AddQuadCurveToPoint:
        cairo_curve_to(cr, cur.x + 2.0 / 3 * (p[0].x - cur.x), cur.y + 2.0 / 3 * (p[0].y - cur.y),
                       p[1].x + 2.0 / 3 * (p[0].x - p[1].x), p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
        cur = p[1];
        break;
      case PathElementType::AddCurveToPoint:
        cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
        cur = p[2];
        break;
      case PathElementType::CloseSubpath: {
        cairo_close_path(cr);
        double x, y;
        cairo_get_current_point(cr, &x, &y);
        cur = {x, y};
        break;
      }
    }
  }
}

bool Path::isEqual(const rt::Object* other) const {
  auto* o = dynamic_cast<const Path*>(other);
  return o && o->elements_ == elements_;
}

size_t Path::hash() const { return elements_.size(); }

rt::Id Path::copy() const { return copyPath(); }
rt::Id Path::mutableCopy() const { return mutableCopyPath(); }
rt::Id MutablePath::copy() const { return copyPath(); }

rt::String Path::description() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "<CGPath %p> (%zu elements)", static_cast<const void*>(this), elements_.size());
  return rt::String(buf);
}

// ---- building

void MutablePath::moveToPoint(double x, double y, const AffineTransform* t) {
  push(PathElementType::MoveToPoint, {mapped({x, y}, t)});
}
void MutablePath::addLineToPoint(double x, double y, const AffineTransform* t) {
  if (!hasCurrentPoint()) return moveToPoint(x, y, t);
  push(PathElementType::AddLineToPoint, {mapped({x, y}, t)});
}
void MutablePath::addQuadCurveToPoint(double cpx, double cpy, double x, double y, const AffineTransform* t) {
  if (!hasCurrentPoint()) moveToPoint(cpx, cpy, t);
  push(PathElementType::AddQuadCurveToPoint, {mapped({cpx, cpy}, t), mapped({x, y}, t)});
}
void MutablePath::addCurveToPoint(double c1x, double c1y, double c2x, double c2y, double x, double y,
                                  const AffineTransform* t) {
  if (!hasCurrentPoint()) moveToPoint(c1x, c1y, t);
  push(PathElementType::AddCurveToPoint, {mapped({c1x, c1y}, t), mapped({c2x, c2y}, t), mapped({x, y}, t)});
}
void MutablePath::closeSubpath() {
  if (!hasCurrentPoint() || elements_.back().type == PathElementType::CloseSubpath) return;
  push(PathElementType::CloseSubpath, {});
}

void MutablePath::addRect(const Rect& rect, const AffineTransform* t) {
  Rect r = RectStandardize(rect);
  if (RectIsNull(r)) return;
  double x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
  moveToPoint(x, y, t);
  addLineToPoint(x + w, y, t);
  addLineToPoint(x + w, y + h, t);
  addLineToPoint(x, y + h, t);
  closeSubpath();
}

void MutablePath::addLines(const std::vector<Point>& points, const AffineTransform* t) {
  for (size_t i = 0; i < points.size(); ++i) {
    if (i == 0) moveToPoint(points[i].x, points[i].y, t);
    else addLineToPoint(points[i].x, points[i].y, t);
  }
}

void MutablePath::addEllipseInRect(const Rect& rect, const AffineTransform* t) {
  Rect r = RectStandardize(rect);
  if (RectIsNull(r)) return;
  double rx = r.size.width / 2, ry = r.size.height / 2;
  double cx = r.origin.x + rx, cy = r.origin.y + ry;
  AffineTransform m = AffineTransformMake(rx, 0, 0, ry, cx, cy);
  if (t) m = AffineTransformConcat(m, *t);
  moveToPoint(1, 0, &m);
  arcSegments(0, 0, 1, 0, 2 * M_PI, &m);
  closeSubpath();
}

void MutablePath::addRoundedRect(const Rect& rect, double cw, double ch, const AffineTransform* t) {
  Rect r = RectStandardize(rect);
  if (RectIsNull(r)) return;
  cw = std::clamp(cw, 0.0, r.size.width / 2);
  ch = std::clamp(ch, 0.0, r.size.height / 2);
  if (cw == 0 || ch == 0) return addRect(r, t);
  double x1 = RectGetMinX(r), x2 = RectGetMaxX(r), y1 = RectGetMinY(r), y2 = RectGetMaxY(r);
  // Each corner is a quarter ellipse: unit arcs scaled into place.
  auto corner = [&](double cx, double cy, double start) {
    AffineTransform m = AffineTransformMake(cw, 0, 0, ch, cx, cy);
    if (t) m = AffineTransformConcat(m, *t);
    arcSegments(0, 0, 1, start, M_PI / 2, &m);
  };
  moveToPoint(x1 + cw, y1, t);
  addLineToPoint(x2 - cw, y1, t);
  corner(x2 - cw, y1 + ch, -M_PI / 2);
  addLineToPoint(x2, y2 - ch, t);
  corner(x2 - cw, y2 - ch, 0);
  addLineToPoint(x1 + cw, y2, t);
  corner(x1 + cw, y2 - ch, M_PI / 2);
  addLineToPoint(x1, y1 + ch, t);
  corner(x1 + cw, y1 + ch, M_PI);
  closeSubpath();
}

void MutablePath::arcSegments(double cx, double cy, double r, double start, double delta, const AffineTransform* t) {
  int n = std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (M_PI / 2) - 1e-9)));
  double step = delta / n;
  double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < n; ++i) {
    double a0 = start + i * step, a1 = a0 + step;
    double c0 = std::cos(a0), s0 = std::sin(a0), c1 = std::cos(a1), s1 = std::sin(a1);
    addCurveToPoint(cx + r * (c0 - k * s0), cy + r * (s0 + k * c0), cx + r * (c1 + k * s1), cy + r * (s1 - k * c1),
                    cx + r * c1, cy + r * s1, t);
  }
}

void MutablePath::addArc(double cx, double cy, double r, double start, double end, bool clockwise,
                         const AffineTransform* t) {
  double delta = end - start;
  const double full = 2 * M_PI;
  if (clockwise) {
    if (delta <= -full) delta = -full;
    else {
      delta = std::fmod(delta, full);
      if (delta > 0) delta -= full;
    }
  } else {
    if (delta >= full) delta = full;
    else {
      delta = std::fmod(delta, full);
      if (delta < 0) delta += full;
    }
  }
  addRelativeArc(cx, cy, r, start, delta, t);
}

void MutablePath::addRelativeArc(double cx, double cy, double r, double start, double delta, const AffineTransform* t) {
  double sx = cx + r * std::cos(start), sy = cy + r * std::sin(start);
  if (hasCurrentPoint() && elements_.back().type != PathElementType::CloseSubpath) addLineToPoint(sx, sy, t);
  else moveToPoint(sx, sy, t);
  if (delta != 0 && r > 0) arcSegments(cx, cy, r, start, delta, t);
}

void MutablePath::addArcToPoint(double x1, double y1, double x2, double y2, double r, const AffineTransform* t) {
  if (!hasCurrentPoint()) return;
  // The current point is stored transformed; work in the untransformed space.
  Point p0 = current_;
  if (t) p0 = PointApplyAffineTransform(p0, AffineTransformInvert(*t));
  double v1x = p0.x - x1, v1y = p0.y - y1, v2x = x2 - x1, v2y = y2 - y1;
  double l1 = std::hypot(v1x, v1y), l2 = std::hypot(v2x, v2y);
  double cross = v1x * v2y - v1y * v2x;
  if (r <= 0 || l1 == 0 || l2 == 0 || std::fabs(cross) < 1e-12 * l1 * l2) return addLineToPoint(x1, y1, t);
  v1x /= l1, v1y /= l1, v2x /= l2, v2y /= l2;
  double cosTheta = std::clamp(v1x * v2x + v1y * v2y, -1.0, 1.0);
  double theta = std::acos(cosTheta);
  double dist = r / std::tan(theta / 2);
  double t1x = x1 + v1x * dist, t1y = y1 + v1y * dist, t2x = x1 + v2x * dist, t2y = y1 + v2y * dist;
  double bx = v1x + v2x, by = v1y + v2y, bl = std::hypot(bx, by);
  double cd = r / std::sin(theta / 2);
  double cx = x1 + bx / bl * cd, cy = y1 + by / bl * cd;
  double a1 = std::atan2(t1y - cy, t1x - cx), a2 = std::atan2(t2y - cy, t2x - cx);
  double delta = a2 - a1;
  while (delta > M_PI) delta -= 2 * M_PI;
  while (delta < -M_PI) delta += 2 * M_PI;
  addLineToPoint(t1x, t1y, t);
  arcSegments(cx, cy, r, a1, delta, t);
}

void MutablePath::addPath(const Path& other, const AffineTransform* t) {
  for (const auto& e : other.elements()) {
    const Point* p = e.points;
    switch (e.type) {
      case PathElementType::MoveToPoint: moveToPoint(p[0].x, p[0].y, t); break;
      case PathElementType::AddLineToPoint: addLineToPoint(p[0].x, p[0].y, t); break;
      case PathElementType::AddQuadCurveToPoint: addQuadCurveToPoint(p[0].x, p[0].y, p[1].x, p[1].y, t); break;
      case PathElementType::AddCurveToPoint:
        addCurveToPoint(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, t);
        break;
      case PathElementType::CloseSubpath: push(PathElementType::CloseSubpath, {}); break;
    }
  }
}

void MutablePath::removeAllPoints() {
  elements_.clear();
  current_ = subpathStart_ = Point{};
}

void MutablePath::applyTransform(const AffineTransform& t) {
  for (auto& e : elements_)
    for (int i = 0; i < pointCount(e.type); ++i) e.points[i] = PointApplyAffineTransform(e.points[i], t);
  current_ = PointApplyAffineTransform(current_, t);
  subpathStart_ = PointApplyAffineTransform(subpathStart_, t);
}

}  // namespace gfx
