#pragma once
// Reading additions of attributed strings: typed getters for every attribute (whole string,
// which is index 0, and at an index, under the index rule), paragraph fields, plain text with
// backed strings put back, archiving shortcuts, attachment strings, and two whole-string tests.
#include "platform/graphics/Image.h"
#include "text/model/DRTextAttributeTable.h"

namespace text {

/// The attributes at `index` under the index rule; null for an empty string.
Ref<fd::Dictionary> attributesAtIndex(const typeset::AttributedString& s, size_t index);
/// The attributes at index 0.
Ref<fd::Dictionary> attributes(const typeset::AttributedString& s);

#define DR_TEXT_DECLARE_GETTER(name, Name, Codec, key, key2)                            \
  Codec::Value name(const typeset::AttributedString& s);                                \
  Codec::Value name##AtIndex(const typeset::AttributedString& s, size_t index);
DR_TEXT_CHARACTER_ATTRIBUTES(DR_TEXT_DECLARE_GETTER)
#undef DR_TEXT_DECLARE_GETTER

// Paragraph fields read from the paragraph style (the default one where there is none).
#define DR_TEXT_DECLARE_FIELD_GETTER(name, Name, Type)      \
  Type name(const typeset::AttributedString& s);            \
  Type name##AtIndex(const typeset::AttributedString& s, size_t index);
DR_TEXT_PARAGRAPH_FIELDS(DR_TEXT_DECLARE_FIELD_GETTER)
#undef DR_TEXT_DECLARE_FIELD_GETTER

/// The rich-text archive of the string; null when it holds something that cannot be archived.
Ref<fd::Data> archiveToData(const typeset::AttributedString& s);
/// An attributed string from a rich-text archive; null for anything else.
Ref<typeset::AttributedString> unarchiveFromData(const Ref<fd::Data>& data);

rt::Range rangeOfAll(const typeset::AttributedString& s);
/// The text of `range` with each backed string in place of the stretch it stands for; null
/// for a range at rt::NotFound.
std::optional<rt::String> plainTextForRange(const typeset::AttributedString& s, rt::Range range);

/// U+FFFC carrying an attachment of `content` (image, view or layer) and a run delegate.
Ref<typeset::MutableAttributedString> attachmentStringWithContent(const rt::Id& content, int64_t contentMode,
                                                                  double width, double ascent, double descent);
/// The same, with the run metrics aligning an attachment of `size` to `font`: 0 top, 1 centre,
/// 2 bottom; any other alignment stands the attachment on the baseline.
Ref<typeset::MutableAttributedString> attachmentStringWithContent(const rt::Id& content, int64_t contentMode,
                                                                  gfx::Size size, const Ref<typeset::Font>& font,
                                                                  int64_t alignment);
/// An image shown as an emoji glyph at `fontSize`; null for no image or a size of 0 or less.
Ref<typeset::MutableAttributedString> attachmentStringWithEmojiImage(const Ref<gfx::Image>& image, double fontSize);

/// Whether every run holds the same attributes (an empty string does).
bool isSharedAttributesInAllRange(const typeset::AttributedString& s);
/// Whether no run holds an attribute that only the typesetter can draw.
bool canDrawWithUIKit(const typeset::AttributedString& s);

}  // namespace text
