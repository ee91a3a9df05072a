#include "tools/text-lab/TLLabOptions.h"

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
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (auto flag = flags.find(name); flag != flags.end()) {
      if (inlineValue) {
        *error = name + " takes no value";
        return std::nullopt;
      }
      *flag->second = true;
      continue;
    }
    auto option = valued.find(name);
    if (option == valued.end()) {
      *error = "unknown option " + name;
      return std::nullopt;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        *error = name + " needs a value";
        return std::nullopt;
      }
      inlineValue = args[++i];
    }
    if (inlineValue->empty()) {
      *error = name + " needs a value";
      return std::nullopt;
    }
    *option->second = *inlineValue;
  }
  if (options.keyboard && *options.keyboard != "none" && *options.keyboard != "on-screen") {
    *error = "--keyboard takes none or on-screen";
    return std::nullopt;
  }
  return options;
}

}  // namespace textlab
