#pragma once
// String transforms by compound transform identifier
// ("Any-Latin; Latin-ASCII; [:^ASCII:] Remove", "Fullwidth-Halfwidth", ...).
#include <optional>

#include "platform/foundation/Types.h"

namespace fd {

/// The transformed text, or nullopt when `transform` is not a valid identifier.
std::optional<String> applyTransform(const String& text, const String& transform, bool reverse = false);

}  // namespace fd
