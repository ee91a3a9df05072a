#pragma once
// Arguments of a paged article list request; the client sends them as form fields.
#include "platform/foundation/Types.h"

namespace app {

class KDAppChannelParamsModel : public rt::Object {
  RT_CLASS(KDAppChannelParamsModel, rt::Object)
 public:
  fd::String trs_id;
  int64_t page = 0;
  int64_t page_size = 0;
};

}  // namespace app
