#pragma once
// The device: what a Linux machine can honestly say about itself, every answer overridable so
// that tests can pose as another model, system version or memory size.
#include <cstdint>
#include <optional>

#include "platform/runtime/Class.h"

namespace ui {

enum class UserInterfaceIdiom : int64_t { Unspecified = -1, Phone = 0, Pad = 1 };
enum class DeviceOrientation : int64_t {
  Unknown = 0, Portrait = 1, PortraitUpsideDown = 2, LandscapeLeft = 3, LandscapeRight = 4, FaceUp = 5, FaceDown = 6
};
enum class DeviceBatteryState : int64_t { Unknown = 0, Unplugged = 1, Charging = 2, Full = 3 };

class Device : public rt::Object {
  RT_CLASS_NAMED(Device, rt::Object, "UIDevice")
 public:
  void init() {}
  static Ref<Device> currentDevice();

  rt::String name() const;
  rt::String model() const;
  rt::String localizedModel() const { return model(); }
  rt::String systemName() const;
  rt::String systemVersion() const;
  UserInterfaceIdiom userInterfaceIdiom() const;
  /// The hardware model string ("x86_64", "aarch64"...), from uname unless overridden.
  rt::String machineModel() const;
  /// True when the machine model names a simulator architecture ("x86_64", "i386").
  bool isSimulator() const;
  DeviceOrientation orientation() const { return orientation_; }
  /// Read from /sys/class/power_supply when a battery exists; -1 otherwise.
  double batteryLevel() const;
  DeviceBatteryState batteryState() const;
  bool isBatteryMonitoringEnabled() const { return batteryMonitoring_; }
  void setBatteryMonitoringEnabled(bool on) { batteryMonitoring_ = on; }
  /// A stable identifier for this machine (from /etc/machine-id), formatted as a UUID.
  rt::String identifierForVendor() const;
  /// Physical memory in bytes, -1 when unreadable.
  int64_t totalMemory() const;
  /// Free pages times the page size, -1 when unreadable.
  int64_t freeMemory() const;

  // Overrides for tests and for the host's configuration; nullopt restores the machine's answer.
  void setModel(std::optional<rt::String> v) { model_ = std::move(v); }
  void setSystemVersion(std::optional<rt::String> v) { systemVersion_ = std::move(v); }
  void setUserInterfaceIdiom(std::optional<UserInterfaceIdiom> v) { idiom_ = v; }
  void setMachineModel(std::optional<rt::String> v) { machine_ = std::move(v); }
  void setMemory(std::optional<int64_t> total, std::optional<int64_t> free) { total_ = total; free_ = free; }
  /// Changes the orientation and posts the orientation-did-change notification.
  void setOrientation(DeviceOrientation o);
  /// Clears every override.
  void resetOverrides();

 private:
  std::optional<rt::String> model_, systemVersion_, machine_;
  std::optional<UserInterfaceIdiom> idiom_;
  std::optional<int64_t> total_, free_;
  DeviceOrientation orientation_ = DeviceOrientation::Portrait;
  bool batteryMonitoring_ = false;
};

inline constexpr const char* UIDeviceOrientationDidChangeNotification = "UIDeviceOrientationDidChangeNotification";

}  // namespace ui
