#pragma once
// Length limits that never split a composed character.
#include <cstddef>

#include "platform/runtime/String.h"

namespace widgets {

/// The longest prefix of whole composed character sequences at most `limit` UTF-16 units long.
rt::String qp_truncateByCharLength(const rt::String& text, size_t limit);

}  // namespace widgets
