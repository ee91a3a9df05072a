#pragma once
// A row of an article list. `picMode` and `page` are filled by the content service client,
// never from the JSON item itself.
#include "app/models/KDAPPPicModel.h"
#include "app/models/KDPageInfo.h"
#include "platform/foundation/values/Array.h"

namespace app {

class KDAPPListModel : public rt::Object {
  RT_CLASS(KDAPPListModel, rt::Object)
 public:
  fd::String docAbstract;
  Ref<fd::Array> picAttach;  // the attachment dictionaries as received
  fd::String docRelTime;
  fd::String docTitle;
  fd::String docPubUrl;
  fd::String docType;  // "30": the article is a web page
  fd::String docId;
  fd::String docAuthor;
  fd::String subTitle;
  Ref<KDAPPPicModel> picMode;  // the first attachment
  Ref<KDPageInfo> page;        // shared by every row of one answer

  /// A record filled from a JSON dictionary (keys equal field names, others ignored); null
  /// when `dictionary` is not one. `picMode` and `page` stay empty.
  static Ref<KDAPPListModel> getModelWithDic(const rt::Id& dictionary);
};

}  // namespace app
