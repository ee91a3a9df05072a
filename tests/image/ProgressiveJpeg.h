#pragma once
// A progressive JPEG made here: the sample service serves baseline ones.
#include <string>

namespace imagetest {

/// A colour ramp of the given size, encoded progressively.
std::string progressiveJPEG(int width, int height);

}  // namespace imagetest
