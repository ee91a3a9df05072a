#include "platform/system/location/LocationManager.h"

#include <algorithm>
#include <cstdio>

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/Queue.h"

namespace sys {
namespace {

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

bool authorised(AuthorizationStatus s) {
  return s == AuthorizationStatus::AuthorizedAlways || s == AuthorizationStatus::AuthorizedWhenInUse;
}

}  // namespace

RT_IMPLEMENT_PLATFORM(LocationServices) {}
RT_IMPLEMENT_PLATFORM(LocationManager) {
  c.property("desiredAccuracy", &LocationManager::desiredAccuracy, &LocationManager::setDesiredAccuracy);
  c.property("distanceFilter", &LocationManager::distanceFilter, &LocationManager::setDistanceFilter);
}

Ref<LocationServices> LocationServices::shared() {
  static Ref<LocationServices> instance = rt::make<LocationServices>();
  return instance;
}

void LocationServices::reset() {
  servicesEnabled = true;
  status = AuthorizationStatus::NotDetermined;
  statusAfterRequest = AuthorizationStatus::AuthorizedWhenInUse;
  coordinate = {31.2304, 121.4737};
  accuracy = 65;
  calls.clear();
}

size_t LocationServices::count(const std::string& call) const {
  return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
}

bool LocationManager::locationServicesEnabled() {
  LocationServices::shared()->calls.emplace_back("locationServicesEnabled");
  return LocationServices::shared()->servicesEnabled;
}

AuthorizationStatus LocationManager::authorizationStatus() {
  LocationServices::shared()->calls.emplace_back("authorizationStatus");
  return LocationServices::shared()->status;
}

void LocationManager::record(std::string call) { LocationServices::shared()->calls.push_back(std::move(call)); }

void LocationManager::setDesiredAccuracy(double metres) {
  desiredAccuracy_ = metres;
  record("setDesiredAccuracy:" + number(metres));
}

void LocationManager::setDistanceFilter(double metres) {
  distanceFilter_ = metres;
  record("setDistanceFilter:" + number(metres));
}

void LocationManager::requestWhenInUseAuthorization() {
  record("requestWhenInUseAuthorization");
  auto services = LocationServices::shared();
  // Only an undetermined status is asked about; a given answer stands.
  if (services->status != AuthorizationStatus::NotDetermined) return;
  services->status = services->statusAfterRequest;
  Weak<LocationManager> weak = std::static_pointer_cast<LocationManager>(self());
  AuthorizationStatus status = services->status;
  dispatch::mainQueue()->async([weak, status] {
    auto m = weak.lock();
    auto d = m ? m->delegate_.lock() : nullptr;
    if (d) d->locationManagerDidChangeAuthorizationStatus(*m, status);
  });
}

void LocationManager::startUpdatingLocation() {
  record("startUpdatingLocation");
  updating_ = true;
  Weak<LocationManager> weak = std::static_pointer_cast<LocationManager>(self());
  dispatch::mainQueue()->async([weak] {
    auto m = weak.lock();
    if (!m || !m->updating_) return;
    auto services = LocationServices::shared();
    auto d = m->delegate_.lock();
    if (!services->servicesEnabled || !authorised(services->status)) {
      if (d)
        d->locationManagerDidFailWithError(
            *m, fd::Error::create(kLocationErrorDomain, kLocationErrorDenied));
      return;
    }
    m->location_ = rt::make<Location>(services->coordinate, services->accuracy, dispatch::clock().now());
    if (d) d->locationManagerDidUpdateLocations(*m, {m->location_});
  });
}

void LocationManager::stopUpdatingLocation() {
  record("stopUpdatingLocation");
  updating_ = false;
}

}  // namespace sys
