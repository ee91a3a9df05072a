// Runs the sample content service until interrupted.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sample-service/service/SampleServer.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::fputs(sample::usageText().c_str(), stdout);
    return 0;
  }
  std::string error;
  auto options = sample::parseOptions(arguments, &error);
  if (!options) {
    std::fprintf(stderr, "sample-service: %s\n%s", error.c_str(), sample::usageText().c_str());
    return 2;
  }
  // Block the stop signals before any thread starts, so that only sigwait below sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  sample::SampleServer server(*options);
  if (!server.start(&error)) {
    std::fprintf(stderr, "sample-service: %s\n", error.c_str());
    return 1;
  }
  std::printf("sample-service: content service %s/api.php/, video list %s/mas/front/appList.jsp\n",
              server.baseURL().c_str(), server.baseURL().c_str());
  std::fflush(stdout);
  int received = 0;
  sigwait(&signals, &received);
  server.stop();
  return 0;
}
