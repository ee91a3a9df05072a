#pragma once
// The scale a file name carries ("icon@2x.png" is 2).
#include "platform/runtime/String.h"

namespace image {

/// 1 for an empty path, one ending with "/", or a name without "@<number>x" at its end.
double DRImagePathScale(const rt::String& path);

}  // namespace image
