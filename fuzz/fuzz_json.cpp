// The JSON reader with every option, and the writer over what it read.
#include "fuzz/FuzzInput.h"
#include "platform/foundation/serialization/JSONSerialization.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  Ref<fd::Error> error;
  auto object = fd::JSONSerialization::JSONObjectWithBytes(in.text(), in.selector & 7, &error);
  if (!object) {
    if (!error) __builtin_trap();  // a refusal always says why
    return 0;
  }
  // What was read can be written and reads back equal.
  if (fd::JSONSerialization::isValidJSONObject(object) || (in.selector & 4)) {
    Ref<fd::Error> writeError;
    auto bytes = fd::JSONSerialization::dataWithJSONObject(object, (in.selector >> 3) & 1, &writeError);
    if (bytes) {
      auto again = fd::JSONSerialization::JSONObjectWithData(bytes, in.selector & 7, nullptr);
      if (!again) __builtin_trap();
    }
  }
  return 0;
}
