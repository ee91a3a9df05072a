#pragma once
// Frames: the lines a framesetter laid into a path, with their origins.
#include <vector>

#include "platform/graphics/Path.h"
#include "platform/typeset/Line.h"

namespace typeset {

enum class FrameProgression : uint32_t { TopToBottom = 0, RightToLeft = 1, LeftToRight = 2 };
enum class FramePathFillRule : uint32_t { EvenOdd = 0, WindingNumber = 1 };

class Frame : public rt::Object {
  RT_CLASS_NAMED(Frame, rt::Object, "CTFrame")
 public:
  const std::vector<Ref<Line>>& lines() const { return lines_; }
  /// Origins of the lines in `range` (length 0: all), relative to the path's bounding box
  /// origin, y-up: the first line is near the top (maximum y).
  std::vector<gfx::Point> lineOrigins(Range range = Range{0, 0}) const;
  void getLineOrigins(Range range, gfx::Point* origins) const;
  /// The range asked for (its length filled in when it was 0).
  Range stringRange() const { return range_; }
  /// The characters that fit.
  Range visibleStringRange() const { return visible_; }
  const Ref<gfx::Path>& path() const { return path_; }
  const Ref<fd::Dictionary>& frameAttributes() const { return attributes_; }
  FrameProgression progression() const { return progression_; }

  /// Draws every line at its origin in a y-up user space (the path's coordinates).
  void draw(gfx::Context& context) const;

 private:
  friend class Framesetter;
  std::vector<Ref<Line>> lines_;
  std::vector<gfx::Point> origins_;
  Range range_, visible_;
  Ref<gfx::Path> path_;
  Ref<fd::Dictionary> attributes_;
  FrameProgression progression_ = FrameProgression::TopToBottom;
};

}  // namespace typeset
