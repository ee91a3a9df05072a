#include "base/utility/DRThreadSafeDictionary.h"

#include "base/foundation/Dictionary+DUDer.h"
#include "base/foundation/MutableDictionary+DUDer.h"
#include "base/utility/DRThreadSafeArray.h"
#include "platform/foundation/text/StringObject.h"

namespace base {

RT_IMPLEMENT(DRThreadSafeDictionary) {}

namespace {

/// A plain copy of an argument dictionary, read under its own lock when it is thread-safe.
/// Taken before the receiver's lock, so that a dictionary may be given itself.
Ref<fd::Dictionary> plainDictionary(const fd::Dictionary& dictionary) {
  if (auto* safe = dynamic_cast<const DRThreadSafeDictionary*>(&dictionary)) return safe->dictionary();
  return rt::as<fd::Dictionary>(dictionary.mutableCopy());
}

}  // namespace

// ---- initialisers

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::create() { return rt::make<DRThreadSafeDictionary>(); }

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::dictionaryWithCapacity(size_t) { return create(); }

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::dictionaryWithObjectsForKeys(const std::vector<rt::Id>& objects,
                                                                                 const std::vector<rt::Id>& keys) {
  auto entries = fd::Dictionary::dictionaryWithObjectsForKeys(objects, keys);
  auto d = create();
  d->fd::MutableDictionary::addEntriesFromDictionary(*entries);
  return d;
}

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::dictionaryWithDictionary(const fd::Dictionary& dictionary,
                                                                             bool copyItems) {
  auto source = plainDictionary(dictionary);
  auto d = create();
  if (!copyItems) {
    d->fd::MutableDictionary::addEntriesFromDictionary(*source);
    return d;
  }
  for (size_t i = 0; i < source->count(); ++i) {
    d->fd::MutableDictionary::setObjectForKey(source->values()[i]->copy(), source->keys()[i]);
  }
  return d;
}

// ---- reading

size_t DRThreadSafeDictionary::count() const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::count();
}

rt::Id DRThreadSafeDictionary::objectForKey(const rt::Id& key) const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::objectForKey(key);
}

rt::Id DRThreadSafeDictionary::objectForKey(const String& key) const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::objectForKey(key);
}

std::vector<rt::Id> DRThreadSafeDictionary::keys() const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::keys();
}

std::vector<rt::Id> DRThreadSafeDictionary::values() const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::values();
}

std::pair<std::vector<rt::Id>, std::vector<rt::Id>> DRThreadSafeDictionary::getObjectsAndKeys() const {
  std::lock_guard guard(lock_);
  return {fd::Dictionary::values(), fd::Dictionary::keys()};
}

Ref<fd::Array> DRThreadSafeDictionary::allKeys() const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::allKeys();
}

Ref<fd::Array> DRThreadSafeDictionary::allValues() const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::allValues();
}

Ref<fd::Array> DRThreadSafeDictionary::allKeysForObject(const rt::Id& object) const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::allKeysForObject(object);
}

Ref<fd::Array> DRThreadSafeDictionary::objectsForKeys(const std::vector<rt::Id>& keys, const rt::Id& marker) const {
  std::vector<rt::Id> found;
  found.reserve(keys.size());
  std::lock_guard guard(lock_);
  for (const auto& key : keys) {
    rt::Id object = key ? fd::Dictionary::objectForKey(key) : nullptr;
    found.push_back(object ? object : marker);
  }
  return fd::Array::create(std::move(found));
}

Ref<fd::Array> DRThreadSafeDictionary::keysSortedByValueUsingComparator(const fd::Comparator& cmp) const {
  std::lock_guard guard(lock_);
  return fd::Dictionary::keysSortedByValueUsingComparator(cmp);
}

Ref<fd::Array> DRThreadSafeDictionary::keysSortedByValueUsingComparator(uint32_t, const fd::Comparator& cmp) const {
  return keysSortedByValueUsingComparator(cmp);  // every sort here is stable
}

std::vector<rt::Id> DRThreadSafeDictionary::keysOfEntriesPassingTest(const TestBlock& test) const {
  return keysOfEntriesPassingTest(0, test);
}

std::vector<rt::Id> DRThreadSafeDictionary::keysOfEntriesPassingTest(uint32_t options, const TestBlock& test) const {
  std::vector<rt::Id> keys;
  std::lock_guard guard(lock_);
  fd::Dictionary::enumerateKeysAndObjects(options & fd::EnumerationReverse,
                                          [&](const rt::Id& key, const rt::Id& object, bool& stop) {
                                            if (test(key, object, stop)) keys.push_back(key);
                                          });
  return keys;
}

void DRThreadSafeDictionary::enumerateKeysAndObjects(const EnumerationBlock& block) const {
  dictionary()->enumerateKeysAndObjects(block);
}

void DRThreadSafeDictionary::enumerateKeysAndObjects(uint32_t options, const EnumerationBlock& block) const {
  dictionary()->enumerateKeysAndObjects(options, block);
}

Ref<fd::Dictionary> DRThreadSafeDictionary::dictionary() const {
  std::lock_guard guard(lock_);
  return rt::as<fd::Dictionary>(fd::MutableDictionary::copy());
}

Ref<fd::Dictionary> DRThreadSafeDictionary::entriesForKeys(const std::vector<rt::Id>& keys) const {
  std::lock_guard guard(lock_);
  return base::entriesForKeys(*this, keys);
}

std::optional<String> DRThreadSafeDictionary::jsonStringEncoded() const { return base::jsonStringEncoded(*dictionary()); }

std::optional<String> DRThreadSafeDictionary::jsonPrettyStringEncoded() const {
  return base::jsonPrettyStringEncoded(*dictionary());
}

String DRThreadSafeDictionary::descriptionInStringsFileFormat() const {
  return dictionary()->descriptionInStringsFileFormat();
}

bool DRThreadSafeDictionary::isEqualToDictionary(const fd::Dictionary& other) const { return isEqual(&other); }

// ---- changing

void DRThreadSafeDictionary::setObjectForKey(rt::Id object, rt::Id key) {
  std::lock_guard guard(lock_);
  fd::MutableDictionary::setObjectForKey(std::move(object), std::move(key));
}

void DRThreadSafeDictionary::setObjectForKey(rt::Id object, const String& key) {
  std::lock_guard guard(lock_);
  fd::MutableDictionary::setObjectForKey(std::move(object), key);
}

void DRThreadSafeDictionary::setObjectForKeyedSubscript(rt::Id object, rt::Id key) {
  std::lock_guard guard(lock_);
  if (object) fd::MutableDictionary::setObjectForKey(std::move(object), std::move(key));
  else if (key) fd::MutableDictionary::removeObjectForKey(key);
}

void DRThreadSafeDictionary::removeObjectForKey(const rt::Id& key) {
  std::lock_guard guard(lock_);
  fd::MutableDictionary::removeObjectForKey(key);
}

void DRThreadSafeDictionary::removeObjectForKey(const String& key) {
  std::lock_guard guard(lock_);
  fd::MutableDictionary::removeObjectForKey(key);
}

void DRThreadSafeDictionary::removeObjectsForKeys(const fd::Array& keys) {
  auto* safe = dynamic_cast<const DRThreadSafeArray*>(&keys);
  auto those = safe ? safe->array() : fd::Array::create(keys.objects());
  std::lock_guard guard(lock_);
  fd::MutableDictionary::removeObjectsForKeys(*those);
}

void DRThreadSafeDictionary::removeAllObjects() {
  std::lock_guard guard(lock_);
  fd::MutableDictionary::removeAllObjects();
}

void DRThreadSafeDictionary::addEntriesFromDictionary(const fd::Dictionary& other) {
  auto entries = plainDictionary(other);
  std::lock_guard guard(lock_);
  fd::MutableDictionary::addEntriesFromDictionary(*entries);
}

void DRThreadSafeDictionary::setDictionary(const fd::Dictionary& other) {
  auto entries = plainDictionary(other);
  std::lock_guard guard(lock_);
  fd::MutableDictionary::setDictionary(*entries);
}

rt::Id DRThreadSafeDictionary::popObjectForKey(const rt::Id& key) {
  std::lock_guard guard(lock_);
  return base::popObjectForKey(*this, key);
}

Ref<fd::Dictionary> DRThreadSafeDictionary::popEntriesForKeys(const std::vector<rt::Id>& keys) {
  std::lock_guard guard(lock_);
  return base::popEntriesForKeys(*this, keys);
}

// ---- the platform's virtual operations

rt::Id DRThreadSafeDictionary::valueForKey(const String& key) const {
  std::lock_guard guard(lock_);
  return fd::MutableDictionary::valueForKey(key);
}

void DRThreadSafeDictionary::setValueForKey(const rt::Id& value, const String& key) {
  std::lock_guard guard(lock_);
  fd::MutableDictionary::setValueForKey(value, key);
}

bool DRThreadSafeDictionary::isEqual(const rt::Object* other) const {
  if (other == this) return true;
  auto* that = dynamic_cast<const DRThreadSafeDictionary*>(other);
  if (!that) return false;
  std::scoped_lock guard(lock_, that->lock_);  // deadlock-free whatever order two threads compare in
  return fd::Dictionary::isEqualToDictionary(*that);
}

size_t DRThreadSafeDictionary::hash() const {
  std::lock_guard guard(lock_);
  return fd::MutableDictionary::hash();
}

String DRThreadSafeDictionary::description() const { return dictionary()->description(); }

rt::Id DRThreadSafeDictionary::copy() const { return dictionaryWithDictionary(*this); }

rt::Id DRThreadSafeDictionary::mutableCopy() const { return copy(); }

}  // namespace base
