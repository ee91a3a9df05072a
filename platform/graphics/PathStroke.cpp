// Stroke outlines: the area a stroke covers, built as a union of same-orientation pieces
// (one quadrilateral per segment, join and cap pieces) so that a non-zero fill paints it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/graphics/Path.h"

namespace gfx {

namespace {

struct Outline {
  Ref<MutablePath> path = MutablePath::create();

  void polygon(std::vector<Point> pts) {
    if (pts.size() < 3) return;
    double area = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
      const Point& a = pts[i];
      const Point& b = pts[(i + 1) % pts.size()];
      area += a.x * b.y - b.x * a.y;
    }
    if (area == 0) return;
    if (area < 0) std::reverse(pts.begin(), pts.end());
    path->addLines(pts);
    path->closeSubpath();
  }
  // Ellipses are built with increasing angles: positive orientation, like polygon().
  void disc(const Point& c, double r) { path->addEllipseInRect(RectMake(c.x - r, c.y - r, 2 * r, 2 * r)); }
};

Point add(Point a, double x, double y) { return {a.x + x, a.y + y}; }

}  // namespace

Ref<Path> Path::copyByStrokingPath(double lineWidth, LineCap cap, LineJoin join, double miterLimit,
                                   const AffineTransform* transform) const {
  std::vector<std::vector<Point>> polys;
  std::vector<bool> closed;
  flatten(&polys, &closed, 16);
  Outline out;
  double hw = lineWidth / 2;
  if (hw <= 0) return out.path->copyPath();
  for (size_t k = 0; k < polys.size(); ++k) {
    std::vector<Point> pts;
    for (const Point& p : polys[k])
      if (pts.empty() || std::hypot(p.x - pts.back().x, p.y - pts.back().y) > 1e-9) pts.push_back(p);
    bool isClosed = closed[k];
    if (isClosed && pts.size() > 1 && std::hypot(pts.front().x - pts.back().x, pts.front().y - pts.back().y) <= 1e-9)
      pts.pop_back();
    if (pts.size() < 2) continue;
    size_t segments = isClosed ? pts.size() : pts.size() - 1;
    auto dir = [&](size_t i) {
      const Point& a = pts[i % pts.size()];
      const Point& b = pts[(i + 1) % pts.size()];
      double len = std::hypot(b.x - a.x, b.y - a.y);
      return Point{(b.x - a.x) / len, (b.y - a.y) / len};
    };
    for (size_t i = 0; i < segments; ++i) {
      const Point& a = pts[i];
      const Point& b = pts[(i + 1) % pts.size()];
      Point d = dir(i);
      double nx = -d.y * hw, ny = d.x * hw;
      out.polygon({add(a, nx, ny), add(b, nx, ny), add(b, -nx, -ny), add(a, -nx, -ny)});
    }
    // Joins at every interior vertex (all of them on a closed path).
    size_t firstJoin = isClosed ? 0 : 1, lastJoin = isClosed ? pts.size() : pts.size() - 1;
    for (size_t v = firstJoin; v < lastJoin; ++v) {
      Point d1 = dir((v + pts.size() - 1) % pts.size()), d2 = dir(v);
      const Point& p = pts[v];
      double cross = d1.x * d2.y - d1.y * d2.x;
      if (std::fabs(cross) < 1e-12 && d1.x * d2.x + d1.y * d2.y > 0) continue;
      if (join == LineJoin::Round) {
        out.disc(p, hw);
        continue;
      }
      // The outer side is the one the path turns away from.
      double side = cross > 0 ? -1 : 1;
      Point o1 = add(p, -d1.y * hw * side, d1.x * hw * side), o2 = add(p, -d2.y * hw * side, d2.x * hw * side);
      double cosTheta = -(d1.x * d2.x + d1.y * d2.y);  // angle between the segments at p
      double theta = std::acos(std::clamp(cosTheta, -1.0, 1.0));
      double ratio = std::sin(theta / 2) > 1e-12 ? 1 / std::sin(theta / 2) : INFINITY;
      if (join == LineJoin::Miter && ratio <= miterLimit) {
        double bx = (o1.x + o2.x) / 2 - p.x, by = (o1.y + o2.y) / 2 - p.y;
        double bl = std::hypot(bx, by);
        double reach = hw * ratio;
        Point tip = bl > 0 ? add(p, bx / bl * reach, by / bl * reach) : o1;
        out.polygon({p, o1, tip, o2});
      } else {
        out.polygon({p, o1, o2});
      }
    }
    if (!isClosed) {
      for (int end = 0; end < 2; ++end) {
        const Point& p = end == 0 ? pts.front() : pts.back();
        Point d = end == 0 ? dir(0) : dir(pts.size() - 2);
        if (end == 0) d = {-d.x, -d.y};  // pointing outwards
        double nx = -d.y * hw, ny = d.x * hw;
        if (cap == LineCap::Round) out.disc(p, hw);
        else if (cap == LineCap::Square)
          out.polygon({add(p, nx, ny), add(p, nx + d.x * hw, ny + d.y * hw), add(p, -nx + d.x * hw, -ny + d.y * hw),
                       add(p, -nx, -ny)});
      }
    }
  }
  if (transform) out.path->applyTransform(*transform);
  return out.path->copyPath();
}

}  // namespace gfx
