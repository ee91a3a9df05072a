#include "app/models/KDAPPListModel.h"

#include "net/mapping/KMMapping.h"

namespace app {

RT_IMPLEMENT(KDAPPListModel) {
  c.property("docAbstract", &KDAPPListModel::docAbstract);
  c.property("picAttach", &KDAPPListModel::picAttach);
  c.property("docRelTime", &KDAPPListModel::docRelTime);
  c.property("docTitle", &KDAPPListModel::docTitle);
  c.property("docPubUrl", &KDAPPListModel::docPubUrl);
  c.property("docType", &KDAPPListModel::docType);
  c.property("docId", &KDAPPListModel::docId);
  c.property("docAuthor", &KDAPPListModel::docAuthor);
  c.property("subTitle", &KDAPPListModel::subTitle);
  c.property("picMode", &KDAPPListModel::picMode);
  c.property("page", &KDAPPListModel::page);
}

Ref<KDAPPListModel> KDAPPListModel::getModelWithDic(const rt::Id& dictionary) {
  auto record = net::km_objectWithKeyValues<KDAPPListModel>(dictionary);
  // The two client-set fields are not the item's to fill, even when it carries such keys.
  if (record) {
    record->picMode = nullptr;
    record->page = nullptr;
  }
  return record;
}

}  // namespace app
