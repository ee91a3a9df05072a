#pragma once
// A banner of the home screen's carousel.
#include "platform/foundation/Types.h"

namespace app {

class KDAPPBannerModel : public rt::Object {
  RT_CLASS(KDAPPBannerModel, rt::Object)
 public:
  fd::String end_time;
  fd::String order_id;
  fd::String id;
  fd::String parent_id;
  fd::String image_id;
  fd::String title;
  fd::String start_time;
  fd::String image;
  fd::String create_time;
  fd::String url;

  /// A record filled from a JSON dictionary (keys equal field names, others ignored); null
  /// when `dictionary` is not one.
  static Ref<KDAPPBannerModel> getModelWithDic(const rt::Id& dictionary);
};

}  // namespace app
