#pragma once
// Names the typesetter shares with the layers below.
#include "platform/foundation/Types.h"
#include "platform/graphics/Geometry.h"

namespace typeset {
using rt::Id;
using rt::Range;
using rt::String;
}  // namespace typeset
