#include "app/screens/KDArticleDetailViewController.h"

namespace app {

RT_IMPLEMENT(KDArticleDetailViewController) {}

}  // namespace app
