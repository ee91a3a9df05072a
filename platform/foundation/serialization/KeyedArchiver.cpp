#include "platform/foundation/serialization/KeyedArchiver.h"

#include <plist/plist.h>

#include <limits>
#include <memory>

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

plist_t newString(const String& s) { return plist_new_string(s.utf8().c_str()); }

// A dictionary node for a value object of class `name`.
PlistPtr classed(const char* name) {
  PlistPtr d(plist_new_dict());
  plist_dict_set_item(d.get(), archive::kClassKey, plist_new_string(name));
  return d;
}

void set(const PlistPtr& dict, const char* key, plist_t value) { plist_dict_set_item(dict.get(), key, value); }

}  // namespace

void KeyedArchiver::init(bool requiringSecureCoding) {
  secure_ = requiringSecureCoding;
  top_ = plist_new_dict();
  current_ = top_;
  objects_.push_back(plist_new_string(archive::kNullMarker));
}

KeyedArchiver::~KeyedArchiver() {
  if (!finished_) {
    plist_free(static_cast<plist_t>(top_));
    for (void* node : objects_)
      if (node) plist_free(static_cast<plist_t>(node));
  }
}

Ref<Data> KeyedArchiver::archivedDataWithRootObject(const Id& root, bool requiringSecureCoding, Ref<Error>* error) {
  auto archiver = rt::make<KeyedArchiver>(requiringSecureCoding);
  try {
    archiver->encodeObject(root, "root");
    return archiver->encodedData();
  } catch (const rt::Exception& e) {
    setError(error, Error::create(NSCocoaErrorDomain, CoderInvalidValueError,
                                  Dictionary::withStrings({
                                      {NSLocalizedDescriptionKey,
                                       box(String("The data couldn’t be written because it isn’t in the correct format."))},
                                      {NSDebugDescriptionErrorKey, box(e.reason())},
                                  })));
    return nullptr;
  }
}

Ref<Data> KeyedArchiver::archivedDataWithRootObject(const Id& root) {
  auto archiver = rt::make<KeyedArchiver>(false);
  archiver->encodeObject(root, "root");
  return archiver->encodedData();
}

void KeyedArchiver::put(const String& key, void* node) {
  if (finished_) {
    plist_free(static_cast<plist_t>(node));
    rt::raise(rt::InvalidArchiveOperationException, "Encoding after the archive was finished");
  }
  plist_dict_set_item(static_cast<plist_t>(current_), archive::storedKey(key).c_str(), static_cast<plist_t>(node));
}

void KeyedArchiver::encodeObject(const Id& object, const String& key) {
  uint64_t uid = reference(object);
  put(key, plist_new_uid(uid));
}

void KeyedArchiver::encodeBool(bool value, const String& key) { put(key, plist_new_bool(value)); }

void KeyedArchiver::encodeInt32(int32_t value, const String& key) { encodeInt64(value, key); }

void KeyedArchiver::encodeInt64(int64_t value, const String& key) { put(key, plist_new_uint(static_cast<uint64_t>(value))); }

void KeyedArchiver::encodeDouble(double value, const String& key) { put(key, plist_new_real(value)); }

void KeyedArchiver::encodeBytes(const void* bytes, size_t length, const String& key) {
  put(key, plist_new_data(static_cast<const char*>(bytes), length));
}

uint64_t KeyedArchiver::reference(const Id& original) {
  if (!original) return 0;
  Id object = original;
  if (auto found = replacements_.find(original.get()); found != replacements_.end()) {
    object = found->second;
  } else if (auto d = delegate_.lock()) {
    object = d->willEncodeObject(*this, original);
    replacements_.emplace(original.get(), object);
    retained_.push_back(original);  // its address stays a valid key
  }
  if (!object) return 0;
  if (auto found = uids_.find(object.get()); found != uids_.end()) return found->second;

  if (depth_ >= maxDepth_)
    rt::raise(rt::InvalidArchiveOperationException, "Object graph nested too deeply to archive");
  uint64_t uid = objects_.size();
  uids_.emplace(object.get(), uid);
  retained_.push_back(object);
  objects_.push_back(nullptr);  // filled below; references to it may be made meanwhile
  ++depth_;
  void* node = nullptr;
  try {
    node = encodeNode(object.get());
    if (!node) node = encodeCustom(object.get());
  } catch (...) {
    --depth_;
    objects_[uid] = plist_new_string(archive::kNullMarker);  // keeps the archiver whole
    throw;
  }
  --depth_;
  objects_[uid] = node;
  if (auto d = delegate_.lock()) d->didEncodeObject(*this, object);
  return uid;
}

// Value objects are archived here, without their own cooperation; null for anything else.
void* KeyedArchiver::encodeNode(const Object* o) {
  if (dynamic_cast<const Coding*>(o)) return nullptr;  // a class's own coding comes first
  auto refs = [this](const std::vector<Id>& items) {
    PlistPtr a(plist_new_array());
    for (const Id& item : items) {
      uint64_t uid = reference(item);
      plist_array_append_item(a.get(), plist_new_uid(uid));
    }
    return a.release();
  };
  auto bytes = [](const void* p, size_t n) { return plist_new_data(static_cast<const char*>(p), n); };
  if (auto s = dynamic_cast<const MutableStringObject*>(o)) {
    PlistPtr d = classed("NSMutableString");
    set(d, "string", newString(s->string()));
    return d.release();
  }
  if (auto s = dynamic_cast<const StringObject*>(o)) return newString(s->string());
  if (auto n = dynamic_cast<const DecimalNumber*>(o)) {
    PlistPtr d = classed("NSDecimalNumber");
    set(d, "string", newString(n->stringValue()));
    return d.release();
  }
  if (auto n = dynamic_cast<const Number*>(o)) {
    if (n->isBool()) return plist_new_bool(n->boolValue());
    if (n->isFloatingPoint()) return plist_new_real(n->doubleValue());
    if (n->isUnsigned() && n->unsignedLongLongValue() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
      PlistPtr d = classed("NSNumber");
      set(d, "unsigned", plist_new_uint(n->unsignedLongLongValue()));
      return d.release();
    }
    return plist_new_uint(static_cast<uint64_t>(n->integerValue()));
  }
  if (auto v = dynamic_cast<const ValueBox*>(o)) {
    PlistPtr d = classed("NSValue");
    set(d, "type", plist_new_string(std::string(v->objCType()).c_str()));
    set(d, "bytes", bytes(v->bytes().data(), v->bytes().size()));
    return d.release();
  }
  if (auto data = dynamic_cast<const MutableData*>(o)) {
    PlistPtr d = classed("NSMutableData");
    set(d, "bytes", bytes(data->bytes(), data->length()));
    return d.release();
  }
  if (auto data = dynamic_cast<const Data*>(o)) return bytes(data->bytes(), data->length());
  if (auto date = dynamic_cast<const Date*>(o)) {
    PlistPtr d = classed("NSDate");
    set(d, "time", plist_new_real(date->timeIntervalSinceReferenceDate()));
    return d.release();
  }
  if (dynamic_cast<const Null*>(o)) return classed("NSNull").release();
  if (auto a = dynamic_cast<const Array*>(o)) {
    PlistPtr d = classed(dynamic_cast<const MutableArray*>(o) ? "NSMutableArray" : "NSArray");
    set(d, "items", refs(a->objects()));
    return d.release();
  }
  if (auto dict = dynamic_cast<const Dictionary*>(o)) {
    PlistPtr d = classed(dynamic_cast<const MutableDictionary*>(o) ? "NSMutableDictionary" : "NSDictionary");
    const Dictionary::KeysAndValues entries = dict->keysAndValues();
    set(d, "keys", refs(entries.keys));
    set(d, "values", refs(entries.values));
    return d.release();
  }
  if (auto s = dynamic_cast<const Set*>(o)) {
    PlistPtr d = classed(dynamic_cast<const MutableSet*>(o) ? "NSMutableSet" : "NSSet");
    set(d, "items", refs(s->objects()));
    return d.release();
  }
  if (auto url = dynamic_cast<const URL*>(o)) {
    PlistPtr d = classed("NSURL");
    set(d, "relative", newString(url->relativeString()));
    if (url->baseURL()) {
      uint64_t base = reference(url->baseURL());
      set(d, "base", plist_new_uid(base));
    }
    return d.release();
  }
  if (auto indexes = dynamic_cast<const IndexSet*>(o)) {
    PlistPtr d = classed(dynamic_cast<const MutableIndexSet*>(o) ? "NSMutableIndexSet" : "NSIndexSet");
    plist_t ranges = plist_new_array();
    for (Range r : indexes->ranges()) {
      plist_array_append_item(ranges, plist_new_uint(r.location));
      plist_array_append_item(ranges, plist_new_uint(r.length));
    }
    set(d, "ranges", ranges);
    return d.release();
  }
  if (auto error = dynamic_cast<const Error*>(o)) {
    PlistPtr d = classed("NSError");
    set(d, "domain", newString(error->domain()));
    set(d, "code", plist_new_uint(static_cast<uint64_t>(error->code())));
    uint64_t info = reference(error->userInfo());
    set(d, "userInfo", plist_new_uid(info));
    return d.release();
  }
  return nullptr;
}

void* KeyedArchiver::encodeCustom(const Object* o) {
  auto coding = dynamic_cast<const Coding*>(o);
  const Class* cls = o->getClass();
  // A proxy whose target is gone answers no class, so nothing could decode it again.
  if (!cls)
    rt::raise(rt::InvalidArgumentException,
              String::format("cannot archive instance %p: it has no class%s", static_cast<const void*>(o),
                             o->isProxy() ? " (a proxy whose target is gone)" : ""));
  if (!coding)
    rt::raise(rt::InvalidArgumentException,
              String::format("-[%@ encodeWithCoder:]: unrecognized selector sent to instance %p", cls->name(),
                             static_cast<const void*>(o)));
  if (secure_ && !supportsSecureCoding(cls))
    rt::raise(rt::InvalidArchiveOperationException,
              String::format("This archiver requires secure coding, and class '%@' does not support it", cls->name()));
  PlistPtr d = classed(cls->cName());
  void* outer = current_;
  current_ = d.get();
  try {
    coding->encodeWithCoder(*this);
  } catch (...) {
    current_ = outer;
    throw;
  }
  current_ = outer;
  return d.release();
}

void KeyedArchiver::finishEncoding() {
  if (finished_) return;
  plist_t root = plist_new_dict();
  plist_dict_set_item(root, archive::kFormatKey, plist_new_string(archive::kFormatName));
  plist_dict_set_item(root, archive::kVersionKey, plist_new_uint(archive::kVersion));
  plist_dict_set_item(root, archive::kTopKey, static_cast<plist_t>(top_));
  plist_t objects = plist_new_array();
  for (void* node : objects_) plist_array_append_item(objects, static_cast<plist_t>(node));
  plist_dict_set_item(root, archive::kObjectsKey, objects);
  finished_ = true;
  top_ = current_ = nullptr;
  objects_.clear();
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(root, &bytes, &length);
  data_ = Data::create(bytes, bytes ? length : 0);
  plist_to_bin_free(bytes);
  plist_free(root);
}

Ref<Data> KeyedArchiver::encodedData() {
  finishEncoding();
  return data_;
}

RT_IMPLEMENT_PLATFORM(KeyedArchiver) {}

}  // namespace fd
