#pragma once
// A mutable array that may be shared between threads: a kind of the platform's mutable array
// whose every operation runs under the array's own lock. Comparators, tests and selectors
// passed in run while the lock is held and must not call back into the array; enumeration
// (blocks, `objects`, `reverseObjects`) walks a snapshot taken under the lock, so its block may.
// The platform's array operations are not virtual: called through a reference to the platform
// class, only the virtual ones (description, equality, hash, copies, key-value coding) lock.
// Share it as a DRThreadSafeArray. A copy, mutable or not, is another thread-safe array.
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/IndexSet.h"

namespace base {

using rt::String;

class DRThreadSafeArray : public fd::MutableArray {
  RT_CLASS(DRThreadSafeArray, fd::MutableArray)
 public:
  // Initialisers: an empty array, or the contents of another array (read under its lock
  // when it is thread-safe too). A file that holds no array property list gives null.
  static Ref<DRThreadSafeArray> create(std::vector<rt::Id> objects = {});
  static Ref<DRThreadSafeArray> arrayWithCapacity(size_t capacity);
  static Ref<DRThreadSafeArray> arrayWithArray(const fd::Array& array);
  static Ref<DRThreadSafeArray> arrayWithContentsOfFile(const String& path);

  // ---- reading
  size_t count() const;
  bool isEmpty() const { return count() == 0; }
  /// Raises for an index out of range, like the platform's arrays.
  rt::Id objectAtIndex(size_t index) const;
  rt::Id objectAtIndexedSubscript(size_t index) const { return objectAtIndex(index); }
  rt::Id operator[](size_t index) const { return objectAtIndex(index); }
  rt::Id objectOrNilAtIndex(size_t index) const;
  rt::Id randomObject() const;
  rt::Id firstObject() const;
  rt::Id lastObject() const;
  /// A snapshot of the contents, front to back (back to front); what enumerators walk.
  std::vector<rt::Id> objects() const;
  std::vector<rt::Id> reverseObjects() const;
  /// Objects [range.location, range.location + range.length); raises beyond the end.
  std::vector<rt::Id> getObjects(rt::Range range) const;
  /// A new plain array with the current contents.
  Ref<fd::Array> array() const;
  Ref<fd::Array> objectsAtIndexes(const fd::IndexSet& indexes) const;
  Ref<fd::Array> subarrayWithRange(rt::Range range) const;
  Ref<fd::Array> arrayByAddingObject(const rt::Id& object) const;
  Ref<fd::Array> arrayByAddingObjectsFromArray(const fd::Array& other) const;
  String componentsJoinedByString(const String& separator) const;
  bool containsObject(const rt::Id& object) const;
  rt::Id firstObjectCommonWithArray(const fd::Array& other) const;
  uint64_t indexOfObject(const rt::Id& object) const;  // fd::NotFound when absent
  uint64_t indexOfObject(const rt::Id& object, rt::Range within) const;
  uint64_t indexOfObjectIdenticalTo(const rt::Id& object) const;
  uint64_t indexOfObjectIdenticalTo(const rt::Id& object, rt::Range within) const;
  using TestBlock = std::function<bool(const rt::Id&, size_t, bool& stop)>;
  uint64_t indexOfObjectPassingTest(const TestBlock& test) const;
  uint64_t indexOfObjectPassingTest(uint32_t options, const TestBlock& test) const;
  uint64_t indexOfObjectAtIndexes(const fd::IndexSet& indexes, uint32_t options, const TestBlock& test) const;
  Ref<fd::IndexSet> indexesOfObjectsPassingTest(const TestBlock& test) const;
  Ref<fd::IndexSet> indexesOfObjectsPassingTest(uint32_t options, const TestBlock& test) const;
  Ref<fd::IndexSet> indexesOfObjectsAtIndexes(const fd::IndexSet& indexes, uint32_t options,
                                              const TestBlock& test) const;
  uint64_t indexOfObjectInSortedRange(const rt::Id& object, rt::Range range, const fd::Comparator& cmp) const;
  Ref<fd::Array> sortedArrayUsingComparator(const fd::Comparator& cmp) const;
  Ref<fd::Array> sortedArrayUsingComparator(uint32_t options, const fd::Comparator& cmp) const;
  /// Sorted by the elements' own compare (the selector form).
  Ref<fd::Array> sortedArrayUsingCompare() const;
  void enumerateObjects(const EnumerationBlock& block) const;
  void enumerateObjects(uint32_t options, const EnumerationBlock& block) const;
  void enumerateObjectsAtIndexes(const fd::IndexSet& indexes, uint32_t options, const EnumerationBlock& block) const;
  void makeObjectsPerformSelector(rt::Selector selector) const;
  void makeObjectsPerformSelector(rt::Selector selector, const rt::Id& argument) const;
  bool isEqualToArray(const fd::Array& other) const;

  // ---- changing
  void addObject(rt::Id object);
  void insertObject(rt::Id object, size_t index);
  void setObjectAtIndexedSubscript(rt::Id object, size_t index);
  void replaceObjectAtIndex(size_t index, rt::Id object);
  void removeObjectAtIndex(size_t index);
  void removeObject(const rt::Id& object);
  void removeObject(const rt::Id& object, rt::Range within);
  void removeObjectIdenticalTo(const rt::Id& object);
  void removeObjectIdenticalTo(const rt::Id& object, rt::Range within);
  void removeObjectsInArray(const fd::Array& other);
  void removeObjectsInRange(rt::Range range);
  void removeObjectsAtIndexes(const fd::IndexSet& indexes);
  void removeLastObject();
  void removeFirstObject();
  void removeAllObjects();
  void addObjectsFromArray(const fd::Array& other);
  void addObjectsFromArray(const Ref<fd::Array>& other) {
    if (other) addObjectsFromArray(*other);
  }
  /// `objects` go to `indexes` (as many of each), in order.
  void insertObjects(const fd::Array& objects, const fd::IndexSet& indexes);
  void replaceObjectsAtIndexes(const fd::IndexSet& indexes, const fd::Array& objects);
  void replaceObjectsInRange(rt::Range range, const fd::Array& from, rt::Range fromRange);
  void replaceObjectsInRange(rt::Range range, const fd::Array& from);
  void setArray(const fd::Array& other);
  void setArray(std::vector<rt::Id> objects);
  void exchangeObjectAtIndex(size_t a, size_t b);
  void sortUsingComparator(const fd::Comparator& cmp);
  void sortUsingComparator(uint32_t options, const fd::Comparator& cmp);
  void sortUsingCompare();
  // The queue-like and bulk additions; they never raise on an empty array.
  rt::Id popFirstObject();
  rt::Id popLastObject();
  void appendObjects(const Ref<fd::Array>& objects);
  void prependObjects(const Ref<fd::Array>& objects);
  void insertObjects(const Ref<fd::Array>& objects, size_t index);
  void reverse();
  void shuffle();

  // Direct access to the storage cannot be locked.
  std::vector<rt::Id>::const_iterator begin() const = delete;
  std::vector<rt::Id>::const_iterator end() const = delete;
  std::vector<rt::Id>& storage() = delete;

  rt::Id valueForKey(const String& key) const override;
  void setValueForKey(const rt::Id& value, const String& key) override;
  /// Equal only to another thread-safe array with equal contents.
  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  String description() const override;
  rt::Id copy() const override;
  rt::Id mutableCopy() const override;

 private:
  mutable std::mutex lock_;
};

}  // namespace base
