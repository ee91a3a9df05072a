#pragma once
// The program's command line: hosts, where its data and log go, and how it runs (window or
// headless with a script). "--opt value" and "--opt=value" both work.
#include <optional>
#include <string>
#include <vector>

namespace app {

struct KDLaunchOptions {
  std::optional<std::string> contentHost, videoHost, radioURL;
  std::optional<std::string> dataDir;
  std::optional<std::string> script;  // a script file to play headless instead of the tour
  std::optional<std::string> outDir;  // where headless shots go
  std::optional<std::string> keyboard;  // "none": no on-screen keyboard in the window
  bool headless = false;
  bool verbose = false;
  bool help = false;
  bool checkOnly = false;  // only check the command line (the run script does, before it starts a service)
};

/// Parses the arguments after the program name; on a bad command line answers nullopt with
/// a message in `error` ("unknown option --x", "--content-host needs a value", "--content-host:
/// not an http(s) URL: ftp://x"). Hosts taken from the environment (KD_CONTENT_HOST,
/// KD_VIDEO_HOST, KD_RADIO_URL) where the command line names none must be http(s) URLs too.
std::optional<KDLaunchOptions> parseLaunchOptions(const std::vector<std::string>& args, std::string* error);

/// True for "http://HOST..." or "https://HOST..." with a non-empty host.
bool isHTTPURL(const std::string& text);

const char* launchUsage();

}  // namespace app
