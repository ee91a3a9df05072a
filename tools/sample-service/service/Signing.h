#pragma once
// The content service's request signature: the first 26 characters of the lower-case hex MD5
// of the shared key, the timestamp text and "1", sent in "API_AUTHKEY" beside the timestamp in
// "API-AUTHTIME".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sample {

inline constexpr const char* kSigningKey = "qovatesplimurdanekwohifzyx";
inline constexpr const char* kSignatureHeader = "API_AUTHKEY";
inline constexpr const char* kTimestampHeader = "API-AUTHTIME";

/// The signature a client must send with `timestamp`.
std::string signatureFor(std::string_view timestamp);

/// Why a request is refused: the envelope status and the text for "info".
struct SigningFailure {
  int status;
  std::string info;
};

/// Checks the two header values against the service clock `now` (Unix seconds). A tolerance
/// of 0 accepts any timestamp; the signature must match in every case.
std::optional<SigningFailure> checkSignature(const std::optional<std::string>& signature,
                                             const std::optional<std::string>& timestamp, int64_t now,
                                             int64_t toleranceSeconds);

}  // namespace sample
