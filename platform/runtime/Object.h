#pragma once
// The root of every reference type: class object, identity, equality, description, copying,
// key-value coding and observing, and associated objects.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/runtime/Ref.h"
#include "platform/runtime/Selector.h"
#include "platform/runtime/String.h"
#include "platform/runtime/Value.h"

namespace rt {

class Class;
struct ObjectSideTable;

/// How an associated object is held.
enum class AssociationPolicy : uint8_t {
  Assign,           // not retained; held weakly here so that a gone object reads as null
  RetainNonatomic,  // retained
  CopyNonatomic,    // copied on set
  Retain,
  Copy,
  Weak,             // not retained, zeroing
};

/// Key-value observing options and change kinds, with the platform's values.
enum KeyValueObservingOptions : uint32_t {
  KeyValueObservingOptionNew = 1,
  KeyValueObservingOptionOld = 2,
  KeyValueObservingOptionInitial = 4,
  KeyValueObservingOptionPrior = 8,
};
enum class KeyValueChangeKind : uint8_t { Setting = 1, Insertion = 2, Removal = 3, Replacement = 4 };

/// One change notification. Missing values (nil) are reported as the null object when the
/// observer asked for them; `isPrior` marks the notification sent before the change.
struct KeyValueChange {
  KeyValueChangeKind kind = KeyValueChangeKind::Setting;
  Id oldValue;
  Id newValue;
  bool hasOld = false;
  bool hasNew = false;
  bool isPrior = false;
};

class Object : public std::enable_shared_from_this<Object> {
 public:
  static constexpr const char* kRuntimeClassName = "NSObject";
  using Superclass = void;

  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object();

  /// The designated initialiser run by `make`; subclasses declare their own `init(...)`.
  void init() {}

  static Class* classObject();
  virtual const Class* getClass() const { return classObject(); }
  String className() const;

  Id self() { return shared_from_this(); }
  Ref<const Object> self() const { return shared_from_this(); }

  // Kind and capability
  // Kind and capability are virtual so that proxies can answer for their targets.
  virtual bool isKindOfClass(const Class* c) const;
  bool isMemberOfClass(const Class* c) const;
  virtual bool respondsToSelector(Selector s) const;
  bool respondsToSelector(std::string_view name) const { return respondsToSelector(Selector::named(name)); }
  virtual bool conformsToProtocol(std::string_view protocol) const;
  /// Whether this object stands in for another; only proxies say yes.
  virtual bool isProxy() const { return false; }
  /// Calls a registered method by selector (target-action, optional hooks); raises
  /// "unrecognized selector" when the class has none.
  virtual Value performSelector(Selector s, const std::vector<Value>& args = {});

  // Identity, equality, description
  virtual bool isEqual(const Object* other) const { return this == other; }
  bool isEqual(const Id& other) const { return isEqual(other.get()); }
  virtual size_t hash() const { return reinterpret_cast<uintptr_t>(this); }
  /// "<ClassName: 0x...>" unless a class says more.
  virtual String description() const;
  virtual String debugDescription() const { return description(); }

  // Copying: classes that copy conform to "NSCopying" / "NSMutableCopying" and override these.
  // The default raises, as sending copy to an object that cannot copy does.
  virtual Id copy() const;
  virtual Id mutableCopy() const;

  // Key-value coding
  virtual Id valueForKey(const String& key) const;
  virtual void setValueForKey(const Id& value, const String& key);
  virtual Id valueForKeyPath(const String& keyPath) const;
  virtual void setValueForKeyPath(const Id& value, const String& keyPath);
  virtual Id valueForUndefinedKey(const String& key) const;
  virtual void setValueForUndefinedKey(const Id& value, const String& key);
  virtual void setNilValueForKey(const String& key);

  // Key-value observing
  /// The platform's form: the observer's `observeValueForKeyPath` is called. The observer is
  /// not retained.
  void addObserver(Object* observer, const String& keyPath, uint32_t options = 0, void* context = nullptr);
  void removeObserver(Object* observer, const String& keyPath, void* context);
  void removeObserver(Object* observer, const String& keyPath);
  virtual void observeValueForKeyPath(const String& keyPath, Object* object,
                                      const KeyValueChange& change, void* context);
  /// Block form; answers a token for `removeObservation`.
  using ObservationBlock = std::function<void(Object* object, const KeyValueChange& change)>;
  uint64_t observe(const String& keyPath, uint32_t options, ObservationBlock block);
  void removeObservation(uint64_t token);
  bool hasObservers() const;

  void willChangeValueForKey(const String& key);
  void didChangeValueForKey(const String& key);
  /// Assigns `value` to `slot`, notifying observers of `key` when the class notifies
  /// automatically for it. Setters of observable properties are written with it.
  template <class T> void setAndNotify(const char* key, T& slot, T value) {
    if (!hasObservers() || !automaticallyNotifiesObserversForKey(key)) {
      slot = std::move(value);
      return;
    }
    String k(key);
    willChangeValueForKey(k);
    slot = std::move(value);
    didChangeValueForKey(k);
  }
  bool automaticallyNotifiesObserversForKey(const String& key) const;

  // Associated objects
  void setAssociatedObject(const void* key, const Id& value, AssociationPolicy policy);
  Id associatedObject(const void* key) const;
  void removeAssociatedObjects();

 private:
  ObjectSideTable* sideTable(bool create) const;
  mutable std::atomic<ObjectSideTable*> side_{nullptr};
};

/// Creates a T and runs its designated initialiser with `args`. An initialiser that returns
/// false yields no object (null).
template <class T, class... A> Ref<T> make(A&&... args) {
  auto o = std::make_shared<T>();
  if constexpr (std::is_same_v<decltype(o->init(std::forward<A>(args)...)), bool>) {
    if (!o->init(std::forward<A>(args)...)) return nullptr;
  } else {
    o->init(std::forward<A>(args)...);
  }
  return o;
}

/// Equality that treats two nulls as equal.
inline bool equalObjects(const Object* a, const Object* b) { return a == b || (a && b && a->isEqual(b)); }

}  // namespace rt

#include "platform/runtime/Block.h"
