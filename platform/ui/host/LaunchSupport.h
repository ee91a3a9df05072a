#pragma once
// What a program on the host needs before it starts: its command line, whether there is a
// display to open a window on, the script it plays headless and a folder for its shots.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ui {

/// Reads `--name value`, `--name=value` and flags into the places given. False, with the
/// reason in `error`, for an unknown option, a flag given a value or a missing or empty value.
bool parseCommandLine(const std::vector<std::string>& args,
                      const std::map<std::string, std::optional<std::string>*>& valued,
                      const std::map<std::string, bool*>& flags, std::string* error);
/// True when a window system is there (X11 or Wayland).
bool hostHasDisplay();
/// The whole file; false when it cannot be read.
bool readTextFile(const std::string& path, std::string* text);
/// A fresh folder under the temporary folder named after `prefix`; the plain name when none can
/// be made.
std::string makeShotFolder(const std::string& prefix);

}  // namespace ui
