#include "base/foundation/MutableArray+DUDer.h"

#include <cstdlib>

#include "platform/foundation/serialization/PropertyListSerialization.h"

namespace base {

Ref<fd::MutableArray> mutableArrayWithPlistData(const Ref<fd::Data>& data) {
  if (!data) return nullptr;
  return rt::as<fd::MutableArray>(fd::PropertyListSerialization::propertyListWithData(
      data, fd::PropertyListMutableContainersAndLeaves, nullptr, nullptr));
}

Ref<fd::MutableArray> mutableArrayWithPlistString(const std::optional<String>& text) {
  if (!text) return nullptr;
  return mutableArrayWithPlistData(fd::Data::create(text->utf8()));
}

void removeFirstObject(fd::MutableArray& array) { array.removeFirstObject(); }

void removeLastObject(fd::MutableArray& array) { array.removeLastObject(); }

rt::Id popFirstObject(fd::MutableArray& array) {
  return array.withLock([&]() -> rt::Id {
    rt::Id first = array.firstObject();
    if (first) array.removeObjectAtIndex(0);
    return first;
  });
}

rt::Id popLastObject(fd::MutableArray& array) {
  return array.withLock([&]() -> rt::Id {
    rt::Id last = array.lastObject();
    if (last) array.removeLastObject();
    return last;
  });
}

void appendObject(fd::MutableArray& array, const rt::Id& object) { array.addObject(object); }
void prependObject(fd::MutableArray& array, const rt::Id& object) { array.insertObject(object, 0); }

void appendObjects(fd::MutableArray& array, const Ref<fd::Array>& objects) {
  if (objects) array.addObjectsFromArray(*objects);
}

void prependObjects(fd::MutableArray& array, const Ref<fd::Array>& objects) { insertObjects(array, objects, 0); }

void insertObjects(fd::MutableArray& array, const Ref<fd::Array>& objects, size_t index) {
  if (!objects) return;
  // A copy first, so that inserting an array into itself is well defined (and so that no
  // thread holds two arrays' locks at once).
  std::vector<rt::Id> items = objects->objects();
  array.withLock([&] {
    for (const auto& o : items) array.insertObject(o, index++);
  });
}

void reverse(fd::MutableArray& array) {
  array.withLock([&] {
    size_t n = array.count();
    for (size_t i = 0; i < n / 2; ++i) array.exchangeObjectAtIndex(i, n - 1 - i);
  });
}

void shuffle(fd::MutableArray& array) {
  array.withLock([&] {
    for (size_t i = array.count(); i > 1; --i) array.exchangeObjectAtIndex(i - 1, arc4random_uniform(uint32_t(i)));
  });
}

}  // namespace base
