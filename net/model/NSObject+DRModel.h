#pragma once
// The reflection-driven model mapping: any registered class filled from JSON (a dictionary,
// JSON text or JSON data) and turned back into JSON, with ready-made copying, keyed coding,
// hashing and equality driven by the class's model metadata. Any thread; one model must not be
// used from two threads at once.
#include "net/model/DRModelMeta.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Data.h"

namespace net {

/// A dictionary from a dictionary, JSON text or JSON data; null for anything else.
Ref<fd::Dictionary> dr_dictionaryWithJSON(const rt::Id& json);

/// A new model of `cls` (or of the class its hook chooses), or null when it cannot be filled.
rt::Id modelWithJSON(const rt::Class* cls, const rt::Id& json);
rt::Id modelWithDictionary(const rt::Class* cls, const Ref<fd::Dictionary>& dictionary);
template <class T> Ref<T> modelWithJSON(const rt::Id& json) {
  return rt::as<T>(modelWithJSON(T::classObject(), json));
}

/// Fills `model`; false when the input is no dictionary, the class maps no property, or the
/// class's transform hook rejects the result.
bool modelSetWithJSON(rt::Object& model, const rt::Id& json);
bool modelSetWithDictionary(rt::Object& model, const Ref<fd::Dictionary>& dictionary);

/// A dictionary or array of JSON objects, or null.
rt::Id modelToJSONObject(const rt::Id& model);
Ref<fd::Data> modelToJSONData(const rt::Id& model);
/// Null when there is no JSON.
Ref<fd::StringObject> modelToJSONString(const rt::Id& model);

/// A shallow copy: object properties share their values.
rt::Id modelCopy(const rt::Object& model);
void modelEncodeWithCoder(const rt::Object& model, fd::KeyedArchiver* coder);
rt::Object& modelInitWithCoder(rt::Object& model, fd::KeyedUnarchiver* coder);
uint64_t modelHash(const rt::Object& model);
bool modelIsEqual(const rt::Object& model, const rt::Id& other);

// NSArray(DRModel), NSDictionary(DRModel)
/// Models for the dictionaries of a JSON array (or JSON text or data holding one); other
/// elements are dropped. Null when there is no array.
Ref<fd::MutableArray> modelArrayWithClass(const rt::Class* cls, const rt::Id& json);
Ref<fd::MutableArray> modelArrayWithClassArray(const rt::Class* cls, const Ref<fd::Array>& array);
Ref<fd::MutableDictionary> modelDictionaryWithClass(const rt::Class* cls, const rt::Id& json);
Ref<fd::MutableDictionary> modelDictionaryWithClassDictionary(const rt::Class* cls, const Ref<fd::Dictionary>& dictionary);

}  // namespace net
