#pragma once
// Text as digests and encodings of its UTF-8 bytes (equal to the byte-buffer forms), URL and
// HTML escaping, measuring in a font, regular-expression shortcuts, an emoji test that follows
// the running system's emoji repertoire, numbers, UTF-32 and the "@2x" rules of image names.
// Safe from any thread; the emoji tables are built once per process.
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Geometry.h"
#include "platform/runtime/CharacterSet.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ParagraphStyle.h"

namespace base {

using rt::String;

String md2String(const String& s);
String md4String(const String& s);
String md5String(const String& s);
String sha1String(const String& s);
String sha224String(const String& s);
String sha256String(const String& s);
String sha384String(const String& s);
String sha512String(const String& s);
String crc32String(const String& s);
String hmacMD5StringWithKey(const String& s, const String& key);
String hmacSHA1StringWithKey(const String& s, const String& key);
String hmacSHA224StringWithKey(const String& s, const String& key);
String hmacSHA256StringWithKey(const String& s, const String& key);
String hmacSHA384StringWithKey(const String& s, const String& key);
String hmacSHA512StringWithKey(const String& s, const String& key);
String base64EncodedString(const String& s);
/// The UTF-8 bytes.
Ref<fd::Data> dataValue(const String& s);
rt::Id jsonValueDecoded(const String& s);
/// Base64 of UTF-8 text; nullopt when either step fails.
std::optional<String> stringWithBase64EncodedString(const String& base64);

/// Percent-encodes everything but unreserved characters, "/" and "?"; never splits a
/// composed character sequence.
String stringByURLEncode(const String& s);
/// nullopt for a malformed escape; "+" stays "+".
std::optional<String> stringByURLDecode(const String& s);
/// Replaces the five characters " & ' < > with their entities and nothing else.
String stringByEscapingHTML(const String& s);

/// The size of the text wrapped to `size`, unrounded; a null font means the 12-point system font.
gfx::Size sizeForFont(const String& s, const Ref<typeset::Font>& font, gfx::Size size, typeset::LineBreakMode mode);
double widthForFont(const String& s, const Ref<typeset::Font>& font);
double heightForFont(const String& s, const Ref<typeset::Font>& font, double width);

/// False when the pattern does not compile.
bool matchesRegex(const String& s, const String& pattern, uint64_t options);
using RegexMatchBlock = std::function<void(const String& match, rt::Range range, bool& stop)>;
void enumerateRegexMatches(const String& s, const String& pattern, uint64_t options, const RegexMatchBlock& block);
/// The text unchanged when the pattern does not compile.
String stringByReplacingRegex(const String& s, const String& pattern, uint64_t options, const String& replacement);

bool containsEmoji(const String& s);
bool containsEmojiForSystemVersion(const String& s, float version);

/// Null when the text is not a number (see numberWithString); the accessors then give 0.
Ref<fd::Number> numberValue(const String& s);
char charValue(const String& s);
unsigned char unsignedCharValue(const String& s);
int16_t shortValue(const String& s);
uint16_t unsignedShortValue(const String& s);
uint32_t unsignedIntValue(const String& s);
int64_t longValue(const String& s);
uint64_t unsignedLongValue(const String& s);
uint64_t unsignedLongLongValue(const String& s);
uint64_t unsignedIntegerValue(const String& s);

/// A new random UUID, 36 upper-case characters.
String stringWithUUID();
/// nullopt for a surrogate or a value beyond U+10FFFF.
std::optional<String> stringWithUTF32Char(char32_t c);
std::optional<String> stringWithUTF32Chars(const char32_t* chars, size_t length);
/// Calls the block per code point of `range` with its range in the whole text (a surrogate pair
/// spans 2 units); `stop` ends the walk. Nothing happens for a range beyond the text.
void enumerateUTF32CharInRange(const String& s, rt::Range range,
                               const std::function<void(char32_t c, rt::Range range, bool& stop)>& block);
String stringByTrim(const String& s);
bool isNotBlank(const String& s);
bool containsString(const String& s, const std::optional<String>& other);
bool containsCharacterSet(const String& s, const rt::CharacterSet* set);
rt::Range rangeOfAll(const String& s);
/// The main bundle's resource of that name read as UTF-8, trying no type and then "txt".
std::optional<String> stringNamed(const String& name);

/// "icon" at scale 2 becomes "icon@2x"; scale 1, empty text or a trailing "/" leave it unchanged.
String stringByAppendingNameScale(const String& s, double scale);
/// "a/b.png" at scale 3 becomes "a/b@3x.png".
String stringByAppendingPathScale(const String& s, double scale);
/// The scale of a name's "@<n>x" suffix before its extension, 1 without one.
double pathScale(const String& s);

}  // namespace base
