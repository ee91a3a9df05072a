#pragma once
// Facts about the running process and the machine.
#include <cstdint>

#include "platform/foundation/Types.h"

namespace fd {

class Array;
class Dictionary;

struct OperatingSystemVersion {
  int64_t majorVersion = 0;
  int64_t minorVersion = 0;
  int64_t patchVersion = 0;
};

class ProcessInfo : public Object {
  RT_CLASS_NAMED(ProcessInfo, Object, "NSProcessInfo")
 public:
  void init();
  static const Ref<ProcessInfo>& processInfo();

  /// Processors available to this process.
  uint64_t activeProcessorCount() const;
  uint64_t processorCount() const;
  /// Bytes of physical memory.
  uint64_t physicalMemory() const;
  /// Seconds since the machine started (the process clock's uptime).
  double systemUptime() const;
  const String& processName() const { return processName_; }
  int processIdentifier() const;
  /// The environment as string keys and values, read when asked.
  Ref<Dictionary> environment() const;
  /// The command line, program first.
  const Ref<Array>& arguments() const { return arguments_; }
  /// From the kernel release ("6.1.0" gives 6, 1, 0).
  const OperatingSystemVersion& operatingSystemVersion() const { return version_; }
  bool isOperatingSystemAtLeastVersion(const OperatingSystemVersion& v) const;
  /// "Version 6.1.0 (Linux ...)".
  const String& operatingSystemVersionString() const { return versionString_; }
  String hostName() const;
  /// Unique within the network and across runs: a UUID, the process id and a counter.
  String globallyUniqueString() const;

 private:
  String processName_;
  Ref<Array> arguments_;
  OperatingSystemVersion version_;
  String versionString_;
};

}  // namespace fd
