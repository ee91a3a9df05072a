#pragma once
// One table drives the typed attribute getters and setters of attributed strings: each row
// names the accessor, how a value is read and stored (its codec), and its keys. The reading
// and writing additions expand the rows into functions, and their tests walk the same rows.
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Color.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/typeset/RubyAnnotation.h"
#include "platform/typeset/RunDelegate.h"
#include "platform/typeset/Shadow.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextAttachment.h"
#include "text/model/DRTextBackedString.h"
#include "text/model/DRTextBinding.h"
#include "text/model/DRTextBorder.h"
#include "text/model/DRTextDecoration.h"
#include "text/model/DRTextHighlight.h"
#include "text/model/DRTextShadow.h"

namespace text {

class DRTextRubyAnnotation;

/// The attribute at `index` under the index rule: an index equal to the length reads the last
/// character; an empty string or an empty name gives null. Beyond the length the platform's
/// range error is raised.
rt::Id attributeAtIndex(const typeset::AttributedString& s, const rt::String& name, size_t index);
/// Sets `value` over `range`; null or the null object removes the attribute; an empty name
/// does nothing.
void setAttribute(typeset::MutableAttributedString& s, const rt::String& name, const rt::Id& value, rt::Range range);

namespace codec {

// An object of class T, stored as it is.
template <class T> struct Object {
  using Value = Ref<T>;
  static Value read(const typeset::AttributedString& s, size_t i, const char* key, const char*) {
    return rt::as<T>(attributeAtIndex(s, key, i));
  }
  static void write(typeset::MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*) {
    setAttribute(s, key, v, r);
  }
};

// A colour under the platform key, else under the typesetter's key; stored under both.
struct ColorPair {
  using Value = Ref<gfx::Color>;
  static Value read(const typeset::AttributedString& s, size_t i, const char* key, const char* ctKey);
  static void write(typeset::MutableAttributedString& s, const Value& v, rt::Range r, const char* key,
                    const char* ctKey);
};

// An integer style: 0 when absent, and 0 removes.
struct IntegerStyle {
  using Value = int64_t;
  static Value read(const typeset::AttributedString& s, size_t i, const char* key, const char*);
  static void write(typeset::MutableAttributedString& s, Value v, rt::Range r, const char* key, const char*);
};

// A flag: false when absent, and false removes.
struct Flag {
  using Value = bool;
  static Value read(const typeset::AttributedString& s, size_t i, const char* key, const char*);
  static void write(typeset::MutableAttributedString& s, Value v, rt::Range r, const char* key, const char*);
};

// A number: null removes, and a number equal to 0 removes.
struct NonZeroNumber {
  using Value = Ref<fd::Number>;
  static Value read(const typeset::AttributedString& s, size_t i, const char* key, const char*);
  static void write(typeset::MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*);
};

// A boxed affine transform: the identity when absent, and the identity removes.
struct Transform {
  using Value = gfx::AffineTransform;
  static Value read(const typeset::AttributedString& s, size_t i, const char* key, const char*);
  static void write(typeset::MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*);
};

// A paragraph style.
struct Paragraph {
  using Value = Ref<typeset::ParagraphStyle>;
  static Value read(const typeset::AttributedString& s, size_t i, const char* key, const char*);
  static void write(typeset::MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*);
};

// A rich-text ruby annotation, stored as the typesetter's annotation made from it.
struct Ruby {
  using Value = Ref<DRTextRubyAnnotation>;
  static void write(typeset::MutableAttributedString& s, const Value& v, rt::Range r, const char* key, const char*);
};

}  // namespace codec

// X(getterName, SetterSuffix, codec, key, second key): a getter for the whole string and one at
// an index, a setter for the whole string and one for a range.
#define DR_TEXT_CHARACTER_ATTRIBUTES(X)                                                                          \
  X(font, Font, codec::Object<typeset::Font>, typeset::FontAttributeName, nullptr)                               \
  X(kern, Kern, codec::Object<fd::Number>, typeset::KernAttributeName, nullptr)                                  \
  X(color, Color, codec::ColorPair, typeset::ForegroundColorAttributeName, typeset::CTForegroundColorAttributeName) \
  X(backgroundColor, BackgroundColor, codec::Object<gfx::Color>, typeset::BackgroundColorAttributeName, nullptr) \
  X(strokeWidth, StrokeWidth, codec::Object<fd::Number>, typeset::StrokeWidthAttributeName, nullptr)             \
  X(strokeColor, StrokeColor, codec::ColorPair, typeset::StrokeColorAttributeName,                               \
    typeset::CTStrokeColorAttributeName)                                                                         \
  X(shadow, Shadow, codec::Object<typeset::Shadow>, typeset::ShadowAttributeName, nullptr)                       \
  X(strikethroughStyle, StrikethroughStyle, codec::IntegerStyle, typeset::StrikethroughStyleAttributeName, nullptr) \
  X(strikethroughColor, StrikethroughColor, codec::Object<gfx::Color>, typeset::StrikethroughColorAttributeName,  \
    nullptr)                                                                                                     \
  X(underlineStyle, UnderlineStyle, codec::IntegerStyle, typeset::UnderlineStyleAttributeName, nullptr)          \
  X(underlineColor, UnderlineColor, codec::ColorPair, typeset::UnderlineColorAttributeName,                      \
    typeset::CTUnderlineColorAttributeName)                                                                      \
  X(ligature, Ligature, codec::Object<fd::Number>, typeset::LigatureAttributeName, nullptr)                      \
  X(textEffect, TextEffect, codec::Object<fd::StringObject>, typeset::TextEffectAttributeName, nullptr)          \
  X(obliqueness, Obliqueness, codec::Object<fd::Number>, typeset::ObliquenessAttributeName, nullptr)             \
  X(expansion, Expansion, codec::Object<fd::Number>, typeset::ExpansionAttributeName, nullptr)                   \
  X(baselineOffset, BaselineOffset, codec::Object<fd::Number>, typeset::BaselineOffsetAttributeName, nullptr)    \
  X(verticalGlyphForm, VerticalGlyphForm, codec::Flag, typeset::VerticalGlyphFormAttributeName, nullptr)         \
  X(language, Language, codec::Object<fd::StringObject>, typeset::CTLanguageAttributeName, nullptr)              \
  X(writingDirection, WritingDirection, codec::Object<fd::Array>, typeset::CTWritingDirectionAttributeName, nullptr) \
  X(paragraphStyle, ParagraphStyle, codec::Paragraph, typeset::ParagraphStyleAttributeName, nullptr)             \
  X(textShadow, TextShadow, codec::Object<DRTextShadow>, DRTextShadowKey, nullptr)                               \
  X(textInnerShadow, TextInnerShadow, codec::Object<DRTextShadow>, DRTextInnerShadowKey, nullptr)                \
  X(textUnderline, TextUnderline, codec::Object<DRTextDecoration>, DRTextUnderlineKey, nullptr)                  \
  X(textStrikethrough, TextStrikethrough, codec::Object<DRTextDecoration>, DRTextStrikethroughKey, nullptr)      \
  X(textBorder, TextBorder, codec::Object<DRTextBorder>, DRTextBorderKey, nullptr)                               \
  X(textBackgroundBorder, TextBackgroundBorder, codec::Object<DRTextBorder>, DRTextBackgroundBorderKey, nullptr) \
  X(textGlyphTransform, TextGlyphTransform, codec::Transform, DRTextGlyphTransformKey, nullptr)

// Setters for a range only: X(SetterSuffix, codec, key).
#define DR_TEXT_RANGE_ATTRIBUTES(X)                                                         \
  X(Superscript, codec::NonZeroNumber, typeset::CTSuperscriptAttributeName)                 \
  X(GlyphInfo, codec::Object<rt::Object>, typeset::CTGlyphInfoAttributeName)               \
  X(CharacterShape, codec::Object<rt::Object>, typeset::CTCharacterShapeAttributeName)     \
  X(RunDelegate, codec::Object<typeset::RunDelegate>, typeset::CTRunDelegateAttributeName) \
  X(BaselineClass, codec::Object<rt::Object>, typeset::CTBaselineClassAttributeName)       \
  X(BaselineInfo, codec::Object<fd::Dictionary>, typeset::CTBaselineInfoAttributeName)     \
  X(BaselineReferenceInfo, codec::Object<fd::Dictionary>,                                   \
    typeset::CTBaselineReferenceInfoAttributeName)                                          \
  X(RubyAnnotation, codec::Object<typeset::RubyAnnotation>,                                 \
    typeset::CTRubyAnnotationAttributeName)                                                 \
  X(Attachment, codec::Object<rt::Object>, typeset::AttachmentAttributeName)               \
  X(Link, codec::Object<rt::Object>, typeset::LinkAttributeName)                           \
  X(TextBackedString, codec::Object<DRTextBackedString>, DRTextBackedStringKey)            \
  X(TextBinding, codec::Object<DRTextBinding>, DRTextBindingKey)                           \
  X(TextAttachment, codec::Object<DRTextAttachment>, DRTextAttachmentKey)                  \
  X(TextHighlight, codec::Object<DRTextHighlight>, DRTextHighlightKey)                     \
  X(TextBlockBorder, codec::Object<DRTextBorder>, DRTextBlockBorderKey)                    \
  X(TextRubyAnnotation, codec::Ruby, typeset::CTRubyAnnotationAttributeName)

// Paragraph-style fields: X(getterName, SetterSuffix, type).
#define DR_TEXT_PARAGRAPH_FIELDS(X)                                        \
  X(alignment, Alignment, typeset::TextAlignment)                          \
  X(baseWritingDirection, BaseWritingDirection, typeset::WritingDirection) \
  X(lineSpacing, LineSpacing, double)                                      \
  X(paragraphSpacing, ParagraphSpacing, double)                            \
  X(paragraphSpacingBefore, ParagraphSpacingBefore, double)                \
  X(firstLineHeadIndent, FirstLineHeadIndent, double)                      \
  X(headIndent, HeadIndent, double)                                        \
  X(tailIndent, TailIndent, double)                                        \
  X(lineBreakMode, LineBreakMode, typeset::LineBreakMode)                  \
  X(minimumLineHeight, MinimumLineHeight, double)                          \
  X(maximumLineHeight, MaximumLineHeight, double)                          \
  X(lineHeightMultiple, LineHeightMultiple, double)                        \
  X(hyphenationFactor, HyphenationFactor, float)                           \
  X(defaultTabInterval, DefaultTabInterval, double)                        \
  X(tabStops, TabStops, std::vector<Ref<typeset::TextTab>>)

}  // namespace text
