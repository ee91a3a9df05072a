#include "app/util/NSData+Category.h"
#include "app/util/NSString+Category.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/RegularExpression.h"
#include "platform/runtime/CharacterSet.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/StringDrawing.h"

namespace app {
namespace {

Ref<fd::Data> utf8Data(const fd::String& text) { return fd::Data::create(text.utf8()); }

const rt::CharacterSet& unescapedCharacters() {
  static const rt::CharacterSet set = [] {
    rt::CharacterSet s = rt::CharacterSet::characterSetWithRange(rt::Range{'a', 26});
    s.addCharactersInRange(rt::Range{'A', 26});
    s.addCharactersInRange(rt::Range{'0', 10});
    s.addCharactersInString("-._~");
    return s;
  }();
  return set;
}

}  // namespace

fd::String md5(const fd::String& text) {
  // The digest stops where a C string of the text would end.
  return MD5String(*fd::Data::create(text.cString())).lowercaseString();
}

Ref<fd::Data> MD5Data(const fd::String& text) { return MD5Data(*utf8Data(text)); }
fd::String MD5String(const fd::String& text) { return MD5String(*utf8Data(text)).lowercaseString(); }
Ref<fd::Data> SHA1Data(const fd::String& text) { return SHA1Data(*utf8Data(text)); }
fd::String SHA1String(const fd::String& text) { return SHA1String(*utf8Data(text)); }

fd::String URLEncoding(const fd::String& text) {
  return text.stringByAddingPercentEncodingWithAllowedCharacters(unescapedCharacters());
}

std::optional<fd::String> URLDecoding(const fd::String& text) {
  return text.stringByReplacingOccurrencesOfString("+", " ", rt::LiteralSearch).stringByRemovingPercentEncoding();
}

bool hasURLScheme(const fd::String& text) {
  auto letter = [](char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (text.isEmpty() || !letter(text.characterAtIndex(0))) return false;
  for (size_t i = 1; i < text.length(); ++i) {
    char16_t c = text.characterAtIndex(i);
    if (c == ':') return true;
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

bool isEmpty(const fd::String& text) { return text.length() == 0; }
bool equal(const fd::String& text, const fd::String& other) { return text == other; }

bool isUserName(const fd::String& text) { return fd::matchesPattern(text, "(^[A-Za-z0-9]{3,20}$)"); }
bool isChineseUserName(const fd::String& text) {
  return fd::matchesPattern(text, u"(^[A-Za-z0-9\u4e00-\u9fa5]{3,20}$)");
}
bool isPassword(const fd::String& text) { return fd::matchesPattern(text, "(^[A-Za-z0-9]{6,20}$)"); }
bool isEmail(const fd::String& text) {
  return fd::matchesPattern(text, "[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}");
}
bool isUrl(const fd::String& text) {
  return fd::matchesPattern(text, "http(s)?:\\/\\/([\\w-]+\\.)+[\\w-]+(\\/[\\w- .\\/?%&=]*)?");
}
bool isDigital(const fd::String& text) { return fd::matchesPattern(text, "(^[0-9*]{1,20}$)"); }

bool isTelephone(const fd::String& text) {
  static const char* const kPrefixes[] = {
      "^(130|131|132|133|185|186|156|155)[0-9]{8}",
      "^(134|135|136|137|138|139|147|150|151|152|157|158|159|182|183|187|188)[0-9]{8}",
      "^(133|153|180|181|189)[0-9]{8}",
  };
  for (const char* pattern : kPrefixes) {
    if (fd::matchesPattern(text, pattern)) return true;
  }
  return false;
}
bool isTelephone(const std::optional<fd::String>& text) { return text && isTelephone(*text); }

bool isTel(const fd::String& text) { return fd::matchesPattern(text, "(0(([0-9]{2,3})|([0-9]{2,3}-))[0-9]{7,8})"); }

gfx::Size boundingRectWithSize(const fd::String& text, gfx::Size size, double fontSize) {
  auto attributes =
      fd::Dictionary::withStrings({{typeset::FontAttributeName, typeset::Font::systemFontOfSize(fontSize)}});
  uint32_t options = typeset::StringDrawingUsesLineFragmentOrigin | typeset::StringDrawingUsesFontLeading |
                     typeset::StringDrawingTruncatesLastVisibleLine;
  return typeset::boundingRectWithSize(text, size, options, attributes).size;
}

}  // namespace app
