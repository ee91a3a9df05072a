#include "platform/runtime/Object.h"

#include <mutex>
#include <unordered_map>

#include "platform/runtime/Class.h"
#include "platform/runtime/Exception.h"

namespace rt {

RT_IMPLEMENT_PLATFORM(Object) {}

struct ObjectSideTable {
  std::recursive_mutex mutex;

  struct Association {
    Id strong;
    Weak<Object> weak;
  };
  std::unordered_map<const void*, Association> associations;

  struct Observation {
    uint64_t token;
    String keyPath;
    Weak<Object> observer;
    uint32_t options;
    void* context;
    Object::ObservationBlock block;
  };
  std::vector<Observation> observations;
  // Old values captured by willChange, per key, stacked for nested changes.
  std::unordered_map<String, std::vector<Id>> pendingOld;
};

namespace {
std::atomic<uint64_t> nextObservationToken{1};

Id boxForKVC(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Object: return v.object();
    case Value::Kind::Void: return nullptr;
    default: break;
  }
  if (!boxing().box) raise(InternalInconsistencyException, "no value boxing is installed");
  return boxing().box(v);
}

String instanceTag(const Object* o) {
  return String::format("<%@ %p>", o->className(), static_cast<const void*>(o));
}
}  // namespace

Object::~Object() { delete side_.load(std::memory_order_acquire); }

ObjectSideTable* Object::sideTable(bool create) const {
  ObjectSideTable* t = side_.load(std::memory_order_acquire);
  if (t || !create) return t;
  auto* fresh = new ObjectSideTable;
  if (side_.compare_exchange_strong(t, fresh, std::memory_order_acq_rel)) return fresh;
  delete fresh;
  return t;
}

// A proxy whose target is gone answers a null class; everything here then reads as the
// empty answer of a message sent to nothing.
String Object::className() const {
  const Class* c = getClass();
  return c ? String(c->name()) : String();
}

bool Object::isKindOfClass(const Class* c) const {
  for (const Class* k = getClass(); k; k = k->superclass())
    if (k == c) return true;
  return false;
}

bool Object::isMemberOfClass(const Class* c) const { return getClass() == c; }

bool Object::respondsToSelector(Selector s) const {
  const Class* c = getClass();
  return c && c->instancesRespondToSelector(s);
}

bool Object::conformsToProtocol(std::string_view protocol) const {
  const Class* c = getClass();
  return c && c->conformsToProtocol(protocol);
}

Value Object::performSelector(Selector s, const std::vector<Value>& args) {
  const Class* c = getClass();
  return c ? c->invoke(this, s, args) : Value();
}

String Object::description() const {
  return String::format("<%@: %p>", className(), static_cast<const void*>(this));
}

Id Object::copy() const {
  raise(InvalidArgumentException, String::format("-[%@ copyWithZone:]: unrecognized selector sent to instance %p",
                                                 className(), static_cast<const void*>(this)));
}

Id Object::mutableCopy() const {
  raise(InvalidArgumentException, String::format("-[%@ mutableCopyWithZone:]: unrecognized selector sent to instance %p",
                                                 className(), static_cast<const void*>(this)));
}

// ---- Key-value coding ----

Id Object::valueForKey(const String& key) const {
  const Class* cls = getClass();
  if (const Property* p = cls->propertyNamed(key)) return boxForKVC(p->get(*this));
  std::string k = key.utf8();
  if (!k.empty()) {
    std::string cap = k;
    cap[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(cap[0])));
    for (const std::string& name : {k, "is" + cap, "get" + cap}) {
      const Method* m = cls->instanceMethod(Selector::named(name));
      if (m && m->argumentCount() == 2 && m->returnType() != "v")
        return boxForKVC(cls->invoke(const_cast<Object*>(this), m->selector));
    }
  }
  return valueForUndefinedKey(key);
}

void Object::setValueForKey(const Id& value, const String& key) {
  const Class* cls = getClass();
  const Property* p = cls->propertyNamed(key);
  const Method* setter = nullptr;
  std::string enc;
  if (p && p->set) {
    enc = p->typeEncoding;
  } else if (!p && !key.isEmpty()) {
    std::string name = detail::setterNameFor(key.utf8());
    setter = cls->instanceMethod(Selector::named(name));
    if (setter && setter->argumentCount() == 3) enc = setter->argumentType(2);
    else setter = nullptr;
  }
  if (enc.empty()) return setValueForUndefinedKey(value, key);

  Value v;
  EncodingKind kind = encodingKind(enc);
  bool objectLike = kind == EncodingKind::Object || kind == EncodingKind::Block;
  if (objectLike) {
    v = Value::ofObject(value, enc);
  } else if (!value || (boxing().null && value == boxing().null() && kind != EncodingKind::Struct)) {
    return setNilValueForKey(key);
  } else if (!boxing().unbox || !boxing().unbox(value, enc, v)) {
    raise(InvalidArgumentException,
          String::format("[%@ setValue:forKey:]: value of class %@ is not acceptable for the key %@ of type %s",
                         instanceTag(this), value->className(), key, enc.c_str()));
  }
  bool notify = automaticallyNotifiesObserversForKey(key) && hasObservers();
  if (notify) willChangeValueForKey(key);
  if (p) p->set(*this, v);
  else cls->invoke(this, setter->selector, {v});
  if (notify) didChangeValueForKey(key);
}

Id Object::valueForKeyPath(const String& keyPath) const {
  size_t dot = keyPath.rangeOfString(".").location;
  // Collection operators ("@sum.views") take the rest of the path themselves.
  if (dot == NotFound || (keyPath.length() > 0 && keyPath[0] == u'@')) return valueForKey(keyPath);
  Id first = valueForKey(keyPath.substring(0, dot));
  return first ? first->valueForKeyPath(keyPath.substring(dot + 1)) : nullptr;
}

void Object::setValueForKeyPath(const Id& value, const String& keyPath) {
  size_t dot = keyPath.rangeOfString(".").location;
  if (dot == NotFound) return setValueForKey(value, keyPath);
  Id first = valueForKey(keyPath.substring(0, dot));
  if (first) first->setValueForKeyPath(value, keyPath.substring(dot + 1));
}

Id Object::valueForUndefinedKey(const String& key) const {
  raise(UndefinedKeyException,
        String::format("[%@ valueForUndefinedKey:]: this class is not key value coding-compliant for the key %@.",
                       instanceTag(this), key));
}

void Object::setValueForUndefinedKey(const Id&, const String& key) {
  raise(UndefinedKeyException,
        String::format("[%@ setValue:forUndefinedKey:]: this class is not key value coding-compliant for the key %@.",
                       instanceTag(this), key));
}

void Object::setNilValueForKey(const String& key) {
  raise(InvalidArgumentException,
        String::format("[%@ setNilValueForKey]: could not set nil as the value for the key %@.", instanceTag(this), key));
}

// ---- Key-value observing ----

bool Object::hasObservers() const {
  ObjectSideTable* t = sideTable(false);
  if (!t) return false;
  std::lock_guard lock(t->mutex);
  return !t->observations.empty();
}

bool Object::automaticallyNotifiesObserversForKey(const String& key) const {
  const Class* c = getClass();
  return c && c->automaticallyNotifiesObserversForKey(key);
}

void Object::addObserver(Object* observer, const String& keyPath, uint32_t options, void* context) {
  if (!observer) return;
  ObjectSideTable* t = sideTable(true);
  {
    std::lock_guard lock(t->mutex);
    t->observations.push_back({nextObservationToken++, keyPath, observer->weak_from_this(), options, context, nullptr});
  }
  if (options & KeyValueObservingOptionInitial) {
    KeyValueChange change;
    if (options & KeyValueObservingOptionNew) {
      change.newValue = valueForKeyPath(keyPath);
      change.hasNew = true;
    }
    observer->observeValueForKeyPath(keyPath, this, change, context);
  }
}

uint64_t Object::observe(const String& keyPath, uint32_t options, ObservationBlock block) {
  ObjectSideTable* t = sideTable(true);
  uint64_t token = nextObservationToken++;
  {
    std::lock_guard lock(t->mutex);
    t->observations.push_back({token, keyPath, {}, options, nullptr, block});
  }
  if (options & KeyValueObservingOptionInitial) {
    KeyValueChange change;
    if (options & KeyValueObservingOptionNew) {
      change.newValue = valueForKeyPath(keyPath);
      change.hasNew = true;
    }
    block(this, change);
  }
  return token;
}

void Object::removeObservation(uint64_t token) {
  ObjectSideTable* t = sideTable(false);
  if (!t) return;
  std::lock_guard lock(t->mutex);
  std::erase_if(t->observations, [&](auto& o) { return o.token == token; });
}

void Object::removeObserver(Object* observer, const String& keyPath, void* context) {
  ObjectSideTable* t = sideTable(false);
  if (!t || !observer) return;
  std::lock_guard lock(t->mutex);
  // The most recent matching registration goes, as on the platform.
  for (auto it = t->observations.rbegin(); it != t->observations.rend(); ++it) {
    auto o = it->observer.lock();
    if (o.get() == observer && it->keyPath == keyPath && it->context == context) {
      t->observations.erase(std::next(it).base());
      return;
    }
  }
}

void Object::removeObserver(Object* observer, const String& keyPath) {
  ObjectSideTable* t = sideTable(false);
  if (!t || !observer) return;
  std::lock_guard lock(t->mutex);
  for (auto it = t->observations.rbegin(); it != t->observations.rend(); ++it) {
    auto o = it->observer.lock();
    if (o.get() == observer && it->keyPath == keyPath) {
      t->observations.erase(std::next(it).base());
      return;
    }
  }
}

void Object::observeValueForKeyPath(const String& keyPath, Object*, const KeyValueChange&, void*) {
  raise(InternalInconsistencyException,
        String::format("%@: An -observeValueForKeyPath:ofObject:change:context: message was received but not handled.\n"
                       "Key path: %@",
                       instanceTag(this), keyPath));
}

namespace {


std::vector<ObjectSideTable::Observation> observersOf(ObjectSideTable* t, const String& key) {
  std::vector<ObjectSideTable::Observation> out;
  std::lock_guard lock(t->mutex);
  for (auto& o : t->observations)
    if (o.keyPath == key) out.push_back(o);
  return out;
}

void deliver(Object* self, const ObjectSideTable::Observation& o, const KeyValueChange& change) {
  if (o.block) {
    o.block(self, change);
    return;
  }
  if (auto observer = o.observer.lock()) observer->observeValueForKeyPath(o.keyPath, self, change, o.context);
}

Id safeValue(const Object* self, const String& key) {
  try {
    Id v = self->valueForKey(key);
    if (!v && boxing().null) return boxing().null();
    return v;
  } catch (const Exception&) {
    return boxing().null ? boxing().null() : nullptr;
  }
}

}  // namespace

void Object::willChangeValueForKey(const String& key) {
  ObjectSideTable* t = sideTable(false);
  if (!t) return;
  std::vector<String> keys{key};
  if (const Class* c = getClass())
    for (auto& k : c->keysAffectedBy(key)) keys.push_back(k);
  for (auto& k : keys) {
    auto obs = observersOf(t, k);
    bool wantOld = false;
    for (auto& o : obs) wantOld |= (o.options & KeyValueObservingOptionOld) != 0;
    Id old = wantOld ? safeValue(this, k) : nullptr;
    {
      std::lock_guard lock(t->mutex);
      t->pendingOld[k].push_back(old);
    }
    for (auto& o : obs) {
      if (!(o.options & KeyValueObservingOptionPrior)) continue;
      KeyValueChange change;
      change.isPrior = true;
      if (o.options & KeyValueObservingOptionOld) {
        change.oldValue = old;
        change.hasOld = true;
      }
      deliver(this, o, change);
    }
  }
}

void Object::didChangeValueForKey(const String& key) {
  ObjectSideTable* t = sideTable(false);
  if (!t) return;
  std::vector<String> keys{key};
  if (const Class* c = getClass())
    for (auto& k : c->keysAffectedBy(key)) keys.push_back(k);
  for (auto& k : keys) {
    Id old;
    bool hadWill = false;
    {
      std::lock_guard lock(t->mutex);
      auto it = t->pendingOld.find(k);
      if (it != t->pendingOld.end() && !it->second.empty()) {
        old = it->second.back();
        it->second.pop_back();
        hadWill = true;
        if (it->second.empty()) t->pendingOld.erase(it);
      }
    }
    if (!hadWill) continue;  // a did without a will reports nothing
    auto obs = observersOf(t, k);
    if (obs.empty()) continue;
    bool wantNew = false;
    for (auto& o : obs) wantNew |= (o.options & KeyValueObservingOptionNew) != 0;
    Id now = wantNew ? safeValue(this, k) : nullptr;
    for (auto& o : obs) {
      KeyValueChange change;
      if (o.options & KeyValueObservingOptionOld) {
        change.oldValue = old;
        change.hasOld = true;
      }
      if (o.options & KeyValueObservingOptionNew) {
        change.newValue = now;
        change.hasNew = true;
      }
      deliver(this, o, change);
    }
  }
}

// ---- Associated objects ----

void Object::setAssociatedObject(const void* key, const Id& value, AssociationPolicy policy) {
  ObjectSideTable* t = sideTable(value != nullptr);
  if (!t) return;
  ObjectSideTable::Association a;
  switch (policy) {
    case AssociationPolicy::Assign:
    case AssociationPolicy::Weak: a.weak = value; break;
    case AssociationPolicy::Copy:
    case AssociationPolicy::CopyNonatomic: a.strong = value ? value->copy() : nullptr; break;
    default: a.strong = value; break;
  }
  ObjectSideTable::Association old;
  {
    std::lock_guard lock(t->mutex);
    auto it = t->associations.find(key);
    if (it != t->associations.end()) old = std::move(it->second);
    if (value) t->associations[key] = std::move(a);
    else if (it != t->associations.end()) t->associations.erase(it);
  }
  // `old` is released here, outside the lock: its destructor may touch this object.
}

Id Object::associatedObject(const void* key) const {
  ObjectSideTable* t = sideTable(false);
  if (!t) return nullptr;
  std::lock_guard lock(t->mutex);
  auto it = t->associations.find(key);
  if (it == t->associations.end()) return nullptr;
  return it->second.strong ? it->second.strong : it->second.weak.lock();
}

void Object::removeAssociatedObjects() {
  ObjectSideTable* t = sideTable(false);
  if (!t) return;
  std::unordered_map<const void*, ObjectSideTable::Association> old;
  {
    std::lock_guard lock(t->mutex);
    old.swap(t->associations);
  }
}

}  // namespace rt
