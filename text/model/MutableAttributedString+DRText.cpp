#include "text/model/MutableAttributedString+DRText.h"

#include "platform/foundation/text/RegularExpression.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/ValueBox.h"
#include "text/model/DRTextRubyAnnotation.h"

namespace text {

using typeset::MutableAttributedString;

namespace {
rt::Range whole(const MutableAttributedString& s) { return {0, s.length()}; }
}  // namespace

void setAttribute(MutableAttributedString& s, const rt::String& name, const rt::Id& value, rt::Range range) {
  if (name.isEmpty()) return;
  if (!value || fd::Null::isNull(value)) s.removeAttribute(name, range);
  else s.addAttribute(name, value, range);
}

void setAttribute(MutableAttributedString& s, const rt::String& name, const rt::Id& value) {
  setAttribute(s, name, value, whole(s));
}

void setAttributes(MutableAttributedString& s, const Ref<fd::Dictionary>& attributes) {
  s.setAttributes(fd::Dictionary::create(), whole(s));
  if (!attributes) return;
  attributes->enumerateKeysAndObjects([&](const rt::Id& key, const rt::Id& value, bool&) {
    if (auto name = rt::as<fd::StringObject>(key)) setAttribute(s, name->string(), value);
  });
}

void setAttributes(MutableAttributedString& s, const Ref<fd::Dictionary>& attributes, rt::Range range) {
  if (!attributes) return;
  attributes->enumerateKeysAndObjects([&](const rt::Id& key, const rt::Id& value, bool&) {
    if (auto name = rt::as<fd::StringObject>(key)) setAttribute(s, name->string(), value, range);
  });
}

void removeAttributesInRange(MutableAttributedString& s, rt::Range range) { s.setAttributes(nullptr, range); }

const std::vector<rt::String>& allDiscontinuousAttributeKeys() {
  static const std::vector<rt::String> keys = {
      typeset::CTSuperscriptAttributeName, typeset::CTRunDelegateAttributeName, DRTextBackedStringKey,
      DRTextBindingKey, DRTextAttachmentKey, typeset::CTRubyAnnotationAttributeName,
      typeset::AttachmentAttributeName,
  };
  return keys;
}

void removeDiscontinuousAttributesInRange(MutableAttributedString& s, rt::Range range) {
  for (const auto& key : allDiscontinuousAttributeKeys()) s.removeAttribute(key, range);
}

void insertString(MutableAttributedString& s, const rt::String& string, size_t index) {
  s.replaceCharactersInRange({index, 0}, string);
  removeDiscontinuousAttributesInRange(s, {index, string.length()});
}

void appendString(MutableAttributedString& s, const rt::String& string) { insertString(s, string, s.length()); }

void setClearColorToJoinedEmoji(MutableAttributedString& s) {
  const rt::String& text = s.string();
  if (text.length() <= 7) return;
  if (text.view().find(u'\u200D') == std::u16string_view::npos) return;
  static const Ref<fd::RegularExpression> joined = fd::RegularExpression::create(
      u"((👨‍👩‍👧‍👦|👨‍👩‍👦‍👦|👨‍👩‍👧‍👧|👩‍👩‍👧‍👦|👩‍👩‍👦‍👦|👩‍👩‍👧‍👧|👨‍👨‍👧‍👦|👨‍👨‍👦‍👦|👨‍👨‍👧‍👧)+|"
      u"(👨‍👩‍👧|👩‍👩‍👦|👩‍👩‍👧|👨‍👨‍👦|👨‍👨‍👧))");
  if (!joined) return;
  const rt::String snapshot = text;  // colouring does not change the characters
  joined->enumerateMatchesInString(snapshot, 0, {0, snapshot.length()},
                                   [&](const Ref<fd::TextCheckingResult>& match, uint64_t, bool&) {
                                     if (match) setColor(s, gfx::Color::clearColor(), match->range());
                                   });
}

// ---- the codecs' writing side

namespace codec {

void ColorPair::write(MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char* ctKey) {
  if (!v) {
    s.removeAttribute(ctKey, r);
    s.removeAttribute(key, r);
    return;
  }
  // One pass over the runs for both keys.
  s.addAttributes(*fd::Dictionary::withStrings({{ctKey, v->CGColor()}, {key, v}}), r);
}

void IntegerStyle::write(MutableAttributedString& s, Value v, rt::Range r, const char* key, const char*) {
  setAttribute(s, key, v == 0 ? nullptr : rt::Id(fd::Number::numberWithLongLong(v)), r);
}

void Flag::write(MutableAttributedString& s, Value v, rt::Range r, const char* key, const char*) {
  setAttribute(s, key, v ? rt::Id(fd::Number::numberWithBool(true)) : nullptr, r);
}

void NonZeroNumber::write(MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*) {
  setAttribute(s, key, v && v->doubleValue() != 0 ? rt::Id(v) : nullptr, r);
}

void Transform::write(MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*) {
  setAttribute(s, key, v == gfx::AffineTransformIdentity ? nullptr : rt::Id(fd::ValueBox::valueWith(v)), r);
}

void Paragraph::write(MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*) {
  setAttribute(s, key, v, r);
}

void Ruby::write(MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*) {
  setAttribute(s, key, v ? rt::Id(v->CTRubyAnnotation()) : nullptr, r);
}

}  // namespace codec

// ---- generated setters

#define DR_TEXT_DEFINE_SETTER(name, Name, Codec, key, key2)                                       \
  void set##Name(MutableAttributedString& s, const Codec::Value& value, rt::Range range) {       \
    Codec::write(s, value, range, key, key2);                                                     \
  }                                                                                               \
  void set##Name(MutableAttributedString& s, const Codec::Value& value) { set##Name(s, value, whole(s)); }
DR_TEXT_CHARACTER_ATTRIBUTES(DR_TEXT_DEFINE_SETTER)
#undef DR_TEXT_DEFINE_SETTER

#define DR_TEXT_DEFINE_RANGE_SETTER(Name, Codec, key)                                        \
  void set##Name(MutableAttributedString& s, const Codec::Value& value, rt::Range range) {  \
    Codec::write(s, value, range, key, nullptr);                                             \
  }
DR_TEXT_RANGE_ATTRIBUTES(DR_TEXT_DEFINE_RANGE_SETTER)
#undef DR_TEXT_DEFINE_RANGE_SETTER

namespace {

// Gives every paragraph-style run of `range` a fresh style with one field changed, unless
// the field already has the value.
template <class Get, class Set>
void setParagraphField(MutableAttributedString& s, rt::Range range, Get get, Set set) {
  if (s.length() == 0) return;
  struct Change {
    rt::Range range;
    Ref<typeset::ParagraphStyle> style;
  };
  std::vector<Change> changes;
  s.enumerateAttribute(typeset::ParagraphStyleAttributeName, range, 0, [&](const rt::Id& value, rt::Range run, bool&) {
    auto style = rt::as<typeset::ParagraphStyle>(value);
    const typeset::ParagraphStyle& current = style ? *style : *typeset::ParagraphStyle::defaultParagraphStyle();
    if (get(current)) return;
    auto fresh = rt::as<typeset::MutableParagraphStyle>(current.mutableCopy());
    set(*fresh);
    changes.push_back({run, fresh});
  });
  for (const auto& c : changes) s.addAttribute(typeset::ParagraphStyleAttributeName, c.style, c.range);
}

}  // namespace

#define DR_TEXT_DEFINE_FIELD_SETTER(name, Name, Type)                                                \
  void set##Name(MutableAttributedString& s, const Type& value, rt::Range range) {                  \
    setParagraphField(                                                                               \
        s, range, [&](const typeset::ParagraphStyle& p) { return p.name() == value; },              \
        [&](typeset::MutableParagraphStyle& p) { p.set##Name(value); });                             \
  }                                                                                                  \
  void set##Name(MutableAttributedString& s, const Type& value) { set##Name(s, value, whole(s)); }
DR_TEXT_PARAGRAPH_FIELDS(DR_TEXT_DEFINE_FIELD_SETTER)
#undef DR_TEXT_DEFINE_FIELD_SETTER

}  // namespace text
