#include "platform/graphics/SamplingFilter.h"

namespace gfx {

cairo_filter_t filterForScale(double devicePerPixelX, double devicePerPixelY) {
  bool reduces = devicePerPixelX < 0.99 || devicePerPixelY < 0.99;
  return reduces ? CAIRO_FILTER_BEST : CAIRO_FILTER_GOOD;
}

}  // namespace gfx
