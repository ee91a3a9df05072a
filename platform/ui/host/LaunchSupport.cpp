#include "platform/ui/host/LaunchSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ui {

bool parseCommandLine(const std::vector<std::string>& args,
                      const std::map<std::string, std::optional<std::string>*>& valued,
                      const std::map<std::string, bool*>& flags, std::string* error) {
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
        return false;
      }
      *flag->second = true;
      continue;
    }
    auto option = valued.find(name);
    if (option == valued.end()) {
      *error = "unknown option " + name;
      return false;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        *error = name + " needs a value";
        return false;
      }
      inlineValue = args[++i];
    }
    if (inlineValue->empty()) {
      *error = name + " needs a value";
      return false;
    }
    *option->second = *inlineValue;
  }
  return true;
}

bool hostHasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* v = std::getenv(name); v && *v) return true;
  return false;
}

bool readTextFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *text = s.str();
  return true;
}

std::string makeShotFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) return (std::filesystem::temp_directory_path() / prefix).string();
  return pattern;
}

}  // namespace ui
