#include "tools/text-lab/TLLabOptions.h"

#include "platform/ui/host/LaunchSupport.h"

#include <map>

namespace textlab {

const char* labUsage() {
  return "usage: text-lab [--headless] [--script FILE] [--out DIR] [--keyboard none|on-screen]\n"
         "With no display, or with --headless, plays the tour (or FILE) and writes one PNG per shot.\n"
         "The on-screen keyboard is drawn unless --keyboard none.\n";
}

std::optional<TLLabOptions> parseLabOptions(const std::vector<std::string>& args, std::string* error) {
  TLLabOptions options;
  std::map<std::string, std::optional<std::string>*> valued = {
      {"--script", &options.script}, {"--out", &options.outDir}, {"--keyboard", &options.keyboard}};
  std::map<std::string, bool*> flags = {{"--headless", &options.headless}, {"--help", &options.help}, {"-h", &options.help}};
  if (!ui::parseCommandLine(args, valued, flags, error)) return std::nullopt;
  if (options.keyboard && *options.keyboard != "none" && *options.keyboard != "on-screen") {
    *error = "--keyboard takes none or on-screen";
    return std::nullopt;
  }
  return options;
}

}  // namespace textlab
