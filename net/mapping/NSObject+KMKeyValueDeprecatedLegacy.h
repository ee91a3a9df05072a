#pragma once
// The key-value operations under their older names. The forms with an error place run the
// operation and then hand back the class's last error (km_error) through it, when a place
// is given.
#include "net/mapping/NSObject+KMKeyValue.h"

namespace net {

rt::Object& setKeyValues(rt::Object& object, const rt::Id& keyValues, const rt::Id& context = nullptr);
rt::Object& setKeyValues(rt::Object& object, const rt::Id& keyValues, Ref<fd::Error>* error);
rt::Object& setKeyValues(rt::Object& object, const rt::Id& keyValues, const rt::Id& context, Ref<fd::Error>* error);

void referenceReplacedKeyWhenCreatingKeyValues(const rt::Class* cls, bool reference);

rt::Id keyValues(const rt::Object& object);
rt::Id keyValues(const rt::Object& object, Ref<fd::Error>* error);
rt::Id keyValuesWithKeys(const rt::Object& object, const Ref<fd::Array>& keys);
rt::Id keyValuesWithKeys(const rt::Object& object, const Ref<fd::Array>& keys, Ref<fd::Error>* error);
rt::Id keyValuesWithIgnoredKeys(const rt::Object& object, const Ref<fd::Array>& ignoredKeys);
rt::Id keyValuesWithIgnoredKeys(const rt::Object& object, const Ref<fd::Array>& ignoredKeys, Ref<fd::Error>* error);

Ref<fd::MutableArray> keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                    const Ref<fd::Array>& keys = nullptr,
                                                    const Ref<fd::Array>& ignoredKeys = nullptr);
Ref<fd::MutableArray> keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                    Ref<fd::Error>* error);
Ref<fd::MutableArray> keyValuesArrayWithObjectArray(const rt::Class* cls, const rt::Id& objectArray,
                                                    const Ref<fd::Array>& keys, const Ref<fd::Array>& ignoredKeys,
                                                    Ref<fd::Error>* error);

rt::Id objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, const rt::Id& context = nullptr);
rt::Id objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, Ref<fd::Error>* error);
rt::Id objectWithKeyValues(const rt::Class* cls, const rt::Id& keyValues, const rt::Id& context, Ref<fd::Error>* error);
rt::Id objectWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename);
rt::Id objectWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename, Ref<fd::Error>* error);
rt::Id objectWithFile(const rt::Class* cls, const std::optional<fd::String>& file);
rt::Id objectWithFile(const rt::Class* cls, const std::optional<fd::String>& file, Ref<fd::Error>* error);

Ref<fd::MutableArray> objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                    const rt::Id& context = nullptr);
Ref<fd::MutableArray> objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                    Ref<fd::Error>* error);
Ref<fd::MutableArray> objectArrayWithKeyValuesArray(const rt::Class* cls, const rt::Id& keyValuesArray,
                                                    const rt::Id& context, Ref<fd::Error>* error);
Ref<fd::MutableArray> objectArrayWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename);
Ref<fd::MutableArray> objectArrayWithFilename(const rt::Class* cls, const std::optional<fd::String>& filename,
                                              Ref<fd::Error>* error);
Ref<fd::MutableArray> objectArrayWithFile(const rt::Class* cls, const std::optional<fd::String>& file);
Ref<fd::MutableArray> objectArrayWithFile(const rt::Class* cls, const std::optional<fd::String>& file,
                                          Ref<fd::Error>* error);

Ref<fd::Data> JSONData(const rt::Object& object);
rt::Id JSONObject(const rt::Object& object);
std::optional<fd::String> JSONString(const rt::Object& object);

}  // namespace net
