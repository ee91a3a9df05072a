#include "base/utility/DRThreadSafeDictionary.h"

#include "platform/foundation/text/StringObject.h"

namespace base {

RT_IMPLEMENT(DRThreadSafeDictionary) {}

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::create() { return rt::make<DRThreadSafeDictionary>(); }

Ref<DRThreadSafeDictionary> DRThreadSafeDictionary::dictionaryWithDictionary(const fd::Dictionary& dictionary) {
  auto d = create();
  d->dictionary_->addEntriesFromDictionary(dictionary);
  return d;
}

size_t DRThreadSafeDictionary::count() const {
  std::lock_guard guard(lock_);
  return dictionary_->count();
}

rt::Id DRThreadSafeDictionary::objectForKey(const rt::Id& key) const {
  std::lock_guard guard(lock_);
  return dictionary_->objectForKey(key);
}

rt::Id DRThreadSafeDictionary::objectForKey(const String& key) const {
  std::lock_guard guard(lock_);
  return dictionary_->objectForKey(key);
}

Ref<fd::Array> DRThreadSafeDictionary::allKeys() const {
  std::lock_guard guard(lock_);
  return dictionary_->allKeys();
}

Ref<fd::Array> DRThreadSafeDictionary::allValues() const {
  std::lock_guard guard(lock_);
  return dictionary_->allValues();
}

Ref<fd::Dictionary> DRThreadSafeDictionary::dictionary() const {
  std::lock_guard guard(lock_);
  return rt::as<fd::Dictionary>(dictionary_->copy());
}

void DRThreadSafeDictionary::enumerateKeysAndObjects(
    const std::function<void(const rt::Id&, const rt::Id&, bool&)>& block) const {
  std::lock_guard guard(lock_);
  bool stop = false;
  for (size_t i = 0; i < dictionary_->count() && !stop; ++i) block(dictionary_->keys()[i], dictionary_->values()[i], stop);
}

void DRThreadSafeDictionary::setObjectForKey(rt::Id object, rt::Id key) {
  std::lock_guard guard(lock_);
  dictionary_->setObjectForKey(std::move(object), std::move(key));
}

void DRThreadSafeDictionary::setObjectForKey(rt::Id object, const String& key) {
  std::lock_guard guard(lock_);
  dictionary_->setObjectForKey(std::move(object), key);
}

void DRThreadSafeDictionary::removeObjectForKey(const rt::Id& key) {
  std::lock_guard guard(lock_);
  dictionary_->removeObjectForKey(key);
}

void DRThreadSafeDictionary::removeAllObjects() {
  std::lock_guard guard(lock_);
  dictionary_->removeAllObjects();
}

void DRThreadSafeDictionary::addEntriesFromDictionary(const fd::Dictionary& other) {
  auto snapshot = rt::as<fd::Dictionary>(other.copy());  // the argument may be guarded elsewhere
  std::lock_guard guard(lock_);
  dictionary_->addEntriesFromDictionary(*snapshot);
}

void DRThreadSafeDictionary::setDictionary(const fd::Dictionary& other) {
  auto snapshot = rt::as<fd::Dictionary>(other.copy());
  std::lock_guard guard(lock_);
  dictionary_->removeAllObjects();
  dictionary_->addEntriesFromDictionary(*snapshot);
}

rt::Id DRThreadSafeDictionary::popObjectForKey(const rt::Id& key) {
  std::lock_guard guard(lock_);
  rt::Id o = dictionary_->objectForKey(key);
  if (o) dictionary_->removeObjectForKey(key);
  return o;
}

bool DRThreadSafeDictionary::isEqual(const rt::Object* other) const {
  if (other == this) return true;
  auto* that = dynamic_cast<const DRThreadSafeDictionary*>(other);
  if (!that) return false;
  std::scoped_lock guard(lock_, that->lock_);  // deadlock-free whatever order two threads compare in
  return dictionary_->isEqual(that->dictionary_.get());
}

size_t DRThreadSafeDictionary::hash() const { return count(); }

String DRThreadSafeDictionary::description() const { return dictionary()->description(); }

rt::Id DRThreadSafeDictionary::copy() const {
  std::lock_guard guard(lock_);
  auto d = create();
  d->dictionary_->addEntriesFromDictionary(*dictionary_);
  return d;
}

}  // namespace base
