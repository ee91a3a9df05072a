#pragma once
// Per-class model metadata: which properties take part in the mapping, how each is read and
// written, which JSON key or key path feeds it and what sort of value it holds. Built once per
// class from its description and its optional hooks, cached for the process, then immutable.
#include <unordered_map>
#include <utility>
#include <vector>

#include "net/model/DRClassInfo.h"

namespace net {

/// The Foundation class a property (or a model class) belongs to.
enum DRFoundationKind : uint64_t {
  DRFoundationKindNone = 0,
  DRFoundationKindNSString = 1,
  DRFoundationKindNSMutableString = 2,
  DRFoundationKindNSValue = 3,
  DRFoundationKindNSNumber = 4,
  DRFoundationKindNSDecimalNumber = 5,
  DRFoundationKindNSData = 6,
  DRFoundationKindNSMutableData = 7,
  DRFoundationKindNSDate = 8,
  DRFoundationKindNSURL = 9,
  DRFoundationKindNSArray = 10,
  DRFoundationKindNSMutableArray = 11,
  DRFoundationKindNSDictionary = 12,
  DRFoundationKindNSMutableDictionary = 13,
  DRFoundationKindNSSet = 14,
  DRFoundationKindNSMutableSet = 15,
};

DRFoundationKind DRFoundationKindOfClass(const rt::Class* cls);

/// The struct encodings keyed archiving accepts.
bool DRIsArchivableStructEncoding(const String& encoding);

namespace dr_hooks {
// Class side
inline constexpr const char* propertyBlacklist = "modelPropertyBlacklist";
inline constexpr const char* propertyWhitelist = "modelPropertyWhitelist";
inline constexpr const char* containerPropertyGenericClass = "modelContainerPropertyGenericClass";
inline constexpr const char* customPropertyMapper = "modelCustomPropertyMapper";
inline constexpr const char* customClassForDictionary = "modelCustomClassForDictionary:";
// Instance side
inline constexpr const char* customTransformFromDictionary = "modelCustomTransformFromDictionary:";
inline constexpr const char* customTransformToDictionary = "modelCustomTransformToDictionary:";
}  // namespace dr_hooks

/// One mapped property. Fields are read directly by the conversions.
class DRModelPropertyMeta : public rt::Object {
  RT_CLASS_NAMED(DRModelPropertyMeta, rt::Object, "_DRModelPropertyMeta")
 public:
  static Ref<DRModelPropertyMeta> metaWithClassInfo(const DRClassInfo& classInfo,
                                                    const Ref<DRClassPropertyInfo>& propertyInfo,
                                                    const rt::Class* generic);
  DRTypeWord kind() const { return type & DRTypeKindMask; }

  String name;
  DRTypeWord type = 0;
  DRFoundationKind nsType = DRFoundationKindNone;
  bool isCNumber = false;
  const rt::Class* cls = nullptr;
  const rt::Class* genericCls = nullptr;
  rt::Selector getter;  // null when instances do not answer it
  rt::Selector setter;
  bool isKVCCompatible = false;
  bool isStructAvailableForKeyedArchiver = false;
  bool hasCustomClassFromDictionary = false;
  String mappedToKey;
  std::vector<String> mappedToKeyPath;  // only for keys of more than one component
  Ref<DRClassPropertyInfo> info;
  Ref<DRModelPropertyMeta> next;  // the next property mapped to the same key
};

class DRModelMeta : public rt::Object {
  RT_CLASS_NAMED(DRModelMeta, rt::Object, "_DRModelMeta")
 public:
  /// The cached metadata, built on first use; null for null.
  static Ref<DRModelMeta> metaWithClass(const rt::Class* cls);
  static Ref<DRModelMeta> build(const rt::Class* cls);

  /// Head of the chain of properties fed by a JSON key, or null.
  const DRModelPropertyMeta* propertyForKey(const String& key) const {
    auto it = mapperIndex.find(key);
    return it == mapperIndex.end() ? nullptr : mapper[it->second].second.get();
  }

  const rt::Class* cls = nullptr;
  /// JSON key -> head of its chain, in the order the keys were first mapped.
  std::vector<std::pair<String, Ref<DRModelPropertyMeta>>> mapper;
  std::unordered_map<String, size_t> mapperIndex;
  std::vector<Ref<DRModelPropertyMeta>> allPropertyMetas;
  std::vector<Ref<DRModelPropertyMeta>> keyPathPropertyMetas;
  uint64_t keyMappedCount = 0;
  DRFoundationKind nsType = DRFoundationKindNone;
  bool hasCustomTransformFromDictionary = false;
  bool hasCustomTransformToDictionary = false;
  bool hasCustomClassFromDictionary = false;
};

/// Asks a class's `modelCustomClassForDictionary:`; null when it answers none.
const rt::Class* DRCustomClassForDictionary(const rt::Class* cls, const Ref<fd::Dictionary>& dictionary);

}  // namespace net
