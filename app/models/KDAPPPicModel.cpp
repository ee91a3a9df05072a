#include "app/models/KDAPPPicModel.h"

#include "net/mapping/KMMapping.h"

namespace app {

RT_IMPLEMENT(KDAPPPicModel) {
  c.property("absUrl", &KDAPPPicModel::absUrl);
  c.property("srcFile", &KDAPPPicModel::srcFile);
  c.property("id", &KDAPPPicModel::id);
  c.property("alt", &KDAPPPicModel::alt);
  c.property("file", &KDAPPPicModel::file);
  c.property("fileExt", &KDAPPPicModel::fileExt);
  c.property("flag", &KDAPPPicModel::flag);
  c.property("flagString", &KDAPPPicModel::flagString);
  c.property("desc", &KDAPPPicModel::desc);
  c.property("docId", &KDAPPPicModel::docId);
}

Ref<KDAPPPicModel> KDAPPPicModel::getModelWithDic(const rt::Id& dictionary) {
  return net::km_objectWithKeyValues<KDAPPPicModel>(dictionary);
}

}  // namespace app
