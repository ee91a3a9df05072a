#pragma once
// The location manager, as a stand-in: nothing is read from the machine. Whether services are
// on, the authorisation status, what a when-in-use request turns it into and the fix that is
// delivered are configured on the shared `LocationServices`; every call a manager receives is
// recorded there, in order. Delegate calls come on the main queue.
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/system/location/Location.h"

namespace sys {

class LocationManager;

enum class AuthorizationStatus : int32_t {
  NotDetermined = 0,
  Restricted = 1,
  Denied = 2,
  AuthorizedAlways = 3,
  AuthorizedWhenInUse = 4,
};

inline constexpr double kLocationAccuracyBest = -1;
inline constexpr double kLocationAccuracyNearestTenMeters = 10;
inline constexpr double kLocationAccuracyHundredMeters = 100;
inline constexpr double kLocationAccuracyKilometer = 1000;
inline constexpr double kDistanceFilterNone = -1;
inline constexpr const char* kLocationErrorDomain = "kCLErrorDomain";
inline constexpr int64_t kLocationErrorDenied = 1;

/// Every operation is optional.
class LocationManagerDelegate {
 public:
  virtual ~LocationManagerDelegate() = default;
  virtual void locationManagerDidUpdateLocations(LocationManager& m, const std::vector<Ref<Location>>& locations) {
    (void)m; (void)locations;
  }
  virtual void locationManagerDidFailWithError(LocationManager& m, const Ref<fd::Error>& error) { (void)m; (void)error; }
  virtual void locationManagerDidChangeAuthorizationStatus(LocationManager& m, AuthorizationStatus status) {
    (void)m; (void)status;
  }
};

/// The stand-in's settings and its record of calls (one per process).
class LocationServices : public rt::Object {
  RT_CLASS_NAMED(LocationServices, rt::Object, "_KDLocationServices")
 public:
  void init() {}
  static Ref<LocationServices> shared();

  bool servicesEnabled = true;
  AuthorizationStatus status = AuthorizationStatus::NotDetermined;
  /// What a when-in-use request makes of an undetermined status.
  AuthorizationStatus statusAfterRequest = AuthorizationStatus::AuthorizedWhenInUse;
  LocationCoordinate2D coordinate{31.2304, 121.4737};
  double accuracy = 65;
  /// "requestWhenInUseAuthorization", "setDesiredAccuracy:100", "startUpdatingLocation", ...
  std::vector<std::string> calls;

  /// Back to the defaults with an empty record.
  void reset();
  size_t count(const std::string& call) const;
};

class LocationManager : public rt::Object {
  RT_CLASS_NAMED(LocationManager, rt::Object, "CLLocationManager")
 public:
  void init() {}
  static bool locationServicesEnabled();
  static AuthorizationStatus authorizationStatus();

  Weak<LocationManagerDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<LocationManagerDelegate> d) { delegate_ = std::move(d); }
  double desiredAccuracy() const { return desiredAccuracy_; }
  void setDesiredAccuracy(double metres);
  double distanceFilter() const { return distanceFilter_; }
  void setDistanceFilter(double metres);

  void requestWhenInUseAuthorization();
  /// Delivers the configured fix while authorised and enabled, else a denied failure.
  void startUpdatingLocation();
  void stopUpdatingLocation();
  bool isUpdatingLocation() const { return updating_; }
  /// The last fix delivered, or null.
  const Ref<Location>& location() const { return location_; }

 private:
  void record(std::string call);
  Weak<LocationManagerDelegate> delegate_;
  double desiredAccuracy_ = kLocationAccuracyBest;
  double distanceFilter_ = kDistanceFilterNone;
  bool updating_ = false;
  Ref<Location> location_;
};

}  // namespace sys
