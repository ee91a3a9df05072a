#include "app/models/KDAppChannelParamsModel.h"

namespace app {

RT_IMPLEMENT(KDAppChannelParamsModel) {
  c.property("trs_id", &KDAppChannelParamsModel::trs_id);
  c.property("page", &KDAppChannelParamsModel::page);
  c.property("page_size", &KDAppChannelParamsModel::page_size);
}

}  // namespace app
