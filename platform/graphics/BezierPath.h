#pragma once
// The UI-level path object: a mutable path plus its stroke settings, drawing into the
// current context. Angles run clockwise in the y-down space it is used in.
#include <cstdint>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/graphics/Path.h"

namespace gfx {

enum RectCorner : uint32_t {
  RectCornerTopLeft = 1,
  RectCornerTopRight = 2,
  RectCornerBottomLeft = 4,
  RectCornerBottomRight = 8,
  RectCornerAllCorners = ~0u,
};

class BezierPath : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(BezierPath, rt::Object, "UIBezierPath")
 public:
  void init() { path_ = MutablePath::create(); }

  static Ref<BezierPath> bezierPath();
  static Ref<BezierPath> bezierPathWithRect(const Rect& rect);
  static Ref<BezierPath> bezierPathWithOvalInRect(const Rect& rect);
  /// Corner radius clamped to half the shorter side.
  static Ref<BezierPath> bezierPathWithRoundedRect(const Rect& rect, double cornerRadius);
  static Ref<BezierPath> bezierPathWithRoundedRect(const Rect& rect, uint32_t corners, Size cornerRadii);
  /// `clockwise` in the y-down sense: towards increasing angles.
  static Ref<BezierPath> bezierPathWithArcCenter(Point center, double radius, double startAngle, double endAngle,
                                                 bool clockwise);
  static Ref<BezierPath> bezierPathWithCGPath(const Ref<Path>& path);

  void moveToPoint(Point p);
  void addLineToPoint(Point p);
  void addQuadCurveToPoint(Point end, Point control);
  void addCurveToPoint(Point end, Point control1, Point control2);
  void addArcWithCenter(Point center, double radius, double startAngle, double endAngle, bool clockwise);
  void closePath();
  void removeAllPoints();
  void appendPath(const BezierPath& other);
  void applyTransform(const AffineTransform& t);

  bool isEmpty() const { return path_->isEmpty(); }
  /// Bounds including control points, like the path's bounding box.
  Rect bounds() const;
  Point currentPoint() const { return path_->currentPoint(); }
  bool containsPoint(Point p) const { return path_->containsPoint(p, usesEvenOddFillRule_); }
  /// An immutable copy of the path.
  Ref<Path> CGPath() const { return path_->copyPath(); }
  void setCGPath(const Ref<Path>& path);

  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double w) { lineWidth_ = w; }
  LineCap lineCapStyle() const { return lineCap_; }
  void setLineCapStyle(LineCap c) { lineCap_ = c; }
  LineJoin lineJoinStyle() const { return lineJoin_; }
  void setLineJoinStyle(LineJoin j) { lineJoin_ = j; }
  double miterLimit() const { return miterLimit_; }
  void setMiterLimit(double m) { miterLimit_ = m; }
  double flatness() const { return flatness_; }
  void setFlatness(double f) { flatness_ = f; }
  bool usesEvenOddFillRule() const { return usesEvenOddFillRule_; }
  void setUsesEvenOddFillRule(bool on) { usesEvenOddFillRule_ = on; }
  void setLineDash(const std::vector<double>& pattern, double phase);
  const std::vector<double>& lineDash() const { return dash_; }
  double lineDashPhase() const { return dashPhase_; }

  /// Paint in the current context with its fill or stroke colour.
  void fill() const;
  void stroke() const;
  void fillWithBlendMode(int32_t blendMode, double alpha) const;
  void strokeWithBlendMode(int32_t blendMode, double alpha) const;
  /// Intersects the current context's clip with this path.
  void addClip() const;

  rt::Id copy() const override;
  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  rt::String description() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  void applyStrokeSettings() const;
  Ref<MutablePath> path_;
  double lineWidth_ = 1;
  LineCap lineCap_ = LineCap::Butt;
  LineJoin lineJoin_ = LineJoin::Miter;
  double miterLimit_ = 10;
  double flatness_ = 0.6;
  bool usesEvenOddFillRule_ = false;
  std::vector<double> dash_;
  double dashPhase_ = 0;
};

}  // namespace gfx
