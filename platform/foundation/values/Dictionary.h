#pragma once
// Key-value collections. Keys are any objects compared with isEqual/hash (strings, numbers,
// class objects); entries keep insertion order, which fixes enumeration and description order.
// Construction is cheap: a flat vector of entries, searched linearly up to eight entries and
// through a hash index above that. Every operation holds the dictionary's lock when it has one
// (a thread-safe kind); `keys` and `values` of such a dictionary are copies, and whatever reads
// the values (description, equality) works on such a copy after letting the lock go.
#include <utility>
#include <vector>

#include "platform/foundation/values/ContainerLock.h"
#include "platform/foundation/values/KeyTable.h"
#include "platform/foundation/Types.h"

namespace fd {

class Locale;
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

  size_t count() const {
    if (!lock_) return table_.size();
    detail::ContainerScope scope(lock_);
    return table_.size();
  }
  bool isEmpty() const { return count() == 0; }
  /// Null when absent.
  Id objectForKey(const Id& key) const;
  /// Looks a string key up without allocating.
  Id objectForKey(const String& key) const;
  Id objectForKey(const char* key) const { return objectForKey(String(key)); }
  template <class T> Ref<T> objectForKeyAs(const String& key) const { return rt::as<T>(objectForKey(key)); }
  Id operator[](const String& key) const { return objectForKey(key); }

  /// Keys and values in entry order. Two calls are two moments: a caller that needs both takes
  /// `keysAndValues()`.
  Contents keys() const;
  Contents values() const;
  /// Keys and values read at one moment, so that keys[i] goes with values[i] and both have the
  /// same size even while another thread changes a thread-safe dictionary.
  struct KeysAndValues {
    Contents keys;
    Contents values;
    size_t size() const { return keys.size(); }
  };
  KeysAndValues keysAndValues() const;
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
  String descriptionWithIndent(unsigned level) const { return descriptionWithLocale(nullptr, level); }
  /// The description with numbers written as `locale` writes them (its decimal separator);
  /// a null locale gives the plain description.
  String descriptionWithLocale(const Locale* locale, unsigned level = 0) const;
  String descriptionWithLocale(const Ref<Locale>& locale, unsigned level = 0) const {
    return descriptionWithLocale(locale.get(), level);
  }
  /// "\"key\" = \"value\";" lines, as a strings file holds them.
  String descriptionInStringsFileFormat() const;
  using Object::isEqual;
  bool isEqual(const Object* other) const override;
  size_t hash() const override { return count(); }
  Id copy() const override;
  Id mutableCopy() const override;

  /// Runs `f` holding the dictionary's lock, so that several operations act as one on a
  /// dictionary that has a lock; simply runs it otherwise.
  template <class F> decltype(auto) withLock(F&& f) const {
    detail::ContainerScope scope(lock_);
    return f();
  }

 protected:
  /// A thread-safe kind gives its lock once, when made, before the dictionary is shared.
  void installLock(detail::ContainerMutex* lock) { lock_ = lock; }
  detail::ContainerMutex* lock() const { return lock_; }
  size_t find(const Id& key) const;
  /// Inserts or replaces without checks; the index follows when the table is large.
  void put(Id key, Id value);
  void erase(size_t i);
  void adoptKeys(const Dictionary& model, std::vector<Id> values);
  static void copyStorage(Dictionary& to, const Dictionary& from) {
    to.table_ = from.table_;
    to.values_ = from.values_;
  }
  /// A plain dictionary with the current entries, read under the lock; the keys' table is
  /// shared, not copied.
  Ref<Dictionary> unlockedCopy() const;
  detail::KeyTable table_;
  std::vector<Id> values_;

 private:
  detail::ContainerMutex* lock_ = nullptr;
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
