#include "platform/foundation/text/StringEncoding.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include <simdjson.h>
#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

#include "platform/foundation/text/IcuText.h"

namespace fd {

namespace {

struct EncodingInfo {
  StringEncoding encoding;
  const char* decoder;  // ICU converter for reading
  const char* encoder;  // ICU converter for writing
  const char* iana;     // the preferred name
  std::vector<const char*> aliases;
};

// Text labelled GB2312 is very often GBK in practice, so it is read with the GBK superset
// (identical on every valid GB2312 byte) and written strictly.
const std::vector<EncodingInfo>& encodings() {
  static const std::vector<EncodingInfo> table = {
      {ASCIIStringEncoding, "US-ASCII", "US-ASCII", "us-ascii", {"ascii", "ansi_x3.4-1968", "iso646-us", "csascii"}},
      {JapaneseEUCStringEncoding, "EUC-JP", "EUC-JP", "euc-jp", {"x-euc-jp"}},
      {UTF8StringEncoding, "UTF-8", "UTF-8", "utf-8", {"utf8", "unicode-1-1-utf-8"}},
      {ISOLatin1StringEncoding, "ISO-8859-1", "ISO-8859-1", "iso-8859-1", {"latin1", "iso_8859-1", "iso8859-1", "l1", "cp819", "iso-ir-100"}},
      {ShiftJISStringEncoding, "Shift_JIS", "Shift_JIS", "shift_jis", {"sjis", "x-sjis", "ms_kanji", "csshiftjis"}},
      {ISOLatin2StringEncoding, "ISO-8859-2", "ISO-8859-2", "iso-8859-2", {"latin2", "iso_8859-2", "l2"}},
      {UnicodeStringEncoding, "UTF-16", "UTF-16", "utf-16", {"utf16"}},
      {WindowsCP1251StringEncoding, "windows-1251", "windows-1251", "windows-1251", {"cp1251"}},
      {WindowsCP1252StringEncoding, "windows-1252", "windows-1252", "windows-1252", {"cp1252"}},
      {WindowsCP1253StringEncoding, "windows-1253", "windows-1253", "windows-1253", {"cp1253"}},
      {WindowsCP1254StringEncoding, "windows-1254", "windows-1254", "windows-1254", {"cp1254"}},
      {WindowsCP1250StringEncoding, "windows-1250", "windows-1250", "windows-1250", {"cp1250"}},
      {ISO2022JPStringEncoding, "ISO-2022-JP", "ISO-2022-JP", "iso-2022-jp", {"csiso2022jp"}},
      {MacOSRomanStringEncoding, "macintosh", "macintosh", "macintosh", {"mac", "macroman", "x-mac-roman"}},
      {UTF16BigEndianStringEncoding, "UTF-16BE", "UTF-16BE", "utf-16be", {}},
      {UTF16LittleEndianStringEncoding, "UTF-16LE", "UTF-16LE", "utf-16le", {}},
      {UTF32StringEncoding, "UTF-32", "UTF-32", "utf-32", {"utf32"}},
      {UTF32BigEndianStringEncoding, "UTF-32BE", "UTF-32BE", "utf-32be", {}},
      {UTF32LittleEndianStringEncoding, "UTF-32LE", "UTF-32LE", "utf-32le", {}},
      {GB18030StringEncoding, "GB18030", "GB18030", "gb18030", {}},
      {GBKStringEncoding, "GBK", "GBK", "gbk", {"cp936", "x-gbk", "windows-936", "ms936"}},
      {EUCCNStringEncoding, "GBK", "EUC-CN", "gb2312", {"euc-cn", "x-euc-cn", "gb_2312-80", "csgb2312", "chinese"}},
      {Big5StringEncoding, "Big5", "Big5", "big5", {"csbig5", "cn-big5", "x-x-big5"}},
      {Big5HKSCSStringEncoding, "Big5-HKSCS", "Big5-HKSCS", "big5-hkscs", {}},
      {EUCKRStringEncoding, "EUC-KR", "EUC-KR", "euc-kr", {"cseuckr", "korean"}},
      {KOI8RStringEncoding, "KOI8-R", "KOI8-R", "koi8-r", {"cskoi8r"}},
      {HZGB2312StringEncoding, "HZ", "HZ", "hz-gb-2312", {}},
      {ISOLatinCyrillicStringEncoding, "ISO-8859-5", "ISO-8859-5", "iso-8859-5", {"cyrillic"}},
      {ISOLatinGreekStringEncoding, "ISO-8859-7", "ISO-8859-7", "iso-8859-7", {"greek"}},
      {ISOLatin9StringEncoding, "ISO-8859-15", "ISO-8859-15", "iso-8859-15", {"latin-9", "latin9", "l9"}},
      {UTF7StringEncoding, "UTF-7", "UTF-7", "utf-7", {}},
  };
  return table;
}

const EncodingInfo* infoFor(StringEncoding encoding) {
  for (const auto& e : encodings()) {
    if (e.encoding == encoding) return &e;
  }
  return nullptr;
}

std::string lowercased(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// A converter that stops at the first character or byte sequence it cannot convert.
Converter openStrict(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter c(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  return U_SUCCESS(status) ? std::move(c) : nullptr;
}

bool hasLoneSurrogate(std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    if (U16_IS_LEAD(u) && i + 1 < units.size() && U16_IS_TRAIL(units[i + 1])) {
      ++i;
    } else if (U16_IS_SURROGATE(u)) {
      return true;
    }
  }
  return false;
}

void putUnit16(std::vector<uint8_t>& out, char16_t u, bool big) {
  uint8_t hi = static_cast<uint8_t>(u >> 8), lo = static_cast<uint8_t>(u & 0xFF);
  out.push_back(big ? hi : lo);
  out.push_back(big ? lo : hi);
}

void putUnit32(std::vector<uint8_t>& out, char32_t c, bool big) {
  uint8_t b[4] = {static_cast<uint8_t>(c >> 24), static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                  static_cast<uint8_t>(c)};
  for (int i = 0; i < 4; ++i) out.push_back(big ? b[i] : b[3 - i]);
}

// Strict conversion to bytes; nullopt when a character has no form in the encoding.
std::optional<std::vector<uint8_t>> encodeStrict(std::u16string_view units, StringEncoding encoding) {
  std::vector<uint8_t> out;
  switch (encoding) {
    case ASCIIStringEncoding:
    case ISOLatin1StringEncoding: {
      char16_t limit = encoding == ASCIIStringEncoding ? 0x80 : 0x100;
      out.reserve(units.size());
      for (char16_t u : units) {
        if (u >= limit) return std::nullopt;
        out.push_back(static_cast<uint8_t>(u));
      }
      return out;
    }
    case UTF8StringEncoding: {
      if (hasLoneSurrogate(units)) return std::nullopt;
      std::string s = String(units).utf8();
      return std::vector<uint8_t>(s.begin(), s.end());
    }
    case UnicodeStringEncoding:
    case UTF16BigEndianStringEncoding:
    case UTF16LittleEndianStringEncoding: {
      if (hasLoneSurrogate(units)) return std::nullopt;
      bool big = encoding == UTF16BigEndianStringEncoding;
      out.reserve(units.size() * 2 + 2);
      if (encoding == UnicodeStringEncoding) putUnit16(out, 0xFEFF, false);
      for (char16_t u : units) putUnit16(out, u, big);
      return out;
    }
    case UTF32StringEncoding:
    case UTF32BigEndianStringEncoding:
    case UTF32LittleEndianStringEncoding: {
      if (hasLoneSurrogate(units)) return std::nullopt;
      bool big = encoding == UTF32BigEndianStringEncoding;
      if (encoding == UTF32StringEncoding) putUnit32(out, 0xFEFF, false);
      for (size_t i = 0; i < units.size();) {
        char32_t c;
        U16_NEXT(units.data(), i, units.size(), c);
        putUnit32(out, c, big);
      }
      return out;
    }
    default:
      break;
  }
  const EncodingInfo* info = infoFor(encoding);
  if (!info) return std::nullopt;
  Converter conv = openStrict(info->encoder);
  if (!conv) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = ucnv_fromUChars(conv.get(), nullptr, 0, reinterpret_cast<const UChar*>(units.data()),
                                   static_cast<int32_t>(units.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return std::nullopt;
  out.resize(static_cast<size_t>(needed));
  status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(conv.get());
  ucnv_fromUChars(conv.get(), reinterpret_cast<char*>(out.data()), needed, reinterpret_cast<const UChar*>(units.data()),
                  static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) return std::nullopt;
  return out;
}

// Lossy conversion: a character without a form becomes its base letter ("é" -> "e") when
// that has one, else "?".
std::vector<uint8_t> encodeLossy(std::u16string_view units, StringEncoding encoding) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  // Whole-text encodings write their byte-order mark once, not per chunk.
  std::vector<uint8_t> out;
  StringEncoding chunkEncoding = encoding;
  if (encoding == UnicodeStringEncoding) {
    putUnit16(out, 0xFEFF, false);
    chunkEncoding = UTF16LittleEndianStringEncoding;
  } else if (encoding == UTF32StringEncoding) {
    putUnit32(out, 0xFEFF, false);
    chunkEncoding = UTF32LittleEndianStringEncoding;
  }
  for (size_t i = 0; i < units.size();) {
    size_t start = i;
    char32_t c;
    U16_NEXT(units.data(), i, units.size(), c);
    std::u16string_view chunk = units.substr(start, i - start);
    if (auto bytes = encodeStrict(chunk, chunkEncoding)) {
      out.insert(out.end(), bytes->begin(), bytes->end());
      continue;
    }
    std::optional<std::vector<uint8_t>> replacement;
    if (U_SUCCESS(status) && !U_IS_SURROGATE(c)) {
      icu::UnicodeString decomposed;
      if (nfd->getDecomposition(static_cast<UChar32>(c), decomposed) && decomposed.length() > 0) {
        UChar32 base = decomposed.char32At(0);
        String baseText = String::fromCodePoint(static_cast<char32_t>(base));
        replacement = encodeStrict(baseText.view(), chunkEncoding);
      }
    }
    if (!replacement) replacement = encodeStrict(u"?", chunkEncoding);
    if (replacement) out.insert(out.end(), replacement->begin(), replacement->end());
  }
  return out;
}

std::optional<String> decodeUTF16(const uint8_t* p, size_t n, bool big) {
  if (n % 2) return std::nullopt;
  std::u16string units(n / 2, u'\0');
  for (size_t i = 0; i < n / 2; ++i) {
    units[i] = big ? static_cast<char16_t>(p[2 * i] << 8 | p[2 * i + 1]) : static_cast<char16_t>(p[2 * i + 1] << 8 | p[2 * i]);
  }
  if (hasLoneSurrogate(units)) return std::nullopt;
  return String(std::u16string_view(units));
}

std::optional<String> decodeUTF32(const uint8_t* p, size_t n, bool big) {
  if (n % 4) return std::nullopt;
  std::u32string cps(n / 4, U'\0');
  for (size_t i = 0; i < n / 4; ++i) {
    const uint8_t* b = p + 4 * i;
    cps[i] = big ? (char32_t(b[0]) << 24 | char32_t(b[1]) << 16 | char32_t(b[2]) << 8 | b[3])
                 : (char32_t(b[3]) << 24 | char32_t(b[2]) << 16 | char32_t(b[1]) << 8 | b[0]);
  }
  return stringWithUTF32Chars(cps.data(), cps.size());
}

}  // namespace

Ref<Data> dataUsingEncoding(const String& text, StringEncoding encoding, bool allowLossyConversion) {
  if (!isSupportedEncoding(encoding)) return nullptr;
  if (auto bytes = encodeStrict(text.view(), encoding)) return Data::create(std::move(*bytes));
  if (!allowLossyConversion) return nullptr;
  return Data::create(encodeLossy(text.view(), encoding));
}

bool isValidUTF8(const void* bytes, size_t length) {
  return simdjson::validate_utf8(static_cast<const char*>(bytes), length);
}

std::optional<String> stringWithBytes(const void* bytes, size_t length, StringEncoding encoding) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  if (length == 0) return isSupportedEncoding(encoding) ? std::optional<String>(String()) : std::nullopt;
  switch (encoding) {
    case UTF8StringEncoding:
      return String::fromUTF8(reinterpret_cast<const char*>(p), length);
    case ASCIIStringEncoding:
      for (size_t i = 0; i < length; ++i) {
        if (p[i] >= 0x80) return std::nullopt;
      }
      return String::fromLatin1(reinterpret_cast<const char*>(p), length);
    case ISOLatin1StringEncoding:
      return String::fromLatin1(reinterpret_cast<const char*>(p), length);
    case UnicodeStringEncoding:
      if (length >= 2 && p[0] == 0xFF && p[1] == 0xFE) return decodeUTF16(p + 2, length - 2, false);
      if (length >= 2 && p[0] == 0xFE && p[1] == 0xFF) return decodeUTF16(p + 2, length - 2, true);
      return decodeUTF16(p, length, true);
    case UTF16BigEndianStringEncoding:
      return decodeUTF16(p, length, true);
    case UTF16LittleEndianStringEncoding:
      return decodeUTF16(p, length, false);
    case UTF32StringEncoding:
      if (length >= 4 && p[0] == 0xFF && p[1] == 0xFE && p[2] == 0 && p[3] == 0) return decodeUTF32(p + 4, length - 4, false);
      if (length >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF) return decodeUTF32(p + 4, length - 4, true);
      return decodeUTF32(p, length, true);
    case UTF32BigEndianStringEncoding:
      return decodeUTF32(p, length, true);
    case UTF32LittleEndianStringEncoding:
      return decodeUTF32(p, length, false);
    default:
      break;
  }
  const EncodingInfo* info = infoFor(encoding);
  if (!info) return std::nullopt;
  Converter conv = openStrict(info->decoder);
  if (!conv) return std::nullopt;
  std::u16string out(length * 2 + 2, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                            reinterpret_cast<const char*>(p), static_cast<int32_t>(length), &status);
  if (U_FAILURE(status)) return std::nullopt;
  return String(std::u16string_view(out.data(), static_cast<size_t>(n)));
}

std::optional<String> stringWithData(const Data& data, StringEncoding encoding) {
  return stringWithBytes(data.bytes(), data.length(), encoding);
}

bool canBeConvertedToEncoding(const String& text, StringEncoding encoding) {
  return isSupportedEncoding(encoding) && encodeStrict(text.view(), encoding).has_value();
}

size_t lengthOfBytesUsingEncoding(const String& text, StringEncoding encoding) {
  if (!isSupportedEncoding(encoding)) return 0;
  auto bytes = encodeStrict(text.view(), encoding);
  if (!bytes) return 0;
  size_t mark = encoding == UnicodeStringEncoding ? 2 : encoding == UTF32StringEncoding ? 4 : 0;
  return bytes->size() - mark;
}

StringEncoding encodingForIANACharsetName(const String& name) {
  std::string n = lowercased(name.trimmed().utf8());
  if (n.empty()) return kInvalidEncoding;
  for (const auto& e : encodings()) {
    if (n == e.iana) return e.encoding;
    for (const char* alias : e.aliases) {
      if (n == alias) return e.encoding;
    }
  }
  // Other spellings ICU knows ("csISOLatin1", "ibm-1252"...) resolve through its converter names.
  UErrorCode status = U_ZERO_ERROR;
  const char* converter = ucnv_getAlias(n.c_str(), 0, &status);
  if (U_FAILURE(status) || !converter) return kInvalidEncoding;
  for (const auto& e : encodings()) {
    status = U_ZERO_ERROR;
    const char* own = ucnv_getAlias(e.encoder, 0, &status);
    if (U_SUCCESS(status) && own && std::string_view(own) == converter) return e.encoding;
  }
  return kInvalidEncoding;
}

String IANACharsetNameForEncoding(StringEncoding encoding) {
  const EncodingInfo* info = infoFor(encoding);
  return info ? String(info->iana) : String();
}

bool isSupportedEncoding(StringEncoding encoding) { return infoFor(encoding) != nullptr; }

std::optional<String> stringWithUTF32Chars(const char32_t* chars, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (chars[i] > 0x10FFFF || U_IS_SURROGATE(chars[i])) return std::nullopt;
  }
  return String::fromUTF32(chars, count);
}

}  // namespace fd
