#include "app/cells/KDCardsListCell.h"

namespace app {

RT_IMPLEMENT(KDCardsListCell) {}

}  // namespace app
