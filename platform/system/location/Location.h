#pragma once
// A location fix: a coordinate with its accuracy and the time it was taken.
#include "platform/foundation/Types.h"
#include "platform/runtime/Class.h"

namespace sys {

struct LocationCoordinate2D {
  double latitude = 0;
  double longitude = 0;
};

class Location : public rt::Object {
  RT_CLASS_NAMED(Location, rt::Object, "CLLocation")
 public:
  void init(LocationCoordinate2D coordinate, double horizontalAccuracy, double timestamp);
  LocationCoordinate2D coordinate() const { return coordinate_; }
  /// Metres; negative when the fix is invalid.
  double horizontalAccuracy() const { return horizontalAccuracy_; }
  /// Seconds since 1970 on the platform clock.
  double timestamp() const { return timestamp_; }

 private:
  LocationCoordinate2D coordinate_;
  double horizontalAccuracy_ = 0;
  double timestamp_ = 0;
};

}  // namespace sys

namespace rt {
template <> struct StructEncoding<sys::LocationCoordinate2D> {
  static constexpr const char* value = "{CLLocationCoordinate2D=dd}";
};
}  // namespace rt
