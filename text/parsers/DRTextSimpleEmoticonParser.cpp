#include "text/parsers/DRTextSimpleEmoticonParser.h"

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextBackedString.h"
#include "text/model/MutableAttributedString+DRText.h"

namespace text {

RT_IMPLEMENT(DRTextSimpleEmoticonParser) {}

using rt::Range;
using rt::String;

namespace {

std::u16string escapedKey(const String& key) {
  static const std::u16string special = u"$^?+*.,#|{}[]()\\";
  std::u16string out;
  for (size_t i = 0; i < key.length(); i++) {
    char16_t c = key.characterAtIndex(i);
    if (special.find(c) != std::u16string::npos) out.push_back(u'\\');
    out.push_back(c);
  }
  return out;
}

}  // namespace

DRTextSimpleEmoticonParser::Mapper DRTextSimpleEmoticonParser::emoticonMapper() const {
  std::lock_guard<std::mutex> hold(lock_);
  return mapper_;
}

Ref<fd::RegularExpression> DRTextSimpleEmoticonParser::regex() const {
  std::lock_guard<std::mutex> hold(lock_);
  return regex_;
}

void DRTextSimpleEmoticonParser::setEmoticonMapper(Mapper mapper) {
  std::lock_guard<std::mutex> hold(lock_);
  mapper_ = std::move(mapper);
  regex_ = nullptr;
  if (mapper_.empty()) return;
  std::u16string pattern = u"(";
  for (size_t i = 0; i < mapper_.size(); i++) {
    if (i) pattern.push_back(u'|');
    pattern += escapedKey(mapper_[i].first);
  }
  pattern.push_back(u')');
  regex_ = fd::RegularExpression::create(String(pattern));
}

Range DRTextSimpleEmoticonParser::selectionAfterReplacing(Range replaced, size_t newLength, Range selection) {
  size_t a = replaced.location, b = replaced.length, c = newLength, d = selection.location, e = selection.length;
  if (b == c || a >= d + e) return selection;
  if (a + b <= d) return Range{d + c - b, e};
  if (a == d && b == e) return Range{a, c};
  if (a != d && a + b != d + e) return Range{a + c, 0};
  if (b >= e) return Range{a + c, 0};
  return Range{d, e + c - b};
}

bool DRTextSimpleEmoticonParser::parseText(typeset::MutableAttributedString& text, Range* selectedRange) {
  if (text.length() == 0) return false;
  Mapper mapper;
  Ref<fd::RegularExpression> re;
  {
    std::lock_guard<std::mutex> hold(lock_);
    mapper = mapper_;
    re = regex_;
  }
  if (!re || mapper.empty()) return false;
  auto matches = re->matchesInString(text.string());
  if (matches.empty()) return false;

  Range selection = selectedRange ? *selectedRange : Range{0, 0};
  size_t shift = 0;
  for (const auto& match : matches) {
    Range found = match->range();
    if (found.length == 0) continue;
    Range range{found.location - shift, found.length};
    String key = text.string().substring(range);
    Ref<gfx::Image> image;
    for (const auto& [k, v] : mapper)
      if (k == key) {
        image = v;
        break;
      }
    if (!image) continue;
    double fontSize = 12;
    if (auto font = rt::as<typeset::Font>(text.attributeAtIndex(typeset::FontAttributeName, range.location)))
      fontSize = font->pointSize();
    auto replacement = attachmentStringWithEmojiImage(image, fontSize);
    // Without a picture (a font size of 0 or less) the key stays as it is.
    if (!replacement || replacement->length() != 1) continue;
    replacement->addAttribute(String(DRTextBackedStringKey), DRTextBackedString::stringWithString(key),
                              Range{0, replacement->length()});
    text.replaceCharactersInRange(range, replacement->string());
    removeDiscontinuousAttributesInRange(text, Range{range.location, replacement->length()});
    text.addAttributes(*replacement->attributesAtIndex(0), Range{range.location, replacement->length()});
    selection = selectionAfterReplacing(range, replacement->length(), selection);
    shift += key.length() - 1;
  }
  if (selectedRange) *selectedRange = selection;
  return true;
}

}  // namespace text
