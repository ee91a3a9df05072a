#include "platform/typeset/Framesetter.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/AttributeNames.h"

namespace typeset {

RT_IMPLEMENT_PLATFORM(Framesetter) {}

namespace {

using Spans = std::vector<Span>;

// A filled shape in box coordinates (y-up), as polygons.
struct Shape {
  std::vector<std::vector<gfx::Point>> polygons;
  bool evenOdd = true;

  Shape(const gfx::Path& path, const gfx::AffineTransform& toBox, bool eo) : evenOdd(eo) {
    std::vector<bool> closed;
    path.copyByTransformingPath(toBox)->flatten(&polygons, &closed);
  }

  Spans at(double y) const {
    std::vector<std::pair<double, int>> crossings;
    for (const auto& poly : polygons) {
      size_t n = poly.size();
      for (size_t i = 0; i < n; ++i) {
        const gfx::Point& p = poly[i];
        const gfx::Point& q = poly[(i + 1) % n];
        if ((p.y <= y && q.y > y) || (q.y <= y && p.y > y)) {
          double x = p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y);
          crossings.push_back({x, q.y > p.y ? 1 : -1});
        }
      }
    }
    std::sort(crossings.begin(), crossings.end());
    Spans out;
    int winding = 0;
    for (size_t i = 0; i < crossings.size(); ++i) {
      bool wasInside = evenOdd ? (winding & 1) : winding != 0;
      winding += evenOdd ? 1 : crossings[i].second;
      bool inside = evenOdd ? (winding & 1) : winding != 0;
      if (!wasInside && inside) out.push_back({crossings[i].first, crossings[i].first});
      if (wasInside && !inside && !out.empty()) out.back().right = crossings[i].first;
    }
    return out;
  }
};

Spans intersect(const Spans& a, const Spans& b) {
  Spans out;
  for (const auto& x : a)
    for (const auto& y : b) {
      double l = std::max(x.left, y.left), r = std::min(x.right, y.right);
      if (r > l) out.push_back({l, r});
    }
  return out;
}

Spans subtract(const Spans& a, const Spans& holes) {
  Spans cur = a;
  for (const auto& h : holes) {
    Spans next;
    for (const auto& s : cur) {
      if (h.right <= s.left || h.left >= s.right) {
        next.push_back(s);
        continue;
      }
      if (h.left > s.left) next.push_back({s.left, h.left});
      if (h.right < s.right) next.push_back({h.right, s.right});
    }
    cur = std::move(next);
  }
  return cur;
}

double numberAttribute(const Ref<fd::Dictionary>& d, const char* key, double fallback) {
  if (!d) return fallback;
  auto n = d->objectForKeyAs<fd::Number>(key);
  return n ? n->doubleValue() : fallback;
}

}  // namespace

void Framesetter::init(const AttributedString& string) { typesetter_ = Typesetter::create(string); }

Ref<Frame> Framesetter::createFrame(Range range, const Ref<gfx::Path>& path, const Ref<fd::Dictionary>& attributes) const {
  auto frame = rt::make<Frame>();
  size_t n = typesetter_->length();
  range.location = std::min<uint64_t>(range.location, n);
  if (range.length == 0 || range.end() > n) range.length = n - range.location;
  frame->range_ = range;
  frame->path_ = path;
  frame->attributes_ = attributes;
  frame->progression_ = static_cast<FrameProgression>(static_cast<uint32_t>(numberAttribute(attributes, FrameProgressionAttributeName, 0)));
  frame->visible_ = Range{range.location, 0};
  if (!path) return frame;
  gfx::Rect box = path->boundingBox();
  if (gfx::RectIsNull(box) || gfx::RectIsEmpty(box)) return frame;
  bool vertical = frame->progression_ != FrameProgression::TopToBottom;
  double boxW = vertical ? box.size.height : box.size.width;
  double boxH = vertical ? box.size.width : box.size.height;

  LayoutOptions o;
  o.width = boxW;
  o.height = boxH;
  double clear = numberAttribute(attributes, FramePathWidthAttributeName, 0) / 2;
  std::vector<Ref<gfx::Path>> clipping;
  if (attributes)
    if (auto arr = attributes->objectForKeyAs<fd::Array>(FrameClippingPathsAttributeName))
      for (const auto& item : arr->objects()) {
        if (auto p = rt::as<gfx::Path>(item)) clipping.push_back(p);
        else if (auto d = rt::as<fd::Dictionary>(item))
          if (auto p2 = d->objectForKeyAs<gfx::Path>("CTFramePathClippingPath")) clipping.push_back(p2);
      }
  if (!path->isRect() || !clipping.empty() || clear > 0) {
    bool evenOdd = numberAttribute(attributes, FramePathFillRuleAttributeName, 0) == 0;
    // Shapes are read in the layout's own space: x along the line, y-up across the lines.
    // Columns turn the path a quarter: x runs down from the top edge, y across the columns
    // from their far side (the left edge for right-to-left columns, the right edge else).
    gfx::AffineTransform toBox = gfx::AffineTransformMakeTranslation(-box.origin.x, -box.origin.y);
    if (frame->progression_ == FrameProgression::RightToLeft)
      toBox = gfx::AffineTransformConcat(toBox, gfx::AffineTransformMake(0, 1, -1, 0, box.size.height, 0));
    else if (frame->progression_ == FrameProgression::LeftToRight)
      toBox = gfx::AffineTransformConcat(toBox, gfx::AffineTransformMake(0, -1, -1, 0, box.size.height, box.size.width));
    auto shape = std::make_shared<Shape>(*path, toBox, evenOdd);
    auto holes = std::make_shared<std::vector<Shape>>();
    for (const auto& c : clipping) holes->emplace_back(*c, toBox, false);
    o.spans = [shape, holes, boxH, clear](double top, double bottom) {
      Spans result;
      bool first = true;
      for (double y : {boxH - top - 1e-3, boxH - (top + bottom) / 2, boxH - bottom + 1e-3}) {
        Spans s = shape->at(y);
        for (const auto& h : *holes) s = subtract(s, h.at(y));
        result = first ? s : intersect(result, s);
        first = false;
      }
      Spans kept;
      for (auto s : result) {
        s.left += clear;
        s.right -= clear;
        if (s.right - s.left >= 1) kept.push_back(s);
      }
      return kept;
    };
  }
  TextLayoutResult r = layOutText(*typesetter_, range, o);
  for (const auto& pl : r.lines) {
    frame->lines_.push_back(pl.line);
    double yUp = boxH - pl.baseline;
    if (frame->progression_ == FrameProgression::RightToLeft)
      frame->origins_.push_back({yUp, boxW - pl.x});
    else if (frame->progression_ == FrameProgression::LeftToRight)
      // Columns from the left edge, glyph tops still to the right: the band is mirrored.
      frame->origins_.push_back({2 * pl.top + pl.height - pl.baseline, boxW - pl.x});
    else
      frame->origins_.push_back({pl.x, yUp});
  }
  frame->visible_ = Range{range.location, r.end - range.location};
  return frame;
}

gfx::Size Framesetter::suggestFrameSizeWithConstraints(Range range, const Ref<fd::Dictionary>&, gfx::Size constraints,
                                                       Range* fitRange) const {
  size_t n = typesetter_->length();
  range.location = std::min<uint64_t>(range.location, n);
  if (range.length == 0 || range.end() > n) range.length = n - range.location;
  LayoutOptions o;
  o.width = constraints.width > 0 && std::isfinite(constraints.width) ? constraints.width : 1e300;
  o.height = constraints.height > 0 && constraints.height < 1e300 ? constraints.height : 0;
  TextLayoutResult r = layOutText(*typesetter_, range, o);
  if (fitRange) *fitRange = Range{range.location, r.end - range.location};
  return gfx::Size{std::ceil(r.usedWidth * 1e6) / 1e6, r.usedHeight};
}

}  // namespace typeset
