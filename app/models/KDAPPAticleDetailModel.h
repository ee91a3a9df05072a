#pragma once
// The full article behind a list row, with its HTML body.
#include "platform/foundation/Types.h"

namespace app {

class KDAPPAticleDetailModel : public rt::Object {
  RT_CLASS(KDAPPAticleDetailModel, rt::Object)
 public:
  fd::String chnlId;
  fd::String docAbstract;
  fd::String docType;
  fd::String chnlName;
  fd::String docKeyWords;
  fd::String docHtmlCon;
  fd::String docRelTime;
  fd::String docAuthor;
  fd::String docPubUrl;
  fd::String docTitle;
  fd::String docId;
  fd::String subTitle;

  /// A record filled from a JSON dictionary (keys equal field names, others ignored); null
  /// when `dictionary` is not one.
  static Ref<KDAPPAticleDetailModel> getModelWithDic(const rt::Id& dictionary);
};

}  // namespace app
