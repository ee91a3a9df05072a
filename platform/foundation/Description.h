#pragma once
// The text form collections use for their elements in descriptions: strings quoted and
// escaped unless plain, nested arrays, dictionaries and sets indented four spaces per level.
#include "platform/foundation/Types.h"

namespace fd {

class Locale;

/// An element as it appears inside a collection's description at nesting `level`; with a
/// locale, numbers (here and in nested arrays and dictionaries) use its decimal separator.
String nestedDescription(const Id& o, unsigned level, const Locale* locale = nullptr);
/// A string as a collection shows it: bare when it is non-empty ASCII letters and digits,
/// otherwise in double quotes with `"`, `\` and control characters escaped and non-ASCII
/// characters written "\Uxxxx".
String quotedIfNeeded(const String& s);
/// Four spaces per level.
String indentation(unsigned level);

}  // namespace fd
