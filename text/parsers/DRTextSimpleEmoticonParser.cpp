#include "text/parsers/DRTextSimpleEmoticonParser.h"

#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextBackedString.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "text/parsers/DRTextRunsBuilder.h"

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
  const String& original = text.string();
  auto matches = re->matchesInString(original);
  if (matches.empty()) return false;

  // The new text is written once, left to right: a replacement per edit would move the rest of
  // the text and its runs each time.
  DRTextRunsBuilder replaced;
  size_t copied = 0;  // in the original text
  auto copyUpTo = [&](size_t end) {
    if (end <= copied) return;
    text.enumerateAttributes(Range{copied, end - copied}, typeset::AttributedStringEnumerationLongestEffectiveRangeNotRequired,
                             [&](const typeset::AttributedString::Attributes& attributes, Range r, bool&) {
                               replaced.append(original.data() + r.location, r.length, attributes);
                             });
    copied = end;
  };
  Range selection = selectedRange ? *selectedRange : Range{0, 0};
  size_t shift = 0;
  bool any = false;
  for (const auto& match : matches) {
    Range found = match->range();
    if (found.length == 0) continue;
    String key = original.substring(found);
    Ref<gfx::Image> image;
    for (const auto& [k, v] : mapper)
      if (k == key) {
        image = v;
        break;
      }
    if (!image) continue;
    double fontSize = 12;
    if (auto font = rt::as<typeset::Font>(text.attributeAtIndex(typeset::FontAttributeName, found.location)))
      fontSize = font->pointSize();
    auto replacement = attachmentStringWithEmojiImage(image, fontSize);
    // Without a picture (a font size of 0 or less) the key stays as it is.
    if (!replacement || replacement->length() != 1) continue;
    replacement->addAttribute(String(DRTextBackedStringKey), DRTextBackedString::stringWithString(key),
                              Range{0, replacement->length()});
    // The attachment character keeps the key's first attributes but the discontinuous ones,
    // and takes the replacement's.
    auto attributes = rt::as<fd::MutableDictionary>(text.attributesAtIndex(found.location)->mutableCopy());
    for (const auto& k : allDiscontinuousAttributeKeys()) attributes->removeObjectForKey(k);
    attributes->addEntriesFromDictionary(*replacement->attributesAtIndex(0));
    copyUpTo(found.location);
    replaced.append(replacement->string().data(), 1, attributes);
    copied = found.location + found.length;
    any = true;

    Range range{found.location - shift, found.length};
    selection = selectionAfterReplacing(range, 1, selection);
    shift += key.length() - 1;
  }
  if (any) {
    copyUpTo(original.length());
    replaced.finish();
    text.setAttributedString(replaced);
  }
  if (selectedRange) *selectedRange = selection;
  return true;
}

}  // namespace text
