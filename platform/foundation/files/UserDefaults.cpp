#include "platform/foundation/files/UserDefaults.h"

#include <cstdlib>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/serialization/PropertyListSerialization.h"
#include "platform/foundation/text/StringObject.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(UserDefaults) {}

namespace {
std::mutex standardMutex;
Ref<UserDefaults>& standardSlot() {
  static Ref<UserDefaults>* slot = new Ref<UserDefaults>();  // never destroyed
  return *slot;
}
}  // namespace

void UserDefaults::init(String path) {
  path_ = std::move(path);
  registered_ = MutableDictionary::create();
  stored_ = MutableDictionary::create();
  if (auto onDisk = dictionaryWithContentsOfFile(path_)) stored_->addEntriesFromDictionary(*onDisk);
}

Ref<UserDefaults> UserDefaults::create(const String& path) { return rt::make<UserDefaults>(path); }

String UserDefaults::standardDefaultsPath() {
  if (const char* p = std::getenv("KD_DEFAULTS_PATH"); p && *p) return String(p);
  return configurationDirectory().stringByAppendingPathComponent("defaults.plist");
}

Ref<UserDefaults> UserDefaults::standardUserDefaults() {
  std::lock_guard<std::mutex> lock(standardMutex);
  auto& slot = standardSlot();
  if (!slot) slot = create(standardDefaultsPath());
  return slot;
}

void UserDefaults::resetStandardUserDefaults() {
  Ref<UserDefaults> old;
  std::lock_guard<std::mutex> lock(standardMutex);
  old.swap(standardSlot());
  if (old) old->synchronize();
}

Id UserDefaults::objectForKey(const String& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Id v = stored_->objectForKey(key)) return v;
  return registered_->objectForKey(key);
}

void UserDefaults::setObject(const Id& value, const String& key) {
  if (!value) {
    removeObjectForKey(key);
    return;
  }
  if (!PropertyListSerialization::propertyListIsValid(value, PropertyListBinaryFormat))
    rt::raise(rt::InvalidArgumentException,
              String::format("Attempt to insert non-property list object %@ for key %@", value->description(), key));
  Id copy = value->copy();
  std::lock_guard<std::mutex> lock(mutex_);
  stored_->setObjectForKey(copy, key);
  dirty_ = true;
  save();
}

void UserDefaults::removeObjectForKey(const String& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!stored_->objectForKey(key)) return;
  stored_->removeObjectForKey(key);
  dirty_ = true;
  save();
}

std::optional<String> UserDefaults::stringForKey(const String& key) const {
  Id v = objectForKey(key);
  if (auto s = rt::as<StringObject>(v)) return s->string();
  if (auto n = rt::as<Number>(v)) return n->stringValue();
  return std::nullopt;
}

Ref<Array> UserDefaults::arrayForKey(const String& key) const { return rt::as<Array>(objectForKey(key)); }
Ref<Dictionary> UserDefaults::dictionaryForKey(const String& key) const { return rt::as<Dictionary>(objectForKey(key)); }
Ref<Data> UserDefaults::dataForKey(const String& key) const { return rt::as<Data>(objectForKey(key)); }

Ref<Array> UserDefaults::stringArrayForKey(const String& key) const {
  auto a = arrayForKey(key);
  if (!a) return nullptr;
  for (const Id& o : a->objects())
    if (!rt::as<StringObject>(o)) return nullptr;
  return a;
}

int64_t UserDefaults::integerForKey(const String& key) const {
  Id v = objectForKey(key);
  if (auto n = rt::as<Number>(v)) return n->integerValue();
  if (auto s = rt::as<StringObject>(v)) return s->integerValue();
  return 0;
}

bool UserDefaults::boolForKey(const String& key) const {
  Id v = objectForKey(key);
  if (auto n = rt::as<Number>(v)) return n->boolValue();
  if (auto s = rt::as<StringObject>(v)) return s->boolValue();
  return false;
}

double UserDefaults::doubleForKey(const String& key) const {
  Id v = objectForKey(key);
  if (auto n = rt::as<Number>(v)) return n->doubleValue();
  if (auto s = rt::as<StringObject>(v)) return s->doubleValue();
  return 0;
}

void UserDefaults::setInteger(int64_t value, const String& key) { setObject(Number::numberWithInteger(value), key); }
void UserDefaults::setBool(bool value, const String& key) { setObject(Number::numberWithBool(value), key); }
void UserDefaults::setDouble(double value, const String& key) { setObject(Number::numberWithDouble(value), key); }
void UserDefaults::setFloat(float value, const String& key) { setObject(Number::numberWithFloat(value), key); }

void UserDefaults::registerDefaults(const Ref<Dictionary>& defaults) {
  if (!defaults) return;
  std::lock_guard<std::mutex> lock(mutex_);
  registered_->addEntriesFromDictionary(*defaults);
}

Ref<Dictionary> UserDefaults::dictionaryRepresentation() const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto all = MutableDictionary::create();
  all->addEntriesFromDictionary(*registered_);
  all->addEntriesFromDictionary(*stored_);
  return all;
}

bool UserDefaults::synchronize() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !dirty_ || save();
}

bool UserDefaults::save() {
  auto data = PropertyListSerialization::dataWithPropertyList(stored_, PropertyListBinaryFormat, 0, nullptr);
  if (!data) return false;
  FileManager::defaultManager()->createDirectoryAtPath(path_.stringByDeletingLastPathComponent(), true);
  if (!writeDataToFile(*data, path_, true)) return false;
  dirty_ = false;
  return true;
}

}  // namespace fd
