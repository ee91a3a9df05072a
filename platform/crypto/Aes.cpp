#include "platform/crypto/Aes.h"

#include <nettle/aes.h>
#include <nettle/cbc.h>

namespace crypto {
namespace {

struct Cipher {
  aes128_ctx k128;
  aes192_ctx k192;
  aes256_ctx k256;
  size_t size = 0;
};

bool checkParameters(const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv, Ref<fd::Error>* error) {
  bool keyOk = key.size() == 16 || key.size() == 24 || key.size() == 32;
  bool ivOk = iv.empty() || iv.size() == kAESBlockSize;
  if (keyOk && ivOk) return true;
  fd::setError(error, fd::Error::withDescription(fd::NSOSStatusErrorDomain, kCCParamError,
                                                 keyOk ? "Initialization vector must be 16 bytes"
                                                       : "Key must be 16, 24 or 32 bytes"));
  return false;
}

std::vector<uint8_t> ivOrZero(const std::vector<uint8_t>& iv) {
  return iv.empty() ? std::vector<uint8_t>(kAESBlockSize, 0) : iv;
}

void run(const std::vector<uint8_t>& key, std::vector<uint8_t> iv, const uint8_t* in, uint8_t* out, size_t length,
         bool encrypt) {
  Cipher c;
  auto go = [&](auto* ctx, auto setEncrypt, auto setDecrypt, auto enc, auto dec) {
    if (encrypt) {
      setEncrypt(ctx, key.data());
      cbc_encrypt(ctx, reinterpret_cast<nettle_cipher_func*>(enc), kAESBlockSize, iv.data(), length, out, in);
    } else {
      setDecrypt(ctx, key.data());
      cbc_decrypt(ctx, reinterpret_cast<nettle_cipher_func*>(dec), kAESBlockSize, iv.data(), length, out, in);
    }
  };
  if (key.size() == 16) go(&c.k128, aes128_set_encrypt_key, aes128_set_decrypt_key, aes128_encrypt, aes128_decrypt);
  else if (key.size() == 24) go(&c.k192, aes192_set_encrypt_key, aes192_set_decrypt_key, aes192_encrypt, aes192_decrypt);
  else go(&c.k256, aes256_set_encrypt_key, aes256_set_decrypt_key, aes256_encrypt, aes256_decrypt);
}

}  // namespace

std::vector<uint8_t> aesCBCEncrypt(const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv,
                                   const std::vector<uint8_t>& plain, Ref<fd::Error>* error) {
  if (!checkParameters(key, iv, error)) return {};
  size_t pad = kAESBlockSize - plain.size() % kAESBlockSize;
  std::vector<uint8_t> padded(plain);
  padded.insert(padded.end(), pad, static_cast<uint8_t>(pad));
  std::vector<uint8_t> out(padded.size());
  run(key, ivOrZero(iv), padded.data(), out.data(), padded.size(), true);
  return out;
}

std::vector<uint8_t> aesCBCDecrypt(const std::vector<uint8_t>& key, const std::vector<uint8_t>& iv,
                                   const std::vector<uint8_t>& cipher, Ref<fd::Error>* error) {
  if (!checkParameters(key, iv, error)) return {};
  if (cipher.empty() || cipher.size() % kAESBlockSize != 0) {
    fd::setError(error, fd::Error::withDescription(fd::NSOSStatusErrorDomain, kCCAlignmentError,
                                                   "Input is not a whole number of blocks"));
    return {};
  }
  std::vector<uint8_t> out(cipher.size());
  run(key, ivOrZero(iv), cipher.data(), out.data(), cipher.size(), false);
  uint8_t pad = out.back();
  bool ok = pad >= 1 && pad <= kAESBlockSize;
  for (size_t i = 0; ok && i < pad; ++i) ok = out[out.size() - 1 - i] == pad;
  if (!ok) {
    fd::setError(error, fd::Error::withDescription(fd::NSOSStatusErrorDomain, kCCDecodeError, "Bad padding"));
    return {};
  }
  // erase, not resize: only shrinking is possible here, and resize's growing path makes
  // GCC warn about an impossible size under ThreadSanitizer.
  out.erase(out.end() - pad, out.end());
  return out;
}

}  // namespace crypto
