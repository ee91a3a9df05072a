#pragma once
// Runs the text lab: in a window when a display is there, else (or when asked) headless,
// playing the tour or a script into PNG files.
#include <functional>
#include <optional>
#include <string>

#include "tools/text-lab/TLLabOptions.h"

namespace textlab {

/// The default tour in the main bundle ("text-lab/tour.txt"), if it is there.
std::optional<std::string> labTourPath();

/// Sets the keyboard up as the options say and launches the shared application with the lab's
/// delegate; false when the delegate could not be made.
bool launchTextLab(const TLLabOptions& options);

/// Runs the lab as the program does; `say` gets the lines the program prints. Answers the exit
/// status: 0, 1 when it could not run, 2 for a bad script.
int runTextLab(const TLLabOptions& options, const std::function<void(const std::string&)>& say);

}  // namespace textlab
