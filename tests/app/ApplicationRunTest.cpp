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
  std::vector<std::pair<std::string, std::string>> saved_;  // environment to put back
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
  ::testing::internal::CaptureStderr();
  int status = app::runApplication(options, [&](const std::string& s) { said.push_back(s); }, &report);
  std::string terminal = ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(status, 0);
  // Without --verbose the terminal hears none of the log.
  EXPECT_EQ(terminal.find("content service"), std::string::npos) << terminal;
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

TEST_F(ApplicationRunTest, ABadScriptOrDataFolderIsRefusedBeforeTheApplicationStarts) {
  std::ofstream(dir_ / "plain-file") << "x";
  struct Case {
    std::string script, dataDir;
    int status;
    std::string said;
  } cases[] = {
      {"shoot a\nfly 1\n", (dir_ / "data").string(), 2, "line 2"},
      {"shoot a\n", (dir_ / "plain-file" / "data").string(), 1,
       "kdapp: cannot make the data folder " + (dir_ / "plain-file" / "data").string()},
  };
  for (const auto& c : cases) {
    app::KDLaunchOptions options;
    options.headless = true;
    options.dataDir = c.dataDir;
    options.outDir = (dir_ / "shots").string();
    options.script = writeScript(c.script);
    std::vector<std::string> said;
    // Windows other tests of the process left behind are not this run's.
    const auto windowsBefore = ui::Application::sharedApplication()->windows();
    EXPECT_EQ(app::runApplication(options, [&](const std::string& s) { said.push_back(s); }), c.status);
    EXPECT_EQ(ui::Application::sharedApplication()->windows(), windowsBefore) << "no window is made";
    EXPECT_FALSE(fs::exists(dir_ / "shots" / "a.png"));
    ASSERT_FALSE(said.empty());
    EXPECT_NE(said.back().find(c.said), std::string::npos) << said.back();
  }
}

TEST_F(ApplicationRunTest, WithoutADataFolderFilesGoUnderTheXDGFoldersAndVerboseCopiesTheLog) {
  unsetenv("KD_HOME_OVERRIDE");
  for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
    if (const char* old = std::getenv(name)) saved_.emplace_back(name, old);
  setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (dir_ / "share").c_str(), 1);
  app::KDLaunchOptions options;
  options.contentHost = startService();
  options.videoHost = options.contentHost;
  options.headless = true;
  options.verbose = true;
  options.outDir = (dir_ / "shots").string();
  options.script = writeScript("shoot welcome\n");
  app::KDRunReport report;
  ::testing::internal::CaptureStderr();
  int status = app::runApplication(options, [](const std::string&) {}, &report);
  std::string terminal = ::testing::internal::GetCapturedStderr();
  for (const char* name : {"XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) unsetenv(name);
  for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(report.logPath, (dir_ / "share" / "kestrel-district" / "kdapp.log").string());
  EXPECT_TRUE(fs::is_directory(dir_ / "cache" / "kestrel-district"));
  EXPECT_TRUE(fs::is_directory(dir_ / "config" / "kestrel-district"));
  EXPECT_TRUE(fs::exists(dir_ / "shots" / "welcome.png"));
  EXPECT_NE(terminal.find("content service " + *options.contentHost), std::string::npos) << terminal;
}

}  // namespace
