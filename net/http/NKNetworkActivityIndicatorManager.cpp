#include "net/http/NKNetworkActivityIndicatorManager.h"

#include "net/http/NKApplicationLookup.h"
#include "net/http/NKURLConnectionOperation.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/Lock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/Perform.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/foundation/net/URLRequest.h"

namespace net {

RT_IMPLEMENT(NKNetworkActivityIndicatorManager) {
  c.property("enabled", &NKNetworkActivityIndicatorManager::isEnabled, &NKNetworkActivityIndicatorManager::setEnabled)
      .getterName("isEnabled");
  c.property("activityCount", &NKNetworkActivityIndicatorManager::activityCount);
  c.property("activityIndicatorVisibilityTimer", &NKNetworkActivityIndicatorManager::activityIndicatorVisibilityTimer);
  c.property("networkActivityIndicatorVisible", &NKNetworkActivityIndicatorManager::isNetworkActivityIndicatorVisible)
      .getterName("isNetworkActivityIndicatorVisible");
  c.dependentKeys("networkActivityIndicatorVisible", {"activityCount"});
  c.manualNotification("activityCount");
}

namespace {

// The session client's task notifications.
constexpr const char* kTaskDidResume = "com.trevanode.networking.task.resume";
constexpr const char* kTaskDidSuspend = "com.trevanode.networking.task.suspend";
constexpr const char* kTaskDidComplete = "com.trevanode.networking.task.complete";

// A request operation gives its `request`; any other sender counts when it answers to
// `originalRequest` (session tasks).
Ref<fd::URLRequest> requestOfNotificationObject(const rt::Id& object) {
  if (!object) return nullptr;
  if (auto operation = rt::as<NKURLConnectionOperation>(object)) return operation->request();
  if (!object->respondsToSelector("originalRequest")) return nullptr;
  rt::Id request;
  object->performSelector(rt::Selector::named("originalRequest")).get(request);
  return rt::as<fd::URLRequest>(request);
}

bool carriesURL(const Ref<fd::Notification>& notification) {
  auto request = notification ? requestOfNotificationObject(notification->object()) : nullptr;
  return request && request->URL();
}

}  // namespace

void NKNetworkActivityIndicatorManager::init() {
  Weak<NKNetworkActivityIndicatorManager> weakSelf = rt::as<NKNetworkActivityIndicatorManager>(self());
  auto center = fd::NotificationCenter::defaultCenter();
  auto observe = [&](const char* name, void (NKNetworkActivityIndicatorManager::*handler)(const Ref<fd::Notification>&)) {
    observerTokens_.push_back(center->addObserverForName(rt::String(name), nullptr, nullptr,
                                                         [weakSelf, handler](const Ref<fd::Notification>& n) {
                                                           if (auto strongSelf = weakSelf.lock()) ((*strongSelf).*handler)(n);
                                                         }));
  };
  observe(NKNetworkingOperationDidStartNotification, &NKNetworkActivityIndicatorManager::networkRequestDidStart);
  observe(NKNetworkingOperationDidFinishNotification, &NKNetworkActivityIndicatorManager::networkRequestDidFinish);
  observe(kTaskDidResume, &NKNetworkActivityIndicatorManager::networkRequestDidStart);
  observe(kTaskDidSuspend, &NKNetworkActivityIndicatorManager::networkRequestDidFinish);
  observe(kTaskDidComplete, &NKNetworkActivityIndicatorManager::networkRequestDidFinish);
}

NKNetworkActivityIndicatorManager::~NKNetworkActivityIndicatorManager() {
  auto center = fd::NotificationCenter::defaultCenter();
  for (const auto& token : observerTokens_) center->removeObserver(token);
  if (timer_) timer_->invalidate();
}

Ref<NKNetworkActivityIndicatorManager> NKNetworkActivityIndicatorManager::sharedManager() {
  static const Ref<NKNetworkActivityIndicatorManager> shared = rt::make<NKNetworkActivityIndicatorManager>();
  return shared;
}

bool NKNetworkActivityIndicatorManager::isEnabled() const {
  std::lock_guard lock(mutex_);
  return enabled_;
}

void NKNetworkActivityIndicatorManager::setEnabled(bool enabled) {
  bool notify = hasObservers();
  if (notify) willChangeValueForKey("enabled");
  {
    std::lock_guard lock(mutex_);
    enabled_ = enabled;
  }
  if (notify) didChangeValueForKey("enabled");
}

int64_t NKNetworkActivityIndicatorManager::activityCount() const {
  fd::Synchronized monitor(this);
  return activityCount_;
}

Ref<fd::Timer> NKNetworkActivityIndicatorManager::activityIndicatorVisibilityTimer() const {
  std::lock_guard lock(mutex_);
  return timer_;
}

void NKNetworkActivityIndicatorManager::setActivityCount(int64_t count) {
  {
    fd::Synchronized monitor(this);
    activityCount_ = count;
  }
  Weak<NKNetworkActivityIndicatorManager> weakSelf = rt::as<NKNetworkActivityIndicatorManager>(self());
  dispatch::mainQueue()->async([weakSelf] {
    if (auto strongSelf = weakSelf.lock()) strongSelf->updateNetworkActivityIndicatorVisibilityDelayed();
  });
}

void NKNetworkActivityIndicatorManager::incrementActivityCount() {
  willChangeValueForKey("activityCount");
  {
    fd::Synchronized monitor(this);
    ++activityCount_;
  }
  didChangeValueForKey("activityCount");
  Weak<NKNetworkActivityIndicatorManager> weakSelf = rt::as<NKNetworkActivityIndicatorManager>(self());
  dispatch::mainQueue()->async([weakSelf] {
    if (auto strongSelf = weakSelf.lock()) strongSelf->updateNetworkActivityIndicatorVisibilityDelayed();
  });
}

void NKNetworkActivityIndicatorManager::decrementActivityCount() {
  willChangeValueForKey("activityCount");
  {
    fd::Synchronized monitor(this);
    activityCount_ = activityCount_ > 0 ? activityCount_ - 1 : 0;
  }
  didChangeValueForKey("activityCount");
  Weak<NKNetworkActivityIndicatorManager> weakSelf = rt::as<NKNetworkActivityIndicatorManager>(self());
  dispatch::mainQueue()->async([weakSelf] {
    if (auto strongSelf = weakSelf.lock()) strongSelf->updateNetworkActivityIndicatorVisibilityDelayed();
  });
}

void NKNetworkActivityIndicatorManager::networkRequestDidStart(const Ref<fd::Notification>& notification) {
  if (carriesURL(notification)) incrementActivityCount();
}

void NKNetworkActivityIndicatorManager::networkRequestDidFinish(const Ref<fd::Notification>& notification) {
  if (carriesURL(notification)) decrementActivityCount();
}

void NKNetworkActivityIndicatorManager::updateNetworkActivityIndicatorVisibilityDelayed() {
  if (!isEnabled()) return;
  Weak<NKNetworkActivityIndicatorManager> weakSelf = rt::as<NKNetworkActivityIndicatorManager>(self());
  if (!isNetworkActivityIndicatorVisible()) {
    // Hiding waits, so that a request starting right after another keeps the indicator on.
    auto timer = fd::Timer::timerWithTimeInterval(kNKNetworkActivityIndicatorInvisibilityDelay, false,
                                                  [weakSelf](fd::Timer&) {
                                                    if (auto strongSelf = weakSelf.lock())
                                                      strongSelf->updateNetworkActivityIndicatorVisibility();
                                                  });
    Ref<fd::Timer> previous;
    {
      std::lock_guard lock(mutex_);
      previous = std::exchange(timer_, timer);
    }
    if (previous) previous->invalidate();
    fd::RunLoop::mainRunLoop()->addTimer(timer, fd::kCFRunLoopCommonModes);
  } else {
    fd::performOnMainThread(
        self(),
        fd::PerformAction([weakSelf](const rt::Id&) {
          if (auto strongSelf = weakSelf.lock()) strongSelf->updateNetworkActivityIndicatorVisibility();
        }),
        nullptr, false, fd::commonPerformModes());
  }
}

void NKNetworkActivityIndicatorManager::updateNetworkActivityIndicatorVisibility() {
  NKSetNetworkActivityIndicatorVisible(isNetworkActivityIndicatorVisible());
}

}  // namespace net
