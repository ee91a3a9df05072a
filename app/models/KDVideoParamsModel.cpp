#include "app/models/KDVideoParamsModel.h"

namespace app {

RT_IMPLEMENT(KDVideoParamsModel) {
  c.property("id", &KDVideoParamsModel::id);
  c.property("pageNo", &KDVideoParamsModel::pageNo);
}

}  // namespace app
