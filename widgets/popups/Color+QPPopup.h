#pragma once
// Popup colours are packed RRGGBBAA numbers.
#include <cstdint>

#include "platform/graphics/Color.h"

namespace widgets {

/// Red from bits 24-31, green 16-23, blue 8-15, alpha 0-7, each byte / 255; higher bits ignored.
Ref<gfx::Color> qp_colorWithHex(uint64_t hex);

}  // namespace widgets
