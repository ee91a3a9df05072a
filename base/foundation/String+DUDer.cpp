#include "base/foundation/String+DUDer.h"

#include <cfloat>
#include <cmath>

#include "base/foundation/Data+DUDer.h"
#include "base/foundation/Number+DUDer.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/text/RegularExpression.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/UUID.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/StringDrawing.h"

namespace base {
namespace {

Ref<fd::Data> utf8Of(const String& s) { return fd::Data::create(s.utf8()); }

}  // namespace

String md2String(const String& s) { return md2String(*utf8Of(s)); }
String md4String(const String& s) { return md4String(*utf8Of(s)); }
String md5String(const String& s) { return md5String(*utf8Of(s)); }
String sha1String(const String& s) { return sha1String(*utf8Of(s)); }
String sha224String(const String& s) { return sha224String(*utf8Of(s)); }
String sha256String(const String& s) { return sha256String(*utf8Of(s)); }
String sha384String(const String& s) { return sha384String(*utf8Of(s)); }
String sha512String(const String& s) { return sha512String(*utf8Of(s)); }
String crc32String(const String& s) { return crc32String(*utf8Of(s)); }
String hmacMD5StringWithKey(const String& s, const String& k) { return hmacMD5StringWithKey(*utf8Of(s), k); }
String hmacSHA1StringWithKey(const String& s, const String& k) { return hmacSHA1StringWithKey(*utf8Of(s), k); }
String hmacSHA224StringWithKey(const String& s, const String& k) { return hmacSHA224StringWithKey(*utf8Of(s), k); }
String hmacSHA256StringWithKey(const String& s, const String& k) { return hmacSHA256StringWithKey(*utf8Of(s), k); }
String hmacSHA384StringWithKey(const String& s, const String& k) { return hmacSHA384StringWithKey(*utf8Of(s), k); }
String hmacSHA512StringWithKey(const String& s, const String& k) { return hmacSHA512StringWithKey(*utf8Of(s), k); }
String base64EncodedString(const String& s) { return base64EncodedString(*utf8Of(s)); }
Ref<fd::Data> dataValue(const String& s) { return utf8Of(s); }
rt::Id jsonValueDecoded(const String& s) { return jsonValueDecoded(*utf8Of(s)); }

std::optional<String> stringWithBase64EncodedString(const String& base64) {
  auto data = dataWithBase64EncodedString(base64);
  if (!data) return std::nullopt;
  return utf8String(*data);
}

String stringByURLEncode(const String& s) {
  static const rt::CharacterSet allowed = [] {
    rt::CharacterSet set = rt::CharacterSet::URLQueryAllowedCharacterSet();
    set.removeCharactersInString(":#[]@!$&'()*+,;=");
    return set;
  }();
  String out;
  size_t index = 0;
  while (index < s.length()) {
    // Batches never split a composed character sequence.
    size_t len = std::min<size_t>(50, s.length() - index);
    rt::Range r = s.rangeOfComposedCharacterSequencesForRange({index, len});
    if (r.length == 0) break;
    out += s.substring(r.location, r.length).stringByAddingPercentEncodingWithAllowedCharacters(allowed);
    index = r.location + r.length;
  }
  return out;
}

std::optional<String> stringByURLDecode(const String& s) { return s.stringByRemovingPercentEncoding(); }

String stringByEscapingHTML(const String& s) {
  if (s.isEmpty()) return s;
  String out = String::withCapacity(0);
  for (size_t i = 0; i < s.length(); ++i) {
    char16_t c = s[i];
    switch (c) {
      case u'"': out += "&quot;"; break;
      case u'&': out += "&amp;"; break;
      case u'\'': out += "&apos;"; break;
      case u'<': out += "&lt;"; break;
      case u'>': out += "&gt;"; break;
      default: out.appendCharacter(c);
    }
  }
  return out;
}

gfx::Size sizeForFont(const String& s, const Ref<typeset::Font>& font, gfx::Size size, typeset::LineBreakMode mode) {
  auto attributes = fd::MutableDictionary::create();
  attributes->setObjectForKey(font ? font : typeset::Font::systemFontOfSize(12), String(typeset::FontAttributeName));
  if (mode != typeset::LineBreakMode::ByWordWrapping) {
    auto style = typeset::MutableParagraphStyle::create();
    style->setLineBreakMode(mode);
    attributes->setObjectForKey(style, String(typeset::ParagraphStyleAttributeName));
  }
  // Line-fragment origin plus font leading.
  return typeset::boundingRectWithSize(s, size, 3, attributes).size;
}

double widthForFont(const String& s, const Ref<typeset::Font>& font) {
  return sizeForFont(s, font, {FLT_MAX, FLT_MAX}, typeset::LineBreakMode::ByWordWrapping).width;
}

double heightForFont(const String& s, const Ref<typeset::Font>& font, double width) {
  return sizeForFont(s, font, {width, FLT_MAX}, typeset::LineBreakMode::ByWordWrapping).height;
}

bool matchesRegex(const String& s, const String& pattern, uint64_t options) {
  auto regex = fd::RegularExpression::create(pattern, options);
  if (!regex) return false;
  return regex->numberOfMatchesInString(s, 0, rangeOfAll(s)) != 0;
}

void enumerateRegexMatches(const String& s, const String& pattern, uint64_t options, const RegexMatchBlock& block) {
  if (!block || pattern.isEmpty()) return;
  auto regex = fd::RegularExpression::create(pattern, options);
  if (!regex) return;
  regex->enumerateMatchesInString(s, 0, rangeOfAll(s), [&](const Ref<fd::TextCheckingResult>& result, uint64_t, bool& stop) {
    if (!result) return;
    rt::Range r = result->range();
    block(s.substring(r.location, r.length), r, stop);
  });
}

String stringByReplacingRegex(const String& s, const String& pattern, uint64_t options, const String& replacement) {
  auto regex = fd::RegularExpression::create(pattern, options);
  if (!regex) return s;
  return regex->stringByReplacingMatchesInString(s, 0, rangeOfAll(s), replacement);
}

Ref<fd::Number> numberValue(const String& s) { return numberWithString(s); }
char charValue(const String& s) { auto n = numberValue(s); return n ? n->charValue() : 0; }
unsigned char unsignedCharValue(const String& s) { auto n = numberValue(s); return n ? n->unsignedCharValue() : 0; }
int16_t shortValue(const String& s) { auto n = numberValue(s); return n ? n->shortValue() : 0; }
uint16_t unsignedShortValue(const String& s) { auto n = numberValue(s); return n ? n->unsignedShortValue() : 0; }
uint32_t unsignedIntValue(const String& s) { auto n = numberValue(s); return n ? n->unsignedIntValue() : 0; }
int64_t longValue(const String& s) { auto n = numberValue(s); return n ? n->longValue() : 0; }
uint64_t unsignedLongValue(const String& s) { auto n = numberValue(s); return n ? n->unsignedLongValue() : 0; }
uint64_t unsignedLongLongValue(const String& s) { auto n = numberValue(s); return n ? n->unsignedLongLongValue() : 0; }
uint64_t unsignedIntegerValue(const String& s) { auto n = numberValue(s); return n ? n->unsignedIntegerValue() : 0; }

String stringWithUUID() { return fd::UUID::create()->UUIDString().uppercaseString(); }

std::optional<String> stringWithUTF32Chars(const char32_t* chars, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (chars[i] > 0x10FFFF || (chars[i] >= 0xD800 && chars[i] <= 0xDFFF)) return std::nullopt;
  }
  return String::fromUTF32(chars, length);
}

std::optional<String> stringWithUTF32Char(char32_t c) { return stringWithUTF32Chars(&c, 1); }

void enumerateUTF32CharInRange(const String& s, rt::Range range,
                               const std::function<void(char32_t, rt::Range, bool&)>& block) {
  if (!block || range.location > s.length() || range.length > s.length() - range.location) return;
  size_t end = range.location + range.length;
  bool stop = false;
  for (size_t i = range.location; i < end && !stop;) {
    char32_t c = s[i];
    size_t len = 1;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < end && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      len = 2;
    }
    block(c, {i, len}, stop);
    i += len;
  }
}

String stringByTrim(const String& s) {
  return s.stringByTrimmingCharactersInSet(rt::CharacterSet::whitespaceAndNewlineCharacterSet());
}

bool isNotBlank(const String& s) {
  const auto& blank = rt::CharacterSet::whitespaceAndNewlineCharacterSet();
  for (size_t i = 0; i < s.length(); ++i) {
    if (!blank.characterIsMember(s[i])) return true;
  }
  return false;
}

bool containsString(const String& s, const std::optional<String>& other) {
  return other && s.rangeOfString(*other).location != rt::NotFound;
}

bool containsCharacterSet(const String& s, const rt::CharacterSet* set) {
  return set && s.rangeOfCharacterFromSet(*set).location != rt::NotFound;
}

rt::Range rangeOfAll(const String& s) { return {0, s.length()}; }

std::optional<String> stringNamed(const String& name) {
  auto bundle = fd::Bundle::mainBundle();
  for (const char* type : {"", "txt"}) {
    auto path = bundle->pathForResource(name, type);
    if (!path) continue;
    auto data = fd::dataWithContentsOfFile(*path);
    if (!data) continue;
    if (auto text = utf8String(*data)) return text;
  }
  return std::nullopt;
}

namespace {

bool scaleIsOne(const String& s, double scale) {
  return std::fabs(scale - 1) <= FLT_EPSILON || s.isEmpty() || s.hasSuffix("/");
}

String scaleSuffix(double scale) { return "@" + fd::Number::numberWithDouble(scale)->description() + "x"; }

}  // namespace

String stringByAppendingNameScale(const String& s, double scale) {
  if (scaleIsOne(s, scale)) return s;
  return s + scaleSuffix(scale);
}

String stringByAppendingPathScale(const String& s, double scale) {
  if (scaleIsOne(s, scale)) return s;
  String ext = s.pathExtension();
  String out = s;
  out.insert(scaleSuffix(scale), ext.isEmpty() ? s.length() : s.length() - ext.length() - 1);
  return out;
}

double pathScale(const String& s) {
  if (s.isEmpty() || s.hasSuffix("/")) return 1;
  String name = s.stringByDeletingPathExtension();
  double scale = 1;
  enumerateRegexMatches(name, "@[0-9]+\\.?[0-9]*x$", fd::RegularExpressionAnchorsMatchLines,
                        [&](const String& match, rt::Range, bool&) {
                          scale = match.substring(1, match.length() - 2).doubleValue();
                        });
  return scale;
}

}  // namespace base
