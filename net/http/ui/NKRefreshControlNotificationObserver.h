#pragma once
// Lets a refresh control show refreshing while one request of the HTTP client runs: a session
// task of a session manager, or a request operation. The observer is kept by its control (one
// each) and follows at most one task and one operation at a time.
#include "platform/foundation/Types.h"

namespace fd {
class URLSessionTask;
}  // namespace fd
namespace ui {
class RefreshControl;
}  // namespace ui

namespace net {

class NKURLConnectionOperation;

class NKRefreshControlNotificationObserver : public rt::Object {
  RT_CLASS(NKRefreshControlNotificationObserver, rt::Object)
 public:
  void init(const Ref<ui::RefreshControl>& view);
  ~NKRefreshControlNotificationObserver() override;

  /// The control's own observer, made on first use.
  static Ref<NKRefreshControlNotificationObserver> observerFor(const Ref<ui::RefreshControl>& view);

  Ref<ui::RefreshControl> refreshControl() const { return view_.lock(); }
  /// Refreshes while `task` runs. Only a running task is followed (suspend and completion end
  /// the refreshing); a task in any other state ends it and is not followed.
  void setRefreshingWithStateOfTask(const Ref<fd::URLSessionTask>& task);
  /// Refreshes from the operation's start to its finish.
  void setRefreshingWithStateOfOperation(const Ref<NKURLConnectionOperation>& operation);

  void nk_beginRefreshing();
  void nk_endRefreshing();

 private:
  Weak<ui::RefreshControl> view_;
  rt::Id taskToken_;       // the task notifications' registrations
  rt::Id operationToken_;  // the operation notifications' registrations
};

/// The control follows `task` (see the observer).
void setRefreshingWithStateOfTask(const Ref<ui::RefreshControl>& view, const Ref<fd::URLSessionTask>& task);
void setRefreshingWithStateOfOperation(const Ref<ui::RefreshControl>& view,
                                      const Ref<NKURLConnectionOperation>& operation);

}  // namespace net
