#include "platform/ui/host/Application.h"

#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/host/Device.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

class RecordingDelegate : public rt::Object, public ApplicationDelegate {
  RT_CLASS(RecordingDelegate, rt::Object)
 public:
  static std::vector<std::string>* log;
  Ref<Window> window_;
  Ref<Window> window() const override { return window_; }
  std::optional<bool> didFinishLaunchingWithOptions(Application&, const Ref<fd::Dictionary>&) override {
    log->push_back("launch");
    window_ = rt::make<Window>(gfx::RectMake(0, 0, 375, 667));
    window_->makeKeyAndVisible();
    return true;
  }
  void willResignActive(Application&) override { log->push_back("resign"); }
  void didEnterBackground(Application&) override { log->push_back("background"); }
  void willEnterForeground(Application&) override { log->push_back("foreground"); }
  void didBecomeActive(Application&) override { log->push_back("active"); }
  void willTerminate(Application&) override { log->push_back("terminate"); }
};
std::vector<std::string>* RecordingDelegate::log = nullptr;
RT_IMPLEMENT(RecordingDelegate) {}

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { RecordingDelegate::log = &log; }
  void TearDown() override {
    Application::sharedApplication()->resetForTesting();
    Device::currentDevice()->resetOverrides();
  }
  std::vector<std::string> log;
};

}  // namespace

TEST_F(ApplicationTest, LaunchesFromADelegateClassNameAndWalksTheStates) {
  auto app = Application::sharedApplication();
  EXPECT_EQ(app, Application::sharedApplication());
  EXPECT_FALSE(app->launchWithDelegateClass(rt::String("NoSuchDelegateClass")));
  std::vector<std::string> notes;
  auto token = rt::make<rt::Object>();
  for (const char* n : {UIApplicationDidEnterBackgroundNotification, UIApplicationDidReceiveMemoryWarningNotification,
                        UIApplicationWillTerminateNotification})
    fd::NotificationCenter::defaultCenter()->addObserver(
        token, [&](const Ref<fd::Notification>& note) { notes.push_back(note->name().utf8()); }, rt::String(n), nullptr);
  ASSERT_TRUE(app->launchWithDelegateClass(rt::String("RecordingDelegate")));
  EXPECT_EQ(app->applicationState(), ApplicationState::Active);
  auto delegate = app->delegate();
  ASSERT_TRUE(delegate);
  EXPECT_EQ(app->keyWindow(), delegate->window());
  app->enterBackground();
  EXPECT_EQ(app->applicationState(), ApplicationState::Background);
  app->becomeActive();
  app->receiveMemoryWarning();
  app->terminate();
  EXPECT_EQ(log, (std::vector<std::string>{"launch", "active", "resign", "background", "foreground", "active",
                                           "terminate"}));
  EXPECT_EQ(notes, (std::vector<std::string>{UIApplicationDidEnterBackgroundNotification,
                                             UIApplicationDidReceiveMemoryWarningNotification,
                                             UIApplicationWillTerminateNotification}));
  fd::NotificationCenter::defaultCenter()->removeObserver(token);
}

TEST_F(ApplicationTest, BackgroundTasksEndOrExpireOnRequest) {
  auto app = Application::sharedApplication();
  int expired = 0;
  auto a = app->beginBackgroundTaskWithExpirationHandler([&] { ++expired; });
  auto b = app->beginBackgroundTaskWithExpirationHandler([&] { ++expired; });
  EXPECT_NE(a, UIBackgroundTaskInvalid);
  EXPECT_NE(a, b);
  app->endBackgroundTask(a);
  EXPECT_EQ(app->backgroundTaskCount(), 1u);
  app->expireBackgroundTasks();
  EXPECT_EQ(expired, 1);
}

TEST_F(ApplicationTest, FactsAndURLs) {
  auto app = Application::sharedApplication();
  app->setNetworkActivityIndicatorVisible(true);
  EXPECT_TRUE(app->isNetworkActivityIndicatorVisible());
  EXPECT_EQ(app->valueForKey(rt::String("networkActivityIndicatorVisible")) != nullptr, true);
  EXPECT_EQ(app->statusBarFrame().size.height, 20);
  app->setStatusBarHidden(true);
  EXPECT_EQ(app->statusBarFrame(), gfx::RectZero);
  auto tel = fd::URL::URLWithString(rt::String("tel://"));
  EXPECT_FALSE(app->canOpenURL(tel));
  std::vector<std::string> opened;
  app->setURLHandler([&](const Ref<fd::URL>& u) {
    opened.push_back(u->scheme().utf8());
    return true;
  });
  EXPECT_TRUE(app->openURL(tel));
  EXPECT_EQ(opened, std::vector<std::string>{"tel"});
}

TEST_F(ApplicationTest, DeviceAnswersHonestlyAndTakesOverrides) {
  auto d = Device::currentDevice();
  EXPECT_FALSE(d->machineModel().isEmpty());
  EXPECT_GT(d->totalMemory(), 0);
  EXPECT_GE(d->freeMemory(), 0);
  EXPECT_EQ(d->identifierForVendor().length(), 36u);
  d->setSystemVersion(rt::String("8.3"));
  d->setMachineModel(rt::String("i386"));
  d->setMemory(1000, 10);
  EXPECT_EQ(d->systemVersion(), rt::String("8.3"));
  EXPECT_TRUE(d->isSimulator());
  EXPECT_EQ(d->totalMemory(), 1000);
  d->setMachineModel(rt::String("iPhone7,2"));
  EXPECT_FALSE(d->isSimulator());
}
