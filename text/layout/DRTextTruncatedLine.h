#pragma once
// The line that replaces the last line of a layout whose text does not fit: the last line's
// text (at the end) or the rest of its paragraph (at the start or in the middle) cut to its
// width, with a token ("…" by default) where the text is cut.
#include "platform/typeset/AttributedString.h"
#include "text/layout/DRTextLine.h"

namespace text {

struct DRTextTruncation {
  Ref<DRTextLine> line;                  // null when it cannot be made; its own string is the
                                         // text it was made from
  Ref<typeset::AttributedString> token;  // the token used
};

/// The token drawn when the container has none: "…" in the attributes of the line's last
/// run, without its attachment, in the system font at 0.9 of the run's font size.
Ref<typeset::AttributedString> DRTextDefaultTruncationToken(const DRTextLine& last);

/// `type`: 1 start, 3 middle, anything else end. `textEnd` is the end of the text laid out:
/// cutting at the start or in the middle shows the paragraph's end up to there.
DRTextTruncation DRTextMakeTruncatedLine(const DRTextLine& last, const typeset::AttributedString& text,
                                         const Ref<typeset::AttributedString>& containerToken, uint64_t type,
                                         uint64_t textEnd);

}  // namespace text
