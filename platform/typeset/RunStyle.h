#pragma once
// The layout-relevant facts of one attribute dictionary, read once per attribute run.
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Color.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/typeset/RubyAnnotation.h"
#include "platform/typeset/RunDelegate.h"

namespace typeset {

struct RubyLayout;

struct RunStyle {
  Ref<fd::Dictionary> attributes;
  Ref<Font> font;
  Ref<ParagraphStyle> paragraph;
  Ref<gfx::Color> color;        // null: the context's fill colour
  Ref<gfx::Color> strokeColor;  // null: the foreground colour
  Ref<gfx::Color> underlineColor;
  Ref<gfx::Color> strikethroughColor;
  Ref<gfx::Color> backgroundColor;
  double strokeWidth = 0;  // percent of the point size; negative fills too
  double kern = 0;
  int ligature = 1;
  double baselineOffset = 0;
  int superscript = 0;
  double baselineShift = 0;  // the offset plus a third of the point size per superscript step
  int64_t underline = 0;
  int64_t strikethrough = 0;
  bool vertical = false;
  String language;
  // Nested embeddings and overrides, outermost first: bit 0 right-to-left, bit 1 override.
  std::vector<uint8_t> writingDirection;
  Ref<RunDelegate> delegate;
  Ref<RubyAnnotation> ruby;
  std::shared_ptr<const RubyLayout> rubyLayout;  // set while shaping

  /// Reads a dictionary; the font defaults to the system font at 12 points.
  static RunStyle from(const Ref<fd::Dictionary>& attributes);
  const ParagraphStyle& paragraphStyle() const;
};

}  // namespace typeset
