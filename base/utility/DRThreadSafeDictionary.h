#pragma once
// A mutable dictionary that may be shared between threads: a kind of the platform's mutable
// dictionary that gives the platform dictionary its lock, so every operation, called through
// this class or through a plain dictionary or mutable dictionary reference, runs under it. The
// operations declared here are the ones the platform dictionary has not. Tests passed in run
// while the lock is held; sorting keys by value sorts a copy without it, and enumeration
// (blocks, `keys`, `values`, `keysAndValues`) walks a copy taken under the lock, so its block
// may change the dictionary. A copy, mutable or not, is another thread-safe dictionary.
#include <functional>
#include <optional>
#include <vector>

#include "platform/foundation/time/Locale.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"

namespace base {

using rt::String;

class DRThreadSafeDictionary : public fd::MutableDictionary {
  RT_CLASS(DRThreadSafeDictionary, fd::MutableDictionary)
 public:
  DRThreadSafeDictionary() { installLock(&mutex_); }

  // Initialisers. Another dictionary's entries are read under its lock when it has one;
  // `copyItems` stores copies of the values.
  static Ref<DRThreadSafeDictionary> create();
  static Ref<DRThreadSafeDictionary> dictionaryWithCapacity(size_t capacity);
  /// Raises when the counts differ or a key or object is null, as the platform's does.
  static Ref<DRThreadSafeDictionary> dictionaryWithObjectsForKeys(const std::vector<rt::Id>& objects,
                                                                  const std::vector<rt::Id>& keys);
  static Ref<DRThreadSafeDictionary> dictionaryWithDictionary(const fd::Dictionary& dictionary, bool copyItems = false);

  // ---- reading
  rt::Id objectForKeyedSubscript(const rt::Id& key) const { return objectForKey(key); }
  /// Both at once, consistent with each other: values first, as the platform hands them out.
  std::pair<std::vector<rt::Id>, std::vector<rt::Id>> getObjectsAndKeys() const;
  /// The objects for `keys` in order, `marker` where a key is absent.
  Ref<fd::Array> objectsForKeys(const std::vector<rt::Id>& keys, const rt::Id& marker) const;
  /// Keys ordered by their values' own compare (the selector form).
  Ref<fd::Array> keysSortedByValueUsingCompare() const;
  using fd::Dictionary::keysSortedByValueUsingComparator;
  Ref<fd::Array> keysSortedByValueUsingComparator(uint32_t options, const fd::Comparator& cmp) const;
  using TestBlock = std::function<bool(const rt::Id& key, const rt::Id& object, bool& stop)>;
  std::vector<rt::Id> keysOfEntriesPassingTest(const TestBlock& test) const;
  std::vector<rt::Id> keysOfEntriesPassingTest(uint32_t options, const TestBlock& test) const;
  /// A new plain dictionary with the current contents.
  Ref<fd::Dictionary> dictionary() const;
  /// The entries of those keys that exist, in a new plain dictionary.
  Ref<fd::Dictionary> entriesForKeys(const std::vector<rt::Id>& keys) const;
  std::optional<String> jsonStringEncoded() const;
  std::optional<String> jsonPrettyStringEncoded() const;
  bool isEqualToDictionary(const fd::Dictionary& other) const { return isEqual(&other); }

  // ---- changing
  /// Null removes the entry, as the subscript does.
  void setObjectForKeyedSubscript(rt::Id object, rt::Id key);
  /// Removes and answers the object for `key`, null when absent.
  rt::Id popObjectForKey(const rt::Id& key);
  /// Moves the entries of those keys that exist into a new plain dictionary.
  Ref<fd::Dictionary> popEntriesForKeys(const std::vector<rt::Id>& keys);

  /// Equal only to another thread-safe dictionary with equal contents.
  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  rt::Id copy() const override;
  rt::Id mutableCopy() const override;

 private:
  mutable fd::detail::ContainerMutex mutex_;
};

}  // namespace base
