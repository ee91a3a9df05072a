// The location stand-in: it records the calls a screen makes, reports the configured status
// and services switch, and delivers the configured fix (or a denial) on the main queue.
#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/system/location/LocationManager.h"

using namespace sys;

namespace {

class Recorder : public LocationManagerDelegate {
 public:
  std::vector<Ref<Location>> fixes;
  std::vector<Ref<fd::Error>> errors;
  std::vector<AuthorizationStatus> statuses;
  void locationManagerDidUpdateLocations(LocationManager&, const std::vector<Ref<Location>>& l) override {
    fixes.insert(fixes.end(), l.begin(), l.end());
  }
  void locationManagerDidFailWithError(LocationManager&, const Ref<fd::Error>& e) override { errors.push_back(e); }
  void locationManagerDidChangeAuthorizationStatus(LocationManager&, AuthorizationStatus s) override {
    statuses.push_back(s);
  }
};

class LocationTest : public ::testing::Test {
 protected:
  void SetUp() override { LocationServices::shared()->reset(); }
  void TearDown() override {
    fd::RunLoopDriver::runUntilIdle();
    LocationServices::shared()->reset();
  }
};

}  // namespace

TEST_F(LocationTest, WebScreenSequenceIsRecordedAndTheFixArrivesOnceAuthorised) {
  auto services = LocationServices::shared();
  services->coordinate = {39.9042, 116.4074};
  auto recorder = std::make_shared<Recorder>();
  auto manager = rt::make<LocationManager>();
  manager->setDelegate(recorder);
  // What the web page screen does on a first run.
  if (!LocationManager::locationServicesEnabled() ||
      LocationManager::authorizationStatus() != AuthorizationStatus::AuthorizedWhenInUse) {
    manager->requestWhenInUseAuthorization();
    manager->setDesiredAccuracy(kLocationAccuracyHundredMeters);
    manager->setDistanceFilter(30);
  }
  manager->startUpdatingLocation();
  EXPECT_EQ(services->calls,
            (std::vector<std::string>{"locationServicesEnabled", "authorizationStatus", "requestWhenInUseAuthorization",
                                      "setDesiredAccuracy:100", "setDistanceFilter:30", "startUpdatingLocation"}));
  EXPECT_EQ(LocationManager::authorizationStatus(), AuthorizationStatus::AuthorizedWhenInUse);
  EXPECT_TRUE(recorder->fixes.empty());  // delivered on the main queue, not inside the call
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(recorder->statuses, std::vector<AuthorizationStatus>{AuthorizationStatus::AuthorizedWhenInUse});
  ASSERT_EQ(recorder->fixes.size(), 1u);
  EXPECT_DOUBLE_EQ(recorder->fixes[0]->coordinate().latitude, 39.9042);
  EXPECT_DOUBLE_EQ(manager->location()->coordinate().longitude, 116.4074);
  EXPECT_EQ(manager->desiredAccuracy(), 100);
  manager->stopUpdatingLocation();
  EXPECT_FALSE(manager->isUpdatingLocation());
  EXPECT_EQ(services->count("stopUpdatingLocation"), 1u);
}

TEST_F(LocationTest, DeniedOrDisabledServicesFailTheUpdatesAndAGivenAnswerStands) {
  auto services = LocationServices::shared();
  auto recorder = std::make_shared<Recorder>();
  auto manager = rt::make<LocationManager>();
  manager->setDelegate(recorder);
  services->status = AuthorizationStatus::Denied;
  manager->requestWhenInUseAuthorization();
  EXPECT_EQ(LocationManager::authorizationStatus(), AuthorizationStatus::Denied);
  manager->startUpdatingLocation();
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_TRUE(recorder->statuses.empty());
  ASSERT_EQ(recorder->errors.size(), 1u);
  EXPECT_EQ(recorder->errors[0]->domain(), rt::String(kLocationErrorDomain));
  EXPECT_EQ(recorder->errors[0]->code(), kLocationErrorDenied);

  services->status = AuthorizationStatus::AuthorizedWhenInUse;
  services->servicesEnabled = false;
  EXPECT_FALSE(LocationManager::locationServicesEnabled());
  manager->startUpdatingLocation();
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(recorder->errors.size(), 2u);
  EXPECT_TRUE(recorder->fixes.empty());

  // Stopped before the main queue runs: nothing is delivered.
  services->servicesEnabled = true;
  manager->startUpdatingLocation();
  manager->stopUpdatingLocation();
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_TRUE(recorder->fixes.empty());
}
