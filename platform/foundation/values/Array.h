#pragma once
// Ordered collections of objects. Elements are never null (the null object stands for
// "nothing"); the mutable class derives from the immutable one.
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

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

  size_t count() const { return objects_.size(); }
  bool isEmpty() const { return objects_.empty(); }
  /// Raises NSRangeException beyond the end.
  const Id& objectAtIndex(size_t i) const;
  const Id& operator[](size_t i) const { return objectAtIndex(i); }
  /// Null when the array is empty.
  Id firstObject() const;
  Id lastObject() const;
  const std::vector<Id>& objects() const { return objects_; }
  std::vector<Id>::const_iterator begin() const { return objects_.begin(); }
  std::vector<Id>::const_iterator end() const { return objects_.end(); }
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
  String descriptionWithIndent(unsigned level) const;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return objects_.size(); }
  Id copy() const override;
  Id mutableCopy() const override;

 protected:
  [[noreturn]] void raiseIndex(const char* method, size_t index) const;
  std::vector<Id> objects_;
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
  void removeAllObjects() { objects_.clear(); }
  void removeObjectsInRange(Range r);
  void removeObjectsAtIndexes(const IndexSet& indexes);
  void removeObjectsInArray(const Array& other);
  void replaceObjectAtIndex(size_t index, Id o);
  void addObjectsFromArray(const Array& other);
  void addObjectsFromArray(const Ref<Array>& other) { if (other) addObjectsFromArray(*other); }
  void exchangeObjectAtIndex(size_t a, size_t b);
  void sortUsingComparator(const Comparator& cmp);
  void setArray(const Array& other) { objects_ = other.objects(); }
  void setArray(std::vector<Id> objects);
  /// The underlying vector, for builders that fill it in bulk; never store null in it.
  std::vector<Id>& storage() { return objects_; }

  Id copy() const override;

 private:
  static void checkObject(const Id& o, const char* method);
};

}  // namespace fd
