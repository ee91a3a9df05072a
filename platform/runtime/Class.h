#pragma once
// Class objects: name, superclass, metaclass, registered properties, instance variables,
// methods and protocols, lookup by name, and the registration macros.
#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/runtime/Object.h"

namespace rt {

/// A registered property. Its address is a stable handle shared by every subclass.
struct Property {
  String name;
  std::string attributes;    // runtime form: "T@\"NSString\",C,N,V_name"
  std::string typeEncoding;  // "@\"NSString\"", "q", "{CGRect={CGPoint=dd}{CGSize=dd}}"
  Selector getter;           // "name" or the G attribute
  Selector setter;           // "setName:" or the S attribute; null when read-only
  const Class* owner = nullptr;
  std::function<Value(const Object&)> get;
  std::function<void(Object&, const Value&)> set;  // empty when read-only
  bool readOnly() const { return !set; }
};

struct Ivar {
  std::string name;          // "_name"
  std::string typeEncoding;
  size_t offset = 0;         // synthetic but stable and non-zero
};

using Imp = std::function<Value(Object* self, const std::vector<Value>& args)>;

struct Method {
  Selector selector;
  std::string typeEncoding;  // full form with offsets: "v24@0:8@16"
  Imp imp;
  std::string returnType() const;
  size_t argumentCount() const;  // counting self and _cmd
  std::string argumentType(size_t index) const;  // "" when out of range
};

/// Builds a method's full type encoding from its return and explicit argument encodings.
std::string methodTypeEncoding(const std::string& returnType, const std::vector<std::string>& argTypes);

class Class final : public Object {
 public:
  using Factory = std::function<Id()>;

  const String& name() const { return name_; }
  const char* cName() const { return cname_.c_str(); }
  const Class* superclass() const { return super_; }
  const Class* metaclass() const { return meta_; }
  bool isMetaClass() const { return isMeta_; }
  bool isRootClass() const { return super_ == nullptr && !isMeta_; }
  /// True for classes of the platform layer (the walk of model classes stops at them).
  bool isPlatformClass() const { return platform_; }
  bool isAbstract() const { return abstract_; }
  bool isSubclassOfClass(const Class* other) const;

  /// The registered class of that name, or null ("NSClassFromString").
  static const Class* named(std::string_view name);
  static std::vector<const Class*> allClasses();

  /// alloc + init: a new instance, or null for abstract classes and classes without a
  /// default initialiser.
  Id createInstance() const;

  // Properties: own ones in declaration order; lookup walks the superclass chain.
  const std::vector<const Property*>& properties() const { return propertyList_; }
  const Property* propertyNamed(const String& name) const;
  const std::vector<Ivar>& ivars() const { return ivars_; }
  // Methods: own ones; class methods live on the metaclass.
  std::vector<const Method*> methods() const;
  const Method* instanceMethod(Selector s) const;  // walks superclasses
  const Method* classMethod(Selector s) const;
  bool instancesRespondToSelector(Selector s) const { return instanceMethod(s) != nullptr; }
  bool respondsToClassSelector(Selector s) const { return classMethod(s) != nullptr; }
  /// Adds an instance method unless this class already has one with that selector.
  bool addMethod(Selector s, Imp imp, std::string types);
  static void exchangeImplementations(const Method* a, const Method* b);
  /// Calls an instance method by selector; raises "unrecognized selector" when none.
  Value invoke(Object* target, Selector s, const std::vector<Value>& args = {}) const;

  const std::vector<std::string>& protocols() const { return protocols_; }
  /// Whether the class (or a superclass) adopts the protocol; a class object answers for itself.
  bool conformsToProtocol(std::string_view name) const override;

  // Key-value observing configuration
  /// Keys whose change also changes `key` (dependent keys).
  std::vector<String> keyPathsForValuesAffectingValueForKey(const String& key) const;
  /// Keys that change when `key` changes (the inverse relation, walked on notification).
  std::vector<String> keysAffectedBy(const String& key) const;
  bool automaticallyNotifiesObserversForKey(const String& key) const;

  // Per-class slots, not inherited by subclasses.
  void setSlot(const void* key, const Id& value) const;
  Id slot(const void* key) const;

  String description() const override { return name_; }
  const Class* getClass() const override { return isMeta_ ? rootMeta() : meta_; }
  size_t instanceSize() const { return instanceSize_; }

  // --- registration (used by ClassBuilder) ---
  struct Spec {
    std::string name;
    const Class* superclass = nullptr;
    Factory factory;
    size_t instanceSize = 0;
    bool platform = false;
  };
  static Class* define(Spec spec);
  Property& addProperty(Property p);
  void addIvar(Ivar iv) { ivars_.push_back(std::move(iv)); }
  void addProtocol(std::string_view name) { protocols_.emplace_back(name); }
  void setDependentKeys(const String& key, std::vector<String> affecting);
  void setManualNotification(const String& key) { manualKeys_.push_back(key); }
  void setAbstract() { abstract_ = true; }
  void setPlatform(bool p) { platform_ = p; }
  Method* ownMethod(Selector s);
  void addOwnMethod(Selector s, Imp imp, std::string types);
  Class* mutableMetaclass() const { return meta_; }

 private:
  const Class* rootMeta() const;
  String name_;
  std::string cname_;
  const Class* super_ = nullptr;
  Class* meta_ = nullptr;
  bool isMeta_ = false;
  bool platform_ = false;
  bool abstract_ = false;
  size_t instanceSize_ = 0;
  Factory factory_;
  std::deque<Property> propertyStore_;
  std::vector<const Property*> propertyList_;
  std::vector<Ivar> ivars_;
  std::deque<Method> methodStore_;
  std::vector<std::string> protocols_;
  std::vector<std::pair<String, std::vector<String>>> dependents_;
  std::vector<String> manualKeys_;
  mutable std::mutex mutex_;  // guards the slots
  // Key-value coding looks properties up on every call: readers share the lock.
  mutable std::shared_mutex cacheMutex_;
  mutable std::unordered_map<String, const Property*> propertyCache_;
  mutable std::unordered_map<const void*, Id> slots_;
};

template <class X> class ClassBuilder;

/// Fluent handle on a just-registered property to adjust its attributes.
class PropertyBuilder {
 public:
  explicit PropertyBuilder(Property& p) : p_(p) {}
  /// Replaces the flags after the type ("C,N", "R", "&,N,GisOn"...); the type and ivar parts
  /// are kept.
  PropertyBuilder& attributes(std::string_view flags);
  PropertyBuilder& getterName(std::string_view name);
  PropertyBuilder& setterName(std::string_view name);

 private:
  Property& p_;
};

namespace detail {
std::string defaultFlags(const std::string& encoding, bool readOnly, bool weak);
std::string attributeString(const std::string& encoding, const std::string& flags, std::string_view ivar);
std::string setterNameFor(std::string_view property);
[[noreturn]] void raiseWrongType(const String& property, const Value& v);
}  // namespace detail

template <class X> class ClassBuilder {
 public:
  explicit ClassBuilder(Class& c) : c_(c) {}
  Class& cls() { return c_; }

  /// A property stored in a data member.
  template <class T> PropertyBuilder property(const char* name, T X::*member) {
    Property p;
    p.name = name;
    p.typeEncoding = encodingOf<T>();
    p.get = [member](const Object& o) { return Value::of<T>(static_cast<const X&>(o).*member); };
    p.set = [member, n = p.name](Object& o, const Value& v) {
      T tmp{};
      if (!v.get(tmp)) detail::raiseWrongType(n, v);
      static_cast<X&>(o).*member = std::move(tmp);
    };
    return add(std::move(p), IsWeak<T>::value);
  }
  /// A property with accessor member functions; `setter` may be null (read-only).
  template <class T, class S = T>
  PropertyBuilder property(const char* name, T (X::*getter)() const, void (X::*setter)(S) = nullptr) {
    using V = std::remove_cvref_t<T>;
    Property p;
    p.name = name;
    p.typeEncoding = encodingOf<V>();
    p.get = [getter](const Object& o) { return Value::of<V>((static_cast<const X&>(o).*getter)()); };
    if (setter) {
      p.set = [setter, n = p.name](Object& o, const Value& v) {
        V tmp{};
        if (!v.get(tmp)) detail::raiseWrongType(n, v);
        (static_cast<X&>(o).*setter)(std::move(tmp));
      };
    }
    return add(std::move(p), IsWeak<V>::value);
  }

  /// An instance method callable by selector; arguments and result are boxed as Values.
  template <class R, class... A> void method(const char* selector, R (X::*fn)(A...)) {
    addMethod<R, A...>(selector, [fn](Object* self, auto&&... a) -> R { return (static_cast<X*>(self)->*fn)(a...); });
  }
  template <class R, class... A> void method(const char* selector, R (X::*fn)(A...) const) {
    addMethod<R, A...>(selector, [fn](Object* self, auto&&... a) -> R { return (static_cast<const X*>(self)->*fn)(a...); });
  }
  /// A class method (registered on the metaclass); `self` is the class object.
  template <class R, class... A> void classMethod(const char* selector, R (*fn)(A...)) {
    Imp imp = makeImp<R, A...>([fn](Object*, auto&&... a) -> R { return fn(a...); });
    c_.mutableMetaclass()->addOwnMethod(Selector::named(selector), std::move(imp), types<R, A...>());
  }
  /// Methods given as raw implementations with their full type encodings (for hooks that
  /// capture state); see methodTypeEncoding.
  void methodImp(const char* selector, Imp imp, std::string types) {
    c_.addOwnMethod(Selector::named(selector), std::move(imp), std::move(types));
  }
  void classMethodImp(const char* selector, Imp imp, std::string types) {
    c_.mutableMetaclass()->addOwnMethod(Selector::named(selector), std::move(imp), std::move(types));
  }

  void protocol(const char* name) { c_.addProtocol(name); }
  /// `key` changes whenever one of `affecting` changes.
  void dependentKeys(const char* key, std::initializer_list<const char*> affecting) {
    std::vector<String> v;
    for (auto* a : affecting) v.emplace_back(a);
    c_.setDependentKeys(key, std::move(v));
  }
  /// Observers of `key` are notified only by explicit will/didChange calls.
  void manualNotification(const char* key) { c_.setManualNotification(key); }
  void abstract() { c_.setAbstract(); }
  void platform() { c_.setPlatform(true); }

 private:
  PropertyBuilder add(Property p, bool weak) {
    p.owner = &c_;
    std::string flags = detail::defaultFlags(p.typeEncoding, !p.set, weak);
    std::string ivar = "_";
    ivar += p.name.utf8();
    p.attributes = detail::attributeString(p.typeEncoding, flags, ivar);
    p.getter = Selector::named(p.name.utf8());
    if (p.set) p.setter = Selector::named(detail::setterNameFor(p.name.utf8()));
    size_t offset = 8 * (c_.ivars().size() + 1) + 8;
    c_.addIvar(Ivar{ivar, p.typeEncoding, offset});
    return PropertyBuilder(c_.addProperty(std::move(p)));
  }
  template <class R, class... A> static std::string types() {
    return methodTypeEncoding(encodingOf<R>(), {encodingOf<std::remove_cvref_t<A>>()...});
  }
  template <class R, class... A, class F> static Imp makeImp(F f) {
    return [f](Object* self, const std::vector<Value>& args) -> Value {
      if (args.size() < sizeof...(A)) return Value();
      return call<R, A...>(f, self, args, std::index_sequence_for<A...>{});
    };
  }
  template <class R, class... A, class F, size_t... I>
  static Value call(F& f, Object* self, const std::vector<Value>& args, std::index_sequence<I...>) {
    std::tuple<std::remove_cvref_t<A>...> unpacked;
    (args[I].get(std::get<I>(unpacked)), ...);
    if constexpr (std::is_void_v<R>) {
      f(self, std::get<I>(unpacked)...);
      return Value();
    } else {
      return Value::of<std::remove_cvref_t<R>>(f(self, std::get<I>(unpacked)...));
    }
  }
  template <class R, class... A, class F> void addMethod(const char* selector, F f) {
    c_.addOwnMethod(Selector::named(selector), makeImp<R, A...>(std::move(f)), types<R, A...>());
  }
  Class& c_;
};

template <class X> Class* defineClass(void (*describe)(ClassBuilder<X>&), bool platform) {
  Class::Spec spec;
  spec.name = X::kRuntimeClassName;
  if constexpr (!std::is_void_v<typename X::Superclass>) spec.superclass = X::Superclass::classObject();
  if constexpr (std::is_default_constructible_v<X> && !std::is_abstract_v<X> &&
                requires(X& x) { x.init(); }) {
    spec.factory = []() -> Id { return make<X>(); };
  }
  spec.instanceSize = sizeof(X);
  spec.platform = platform;
  Class* c = Class::define(std::move(spec));
  ClassBuilder<X> b(*c);
  describe(b);
  return c;
}

/// Resolves a class by its runtime name, or null: "NSClassFromString".
inline const Class* classFromString(std::string_view name) { return Class::named(name); }

}  // namespace rt

/// Declares the runtime side of a class; put it first in the class body.
#define RT_CLASS_NAMED(Name, Super, RuntimeName)                                   \
 public:                                                                           \
  static constexpr const char* kRuntimeClassName = RuntimeName;                    \
  using Superclass = Super;                                                        \
  static ::rt::Class* classObject();                                               \
  const ::rt::Class* getClass() const override { return classObject(); }           \
                                                                                   \
 private:
#define RT_CLASS(Name, Super) RT_CLASS_NAMED(Name, Super, #Name)

#define RT_IMPLEMENT_IMPL(Name, Platform)                                                  \
  static void rtDescribe_##Name(::rt::ClassBuilder<Name>&);                               \
  ::rt::Class* Name::classObject() {                                                      \
    static ::rt::Class* cls = ::rt::defineClass<Name>(&rtDescribe_##Name, Platform);       \
    return cls;                                                                           \
  }                                                                                       \
  [[maybe_unused]] static const ::rt::Class* const rtRegistered_##Name = Name::classObject(); \
  static void rtDescribe_##Name([[maybe_unused]] ::rt::ClassBuilder<Name>& c)

/// Defines the class object of a component class; the block that follows registers its
/// properties, methods and protocols:  RT_IMPLEMENT(KDArticle) { c.property("title", &KDArticle::title); }
#define RT_IMPLEMENT(Name) RT_IMPLEMENT_IMPL(Name, false)
/// The same for classes of the platform layer.
#define RT_IMPLEMENT_PLATFORM(Name) RT_IMPLEMENT_IMPL(Name, true)
