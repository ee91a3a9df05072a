#include "tests/app/ContentServiceFixture.h"

#include <httplib.h>
#include <unistd.h>

#include <cstdlib>

#include "app/launch/KDApplicationRun.h"
#include "app/service/ServiceConfig.h"
#include "image/web/WIWebImageDownloader.h"
#include "image/web/WIWebImageManager.h"
#include "net/http/NKURLConnectionOperation.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/files/UserDefaults.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/layer/Transaction.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/progress/PHProgressHUDNotifications.h"

namespace apptest {

using widgets::PHProgressHUD;

void ContentServiceTest::SetUp() {
  clock = fd::RunLoopDriver::useVirtualClock();
  static int serial = 0;
  defaultsDir_ = std::filesystem::temp_directory_path() /
                 ("app_defaults_" + std::to_string(getpid()) + "_" + std::to_string(serial++));
  std::filesystem::create_directories(defaultsDir_);
  setenv("KD_DEFAULTS_PATH", (defaultsDir_ / "defaults.plist").c_str(), 1);
  fd::UserDefaults::resetStandardUserDefaults();
  // Keep the client's diagnostic lines for the tests instead of the console.
  fd::setLogSink([log = log_, mutex = logMutex_](const fd::String& message) {
    std::lock_guard lock(*mutex);
    log->push_back(message.utf8());
  });
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->makeKeyAndVisible();
  PHProgressHUD::setDefaultMaskType(widgets::PHMaskTouchThrough);
  token_ = fd::NotificationCenter::defaultCenter()->addObserverForName(
      fd::String(widgets::PHProgressHUDWillAppearNotification), nullptr, nullptr,
      [this](const Ref<fd::Notification>&) { ++appearances_; });
  auto center = fd::NotificationCenter::defaultCenter();
  operationTokens_.push_back(center->addObserverForName(
      fd::String(net::NKNetworkingOperationDidStartNotification), nullptr, nullptr,
      [started = started_](const Ref<fd::Notification>&) { ++*started; }));
  operationTokens_.push_back(center->addObserverForName(
      fd::String(net::NKNetworkingOperationDidFinishNotification), nullptr, nullptr,
      [finished = finished_](const Ref<fd::Notification>&) { ++*finished; }));
}

void ContentServiceTest::TearDown() {
  // Requests a screen started and nobody waited for (a tab's first load, say) end here: ended
  // in a later test, their blocks would reach a test that has gone, and their switching the
  // activity indicator off would cut short that test's wait for its own answers.
  fd::RunLoopDriver::runUntil([&] { return *started_ == *finished_; }, 40);
  fd::RunLoopDriver::runUntilIdle();
  for (const auto& token : operationTokens_) fd::NotificationCenter::defaultCenter()->removeObserver(token);
  // Picture downloads still under way hand their results to the main loop; let them end here
  // so that no worker is left waiting on a main thread that has gone (the process's exit
  // would then hang in the leak check).
  app::stopPictureDownloads();
  fd::NotificationCenter::defaultCenter()->removeObserver(token_);
  fd::setLogSink(nullptr);
  auto shared = PHProgressHUD::sharedView();
  if (shared->alpha() > 0 || shared->superview()) {
    shared->performDismiss();
    fd::RunLoopDriver::advance(1);
  }
  shared->setFadeOutTimer(nullptr);
  window->setHidden(true);
  window.reset();
  ui::Transaction::flush();
  if (service) service->stop();
  scripted.reset();
  fd::RunLoopDriver::reset();
  unsetenv("KD_DEFAULTS_PATH");
  fd::UserDefaults::resetStandardUserDefaults();
  std::error_code ec;
  std::filesystem::remove_all(defaultsDir_, ec);
}

sample::SampleServer& ContentServiceTest::startSampleService(sample::ServiceOptions options) {
  options.port = 0;
  service = std::make_unique<sample::SampleServer>(options);
  std::string error;
  EXPECT_TRUE(service->start(&error)) << error;
  app::ServiceConfig::shared().setContentHost(service->baseURL());
  app::ServiceConfig::shared().setVideoHost(service->baseURL());
  return *service;
}

testsupport::TestServer& ContentServiceTest::startScriptedServer() {
  scripted = std::make_unique<testsupport::TestServer>();
  std::string base = scripted->url("");
  app::ServiceConfig::shared().setContentHost(base);
  app::ServiceConfig::shared().setVideoHost(base);
  return *scripted;
}

void ContentServiceTest::script(const std::string& endpoint, const std::string& json, const std::string& contentType) {
  testsupport::Reply reply;
  reply.contentType = contentType;
  reply.body = json;
  scripted->route("/api.php/" + endpoint, reply);
}

std::vector<std::string> ContentServiceTest::logLines() const {
  std::lock_guard lock(*logMutex_);
  return *log_;
}

bool ContentServiceTest::finishRequest(double seconds) {
  auto application = ui::Application::sharedApplication();
  bool done = fd::RunLoopDriver::runUntil([&] { return !application->isNetworkActivityIndicatorVisible(); }, seconds);
  fd::RunLoopDriver::runUntilIdle();
  // What the display ended up showing as an error, if anything.
  auto hud = PHProgressHUD::sharedView();
  if (hud->imageView()->image() && hud->imageView()->image() == PHProgressHUD::errorImageSetting() &&
      !hud->imageView()->isHidden() && hud->fadeOutTimer() && hud->fadeOutTimer()->isValid()) {
    errors_.push_back(hud->stringLabel()->text().utf8());
    // Tear the show down so that the next request starts from a hidden display.
    hud->performDismiss();
    fd::RunLoopDriver::advance(1);
    hud->setFadeOutTimer(nullptr);
  }
  return done;
}

}  // namespace apptest
