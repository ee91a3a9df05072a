#include "app/models/KDAPPAticleDetailModel.h"

#include "net/mapping/KMMapping.h"

namespace app {

RT_IMPLEMENT(KDAPPAticleDetailModel) {
  c.property("chnlId", &KDAPPAticleDetailModel::chnlId);
  c.property("docAbstract", &KDAPPAticleDetailModel::docAbstract);
  c.property("docType", &KDAPPAticleDetailModel::docType);
  c.property("chnlName", &KDAPPAticleDetailModel::chnlName);
  c.property("docKeyWords", &KDAPPAticleDetailModel::docKeyWords);
  c.property("docHtmlCon", &KDAPPAticleDetailModel::docHtmlCon);
  c.property("docRelTime", &KDAPPAticleDetailModel::docRelTime);
  c.property("docAuthor", &KDAPPAticleDetailModel::docAuthor);
  c.property("docPubUrl", &KDAPPAticleDetailModel::docPubUrl);
  c.property("docTitle", &KDAPPAticleDetailModel::docTitle);
  c.property("docId", &KDAPPAticleDetailModel::docId);
  c.property("subTitle", &KDAPPAticleDetailModel::subTitle);
}

Ref<KDAPPAticleDetailModel> KDAPPAticleDetailModel::getModelWithDic(const rt::Id& dictionary) {
  return net::km_objectWithKeyValues<KDAPPAticleDetailModel>(dictionary);
}

}  // namespace app
