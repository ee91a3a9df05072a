#include "base/foundation/Object+DUDer.h"

#include <map>

#include "platform/foundation/Log.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/Lock.h"
#include "platform/foundation/threads/Perform.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"

namespace base {
namespace {

std::optional<rt::Invocation> prepare(const rt::Id& target, rt::Selector selector, const std::vector<rt::Value>& args) {
  if (!target) return std::nullopt;
  auto inv = rt::Invocation::forTarget(target, selector);
  if (!inv) {
    rt::raise(rt::InvalidArgumentException,
              String::format("-[%@ %s]: unrecognized selector sent to instance %p", target->className(), selector.name(),
                             static_cast<const void*>(target.get())));
  }
  size_t count = inv->methodSignature().numberOfArguments();
  for (size_t i = 2; i < count && i - 2 < args.size(); ++i) inv->setArgument(args[i - 2], i);
  return inv;
}

std::string stripQualifiers(const std::string& type) {
  size_t i = 0;
  while (i < type.size() && std::string_view("NORVnor").find(type[i]) != std::string_view::npos) ++i;
  return type.substr(i);
}

// The observers of one object: tokens of its block observations by key path, in order.
class DRKVOBlockTable : public rt::Object {
  RT_CLASS(DRKVOBlockTable, rt::Object)
 public:
  void init() {}
  std::map<String, std::vector<uint64_t>> tokens;
};

const char kTableKey = 0;

DRKVOBlockTable& table(rt::Object& object) {
  auto t = rt::as<DRKVOBlockTable>(object.associatedObject(&kTableKey));
  if (!t) {
    t = rt::make<DRKVOBlockTable>();
    object.setAssociatedObject(&kTableKey, t, rt::AssociationPolicy::RetainNonatomic);
  }
  return *t;
}

rt::Id nullToNil(const rt::Id& v) { return fd::Null::isNull(v) ? nullptr : v; }

}  // namespace

RT_IMPLEMENT(DRKVOBlockTable) {}

rt::Id getReturnFromInv(const rt::Invocation& invocation) {
  const auto& sig = invocation.methodSignature();
  if (sig.methodReturnLength() == 0) return nullptr;
  const rt::Value& v = invocation.returnValue();
  std::string type = stripQualifiers(sig.returnType());
  if (type.empty()) return nullptr;
  switch (type[0]) {
    case '@':
    case '#': return v.object();
    case 'v': return nullptr;
    case 'B': return fd::Number::numberWithBool(v.boolValue());
    case 'c': return fd::Number::numberWithChar(char(v.intValue()));
    case 'C': return fd::Number::numberWithUnsignedChar((unsigned char)v.uintValue());
    case 's': return fd::Number::numberWithShort(int16_t(v.intValue()));
    case 'S': return fd::Number::numberWithUnsignedShort(uint16_t(v.uintValue()));
    case 'i':
    case 'l': return fd::Number::numberWithInt(int32_t(v.intValue()));
    case 'I':
    case 'L': return fd::Number::numberWithUnsignedInt(uint32_t(v.uintValue()));
    case 'q': return fd::Number::numberWithLongLong(v.intValue());
    case 'Q': return fd::Number::numberWithUnsignedLongLong(v.uintValue());
    case 'f': return fd::Number::numberWithFloat(float(v.doubleValue()));
    case 'd':
    case 'D': return fd::Number::numberWithDouble(v.doubleValue());
    default: {
      std::vector<uint8_t> bytes(sig.methodReturnLength(), 0);
      if (v.kind() == rt::Value::Kind::Struct) std::memcpy(bytes.data(), v.bytes().data(), std::min(bytes.size(), v.bytes().size()));
      return fd::ValueBox::create(bytes.data(), bytes.size(), sig.returnType());
    }
  }
}

rt::Id performSelectorWithArgs(const rt::Id& target, rt::Selector selector, const std::vector<rt::Value>& args) {
  auto inv = prepare(target, selector, args);
  if (!inv) return nullptr;
  inv->invoke();
  return getReturnFromInv(*inv);
}

void performSelectorWithArgsAfterDelay(const rt::Id& target, rt::Selector selector, const std::vector<rt::Value>& args,
                                       double delay) {
  auto inv = prepare(target, selector, args);
  if (!inv) return;
  // The invocation holds target and arguments until it runs.
  fd::performAfterDelay(target, [inv = *inv](const rt::Id&) mutable { inv.invoke(); }, nullptr, delay);
}

rt::Id performSelectorWithArgsOnThread(const rt::Id& target, rt::Selector selector, const std::vector<rt::Value>& args,
                                       const Ref<fd::Thread>& thread, bool wait) {
  auto inv = prepare(target, selector, args);
  if (!inv || !thread) return nullptr;
  auto shared = std::make_shared<rt::Invocation>(std::move(*inv));
  fd::performOnThread(target, [shared](const rt::Id&) { shared->invoke(); }, nullptr, thread, wait);
  return wait ? getReturnFromInv(*shared) : nullptr;
}

rt::Id performSelectorWithArgsOnMainThread(const rt::Id& target, rt::Selector selector,
                                           const std::vector<rt::Value>& args, bool wait) {
  auto inv = prepare(target, selector, args);
  if (!inv) return nullptr;
  auto shared = std::make_shared<rt::Invocation>(std::move(*inv));
  fd::performOnMainThread(target, [shared](const rt::Id&) { shared->invoke(); }, nullptr, wait);
  return wait ? getReturnFromInv(*shared) : nullptr;
}

void performSelectorWithArgsInBackground(const rt::Id& target, rt::Selector selector,
                                         const std::vector<rt::Value>& args) {
  auto inv = prepare(target, selector, args);
  if (!inv) return;
  fd::performInBackground(target, [inv = *inv](const rt::Id&) mutable { inv.invoke(); }, nullptr);
}

bool swizzleInstanceMethod(rt::Class& cls, rt::Selector original, rt::Selector replacement) {
  const rt::Method* a = cls.instanceMethod(original);
  const rt::Method* b = cls.instanceMethod(replacement);
  if (!a || !b) return false;
  // Copies first: adding methods may move the method store.
  rt::Imp aImp = a->imp, bImp = b->imp;
  std::string aTypes = a->typeEncoding, bTypes = b->typeEncoding;
  cls.addMethod(original, aImp, aTypes);
  cls.addMethod(replacement, bImp, bTypes);
  rt::Class::exchangeImplementations(cls.instanceMethod(original), cls.instanceMethod(replacement));
  return true;
}

bool swizzleClassMethod(rt::Class& cls, rt::Selector original, rt::Selector replacement) {
  const rt::Class* meta = cls.metaclass();
  if (!meta) return false;
  const rt::Method* a = meta->instanceMethod(original);
  const rt::Method* b = meta->instanceMethod(replacement);
  if (!a || !b) return false;
  rt::Class::exchangeImplementations(a, b);
  return true;
}

void setAssociateValue(rt::Object& object, const void* key, const rt::Id& value) {
  object.setAssociatedObject(key, value, rt::AssociationPolicy::RetainNonatomic);
}

void setAssociateWeakValue(rt::Object& object, const void* key, const rt::Id& value) {
  object.setAssociatedObject(key, value, rt::AssociationPolicy::Assign);
}

rt::Id getAssociatedValueForKey(const rt::Object& object, const void* key) { return object.associatedObject(key); }

void removeAssociatedValues(rt::Object& object) { object.removeAssociatedObjects(); }

rt::Id deepCopy(const rt::Id& object) {
  try {
    auto data = fd::KeyedArchiver::archivedDataWithRootObject(object);
    if (!data) return nullptr;
    return fd::KeyedUnarchiver::unarchiveObjectWithData(data);
  } catch (const rt::Exception& e) {
    fd::NSLog("%@", String(e.what()));
    return nullptr;
  }
}

rt::Id deepCopyWithArchiver(const rt::Id& object, const rt::Class* archiverClass, const rt::Class* unarchiverClass) {
  if (!archiverClass || !archiverClass->isSubclassOfClass(fd::KeyedArchiver::classObject()) || !unarchiverClass ||
      !unarchiverClass->isSubclassOfClass(fd::KeyedUnarchiver::classObject())) {
    fd::NSLog("%@", String("deepCopyWithArchiver: the classes must be a keyed archiver and a keyed unarchiver"));
    return nullptr;
  }
  try {
    auto archiver = rt::as<fd::KeyedArchiver>(archiverClass->createInstance());
    auto unarchiver = rt::as<fd::KeyedUnarchiver>(unarchiverClass->createInstance());
    if (!archiver || !unarchiver) return nullptr;
    archiver->encodeObject(object, "root");
    auto data = archiver->encodedData();
    Ref<fd::Error> error;
    // The unarchiver's plain initialiser reads nothing: the data goes to the reading one.
    if (!data || !unarchiver->init(data, &error)) {
      fd::NSLog("%@", error ? error->description() : String("deepCopyWithArchiver: no archive"));
      return nullptr;
    }
    rt::Id copy = unarchiver->decodeObjectForKey("root");
    unarchiver->finishDecoding();
    return copy;
  } catch (const rt::Exception& e) {
    fd::NSLog("%@", String(e.what()));
    return nullptr;
  }
}

namespace {

/// The references arcDebugRetain took, kept on the object itself: the holder's references to
/// its object (one a retain) are what keep the object alive.
class ManualRetains : public rt::Object {
  RT_CLASS_NAMED(ManualRetains, rt::Object, "_DRManualRetains")
 public:
  std::vector<rt::Id> references;
};

const char kManualRetainsKey = 0;

}  // namespace

RT_IMPLEMENT(ManualRetains) {}

rt::Id arcDebugRetain(const rt::Id& object) {
  if (!object) return nullptr;
  fd::Synchronized monitor(object.get());
  auto retains = rt::as<ManualRetains>(object->associatedObject(&kManualRetainsKey));
  if (!retains) {
    retains = rt::make<ManualRetains>();
    object->setAssociatedObject(&kManualRetainsKey, retains, rt::AssociationPolicy::RetainNonatomic);
  }
  retains->references.push_back(object);
  return object;
}

void arcDebugRelease(const rt::Id& object) {
  if (!object) return;
  fd::Synchronized monitor(object.get());
  auto retains = rt::as<ManualRetains>(object->associatedObject(&kManualRetainsKey));
  if (!retains || retains->references.empty()) return;
  retains->references.pop_back();
  if (retains->references.empty())
    object->setAssociatedObject(&kManualRetainsKey, nullptr, rt::AssociationPolicy::RetainNonatomic);
}

rt::Id arcDebugAutorelease(const rt::Id& object) {
  rt::Id kept = object;
  arcDebugRelease(object);
  return kept;
}

int64_t arcDebugRetainCount(rt::Id object) {
  if (!object) return 0;
  return static_cast<int64_t>(object.use_count()) - 1;
}

void addObserverBlockForKeyPath(rt::Object& object, const String& keyPath, DRKVOBlock block) {
  if (keyPath.isEmpty() || !block) return;
  uint64_t token = object.observe(keyPath, 3, [block = std::move(block)](rt::Object* o, const rt::KeyValueChange& c) {
    if (c.isPrior || c.kind != rt::KeyValueChangeKind::Setting) return;
    block(o, nullToNil(c.oldValue), nullToNil(c.newValue));
  });
  table(object).tokens[keyPath].push_back(token);
}

void removeObserverBlocksForKeyPath(rt::Object& object, const String& keyPath) {
  auto& t = table(object);
  auto it = t.tokens.find(keyPath);
  if (it == t.tokens.end()) return;
  for (uint64_t token : it->second) object.removeObservation(token);
  t.tokens.erase(it);
}

void removeObserverBlocks(rt::Object& object) {
  auto& t = table(object);
  for (const auto& [keyPath, tokens] : t.tokens) {
    for (uint64_t token : tokens) object.removeObservation(token);
  }
  t.tokens.clear();
}

}  // namespace base
