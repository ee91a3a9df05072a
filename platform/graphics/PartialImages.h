#pragma once
// The partial images of a canvas a decoder goes on writing: each a copy of the rows decoded
// so far over clear memory. The memory of a partial image let go serves the next one, which
// copies only the rows that memory does not hold yet: a new bitmap of a large frame would
// cost the system's fresh pages for every decoded row at every update. Images may be let go
// on any thread; the rest runs under its owner's lock.
#include <cstdint>
#include <memory>

#include "platform/graphics/Bitmap.h"

namespace gfx {

namespace codecs {
struct Raster;
}

class PartialImages {
 public:
  PartialImages();
  ~PartialImages();
  PartialImages(const PartialImages&) = delete;
  PartialImages& operator=(const PartialImages&) = delete;

  /// The canvas so far at its full size, rows below `canvas.rows` clear; its top `settled`
  /// rows are ones no later byte changes. Null when the memory cannot be had.
  Ref<BitmapImage> make(const codecs::Raster& canvas, uint32_t settled, bool opaque);
  /// Lets go of the memory kept: the canvas is another one now, or finished.
  void reset();

 private:
  struct Pool;
  std::shared_ptr<Pool> pool_;
};

}  // namespace gfx
