#include "app/screens/KDSetViewController.h"

namespace app {

RT_IMPLEMENT(KDSetViewController) {}

}  // namespace app
