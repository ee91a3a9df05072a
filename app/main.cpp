// The application's entry. The screens are not built yet: until they are, the program
// configures the service hosts, loads the channel list through the content service client
// and prints it, so the run command exercises the real client against the configured service.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/service/KDRequest.h"
#include "app/service/ServiceConfig.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/threads/RunLoop.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: kdapp [--content-host URL] [--video-host URL] [--radio-url URL]\n"
               "Hosts default to KD_CONTENT_HOST, KD_VIDEO_HOST and KD_RADIO_URL, else %s.\n",
               app::ServiceConfig::kDefaultHost);
}

}  // namespace

int main(int argc, char** argv) {
  auto& config = app::ServiceConfig::shared();
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      usage();
      return 0;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "kdapp: %s needs a value\n", option.c_str());
      usage();
      return 2;
    }
    rt::String value(argv[++i]);
    if (option == "--content-host") config.setContentHost(value);
    else if (option == "--video-host") config.setVideoHost(value);
    else if (option == "--radio-url") config.setRadioURL(value);
    else {
      std::fprintf(stderr, "kdapp: unknown option %s\n", option.c_str());
      usage();
      return 2;
    }
  }
  std::printf("content service %s, video list %s, radio %s\n", config.contentHost().utf8().c_str(),
              config.videoHost().utf8().c_str(), config.radioURL().utf8().c_str());

  bool done = false;
  int status = 0;
  app::KDRequest::getAppchannelSuccess(
      [&](const std::vector<Ref<app::KDAppchannelModel>>& channels) {
        std::printf("%zu channels:\n", channels.size());
        for (const auto& c : channels)
          std::printf("  %-6s parent %-6s %s\n", c->id.utf8().c_str(), c->parent_id.utf8().c_str(),
                      c->title.utf8().c_str());
        done = true;
      },
      [&](const fd::String& message) {
        std::fprintf(stderr, "kdapp: the channel list did not load: %s\n", message.utf8().c_str());
        status = 1;
        done = true;
      });
  auto loop = fd::RunLoop::mainRunLoop();
  auto deadline = fd::Date::dateWithTimeIntervalSinceNow(30);
  while (!done && fd::Date::date()->timeIntervalSinceDate(*deadline) < 0)
    loop->runUntilDate(fd::Date::dateWithTimeIntervalSinceNow(0.1));
  if (!done) {
    std::fprintf(stderr, "kdapp: no answer from %s within 30 s\n", config.contentHost().utf8().c_str());
    return 1;
  }
  return status;
}
