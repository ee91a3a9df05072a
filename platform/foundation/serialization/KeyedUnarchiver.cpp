#include "platform/foundation/serialization/KeyedUnarchiver.h"

#include <plist/plist.h>

#include <cstdlib>
#include <exception>
#include <limits>
#include <memory>
#include <unordered_set>
#include <utility>

#include "platform/foundation/serialization/PlistPtr.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/IndexSet.h"
#include "platform/foundation/serialization/KeyedArchiveFormat.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace fd {

namespace {

const std::unordered_set<std::string>& valueClassNames() {
  static const std::unordered_set<std::string> names = {
      "NSMutableString", "NSDecimalNumber", "NSNumber",        "NSValue",      "NSMutableData",
      "NSDate",          "NSNull",          "NSArray",         "NSMutableArray", "NSDictionary",
      "NSMutableDictionary", "NSSet",       "NSMutableSet",    "NSURL",        "NSIndexSet",
      "NSMutableIndexSet", "NSError"};
  return names;
}

std::optional<std::string> stringOf(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(node, &length);
  return text ? std::string(text, length) : std::string();
}

std::optional<int64_t> integerOf(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
  uint64_t v = 0;
  plist_get_uint_val(node, &v);
  return static_cast<int64_t>(v);
}

std::vector<plist_t> itemsOf(plist_t array) {
  std::vector<plist_t> items;
  if (!array || plist_get_node_type(array) != PLIST_ARRAY) return items;
  plist_array_iter it = nullptr;
  plist_array_new_iter(array, &it);
  for (;;) {
    plist_t item = nullptr;
    plist_array_next_item(array, it, &item);
    if (!item) break;
    items.push_back(item);
  }
  std::free(it);
  return items;
}

String classList(const std::vector<const Class*>& classes) {
  String out;
  for (size_t i = 0; i < classes.size(); ++i) {
    if (i) out.append(", ");
    out.append(classes[i]->name());
  }
  return out;
}

Ref<Error> corrupt(int64_t code, const String& reason) {
  return Error::create(NSCocoaErrorDomain, code,
                       Dictionary::withStrings({
                           {NSLocalizedDescriptionKey,
                            box(String("The data couldn’t be read because it isn’t in the correct format."))},
                           {NSDebugDescriptionErrorKey, box(reason)},
                       }));
}

}  // namespace

struct KeyedUnarchiver::Decoding {
  enum State : uint8_t { Pending, InProgress, Done };
  PlistPtr root;
  plist_t current = nullptr;  // the coded values being read
  std::vector<plist_t> objects;
  std::vector<Id> made;
  std::vector<uint64_t> started;  // objects in the order their decoding began
  std::vector<State> state;
  unsigned depth = 0;
};

namespace {

// Restores the values being read when a nested object is done, however it ends.
class CurrentScope {
 public:
  CurrentScope(plist_t& slot, plist_t node) : slot_(slot), saved_(slot) { slot_ = node; }
  ~CurrentScope() { slot_ = saved_; }

 private:
  plist_t& slot_;
  plist_t saved_;
};

}  // namespace

bool KeyedUnarchiver::init(const Ref<Data>& data, Ref<Error>* error) {
  auto refuse = [&](const char* why) {
    setError(error, corrupt(CoderReadCorruptError, String::format("incomprehensible archive: %s", why)));
    return false;
  };
  if (!data || data->length() == 0) return refuse("no data");
  if (data->length() > std::numeric_limits<uint32_t>::max()) return refuse("too large");
  const char* bytes = reinterpret_cast<const char*>(data->bytes());
  auto length = static_cast<uint32_t>(data->length());
  if (!plist_is_binary(bytes, length)) return refuse("not a binary property list");
  plist_t root = nullptr;
  plist_from_bin(bytes, length, &root);
  auto d = std::make_unique<Decoding>();
  d->root.reset(root);
  if (!root || plist_get_node_type(root) != PLIST_DICT) return refuse("malformed property list");
  auto format = stringOf(plist_dict_get_item(root, archive::kFormatKey));
  auto version = integerOf(plist_dict_get_item(root, archive::kVersionKey));
  plist_t top = plist_dict_get_item(root, archive::kTopKey);
  plist_t objects = plist_dict_get_item(root, archive::kObjectsKey);
  if (!format || *format != archive::kFormatName || !version || *version != archive::kVersion || !top ||
      plist_get_node_type(top) != PLIST_DICT || !objects || plist_get_node_type(objects) != PLIST_ARRAY)
    return refuse("not a keyed archive");
  d->current = top;
  d->objects = itemsOf(objects);
  if (d->objects.empty()) return refuse("no objects");
  d->made.resize(d->objects.size());
  d->state.resize(d->objects.size(), Decoding::Pending);
  decoding_ = d.release();
  return true;
}

KeyedUnarchiver::~KeyedUnarchiver() { delete decoding_; }

unsigned KeyedUnarchiver::depth() const { return decoding_ ? decoding_->depth : 0; }

Ref<KeyedUnarchiver> KeyedUnarchiver::createForReadingFromData(const Ref<Data>& data, Ref<Error>* error) {
  auto u = rt::make<KeyedUnarchiver>(data, error);
  if (!u) return nullptr;
  u->secure_ = true;
  u->policy_ = DecodingFailurePolicy::SetErrorAndReturn;
  return u;
}

Id KeyedUnarchiver::unarchiveObjectWithData(const Ref<Data>& data) {
  Ref<Error> error;
  auto u = rt::make<KeyedUnarchiver>(data, &error);
  if (!u) {
    auto reason = stringValue(error->userInfo()->objectForKey(String(NSDebugDescriptionErrorKey)));
    rt::raise(rt::InvalidArgumentException, "*** -[NSKeyedUnarchiver initForReadingWithData:]: " +
                                                (reason ? *reason : String("incomprehensible archive")));
  }
  Id root = u->decodeObjectForKey("root");
  u->finishDecoding();
  return root;
}

Id KeyedUnarchiver::unarchivedObjectOfClass(const Class* cls, const Ref<Data>& data, Ref<Error>* error) {
  return unarchivedObjectOfClasses({cls}, data, error);
}

Id KeyedUnarchiver::unarchivedObjectOfClasses(const std::vector<const Class*>& classes, const Ref<Data>& data,
                                              Ref<Error>* error) {
  auto u = createForReadingFromData(data, error);
  if (!u) return nullptr;
  Id root;
  try {
    root = u->decodeObjectOfClasses(classes, "root");
  } catch (const rt::Exception& e) {  // a class's own decoding may still raise
    setError(error, corrupt(CoderReadCorruptError, e.reason()));
    return nullptr;
  }
  if (u->error()) {
    setError(error, u->error());
    return nullptr;
  }
  if (!root && !u->containsValueForKey("root")) {
    setError(error, corrupt(CoderValueNotFoundError, "value for key 'root' not found"));
    return nullptr;
  }
  u->finishDecoding();
  return root;
}

Id KeyedUnarchiver::fail(int64_t code, const String& reason) {
  if (policy_ == DecodingFailurePolicy::RaiseException) rt::raise(rt::InvalidUnarchiveOperationException, reason);
  if (!error_) error_ = corrupt(code, reason);
  return nullptr;
}

void KeyedUnarchiver::failWithError(const Ref<Error>& error) {
  if (policy_ == DecodingFailurePolicy::RaiseException)
    rt::raise(rt::InvalidUnarchiveOperationException, error ? error->localizedDescription() : String("decoding failed"));
  if (!error_) error_ = error;
}

void* KeyedUnarchiver::lookup(const String& key) const {
  if (!decoding_ || finished_ || !decoding_->current) return nullptr;
  return plist_dict_get_item(decoding_->current, archive::storedKey(key).c_str());
}

bool KeyedUnarchiver::containsValueForKey(const String& key) const { return lookup(key) != nullptr; }

Id KeyedUnarchiver::decodeObjectForKey(const String& key) {
  if (error_) return nullptr;
  void* node = lookup(key);
  return node ? decodeReference(node, nullptr, key) : nullptr;
}

Id KeyedUnarchiver::decodeObjectOfClass(const Class* cls, const String& key) {
  return decodeObjectOfClasses({cls}, key);
}

Id KeyedUnarchiver::decodeObjectOfClasses(const std::vector<const Class*>& classes, const String& key) {
  if (error_) return nullptr;
  void* node = lookup(key);
  if (!node) return nullptr;
  // Only the caller's own list bounds the graph: a class decoding its members may narrow what
  // it accepts for a key, never widen what the archive may hold.
  if (decoding_->depth > 0) return decodeReference(node, &classes, key);
  struct Restore {
    std::vector<const Class*>& slot;
    std::vector<const Class*> saved;
    ~Restore() { slot = std::move(saved); }
  } restore{allowed_, std::exchange(allowed_, classes)};
  return decodeReference(node, &classes, key);
}

Id KeyedUnarchiver::decodeReference(void* node, const std::vector<const Class*>* check, const String& key) {
  auto n = static_cast<plist_t>(node);
  if (plist_get_node_type(n) != PLIST_UID)
    return fail(CoderReadCorruptError, String::format("value for key '%@' is not an object", key));
  uint64_t uid = 0;
  plist_get_uid_val(n, &uid);
  // Nothing made for a top-level object that fails is handed out, but mutable containers made
  // before their contents may already hold each other: they are emptied so that they can go.
  struct Release {
    KeyedUnarchiver& u;
    bool topLevel;
    size_t mark;
    bool hadError;
    int raising;
    ~Release() {
      const bool failed = (!hadError && u.error_) || std::uncaught_exceptions() > raising;
      if (!topLevel || !failed) return;
      Decoding& d = *u.decoding_;
      for (size_t i = mark; i < d.started.size(); ++i) {
        const Id& made = d.made[d.started[i]];
        if (auto array = rt::as<MutableArray>(made)) array->removeAllObjects();
        else if (auto set = rt::as<MutableSet>(made)) set->removeAllObjects();
        else if (auto dict = rt::as<MutableDictionary>(made)) dict->removeAllObjects();
      }
    }
  } release{*this, decoding_->depth == 0, decoding_->started.size(), error_ != nullptr, std::uncaught_exceptions()};
  Id object = decodeUID(uid);
  if (error_) return nullptr;
  if (object && check) {
    bool ok = false;
    for (const Class* c : *check) ok = ok || object->isKindOfClass(c);
    if (!ok)
      return fail(CoderReadCorruptError,
                  String::format("value for key '%@' was of unexpected class '%@'. Allowed classes are '{(%@)}'.", key,
                                 object->className(), classList(*check)));
  }
  return object;
}

Id KeyedUnarchiver::decodeUID(uint64_t uid) {
  Decoding& d = *decoding_;
  if (uid == 0) return nullptr;
  if (uid >= d.objects.size()) return fail(CoderReadCorruptError, "object reference out of range");
  if (d.state[uid] == Decoding::Done) return d.made[uid];
  if (d.state[uid] == Decoding::InProgress) {
    // Objects made before their contents (model objects, mutable containers) can be reached
    // again while they are being filled in; others cannot hold themselves.
    if (d.made[uid] && cycles_) return d.made[uid];
    return fail(CoderReadCorruptError, cycles_ ? "archive holds a cycle through immutable values"
                                               : "archive holds a cycle");
  }
  if (d.depth >= maxDepth_) return fail(CoderReadCorruptError, "archive nested too deeply");
  plist_t node = d.objects[uid];
  // Every object of the graph passes here, so this is where secure decoding checks it: before
  // anything is made of it, whoever asked for it.
  if (secure_) {
    const Class* cls = codedClass(node);
    if (cls && !classAllowed(cls))
      return fail(CoderReadCorruptError,
                  String::format("value of class '%@' is not allowed in this secure decoding. Allowed classes are "
                                 "'{(%@)}'.",
                                 cls->name(), classList(allowed_)));
  }
  d.state[uid] = Decoding::InProgress;
  d.started.push_back(uid);
  ++d.depth;
  struct Leave {
    unsigned& depth;
    ~Leave() { --depth; }
  } leave{d.depth};
  Id object;
  auto className = plist_get_node_type(node) == PLIST_DICT ? stringOf(plist_dict_get_item(node, archive::kClassKey))
                                                           : std::nullopt;
  if (className && !valueClassNames().count(*className)) object = decodeCustom(uid, node, *className);
  else object = decodeValueObject(uid, node);
  if (error_) return nullptr;
  if (object) {
    if (auto delegate = delegate_.lock()) object = delegate->didDecodeObject(*this, object);
  }
  d.made[uid] = object;
  d.state[uid] = Decoding::Done;
  return object;
}

Id KeyedUnarchiver::decodeValueObject(uint64_t uid, void* raw) {
  auto node = static_cast<plist_t>(raw);
  auto bad = [&](const char* what) {
    return fail(CoderReadCorruptError, String::format("incomprehensible archive: malformed %s", what));
  };
  switch (plist_get_node_type(node)) {
    case PLIST_STRING: return StringObject::create(String(*stringOf(node)));
    case PLIST_UINT: return Number::numberWithLongLong(*integerOf(node));
    case PLIST_REAL: {
      double v = 0;
      plist_get_real_val(node, &v);
      return Number::numberWithDouble(v);
    }
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return Number::numberWithBool(b != 0);
    }
    case PLIST_DATA: {
      uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      return Data::create(bytes, bytes ? length : 0);
    }
    case PLIST_DICT: break;
    default: return bad("object");
  }
  auto className = stringOf(plist_dict_get_item(node, archive::kClassKey));
  if (!className) return bad("object");
  const std::string& name = *className;
  auto field = [&](const char* key) { return plist_dict_get_item(node, key); };
  // Elements of collections; false after a failure.
  auto elements = [&](const char* key, std::vector<Id>& out) {
    plist_t list = field(key);
    if (!list || plist_get_node_type(list) != PLIST_ARRAY) return false;
    for (plist_t item : itemsOf(list)) {
      if (plist_get_node_type(item) != PLIST_UID) return false;
      uint64_t ref = 0;
      plist_get_uid_val(item, &ref);
      Id element = decodeUID(ref);
      if (!element) return false;
      out.push_back(std::move(element));
    }
    return true;
  };

  if (name == "NSMutableString") {
    auto s = stringOf(field("string"));
    return s ? MutableStringObject::create(String(*s)) : bad("string");
  }
  if (name == "NSDecimalNumber") {
    auto s = stringOf(field("string"));
    return s ? DecimalNumber::decimalNumberWithString(String(*s)) : bad("decimal number");
  }
  if (name == "NSNumber") {
    auto v = integerOf(field("unsigned"));
    return v ? Number::numberWithUnsignedLongLong(static_cast<uint64_t>(*v)) : bad("number");
  }
  if (name == "NSValue") {
    auto type = stringOf(field("type"));
    plist_t bytes = field("bytes");
    if (!type || !bytes || plist_get_node_type(bytes) != PLIST_DATA) return bad("value");
    uint64_t length = 0;
    const char* p = plist_get_data_ptr(bytes, &length);
    size_t size = 0, align = 0;
    if (!rt::sizeAndAlignment(*type, &size, &align, 1 << 16) || size != length) return bad("value");
    return ValueBox::create(p, length, *type);
  }
  if (name == "NSMutableData") {
    plist_t bytes = field("bytes");
    if (!bytes || plist_get_node_type(bytes) != PLIST_DATA) return bad("data");
    uint64_t length = 0;
    const char* p = plist_get_data_ptr(bytes, &length);
    return MutableData::create(p, p ? length : 0);
  }
  if (name == "NSDate") {
    plist_t t = field("time");
    if (!t || plist_get_node_type(t) != PLIST_REAL) return bad("date");
    double v = 0;
    plist_get_real_val(t, &v);
    return Date::dateWithTimeIntervalSinceReferenceDate(v);
  }
  if (name == "NSNull") return Null::null();
  if (name == "NSMutableArray" || name == "NSMutableSet" || name == "NSMutableDictionary") {
    // Made first, so that members may refer back to their container.
    Id container;
    if (name == "NSMutableArray") container = MutableArray::create();
    else if (name == "NSMutableSet") container = MutableSet::create();
    else container = MutableDictionary::create();
    decoding_->made[uid] = container;
    std::vector<Id> items, values;
    if (name == "NSMutableDictionary") {
      if (!elements("keys", items) || !elements("values", values) || items.size() != values.size())
        return error_ ? nullptr : bad("dictionary");
      auto dict = rt::as<MutableDictionary>(container);
      for (size_t i = 0; i < items.size(); ++i) dict->setObjectForKey(values[i], items[i]);
      return container;
    }
    if (!elements("items", items)) return error_ ? nullptr : bad("collection");
    if (auto array = rt::as<MutableArray>(container)) array->setArray(std::move(items));
    else for (const Id& item : items) rt::as<MutableSet>(container)->addObject(item);
    return container;
  }
  if (name == "NSArray" || name == "NSSet") {
    std::vector<Id> items;
    if (!elements("items", items)) return error_ ? nullptr : bad("collection");
    if (name == "NSArray") return Array::create(std::move(items));
    return Set::create(std::move(items));
  }
  if (name == "NSDictionary") {
    std::vector<Id> keys, values;
    if (!elements("keys", keys) || !elements("values", values) || keys.size() != values.size())
      return error_ ? nullptr : bad("dictionary");
    std::vector<Dictionary::Entry> entries;
    entries.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) entries.emplace_back(std::move(keys[i]), std::move(values[i]));
    return Dictionary::create(std::move(entries));
  }
  if (name == "NSURL") {
    auto relative = stringOf(field("relative"));
    if (!relative) return bad("URL");
    Ref<URL> base;
    if (plist_t b = field("base")) {
      uint64_t ref = 0;
      if (plist_get_node_type(b) != PLIST_UID) return bad("URL");
      plist_get_uid_val(b, &ref);
      base = rt::as<URL>(decodeUID(ref));
      if (!base) return error_ ? nullptr : bad("URL");
    }
    Ref<URL> url = URL::URLWithString(String(*relative), base);
    return url ? url : bad("URL");
  }
  if (name == "NSIndexSet" || name == "NSMutableIndexSet") {
    auto indexes = MutableIndexSet::create();
    std::vector<plist_t> numbers = itemsOf(field("ranges"));
    if (numbers.size() % 2) return bad("index set");
    for (size_t i = 0; i < numbers.size(); i += 2) {
      auto location = integerOf(numbers[i]), length = integerOf(numbers[i + 1]);
      if (!location || !length || *location < 0 || *length < 0) return bad("index set");
      indexes->addIndexesInRange(Range{static_cast<uint64_t>(*location), static_cast<uint64_t>(*length)});
    }
    if (name == "NSMutableIndexSet") return indexes;
    return indexes->copy();
  }
  if (name == "NSError") {
    auto domain = stringOf(field("domain"));
    auto code = integerOf(field("code"));
    plist_t info = field("userInfo");
    if (!domain || !code || !info || plist_get_node_type(info) != PLIST_UID) return bad("error");
    uint64_t ref = 0;
    plist_get_uid_val(info, &ref);
    Id userInfo = decodeUID(ref);
    if (error_) return nullptr;
    auto dict = rt::as<Dictionary>(userInfo);
    if (userInfo && !dict) return bad("error");
    return Error::create(String(*domain), *code, dict);
  }
  return bad("object");
}

bool KeyedUnarchiver::classAllowed(const Class* cls) const {
  for (const Class* c : allowed_)
    if (cls->isSubclassOfClass(c)) return true;
  return false;
}

const Class* KeyedUnarchiver::codedClass(void* raw) {
  auto node = static_cast<plist_t>(raw);
  switch (plist_get_node_type(node)) {
    case PLIST_STRING: return StringObject::classObject();
    case PLIST_UINT:
    case PLIST_REAL:
    case PLIST_BOOLEAN: return Number::classObject();
    case PLIST_DATA: return Data::classObject();
    case PLIST_DICT: {
      auto name = stringOf(plist_dict_get_item(node, archive::kClassKey));
      return name ? Class::named(*name) : nullptr;
    }
    default: return nullptr;
  }
}

Id KeyedUnarchiver::decodeCustom(uint64_t uid, void* node, const std::string& className) {
  const Class* cls = Class::named(className);
  if (!cls)
    return fail(CoderReadCorruptError,
                String::format("cannot decode object of class (%s): the class is not known", className.c_str()));
  if (secure_ && !supportsSecureCoding(cls))
    return fail(CoderReadCorruptError, String::format("class '%@' does not support secure coding", cls->name()));
  CurrentScope scope(decoding_->current, static_cast<plist_t>(node));
  if (DecodeFactory factory = registeredDecoder(cls)) return factory(*this);
  Id instance = cls->createInstance();
  auto coding = dynamic_cast<Coding*>(instance.get());
  if (!coding)
    return fail(CoderReadCorruptError, String::format("class '%@' cannot be decoded", cls->name()));
  decoding_->made[uid] = instance;  // reachable from its own members from here on
  if (!coding->initWithCoder(*this)) return nullptr;
  return instance;
}

bool KeyedUnarchiver::decodeBool(const String& key) {
  auto node = static_cast<plist_t>(lookup(key));
  if (!node || error_) return false;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return b != 0;
    }
    case PLIST_UINT: return *integerOf(node) != 0;
    default: fail(CoderReadCorruptError, String::format("value for key '%@' is not a boolean", key)); return false;
  }
}

int64_t KeyedUnarchiver::decodeInt64(const String& key) {
  auto node = static_cast<plist_t>(lookup(key));
  if (!node || error_) return 0;
  switch (plist_get_node_type(node)) {
    case PLIST_UINT: return *integerOf(node);
    case PLIST_BOOLEAN: return decodeBool(key) ? 1 : 0;
    case PLIST_REAL: {
      double v = 0;
      plist_get_real_val(node, &v);
      if (v >= -9223372036854775808.0 && v < 9223372036854775808.0) return static_cast<int64_t>(v);
      break;
    }
    default: break;
  }
  fail(CoderReadCorruptError, String::format("value for key '%@' is not a 64-bit integer", key));
  return 0;
}

int32_t KeyedUnarchiver::decodeInt32(const String& key) {
  int64_t v = decodeInt64(key);
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    fail(CoderReadCorruptError, String::format("value (%lld) for key '%@' too large to fit in 32-bit integer",
                                               static_cast<long long>(v), key));
    return 0;
  }
  return static_cast<int32_t>(v);
}

double KeyedUnarchiver::decodeDouble(const String& key) {
  auto node = static_cast<plist_t>(lookup(key));
  if (!node || error_) return 0;
  switch (plist_get_node_type(node)) {
    case PLIST_REAL: {
      double v = 0;
      plist_get_real_val(node, &v);
      return v;
    }
    case PLIST_UINT: return static_cast<double>(*integerOf(node));
    default: fail(CoderReadCorruptError, String::format("value for key '%@' is not a number", key)); return 0;
  }
}

std::vector<uint8_t> KeyedUnarchiver::decodeBytes(const String& key) {
  auto node = static_cast<plist_t>(lookup(key));
  if (!node || error_) return {};
  if (plist_get_node_type(node) != PLIST_DATA) {
    fail(CoderReadCorruptError, String::format("value for key '%@' is not bytes", key));
    return {};
  }
  uint64_t length = 0;
  const char* p = plist_get_data_ptr(node, &length);
  if (!p) return {};
  return std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(p), reinterpret_cast<const uint8_t*>(p) + length);
}

void KeyedUnarchiver::finishDecoding() { finished_ = true; }

RT_IMPLEMENT_PLATFORM(KeyedUnarchiver) {}

}  // namespace fd
