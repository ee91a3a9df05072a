#pragma once
// One page of the welcome screen.
#include "platform/foundation/Types.h"

namespace app {

class KDAPPLoadingModel : public rt::Object {
  RT_CLASS(KDAPPLoadingModel, rt::Object)
 public:
  fd::String image;

  /// A record filled from a JSON dictionary (keys equal field names, others ignored); null
  /// when `dictionary` is not one.
  static Ref<KDAPPLoadingModel> getModelWithDic(const rt::Id& dictionary);
};

}  // namespace app
