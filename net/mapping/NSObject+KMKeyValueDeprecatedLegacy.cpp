#include "net/mapping/NSObject+KMKeyValueDeprecatedLegacy.h"

namespace net {

namespace {
/// Hands back `cls`'s last error, then the operation's result.
template <class R> R withError(R result, const rt::Class* cls, Ref<fd::Error>* error) {
  fd::setError(error, km_error(cls));
  return result;
}
}  // namespace

rt::Object& setKeyValues(rt::Object& object, const rt::Id& keyValues, const rt::Id& context) {
  return km_setKeyValues(object, keyValues, context);
}
rt::Object& setKeyValues(rt::Object& object, const rt::Id& keyValues, Ref<fd::Error>* error) {
  return setKeyValues(object, keyValues, nullptr, error);
}
rt::Object& setKeyValues(rt::Object& object, const rt::Id& keyValues, const rt::Id& context, Ref<fd::Error>* error) {
  km_setKeyValues(object, keyValues, context);
  fd::setError(error, km_error(object.getClass()));
  return object;
}

void referenceReplacedKeyWhenCreatingKeyValues(const rt::Class* cls, bool reference) {
  km_referenceReplacedKeyWhenCreatingKeyValues(cls, reference);
}

rt::Id keyValues(const rt::Object& object) { return km_keyValues(object); }
rt::Id keyValues(const rt::Object& object, Ref<fd::Error>* error) {
  return withError(km_keyValues(object), object.getClass(), error);
}
rt::Id keyValuesWithKeys(const rt::Object& object, const Ref<fd::Array>& keys) { return km_keyValuesWithKeys(object, keys); }
rt::Id keyValuesWithKeys(const rt::Object& object, const Ref<fd::Array>& keys, Ref<fd::Error>* error) {
  return withError(km_keyValuesWithKeys(object, keys), object.getClass(), error);
}
rt::Id keyValuesWithIgnoredKeys(const rt::Object& object, const Ref<fd::Array>& ignoredKeys) {
  return km_keyValuesWithIgnoredKeys(object, ignoredKeys);
}
rt::Id keyValuesWithIgnoredKeys(const rt::Object& object, const Ref<fd::Array>& ignoredKeys, Ref<fd::Error>* error) {
  return withError(km_keyValuesWithIgnoredKeys(object, ignoredKeys), object.getClass(), error);
}

Ref<fd::MutableArray> keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                    const Ref<fd::Array>& keys, const Ref<fd::Array>& ignoredKeys) {
  return km_keyValuesArrayWithObjectArray(cls, objectArray, keys, ignoredKeys);
}
Ref<fd::MutableArray> keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                    Ref<fd::Error>* error) {
  return withError(km_keyValuesArrayWithObjectArray(cls, objectArray), cls, error);
}
Ref<fd::MutableArray> keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                    const Ref<fd::Array>& keys, const Ref<fd::Array>& ignoredKeys,
                                                    Ref<fd::Error>* error) {
  return withError(km_keyValuesArrayWithObjectArray(cls, objectArray, keys, ignoredKeys), cls, error);
}

rt::Id objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, const rt::Id& context) {
  return km_objectWithKeyValues(cls, keyValues, context);
}
rt::Id objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, Ref<fd::Error>* error) {
  return withError(km_objectWithKeyValues(cls, keyValues), cls, error);
}
rt::Id objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, const rt::Id& context, Ref<fd::Error>* error) {
  return withError(km_objectWithKeyValues(cls, keyValues, context), cls, error);
}
rt::Id objectWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename) {
  return km_objectWithFilename(cls, filename);
}
rt::Id objectWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename, Ref<fd::Error>* error) {
  return withError(km_objectWithFilename(cls, filename), cls, error);
}
rt::Id objectWithFile(const rt::Class* cls, const std::optional<fd::String>& file) { return km_objectWithFile(cls, file); }
rt::Id objectWithFile(const rt::Class* cls, const std::optional<fd::String>& file, Ref<fd::Error>* error) {
  return withError(km_objectWithFile(cls, file), cls, error);
}

Ref<fd::MutableArray> objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                    const rt::Id& context) {
  return km_objectArrayWithKeyValuesArray(cls, keyValuesArray, context);
}
Ref<fd::MutableArray> objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                    Ref<fd::Error>* error) {
  return withError(km_objectArrayWithKeyValuesArray(cls, keyValuesArray), cls, error);
}
Ref<fd::MutableArray> objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                    const rt::Id& context, Ref<fd::Error>* error) {
  return withError(km_objectArrayWithKeyValuesArray(cls, keyValuesArray, context), cls, error);
}
Ref<fd::MutableArray> objectArrayWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename) {
  return km_objectArrayWithFilename(cls, filename);
}
Ref<fd::MutableArray> objectArrayWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename,
                                              Ref<fd::Error>* error) {
  return withError(km_objectArrayWithFilename(cls, filename), cls, error);
}
Ref<fd::MutableArray> objectArrayWithFile(const rt::Class* cls, const std::optional<fd::String>& file) {
  return km_objectArrayWithFile(cls, file);
}
Ref<fd::MutableArray> objectArrayWithFile(const rt::Class* cls, const std::optional<fd::String>& file,
                                          Ref<fd::Error>* error) {
  return withError(km_objectArrayWithFile(cls, file), cls, error);
}

Ref<fd::Data> JSONData(const rt::Object& object) { return km_JSONData(object); }
rt::Id JSONObject(const rt::Object& object) { return km_JSONObject(object); }
std::optional<fd::String> JSONString(const rt::Object& object) { return km_JSONString(object); }

}  // namespace net
