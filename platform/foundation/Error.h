#pragma once
// Error objects: a domain, a code and a user-information dictionary, returned through
// `Ref<Error>* error` out-parameters.
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {

class Dictionary;

// Domains
inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* NSURLErrorDomain = "NSURLErrorDomain";
inline constexpr const char* NSPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* NSOSStatusErrorDomain = "NSOSStatusErrorDomain";

// User-information keys
inline constexpr const char* NSLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* NSLocalizedFailureReasonErrorKey = "NSLocalizedFailureReason";
inline constexpr const char* NSLocalizedRecoverySuggestionErrorKey = "NSLocalizedRecoverySuggestion";
inline constexpr const char* NSUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr const char* NSURLErrorFailingURLErrorKey = "NSErrorFailingURLKey";
inline constexpr const char* NSURLErrorFailingURLStringErrorKey = "NSErrorFailingURLStringKey";
inline constexpr const char* NSFilePathErrorKey = "NSFilePath";
inline constexpr const char* NSStringEncodingErrorKey = "NSStringEncodingErrorKey";
inline constexpr const char* NSDebugDescriptionErrorKey = "NSDebugDescription";
inline constexpr const char* NSHelpAnchorErrorKey = "NSHelpAnchor";

class Error : public Object {
  RT_CLASS_NAMED(Error, Object, "NSError")
 public:
  void init() {}
  void init(String domain, int64_t code, Ref<Dictionary> userInfo);

  static Ref<Error> create(String domain, int64_t code, Ref<Dictionary> userInfo = nullptr);
  /// An error whose user information holds just a localized description.
  static Ref<Error> withDescription(String domain, int64_t code, const String& description);

  const String& domain() const { return domain_; }
  int64_t code() const { return code_; }
  /// Never null (an empty dictionary when none was given).
  const Ref<Dictionary>& userInfo() const { return userInfo_; }

  /// The NSLocalizedDescriptionKey value, else "The operation couldn’t be completed.
  /// (<domain> error <code>.)".
  String localizedDescription() const;
  std::optional<String> localizedFailureReason() const;
  std::optional<String> localizedRecoverySuggestion() const;
  /// The error under NSUnderlyingErrorKey, if any.
  Ref<Error> underlyingError() const;

  /// "Error Domain=D Code=N \"desc\" UserInfo={k=v, ...}" ("(null)" without a description).
  String description() const override;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  Id copy() const override;

 private:
  std::optional<String> stringForKey(const char* key) const;
  String domain_;
  int64_t code_ = 0;
  Ref<Dictionary> userInfo_;
};

/// Stores `e` through `out` when `out` is given; the usual way to report an error.
inline void setError(Ref<Error>* out, Ref<Error> e) {
  if (out) *out = std::move(e);
}

}  // namespace fd
