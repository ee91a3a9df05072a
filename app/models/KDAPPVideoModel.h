#pragma once
// An item of the video list service; the client rewrites `httpStreamUrl` before screens see it.
#include "platform/foundation/Types.h"

namespace app {

class KDAPPVideoModel : public rt::Object {
  RT_CLASS(KDAPPVideoModel, rt::Object)
 public:
  fd::String player;
  fd::String id;
  fd::String fileName;
  fd::String title;
  fd::String image;
  fd::String href;
  fd::String date;
  fd::String httpStreamUrl;

  /// A record filled from a JSON dictionary (keys equal field names, others ignored); null
  /// when `dictionary` is not one.
  static Ref<KDAPPVideoModel> getModelWithDic(const rt::Id& dictionary);
};

}  // namespace app
