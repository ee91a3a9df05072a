#pragma once
// Writing dynamic values as JSON text (the writing half of JSONSerialization).
#include <cstdint>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Types.h"

namespace fd {

/// UTF-8 JSON text for `object` under JSONWritingOptions, or null with `error` set.
Ref<Data> writeJSON(const Id& object, uint32_t options, Ref<Error>* error);
/// Whether `object` is a container JSON can hold entirely.
bool isValidJSONValue(const Id& object);

}  // namespace fd
