#pragma once
// Which glyphs of a vertical line are drawn upright, rotated, or rotated and moved.
#include "platform/typeset/Line.h"
#include "text/layout/DRTextLine.h"

namespace text {

/// Whether `c` lies on its side in vertical form (CJK, kana, hangul, fullwidth forms,
/// pictographs; the bracket pairs stay upright).
bool DRTextVerticalFormRotates(char32_t c);
/// Whether `c` is also moved into the corner of its cell (the four ideographic commas and
/// stops).
bool DRTextVerticalFormRotatesAndMoves(char32_t c);

/// Sets the line's plan from its runs, reading each glyph's characters in `string` (the
/// string the line's typeset line was made from); leaves it unset for a line without runs.
void DRTextComputeVerticalPlan(DRTextLine& line, const rt::String& string);

}  // namespace text
