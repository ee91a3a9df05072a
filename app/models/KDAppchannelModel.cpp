#include "app/models/KDAppchannelModel.h"

#include "net/mapping/KMMapping.h"

namespace app {

RT_IMPLEMENT(KDAppchannelModel) {
  c.property("id", &KDAppchannelModel::id);
  c.property("parent_id", &KDAppchannelModel::parent_id);
  c.property("_has_child", &KDAppchannelModel::_has_child);
  c.property("url", &KDAppchannelModel::url);
  c.property("order_id", &KDAppchannelModel::order_id);
  c.property("_grade", &KDAppchannelModel::_grade);
  c.property("title", &KDAppchannelModel::title);
  c.property("_prefix", &KDAppchannelModel::_prefix);
  c.property("trs_channel_id", &KDAppchannelModel::trs_channel_id);
  c.property("image_id", &KDAppchannelModel::image_id);
  c.property("image", &KDAppchannelModel::image);
  c.property("create_time", &KDAppchannelModel::create_time);
  c.property("des", &KDAppchannelModel::des);
}

Ref<KDAppchannelModel> KDAppchannelModel::getModelWithDic(const rt::Id& dictionary) {
  return net::km_objectWithKeyValues<KDAppchannelModel>(dictionary);
}

}  // namespace app
