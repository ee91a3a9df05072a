#include "platform/graphics/Geometry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace gfx {

namespace {

struct Edges {
  double x1, y1, x2, y2;
};

Edges edgesOf(const Rect& r) {
  Rect s = RectStandardize(r);
  return {s.origin.x, s.origin.y, s.origin.x + s.size.width, s.origin.y + s.size.height};
}

Rect rectFromEdges(double x1, double y1, double x2, double y2) { return {{x1, y1}, {x2 - x1, y2 - y1}}; }

std::string number(double v) {
  if (v == 0) v = 0;  // no "-0"
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

std::vector<double> numbersIn(const rt::String& s) {
  std::string text = s.utf8();
  std::vector<double> out;
  const char* p = text.c_str();
  while (*p) {
    if (*p == '-' || *p == '+' || *p == '.' || (*p >= '0' && *p <= '9')) {
      char* end = nullptr;
      double v = std::strtod(p, &end);
      if (end == p) {
        ++p;
        continue;
      }
      out.push_back(v);
      p = end;
    } else {
      ++p;
    }
  }
  return out;
}

}  // namespace

double RectGetMinX(const Rect& r) { return edgesOf(r).x1; }
double RectGetMaxX(const Rect& r) { return edgesOf(r).x2; }
double RectGetMidX(const Rect& r) {
  Edges e = edgesOf(r);
  return e.x1 + (e.x2 - e.x1) / 2;
}
double RectGetMinY(const Rect& r) { return edgesOf(r).y1; }
double RectGetMaxY(const Rect& r) { return edgesOf(r).y2; }
double RectGetMidY(const Rect& r) {
  Edges e = edgesOf(r);
  return e.y1 + (e.y2 - e.y1) / 2;
}
double RectGetWidth(const Rect& r) { return std::fabs(r.size.width); }
double RectGetHeight(const Rect& r) { return std::fabs(r.size.height); }

bool RectIsNull(const Rect& r) { return std::isinf(r.origin.x) || std::isinf(r.origin.y); }
bool RectIsInfinite(const Rect& r) { return r == RectInfinite; }
bool RectIsEmpty(const Rect& r) { return RectIsNull(r) || r.size.width == 0 || r.size.height == 0; }

Rect RectStandardize(const Rect& r) {
  if (RectIsNull(r) || RectIsInfinite(r)) return r;
  Rect s = r;
  if (s.size.width < 0) {
    s.origin.x += s.size.width;
    s.size.width = -s.size.width;
  }
  if (s.size.height < 0) {
    s.origin.y += s.size.height;
    s.size.height = -s.size.height;
  }
  return s;
}

Rect RectInset(const Rect& r, double dx, double dy) {
  if (RectIsNull(r)) return RectNull;
  Rect s = RectStandardize(r);
  s.origin.x += dx;
  s.origin.y += dy;
  s.size.width -= 2 * dx;
  s.size.height -= 2 * dy;
  if (s.size.width < 0 || s.size.height < 0) return RectNull;
  return s;
}

Rect RectOffset(const Rect& r, double dx, double dy) {
  if (RectIsNull(r)) return RectNull;
  Rect s = RectStandardize(r);
  s.origin.x += dx;
  s.origin.y += dy;
  return s;
}

Rect RectUnion(const Rect& a, const Rect& b) {
  if (RectIsNull(a)) return RectStandardize(b);
  if (RectIsNull(b)) return RectStandardize(a);
  if (RectIsInfinite(a) || RectIsInfinite(b)) return RectInfinite;
  Edges ea = edgesOf(a), eb = edgesOf(b);
  return rectFromEdges(std::min(ea.x1, eb.x1), std::min(ea.y1, eb.y1), std::max(ea.x2, eb.x2), std::max(ea.y2, eb.y2));
}

Rect RectIntersection(const Rect& a, const Rect& b) {
  if (RectIsNull(a) || RectIsNull(b)) return RectNull;
  if (RectIsInfinite(a)) return RectStandardize(b);
  if (RectIsInfinite(b)) return RectStandardize(a);
  Edges ea = edgesOf(a), eb = edgesOf(b);
  double x1 = std::max(ea.x1, eb.x1), y1 = std::max(ea.y1, eb.y1);
  double x2 = std::min(ea.x2, eb.x2), y2 = std::min(ea.y2, eb.y2);
  if (x1 > x2 || y1 > y2) return RectNull;
  return rectFromEdges(x1, y1, x2, y2);
}

bool RectIntersectsRect(const Rect& a, const Rect& b) {
  if (RectIsNull(a) || RectIsNull(b)) return false;
  Edges ea = edgesOf(a), eb = edgesOf(b);
  return std::max(ea.x1, eb.x1) < std::min(ea.x2, eb.x2) && std::max(ea.y1, eb.y1) < std::min(ea.y2, eb.y2);
}

bool RectContainsPoint(const Rect& r, const Point& p) {
  if (RectIsNull(r)) return false;
  Edges e = edgesOf(r);
  return p.x >= e.x1 && p.x < e.x2 && p.y >= e.y1 && p.y < e.y2;
}

bool RectContainsRect(const Rect& outer, const Rect& inner) {
  if (RectIsNull(outer)) return false;
  if (RectIsNull(inner)) return true;
  return RectEqualToRect(RectUnion(outer, inner), outer);
}

bool RectEqualToRect(const Rect& a, const Rect& b) {
  if (RectIsNull(a) || RectIsNull(b)) return RectIsNull(a) && RectIsNull(b);
  return RectStandardize(a) == RectStandardize(b);
}

Rect RectIntegral(const Rect& r) {
  if (RectIsNull(r) || RectIsInfinite(r)) return r;
  Edges e = edgesOf(r);
  return rectFromEdges(std::floor(e.x1), std::floor(e.y1), std::ceil(e.x2), std::ceil(e.y2));
}

void RectDivide(const Rect& r, Rect* slice, Rect* remainder, double amount, RectEdge edge) {
  Rect s = RectStandardize(r), rest;
  if (RectIsNull(r)) {
    if (slice) *slice = RectNull;
    if (remainder) *remainder = RectNull;
    return;
  }
  bool horizontal = edge == RectEdge::MinX || edge == RectEdge::MaxX;
  double extent = horizontal ? s.size.width : s.size.height;
  amount = std::clamp(amount, 0.0, extent);
  Rect cut = s;
  rest = s;
  switch (edge) {
    case RectEdge::MinX:
      cut.size.width = amount;
      rest.origin.x += amount;
      rest.size.width -= amount;
      break;
    case RectEdge::MaxX:
      cut.origin.x = s.origin.x + s.size.width - amount;
      cut.size.width = amount;
      rest.size.width -= amount;
      break;
    case RectEdge::MinY:
      cut.size.height = amount;
      rest.origin.y += amount;
      rest.size.height -= amount;
      break;
    case RectEdge::MaxY:
      cut.origin.y = s.origin.y + s.size.height - amount;
      cut.size.height = amount;
      rest.size.height -= amount;
      break;
  }
  if (slice) *slice = cut;
  if (remainder) *remainder = rest;
}

bool PointEqualToPoint(const Point& a, const Point& b) { return a == b; }
bool SizeEqualToSize(const Size& a, const Size& b) { return a == b; }

Rect EdgeInsetsInsetRect(const Rect& r, const EdgeInsets& e) {
  return {{r.origin.x + e.left, r.origin.y + e.top},
          {r.size.width - e.left - e.right, r.size.height - e.top - e.bottom}};
}
bool EdgeInsetsEqualToEdgeInsets(const EdgeInsets& a, const EdgeInsets& b) { return a == b; }

rt::String StringFromPoint(const Point& p) { return rt::String(std::string("{") + number(p.x) + ", " + number(p.y) + "}"); }
rt::String StringFromSize(const Size& s) { return rt::String(std::string("{") + number(s.width) + ", " + number(s.height) + "}"); }
rt::String StringFromRect(const Rect& r) {
  return rt::String(std::string("{{") + number(r.origin.x) + ", " + number(r.origin.y) + "}, {" + number(r.size.width) + ", " +
                    number(r.size.height) + "}}");
}
rt::String StringFromEdgeInsets(const EdgeInsets& e) {
  return rt::String(std::string("{") + number(e.top) + ", " + number(e.left) + ", " + number(e.bottom) + ", " + number(e.right) + "}");
}
rt::String StringFromOffset(const Offset& o) {
  return rt::String(std::string("{") + number(o.horizontal) + ", " + number(o.vertical) + "}");
}
rt::String StringFromVector(const Vector& v) { return rt::String(std::string("{") + number(v.dx) + ", " + number(v.dy) + "}"); }
rt::String StringFromAffineTransform(const AffineTransform& t) {
  return rt::String(std::string("[") + number(t.a) + ", " + number(t.b) + ", " + number(t.c) + ", " + number(t.d) + ", " +
                    number(t.tx) + ", " + number(t.ty) + "]");
}

Point PointFromString(const rt::String& s) {
  auto n = numbersIn(s);
  return n.size() == 2 ? Point{n[0], n[1]} : Point{};
}
Size SizeFromString(const rt::String& s) {
  auto n = numbersIn(s);
  return n.size() == 2 ? Size{n[0], n[1]} : Size{};
}
Rect RectFromString(const rt::String& s) {
  auto n = numbersIn(s);
  return n.size() == 4 ? RectMake(n[0], n[1], n[2], n[3]) : Rect{};
}
EdgeInsets EdgeInsetsFromString(const rt::String& s) {
  auto n = numbersIn(s);
  return n.size() == 4 ? EdgeInsets{n[0], n[1], n[2], n[3]} : EdgeInsets{};
}

}  // namespace gfx
