#pragma once
// Writing additions of attributed strings: the generic setter (null removes), typed setters
// for every attribute (whole string and range), paragraph-field setters, insertion that keeps
// discontinuous attributes to the characters they were set on, and the clear colour for
// joined family emoji.
#include "text/model/DRTextAttributeTable.h"

namespace text {

class DRTextRubyAnnotation;

/// Over the whole string.
void setAttribute(typeset::MutableAttributedString& s, const rt::String& name, const rt::Id& value);
/// Replaces every attribute of the whole string (null values are skipped).
void setAttributes(typeset::MutableAttributedString& s, const Ref<fd::Dictionary>& attributes);
/// Sets each of `attributes` over the range, leaving the others (a null object removes its
/// key).
void setAttributes(typeset::MutableAttributedString& s, const Ref<fd::Dictionary>& attributes, rt::Range range);
void removeAttributesInRange(typeset::MutableAttributedString& s, rt::Range range);
/// Inserts plain text, which takes its neighbour's attributes except the discontinuous ones.
void insertString(typeset::MutableAttributedString& s, const rt::String& string, size_t index);
void appendString(typeset::MutableAttributedString& s, const rt::String& string);
void removeDiscontinuousAttributesInRange(typeset::MutableAttributedString& s, rt::Range range);
/// Attributes that belong to exactly the characters they were set on.
const std::vector<rt::String>& allDiscontinuousAttributeKeys();
/// Colours each joined family emoji sequence with the clear colour.
void setClearColorToJoinedEmoji(typeset::MutableAttributedString& s);

#define DR_TEXT_DECLARE_SETTER(name, Name, Codec, key, key2)                                    \
  void set##Name(typeset::MutableAttributedString& s, const Codec::Value& value);              \
  void set##Name(typeset::MutableAttributedString& s, const Codec::Value& value, rt::Range range);
DR_TEXT_CHARACTER_ATTRIBUTES(DR_TEXT_DECLARE_SETTER)
#undef DR_TEXT_DECLARE_SETTER

#define DR_TEXT_DECLARE_RANGE_SETTER(Name, Codec, key) \
  void set##Name(typeset::MutableAttributedString& s, const Codec::Value& value, rt::Range range);
DR_TEXT_RANGE_ATTRIBUTES(DR_TEXT_DECLARE_RANGE_SETTER)
#undef DR_TEXT_DECLARE_RANGE_SETTER

// Each run's paragraph style gets a fresh copy with the field set, unless the field already
// holds the value; styles in place are never edited, since other runs and strings may share
// them.
#define DR_TEXT_DECLARE_FIELD_SETTER(name, Name, Type)                                 \
  void set##Name(typeset::MutableAttributedString& s, const Type& value);             \
  void set##Name(typeset::MutableAttributedString& s, const Type& value, rt::Range range);
DR_TEXT_PARAGRAPH_FIELDS(DR_TEXT_DECLARE_FIELD_SETTER)
#undef DR_TEXT_DECLARE_FIELD_SETTER

}  // namespace text
