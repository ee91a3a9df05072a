#pragma once
// A mutable array that may be shared between threads: every call runs under the array's own
// lock. Blocks passed in run while the lock is held and must not call back into the array.
// A copy is another thread-safe array.
#include <functional>
#include <mutex>
#include <vector>

#include "platform/foundation/values/Array.h"

namespace base {

using rt::String;

class DRThreadSafeArray : public rt::Object {
  RT_CLASS(DRThreadSafeArray, rt::Object)
 public:
  static Ref<DRThreadSafeArray> create(std::vector<rt::Id> objects = {});
  static Ref<DRThreadSafeArray> arrayWithArray(const fd::Array& array);

  size_t count() const;
  /// Raises for an index out of range, like the platform's arrays.
  rt::Id objectAtIndex(size_t index) const;
  rt::Id objectOrNilAtIndex(size_t index) const;
  rt::Id firstObject() const;
  rt::Id lastObject() const;
  bool containsObject(const rt::Id& object) const;
  size_t indexOfObject(const rt::Id& object) const;  // fd::NotFound when absent
  /// A new plain array with the current contents.
  Ref<fd::Array> array() const;
  void enumerateObjects(const std::function<void(const rt::Id& object, size_t index, bool& stop)>& block) const;

  void addObject(rt::Id object);
  void insertObject(rt::Id object, size_t index);
  void addObjectsFromArray(const fd::Array& array);
  void replaceObjectAtIndex(size_t index, rt::Id object);
  void removeObjectAtIndex(size_t index);
  void removeObject(const rt::Id& object);
  void removeLastObject();
  void removeFirstObject();
  void removeAllObjects();
  void setArray(const fd::Array& array);
  void exchangeObjectAtIndex(size_t a, size_t b);
  void sortUsingComparator(const std::function<fd::Ordering(const rt::Id&, const rt::Id&)>& comparator);
  void reverse();
  /// Removes and answers the first (last) object, null when empty.
  rt::Id popFirstObject();
  rt::Id popLastObject();

  /// Equal only to another thread-safe array with equal contents.
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  String description() const override;
  rt::Id copy() const override;
  rt::Id mutableCopy() const override { return copy(); }

 private:
  void checkIndex(size_t index, size_t limit, const char* method) const;
  mutable std::mutex lock_;
  std::vector<rt::Id> objects_;
};

}  // namespace base
