#pragma once
// Questions about the running application: standard folders, bundle information, memory and
// processor use, whether it runs as an extension, and a network-activity count that drives the
// status bar's indicator without flicker (changes within 1/30 s fold into one).
#include "platform/foundation/net/URL.h"
#include "platform/ui/host/Application.h"

namespace base {

using rt::String;

Ref<fd::URL> documentsURL(const ui::Application& app);
Ref<fd::URL> cachesURL(const ui::Application& app);
Ref<fd::URL> libraryURL(const ui::Application& app);
String documentsPath(const ui::Application& app);
String cachesPath(const ui::Application& app);
String libraryPath(const ui::Application& app);

String appBundleName(const ui::Application& app);
String appBundleID(const ui::Application& app);
String appVersion(const ui::Application& app);
String appBuildVersion(const ui::Application& app);

/// The process's resident size in bytes; -1 when it cannot be read.
int64_t memoryUsage(const ui::Application& app);
/// Recent processor use of the process's threads since the previous call (their lifetime
/// average on the first), 1.0 per fully busy processor; -1 when it cannot be read.
float cpuUsage(const ui::Application& app);

/// Any thread; the count changes on the main thread and never drops below 0.
void incrementNetworkActivityCount(ui::Application& app);
void decrementNetworkActivityCount(ui::Application& app);
/// The count of operations in flight (0 before the first change).
int64_t networkActivityCount(const ui::Application& app);

/// True inside an application extension (a main bundle ending in ".appex").
bool isAppExtension();
/// Null inside an extension, else the shared application. Main thread.
Ref<ui::Application> sharedExtensionApplication();

}  // namespace base
