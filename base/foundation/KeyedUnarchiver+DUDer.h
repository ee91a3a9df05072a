#pragma once
// Unarchiving that hands a decoding exception back instead of raising it.
#include <optional>

#include "platform/foundation/values/Data.h"

namespace base {

using rt::String;

/// Null on failure, with the exception stored when `exception` is given.
rt::Id unarchiveObjectWithData(const Ref<fd::Data>& data, std::optional<rt::Exception>* exception = nullptr);
/// A file that cannot be read gives null without an exception.
rt::Id unarchiveObjectWithFile(const String& path, std::optional<rt::Exception>* exception = nullptr);

}  // namespace base
