#include "app/screens/KDWebViewController.h"

namespace app {

RT_IMPLEMENT(KDWebViewController) {}

}  // namespace app
