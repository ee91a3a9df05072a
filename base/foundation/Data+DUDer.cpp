#include "base/foundation/Data+DUDer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "platform/crypto/Aes.h"
#include "platform/crypto/Checksum.h"
#include "platform/crypto/Digest.h"
#include "platform/crypto/Hmac.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/serialization/JSONSerialization.h"

namespace base {
namespace {

using crypto::DigestAlgorithm;

const char kLowerHex[] = "0123456789abcdef";
const char kUpperHex[] = "0123456789ABCDEF";
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

String hexOf(const uint8_t* bytes, size_t length, const char* digits) {
  String s = String::withCapacity(length * 2);
  char16_t* out = s.mutableData();
  for (size_t i = 0; i < length; ++i) {
    out[2 * i] = static_cast<char16_t>(digits[bytes[i] >> 4]);
    out[2 * i + 1] = static_cast<char16_t>(digits[bytes[i] & 15]);
  }
  return s;
}

String digestString(const fd::Data& data, DigestAlgorithm a) {
  auto d = crypto::Digest::of(a, data.bytes(), data.length());
  return hexOf(d.data(), d.size(), kLowerHex);
}

Ref<fd::Data> digestData(const fd::Data& data, DigestAlgorithm a) {
  return fd::Data::create(crypto::Digest::of(a, data.bytes(), data.length()));
}

Ref<fd::Data> aes(bool encrypt, const fd::Data& data, const fd::Data& key, const Ref<fd::Data>& iv) {
  size_t k = key.length();
  if (k != 16 && k != 24 && k != 32) return nullptr;
  size_t v = iv ? iv->length() : 0;
  if (v != 0 && v != crypto::kAESBlockSize) return nullptr;
  static const std::vector<uint8_t> kNoVector;
  const auto& vector = iv ? iv->vector() : kNoVector;
  Ref<fd::Error> error;
  auto out = encrypt ? crypto::aesCBCEncrypt(key.vector(), vector, data.vector(), &error)
                     : crypto::aesCBCDecrypt(key.vector(), vector, data.vector(), &error);
  if (error) return nullptr;
  return fd::Data::create(std::move(out));
}

Ref<fd::Data> selfOf(const fd::Data& data) {
  return std::static_pointer_cast<fd::Data>(std::const_pointer_cast<rt::Object>(data.self()));
}

// zlib counts in 32 bits: larger buffers are handed over in slices.
constexpr size_t kSlice = 1u << 30;

Ref<fd::Data> inflateWith(const fd::Data& data, int windowBits) {
  if (data.length() == 0) return selfOf(data);
  z_stream s{};
  if (inflateInit2(&s, windowBits) != Z_OK) return nullptr;
  const size_t half = std::max<size_t>(data.length() / 2, 4096);
  std::vector<uint8_t> out(data.length() + half);
  size_t inUsed = 0, outUsed = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    if (outUsed == out.size()) out.resize(out.size() + std::max(half, out.size() / 2));
    if (s.avail_in == 0) {
      size_t n = std::min(data.length() - inUsed, kSlice);
      s.next_in = const_cast<Bytef*>(data.bytes() + inUsed);
      s.avail_in = static_cast<uInt>(n);
      inUsed += n;
    }
    size_t room = std::min(out.size() - outUsed, kSlice);
    s.next_out = out.data() + outUsed;
    s.avail_out = static_cast<uInt>(room);
    result = inflate(&s, Z_SYNC_FLUSH);
    outUsed += room - s.avail_out;
    // No progress with input left means the stream is corrupt; without input, truncated.
    if (result == Z_BUF_ERROR && s.avail_out == 0) result = Z_OK;
  }
  bool ended = inflateEnd(&s) == Z_OK;
  if (result != Z_STREAM_END || !ended) return nullptr;
  out.resize(outUsed);
  return fd::Data::create(std::move(out));
}

Ref<fd::Data> deflateWith(const fd::Data& data, int windowBits) {
  if (data.length() == 0) return selfOf(data);
  z_stream s{};
  if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) return nullptr;
  std::vector<uint8_t> out(deflateBound(&s, static_cast<uLong>(std::min(data.length(), kSlice))) + 64);
  size_t inUsed = 0, outUsed = 0;
  int result = Z_OK;
  while (result == Z_OK) {
    if (outUsed == out.size()) out.resize(out.size() + std::max<size_t>(16384, out.size() / 2));
    if (s.avail_in == 0 && inUsed < data.length()) {
      size_t n = std::min(data.length() - inUsed, kSlice);
      s.next_in = const_cast<Bytef*>(data.bytes() + inUsed);
      s.avail_in = static_cast<uInt>(n);
      inUsed += n;
    }
    size_t room = std::min(out.size() - outUsed, kSlice);
    s.next_out = out.data() + outUsed;
    s.avail_out = static_cast<uInt>(room);
    result = deflate(&s, inUsed < data.length() ? Z_NO_FLUSH : Z_FINISH);
    outUsed += room - s.avail_out;
    if (result == Z_BUF_ERROR && s.avail_out == 0) result = Z_OK;
  }
  deflateEnd(&s);
  if (result != Z_STREAM_END) return nullptr;
  out.resize(outUsed);
  return fd::Data::create(std::move(out));
}

String hmacText(const fd::Data& data, uint32_t alg, const String& key) {
  return hmacStringUsingAlg(data, alg, key).value_or(String());
}

Ref<fd::Data> hmacBytes(const fd::Data& data, uint32_t alg, const fd::Data& key) {
  return hmacDataUsingAlg(data, alg, key);
}

}  // namespace

String md2String(const fd::Data& d) { return digestString(d, DigestAlgorithm::MD2); }
String md4String(const fd::Data& d) { return digestString(d, DigestAlgorithm::MD4); }
String md5String(const fd::Data& d) { return digestString(d, DigestAlgorithm::MD5); }
String sha1String(const fd::Data& d) { return digestString(d, DigestAlgorithm::SHA1); }
String sha224String(const fd::Data& d) { return digestString(d, DigestAlgorithm::SHA224); }
String sha256String(const fd::Data& d) { return digestString(d, DigestAlgorithm::SHA256); }
String sha384String(const fd::Data& d) { return digestString(d, DigestAlgorithm::SHA384); }
String sha512String(const fd::Data& d) { return digestString(d, DigestAlgorithm::SHA512); }
Ref<fd::Data> md2Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::MD2); }
Ref<fd::Data> md4Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::MD4); }
Ref<fd::Data> md5Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::MD5); }
Ref<fd::Data> sha1Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::SHA1); }
Ref<fd::Data> sha224Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::SHA224); }
Ref<fd::Data> sha256Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::SHA256); }
Ref<fd::Data> sha384Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::SHA384); }
Ref<fd::Data> sha512Data(const fd::Data& d) { return digestData(d, DigestAlgorithm::SHA512); }

std::optional<String> hmacStringUsingAlg(const fd::Data& data, uint32_t alg, const String& key) {
  auto a = crypto::hmacAlgorithm(alg);
  if (!a) return std::nullopt;
  // The whole UTF-8 key, so that a key holding U+0000 is not silently cut short.
  std::string k = key.utf8();
  auto mac = crypto::Hmac::of(*a, k.data(), k.size(), data.bytes(), data.length());
  return hexOf(mac.data(), mac.size(), kLowerHex);
}

Ref<fd::Data> hmacDataUsingAlg(const fd::Data& data, uint32_t alg, const fd::Data& key) {
  auto a = crypto::hmacAlgorithm(alg);
  if (!a) return nullptr;
  return fd::Data::create(crypto::Hmac::of(*a, key.bytes(), key.length(), data.bytes(), data.length()));
}

String hmacMD5StringWithKey(const fd::Data& d, const String& k) { return hmacText(d, kCCHmacAlgMD5, k); }
String hmacSHA1StringWithKey(const fd::Data& d, const String& k) { return hmacText(d, kCCHmacAlgSHA1, k); }
String hmacSHA224StringWithKey(const fd::Data& d, const String& k) { return hmacText(d, kCCHmacAlgSHA224, k); }
String hmacSHA256StringWithKey(const fd::Data& d, const String& k) { return hmacText(d, kCCHmacAlgSHA256, k); }
String hmacSHA384StringWithKey(const fd::Data& d, const String& k) { return hmacText(d, kCCHmacAlgSHA384, k); }
String hmacSHA512StringWithKey(const fd::Data& d, const String& k) { return hmacText(d, kCCHmacAlgSHA512, k); }
Ref<fd::Data> hmacMD5DataWithKey(const fd::Data& d, const fd::Data& k) { return hmacBytes(d, kCCHmacAlgMD5, k); }
Ref<fd::Data> hmacSHA1DataWithKey(const fd::Data& d, const fd::Data& k) { return hmacBytes(d, kCCHmacAlgSHA1, k); }
Ref<fd::Data> hmacSHA224DataWithKey(const fd::Data& d, const fd::Data& k) { return hmacBytes(d, kCCHmacAlgSHA224, k); }
Ref<fd::Data> hmacSHA256DataWithKey(const fd::Data& d, const fd::Data& k) { return hmacBytes(d, kCCHmacAlgSHA256, k); }
Ref<fd::Data> hmacSHA384DataWithKey(const fd::Data& d, const fd::Data& k) { return hmacBytes(d, kCCHmacAlgSHA384, k); }
Ref<fd::Data> hmacSHA512DataWithKey(const fd::Data& d, const fd::Data& k) { return hmacBytes(d, kCCHmacAlgSHA512, k); }

uint32_t crc32(const fd::Data& data) { return crypto::crc32(data.bytes(), data.length(), 0); }

String crc32String(const fd::Data& data) {
  uint32_t v = crc32(data);
  uint8_t be[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  return hexOf(be, 4, kLowerHex);
}

Ref<fd::Data> aes256EncryptWithKey(const fd::Data& data, const fd::Data& key, const Ref<fd::Data>& iv) {
  return aes(true, data, key, iv);
}

Ref<fd::Data> aes256DecryptWithkey(const fd::Data& data, const fd::Data& key, const Ref<fd::Data>& iv) {
  return aes(false, data, key, iv);
}

std::optional<String> utf8String(const fd::Data& data) {
  if (data.length() == 0) return String("");
  return String::fromUTF8(reinterpret_cast<const char*>(data.bytes()), data.length());
}

String hexString(const fd::Data& data) { return hexOf(data.bytes(), data.length(), kUpperHex); }

Ref<fd::MutableData> dataWithHexString(const String& hex) {
  std::vector<uint8_t> nibbles;
  nibbles.reserve(hex.length());
  for (size_t i = 0; i < hex.length(); ++i) {
    char16_t c = hex[i];
    if (c == u' ') continue;
    if (c >= u'0' && c <= u'9') nibbles.push_back(uint8_t(c - u'0'));
    else if (c >= u'a' && c <= u'f') nibbles.push_back(uint8_t(c - u'a' + 10));
    else if (c >= u'A' && c <= u'F') nibbles.push_back(uint8_t(c - u'A' + 10));
    else return nullptr;  // a stray character would otherwise decode to a wrong byte
  }
  if (nibbles.empty()) return nullptr;
  std::vector<uint8_t> out(nibbles.size() / 2);
  for (size_t k = 0; k < out.size(); ++k) out[k] = uint8_t(nibbles[2 * k] << 4 | nibbles[2 * k + 1]);
  return fd::MutableData::create(std::move(out));
}

String base64EncodedString(const fd::Data& data) {
  // Twelve bits at a time: one lookup gives two output units.
  static const auto pairs = [] {
    std::array<uint32_t, 4096> t;
    for (uint32_t i = 0; i < 4096; ++i) {
      char16_t pair[2] = {char16_t(kBase64[i >> 6]), char16_t(kBase64[i & 63])};
      std::memcpy(&t[i], pair, 4);
    }
    return t;
  }();
  const uint8_t* in = data.bytes();
  size_t n = data.length();
  if (n == 0) return String("");
  String s = String::withCapacity((n + 2) / 3 * 4);
  char16_t* out = s.mutableData();
  size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
    std::memcpy(out, &pairs[v >> 12], 4);
    std::memcpy(out + 2, &pairs[v & 4095], 4);
    out += 4;
  }
  if (i < n) {
    uint32_t v = uint32_t(in[i]) << 16 | (i + 1 < n ? uint32_t(in[i + 1]) << 8 : 0);
    out[0] = char16_t(kBase64[v >> 18]);
    out[1] = char16_t(kBase64[(v >> 12) & 63]);
    out[2] = i + 1 < n ? char16_t(kBase64[(v >> 6) & 63]) : u'=';
    out[3] = u'=';
  }
  return s;
}

Ref<fd::Data> dataWithBase64EncodedString(const String& base64) {
  // -1: white space, skipped; -2: not part of the alphabet.
  static const auto table = [] {
    std::array<int8_t, 128> t;
    t.fill(-2);
    for (int i = 0; i < 64; ++i) t[uint8_t(kBase64[i])] = int8_t(i);
    for (char c : {'\t', '\n', '\f', '\r', ' '}) t[uint8_t(c)] = -1;
    return t;
  }();
  size_t n = base64.length();
  while (n > 0 && base64[n - 1] == u'=') --n;
  std::vector<uint8_t> out;
  out.reserve(n / 4 * 3 + 3);
  uint32_t acc = 0;
  int have = 0;
  for (size_t i = 0; i < base64.length(); ++i) {
    char16_t c = base64[i];
    if (c >= 128) return nullptr;
    if (i >= n) continue;  // the trailing padding
    int v = table[c];
    if (v == -1) continue;
    if (v == -2) return nullptr;
    acc = acc << 6 | uint32_t(v);
    if (++have == 4) {
      out.push_back(uint8_t(acc >> 16));
      out.push_back(uint8_t(acc >> 8));
      out.push_back(uint8_t(acc));
      acc = 0;
      have = 0;
    }
  }
  if (have == 2) {
    out.push_back(uint8_t(acc >> 4));
  } else if (have == 3) {
    out.push_back(uint8_t(acc >> 10));
    out.push_back(uint8_t(acc >> 2));
  }
  return fd::Data::create(std::move(out));
}

rt::Id jsonValueDecoded(const fd::Data& data) {
  Ref<fd::Error> error;
  rt::Id value = fd::JSONSerialization::JSONObjectWithBytes(data.view(), 0, &error);
  if (error) fd::NSLog("jsonValueDecoded error:%@", error);
  return value;
}

Ref<fd::Data> gzipInflate(const fd::Data& data) { return inflateWith(data, MAX_WBITS + 32); }
Ref<fd::Data> zlibInflate(const fd::Data& data) { return inflateWith(data, MAX_WBITS); }
Ref<fd::Data> gzipDeflate(const fd::Data& data) { return deflateWith(data, MAX_WBITS + 16); }
Ref<fd::Data> zlibDeflate(const fd::Data& data) { return deflateWith(data, MAX_WBITS); }

Ref<fd::Data> dataNamed(const String& name) {
  auto path = fd::Bundle::mainBundle()->pathForResource(name, "");
  if (!path) return nullptr;
  return fd::dataWithContentsOfFile(*path);
}

}  // namespace base
