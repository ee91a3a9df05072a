#pragma once
// Values shared across the web-image pipeline: its error domain and where a cached image came
// from.
#include <cstdint>

namespace image {

inline constexpr const char* WIWebImageErrorDomain = "WIWebImageErrorDomain";

/// Where an answered image was found.
enum WICacheType : int64_t {
  WICacheTypeNone = 0,    // not cached (downloaded), or no key
  WICacheTypeDisk = 1,    // read from the disk level
  WICacheTypeMemory = 2,  // found in the memory level
};

}  // namespace image
