#pragma once
// Runs the application as the program does: data folders, log file, service hosts, launch,
// then either a real window until it closes or, headless, a script of "tap / drag / wait /
// shoot" lines whose shots become PNG files. Main thread only; answers the exit status.
#include <functional>
#include <string>

#include "app/launch/KDLaunchOptions.h"

namespace app {

struct KDRunReport {
  std::string logPath;   // the diagnostic log file
  std::string outDir;    // headless: where the shots went
  bool headless = false;
};

/// `say` hears the few lines meant for the person at the terminal.
int runApplication(const KDLaunchOptions& options, const std::function<void(const std::string&)>& say,
                   KDRunReport* report = nullptr);

/// Cancels every picture load and lets the workers' hand-overs to the main thread through (at
/// most a few seconds), so that none is left waiting on a main thread that has gone.
void stopPictureDownloads();

}  // namespace app
