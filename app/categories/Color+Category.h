#pragma once
// The application's colour palette and its hex-colour reader (opaque colours, components 0-255).
#include <cstdint>
#include <string>

#include "platform/graphics/Color.h"

namespace app {

Ref<gfx::Color> colorWithRGB(unsigned red, unsigned green, unsigned blue);
/// "#RRGGBB", "0XRRGGBB" or "RRGGBB" (any case, blanks around); anything else is the clear
/// colour. A pair that is not hexadecimal counts as 0.
Ref<gfx::Color> colorWithHexString(const std::string& text, double alpha);

Ref<gfx::Color> customTextBlackColor();
Ref<gfx::Color> customTextGreyColor();
Ref<gfx::Color> customTextOrangeColor();
Ref<gfx::Color> customSelectColor();
Ref<gfx::Color> customRedColor();
Ref<gfx::Color> customLineGreyColor();
Ref<gfx::Color> customTitleColor();
Ref<gfx::Color> customContentColor();
Ref<gfx::Color> cellColor01();
Ref<gfx::Color> cellColor02();
Ref<gfx::Color> cellColor03();
Ref<gfx::Color> cellColor04();
Ref<gfx::Color> cellColor05();

/// Trims blanks and line breaks, upper-cases, drops a leading "0X" then a leading "#"; answers
/// the six remaining digits, or an empty string when the text is not six digits long then.
std::string hexColorDigits(const std::string& text);

}  // namespace app
