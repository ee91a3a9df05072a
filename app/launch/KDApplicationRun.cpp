#include "app/launch/KDApplicationRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "app/AppDelegate.h"
#include "app/service/ServiceConfig.h"
#include "image/web/WIImageCache.h"
#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageManager.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/host/LaunchSupport.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/media/MediaEngine.h"

namespace app {

namespace {

constexpr const char* kApplicationName = "kestrel-district";

// Log lines go to the file, and to the terminal too when asked; the file is opened once.
bool routeLog(const std::string& path, bool verbose) {
  auto file = std::make_shared<std::ofstream>(path, std::ios::app);
  if (!*file) return false;
  auto lock = std::make_shared<std::mutex>();
  fd::setLogSink([file, lock, verbose](const fd::String& message) {
    std::lock_guard guard(*lock);
    *file << message.utf8() << '\n';
    file->flush();
    if (verbose) std::fprintf(stderr, "%s\n", message.utf8().c_str());
  });
  return true;
}

/// The end of a run, before the program returns.
void finishRun() {
  // Playback ends as the window closes. No media engine may be alive when the program
  // returns: its threads would run on through the exit handlers, and its subtitle renderer's
  // own font configuration would still hold fontconfig's caches when fontconfig is finalised
  // at exit, which fontconfig answers with an abort. Waiting for the picture loads runs the
  // main loop, which may start a player again: stop once more after it.
  ui::MediaEngine::stopAll();
  stopPictureDownloads();
  ui::MediaEngine::stopAll();
}

}  // namespace

int runApplication(const KDLaunchOptions& options, const std::function<void(const std::string&)>& say,
                   KDRunReport* report) {
  if (!std::getenv("KD_APP_NAME")) setenv("KD_APP_NAME", kApplicationName, 1);
  // A folder that cannot be made is said before anything starts, not thrown.
  std::error_code ec;
  if (options.dataDir) {
    auto dir = std::filesystem::absolute(*options.dataDir, ec);
    if (!ec) std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
      say("kdapp: cannot make the data folder " + *options.dataDir + (ec ? ": " + ec.message() : ""));
      return 1;
    }
    setenv("KD_HOME_OVERRIDE", dir.c_str(), 1);
  }
  for (const auto& dir : {fd::cachesDirectory(), fd::applicationSupportDirectory(), fd::configurationDirectory()}) {
    std::filesystem::create_directories(dir.utf8(), ec);
    if (ec) {
      say("kdapp: cannot make the folder " + dir.utf8() + ": " + ec.message());
      return 1;
    }
  }
  std::string logPath = fd::applicationSupportDirectory().utf8() + "/kdapp.log";
  if (!routeLog(logPath, options.verbose)) {
    say("kdapp: cannot write the log file " + logPath);
    return 1;
  }
  say("log: " + logPath);

  auto& config = ServiceConfig::shared();
  if (options.contentHost) config.setContentHost(*options.contentHost);
  if (options.videoHost) config.setVideoHost(*options.videoHost);
  if (options.radioURL) config.setRadioURL(*options.radioURL);
  fd::NSLog("content service %@, video list %@, radio %@", config.contentHost(), config.videoHost(),
            config.radioURL());

  bool headless = options.headless || options.script.has_value() || !ui::hostHasDisplay();
  std::string script;
  if (headless) {
    std::string scriptPath;
    if (options.script) {
      scriptPath = *options.script;
    } else if (auto tour = fd::Bundle::mainBundle()->pathForResource("tour", "txt")) {
      scriptPath = tour->utf8();
    } else {
      say("kdapp: the default tour (tour.txt) is missing from the resources");
      return 1;
    }
    if (!ui::readTextFile(scriptPath, &script)) {
      say("kdapp: cannot read the script " + scriptPath);
      return 2;
    }
    // A bad script is refused before the application starts.
    std::vector<ui::HostScriptStep> steps;
    std::string error;
    if (!ui::parseHostScript(script, &steps, &error)) {
      say("kdapp: " + scriptPath + ": " + error);
      return 2;
    }
  }

  auto application = ui::Application::sharedApplication();
  if (!application->launchWithDelegateClass("AppDelegate")) {
    say("kdapp: the application delegate could not be made");
    return 1;
  }

  if (report) {
    report->logPath = logPath;
    report->headless = headless;
  }
  if (headless) {
    std::string outDir = options.outDir ? *options.outDir : ui::makeShotFolder("kdapp-tour");
    if (report) report->outDir = outDir;
    say("headless: shots go to " + outDir);
    // Headless, the keyboard is drawn only when asked for.
    if (options.keyboard)
      ui::Keyboard::sharedKeyboard()->setStyle(*options.keyboard == "none" ? ui::KeyboardStyle::None
                                                                              : ui::KeyboardStyle::OnScreen);
    ui::HeadlessHost host;
    std::string error;
    bool played = host.runScript(script, outDir, &error);
    finishRun();
    if (!played) {
      say("kdapp: " + error);
      return 1;
    }
    return 0;
  }
  // In a window the keyboard is drawn, so that a mouse alone can type.
  bool noKeyboard = options.keyboard && *options.keyboard == "none";
  ui::Keyboard::sharedKeyboard()->setStyle(noKeyboard ? ui::KeyboardStyle::None : ui::KeyboardStyle::OnScreen);
  ui::WindowHost host;
  std::string error;
  if (!host.open("Kestrel District", 1, &error)) {
    say("kdapp: no window: " + error);
    return 1;
  }
  say("window open (close it to quit)");
  host.run();
  finishRun();
  return 0;
}

void stopPictureDownloads() {
  auto images = image::WIWebImageManager::sharedManager();
  // The loop keeps serving the main thread meanwhile, which may lay out a cell that asks for a
  // picture again: cancel at every turn.
  auto quiet = [&] {
    images->cancelAll();
    return !images->isRunning() && image::WIWebImageDownloader::sharedDownloader()->currentDownloadCount() == 0;
  };
  fd::RunLoopDriver::runUntil(quiet, 5);
  // A worker between its cache lookup and its hand-over to the main thread is in no count:
  // once the cache's serial reading queue has run dry every hand-over is queued for the main
  // thread, and a turn of the loop runs them.
  if (auto cache = images->imageCache()) cache->ioQueue()->sync([] {});
  fd::RunLoopDriver::runUntilIdle();
  fd::RunLoopDriver::runUntil(quiet, 5);
}

}  // namespace app
