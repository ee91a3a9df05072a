#include "base/utility/DRThreadSafeDictionary.h"

#include "base/foundation/Dictionary+DUDer.h"
#include "base/foundation/MutableDictionary+DUDer.h"
#include "platform/foundation/values/Number.h"

namespace base {

RT_IMPLEMENT(DRThreadSafeDictionary) {}

// The bodies below that take the dictionary's lock hold it throughout: the platform
// dictionary's operations they call take the same (recursive) lock again. Another dictionary
// given as an argument is read before the lock is taken.

// ---- initialisers

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::create() { return rt::make<DRThreadSafeDictionary>(); }

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::dictionaryWithCapacity(size_t capacity) {
  auto d = create();
  d->table_.reserve(capacity);
  d->values_.reserve(capacity);
  return d;
}

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::dictionaryWithObjectsForKeys(const std::vector<rt::Id>& objects,
                                                                                 const std::vector<rt::Id>& keys) {
  auto d = create();
  d->setDictionary(*fd::Dictionary::dictionaryWithObjectsForKeys(objects, keys));
  return d;
}

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::dictionaryWithDictionary(const fd::Dictionary& dictionary,
                                                                             bool copyItems) {
  auto d = create();
  if (!copyItems) {
    d->setDictionary(dictionary);
    return d;
  }
  const auto entries = dictionary.keysAndValues();
  for (size_t i = 0; i < entries.size(); ++i) d->setObjectForKey(entries.values[i]->copy(), entries.keys[i]);
  return d;
}

// ---- reading

std::pair<std::vector<rt::Id>, std::vector<rt::Id>> DRThreadSafeDictionary::getObjectsAndKeys() const {
  const auto entries = keysAndValues();
  return {entries.values.vector(), entries.keys.vector()};
}

Ref<fd::Array> DRThreadSafeDictionary::objectsForKeys(const std::vector<rt::Id>& keys, const rt::Id& marker) const {
  std::vector<rt::Id> found;
  found.reserve(keys.size());
  fd::detail::ContainerScope scope(lock());
  for (const auto& key : keys) {
    rt::Id object = key ? objectForKey(key) : nullptr;
    found.push_back(object ? object : marker);
  }
  return fd::Array::create(std::move(found));
}

Ref<fd::Array> DRThreadSafeDictionary::keysSortedByValueUsingCompare() const {
  return keysSortedByValueUsingComparator(fd::Array::naturalOrder);
}

Ref<fd::Array> DRThreadSafeDictionary::keysSortedByValueUsingComparator(uint32_t, const fd::Comparator& cmp) const {
  return keysSortedByValueUsingComparator(cmp);  // every sort here is stable
}

std::vector<rt::Id> DRThreadSafeDictionary::keysOfEntriesPassingTest(const TestBlock& test) const {
  return keysOfEntriesPassingTest(0, test);
}

std::vector<rt::Id> DRThreadSafeDictionary::keysOfEntriesPassingTest(uint32_t options, const TestBlock& test) const {
  std::vector<rt::Id> keys;
  fd::detail::ContainerScope scope(lock());
  const std::vector<rt::Id>& all = table_.keys();
  bool stop = false;
  auto visit = [&](size_t i) {
    if (test(all[i], values_[i], stop)) keys.push_back(all[i]);
  };
  if (options & fd::EnumerationReverse) {
    for (size_t i = all.size(); i-- > 0 && !stop;) visit(i);
  } else {
    for (size_t i = 0; i < all.size() && !stop; ++i) visit(i);
  }
  return keys;
}

Ref<fd::Dictionary> DRThreadSafeDictionary::dictionary() const {
  auto plain = rt::make<fd::Dictionary>();
  withLock([&] { copyStorage(*plain, *this); });
  return plain;
}

Ref<fd::Dictionary> DRThreadSafeDictionary::entriesForKeys(const std::vector<rt::Id>& keys) const {
  return base::entriesForKeys(*this, keys);
}

std::optional<String> DRThreadSafeDictionary::jsonStringEncoded() const { return base::jsonStringEncoded(*dictionary()); }

std::optional<String> DRThreadSafeDictionary::jsonPrettyStringEncoded() const {
  return base::jsonPrettyStringEncoded(*dictionary());
}

// ---- changing

void DRThreadSafeDictionary::setObjectForKeyedSubscript(rt::Id object, rt::Id key) {
  fd::detail::ContainerScope scope(lock());
  if (object) setObjectForKey(std::move(object), std::move(key));
  else if (key) removeObjectForKey(key);
}

rt::Id DRThreadSafeDictionary::popObjectForKey(const rt::Id& key) { return base::popObjectForKey(*this, key); }

Ref<fd::Dictionary> DRThreadSafeDictionary::popEntriesForKeys(const std::vector<rt::Id>& keys) {
  return base::popEntriesForKeys(*this, keys);
}

// ---- equality and copies

bool DRThreadSafeDictionary::isEqual(const rt::Object* other) const {
  if (other == this) return true;
  auto* that = dynamic_cast<const DRThreadSafeDictionary*>(other);
  if (!that) return false;
  return fd::Dictionary::isEqualToDictionary(*that);  // reads the two dictionaries one after the other
}

rt::Id DRThreadSafeDictionary::copy() const { return dictionaryWithDictionary(*this); }

rt::Id DRThreadSafeDictionary::mutableCopy() const { return copy(); }

}  // namespace base
