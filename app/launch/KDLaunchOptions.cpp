#include "app/launch/KDLaunchOptions.h"

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
         "             [--headless] [--script FILE] [--out DIR] [--verbose]\n"
         "Hosts default to KD_CONTENT_HOST, KD_VIDEO_HOST and KD_RADIO_URL, else http://127.0.0.1:8080;\n"
         "the radio page follows the content host unless it is named.\n";
}

std::optional<KDLaunchOptions> parseLaunchOptions(const std::vector<std::string>& args, std::string* error) {
  KDLaunchOptions options;
  std::map<std::string, std::optional<std::string>*> valued = {
      {"--content-host", &options.contentHost}, {"--video-host", &options.videoHost},
      {"--radio-url", &options.radioURL},       {"--data-dir", &options.dataDir},
      {"--script", &options.script},            {"--out", &options.outDir},
  };
  std::map<std::string, bool*> flags = {
      {"--headless", &options.headless}, {"--verbose", &options.verbose},
      {"--help", &options.help},         {"-h", &options.help},
      {"--check-only", &options.checkOnly},
  };
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
  for (auto* host : {&options.contentHost, &options.videoHost, &options.radioURL}) {
    if (*host && !isHTTPURL(**host)) {
      const char* name = host == &options.contentHost ? "--content-host"
                         : host == &options.videoHost ? "--video-host" : "--radio-url";
      *error = std::string(name) + ": not an http(s) URL: " + **host;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace app
