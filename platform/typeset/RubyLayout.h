#pragma once
// Ruby annotations set against their base: the annotation lines (shaped at the annotation's
// size, upright in columns when the base is), the room they make the base take, and where
// they are drawn.
#include <array>

#include "platform/graphics/Context.h"
#include "platform/typeset/RubyAnnotation.h"

namespace typeset {

class Line;
struct RunStyle;

struct RubyLayout {
  std::array<Ref<Line>, RubyPositionCount> lines;  // null for positions without text
  double size = 0;                                 // the annotation's point size
  double height = 0;                               // ascent plus descent of the annotation font

  /// The annotation lines of `ruby` for a base in `base`'s style, at `sizeFactor` times its size
  /// (0: the annotation's own factor); null when every text is empty.
  static std::shared_ptr<const RubyLayout> make(const RubyAnnotation& ruby, const RunStyle& base, double sizeFactor = 0);
  /// For an annotation that scales to fit: its lines set small enough that those over and under
  /// a base `baseWidth` wide fit it; itself when they already do.
  std::shared_ptr<const RubyLayout> fitted(const RubyAnnotation& ruby, const RunStyle& base, double baseWidth) const;
  const Line* line(RubyPosition p) const { return lines[static_cast<size_t>(p)].get(); }
  double width(RubyPosition p) const;
  /// What the base line gains above and below its own ascent and descent.
  double extraAscent() const { return line(RubyPosition::Before) ? height : 0; }
  double extraDescent() const { return line(RubyPosition::After) ? height : 0; }
  /// Room kept after the base for inter-character and inline annotations.
  double reservedAfterBase() const;

  /// Extra space in the base when an annotation over or under it is wider: before its first
  /// cluster, between clusters and after the last. `openStart`/`openEnd` say whether there are
  /// neighbours the annotation may overhang.
  struct Spacing {
    double lead = 0, between = 0, trail = 0;
  };
  Spacing baseSpacing(const RubyAnnotation& ruby, double baseWidth, size_t clusters, bool openStart, bool openEnd) const;

  /// Draws the annotations of a base spanning [x0, x1) of run space (the reserved room
  /// included) whose font has `ascent` and `descent`; `lineStart`/`lineEnd` tell line-edge
  /// alignment where the base stands.
  void draw(gfx::Context& context, const RubyAnnotation& ruby, double x0, double x1, double ascent, double descent,
            bool lineStart, bool lineEnd) const;
};

}  // namespace typeset
