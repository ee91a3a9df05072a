#include "app/models/KDPageInfo.h"

namespace app {

RT_IMPLEMENT(KDPageInfo) {
  c.property("total_page", &KDPageInfo::total_page);
  c.property("page", &KDPageInfo::page);
  c.property("total", &KDPageInfo::total);
}

}  // namespace app
