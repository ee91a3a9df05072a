#pragma once
// The application and the device as the HTTP client reaches them: by class name, so that the
// client works in programs without the UI layer (no application, no device: nothing to tell)
// and uses the shared ones wherever the UI layer is loaded.
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/runtime/Object.h"
#include "platform/runtime/String.h"

namespace net {

/// The shared application, or null in a process without the UI layer.
rt::Id NKSharedApplication();
/// Begins a background task on `application`; 0 when it cannot.
uint64_t NKBeginBackgroundTask(const rt::Id& application, std::function<void()> expirationHandler);
void NKEndBackgroundTask(const rt::Id& application, uint64_t identifier);
/// Shows or hides the application's network activity indicator, where there is an application.
void NKSetNetworkActivityIndicatorVisible(bool visible);

/// The device's model and system version ("iPhone", "9.0"), or nullopt without the UI layer.
struct NKDeviceDescription {
  rt::String model;
  rt::String systemVersion;
};
std::optional<NKDeviceDescription> NKCurrentDevice();

}  // namespace net
