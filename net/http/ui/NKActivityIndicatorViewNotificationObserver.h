#pragma once
// Lets an activity indicator spin while one request of the HTTP client runs: a session task of
// a session manager, or a request operation. The observer is kept by its indicator (one each)
// and follows at most one task and one operation at a time.
#include "platform/foundation/Types.h"

namespace fd {
class URLSessionTask;
}  // namespace fd
namespace ui {
class ActivityIndicatorView;
}  // namespace ui

namespace net {

class NKURLConnectionOperation;

class NKActivityIndicatorViewNotificationObserver : public rt::Object {
  RT_CLASS(NKActivityIndicatorViewNotificationObserver, rt::Object)
 public:
  void init(const Ref<ui::ActivityIndicatorView>& view);
  ~NKActivityIndicatorViewNotificationObserver() override;

  /// The indicator's own observer, made on first use.
  static Ref<NKActivityIndicatorViewNotificationObserver> observerFor(const Ref<ui::ActivityIndicatorView>& view);

  Ref<ui::ActivityIndicatorView> activityIndicatorView() const { return view_.lock(); }
  /// Spins while `task` runs: resumed starts, suspended and completed stop. Null or a
  /// completed task only drops the task followed before.
  void setAnimatingWithStateOfTask(const Ref<fd::URLSessionTask>& task);
  /// Spins from the operation's start to its finish.
  void setAnimatingWithStateOfOperation(const Ref<NKURLConnectionOperation>& operation);

  void nk_startAnimating();
  void nk_stopAnimating();

 private:
  Weak<ui::ActivityIndicatorView> view_;
  rt::Id taskToken_;       // the task notifications' registrations
  rt::Id operationToken_;  // the operation notifications' registrations
};

/// The indicator follows `task` (see the observer).
void setAnimatingWithStateOfTask(const Ref<ui::ActivityIndicatorView>& view, const Ref<fd::URLSessionTask>& task);
void setAnimatingWithStateOfOperation(const Ref<ui::ActivityIndicatorView>& view,
                                      const Ref<NKURLConnectionOperation>& operation);

}  // namespace net
