#pragma once
// Error domains, user-information keys and the localized messages shared by the HTTP client.
#include "platform/foundation/Error.h"

namespace net {

/// Errors of the response serializers: -1016 (unacceptable content / undecodable body) and
/// -1011 (unacceptable status code).
inline constexpr const char* NKURLResponseSerializationErrorDomain = "com.trevanode.error.serialization.response";
/// Errors of the request serializers: -1000 (bad URL, bad header, bad body part).
inline constexpr const char* NKURLRequestSerializationErrorDomain = "com.trevanode.error.serialization.request";

/// The response that failed validation.
inline constexpr const char* NKNetworkingOperationFailingURLResponseErrorKey =
    "com.trevanode.serialization.response.error.response";
/// The body of the response that failed validation, when it had one.
inline constexpr const char* NKNetworkingOperationFailingURLResponseDataErrorKey =
    "com.trevanode.serialization.response.error.data";

/// The string table every client message is looked up in.
inline constexpr const char* NKNetworkingStringTable = "NKNetworking";

/// `english` looked up as a key in the main bundle's "NKNetworking" table; `english` itself
/// when the table has no entry for it (or there is no main bundle).
fd::String NKLocalizedString(const fd::String& english);

/// `error` with `underlyingError` attached under NSUnderlyingErrorKey: `underlyingError` when
/// `error` is null; `error` itself when there is nothing to attach or it already has an
/// underlying error; otherwise a new error of the same domain and code.
Ref<fd::Error> NKErrorAttachingUnderlying(const Ref<fd::Error>& error, const Ref<fd::Error>& underlyingError);

/// Whether `error` or any error chained beneath it has `domain` and `code`.
bool NKErrorChainContainsCode(const Ref<fd::Error>& error, const char* domain, int64_t code);

}  // namespace net
