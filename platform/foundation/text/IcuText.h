#pragma once
// Conversions between the system's text type and ICU's, for the sources that sit on ICU.
#include <unicode/unistr.h>

#include "platform/runtime/String.h"

namespace fd::icutext {

/// A read-only ICU view of `s`; valid while `s` lives and is not changed.
inline icu::UnicodeString alias(const rt::String& s) {
  return icu::UnicodeString(false, reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.length()));
}

inline icu::UnicodeString copy(const rt::String& s) {
  return icu::UnicodeString(reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.length()));
}

inline rt::String toString(const icu::UnicodeString& u) {
  return rt::String(reinterpret_cast<const char16_t*>(u.getBuffer()), static_cast<size_t>(u.length()));
}

}  // namespace fd::icutext
