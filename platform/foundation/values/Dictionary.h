#pragma once
// Key-value collections. Keys are any objects compared with isEqual/hash (strings, numbers,
// class objects); entries keep insertion order, which fixes enumeration and description order.
// Construction is cheap: a flat vector of entries, searched linearly up to eight entries and
// through a hash index above that.
#include <utility>
#include <vector>

#include "platform/foundation/values/KeyTable.h"
#include "platform/foundation/Types.h"

namespace fd {

class Array;

class Dictionary : public Object {
  RT_CLASS_NAMED(Dictionary, Object, "NSDictionary")
 public:
  using Entry = std::pair<Id, Id>;

  void init() {}
  /// Null keys or values raise NSInvalidArgumentException; a repeated key keeps the last value.
  void init(std::vector<Entry> entries);

  static Ref<Dictionary> create(std::vector<Entry> entries = {});
  /// Entries with string keys: Dictionary::withStrings({{"a", box(1)}}).
  static Ref<Dictionary> withStrings(std::vector<std::pair<String, Id>> entries);
  static Ref<Dictionary> dictionaryWithObjectsForKeys(const std::vector<Id>& objects, const std::vector<Id>& keys);
  /// `model`'s keys, in its order, with `values` (one for each key, none null): the key table
  /// is shared with the model rather than built again, as records read from one list have the
  /// same keys. Raises NSInvalidArgumentException on a missing or null value.
  static Ref<Dictionary> createWithKeysOf(const Dictionary& model, std::vector<Id> values);

  size_t count() const { return table_.size(); }
  bool isEmpty() const { return table_.empty(); }
  /// Null when absent.
  Id objectForKey(const Id& key) const;
  /// Looks a string key up without allocating.
  Id objectForKey(const String& key) const;
  Id objectForKey(const char* key) const { return objectForKey(String(key)); }
  template <class T> Ref<T> objectForKeyAs(const String& key) const { return rt::as<T>(objectForKey(key)); }
  Id operator[](const String& key) const { return objectForKey(key); }

  /// Keys and values in entry order.
  const std::vector<Id>& keys() const { return table_.keys(); }
  const std::vector<Id>& values() const { return values_; }
  Ref<Array> allKeys() const;
  Ref<Array> allValues() const;
  Ref<Array> allKeysForObject(const Id& value) const;
  Ref<Array> keysSortedByValueUsingComparator(const Comparator& cmp) const;

  using EnumerationBlock = std::function<void(const Id& key, const Id& obj, bool& stop)>;
  void enumerateKeysAndObjects(const EnumerationBlock& block) const { enumerateKeysAndObjects(0, block); }
  void enumerateKeysAndObjects(uint32_t options, const EnumerationBlock& block) const;

  bool isEqualToDictionary(const Dictionary& other) const;

  /// objectForKey; a key starting with "@" reaches the dictionary's own properties.
  Id valueForKey(const String& key) const override;

  /// "{\n    key = value;\n}", nested collections indented four spaces per level.
  String description() const override;
  String descriptionWithIndent(unsigned level) const;
  /// "\"key\" = \"value\";" lines, as a strings file holds them.
  String descriptionInStringsFileFormat() const;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return table_.size(); }
  Id copy() const override;
  Id mutableCopy() const override;

 protected:
  size_t find(const Id& key) const;
  /// Inserts or replaces without checks; the index follows when the table is large.
  void put(Id key, Id value);
  void erase(size_t i);
  void adoptKeys(const Dictionary& model, std::vector<Id> values);
  static void copyStorage(Dictionary& to, const Dictionary& from) {
    to.table_ = from.table_;
    to.values_ = from.values_;
  }
  detail::KeyTable table_;
  std::vector<Id> values_;
};

class MutableDictionary : public Dictionary {
  RT_CLASS_NAMED(MutableDictionary, Dictionary, "NSMutableDictionary")
 public:
  static Ref<MutableDictionary> create(std::vector<Entry> entries = {});
  static Ref<MutableDictionary> dictionaryWithCapacity(size_t capacity);
  static Ref<MutableDictionary> createWithKeysOf(const Dictionary& model, std::vector<Id> values);

  /// A null object or key raises NSInvalidArgumentException; mutable string keys are copied.
  void setObjectForKey(Id object, Id key);
  void setObjectForKey(Id object, const String& key);
  void removeObjectForKey(const Id& key);
  void removeObjectForKey(const String& key);
  void removeObjectsForKeys(const Array& keys);
  void removeAllObjects();
  void addEntriesFromDictionary(const Dictionary& other);
  void setDictionary(const Dictionary& other);

  /// Sets, or removes when `value` is null (a key starting with "@" reaches the object's own
  /// properties).
  void setValueForKey(const Id& value, const String& key) override;

  Id copy() const override;
};

}  // namespace fd
