#pragma once
// Names the foundation layer shares with the runtime, and the few small types its value
// classes have in common.
#include <cstdint>
#include <functional>

#include "platform/runtime/Class.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Range.h"
#include "platform/runtime/Ref.h"
#include "platform/runtime/String.h"

namespace rt {
template <> struct StructEncoding<Range> { static constexpr const char* value = "{_NSRange=QQ}"; };
}  // namespace rt

namespace fd {

using rt::Class;
using rt::Id;
using rt::NotFound;
using rt::Object;
using rt::Ordering;
using rt::Range;
using rt::String;

/// Orders two objects; used by sorting and searching.
using Comparator = std::function<Ordering(const Id&, const Id&)>;

/// Enumeration options, with the platform's values. Concurrent enumeration may run serially.
enum EnumerationOptions : uint32_t {
  EnumerationConcurrent = 1,
  EnumerationReverse = 2,
};

/// Sort options: a stable sort is what every sort here does anyway.
enum SortOptions : uint32_t {
  SortConcurrent = 1,
  SortStable = 16,
};

}  // namespace fd
