#pragma once
// Text encodings by the platform's encoding numbers, conversions between strings and bytes,
// and IANA charset names. Conversions other than UTF-8, UTF-16/32 and Latin-1 go through ICU.
#include <cstdint>
#include <optional>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Types.h"

namespace fd {

using StringEncoding = uint64_t;

inline constexpr StringEncoding ASCIIStringEncoding = 1;
inline constexpr StringEncoding JapaneseEUCStringEncoding = 3;
inline constexpr StringEncoding UTF8StringEncoding = 4;
inline constexpr StringEncoding ISOLatin1StringEncoding = 5;
inline constexpr StringEncoding ShiftJISStringEncoding = 8;
inline constexpr StringEncoding ISOLatin2StringEncoding = 9;
/// UTF-16 with a byte-order mark (written little-endian; read as the mark says, else big-endian).
inline constexpr StringEncoding UnicodeStringEncoding = 10;
inline constexpr StringEncoding UTF16StringEncoding = UnicodeStringEncoding;
inline constexpr StringEncoding WindowsCP1251StringEncoding = 11;
inline constexpr StringEncoding WindowsCP1252StringEncoding = 12;
inline constexpr StringEncoding WindowsCP1253StringEncoding = 13;
inline constexpr StringEncoding WindowsCP1254StringEncoding = 14;
inline constexpr StringEncoding WindowsCP1250StringEncoding = 15;
inline constexpr StringEncoding ISO2022JPStringEncoding = 21;
inline constexpr StringEncoding MacOSRomanStringEncoding = 30;
inline constexpr StringEncoding UTF16BigEndianStringEncoding = 0x90000100;
inline constexpr StringEncoding UTF16LittleEndianStringEncoding = 0x94000100;
inline constexpr StringEncoding UTF32StringEncoding = 0x8c000100;
inline constexpr StringEncoding UTF32BigEndianStringEncoding = 0x98000100;
inline constexpr StringEncoding UTF32LittleEndianStringEncoding = 0x9c000100;
// Encodings the platform numbers as 0x80000000 plus its core encoding number.
inline constexpr StringEncoding GB18030StringEncoding = 0x80000632;
inline constexpr StringEncoding GBKStringEncoding = 0x80000631;
inline constexpr StringEncoding EUCCNStringEncoding = 0x80000930;  // "GB2312"
inline constexpr StringEncoding Big5StringEncoding = 0x80000A03;
inline constexpr StringEncoding Big5HKSCSStringEncoding = 0x80000A06;
inline constexpr StringEncoding EUCKRStringEncoding = 0x80000940;
inline constexpr StringEncoding KOI8RStringEncoding = 0x80000A02;
inline constexpr StringEncoding HZGB2312StringEncoding = 0x80000A05;
inline constexpr StringEncoding ISOLatinCyrillicStringEncoding = 0x80000205;
inline constexpr StringEncoding ISOLatinGreekStringEncoding = 0x80000207;
inline constexpr StringEncoding ISOLatin9StringEncoding = 0x8000020F;
inline constexpr StringEncoding UTF7StringEncoding = 0x84000100;

/// What an unknown charset name maps to; callers fall back to UTF-8.
inline constexpr StringEncoding kInvalidEncoding = 0xFFFFFFFF;

/// The bytes of `text` in `encoding`; null when a character has no form in it, unless
/// `allowLossyConversion` (then it becomes its base letter or "?"). Null for an unknown
/// encoding.
Ref<Data> dataUsingEncoding(const String& text, StringEncoding encoding, bool allowLossyConversion = false);
/// Decodes `bytes`; nullopt on any invalid or truncated sequence or an unknown encoding.
std::optional<String> stringWithBytes(const void* bytes, size_t length, StringEncoding encoding);
/// Whether the bytes are strict UTF-8 (what `stringWithBytes` accepts as UTF-8), checked
/// without decoding them.
bool isValidUTF8(const void* bytes, size_t length);
std::optional<String> stringWithData(const Data& data, StringEncoding encoding);
inline std::optional<String> stringWithData(const Ref<Data>& data, StringEncoding encoding) {
  return data ? stringWithData(*data, encoding) : std::nullopt;
}
bool canBeConvertedToEncoding(const String& text, StringEncoding encoding);
/// Bytes needed without loss (no byte-order mark); 0 when not representable.
size_t lengthOfBytesUsingEncoding(const String& text, StringEncoding encoding);

/// "utf-8", "ISO-8859-1", "gb2312", "Shift_JIS"... (any case, ICU aliases too);
/// kInvalidEncoding when unknown.
StringEncoding encodingForIANACharsetName(const String& name);
/// The preferred IANA name ("utf-8", "iso-8859-1"); "" for an unknown encoding.
String IANACharsetNameForEncoding(StringEncoding encoding);
/// True for the encodings this system can convert.
bool isSupportedEncoding(StringEncoding encoding);

/// A string from UTF-32 code points; nullopt when one is not a Unicode scalar value.
std::optional<String> stringWithUTF32Chars(const char32_t* chars, size_t count);

}  // namespace fd
