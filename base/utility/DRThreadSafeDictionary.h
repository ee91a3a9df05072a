#pragma once
// A mutable dictionary that may be shared between threads: a kind of the platform's mutable
// dictionary whose every operation runs under the dictionary's own lock. Comparators and tests
// passed in run while the lock is held and must not call back into the dictionary; enumeration
// (blocks, `keys`, `values`) walks a snapshot taken under the lock, so its block may.
// The platform's dictionary operations are not virtual: called through a reference to the
// platform class, only the virtual ones (description, equality, hash, copies, key-value coding)
// lock. Share it as a DRThreadSafeDictionary. A copy, mutable or not, is another thread-safe
// dictionary.
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"

namespace base {

using rt::String;

class DRThreadSafeDictionary : public fd::MutableDictionary {
  RT_CLASS(DRThreadSafeDictionary, fd::MutableDictionary)
 public:
  // Initialisers. Another dictionary's entries are read under its lock when it is
  // thread-safe too; `copyItems` stores copies of the values.
  static Ref<DRThreadSafeDictionary> create();
  static Ref<DRThreadSafeDictionary> dictionaryWithCapacity(size_t capacity);
  /// Raises when the counts differ or a key or object is null, as the platform's does.
  static Ref<DRThreadSafeDictionary> dictionaryWithObjectsForKeys(const std::vector<rt::Id>& objects,
                                                                  const std::vector<rt::Id>& keys);
  static Ref<DRThreadSafeDictionary> dictionaryWithDictionary(const fd::Dictionary& dictionary, bool copyItems = false);

  // ---- reading
  size_t count() const;
  bool isEmpty() const { return count() == 0; }
  rt::Id objectForKey(const rt::Id& key) const;
  rt::Id objectForKey(const String& key) const;
  rt::Id objectForKey(const char* key) const { return objectForKey(String(key)); }
  template <class T> Ref<T> objectForKeyAs(const String& key) const { return rt::as<T>(objectForKey(key)); }
  rt::Id objectForKeyedSubscript(const rt::Id& key) const { return objectForKey(key); }
  rt::Id operator[](const String& key) const { return objectForKey(key); }
  /// Snapshots of the keys and the values in entry order; what enumerators walk.
  std::vector<rt::Id> keys() const;
  std::vector<rt::Id> values() const;
  /// Both at once, consistent with each other.
  std::pair<std::vector<rt::Id>, std::vector<rt::Id>> getObjectsAndKeys() const;
  Ref<fd::Array> allKeys() const;
  Ref<fd::Array> allValues() const;
  Ref<fd::Array> allKeysForObject(const rt::Id& object) const;
  /// The objects for `keys` in order, `marker` where a key is absent.
  Ref<fd::Array> objectsForKeys(const std::vector<rt::Id>& keys, const rt::Id& marker) const;
  Ref<fd::Array> keysSortedByValueUsingComparator(const fd::Comparator& cmp) const;
  Ref<fd::Array> keysSortedByValueUsingComparator(uint32_t options, const fd::Comparator& cmp) const;
  using TestBlock = std::function<bool(const rt::Id& key, const rt::Id& object, bool& stop)>;
  std::vector<rt::Id> keysOfEntriesPassingTest(const TestBlock& test) const;
  std::vector<rt::Id> keysOfEntriesPassingTest(uint32_t options, const TestBlock& test) const;
  void enumerateKeysAndObjects(const EnumerationBlock& block) const;
  void enumerateKeysAndObjects(uint32_t options, const EnumerationBlock& block) const;
  /// A new plain dictionary with the current contents.
  Ref<fd::Dictionary> dictionary() const;
  /// The entries of those keys that exist, in a new plain dictionary.
  Ref<fd::Dictionary> entriesForKeys(const std::vector<rt::Id>& keys) const;
  std::optional<String> jsonStringEncoded() const;
  std::optional<String> jsonPrettyStringEncoded() const;
  String descriptionInStringsFileFormat() const;
  bool isEqualToDictionary(const fd::Dictionary& other) const;

  // ---- changing
  void setObjectForKey(rt::Id object, rt::Id key);
  void setObjectForKey(rt::Id object, const String& key);
  /// Null removes the entry, as the subscript does.
  void setObjectForKeyedSubscript(rt::Id object, rt::Id key);
  void removeObjectForKey(const rt::Id& key);
  void removeObjectForKey(const String& key);
  void removeObjectsForKeys(const fd::Array& keys);
  void removeAllObjects();
  void addEntriesFromDictionary(const fd::Dictionary& other);
  void setDictionary(const fd::Dictionary& other);
  /// Removes and answers the object for `key`, null when absent.
  rt::Id popObjectForKey(const rt::Id& key);
  /// Moves the entries of those keys that exist into a new plain dictionary.
  Ref<fd::Dictionary> popEntriesForKeys(const std::vector<rt::Id>& keys);

  rt::Id valueForKey(const String& key) const override;
  void setValueForKey(const rt::Id& value, const String& key) override;
  /// Equal only to another thread-safe dictionary with equal contents.
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
