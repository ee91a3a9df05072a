#pragma once
// The text lab's command line: window or headless, the script to play and where its shots
// go, and whether the on-screen keyboard is drawn. "--opt value" and "--opt=value" both work.
#include <optional>
#include <string>
#include <vector>

namespace textlab {

struct TLLabOptions {
  std::optional<std::string> script;    // a script to play headless instead of the tour
  std::optional<std::string> outDir;    // where headless shots go
  std::optional<std::string> keyboard;  // "none" or "on-screen"
  bool headless = false;
  bool help = false;
};

/// Parses the arguments after the program name; on a bad command line answers nullopt with a
/// message in `error` ("unknown option --x", "--out needs a value").
std::optional<TLLabOptions> parseLabOptions(const std::vector<std::string>& args, std::string* error);

const char* labUsage();

}  // namespace textlab
