#pragma once
// Paging facts of one answer, kept as the service sent them (decimal text); readers take their integer value.
#include "platform/foundation/Types.h"

namespace app {

class KDPageInfo : public rt::Object {
  RT_CLASS(KDPageInfo, rt::Object)
 public:
  fd::String total_page;
  fd::String page;
  fd::String total;
};

}  // namespace app
