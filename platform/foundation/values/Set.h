#pragma once
// Unordered collections of distinct objects (isEqual/hash); iteration follows insertion order.
#include <vector>

#include "platform/foundation/values/KeyTable.h"
#include "platform/foundation/Types.h"

namespace fd {

class Array;

class Set : public Object {
  RT_CLASS_NAMED(Set, Object, "NSSet")
 public:
  void init() {}
  /// Null elements raise NSInvalidArgumentException; duplicates collapse to the first.
  void init(std::vector<Id> objects);

  static Ref<Set> create(std::vector<Id> objects = {});
  static Ref<Set> setWithArray(const Array& array);

  size_t count() const { return table_.size(); }
  bool isEmpty() const { return table_.empty(); }
  bool containsObject(const Id& o) const { return member(o) != nullptr; }
  /// The element isEqual to `o`, or null.
  Id member(const Id& o) const;
  Id anyObject() const;
  const std::vector<Id>& objects() const { return table_.keys(); }
  Ref<Array> allObjects() const;
  /// Elements sorted by their descriptions (ordinal UTF-16 order).
  Ref<Array> sortedByDescription() const;

  bool isSubsetOfSet(const Set& other) const;
  bool intersectsSet(const Set& other) const;
  bool isEqualToSet(const Set& other) const;
  Ref<Set> setByAddingObject(const Id& o) const;

  void enumerateObjects(const std::function<void(const Id&, bool& stop)>& block) const;

  /// Maps over the elements into a set (null results become the null object).
  Id valueForKey(const String& key) const override;

  /// "{(\n    a,\n    b\n)}"
  String description() const override;
  String descriptionWithIndent(unsigned level) const;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return table_.size(); }
  Id copy() const override;
  Id mutableCopy() const override;

 protected:
  /// Adds unless an equal element is present; answers whether it was added.
  bool insert(const Id& o);
  void erase(const Id& o);
  static void copyStorage(Set& to, const Set& from) { to.table_ = from.table_; }
  detail::KeyTable table_;
};

class MutableSet : public Set {
  RT_CLASS_NAMED(MutableSet, Set, "NSMutableSet")
 public:
  static Ref<MutableSet> create(std::vector<Id> objects = {});

  /// Null raises NSInvalidArgumentException.
  void addObject(const Id& o);
  void removeObject(const Id& o);
  void removeAllObjects() { table_.clear(); }
  void addObjectsFromArray(const Array& array);
  void unionSet(const Set& other);
  void minusSet(const Set& other);
  void intersectSet(const Set& other);
  void setSet(const Set& other);

  Id copy() const override;
};

}  // namespace fd
