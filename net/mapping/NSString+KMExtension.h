#pragma once
// Helpers on names and texts: camel case and underscores, first-character case, integer
// test, and URLs from text that may need escaping.
#include "platform/foundation/net/URL.h"

namespace net {

/// "userName" -> "user_name"; every upper-case letter gains a "_" ("URL" -> "_u_r_l").
fd::String km_underlineFromCamel(const fd::String& s);
/// "user_name" -> "userName"; empty segments add nothing ("_id" -> "Id", "a__b" -> "aB").
fd::String km_camelFromUnderline(const fd::String& s);
fd::String km_firstCharLower(const fd::String& s);
fd::String km_firstCharUpper(const fd::String& s);
/// True when the text is a 32-bit signed integer with nothing but white space around it.
bool km_isPureInt(const fd::String& s);
/// The URL of the text with every character outside the URL characters percent-escaped
/// (escapes already present are kept); null when that is still no valid URL.
Ref<fd::URL> km_url(const fd::String& s);

}  // namespace net
