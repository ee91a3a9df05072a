#pragma once
// One step of a key path: a dictionary key or an array index.
#include <cstdint>

#include "platform/foundation/Types.h"

namespace net {

enum KMPropertyKeyType : int32_t {
  KMPropertyKeyTypeDictionary = 0,  // the step names a dictionary key
  KMPropertyKeyTypeArray = 1,       // the step's name is the decimal index of an array element
};

class KMPropertyKey : public rt::Object {
  RT_CLASS(KMPropertyKey, rt::Object)
 public:
  void init() {}
  static Ref<KMPropertyKey> create(const fd::String& name, int32_t type = KMPropertyKeyTypeDictionary);

  /// The value this step reaches from `object`: a key step on a dictionary gives its entry,
  /// an index step on an array the element when the index is within bounds; anything else nil.
  rt::Id valueInObject(const rt::Id& object) const;

  const fd::String& name() const { return name_; }
  void setName(fd::String name);
  int32_t type() const { return type_; }
  void setType(int32_t type) { type_ = type; }
  /// The integer value of the name, as an index step reads it.
  int64_t index() const { return index_; }

 private:
  fd::String name_;
  int32_t type_ = KMPropertyKeyTypeDictionary;
  int64_t index_ = 0;
};

}  // namespace net
