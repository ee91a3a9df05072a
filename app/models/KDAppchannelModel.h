#pragma once
// A channel of the content service; screens pick channels by their parent.
#include "platform/foundation/Types.h"

namespace app {

class KDAppchannelModel : public rt::Object {
  RT_CLASS(KDAppchannelModel, rt::Object)
 public:
  fd::String id;
  fd::String parent_id;
  bool _has_child = false;
  fd::String url;
  fd::String order_id;
  fd::String _grade;
  fd::String title;
  fd::String _prefix;
  fd::String trs_channel_id;
  fd::String image_id;
  fd::String image;
  fd::String create_time;
  fd::String des;

  /// A record filled from a JSON dictionary (keys equal field names, others ignored); null
  /// when `dictionary` is not one.
  static Ref<KDAppchannelModel> getModelWithDic(const rt::Id& dictionary);
};

}  // namespace app
