#pragma once
// Run-time descriptions of classes for the reflection-driven model mapping: instance variables,
// methods and properties read from the object runtime once, their type encodings parsed into
// one type word, and one description per class (and per metaclass) in a process-wide cache.
// Lookups are thread-safe; the descriptions' accessors are not synchronised.
#include <cstdint>
#include <mutex>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/runtime/Class.h"

namespace net {

using fd::String;

/// Kind (low byte), method-argument qualifiers (bits 8-14) and property attributes (bits 16-23).
using DRTypeWord = uint64_t;

// Kinds (low byte)
inline constexpr DRTypeWord DRTypeKindMask = 0xFF;
inline constexpr DRTypeWord DRTypeKindUnknown = 0;
inline constexpr DRTypeWord DRTypeKindVoid = 1;
inline constexpr DRTypeWord DRTypeKindBool = 2;
inline constexpr DRTypeWord DRTypeKindInt8 = 3;
inline constexpr DRTypeWord DRTypeKindUInt8 = 4;
inline constexpr DRTypeWord DRTypeKindInt16 = 5;
inline constexpr DRTypeWord DRTypeKindUInt16 = 6;
inline constexpr DRTypeWord DRTypeKindInt32 = 7;
inline constexpr DRTypeWord DRTypeKindUInt32 = 8;
inline constexpr DRTypeWord DRTypeKindInt64 = 9;
inline constexpr DRTypeWord DRTypeKindUInt64 = 10;
inline constexpr DRTypeWord DRTypeKindFloat = 11;
inline constexpr DRTypeWord DRTypeKindDouble = 12;
inline constexpr DRTypeWord DRTypeKindLongDouble = 13;
inline constexpr DRTypeWord DRTypeKindObject = 14;
inline constexpr DRTypeWord DRTypeKindClass = 15;
inline constexpr DRTypeWord DRTypeKindSelector = 16;
inline constexpr DRTypeWord DRTypeKindBlock = 17;
inline constexpr DRTypeWord DRTypeKindPointer = 18;
inline constexpr DRTypeWord DRTypeKindStruct = 19;
inline constexpr DRTypeWord DRTypeKindUnion = 20;
inline constexpr DRTypeWord DRTypeKindCString = 21;
inline constexpr DRTypeWord DRTypeKindCArray = 22;

// Method-argument qualifiers
inline constexpr DRTypeWord DRTypeQualifierMask = 0xFF00;
inline constexpr DRTypeWord DRTypeQualifierConst = 0x100;
inline constexpr DRTypeWord DRTypeQualifierIn = 0x200;
inline constexpr DRTypeWord DRTypeQualifierInout = 0x400;
inline constexpr DRTypeWord DRTypeQualifierOut = 0x800;
inline constexpr DRTypeWord DRTypeQualifierBycopy = 0x1000;
inline constexpr DRTypeWord DRTypeQualifierByref = 0x2000;
inline constexpr DRTypeWord DRTypeQualifierOneway = 0x4000;

// Property attributes
inline constexpr DRTypeWord DRTypePropertyMask = 0xFF0000;
inline constexpr DRTypeWord DRTypePropertyReadonly = 0x10000;
inline constexpr DRTypeWord DRTypePropertyCopy = 0x20000;
inline constexpr DRTypeWord DRTypePropertyRetain = 0x40000;
inline constexpr DRTypeWord DRTypePropertyNonatomic = 0x80000;
inline constexpr DRTypeWord DRTypePropertyWeak = 0x100000;
inline constexpr DRTypeWord DRTypePropertyCustomGetter = 0x200000;
inline constexpr DRTypeWord DRTypePropertyCustomSetter = 0x400000;
inline constexpr DRTypeWord DRTypePropertyDynamic = 0x800000;

/// Parses a type encoding's leading qualifiers and first character. Null or empty gives 0.
DRTypeWord DRParseTypeEncoding(const char* encoding);

class DRClassIvarInfo : public rt::Object {
  RT_CLASS(DRClassIvarInfo, rt::Object)
 public:
  /// Null for a null handle.
  static Ref<DRClassIvarInfo> infoWithIvar(const rt::Ivar* ivar);

  const rt::Ivar* ivar() const { return ivar_; }
  const String& name() const { return name_; }
  int64_t offset() const { return offset_; }
  const String& typeEncoding() const { return typeEncoding_; }
  DRTypeWord type() const { return type_; }

 private:
  const rt::Ivar* ivar_ = nullptr;
  String name_;
  int64_t offset_ = 0;
  String typeEncoding_;
  DRTypeWord type_ = 0;
};

class DRClassMethodInfo : public rt::Object {
  RT_CLASS(DRClassMethodInfo, rt::Object)
 public:
  static Ref<DRClassMethodInfo> infoWithMethod(const rt::Method* method);

  const rt::Method* method() const { return method_; }
  const String& name() const { return name_; }
  rt::Selector sel() const { return sel_; }
  const rt::Imp& imp() const { return method_->imp; }
  const String& typeEncoding() const { return typeEncoding_; }
  const String& returnTypeEncoding() const { return returnTypeEncoding_; }
  /// Receiver and selector included; null when the method has no arguments at all.
  const Ref<fd::Array>& argumentTypeEncodings() const { return argumentTypeEncodings_; }

 private:
  const rt::Method* method_ = nullptr;
  String name_;
  rt::Selector sel_;
  String typeEncoding_;
  String returnTypeEncoding_;
  Ref<fd::Array> argumentTypeEncodings_;
};

class DRClassPropertyInfo : public rt::Object {
  RT_CLASS(DRClassPropertyInfo, rt::Object)
 public:
  static Ref<DRClassPropertyInfo> infoWithProperty(const rt::Property* property);

  const rt::Property* property() const { return property_; }
  const String& name() const { return name_; }
  DRTypeWord type() const { return type_; }
  const String& typeEncoding() const { return typeEncoding_; }
  /// Empty when the property has no backing variable.
  const String& ivarName() const { return ivarName_; }
  /// The declared class of an object property that names one, else null.
  const rt::Class* cls() const { return cls_; }
  const String& getter() const { return getter_; }
  const String& setter() const { return setter_; }

 private:
  const rt::Property* property_ = nullptr;
  String name_;
  DRTypeWord type_ = 0;
  String typeEncoding_;
  String ivarName_;
  const rt::Class* cls_ = nullptr;
  String getter_;
  String setter_;
};

/// One class: its own members only (inherited ones through superClassInfo). A member
/// dictionary is null, not empty, when the class has no member of that sort.
class DRClassInfo : public rt::Object {
  RT_CLASS(DRClassInfo, rt::Object)
 public:
  /// The cached description, made on first use; null for null.
  static Ref<DRClassInfo> classInfoWithClass(const rt::Class* cls);
  static Ref<DRClassInfo> classInfoWithClassName(const String& name);

  /// Marks the description stale; the next cache lookup re-reads the members.
  void setNeedUpdate() { needUpdate_ = true; }

  const rt::Class* cls() const { return cls_; }
  const rt::Class* superCls() const { return superCls_; }
  const rt::Class* metaCls() const { return metaCls_; }
  bool isMeta() const { return isMeta_; }
  const String& name() const { return name_; }
  const Ref<DRClassInfo>& superClassInfo() const { return superClassInfo_; }
  /// name -> DRClassIvarInfo / DRClassMethodInfo / DRClassPropertyInfo
  const Ref<fd::MutableDictionary>& ivarInfos() const { return ivarInfos_; }
  const Ref<fd::MutableDictionary>& methodInfos() const { return methodInfos_; }
  const Ref<fd::MutableDictionary>& propertyInfos() const { return propertyInfos_; }

  /// Builds a description without the cache.
  static Ref<DRClassInfo> infoWithClass(const rt::Class* cls);

 private:
  void update();

  const rt::Class* cls_ = nullptr;
  const rt::Class* superCls_ = nullptr;
  const rt::Class* metaCls_ = nullptr;
  bool isMeta_ = false;
  String name_;
  Ref<DRClassInfo> superClassInfo_;
  Ref<fd::MutableDictionary> ivarInfos_;
  Ref<fd::MutableDictionary> methodInfos_;
  Ref<fd::MutableDictionary> propertyInfos_;
  bool needUpdate_ = false;
};

}  // namespace net
