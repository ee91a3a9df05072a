// The text lab: rich-text labels and the editable text view on one screen, in a window or,
// headless, playing a script into PNG files.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/text-lab/TLLabRun.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto options = textlab::parseLabOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "text-lab: %s\n%s", error.c_str(), textlab::labUsage());
    return 2;
  }
  if (options->help) {
    std::fputs(textlab::labUsage(), stdout);
    return 0;
  }
  return textlab::runTextLab(*options, [](const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  });
}
