#pragma once
// Questions about the machine: system version, model and its name, network addresses and
// traffic, uptime, disk, memory and processors. Linux interface names fall into three families:
// Wi-Fi for "wl", "en" and "eth"; cellular for "wwan", "rmnet", "ppp" and "pdp_ip"; peer-to-peer
// for "p2p" and "awdl". Memory figures come from /proc/meminfo (wired: unevictable pages;
// purgeable: reclaimable kernel caches). Any thread, except canMakePhoneCalls (main thread).
#include <cstdint>
#include <vector>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Array.h"
#include "platform/ui/host/Device.h"

namespace base {

using rt::String;

/// Traffic kinds for getNetworkTrafficBytes (any combination adds up).
enum DRNetworkTrafficType : uint32_t {
  DRNetworkTrafficTypeWWANSent = 1 << 0,
  DRNetworkTrafficTypeWWANReceived = 1 << 1,
  DRNetworkTrafficTypeWIFISent = 1 << 2,
  DRNetworkTrafficTypeWIFIReceived = 1 << 3,
  DRNetworkTrafficTypeAWDLSent = 1 << 4,
  DRNetworkTrafficTypeAWDLReceived = 1 << 5,
};

/// The device's system version as a number ("8.3" is 8.3), read once.
float systemVersion();

bool isPad(const ui::Device& device);
bool isSimulator(const ui::Device& device);
bool canMakePhoneCalls(const ui::Device& device);
/// The IPv4 address of the first Wi-Fi (cellular) interface; empty when there is none.
String ipAddressWIFI(const ui::Device& device);
String ipAddressCell(const ui::Device& device);
/// Bytes moved since boot for the selected kinds; 0 when the interfaces cannot be read.
uint64_t getNetworkTrafficBytes(const ui::Device& device, uint32_t types);
/// A 64-bit running total of a 32-bit counter that wraps, with the counter's last raw reading.
struct DRTrafficCounter {
  uint64_t total = 0;
  uint32_t last = 0;
};
/// Adds what the counter moved since its last reading, (current - last) mod 2^32, and answers
/// the new total.
uint64_t DRAdvanceTrafficCounter(DRTrafficCounter& counter, uint32_t current);

String machineModel(const ui::Device& device);
/// The marketing name of the machine model, or the model itself when unknown.
String machineModelName(const ui::Device& device);
String machineModelNameFor(const String& model);
Ref<fd::Date> systemUptime(const ui::Device& device);

/// Bytes; -1 when unreadable.
int64_t diskSpace(const ui::Device& device);
int64_t diskSpaceFree(const ui::Device& device);
int64_t diskSpaceUsed(const ui::Device& device);
int64_t memoryTotal(const ui::Device& device);
int64_t memoryUsed(const ui::Device& device);
int64_t memoryFree(const ui::Device& device);
int64_t memoryActive(const ui::Device& device);
int64_t memoryInactive(const ui::Device& device);
int64_t memoryWired(const ui::Device& device);
int64_t memoryPurgable(const ui::Device& device);

uint64_t cpuCount(const ui::Device& device);
/// Busy share of each processor since boot; null when unreadable.
Ref<fd::Array> cpuUsagePerProcessor(const ui::Device& device);
/// Their sum; -1 when unreadable.
float cpuUsage(const ui::Device& device);

}  // namespace base
