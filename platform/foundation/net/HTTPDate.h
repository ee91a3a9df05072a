#pragma once
// HTTP dates (Date, Expires, Last-Modified, cookie expiry) read as seconds since 1970.
#include <optional>
#include <string>

namespace fd {

/// The preferred form "Sun, 06 Nov 1994 08:49:37 GMT" and the obsolete ones servers still send:
/// "Sunday, 06-Nov-94 08:49:37 GMT", its four-digit-year variant, and "Sun Nov  6 08:49:37 1994".
/// Null for anything else.
std::optional<double> parseHTTPDate(const std::string& text);

}  // namespace fd
