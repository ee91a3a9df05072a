#include "widgets/popups/Color+QPPopup.h"

namespace widgets {

Ref<gfx::Color> qp_colorWithHex(uint64_t hex) {
  auto byte = [&](int shift) { return static_cast<double>((hex >> shift) & 0xFF) / 255.0; };
  return gfx::Color::colorWithRed(byte(24), byte(16), byte(8), byte(0));
}

}  // namespace widgets
