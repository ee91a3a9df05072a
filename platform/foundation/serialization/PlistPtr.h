#pragma once

#include <plist/plist.h>

#include <memory>

namespace fd {

struct PlistFree {
  void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
// Nodes under construction are owned, so that an early return or an exception leaks nothing.
using PlistPtr = std::unique_ptr<void, PlistFree>;

}  // namespace fd
