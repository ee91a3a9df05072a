#pragma once
// The texts the label page shows, each built to exercise one part of rich-text drawing, and
// the pictures its emoticons become. Main thread only (the pictures are drawn in an image
// context).
#include "platform/graphics/Image.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/RubyAnnotation.h"
#include "text/parsers/DRTextSimpleEmoticonParser.h"

namespace textlab {

/// Latin and Chinese/Japanese faces the project's set-up installs.
Ref<typeset::Font> labLatinFont(double size);
Ref<typeset::Font> labCJKFont(double size);

/// A short markdown document using headers, emphasis, code, a link, a list and a quote.
rt::String labMarkdownDocument();
/// A sentence long enough to be cut short on one line.
rt::String labLongSentence();
/// A few sentences that fill a shaped container.
rt::String labStory();
/// Chinese text with a little Latin, for vertical columns.
rt::String labVerticalText();

/// A face of `r`,`g`,`b` on a transparent square of `side` points.
Ref<gfx::Image> labEmoticonPicture(double r, double g, double b, bool smiling, double side = 32);
/// A parser turning ":)", ":(" and "<3" into pictures.
Ref<text::DRTextSimpleEmoticonParser> labEmoticonParser();
rt::String labEmoticonText();

/// A base text with its reading in one ruby position.
Ref<typeset::MutableAttributedString> labRubyText(typeset::RubyPosition position);
/// Single, thick, double and dashed borders, a block border, a background border, a border
/// with a shadow, a text shadow and an inner shadow.
Ref<typeset::MutableAttributedString> labBordersAndShadows();
/// Underlines and strikethroughs of every line kind and pattern, on Latin and Chinese text.
Ref<typeset::MutableAttributedString> labUnderlinesAndStrikethroughs();
/// Two highlighted phrases (blue, with a background while touched) in a sentence; `ranges`
/// gets where they are.
Ref<typeset::MutableAttributedString> labHighlightText(std::vector<rt::Range>* ranges);

}  // namespace textlab
