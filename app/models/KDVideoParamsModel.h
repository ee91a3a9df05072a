#pragma once
// Arguments of a video list request; the client sends them as query fields.
#include "platform/foundation/Types.h"

namespace app {

class KDVideoParamsModel : public rt::Object {
  RT_CLASS(KDVideoParamsModel, rt::Object)
 public:
  fd::String id;
  int64_t pageNo = 0;
};

}  // namespace app
