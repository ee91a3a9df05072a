#include "platform/graphics/SamplingFilter.h"

namespace gfx {

cairo_filter_t filterForScale(double devicePerPixelX, double devicePerPixelY) {
  // Down to three quarters Cairo's good filter interpolates, which loses little and costs a
  // fraction of the wide kernel.
  bool reduces = devicePerPixelX < 0.75 || devicePerPixelY < 0.75;
  return reduces ? CAIRO_FILTER_BEST : CAIRO_FILTER_GOOD;
}

}  // namespace gfx
