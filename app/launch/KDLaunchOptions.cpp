#include "app/launch/KDLaunchOptions.h"

#include "platform/ui/host/LaunchSupport.h"

#include <cstdlib>
#include <map>

namespace app {

bool isHTTPURL(const std::string& text) {
  for (const char* scheme : {"http://", "https://"}) {
    std::string s = scheme;
    if (text.size() > s.size() && text.compare(0, s.size(), s) == 0) {
      char first = text[s.size()];
      return first != '/' && first != ':' && first != '?' && first != '#';
    }
  }
  return false;
}

const char* launchUsage() {
  return "usage: kdapp [--content-host URL] [--video-host URL] [--radio-url URL] [--data-dir DIR]\n"
         "             [--headless] [--script FILE] [--out DIR] [--keyboard none] [--verbose]\n"
         "Hosts default to KD_CONTENT_HOST, KD_VIDEO_HOST and KD_RADIO_URL, else http://127.0.0.1:8080;\n"
         "the radio page follows the content host unless it is named.\n";
}

std::optional<KDLaunchOptions> parseLaunchOptions(const std::vector<std::string>& args, std::string* error) {
  KDLaunchOptions options;
  std::map<std::string, std::optional<std::string>*> valued = {
      {"--content-host", &options.contentHost}, {"--video-host", &options.videoHost},
      {"--radio-url", &options.radioURL},       {"--data-dir", &options.dataDir},
      {"--script", &options.script},            {"--out", &options.outDir},
      {"--keyboard", &options.keyboard},
  };
  std::map<std::string, bool*> flags = {
      {"--headless", &options.headless}, {"--verbose", &options.verbose},
      {"--help", &options.help},         {"-h", &options.help},
      {"--check-only", &options.checkOnly},
  };
  if (!ui::parseCommandLine(args, valued, flags, error)) return std::nullopt;
  if (options.keyboard && *options.keyboard != "none" && *options.keyboard != "on-screen") {
    *error = "--keyboard takes none or on-screen";
    return std::nullopt;
  }
  struct Host {
    const std::optional<std::string>& given;
    const char* option;
    const char* variable;
  };
  const std::optional<std::string> noOption;  // the picture site is named by the environment only
  const Host hosts[] = {{options.contentHost, "--content-host", "KD_CONTENT_HOST"},
                        {options.videoHost, "--video-host", "KD_VIDEO_HOST"},
                        {options.radioURL, "--radio-url", "KD_RADIO_URL"},
                        {noOption, "", "KD_WEBSITE_HOST"}};
  for (const auto& host : hosts) {
    if (host.given) {
      if (!isHTTPURL(*host.given)) {
        *error = std::string(host.option) + ": not an http(s) URL: " + *host.given;
        return std::nullopt;
      }
      continue;
    }
    // A host from the environment is held to the same rule, before anything starts.
    const char* value = std::getenv(host.variable);
    if (value && *value && !isHTTPURL(value)) {
      *error = std::string(host.variable) + ": not an http(s) URL: " + value;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace app
