#include "platform/ui/host/Application.h"

#include <algorithm>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Application) {
  c.property("networkActivityIndicatorVisible", &Application::isNetworkActivityIndicatorVisible,
             &Application::setNetworkActivityIndicatorVisible)
      .getterName("isNetworkActivityIndicatorVisible");
  c.property("idleTimerDisabled", &Application::isIdleTimerDisabled, &Application::setIdleTimerDisabled)
      .getterName("isIdleTimerDisabled");
  // Reached by name from libraries below the UI layer (the HTTP client's background tasks).
  c.classMethod("sharedApplication", &Application::sharedApplication);
  c.method("beginBackgroundTaskWithExpirationHandler:", &Application::beginBackgroundTaskWithExpirationHandler);
  c.method("endBackgroundTask:", &Application::endBackgroundTask);
}

namespace {
constexpr double kStatusBarHeight = 20;
}

Ref<Application> Application::sharedApplication() {
  static Ref<Application> shared = rt::make<Application>();
  return shared;
}

void Application::post(const char* name) {
  fd::NotificationCenter::defaultCenter()->post(rt::String(name), self());
}

bool Application::launchWithDelegateClass(const rt::String& className, const Ref<fd::Dictionary>& options) {
  const rt::Class* cls = rt::Class::named(className.utf8());
  rt::Id made = cls ? cls->createInstance() : nullptr;
  auto d = std::dynamic_pointer_cast<ApplicationDelegate>(made);
  if (!d) return false;
  ownedDelegate_ = made;
  delegate_ = d;
  return launch(options);
}

bool Application::launch(const Ref<fd::Dictionary>& options) {
  bool ok = true;
  if (auto d = delegate()) {
    if (auto answer = d->didFinishLaunchingWithOptions(*this, options)) ok = *answer;
  }
  post(UIApplicationDidFinishLaunchingNotification);
  becomeActive();
  return ok;
}

// ---- windows

void Application::registerWindow(const Ref<Window>& w) {
  std::erase_if(windows_, [](const Weak<Window>& x) { return x.expired(); });
  windows_.push_back(w);
}

std::vector<Ref<Window>> Application::windows() const {
  std::vector<Ref<Window>> out;
  for (auto& w : windows_)
    if (auto s = w.lock()) out.push_back(s);
  std::stable_sort(out.begin(), out.end(), [](auto& a, auto& b) { return a->windowLevel() < b->windowLevel(); });
  return out;
}

// ---- states

void Application::resignActive() {
  if (state_ != ApplicationState::Active) return;
  if (auto d = delegate()) d->willResignActive(*this);
  post(UIApplicationWillResignActiveNotification);
  state_ = ApplicationState::Inactive;
}

void Application::enterBackground() {
  resignActive();
  if (state_ == ApplicationState::Background) return;
  state_ = ApplicationState::Background;
  if (auto d = delegate()) d->didEnterBackground(*this);
  post(UIApplicationDidEnterBackgroundNotification);
}

void Application::enterForeground() {
  if (state_ != ApplicationState::Background) return;
  state_ = ApplicationState::Inactive;
  if (auto d = delegate()) d->willEnterForeground(*this);
  post(UIApplicationWillEnterForegroundNotification);
}

void Application::becomeActive() {
  if (state_ == ApplicationState::Active) return;
  enterForeground();
  state_ = ApplicationState::Active;
  if (auto d = delegate()) d->didBecomeActive(*this);
  post(UIApplicationDidBecomeActiveNotification);
}

void Application::terminate() {
  if (auto d = delegate()) d->willTerminate(*this);
  post(UIApplicationWillTerminateNotification);
}

void Application::receiveMemoryWarning() {
  if (auto d = delegate()) d->didReceiveMemoryWarning(*this);
  post(UIApplicationDidReceiveMemoryWarningNotification);
}

// ---- actions and events

bool Application::sendAction(rt::Selector action, const rt::Id& target, const rt::Id& sender, Event* event) {
  if (!action) return false;
  rt::Id to = target;
  if (!to) {
    Ref<Responder> start = Responder::currentFirstResponder();
    if (!start) start = std::dynamic_pointer_cast<Responder>(sender);
    if (start) to = start->targetForAction(action, sender);
  }
  if (!to || !to->respondsToSelector(action)) return false;
  std::vector<rt::Value> args;
  int n = action.argumentCount();
  if (n >= 1) args.push_back(rt::Value::ofObject(sender));
  if (n >= 2) args.push_back(rt::Value::ofObject(event ? event->self() : nullptr));
  to->performSelector(action, args);
  return true;
}

void Application::sendEvent(Event* event) {
  if (auto w = keyWindow()) w->sendEvent(event);
}

Ref<Responder> Application::nextResponder() const {
  return std::dynamic_pointer_cast<Responder>(ownedDelegate_ ? ownedDelegate_
                                                             : std::dynamic_pointer_cast<rt::Object>(delegate()));
}

// ---- facts

bool Application::isNetworkActivityIndicatorVisible() const {
  std::lock_guard lk(lock_);
  return networkActivity_;
}

void Application::setNetworkActivityIndicatorVisible(bool on) {
  std::lock_guard lk(lock_);
  networkActivity_ = on;
}

void Application::setStatusBarHidden(bool hidden, StatusBarAnimation animation) {
  (void)animation;
  statusBarHidden_ = hidden;
}

void Application::setStatusBarOrientation(InterfaceOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  post(UIApplicationDidChangeStatusBarOrientationNotification);
}

gfx::Rect Application::statusBarFrame() const {
  if (statusBarHidden_) return gfx::RectZero;
  return {{0, 0}, {Screen::mainScreen()->bounds().size.width, kStatusBarHeight}};
}

bool Application::canOpenURL(const Ref<fd::URL>& url) const { return url && urlHandler_ != nullptr; }

bool Application::openURL(const Ref<fd::URL>& url) { return canOpenURL(url) && urlHandler_(url); }

// ---- background tasks

BackgroundTaskIdentifier Application::beginBackgroundTaskWithExpirationHandler(std::function<void()> handler) {
  std::lock_guard lk(lock_);
  BackgroundTaskIdentifier id = nextTask_++;
  tasks_[id] = std::move(handler);
  return id;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier id) {
  std::lock_guard lk(lock_);
  tasks_.erase(id);
}

size_t Application::backgroundTaskCount() const {
  std::lock_guard lk(lock_);
  return tasks_.size();
}

void Application::expireBackgroundTasks() {
  std::vector<std::function<void()>> handlers;
  {
    std::lock_guard lk(lock_);
    for (auto& [id, h] : tasks_)
      if (h) handlers.push_back(h);
  }
  for (auto& h : handlers) h();
}

void Application::resetForTesting() {
  delegate_.reset();
  ownedDelegate_.reset();
  keyWindow_.reset();
  std::erase_if(windows_, [](const Weak<Window>& x) { return x.expired(); });
  state_ = ApplicationState::Inactive;
  networkActivity_ = idleTimerDisabled_ = statusBarHidden_ = false;
  statusBarStyle_ = StatusBarStyle::Default;
  orientation_ = InterfaceOrientation::Portrait;
  urlHandler_ = nullptr;
  std::lock_guard lk(lock_);
  tasks_.clear();
}

int ApplicationMain(int argc, char** argv, const rt::String& delegateClassName) {
  (void)argc;
  (void)argv;
  auto app = Application::sharedApplication();
  if (!app->launchWithDelegateClass(delegateClassName)) {
    rt::raise("NSInternalInconsistencyException",
              rt::String::format("Unable to instantiate the application delegate class %@", delegateClassName));
  }
  fd::RunLoop::mainRunLoop()->run();
  return 0;
}

}  // namespace ui
