#pragma once
// The optional hooks a model class may answer, and typed helpers that declare them while the
// class registers itself:
//
//   RT_IMPLEMENT(KDStory) {
//     c.property("identifier", &KDStory::identifier);
//     c.property("photos", &KDStory::photos);
//     net::km_hooks::replacedKeyFromPropertyName(c, {{"identifier", {"id"}}});
//     net::km_hooks::objectClassInArray(c, {{"photos", KDPhoto::classObject()}});
//   }
//
// The mapping finds every hook by a responds-to test, so a class may equally register them
// with c.classMethod / c.method under the selectors below.
#include <functional>
#include <utility>
#include <vector>

#include "net/mapping/KMProperty.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/StringObject.h"

namespace net {

namespace km_selectors {
// Instance side
inline constexpr const char* newValueFromOldValue = "km_newValueFromOldValue:property:";
inline constexpr const char* keyValuesDidFinishConvertingToObject = "km_keyValuesDidFinishConvertingToObject";
inline constexpr const char* objectDidFinishConvertingToKeyValues = "km_objectDidFinishConvertingToKeyValues";
// Class side
inline constexpr const char* allowedPropertyNames = "km_allowedPropertyNames";
inline constexpr const char* ignoredPropertyNames = "km_ignoredPropertyNames";
inline constexpr const char* allowedCodingPropertyNames = "km_allowedCodingPropertyNames";
inline constexpr const char* ignoredCodingPropertyNames = "km_ignoredCodingPropertyNames";
inline constexpr const char* replacedKeyFromPropertyName = "km_replacedKeyFromPropertyName";
inline constexpr const char* replacedKeyFromPropertyName121 = "km_replacedKeyFromPropertyName121:";
inline constexpr const char* objectClassInArray = "km_objectClassInArray";
// Class side, older names still honoured
inline constexpr const char* legacyReplacedKeyFromPropertyName121 = "replacedKeyFromPropertyName121:";
inline constexpr const char* legacyReplacedKeyFromPropertyName = "replacedKeyFromPropertyName";
inline constexpr const char* legacyObjectClassInArray = "objectClassInArray";
inline constexpr const char* legacyNewValueFromOldValue = "newValueFromOldValue:property:";
}  // namespace km_selectors

namespace km_hooks {

namespace detail {
/// Adds a class method whose implementation may capture state.
template <class X>
void addClassMethod(rt::ClassBuilder<X>& c, const char* selector, rt::Imp imp, const std::string& returnType,
                    const std::vector<std::string>& argTypes) {
  c.classMethodImp(selector, std::move(imp), rt::methodTypeEncoding(returnType, argTypes));
}

template <class X> void namesHook(rt::ClassBuilder<X>& c, const char* selector, std::vector<fd::String> names) {
  addClassMethod(c, selector, [names = std::move(names)](rt::Object*, const std::vector<rt::Value>&) {
    std::vector<rt::Id> boxed;
    for (const fd::String& n : names) boxed.push_back(fd::box(n));
    return rt::Value::ofObject(fd::Array::create(std::move(boxed)), "@\"NSArray\"");
  }, "@\"NSArray\"", {});
}
}  // namespace detail

/// Only these properties are converted (in both directions).
template <class X> void allowedPropertyNames(rt::ClassBuilder<X>& c, std::vector<fd::String> names) {
  detail::namesHook(c, km_selectors::allowedPropertyNames, std::move(names));
}
/// These properties are never converted.
template <class X> void ignoredPropertyNames(rt::ClassBuilder<X>& c, std::vector<fd::String> names) {
  detail::namesHook(c, km_selectors::ignoredPropertyNames, std::move(names));
}
/// Only these properties are archived.
template <class X> void allowedCodingPropertyNames(rt::ClassBuilder<X>& c, std::vector<fd::String> names) {
  detail::namesHook(c, km_selectors::allowedCodingPropertyNames, std::move(names));
}
/// These properties are never archived.
template <class X> void ignoredCodingPropertyNames(rt::ClassBuilder<X>& c, std::vector<fd::String> names) {
  detail::namesHook(c, km_selectors::ignoredCodingPropertyNames, std::move(names));
}

/// Property name to the key paths its value is found under ("id", "data.cover",
/// "photos[0].url"); several paths are tried in order.
template <class X>
void replacedKeyFromPropertyName(rt::ClassBuilder<X>& c,
                                 std::vector<std::pair<fd::String, std::vector<fd::String>>> keys) {
  detail::addClassMethod(c, km_selectors::replacedKeyFromPropertyName,
                         [keys = std::move(keys)](rt::Object*, const std::vector<rt::Value>&) {
    std::vector<std::pair<fd::String, rt::Id>> entries;
    for (const auto& [name, paths] : keys) {
      if (paths.size() == 1) {
        entries.emplace_back(name, fd::box(paths.front()));
        continue;
      }
      std::vector<rt::Id> boxed;
      for (const fd::String& p : paths) boxed.push_back(fd::box(p));
      entries.emplace_back(name, fd::Array::create(std::move(boxed)));
    }
    return rt::Value::ofObject(fd::Dictionary::withStrings(std::move(entries)), "@\"NSDictionary\"");
  }, "@\"NSDictionary\"", {});
}

/// The key path (a string, an array of strings, or nil for none) of one property name.
template <class X>
void replacedKeyFromPropertyName121(rt::ClassBuilder<X>& c, std::function<rt::Id(const fd::String&)> key) {
  detail::addClassMethod(c, km_selectors::replacedKeyFromPropertyName121,
                         [key = std::move(key)](rt::Object*, const std::vector<rt::Value>& args) {
    fd::String name;
    if (!args.empty()) args[0].get(name);
    return rt::Value::ofObject(key(name));
  }, "@", {"@\"NSString\""});
}

/// Property name to the class of the elements of the array it holds.
template <class X>
void objectClassInArray(rt::ClassBuilder<X>& c, std::vector<std::pair<fd::String, const rt::Class*>> classes) {
  detail::addClassMethod(c, km_selectors::objectClassInArray,
                         [classes = std::move(classes)](rt::Object*, const std::vector<rt::Value>&) {
    std::vector<std::pair<fd::String, rt::Id>> entries;
    for (const auto& [name, cls] : classes)
      if (cls) entries.emplace_back(name, const_cast<rt::Class*>(cls)->self());
    return rt::Value::ofObject(fd::Dictionary::withStrings(std::move(entries)), "@\"NSDictionary\"");
  }, "@\"NSDictionary\"", {});
}

/// The value to set in place of the one looked up (return the old value to keep it).
template <class X>
void newValueFromOldValue(rt::ClassBuilder<X>& c, rt::Id (X::*fn)(const rt::Id& oldValue, const Ref<KMProperty>& property)) {
  c.method(km_selectors::newValueFromOldValue, fn);
}
/// Called after an object was filled from key values.
template <class X> void keyValuesDidFinishConvertingToObject(rt::ClassBuilder<X>& c, void (X::*fn)()) {
  c.method(km_selectors::keyValuesDidFinishConvertingToObject, fn);
}
/// Called after an object was turned into key values.
template <class X> void objectDidFinishConvertingToKeyValues(rt::ClassBuilder<X>& c, void (X::*fn)()) {
  c.method(km_selectors::objectDidFinishConvertingToKeyValues, fn);
}

}  // namespace km_hooks

}  // namespace net
