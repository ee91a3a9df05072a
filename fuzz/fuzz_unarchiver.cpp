// The keyed unarchiver: secure decoding of the value classes, and the raising entry point,
// whose documented exceptions are its answer to bad archives. Mutable containers that hold
// each other come back holding each other, as they were archived; like any caller, the target
// empties them when done, or every such archive would show as a leak.
#include <unordered_set>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/runtime/Exception.h"

namespace {

void emptyMutableContainers(const fd::Id& root) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto in = kd_fuzz::split(data, size);
  auto bytes = in.data();
  const std::vector<const rt::Class*> classes = {
      fd::Dictionary::classObject(), fd::Array::classObject(), fd::Set::classObject(),
      fd::StringObject::classObject(), fd::Number::classObject(), fd::Data::classObject(),
      fd::Date::classObject(), fd::URL::classObject()};
  Ref<fd::Error> error;
  auto object = fd::KeyedUnarchiver::unarchivedObjectOfClasses(classes, bytes, &error);
  if (object) object->description();
  emptyMutableContainers(object);
  if (in.selector & 1) {
    try {
      if (auto any = fd::KeyedUnarchiver::unarchiveObjectWithData(bytes)) {
        any->description();
        emptyMutableContainers(any);
      }
    } catch (const rt::Exception&) {
    }
  }
  return 0;
}
