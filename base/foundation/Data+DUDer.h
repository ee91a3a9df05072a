#pragma once
// Byte buffers as digests, keyed digests, a CRC-32, AES-CBC, hexadecimal, Base64, JSON and
// gzip/zlib streams, and back. Every function is free of state and safe from any thread.
// A null Ref (or nullopt) is the failure answer; nothing throws on bad input. AES-CBC is not
// authenticated: decryption with a wrong key or of altered bytes can succeed with garbage.
#include <cstdint>
#include <optional>

#include "platform/foundation/values/Data.h"

namespace base {

using rt::String;

// Digests: lower-case hexadecimal text, or the raw digest bytes.
String md2String(const fd::Data& data);
String md4String(const fd::Data& data);
String md5String(const fd::Data& data);
String sha1String(const fd::Data& data);
String sha224String(const fd::Data& data);
String sha256String(const fd::Data& data);
String sha384String(const fd::Data& data);
String sha512String(const fd::Data& data);
Ref<fd::Data> md2Data(const fd::Data& data);
Ref<fd::Data> md4Data(const fd::Data& data);
Ref<fd::Data> md5Data(const fd::Data& data);
Ref<fd::Data> sha1Data(const fd::Data& data);
Ref<fd::Data> sha224Data(const fd::Data& data);
Ref<fd::Data> sha256Data(const fd::Data& data);
Ref<fd::Data> sha384Data(const fd::Data& data);
Ref<fd::Data> sha512Data(const fd::Data& data);

/// HMAC algorithm numbers: 0 SHA-1, 1 MD5, 2 SHA-256, 3 SHA-384, 4 SHA-512, 5 SHA-224.
enum DRHmacAlgorithm : uint32_t {
  kCCHmacAlgSHA1 = 0,
  kCCHmacAlgMD5 = 1,
  kCCHmacAlgSHA256 = 2,
  kCCHmacAlgSHA384 = 3,
  kCCHmacAlgSHA512 = 4,
  kCCHmacAlgSHA224 = 5,
};

/// The text key counts as its UTF-8 bytes. nullopt / null for an algorithm above 5.
std::optional<String> hmacStringUsingAlg(const fd::Data& data, uint32_t alg, const String& key);
Ref<fd::Data> hmacDataUsingAlg(const fd::Data& data, uint32_t alg, const fd::Data& key);
String hmacMD5StringWithKey(const fd::Data& data, const String& key);
String hmacSHA1StringWithKey(const fd::Data& data, const String& key);
String hmacSHA224StringWithKey(const fd::Data& data, const String& key);
String hmacSHA256StringWithKey(const fd::Data& data, const String& key);
String hmacSHA384StringWithKey(const fd::Data& data, const String& key);
String hmacSHA512StringWithKey(const fd::Data& data, const String& key);
Ref<fd::Data> hmacMD5DataWithKey(const fd::Data& data, const fd::Data& key);
Ref<fd::Data> hmacSHA1DataWithKey(const fd::Data& data, const fd::Data& key);
Ref<fd::Data> hmacSHA224DataWithKey(const fd::Data& data, const fd::Data& key);
Ref<fd::Data> hmacSHA256DataWithKey(const fd::Data& data, const fd::Data& key);
Ref<fd::Data> hmacSHA384DataWithKey(const fd::Data& data, const fd::Data& key);
Ref<fd::Data> hmacSHA512DataWithKey(const fd::Data& data, const fd::Data& key);

/// The CRC-32 of ISO 3309 (0 for no bytes), and as eight lower-case hexadecimal digits.
uint32_t crc32(const fd::Data& data);
String crc32String(const fd::Data& data);

/// AES in CBC mode with PKCS#7 padding; the key length (16, 24 or 32) picks the variant.
/// The vector is 16 bytes, or null/empty for zeros. Null for any other length, and when
/// decryption finds bad padding.
/// Decryption checks nothing but the padding: a wrong key, a wrong vector or altered bytes
/// give garbage reported as success whenever the garbled last block happens to end in valid
/// padding (about one time in 256). Check the result (a MAC over the cipher text) before
/// trusting it.
Ref<fd::Data> aes256EncryptWithKey(const fd::Data& data, const fd::Data& key, const Ref<fd::Data>& iv);
Ref<fd::Data> aes256DecryptWithkey(const fd::Data& data, const fd::Data& key, const Ref<fd::Data>& iv);

/// "" for no bytes; nullopt when the bytes are not UTF-8.
std::optional<String> utf8String(const fd::Data& data);
/// Two upper-case digits per byte.
String hexString(const fd::Data& data);
/// Spaces are ignored, case does not matter and a trailing odd digit is dropped. Null for a
/// text without digits or with any character that is not a hexadecimal digit.
Ref<fd::MutableData> dataWithHexString(const String& hex);
/// Standard alphabet, "=" padding, no line breaks.
String base64EncodedString(const fd::Data& data);
/// White space is skipped and trailing "=" are optional; null for non-ASCII text or any
/// character outside the alphabet (a lone last character adds no byte).
Ref<fd::Data> dataWithBase64EncodedString(const String& base64);
/// The JSON value of the bytes; null (and a log line) when they are not JSON.
rt::Id jsonValueDecoded(const fd::Data& data);

/// Inflate accepts gzip or zlib framing (gzipInflate) or zlib only (zlibInflate); corrupt or
/// truncated streams give null. An empty buffer comes back as the receiver itself.
Ref<fd::Data> gzipInflate(const fd::Data& data);
Ref<fd::Data> zlibInflate(const fd::Data& data);
Ref<fd::Data> gzipDeflate(const fd::Data& data);
Ref<fd::Data> zlibDeflate(const fd::Data& data);

/// The main bundle's resource of that name with no type, or null.
Ref<fd::Data> dataNamed(const String& name);

}  // namespace base
