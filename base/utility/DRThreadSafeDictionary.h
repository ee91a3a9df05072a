#pragma once
// A mutable dictionary that may be shared between threads: every call runs under the
// dictionary's own lock. Blocks passed in run while the lock is held and must not call back
// into the dictionary. A copy is another thread-safe dictionary.
#include <functional>
#include <mutex>

#include "platform/foundation/values/Dictionary.h"

namespace base {

using rt::String;

class DRThreadSafeDictionary : public rt::Object {
  RT_CLASS(DRThreadSafeDictionary, rt::Object)
 public:
  static Ref<DRThreadSafeDictionary> create();
  static Ref<DRThreadSafeDictionary> dictionaryWithDictionary(const fd::Dictionary& dictionary);

  size_t count() const;
  rt::Id objectForKey(const rt::Id& key) const;
  rt::Id objectForKey(const String& key) const;
  Ref<fd::Array> allKeys() const;
  Ref<fd::Array> allValues() const;
  /// A new plain dictionary with the current contents.
  Ref<fd::Dictionary> dictionary() const;
  void enumerateKeysAndObjects(const std::function<void(const rt::Id& key, const rt::Id& object, bool& stop)>& block) const;

  void setObjectForKey(rt::Id object, rt::Id key);
  void setObjectForKey(rt::Id object, const String& key);
  void removeObjectForKey(const rt::Id& key);
  void removeAllObjects();
  void addEntriesFromDictionary(const fd::Dictionary& other);
  void setDictionary(const fd::Dictionary& other);
  /// Removes and answers the object for `key`, null when absent.
  rt::Id popObjectForKey(const rt::Id& key);

  /// Equal only to another thread-safe dictionary with equal contents.
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  String description() const override;
  rt::Id copy() const override;
  rt::Id mutableCopy() const override { return copy(); }

 private:
  mutable std::mutex lock_;
  Ref<fd::MutableDictionary> dictionary_ = fd::MutableDictionary::create();
};

}  // namespace base
