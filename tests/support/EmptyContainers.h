#pragma once
// Mutable containers that hold each other (as an unarchived graph can) keep each other alive;
// a test or fuzz target that decodes such a graph empties every mutable container reachable
// from what it got, so that the graph can go.
#include <unordered_set>
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Set.h"

namespace testsupport {

inline void emptyMutableContainers(const fd::Id& root) {
  std::vector<fd::Id> pending{root};
  std::unordered_set<const rt::Object*> seen;
  std::vector<fd::Id> containers;
  while (!pending.empty()) {
    fd::Id object = std::move(pending.back());
    pending.pop_back();
    if (!object || !seen.insert(object.get()).second) continue;
    auto add = [&](const std::vector<fd::Id>& members) { pending.insert(pending.end(), members.begin(), members.end()); };
    if (auto array = rt::as<fd::Array>(object)) add(array->objects());
    else if (auto set = rt::as<fd::Set>(object)) add(set->objects());
    else if (auto dict = rt::as<fd::Dictionary>(object)) {
      add(dict->keys());
      add(dict->values());
    }
    if (rt::as<fd::MutableArray>(object) || rt::as<fd::MutableSet>(object) || rt::as<fd::MutableDictionary>(object))
      containers.push_back(object);
  }
  for (const fd::Id& c : containers) {
    if (auto array = rt::as<fd::MutableArray>(c)) array->removeAllObjects();
    else if (auto set = rt::as<fd::MutableSet>(c)) set->removeAllObjects();
    else rt::as<fd::MutableDictionary>(c)->removeAllObjects();
  }
}

}  // namespace testsupport
