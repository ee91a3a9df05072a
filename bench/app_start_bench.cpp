// Start to the first frame of the welcome screen: the application delegate launches (window,
// reachability monitor, welcome and tab bar controllers, progress display defaults) and a
// headless host composites its first frame. Beside it, in the same run, a bare program opens
// the same host on a white window of the same size and draws one frame. The sample service
// runs in-process on 127.0.0.1 and one untimed round warms fonts, images and caches first.
// Only start-to-frame is timed (wall clock); the loading answer and tear-down are not.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "RatioReporter.h"
#include "app/AppDelegate.h"
#include "app/service/ServiceConfig.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "tools/sample-service/service/SampleServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// The process's data folders in a temporary place, the bundled resources, and the service.
void prepare() {
  static bool done = [] {
    auto root = std::filesystem::temp_directory_path() / ("kd-app-start-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    ::setenv("KD_HOME_OVERRIDE", root.c_str(), 1);
    ::setenv("KD_APP_NAME", "kestrel-district", 1);
    // The application's diagnostic lines go nowhere, as the program sends them to a file.
    fd::setLogSink([](const fd::String&) {});
    if (!std::getenv("KD_BUNDLE_PATH")) ::setenv("KD_BUNDLE_PATH", KD_SOURCE_DIR "/resources", 1);
    sample::ServiceOptions options;
    options.port = 0;
    static sample::SampleServer server(options);
    std::string error;
    if (!server.start(&error)) {
      std::fprintf(stderr, "app_start_bench: the sample service did not start: %s\n", error.c_str());
      std::abort();
    }
    app::ServiceConfig::shared().setContentHost(server.baseURL());
    app::ServiceConfig::shared().setVideoHost(server.baseURL());
    return true;
  }();
  (void)done;
}

// Lets the welcome screen's request and its pictures finish, then takes every window down.
void tearDown() {
  auto application = ui::Application::sharedApplication();
  fd::RunLoopDriver::runUntil([&] { return !application->isNetworkActivityIndicatorVisible(); }, 5);
  fd::RunLoopDriver::runUntilIdle();
  for (auto& w : application->windows()) w->setHidden(true);
  application->resetForTesting();
  ui::Transaction::flush();
  fd::RunLoopDriver::runUntilIdle();
}

// One start to first frame; answers its wall time in seconds, or a negative value on failure.
double applicationStart() {
  auto t0 = Clock::now();
  if (!ui::Application::sharedApplication()->launchWithDelegateClass("AppDelegate")) return -1;
  ui::HeadlessHost host;
  bool drawn = host.renderFrame();
  double s = std::chrono::duration<double>(Clock::now() - t0).count();
  return drawn ? s : -1;
}

double bareStart() {
  auto t0 = Clock::now();
  auto window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->setBackgroundColor(gfx::Color::whiteColor());
  window->makeKeyAndVisible();
  ui::HeadlessHost host;
  bool drawn = host.renderFrame();
  double s = std::chrono::duration<double>(Clock::now() - t0).count();
  return drawn ? s : -1;
}

void run(benchmark::State& state, const std::function<double()>& start) {
  prepare();
  // Warm-up: the first start pays for fonts, resources and the loading pictures' download.
  start();
  tearDown();
  for (auto _ : state) {
    double s = start();
    if (s < 0) {
      state.SkipWithError("no frame was drawn");
      break;
    }
    state.SetIterationTime(s);
    tearDown();
  }
}

void BM_ApplicationStartToWelcomeFrame(benchmark::State& state) {
  // The delegate class is looked up by name; naming the type here keeps the library linked.
  (void)sizeof(app::AppDelegate);
  run(state, applicationStart);
}
BENCHMARK(BM_ApplicationStartToWelcomeFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_BareHostFirstFrame(benchmark::State& state) { run(state, bareStart); }
BENCHMARK(BM_BareHostFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double app = reporter.realSecondsFor("BM_ApplicationStartToWelcomeFrame");
  double bare = reporter.realSecondsFor("BM_BareHostFirstFrame");
  if (app > 0 && bare > 0)
    std::printf("start to welcome frame %.2f ms, bare host frame %.2f ms: %.2fx (goal: at most 3x)\n", app * 1e3,
                bare * 1e3, app / bare);
  benchmark::Shutdown();
  return 0;
}
