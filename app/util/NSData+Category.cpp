#include "app/util/NSData+Category.h"
#include "platform/crypto/Digest.h"

namespace app {
namespace {

std::vector<uint8_t> digestOf(crypto::DigestAlgorithm algorithm, const fd::Data& data) {
  return crypto::Digest::of(algorithm, data.bytes(), data.length());
}

}  // namespace

Ref<fd::Data> MD5Data(const fd::Data& data) { return fd::Data::create(digestOf(crypto::DigestAlgorithm::MD5, data)); }

fd::String MD5String(const fd::Data& data) {
  return fd::String(crypto::hexString(digestOf(crypto::DigestAlgorithm::MD5, data), true));
}

Ref<fd::Data> SHA1Data(const fd::Data& data) { return fd::Data::create(digestOf(crypto::DigestAlgorithm::SHA1, data)); }

fd::String SHA1String(const fd::Data& data) {
  return fd::String(crypto::hexString(digestOf(crypto::DigestAlgorithm::SHA1, data), true));
}

fd::String BASE64Encrypted(const fd::Data& data) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const uint8_t* in = data.bytes();
  size_t n = data.length();
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    uint32_t group = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8) | in[i + 2];
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += kAlphabet[(group >> 6) & 63];
    out += kAlphabet[group & 63];
  }
  if (size_t rest = n - i) {
    uint32_t group = uint32_t(in[i]) << 16;
    if (rest == 2) group |= uint32_t(in[i + 1]) << 8;
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    out += '=';
  }
  return fd::String(out);
}

}  // namespace app
