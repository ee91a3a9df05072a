#include "app/models/KDAPPLoadingModel.h"

#include "net/mapping/KMMapping.h"

namespace app {

RT_IMPLEMENT(KDAPPLoadingModel) { c.property("image", &KDAPPLoadingModel::image); }

Ref<KDAPPLoadingModel> KDAPPLoadingModel::getModelWithDic(const rt::Id& dictionary) {
  return net::km_objectWithKeyValues<KDAPPLoadingModel>(dictionary);
}

}  // namespace app
