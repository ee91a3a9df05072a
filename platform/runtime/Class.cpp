#include "platform/runtime/Class.h"

#include <cctype>
#include <unordered_map>

#include "platform/runtime/Exception.h"

namespace rt {

namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string, Class*> byName;
  std::vector<Ref<Class>> all;  // keeps class objects alive for the whole process
};

// Never destroyed: objects may ask for their class while static destructors run.
Registry& registry() {
  static Registry* r = new Registry;
  return *r;
}

// Method tables are read on every dynamic call and changed only by registration and
// exchange; one lock keeps exchange atomic across two classes.
std::mutex& methodMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

void appendTypeWithOffset(std::string& out, const std::string& type, size_t& offset) {
  size_t size = 8, align = 8;
  sizeAndAlignment(type, &size, &align, SIZE_MAX);
  out += type;
  out += std::to_string(offset);
  offset += (size + 7) / 8 * 8;
  if (size == 0) offset += 8;
}

// Splits a full method encoding into its types, dropping the offsets.
std::vector<std::string> methodTypes(const std::string& enc) {
  std::vector<std::string> out;
  std::string_view e(enc);
  size_t i = 0;
  while (i < e.size()) {
    size_t len = encodingLength(e.substr(i));
    if (len == 0) break;
    out.emplace_back(e.substr(i, len));
    i += len;
    while (i < e.size() && (std::isdigit(static_cast<unsigned char>(e[i])) || e[i] == '-' || e[i] == '+')) ++i;
  }
  return out;
}

}  // namespace

std::string methodTypeEncoding(const std::string& returnType, const std::vector<std::string>& argTypes) {
  std::string args;
  size_t offset = 0;
  appendTypeWithOffset(args, "@", offset);
  appendTypeWithOffset(args, ":", offset);
  for (const auto& t : argTypes) appendTypeWithOffset(args, t, offset);
  return returnType + std::to_string(offset) + args;
}

std::string Method::returnType() const {
  auto t = methodTypes(typeEncoding);
  return t.empty() ? std::string() : t[0];
}
size_t Method::argumentCount() const {
  auto t = methodTypes(typeEncoding);
  return t.empty() ? 0 : t.size() - 1;
}
std::string Method::argumentType(size_t index) const {
  auto t = methodTypes(typeEncoding);
  return index + 1 < t.size() ? t[index + 1] : std::string();
}

Class* Class::define(Spec spec) {
  auto& reg = registry();
  auto cls = std::make_shared<Class>();
  auto meta = std::make_shared<Class>();
  cls->name_ = String(spec.name);
  cls->cname_ = spec.name;
  cls->super_ = spec.superclass;
  cls->factory_ = std::move(spec.factory);
  cls->instanceSize_ = spec.instanceSize;
  cls->platform_ = spec.platform;
  cls->meta_ = meta.get();
  meta->name_ = cls->name_;
  meta->cname_ = spec.name;
  meta->isMeta_ = true;
  meta->platform_ = spec.platform;
  meta->meta_ = meta.get();
  // The root metaclass inherits from the root class, so class objects answer instance
  // methods of the root class.
  meta->super_ = spec.superclass ? spec.superclass->meta_ : cls.get();
  std::lock_guard lock(reg.mutex);
  reg.byName.emplace(spec.name, cls.get());
  reg.all.push_back(cls);
  reg.all.push_back(meta);
  return cls.get();
}

const Class* Class::named(std::string_view name) {
  auto& reg = registry();
  std::lock_guard lock(reg.mutex);
  auto it = reg.byName.find(std::string(name));
  return it == reg.byName.end() ? nullptr : it->second;
}

std::vector<const Class*> Class::allClasses() {
  auto& reg = registry();
  std::lock_guard lock(reg.mutex);
  std::vector<const Class*> out;
  for (auto& c : reg.all)
    if (!c->isMeta_) out.push_back(c.get());
  return out;
}

const Class* Class::rootMeta() const {
  const Class* c = this;
  while (c->super_) c = c->super_;
  return c->meta_;
}

bool Class::isSubclassOfClass(const Class* other) const {
  for (const Class* c = this; c; c = c->super_)
    if (c == other) return true;
  return false;
}

Id Class::createInstance() const {
  if (abstract_) raise(name_, "Attempting to instantiate an abstract class. Use a concrete subclass instead.");
  return factory_ ? factory_() : nullptr;
}

Property& Class::addProperty(Property p) {
  propertyStore_.push_back(std::move(p));
  Property& stored = propertyStore_.back();
  propertyList_.push_back(&stored);
  const Property* handle = &stored;
  addOwnMethod(stored.getter, [handle](Object* self, const std::vector<Value>&) { return handle->get(*self); },
               methodTypeEncoding(stored.typeEncoding, {}));
  if (stored.set) {
    addOwnMethod(stored.setter, [handle](Object* self, const std::vector<Value>& args) {
      if (!args.empty()) handle->set(*self, args[0]);
      return Value();
    }, methodTypeEncoding("v", {stored.typeEncoding}));
  }
  return stored;
}

const Property* Class::propertyNamed(const String& name) const {
  {
    std::shared_lock lock(cacheMutex_);
    auto it = propertyCache_.find(name);
    if (it != propertyCache_.end()) return it->second;
  }
  const Property* found = nullptr;
  for (const Class* c = this; c && !found; c = c->super_)
    for (const Property* p : c->propertyList_)
      if (p->name == name) {
        found = p;
        break;
      }
  std::unique_lock lock(cacheMutex_);
  propertyCache_.emplace(name, found);
  return found;
}

Method* Class::ownMethod(Selector s) {
  for (auto& m : methodStore_)
    if (m.selector == s) return &m;
  return nullptr;
}

void Class::addOwnMethod(Selector s, Imp imp, std::string types) {
  std::lock_guard lock(methodMutex());
  if (Method* m = ownMethod(s)) {
    m->imp = std::move(imp);
    m->typeEncoding = std::move(types);
    return;
  }
  methodStore_.push_back(Method{s, std::move(types), std::move(imp)});
}

bool Class::addMethod(Selector s, Imp imp, std::string types) {
  std::lock_guard lock(methodMutex());
  if (ownMethod(s)) return false;
  methodStore_.push_back(Method{s, std::move(types), std::move(imp)});
  return true;
}

std::vector<const Method*> Class::methods() const {
  std::lock_guard lock(methodMutex());
  std::vector<const Method*> out;
  for (auto& m : methodStore_) out.push_back(&m);
  return out;
}

const Method* Class::instanceMethod(Selector s) const {
  std::lock_guard lock(methodMutex());
  for (const Class* c = this; c; c = c->super_)
    for (auto& m : c->methodStore_)
      if (m.selector == s) return &m;
  return nullptr;
}

const Method* Class::classMethod(Selector s) const {
  return isMeta_ ? instanceMethod(s) : meta_->instanceMethod(s);
}

void Class::exchangeImplementations(const Method* a, const Method* b) {
  if (!a || !b || a == b) return;
  std::lock_guard lock(methodMutex());
  std::swap(const_cast<Method*>(a)->imp, const_cast<Method*>(b)->imp);
}

Value Class::invoke(Object* target, Selector s, const std::vector<Value>& args) const {
  Imp imp;
  if (const Method* m = instanceMethod(s)) {
    std::lock_guard lock(methodMutex());
    imp = m->imp;
  }
  if (!imp)
    raise(InvalidArgumentException,
          String::format("-[%s %s]: unrecognized selector sent to instance %p", cName(), s.name(),
                         static_cast<const void*>(target)));
  return imp(target, args);
}

bool Class::conformsToProtocol(std::string_view name) const {
  for (const Class* c = this; c; c = c->super_)
    for (auto& p : c->protocols_)
      if (p == name) return true;
  return false;
}

void Class::setDependentKeys(const String& key, std::vector<String> affecting) {
  dependents_.emplace_back(key, std::move(affecting));
}

std::vector<String> Class::keyPathsForValuesAffectingValueForKey(const String& key) const {
  std::vector<String> out;
  for (const Class* c = this; c; c = c->super_)
    for (auto& [k, affecting] : c->dependents_)
      if (k == key) out.insert(out.end(), affecting.begin(), affecting.end());
  return out;
}

std::vector<String> Class::keysAffectedBy(const String& key) const {
  std::vector<String> out;
  for (const Class* c = this; c; c = c->super_)
    for (auto& [k, affecting] : c->dependents_)
      for (auto& a : affecting)
        if (a == key) out.push_back(k);
  return out;
}

bool Class::automaticallyNotifiesObserversForKey(const String& key) const {
  for (const Class* c = this; c; c = c->super_)
    for (auto& k : c->manualKeys_)
      if (k == key) return false;
  return true;
}

void Class::setSlot(const void* key, const Id& value) const {
  Id old;
  {
    std::lock_guard lock(mutex_);
    auto& slot = slots_[key];
    old = std::move(slot);
    slot = value;
    if (!value) slots_.erase(key);
  }
}

Id Class::slot(const void* key) const {
  std::lock_guard lock(mutex_);
  auto it = slots_.find(key);
  return it == slots_.end() ? nullptr : it->second;
}

PropertyBuilder& PropertyBuilder::attributes(std::string_view flags) {
  std::string ivar = "_";
  ivar += p_.name.utf8();
  p_.attributes = detail::attributeString(p_.typeEncoding, std::string(flags), ivar);
  return *this;
}

PropertyBuilder& PropertyBuilder::getterName(std::string_view name) {
  Class* owner = const_cast<Class*>(p_.owner);
  Selector old = p_.getter;
  p_.getter = Selector::named(name);
  {
    std::lock_guard lock(methodMutex());
    if (Method* m = owner->ownMethod(old)) m->selector = p_.getter;
  }
  p_.attributes.insert(p_.attributes.rfind(",V"), ",G" + std::string(name));
  return *this;
}

PropertyBuilder& PropertyBuilder::setterName(std::string_view name) {
  if (!p_.set) return *this;
  Class* owner = const_cast<Class*>(p_.owner);
  Selector old = p_.setter;
  p_.setter = Selector::named(name);
  {
    std::lock_guard lock(methodMutex());
    if (Method* m = owner->ownMethod(old)) m->selector = p_.setter;
  }
  p_.attributes.insert(p_.attributes.rfind(",V"), ",S" + std::string(name));
  return *this;
}

namespace detail {

std::string defaultFlags(const std::string& enc, bool readOnly, bool weak) {
  std::string flags;
  if (readOnly) flags += "R,";
  EncodingKind k = encodingKind(enc);
  if (weak) flags += "W,";
  else if (k == EncodingKind::Block || enc == "@\"NSString\"") flags += "C,";
  else if (k == EncodingKind::Object) flags += "&,";
  flags += "N";
  return flags;
}

std::string attributeString(const std::string& enc, const std::string& flags, std::string_view ivar) {
  std::string out = "T" + enc;
  if (!flags.empty()) out += "," + flags;
  out += ",V";
  out += ivar;
  return out;
}

std::string setterNameFor(std::string_view property) {
  std::string name(property);
  size_t i = 0;
  while (i < name.size() && name[i] == '_') ++i;  // "_grade" -> "set_grade:" keeps the underscore
  std::string out = "set" + name;
  if (i == 0 && !name.empty()) out[3] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return out + ":";
}

void raiseWrongType(const String& property, const Value& v) {
  raise(InvalidArgumentException,
        String::format("value of type %s is not acceptable for property %@", v.encoding().c_str(), property));
}

}  // namespace detail

}  // namespace rt
