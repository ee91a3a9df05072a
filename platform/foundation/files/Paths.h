#pragma once
// Where the application keeps its files, on Linux's XDG layout, per application name:
//   caches            $XDG_CACHE_HOME/<app>          (~/.cache/<app>)
//   application data  $XDG_DATA_HOME/<app>           (~/.local/share/<app>)
//   documents         <application data>/Documents
//   library           <application data>/Library
//   configuration     $XDG_CONFIG_HOME/<app>         (~/.config/<app>)
//   temporary         $TMPDIR/ or /tmp/
// With KD_HOME_OVERRIDE set, every one of them lives under that folder instead (the home
// directory, ".cache", ".local/share", ".config" and "tmp" below it) and the XDG variables are
// ignored: tests and the runner point it at a temporary folder. The application name is the
// process name unless KD_APP_NAME says otherwise.
#include <cstdint>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

String applicationName();
String NSHomeDirectory();
/// Ends with "/".
String NSTemporaryDirectory();
String cachesDirectory();
String applicationSupportDirectory();
String documentsDirectory();
String libraryDirectory();
String configurationDirectory();

/// The platform's directory and domain values.
enum SearchPathDirectory : uint64_t {
  ApplicationDirectory = 1,
  LibraryDirectory = 5,
  UserDirectory = 7,
  DocumentationDirectory = 8,
  DocumentDirectory = 9,
  CachesDirectory = 13,
  ApplicationSupportDirectory = 14,
};
enum SearchPathDomainMask : uint64_t {
  UserDomainMask = 1,
  LocalDomainMask = 2,
  NetworkDomainMask = 4,
  SystemDomainMask = 8,
  AllDomainsMask = 0x0ffff,
};

/// The user-domain folder for `directory` (one entry, or none for other domains and unknown
/// directories). Paths are absolute; `expandTilde` is accepted for the platform's signature.
std::vector<String> NSSearchPathForDirectoriesInDomains(SearchPathDirectory directory, uint64_t domainMask,
                                                        bool expandTilde = true);

}  // namespace fd
