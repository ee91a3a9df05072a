// The program's run as `kdapp --headless` does it, on the real clock against the sample
// service started here: the script's shots, the data folder and the log file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/launch/KDApplicationRun.h"
#include "net/http/NKURLConnectionOperation.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Image.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Window.h"
#include "tools/sample-service/service/SampleServer.h"

namespace {

namespace fs = std::filesystem;

class ApplicationRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kdapp-run-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    auto center = fd::NotificationCenter::defaultCenter();
    tokens_.push_back(center->addObserverForName(fd::String(net::NKNetworkingOperationDidStartNotification), nullptr,
                                                 nullptr, [this](const Ref<fd::Notification>&) { ++started_; }));
    tokens_.push_back(center->addObserverForName(fd::String(net::NKNetworkingOperationDidFinishNotification), nullptr,
                                                 nullptr, [this](const Ref<fd::Notification>&) { ++finished_; }));
  }
  void TearDown() override {
    // The home screen's first loads may still be under way when the script ends; they end
    // here rather than in a later test.
    fd::RunLoopDriver::runUntil([&] { return started_ == finished_; }, 40);
    fd::RunLoopDriver::runUntilIdle();
    for (const auto& token : tokens_) fd::NotificationCenter::defaultCenter()->removeObserver(token);
    for (auto& w : ui::Application::sharedApplication()->windows()) w->setHidden(true);
    ui::Application::sharedApplication()->resetForTesting();
    ui::Transaction::flush();
    fd::setLogSink(nullptr);
    unsetenv("KD_HOME_OVERRIDE");
    if (service_) service_->stop();
    fs::remove_all(dir_);
  }
  std::string startService() {
    sample::ServiceOptions options;
    options.port = 0;
    service_ = std::make_unique<sample::SampleServer>(options);
    std::string error;
    EXPECT_TRUE(service_->start(&error)) << error;
    return service_->baseURL();
  }
  std::string writeScript(const std::string& text) {
    auto path = (dir_ / "script.txt").string();
    std::ofstream(path) << text;
    return path;
  }

  fs::path dir_;
  std::unique_ptr<sample::SampleServer> service_;
  std::vector<rt::Id> tokens_;
  size_t started_ = 0, finished_ = 0;
};

TEST_F(ApplicationRunTest, HeadlessRunPlaysTheScriptIntoPNGsAndKeepsItsDataInTheDataFolder) {
  app::KDLaunchOptions options;
  options.contentHost = startService();
  options.videoHost = options.contentHost;
  options.headless = true;
  options.dataDir = (dir_ / "data").string();
  options.outDir = (dir_ / "shots").string();
  options.script = writeScript("wait 1\nshoot welcome\ntap 320 40\nwait 0.5\nshoot home\n");
  std::vector<std::string> said;
  app::KDRunReport report;
  ASSERT_EQ(app::runApplication(options, [&](const std::string& s) { said.push_back(s); }, &report), 0);
  EXPECT_TRUE(report.headless);
  EXPECT_EQ(report.outDir, *options.outDir);
  ASSERT_TRUE(fs::exists(dir_ / "shots" / "welcome.png"));
  ASSERT_TRUE(fs::exists(dir_ / "shots" / "home.png"));
  // The log file lies in the data folder and holds the client's lines, not the terminal.
  EXPECT_EQ(report.logPath.rfind((dir_ / "data").string(), 0), 0u) << report.logPath;
  std::ifstream log(report.logPath);
  std::string text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(text.find("content service " + *options.contentHost), std::string::npos);
  ASSERT_GE(said.size(), 2u);
  EXPECT_EQ(said[0], "log: " + report.logPath);

  // After the skip button: the selected first tab's icon in the selection red, at the bottom.
  auto home = gfx::Image::imageWithContentsOfFile(rt::String((dir_ / "shots" / "home.png").string()));
  ASSERT_NE(home, nullptr);
  auto bitmap = home->CGImage();
  int red = 0;
  for (size_t y = bitmap->height() - 98; y < bitmap->height(); ++y)
    for (size_t x = 0; x < bitmap->width() / 4; ++x) {
      uint32_t p = bitmap->pixel(x, y);
      if (((p >> 16) & 0xff) > 180 && ((p >> 8) & 0xff) < 60 && (p & 0xff) < 40) ++red;
    }
  EXPECT_GT(red, 50);
}

TEST_F(ApplicationRunTest, ABadScriptIsRefusedBeforeTheApplicationStarts) {
  app::KDLaunchOptions options;
  options.headless = true;
  options.dataDir = (dir_ / "data").string();
  options.outDir = (dir_ / "shots").string();
  options.script = writeScript("shoot a\nfly 1\n");
  std::vector<std::string> said;
  EXPECT_EQ(app::runApplication(options, [&](const std::string& s) { said.push_back(s); }), 2);
  EXPECT_TRUE(ui::Application::sharedApplication()->windows().empty());
  EXPECT_FALSE(fs::exists(dir_ / "shots" / "a.png"));
  ASSERT_FALSE(said.empty());
  EXPECT_NE(said.back().find("line 2"), std::string::npos) << said.back();
}

}  // namespace
