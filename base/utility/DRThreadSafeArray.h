#pragma once
// A mutable array that may be shared between threads: a kind of the platform's mutable array
// that gives the platform array its lock, so every operation, called through this class or
// through a plain array or mutable array reference, runs under it. The operations declared
// here are the ones the platform array has not. Comparators and sort functions of an in-place
// sort, tests and selectors passed in run while the lock is held; a sorted copy sorts a copy
// without it, and enumeration (blocks, `objects`, `reverseObjects`, iteration) walks a copy
// taken under the lock, so its block may change the array. A copy, mutable or not, is another
// thread-safe array.
#include <functional>
#include <vector>

#include "platform/foundation/net/URL.h"
#include "platform/foundation/time/Locale.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/IndexSet.h"

namespace base {

using rt::String;

class DRThreadSafeArray : public fd::MutableArray {
  RT_CLASS(DRThreadSafeArray, fd::MutableArray)
 public:
  DRThreadSafeArray() { installLock(&mutex_); }

  // Initialisers: an empty array, or the contents of another array (read under its lock
  // when it has one). A file or URL that holds no array property list gives null.
  static Ref<DRThreadSafeArray> create(std::vector<rt::Id> objects = {});
  static Ref<DRThreadSafeArray> arrayWithCapacity(size_t capacity);
  static Ref<DRThreadSafeArray> arrayWithArray(const fd::Array& array);
  /// Raises when an element is null, as the platform's does.
  static Ref<DRThreadSafeArray> arrayWithObjects(const rt::Id* objects, size_t count);
  static Ref<DRThreadSafeArray> arrayWithContentsOfFile(const String& path);
  /// Reads a file URL; any other scheme gives null (no blocking network reads here).
  static Ref<DRThreadSafeArray> arrayWithContentsOfURL(const Ref<fd::URL>& url);

  // ---- reading
  rt::Id objectAtIndexedSubscript(size_t index) const { return objectAtIndex(index); }
  rt::Id objectOrNilAtIndex(size_t index) const;
  rt::Id randomObject() const;
  /// The contents back to front; what the reverse enumerator walks.
  std::vector<rt::Id> reverseObjects() const;
  /// Objects [range.location, range.location + range.length); raises beyond the end.
  std::vector<rt::Id> getObjects(rt::Range range) const;
  /// A new plain array with the current contents.
  Ref<fd::Array> array() const;
  using fd::Array::indexOfObjectIdenticalTo;
  uint64_t indexOfObjectIdenticalTo(const rt::Id& object, rt::Range within) const;
  using TestBlock = std::function<bool(const rt::Id&, size_t, bool& stop)>;
  using fd::Array::indexOfObjectPassingTest;
  uint64_t indexOfObjectPassingTest(uint32_t options, const TestBlock& test) const;
  uint64_t indexOfObjectAtIndexes(const fd::IndexSet& indexes, uint32_t options, const TestBlock& test) const;
  Ref<fd::IndexSet> indexesOfObjectsPassingTest(const TestBlock& test) const;
  Ref<fd::IndexSet> indexesOfObjectsPassingTest(uint32_t options, const TestBlock& test) const;
  Ref<fd::IndexSet> indexesOfObjectsAtIndexes(const fd::IndexSet& indexes, uint32_t options,
                                              const TestBlock& test) const;
  /// A sort function with its caller's context, for the function sorts.
  using SortFunction = fd::Ordering (*)(const rt::Id& a, const rt::Id& b, void* context);
  /// Opaque data that describes the current order, for sortedArrayUsingFunction with a hint.
  Ref<fd::Data> sortedArrayHint() const;
  Ref<fd::Array> sortedArrayUsingFunction(SortFunction function, void* context) const;
  /// The hint only ever speeds a sort up: any hint, stale or foreign, gives the same result.
  Ref<fd::Array> sortedArrayUsingFunction(SortFunction function, void* context, const Ref<fd::Data>& hint) const;
  void makeObjectsPerformSelector(rt::Selector selector) const;
  void makeObjectsPerformSelector(rt::Selector selector, const rt::Id& argument) const;

  // ---- changing
  void setObjectAtIndexedSubscript(rt::Id object, size_t index);
  using fd::MutableArray::removeObject;
  void removeObject(const rt::Id& object, rt::Range within);
  using fd::MutableArray::removeObjectIdenticalTo;
  void removeObjectIdenticalTo(const rt::Id& object, rt::Range within);
  /// `objects` go to `indexes` (as many of each), in order.
  void insertObjects(const fd::Array& objects, const fd::IndexSet& indexes);
  void replaceObjectsAtIndexes(const fd::IndexSet& indexes, const fd::Array& objects);
  void replaceObjectsInRange(rt::Range range, const fd::Array& from, rt::Range fromRange);
  void replaceObjectsInRange(rt::Range range, const fd::Array& from);
  using fd::MutableArray::setArray;
  using fd::MutableArray::sortUsingComparator;
  void sortUsingComparator(uint32_t options, const fd::Comparator& cmp);
  /// Sorted by the elements' own compare (the selector form).
  void sortUsingCompare();
  void sortUsingFunction(SortFunction function, void* context);
  // The queue-like and bulk additions; they never raise on an empty array.
  rt::Id popFirstObject();
  rt::Id popLastObject();
  void appendObjects(const Ref<fd::Array>& objects);
  void prependObjects(const Ref<fd::Array>& objects);
  void insertObjects(const Ref<fd::Array>& objects, size_t index);
  void reverse();
  void shuffle();

  /// Equal only to another thread-safe array with equal contents.
  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  bool isEqualToArray(const fd::Array& other) const { return isEqual(&other); }
  rt::Id copy() const override;
  rt::Id mutableCopy() const override;

 private:
  mutable fd::detail::ContainerMutex mutex_;
};

}  // namespace base
