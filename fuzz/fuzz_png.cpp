#include "fuzz/DecodeFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return kd_fuzz::decodeAll(data, size, gfx::ImageFormat::PNG);
}
