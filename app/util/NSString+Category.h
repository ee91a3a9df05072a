#pragma once
// Digests, URL escaping, input validators and a text-size measure on strings. Digests are
// taken over the text's UTF-8 bytes.
#include <optional>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/Geometry.h"

namespace app {

/// Lower-case hexadecimal MD5 of the UTF-8 bytes up to the first zero byte (the signing
/// digest of the content service).
fd::String md5(const fd::String& text);
Ref<fd::Data> MD5Data(const fd::String& text);
/// Lower-case hexadecimal MD5 of all UTF-8 bytes.
fd::String MD5String(const fd::String& text);
Ref<fd::Data> SHA1Data(const fd::String& text);
/// Upper-case hexadecimal SHA-1 of all UTF-8 bytes.
fd::String SHA1String(const fd::String& text);

/// Percent-escapes every UTF-8 byte except ASCII letters, digits and "-._~".
fd::String URLEncoding(const fd::String& text);
/// "+" becomes a space, then "%XX" escapes are decoded as UTF-8; nullopt when one does not.
std::optional<fd::String> URLDecoding(const fd::String& text);

/// Whether the text begins with a URL scheme ("http:", "https:", "ftp:"...): a letter, then
/// letters, digits, "+", "-" or ".", then ":". Article ids and bare paths have none.
bool hasURLScheme(const fd::String& text);

bool isEmpty(const fd::String& text);
bool equal(const fd::String& text, const fd::String& other);

// Validators: each pattern must match the whole text.
bool isUserName(const fd::String& text);         // 3-20 ASCII letters or digits
bool isChineseUserName(const fd::String& text);  // the same, CJK ideographs allowed
bool isPassword(const fd::String& text);         // 6-20 ASCII letters or digits
bool isEmail(const fd::String& text);
bool isUrl(const fd::String& text);
bool isDigital(const fd::String& text);  // 1-20 digits or asterisks
/// An 11-digit mobile number with one of the operators' three-digit prefixes.
bool isTelephone(const fd::String& text);
bool isTelephone(const std::optional<fd::String>& text);  // no text: false
/// A fixed-line number with its area code.
bool isTel(const fd::String& text);

/// The size of the text in the system font of `fontSize`, wrapped within `size`, measured
/// from the line-fragment origin with font leading and the last visible line truncated.
gfx::Size boundingRectWithSize(const fd::String& text, gfx::Size size, double fontSize);

}  // namespace app
