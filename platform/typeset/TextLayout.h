#pragma once
// The paragraph layout shared by frames and the measuring helpers: lines placed down a box
// (or down the spans of a shape) with indents, alignment, line spacing, paragraph spacing,
// line height limits, truncation and justification.
#include <functional>
#include <vector>

#include "platform/typeset/Typesetter.h"

namespace typeset {

/// A horizontal interval, from the box's left edge.
struct Span {
  double left = 0, right = 0;
};

struct LayoutOptions {
  double width = 0;
  double height = 0;         // 0 or less: unlimited
  int64_t maximumLines = 0;  // 0: unlimited
  bool includeLeading = true;
  /// The typesetter's reading of truncating and clipping modes: each paragraph one line.
  /// Otherwise they wrap by words and only the last visible line is truncated.
  bool typesetterSemantics = true;
  /// Truncate the last visible line when text remains (with the paragraph's mode, tail by default).
  bool truncateLastLine = false;
  /// Free intervals of the band [top, bottom) measured down from the box's top; unset: the
  /// whole width.
  std::function<std::vector<Span>(double top, double bottom)> spans;
};

struct PlacedLine {
  Ref<Line> line;
  double x = 0;         // pen start from the box's left edge
  double baseline = 0;  // from the box's top
  double top = 0;
  double height = 0;
};

struct TextLayoutResult {
  std::vector<PlacedLine> lines;
  size_t end = 0;          // first character not laid out
  double usedHeight = 0;   // from the top to the last line's bottom
  double usedWidth = 0;    // widest line, trailing white space excluded, indents included
};

TextLayoutResult layOutText(const Typesetter& typesetter, Range range, const LayoutOptions& options);

/// The truncation token: an ellipsis in the attributes of the character at `index`.
Ref<Line> truncationToken(const ShapedText& text, size_t index);

}  // namespace typeset
