#pragma once
// Framesetters: fill a path (a rectangle quickly, any shape by its spans under the fill rule,
// minus clipping paths) with the lines of an attributed string.
#include "platform/typeset/Frame.h"
#include "platform/typeset/TextLayout.h"

namespace typeset {

class Framesetter : public rt::Object {
  RT_CLASS_NAMED(Framesetter, rt::Object, "CTFramesetter")
 public:
  void init(const AttributedString& string);
  static Ref<Framesetter> create(const AttributedString& string) { return rt::make<Framesetter>(string); }

  const Ref<Typesetter>& typesetter() const { return typesetter_; }
  /// Lines for the characters of `range` (length 0: to the end) laid into `path`. Frame
  /// attributes: progression (0 top to bottom, 1 right to left), fill rule (0 even-odd,
  /// 1 non-zero), path width kept clear along the edges, clipping paths (an array of paths
  /// excluded from the fill).
  Ref<Frame> createFrame(Range range, const Ref<gfx::Path>& path, const Ref<fd::Dictionary>& attributes = nullptr) const;
  /// The size that holds the characters of `range` within `constraints` (a huge value for
  /// unconstrained), and the range that fits.
  gfx::Size suggestFrameSizeWithConstraints(Range range, const Ref<fd::Dictionary>& attributes, gfx::Size constraints,
                                            Range* fitRange) const;

 private:
  Ref<Typesetter> typesetter_;
};

}  // namespace typeset
