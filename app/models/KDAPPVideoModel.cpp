#include "app/models/KDAPPVideoModel.h"

#include "net/mapping/KMMapping.h"

namespace app {

RT_IMPLEMENT(KDAPPVideoModel) {
  c.property("player", &KDAPPVideoModel::player);
  c.property("id", &KDAPPVideoModel::id);
  c.property("fileName", &KDAPPVideoModel::fileName);
  c.property("title", &KDAPPVideoModel::title);
  c.property("image", &KDAPPVideoModel::image);
  c.property("href", &KDAPPVideoModel::href);
  c.property("date", &KDAPPVideoModel::date);
  c.property("httpStreamUrl", &KDAPPVideoModel::httpStreamUrl);
}

Ref<KDAPPVideoModel> KDAPPVideoModel::getModelWithDic(const rt::Id& dictionary) {
  return net::km_objectWithKeyValues<KDAPPVideoModel>(dictionary);
}

}  // namespace app
