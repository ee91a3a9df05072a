#include "app/models/KDAPPBannerModel.h"

#include "net/mapping/KMMapping.h"

namespace app {

RT_IMPLEMENT(KDAPPBannerModel) {
  c.property("end_time", &KDAPPBannerModel::end_time);
  c.property("order_id", &KDAPPBannerModel::order_id);
  c.property("id", &KDAPPBannerModel::id);
  c.property("parent_id", &KDAPPBannerModel::parent_id);
  c.property("image_id", &KDAPPBannerModel::image_id);
  c.property("title", &KDAPPBannerModel::title);
  c.property("start_time", &KDAPPBannerModel::start_time);
  c.property("image", &KDAPPBannerModel::image);
  c.property("create_time", &KDAPPBannerModel::create_time);
  c.property("url", &KDAPPBannerModel::url);
}

Ref<KDAPPBannerModel> KDAPPBannerModel::getModelWithDic(const rt::Id& dictionary) {
  return net::km_objectWithKeyValues<KDAPPBannerModel>(dictionary);
}

}  // namespace app
