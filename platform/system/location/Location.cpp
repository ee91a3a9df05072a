#include "platform/system/location/Location.h"

namespace sys {

RT_IMPLEMENT_PLATFORM(Location) {
  c.property("coordinate", &Location::coordinate);
  c.property("horizontalAccuracy", &Location::horizontalAccuracy);
}

void Location::init(LocationCoordinate2D coordinate, double horizontalAccuracy, double timestamp) {
  coordinate_ = coordinate;
  horizontalAccuracy_ = horizontalAccuracy;
  timestamp_ = timestamp;
}

}  // namespace sys
