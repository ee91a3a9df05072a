// The application's entry: reads the command line, then runs the application in a window or,
// headless, plays a script and writes its shots.
#include <cstdio>
#include <string>
#include <vector>

#include "app/launch/KDApplicationRun.h"
#include "app/launch/KDLaunchOptions.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto options = app::parseLaunchOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "kdapp: %s\n%s", error.c_str(), app::launchUsage());
    return 2;
  }
  if (options->checkOnly) return 0;
  if (options->help) {
    std::fputs(app::launchUsage(), stdout);
    return 0;
  }
  return app::runApplication(*options, [](const std::string& line) { std::printf("%s\n", line.c_str()); std::fflush(stdout); });
}
