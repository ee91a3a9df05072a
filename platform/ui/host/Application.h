#pragma once
// The application: its delegate, windows and key window, life-cycle states and their
// notifications, action dispatch along the responder chain, and the small facts the system
// keeps for it (status bar, network activity indicator, background tasks, idle timer).
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/net/URL.h"
#include "platform/ui/view/Responder.h"

namespace ui {

class Window;
class Application;

enum class ApplicationState : int64_t { Active = 0, Inactive = 1, Background = 2 };
enum class StatusBarStyle : int64_t { Default = 0, LightContent = 1 };
enum class StatusBarAnimation : int64_t { None = 0, Fade = 1, Slide = 2 };
enum class InterfaceOrientation : int64_t {
  Unknown = 0, Portrait = 1, PortraitUpsideDown = 2, LandscapeLeft = 4, LandscapeRight = 3,
};

using BackgroundTaskIdentifier = uint64_t;
inline constexpr BackgroundTaskIdentifier UIBackgroundTaskInvalid = 0;

inline constexpr const char* UIApplicationDidFinishLaunchingNotification = "UIApplicationDidFinishLaunchingNotification";
inline constexpr const char* UIApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
inline constexpr const char* UIApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* UIApplicationWillEnterForegroundNotification = "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* UIApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* UIApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";
inline constexpr const char* UIApplicationDidReceiveMemoryWarningNotification =
    "UIApplicationDidReceiveMemoryWarningNotification";
inline constexpr const char* UIApplicationDidChangeStatusBarOrientationNotification =
    "UIApplicationDidChangeStatusBarOrientationNotification";
inline constexpr const char* UIAccessibilityScreenChangedNotification = "UIAccessibilityScreenChangedNotification";
inline constexpr const char* UIAccessibilityAnnouncementNotification = "UIAccessibilityAnnouncementNotification";

/// The application delegate; every operation is optional (nullopt / no-op: "does not respond").
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual Ref<Window> window() const { return nullptr; }
  virtual std::optional<bool> didFinishLaunchingWithOptions(Application& app, const Ref<fd::Dictionary>& options) {
    (void)app; (void)options; return std::nullopt;
  }
  virtual void willResignActive(Application& app) { (void)app; }
  virtual void didEnterBackground(Application& app) { (void)app; }
  virtual void willEnterForeground(Application& app) { (void)app; }
  virtual void didBecomeActive(Application& app) { (void)app; }
  virtual void willTerminate(Application& app) { (void)app; }
  virtual void didReceiveMemoryWarning(Application& app) { (void)app; }
};

class Application : public Responder {
  RT_CLASS_NAMED(Application, Responder, "UIApplication")
 public:
  void init() {}
  static Ref<Application> sharedApplication();

  // ---- delegate: held strongly when the application made it from a class name
  Ref<ApplicationDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(const Ref<ApplicationDelegate>& d) { delegate_ = d; }
  /// Makes the delegate from a registered class name, keeps it, launches. False when no
  /// class of that name is an application delegate.
  bool launchWithDelegateClass(const rt::String& className, const Ref<fd::Dictionary>& options = nullptr);
  /// Finishes launching with the current delegate: did-finish-launching, then active.
  bool launch(const Ref<fd::Dictionary>& options = nullptr);

  // ---- windows
  /// Live windows, back to front (by level, then creation order).
  std::vector<Ref<Window>> windows() const;
  Ref<Window> keyWindow() const { return keyWindow_.lock(); }
  void registerWindow(const Ref<Window>& w);
  void setKeyWindow(const Ref<Window>& w) { keyWindow_ = w; }

  // ---- states: the hooks a host or a test uses to move the application through its life
  ApplicationState applicationState() const { return state_; }
  void resignActive();
  void enterBackground();
  void enterForeground();
  void becomeActive();
  void terminate();
  void receiveMemoryWarning();

  // ---- actions and events
  /// Sends `action` to `target`, or, for a null target, to the first responder along the
  /// chain (from `sender` when nothing is first) that implements it. Arguments follow the
  /// selector: none, the sender, or the sender and the event.
  bool sendAction(rt::Selector action, const rt::Id& target, const rt::Id& sender, Event* event);
  /// Hands a touch or motion event to the key window.
  void sendEvent(Event* event);

  // ---- facts
  bool isNetworkActivityIndicatorVisible() const;
  void setNetworkActivityIndicatorVisible(bool on);
  bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
  void setIdleTimerDisabled(bool on) { idleTimerDisabled_ = on; }
  StatusBarStyle statusBarStyle() const { return statusBarStyle_; }
  void setStatusBarStyle(StatusBarStyle s, bool animated = false) { (void)animated; statusBarStyle_ = s; }
  bool isStatusBarHidden() const { return statusBarHidden_; }
  void setStatusBarHidden(bool hidden, StatusBarAnimation animation = StatusBarAnimation::None);
  InterfaceOrientation statusBarOrientation() const { return orientation_; }
  void setStatusBarOrientation(InterfaceOrientation o);
  /// The status bar across the top of the screen (zero when hidden).
  gfx::Rect statusBarFrame() const;

  // ---- URLs: nothing opens them on this machine unless a handler is installed.
  using URLHandler = std::function<bool(const Ref<fd::URL>& url)>;
  void setURLHandler(URLHandler h) { urlHandler_ = std::move(h); }
  bool canOpenURL(const Ref<fd::URL>& url) const;
  bool openURL(const Ref<fd::URL>& url);

  // ---- background tasks: they never expire by themselves here.
  BackgroundTaskIdentifier beginBackgroundTaskWithExpirationHandler(std::function<void()> handler);
  void endBackgroundTask(BackgroundTaskIdentifier id);
  size_t backgroundTaskCount() const;
  /// Runs the expiration handlers of every open task (what the system would do).
  void expireBackgroundTasks();

  Ref<Responder> nextResponder() const override;

  /// Back to a fresh state (tests share the one application).
  void resetForTesting();

 private:
  void post(const char* name);

  Weak<ApplicationDelegate> delegate_;
  Ref<rt::Object> ownedDelegate_;
  std::vector<Weak<Window>> windows_;
  Weak<Window> keyWindow_;
  ApplicationState state_ = ApplicationState::Inactive;
  mutable std::mutex lock_;
  bool networkActivity_ = false;
  bool idleTimerDisabled_ = false;
  bool statusBarHidden_ = false;
  StatusBarStyle statusBarStyle_ = StatusBarStyle::Default;
  InterfaceOrientation orientation_ = InterfaceOrientation::Portrait;
  URLHandler urlHandler_;
  std::map<BackgroundTaskIdentifier, std::function<void()>> tasks_;
  BackgroundTaskIdentifier nextTask_ = 1;
};

/// Makes the shared application with a delegate of class `delegateClassName`, launches it and
/// runs the main run loop. Answers the process exit status.
int ApplicationMain(int argc, char** argv, const rt::String& delegateClassName);

}  // namespace ui
