#include "text/model/AttributedString+DRText.h"

#include <algorithm>
#include <unordered_set>

#include "image/codec/DRAnimatedImage.h"
#include "image/views/DRAnimatedImageView.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/ValueBox.h"
#include "text/model/DRTextArchiver.h"
#include "text/model/DRTextRubyAnnotation.h"
#include "text/model/DRTextRunDelegate.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "text/model/ParagraphStyle+DRText.h"

namespace text {

using typeset::AttributedString;
using typeset::MutableAttributedString;

// ---- the index rule and the codecs' reading side

rt::Id attributeAtIndex(const AttributedString& s, const rt::String& name, size_t index) {
  if (name.isEmpty() || s.length() == 0) return nullptr;
  if (index == s.length()) index = s.length() - 1;
  return s.attributeAtIndex(name, index);
}

Ref<fd::Dictionary> attributesAtIndex(const AttributedString& s, size_t index) {
  if (s.length() == 0) return nullptr;
  if (index == s.length()) index = s.length() - 1;
  return s.attributesAtIndex(index);
}

Ref<fd::Dictionary> attributes(const AttributedString& s) { return attributesAtIndex(s, 0); }

namespace codec {

ColorPair::Value ColorPair::read(const AttributedString& s, size_t i, const char* key, const char* ctKey) {
  if (auto c = rt::as<gfx::Color>(attributeAtIndex(s, key, i))) return c;
  // The typesetter's colour is the same class here: wrapping it is the identity.
  return rt::as<gfx::Color>(attributeAtIndex(s, ctKey, i));
}

IntegerStyle::Value IntegerStyle::read(const AttributedString& s, size_t i, const char* key, const char*) {
  auto n = rt::as<fd::Number>(attributeAtIndex(s, key, i));
  return n ? n->integerValue() : 0;
}

Flag::Value Flag::read(const AttributedString& s, size_t i, const char* key, const char*) {
  auto n = rt::as<fd::Number>(attributeAtIndex(s, key, i));
  return n && n->boolValue();
}

NonZeroNumber::Value NonZeroNumber::read(const AttributedString& s, size_t i, const char* key, const char*) {
  return rt::as<fd::Number>(attributeAtIndex(s, key, i));
}

Transform::Value Transform::read(const AttributedString& s, size_t i, const char* key, const char*) {
  gfx::AffineTransform t = gfx::AffineTransformIdentity;
  if (auto box = rt::as<fd::ValueBox>(attributeAtIndex(s, key, i))) box->get(t);
  return t;
}

Paragraph::Value Paragraph::read(const AttributedString& s, size_t i, const char* key, const char*) {
  return rt::as<typeset::ParagraphStyle>(attributeAtIndex(s, key, i));
}

}  // namespace codec

// ---- generated getters

#define DR_TEXT_DEFINE_GETTER(name, Name, Codec, key, key2)                                 \
  Codec::Value name##AtIndex(const AttributedString& s, size_t index) {                     \
    return Codec::read(s, index, key, key2);                                                \
  }                                                                                         \
  Codec::Value name(const AttributedString& s) { return name##AtIndex(s, 0); }
DR_TEXT_CHARACTER_ATTRIBUTES(DR_TEXT_DEFINE_GETTER)
#undef DR_TEXT_DEFINE_GETTER

namespace {
const typeset::ParagraphStyle& styleOrDefault(const Ref<typeset::ParagraphStyle>& style) {
  return style ? *style : *typeset::ParagraphStyle::defaultParagraphStyle();
}
}  // namespace

#define DR_TEXT_DEFINE_FIELD_GETTER(name, Name, Type)                                      \
  Type name##AtIndex(const AttributedString& s, size_t index) {                            \
    return styleOrDefault(paragraphStyleAtIndex(s, index)).name();                         \
  }                                                                                        \
  Type name(const AttributedString& s) { return name##AtIndex(s, 0); }
DR_TEXT_PARAGRAPH_FIELDS(DR_TEXT_DEFINE_FIELD_GETTER)
#undef DR_TEXT_DEFINE_FIELD_GETTER

// ---- archiving

Ref<fd::Data> archiveToData(const AttributedString& s) {
  return DRTextArchiver::archivedDataWithRootObject(std::const_pointer_cast<rt::Object>(s.self()));
}

Ref<AttributedString> unarchiveFromData(const Ref<fd::Data>& data) {
  return rt::as<AttributedString>(DRTextUnarchiver::unarchiveObjectWithData(data));
}

// ---- plain text

rt::Range rangeOfAll(const AttributedString& s) { return {0, s.length()}; }

std::optional<rt::String> plainTextForRange(const AttributedString& s, rt::Range range) {
  if (range.location == rt::NotFound || range.length == rt::NotFound) return std::nullopt;
  rt::String out;
  if (range.length == 0) return out;
  std::u16string units;
  s.enumerateAttribute(DRTextBackedStringKey, range, 0, [&](const rt::Id& value, rt::Range run, bool&) {
    auto backed = rt::as<DRTextBackedString>(value);
    if (backed) units.append(backed->string().view());
    else units.append(s.string().view().substr(run.location, run.length));
  });
  return rt::String(units);
}

// ---- attachment strings

namespace {

Ref<MutableAttributedString> attachmentString(const rt::Id& content, int64_t contentMode, double width, double ascent,
                                              double descent, gfx::EdgeInsets insets = {}) {
  auto s = MutableAttributedString::create(DRTextObjectReplacementString);
  auto attachment = DRTextAttachment::attachmentWithContent(content);
  attachment->setContentMode(contentMode);
  attachment->setContentInsets(insets);
  setTextAttachment(*s, attachment, rangeOfAll(*s));
  auto delegate = rt::make<DRTextRunDelegate>();
  delegate->setWidth(width);
  delegate->setAscent(ascent);
  delegate->setDescent(descent);
  setRunDelegate(*s, delegate->CTRunDelegate(), rangeOfAll(*s));
  return s;
}

}  // namespace

Ref<MutableAttributedString> attachmentStringWithContent(const rt::Id& content, int64_t contentMode, double width,
                                                         double ascent, double descent) {
  return attachmentString(content, contentMode, width, ascent, descent);
}

Ref<MutableAttributedString> attachmentStringWithContent(const rt::Id& content, int64_t contentMode, gfx::Size size,
                                                         const Ref<typeset::Font>& font, int64_t alignment) {
  const double a = font ? font->ascender() : 0, d = font ? font->descender() : 0, h = size.height;
  double ascent = h, descent = 0;
  switch (alignment) {
    case 0:
      ascent = a;
      descent = std::max(0.0, h - a);
      break;
    case 1:
      ascent = h / 2 + (a - (a - d) / 2);
      descent = std::max(0.0, h - ascent);
      break;
    case 2:
      ascent = std::max(0.0, h + d);
      descent = -d;
      break;
    default: break;
  }
  return attachmentString(content, contentMode, size.width, ascent, descent);
}

Ref<MutableAttributedString> attachmentStringWithEmojiImage(const Ref<gfx::Image>& image, double fontSize) {
  if (!image || !(fontSize > 0)) return nullptr;
  bool animated = image->images().size() > 1;
  if (auto frames = dynamic_cast<image::DRAnimatedImage*>(image.get()))
    animated = animated || frames->animatedImageFrameCount() > 1;
  double ascent, descent, y;
  if (fontSize < 16) {
    ascent = 1.25 * fontSize, descent = 0.390625 * fontSize, y = -0.2525 * fontSize;
  } else if (fontSize <= 24) {
    ascent = 0.5 * fontSize + 12, descent = 0.15625 * fontSize + 3.75, y = 0.1225 * fontSize - 6;
  } else {
    ascent = fontSize, descent = 0.3125 * fontSize, y = -0.1275 * fontSize;
  }
  const gfx::Rect bounds{{0.75, y}, {ascent, ascent}};
  const gfx::EdgeInsets insets{ascent - (ascent + y), 0.75, descent + y, 0.75};
  constexpr int64_t kAspectFit = 1;
  rt::Id content = image;
  if (animated) {
    auto view = rt::make<image::DRAnimatedImageView>(image);
    view->setFrame(bounds);
    view->setContentMode(static_cast<ui::ViewContentMode>(kAspectFit));
    content = view;
  }
  return attachmentString(content, kAspectFit, ascent + 1.5, ascent, descent, insets);
}

// ---- whole-string tests

bool isSharedAttributesInAllRange(const AttributedString& s) {
  bool shared = true;
  Ref<fd::Dictionary> first;
  s.enumerateAttributes(rangeOfAll(s), typeset::AttributedStringEnumerationLongestEffectiveRangeNotRequired,
                        [&](const Ref<fd::Dictionary>& attrs, rt::Range range, bool& stop) {
                          if (range.location == 0) {
                            first = attrs;
                            return;
                          }
                          const size_t count = attrs ? attrs->count() : 0, firstCount = first ? first->count() : 0;
                          if (count != firstCount || (first && attrs && !first->isEqualToDictionary(*attrs))) {
                            shared = false;
                            stop = true;
                          }
                        });
  return shared;
}

namespace {
const std::unordered_set<std::string>& typesetterOnlyKeys() {
  static const std::unordered_set<std::string> keys = {
      typeset::CTGlyphInfoAttributeName, typeset::CTCharacterShapeAttributeName, typeset::CTLanguageAttributeName,
      typeset::CTRunDelegateAttributeName, typeset::CTBaselineClassAttributeName, typeset::CTBaselineInfoAttributeName,
      typeset::CTBaselineReferenceInfoAttributeName, typeset::CTRubyAnnotationAttributeName, DRTextShadowKey,
      DRTextInnerShadowKey, DRTextUnderlineKey, DRTextStrikethroughKey, DRTextBorderKey, DRTextBackgroundBorderKey,
      DRTextBlockBorderKey, DRTextAttachmentKey, DRTextHighlightKey, DRTextGlyphTransformKey,
  };
  return keys;
}
}  // namespace

bool canDrawWithUIKit(const AttributedString& s) {
  bool can = true;
  s.enumerateAttributes(
      rangeOfAll(s), typeset::AttributedStringEnumerationLongestEffectiveRangeNotRequired,
      [&](const Ref<fd::Dictionary>& attrs, rt::Range, bool& stop) {
        if (!attrs || attrs->count() == 0) return;
        bool typesetterOnly = false;
        attrs->enumerateKeysAndObjects([&](const rt::Id& key, const rt::Id&, bool& stopKeys) {
          auto name = rt::as<fd::StringObject>(key);
          if (name && typesetterOnlyKeys().count(name->string().utf8())) typesetterOnly = stopKeys = true;
        });
        auto has = [&](const char* key) { return static_cast<bool>(attrs->objectForKey(key)); };
        // Keys the two families share count as the platform's own.
        auto onlyTypesetter = [&](const char* ctKey, const char* key) {
          return std::string_view(ctKey) != key && has(ctKey) && !has(key);
        };
        if (typesetterOnly ||
            onlyTypesetter(typeset::CTForegroundColorAttributeName, typeset::ForegroundColorAttributeName) ||
            onlyTypesetter(typeset::CTStrokeColorAttributeName, typeset::StrokeColorAttributeName) ||
            onlyTypesetter(typeset::CTUnderlineColorAttributeName, typeset::UnderlineColorAttributeName)) {
          can = false;
          stop = true;
        }
      });
  return can;
}

}  // namespace text
