#include "platform/foundation/values/Dictionary.h"

#include <algorithm>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/Description.h"
#include "platform/foundation/values/ComparisonGuard.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Dictionary) {
  c.protocol("NSCopying");
  c.protocol("NSMutableCopying");
  c.protocol("NSSecureCoding");
  c.protocol("NSFastEnumeration");
  c.property("count", &Dictionary::count);
}

RT_IMPLEMENT_PLATFORM(MutableDictionary) {}

namespace {

[[noreturn]] void raiseNil(const char* method, bool key) {
  rt::raise(rt::InvalidArgumentException,
            String::format("*** -[NSMutableDictionary %s]: %s cannot be nil", method, key ? "key" : "object"));
}

// Keys are immutable: a mutable string key is copied so that later edits cannot move it.
Id keyCopy(Id key) {
  if (dynamic_cast<const MutableStringObject*>(key.get())) return key->copy();
  return key;
}

}  // namespace

void Dictionary::init(std::vector<Entry> entries) {
  table_.reserve(entries.size());
  values_.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    auto& [k, v] = entries[i];
    if (!k || !v) {
      rt::raise(rt::InvalidArgumentException,
                String::format("*** -[NSDictionary initWithObjects:forKeys:count:]: attempt to insert nil %s from objects[%llu]",
                               k ? "object" : "key", static_cast<uint64_t>(i)));
    }
    put(keyCopy(std::move(k)), std::move(v));
  }
}

Ref<Dictionary> Dictionary::create(std::vector<Entry> entries) { return rt::make<Dictionary>(std::move(entries)); }

Ref<Dictionary> Dictionary::withStrings(std::vector<std::pair<String, Id>> entries) {
  std::vector<Entry> e;
  e.reserve(entries.size());
  for (auto& [k, v] : entries) e.emplace_back(box(std::move(k)), std::move(v));
  return create(std::move(e));
}

Ref<Dictionary> Dictionary::dictionaryWithObjectsForKeys(const std::vector<Id>& objects, const std::vector<Id>& keys) {
  if (objects.size() != keys.size()) {
    rt::raise(rt::InvalidArgumentException,
              String::format("*** -[NSDictionary initWithObjects:forKeys:]: count of objects (%llu) differs from count of keys (%llu)",
                             static_cast<uint64_t>(objects.size()), static_cast<uint64_t>(keys.size())));
  }
  std::vector<Entry> e;
  e.reserve(objects.size());
  for (size_t i = 0; i < objects.size(); ++i) e.emplace_back(keys[i], objects[i]);
  return create(std::move(e));
}

void Dictionary::adoptKeys(const Dictionary& model, std::vector<Id> values) {
  if (values.size() != model.count()) {
    rt::raise(rt::InvalidArgumentException,
              String::format("*** -[NSDictionary initWithObjects:forKeys:]: count of objects (%llu) differs from count of keys (%llu)",
                             static_cast<uint64_t>(values.size()), static_cast<uint64_t>(model.count())));
  }
  for (size_t i = 0; i < values.size(); ++i) {
    if (!values[i]) {
      rt::raise(rt::InvalidArgumentException,
                String::format("*** -[NSDictionary initWithObjects:forKeys:count:]: attempt to insert nil object from objects[%llu]",
                               static_cast<uint64_t>(i)));
    }
  }
  model.withLock([&] { table_ = model.table_; });
  values_ = std::move(values);
}

Ref<Dictionary> Dictionary::createWithKeysOf(const Dictionary& model, std::vector<Id> values) {
  auto d = rt::make<Dictionary>();
  d->adoptKeys(model, std::move(values));
  return d;
}

size_t Dictionary::find(const Id& key) const {
  if (!key) return detail::KeyTable::npos;
  return table_.find(*key, key->hash());
}

void Dictionary::put(Id key, Id value) {
  size_t h = key->hash();
  size_t i = table_.find(*key, h);
  if (i != detail::KeyTable::npos) {
    values_[i] = std::move(value);
    return;
  }
  table_.append(std::move(key), h);
  values_.push_back(std::move(value));
}

void Dictionary::erase(size_t i) {
  table_.eraseAt(i);
  values_.erase(values_.begin() + static_cast<ptrdiff_t>(i));
}

Id Dictionary::objectForKey(const Id& key) const {
  detail::ContainerScope scope(lock());
  size_t i = find(key);
  return i == detail::KeyTable::npos ? nullptr : values_[i];
}

Id Dictionary::objectForKey(const String& key) const {
  detail::ContainerScope scope(lock());
  size_t i = table_.findString(key);
  return i == detail::KeyTable::npos ? nullptr : values_[i];
}

Contents Dictionary::keys() const {
  if (!lock_) return Contents(table_.keys());
  detail::ContainerScope scope(lock_);
  return Contents(std::vector<Id>(table_.keys()));
}

Contents Dictionary::values() const {
  if (!lock_) return Contents(values_);
  detail::ContainerScope scope(lock_);
  return Contents(std::vector<Id>(values_));
}

Dictionary::KeysAndValues Dictionary::keysAndValues() const {
  if (!lock_) return {Contents(table_.keys()), Contents(values_)};
  detail::ContainerScope scope(lock_);
  return {Contents(std::vector<Id>(table_.keys())), Contents(std::vector<Id>(values_))};
}

Ref<Dictionary> Dictionary::unlockedCopy() const {
  auto plain = rt::make<Dictionary>();
  detail::ContainerScope scope(lock_);
  copyStorage(*plain, *this);
  return plain;
}

Ref<Array> Dictionary::allKeys() const { return Array::create(keys()); }
Ref<Array> Dictionary::allValues() const { return Array::create(values()); }

Ref<Array> Dictionary::allKeysForObject(const Id& value) const {
  const KeysAndValues entries = keysAndValues();
  std::vector<Id> out;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (rt::equalObjects(entries.values[i].get(), value.get())) out.push_back(entries.keys[i]);
  }
  return Array::create(std::move(out));
}

Ref<Array> Dictionary::keysSortedByValueUsingComparator(const Comparator& cmp) const {
  const KeysAndValues entries = keysAndValues();
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return cmp(entries.values[a], entries.values[b]) == Ordering::Ascending;
  });
  std::vector<Id> keys;
  keys.reserve(order.size());
  for (size_t i : order) keys.push_back(entries.keys[i]);
  return Array::create(std::move(keys));
}

void Dictionary::enumerateKeysAndObjects(uint32_t options, const EnumerationBlock& block) const {
  // A snapshot, so that a block that edits the dictionary cannot invalidate the walk (and, for
  // a dictionary with a lock, so that the block runs without it).
  std::vector<Id> keys, values;
  {
    detail::ContainerScope scope(lock());
    keys = table_.keys();
    values = values_;
  }
  bool stop = false;
  if (options & EnumerationReverse) {
    for (size_t i = keys.size(); i-- > 0 && !stop;) block(keys[i], values[i], stop);
  } else {
    for (size_t i = 0; i < keys.size() && !stop; ++i) block(keys[i], values[i], stop);
  }
}

bool Dictionary::isEqualToDictionary(const Dictionary& other) const {
  if (&other == this) return true;
  // Each dictionary is read under its own lock in turn and compared under neither, so that
  // comparing the values (nested containers among them) never holds two locks.
  Ref<Dictionary> mineCopy, theirsCopy;
  const Dictionary& mine = lock_ ? *(mineCopy = unlockedCopy()) : *this;
  const Dictionary& theirs = other.lock_ ? *(theirsCopy = other.unlockedCopy()) : other;
  if (theirs.table_.size() != mine.table_.size()) return false;
  detail::ComparisonGuard guard(this, &other);
  if (guard.reentered()) return true;
  for (size_t i = 0; i < mine.values_.size(); ++i) {
    Id v = theirs.objectForKey(mine.table_.keyAt(i));
    if (!v || !rt::equalObjects(v.get(), mine.values_[i].get())) return false;
  }
  return true;
}

Id Dictionary::valueForKey(const String& key) const {
  if (key.hasPrefix("@")) return Object::valueForKey(key.substring(1));
  return objectForKey(key);
}

String Dictionary::description() const { return descriptionWithIndent(0); }

String Dictionary::descriptionWithLocale(const Locale* locale, unsigned level) const {
  const KeysAndValues entries = keysAndValues();
  String out = indentation(level);
  out.append("{\n");
  for (size_t i = 0; i < entries.size(); ++i) {
    out.append(indentation(level + 1));
    out.append(nestedDescription(entries.keys[i], level + 1, locale));
    out.append(" = ");
    out.append(nestedDescription(entries.values[i], level + 1, locale));
    out.append(";\n");
  }
  out.append(indentation(level));
  out.append("}");
  return out;
}

String Dictionary::descriptionInStringsFileFormat() const {
  const KeysAndValues entries = keysAndValues();
  auto quoted = [](const String& s) {
    String out = "\"";
    for (char16_t c : s.view()) {
      if (c == u'"' || c == u'\\') out.appendCharacter(u'\\');
      if (c == u'\n') {
        out.append("\\n");
        continue;
      }
      out.appendCharacter(c);
    }
    out.append("\"");
    return out;
  };
  String out;
  for (size_t i = 0; i < entries.size(); ++i) {
    out.append(quoted(entries.keys[i]->description()));
    out.append(" = ");
    out.append(quoted(entries.values[i]->description()));
    out.append(";\n");
  }
  return out;
}

bool Dictionary::isEqual(const Object* other) const {
  auto* d = dynamic_cast<const Dictionary*>(other);
  return d && isEqualToDictionary(*d);
}

Id Dictionary::copy() const { return std::const_pointer_cast<Object>(self()); }

Id Dictionary::mutableCopy() const {
  detail::ContainerScope scope(lock());
  auto m = rt::make<MutableDictionary>();
  copyStorage(*m, *this);
  return m;
}

Ref<MutableDictionary> MutableDictionary::create(std::vector<Entry> entries) {
  return rt::make<MutableDictionary>(std::move(entries));
}

Ref<MutableDictionary> MutableDictionary::dictionaryWithCapacity(size_t capacity) {
  auto d = rt::make<MutableDictionary>();
  d->table_.reserve(capacity);
  d->values_.reserve(capacity);
  return d;
}

Ref<MutableDictionary> MutableDictionary::createWithKeysOf(const Dictionary& model, std::vector<Id> values) {
  auto d = rt::make<MutableDictionary>();
  d->adoptKeys(model, std::move(values));
  return d;
}

void MutableDictionary::setObjectForKey(Id object, Id key) {
  detail::ContainerScope scope(lock());
  if (!object) raiseNil("setObject:forKey:", false);
  if (!key) raiseNil("setObject:forKey:", true);
  put(keyCopy(std::move(key)), std::move(object));
}

void MutableDictionary::setObjectForKey(Id object, const String& key) {
  detail::ContainerScope scope(lock());
  if (!object) raiseNil("setObject:forKey:", false);
  size_t i = table_.findString(key);
  if (i != detail::KeyTable::npos) {
    values_[i] = std::move(object);
    return;
  }
  table_.append(box(key), key.hash());
  values_.push_back(std::move(object));
}

void MutableDictionary::removeObjectForKey(const Id& key) {
  detail::ContainerScope scope(lock());
  if (!key) raiseNil("removeObjectForKey:", true);
  size_t i = find(key);
  if (i != detail::KeyTable::npos) erase(i);
}

void MutableDictionary::removeObjectForKey(const String& key) {
  detail::ContainerScope scope(lock());
  size_t i = table_.findString(key);
  if (i != detail::KeyTable::npos) erase(i);
}

void MutableDictionary::removeObjectsForKeys(const Array& keys) {
  const Contents gone = keys.objects();
  detail::ContainerScope scope(lock());
  for (const Id& k : gone) removeObjectForKey(k);
}

void MutableDictionary::removeAllObjects() {
  detail::ContainerScope scope(lock());
  table_.clear();
  values_.clear();
}

void MutableDictionary::addEntriesFromDictionary(const Dictionary& other) {
  if (&other == this) return;
  const KeysAndValues theirs = other.keysAndValues();
  detail::ContainerScope scope(lock());
  for (size_t i = 0; i < theirs.size(); ++i) put(keyCopy(theirs.keys[i]), theirs.values[i]);
}

void MutableDictionary::setDictionary(const Dictionary& other) {
  if (&other == this) return;
  auto copy = rt::make<Dictionary>();
  other.withLock([&] { copyStorage(*copy, other); });
  detail::ContainerScope scope(lock());
  copyStorage(*this, *copy);
}

void MutableDictionary::setValueForKey(const Id& value, const String& key) {
  if (key.hasPrefix("@")) {
    Object::setValueForKey(value, key.substring(1));
    return;
  }
  if (value) setObjectForKey(value, key);
  else removeObjectForKey(key);
}

Id MutableDictionary::copy() const {
  detail::ContainerScope scope(lock());
  auto d = rt::make<Dictionary>();
  copyStorage(*d, *this);
  return d;
}

}  // namespace fd
