#pragma once
// Graphics paths: sequences of move, line, quadratic and cubic curve and close elements
// (arcs and ellipses are stored as cubic curves), with bounds, hit testing, transformed and
// stroked copies. Path is immutable; MutablePath adds the building operations.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"

typedef struct _cairo cairo_t;

namespace gfx {

enum class PathElementType : int32_t {
  MoveToPoint = 0,
  AddLineToPoint = 1,
  AddQuadCurveToPoint = 2,
  AddCurveToPoint = 3,
  CloseSubpath = 4,
};

/// One element; `points` holds 1 (move, line), 2 (quad: control, end), 3 (cubic: control 1,
/// control 2, end) or 0 (close) points.
struct PathElement {
  PathElementType type = PathElementType::MoveToPoint;
  Point points[3];
  bool operator==(const PathElement& o) const;
};

enum class LineCap : int32_t { Butt = 0, Round = 1, Square = 2 };
enum class LineJoin : int32_t { Miter = 0, Round = 1, Bevel = 2 };

class MutablePath;

class Path : public rt::Object {
  RT_CLASS_NAMED(Path, rt::Object, "CGPath")
 public:
  static Ref<Path> createWithRect(const Rect& rect, const AffineTransform* transform = nullptr);
  static Ref<Path> createWithEllipseInRect(const Rect& rect, const AffineTransform* transform = nullptr);
  /// Corner radii are clamped to half the width and height.
  static Ref<Path> createWithRoundedRect(const Rect& rect, double cornerWidth, double cornerHeight,
                                         const AffineTransform* transform = nullptr);

  const std::vector<PathElement>& elements() const { return elements_; }
  bool isEmpty() const { return elements_.empty(); }
  /// The end point of the last element (the subpath start after a close); zero when empty.
  Point currentPoint() const { return current_; }
  bool hasCurrentPoint() const { return !elements_.empty(); }
  /// Bounds of every point including control points; null for an empty path.
  Rect boundingBox() const;
  /// Tight bounds of the curves themselves; null for an empty path.
  Rect pathBoundingBox() const;
  /// Inside test with the non-zero or even-odd rule; open subpaths count as closed.
  bool containsPoint(const Point& p, bool evenOdd = false, const AffineTransform* transform = nullptr) const;
  /// True for a single axis-aligned rectangle; its rect goes to `rect`.
  bool isRect(Rect* rect = nullptr) const;
  void apply(const std::function<void(const PathElement&)>& visit) const;

  Ref<Path> copyPath() const;
  Ref<MutablePath> mutableCopyPath() const;
  Ref<Path> copyByTransformingPath(const AffineTransform& t) const;
  /// The outline of this path stroked with the given settings, as a fillable (non-zero) path.
  Ref<Path> copyByStrokingPath(double lineWidth, LineCap cap, LineJoin join, double miterLimit,
                               const AffineTransform* transform = nullptr) const;
  /// Straight-line approximation: one polyline per subpath; `closed` says which are closed.
  void flatten(std::vector<std::vector<Point>>* polylines, std::vector<bool>* closed, int curveSteps = 16) const;
  /// Adds this path to a Cairo context's current path (in its user space).
  void appendToCairo(cairo_t* cr) const;

  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  rt::Id copy() const override;
  rt::Id mutableCopy() const override;
  rt::String description() const override;

 protected:
  void push(PathElementType type, std::initializer_list<Point> points);
  std::vector<PathElement> elements_;
  Point current_;
  Point subpathStart_;
};

class MutablePath : public Path {
  RT_CLASS_NAMED(MutablePath, Path, "CGMutablePath")
 public:
  static Ref<MutablePath> create() { return rt::make<MutablePath>(); }

  void moveToPoint(double x, double y, const AffineTransform* t = nullptr);
  void addLineToPoint(double x, double y, const AffineTransform* t = nullptr);
  void addQuadCurveToPoint(double cpx, double cpy, double x, double y, const AffineTransform* t = nullptr);
  void addCurveToPoint(double cp1x, double cp1y, double cp2x, double cp2y, double x, double y,
                       const AffineTransform* t = nullptr);
  void closeSubpath();
  void addRect(const Rect& rect, const AffineTransform* t = nullptr);
  void addLines(const std::vector<Point>& points, const AffineTransform* t = nullptr);
  void addEllipseInRect(const Rect& rect, const AffineTransform* t = nullptr);
  void addRoundedRect(const Rect& rect, double cornerWidth, double cornerHeight, const AffineTransform* t = nullptr);
  /// Arc in the y-up sense: `clockwise` sweeps towards decreasing angles. Joins the current
  /// point with a line, or starts a subpath.
  void addArc(double cx, double cy, double radius, double startAngle, double endAngle, bool clockwise,
              const AffineTransform* t = nullptr);
  /// Arc from startAngle sweeping `delta` radians (positive: increasing angle).
  void addRelativeArc(double cx, double cy, double radius, double startAngle, double delta,
                      const AffineTransform* t = nullptr);
  /// Rounds the corner at (x1, y1) between the current point and (x2, y2).
  void addArcToPoint(double x1, double y1, double x2, double y2, double radius, const AffineTransform* t = nullptr);
  void addPath(const Path& other, const AffineTransform* t = nullptr);
  void removeAllPoints();
  /// Transforms every point in place.
  void applyTransform(const AffineTransform& t);

  rt::Id copy() const override;

 private:
  void arcSegments(double cx, double cy, double r, double start, double delta, const AffineTransform* t);
};

}  // namespace gfx
