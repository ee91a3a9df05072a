#pragma once
// How a picture is sampled when drawn at another size: reductions beyond three quarters
// average over a kernel wider than the reduction (Cairo's box of exactly the reduction's
// width turns one-pixel detail into bands); slight reductions and enlargements interpolate.
#include <cairo.h>

namespace gfx {

/// The filter for device pixels per picture pixel along x and y.
cairo_filter_t filterForScale(double devicePerPixelX, double devicePerPixelY);

}  // namespace gfx
