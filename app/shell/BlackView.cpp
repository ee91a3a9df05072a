#include "app/shell/BlackView.h"

namespace app {

RT_IMPLEMENT(BlackView) {}

}  // namespace app
