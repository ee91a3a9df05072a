#pragma once
// Names shared by the keyed archiver and unarchiver (the format is described in
// KeyedArchiver.h).
#include <string>

#include "platform/foundation/Types.h"

namespace fd::archive {

inline constexpr const char* kFormatKey = "$format";
inline constexpr const char* kFormatName = "kd.keyed-archive";
inline constexpr const char* kVersionKey = "$version";
inline constexpr int kVersion = 1;
inline constexpr const char* kTopKey = "$top";
inline constexpr const char* kObjectsKey = "$objects";
inline constexpr const char* kClassKey = "$class";
inline constexpr const char* kNullMarker = "$null";
/// Deeper object graphs are refused rather than overflowing the stack.
inline constexpr unsigned kMaxDepth = 1000;

/// The stored form of a caller's key: one more "$" in front of keys that start with "$", so
/// that they never meet the format's own names.
inline std::string storedKey(const String& key) {
  std::string k = key.utf8();
  return !k.empty() && k[0] == '$' ? "$" + k : k;
}

}  // namespace fd::archive
