#pragma once
// A picture attachment of an article; cells show `absUrl`.
#include "platform/foundation/Types.h"

namespace app {

class KDAPPPicModel : public rt::Object {
  RT_CLASS(KDAPPPicModel, rt::Object)
 public:
  fd::String absUrl;
  fd::String srcFile;
  fd::String id;
  fd::String alt;
  fd::String file;
  fd::String fileExt;
  fd::String flag;
  fd::String flagString;
  fd::String desc;
  fd::String docId;

  /// A record filled from a JSON dictionary (keys equal field names, others ignored); null
  /// when `dictionary` is not one.
  static Ref<KDAPPPicModel> getModelWithDic(const rt::Id& dictionary);
};

}  // namespace app
