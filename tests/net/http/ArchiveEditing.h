#pragma once
// Editing keyed archives in tests: archives as an older writer would have left them. The
// archive is a binary property list whose object references are UIDs, which the property-list
// values cannot carry, so the bytes are edited with the format library itself.
#include <plist/plist.h>

#include "platform/foundation/values/Data.h"

namespace nettest {

/// The keyed archive `archive` with `key` removed from every archived object; null when the
/// archive cannot be read.
inline Ref<fd::Data> archiveWithoutKey(const Ref<fd::Data>& archive, const char* key) {
  plist_t root = nullptr;
  plist_from_bin(reinterpret_cast<const char*>(archive->bytes()), static_cast<uint32_t>(archive->length()), &root);
  if (!root) return nullptr;
  if (plist_t objects = plist_dict_get_item(root, "$objects")) {
    for (uint32_t i = 0; i < plist_array_get_size(objects); ++i) {
      plist_t object = plist_array_get_item(objects, i);
      if (plist_get_node_type(object) == PLIST_DICT && plist_dict_get_item(object, key)) {
        plist_dict_remove_item(object, key);
      }
    }
  }
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(root, &bytes, &length);
  plist_free(root);
  if (!bytes) return nullptr;
  auto edited = fd::Data::create(bytes, length);
  plist_to_bin_free(bytes);
  return edited;
}

}  // namespace nettest
