#include "tools/sample-service/service/Signing.h"

#include <cstdlib>

#include "platform/crypto/Digest.h"

namespace sample {

std::string signatureFor(std::string_view timestamp) {
  std::string text = std::string(kSigningKey) + std::string(timestamp) + "1";
  auto hex = crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, text));
  return hex.substr(0, 26);
}

std::optional<SigningFailure> checkSignature(const std::optional<std::string>& signature,
                                             const std::optional<std::string>& timestamp, int64_t now,
                                             int64_t toleranceSeconds) {
  if (!signature || signature->empty() || !timestamp || timestamp->empty()) {
    return SigningFailure{401, "缺少签名信息"};
  }
  // Whole seconds only, as clients format them; the length bound keeps the value in range.
  bool digits = timestamp->size() <= 15;
  for (char c : *timestamp) digits = digits && c >= '0' && c <= '9';
  if (!digits) return SigningFailure{401, "签名时间格式错误"};
  if (*signature != signatureFor(*timestamp)) return SigningFailure{403, "签名校验失败"};
  if (toleranceSeconds > 0) {
    int64_t sent = std::strtoll(timestamp->c_str(), nullptr, 10);
    if (std::llabs(now - sent) > toleranceSeconds) return SigningFailure{408, "签名已过期，请校准设备时间"};
  }
  return std::nullopt;
}

}  // namespace sample
