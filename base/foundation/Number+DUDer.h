#pragma once
// Numbers from text: "true"/"yes", "false"/"no", hexadecimal with "0x", or a decimal in the
// user's locale. Any thread.
#include "platform/foundation/values/Number.h"

namespace base {

using rt::String;

/// Null for empty text, "nil", "null", "<null>" and anything that is not a number.
Ref<fd::Number> numberWithString(const String& text);

}  // namespace base
