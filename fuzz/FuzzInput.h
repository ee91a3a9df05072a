#pragma once
// Helpers the text-format fuzz targets share: the first byte picks options, the rest is the
// document; exceptions the code documents as its way of refusing input are not findings.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/foundation/values/Data.h"

namespace kd_fuzz {

struct Split {
  uint8_t selector = 0;
  const uint8_t* bytes = nullptr;
  size_t size = 0;

  Ref<fd::Data> data() const { return fd::Data::create(bytes, size); }
  std::string_view text() const { return {reinterpret_cast<const char*>(bytes), size}; }
};

inline Split split(const uint8_t* data, size_t size) {
  if (size == 0) return {};
  return {data[0], data + 1, size - 1};
}

}  // namespace kd_fuzz
