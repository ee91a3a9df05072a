#pragma once
// The property list of a model class, the key and the element class of each property for
// that class, and the value that replaces a looked-up one, from hooks and set-up blocks.
#include <functional>
#include <optional>

#include "net/mapping/KMProperty.h"

namespace net {

using KMPropertiesEnumeration = std::function<void(const Ref<KMProperty>& property, bool& stop)>;
/// Object, looked-up value and property to the value to set in its place.
using KMNewValueBlock =
    std::function<rt::Id(const rt::Id& object, const rt::Id& oldValue, const Ref<KMProperty>& property)>;
/// A block answering a dictionary (replacement keys or element classes).
using KMDictionaryBlock = std::function<Ref<fd::Dictionary>()>;
/// Property name to its key path (a string or an array of strings), or nil.
using KMReplacedKeyBlock = std::function<rt::Id(const fd::String& propertyName)>;

/// The replacement key of `propertyName` for `cls` (a key path string or an array of them),
/// or the name itself; nil for nullopt.
rt::Id propertyKey(const rt::Class* cls, const std::optional<fd::String>& propertyName);
/// The element class configured for `propertyName`, or null.
const rt::Class* propertyObjectClassInArray(const rt::Class* cls, const fd::String& propertyName);

/// `cls`'s properties, its own first and then each superclass's up to the first platform
/// class, with their key paths and element classes for `cls`; cached per class.
Ref<fd::Array> properties(const rt::Class* cls);
void km_enumerateProperties(const rt::Class* cls, const KMPropertiesEnumeration& block);

/// Keeps `block` on `cls`; it is asked on every conversion.
void km_setupNewValueFromOldValue(const rt::Class* cls, KMNewValueBlock block);
/// The value to use in place of `oldValue`: the object's own hook, else the class's older
/// hook, else the nearest class's block, else `oldValue` itself.
rt::Id km_getNewValueFromObject(const rt::Class* cls, rt::Object& object, const rt::Id& oldValue,
                                const Ref<KMProperty>& property);

/// These keep their answer on `cls` and empty every class's property list.
void km_setupObjectClassInArray(const rt::Class* cls, const KMDictionaryBlock& block);
void km_setupReplacedKeyFromPropertyName(const rt::Class* cls, const KMDictionaryBlock& block);
void km_setupReplacedKeyFromPropertyName121(const rt::Class* cls, KMReplacedKeyBlock block);

/// The source of replacement values for one object, found once and then asked for each of
/// its properties.
class KMNewValueSource {
 public:
  KMNewValueSource(const rt::Class* cls, const rt::Object& object);
  /// True when nothing replaces values: every value comes back as it is.
  bool passesThrough() const { return kind_ == Kind::None; }
  rt::Id newValue(rt::Object& object, const rt::Id& oldValue, const Ref<KMProperty>& property) const;

 private:
  enum class Kind { None, ObjectHook, ClassHook, Block };
  Kind kind_ = Kind::None;
  const rt::Class* cls_ = nullptr;
  KMNewValueBlock block_;
};

}  // namespace net
