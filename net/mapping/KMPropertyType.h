#pragma once
// A property's type code classified once for every property that shares it: untyped object,
// number, boolean, object of a named class (platform or model), or a type key-value coding
// cannot set.
#include <optional>

#include "platform/foundation/Types.h"

namespace net {

class KMPropertyType : public rt::Object {
  RT_CLASS(KMPropertyType, rt::Object)
 public:
  void init() {}

  /// The shared type for `code` (made and kept on first request); null for nullopt.
  static Ref<KMPropertyType> cachedTypeWithCode(const std::optional<fd::String>& code);

  /// Stores and classifies the code; an object type of a named class keeps just the name.
  void setCode(const std::optional<fd::String>& code);
  /// The code as classified; null (nullopt) when none was set.
  const std::optional<fd::String>& code() const { return code_; }

  bool isIdType() const { return idType_; }
  bool isNumberType() const { return numberType_; }
  bool isBoolType() const { return boolType_; }
  /// The class the code names, or null.
  const rt::Class* typeClass() const { return typeClass_; }
  bool isFromFoundation() const { return fromFoundation_; }
  bool isKVCDisabled() const { return kvcDisabled_; }

 private:
  std::optional<fd::String> code_;
  bool idType_ = false;
  bool numberType_ = false;
  bool boolType_ = false;
  const rt::Class* typeClass_ = nullptr;
  bool fromFoundation_ = false;
  bool kvcDisabled_ = false;
};

}  // namespace net
