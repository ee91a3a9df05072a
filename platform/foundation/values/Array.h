#pragma once
// Ordered collections of objects. Elements are never null (the null object stands for
// "nothing"); the mutable class derives from the immutable one. Every operation holds the
// array's lock when it has one (a thread-safe kind), so elements come out by value, iteration
// of such an array walks a copy, and whatever reads the elements (description, equality,
// key-value coding, searches) works on such a copy after letting the lock go.
#include <iterator>
#include <memory>
#include <vector>

#include "platform/foundation/Types.h"
#include "platform/foundation/values/ContainerLock.h"

namespace fd {

class Locale;
class IndexSet;

class Array : public Object {
  RT_CLASS_NAMED(Array, Object, "NSArray")
 public:
  void init() {}
  /// Raises NSInvalidArgumentException when an element is null.
  void init(std::vector<Id> objects);

  static Ref<Array> create(std::vector<Id> objects = {});
  static Ref<Array> arrayWithObject(Id object);
  /// Elements of any object type: Array::of({a, b}).
  template <class T> static Ref<Array> of(const std::vector<Ref<T>>& objects) {
    return create(std::vector<Id>(objects.begin(), objects.end()));
  }

  size_t count() const {
    if (!lock_) return objects_.size();
    detail::ContainerScope scope(lock_);
    return objects_.size();
  }
  bool isEmpty() const { return count() == 0; }
  /// Raises NSRangeException beyond the end.
  Id objectAtIndex(size_t i) const;
  Id operator[](size_t i) const { return objectAtIndex(i); }
  /// Null when the array is empty.
  Id firstObject() const;
  Id lastObject() const;
  Contents objects() const {
    if (!lock_) return Contents(objects_);
    detail::ContainerScope scope(lock_);
    return Contents(std::vector<Id>(objects_));
  }

  // Forward iteration: over the elements themselves, or over a copy when the array has a lock.
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Id;
    using difference_type = std::ptrdiff_t;
    using pointer = const Id*;
    using reference = const Id&;
    Iterator() = default;
    const Id& operator*() const { return *pos_; }
    const Id* operator->() const { return pos_; }
    Iterator& operator++() {
      ++pos_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++pos_;
      return before;
    }
    // A locked array's end is any iterator that has walked its own copy.
    friend bool operator==(const Iterator& a, const Iterator& b) {
      return a.pos_ == b.pos_ || (a.pos_ == a.end_ && b.pos_ == b.end_);
    }

   private:
    friend class Array;
    Iterator(const Id* pos, const Id* end, std::shared_ptr<const std::vector<Id>> keep = nullptr)
        : pos_(pos), end_(end), keep_(std::move(keep)) {}
    const Id* pos_ = nullptr;
    const Id* end_ = nullptr;
    std::shared_ptr<const std::vector<Id>> keep_;
  };
  Iterator begin() const;
  Iterator end() const {
    if (lock_) return Iterator();
    const Id* last = objects_.data() + objects_.size();
    return Iterator(last, last);
  }
  Ref<Array> objectsAtIndexes(const IndexSet& indexes) const;

  bool containsObject(const Id& o) const { return indexOfObject(o) != NotFound; }
  /// First index whose element isEqual to `o`, or NotFound.
  uint64_t indexOfObject(const Id& o) const;
  uint64_t indexOfObject(const Id& o, Range within) const;
  uint64_t indexOfObjectIdenticalTo(const Id& o) const;
  uint64_t indexOfObjectPassingTest(const std::function<bool(const Id&, size_t, bool& stop)>& test) const;
  /// Binary search of a sorted range; the index of an equal element or NotFound.
  uint64_t indexOfObjectInSortedRange(const Id& o, Range r, const Comparator& cmp) const;
  Id firstObjectCommonWithArray(const Array& other) const;

  using EnumerationBlock = std::function<void(const Id& obj, size_t index, bool& stop)>;
  void enumerateObjects(const EnumerationBlock& block) const { enumerateObjects(0, block); }
  void enumerateObjects(uint32_t options, const EnumerationBlock& block) const;
  void enumerateObjectsAtIndexes(const IndexSet& indexes, uint32_t options, const EnumerationBlock& block) const;

  /// Stable sort.
  Ref<Array> sortedArrayUsingComparator(const Comparator& cmp) const;
  Ref<Array> sortedArrayUsingComparator(uint32_t options, const Comparator& cmp) const;
  /// Sorts elements that answer compare (numbers, strings, dates); others order by description.
  Ref<Array> sortedArrayUsingCompare() const;
  /// The order sortedArrayUsingCompare sorts by.
  static Ordering naturalOrder(const Id& a, const Id& b);
  /// Raises NSRangeException when the range is beyond the end.
  Ref<Array> subarrayWithRange(Range r) const;
  Ref<Array> arrayByAddingObject(const Id& o) const;
  Ref<Array> arrayByAddingObjectsFromArray(const Array& other) const;
  Ref<Array> reversed() const;
  /// Descriptions of the elements joined by `separator`.
  String componentsJoinedByString(const String& separator) const;
  bool isEqualToArray(const Array& other) const;

  /// Key-value coding maps over the elements: the results in an array, null results as the
  /// null object. Keys starting with "@" apply a collection operator to the rest of the path:
  /// "@count", "@unionOfArrays.key", "@distinctUnionOfArrays.key", "@unionOfObjects.key",
  /// "@distinctUnionOfObjects.key", "@sum.key", "@avg.key", "@min.key", "@max.key".
  Id valueForKey(const String& key) const override;
  /// Sets the value on every element.
  void setValueForKey(const Id& value, const String& key) override;

  /// "(\n    1,\n    2\n)", nested collections indented four spaces per level.
  String description() const override;
  String descriptionWithIndent(unsigned level) const { return descriptionWithLocale(nullptr, level); }
  /// The description with numbers written as `locale` writes them (its decimal separator);
  /// a null locale gives the plain description.
  String descriptionWithLocale(const Locale* locale, unsigned level = 0) const;
  String descriptionWithLocale(const Ref<Locale>& locale, unsigned level = 0) const {
    return descriptionWithLocale(locale.get(), level);
  }
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return count(); }
  Id copy() const override;
  Id mutableCopy() const override;

  /// Runs `f` holding the array's lock, so that several operations act as one on an array
  /// that has a lock; simply runs it otherwise.
  template <class F> decltype(auto) withLock(F&& f) const {
    detail::ContainerScope scope(lock_);
    return f();
  }

 protected:
  [[noreturn]] void raiseIndex(const char* method, size_t index) const;
  /// A thread-safe kind gives its lock once, when made, before the array is shared.
  void installLock(detail::ContainerMutex* lock) { lock_ = lock; }
  detail::ContainerMutex* lock() const { return lock_; }
  std::vector<Id> objects_;

 private:
  detail::ContainerMutex* lock_ = nullptr;
};

class MutableArray : public Array {
  RT_CLASS_NAMED(MutableArray, Array, "NSMutableArray")
 public:
  static Ref<MutableArray> create(std::vector<Id> objects = {});
  static Ref<MutableArray> arrayWithCapacity(size_t capacity);

  /// Adding or inserting null raises NSInvalidArgumentException; bad indexes NSRangeException.
  void addObject(Id o);
  void insertObject(Id o, size_t index);
  void removeObjectAtIndex(size_t index);
  /// Removes every element isEqual to `o`.
  void removeObject(const Id& o);
  void removeObjectIdenticalTo(const Id& o);
  void removeLastObject();  // does nothing when empty
  void removeFirstObject();
  void removeAllObjects();
  void removeObjectsInRange(Range r);
  void removeObjectsAtIndexes(const IndexSet& indexes);
  void removeObjectsInArray(const Array& other);
  void replaceObjectAtIndex(size_t index, Id o);
  void addObjectsFromArray(const Array& other);
  void addObjectsFromArray(const Ref<Array>& other) { if (other) addObjectsFromArray(*other); }
  void exchangeObjectAtIndex(size_t a, size_t b);
  void sortUsingComparator(const Comparator& cmp);
  void setArray(const Array& other) { setArray(std::vector<Id>(other.objects())); }
  void setArray(std::vector<Id> objects);
  /// The underlying vector, for builders that fill a new array in bulk; never store null in
  /// it. An array with a lock raises NSInternalInconsistencyException: its storage cannot be
  /// handed out.
  std::vector<Id>& storage();

  Id copy() const override;

 private:
  static void checkObject(const Id& o, const char* method);
};

}  // namespace fd
