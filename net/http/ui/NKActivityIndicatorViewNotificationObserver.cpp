#include "net/http/ui/NKActivityIndicatorViewNotificationObserver.h"

#include "net/http/NKURLConnectionOperation.h"
#include "net/http/NKURLSessionManager.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/ui/controls/ActivityIndicatorView.h"

namespace net {

namespace {
const char kObserverKey = 0;
}  // namespace

RT_IMPLEMENT(NKActivityIndicatorViewNotificationObserver) {}

void NKActivityIndicatorViewNotificationObserver::init(const Ref<ui::ActivityIndicatorView>& view) {
  view_ = view;
  taskToken_ = rt::make<rt::Object>();
  operationToken_ = rt::make<rt::Object>();
}

NKActivityIndicatorViewNotificationObserver::~NKActivityIndicatorViewNotificationObserver() {
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(taskToken_);
  center->removeObserver(operationToken_);
}

Ref<NKActivityIndicatorViewNotificationObserver> NKActivityIndicatorViewNotificationObserver::observerFor(
    const Ref<ui::ActivityIndicatorView>& view) {
  if (!view) return nullptr;
  auto observer = rt::as<NKActivityIndicatorViewNotificationObserver>(view->associatedObject(&kObserverKey));
  if (!observer) {
    observer = rt::make<NKActivityIndicatorViewNotificationObserver>(view);
    view->setAssociatedObject(&kObserverKey, observer, rt::AssociationPolicy::RetainNonatomic);
  }
  return observer;
}

void NKActivityIndicatorViewNotificationObserver::setAnimatingWithStateOfTask(const Ref<fd::URLSessionTask>& task) {
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(taskToken_);
  if (!task || task->state() == fd::URLSessionTaskState::Completed) return;
  if (task->state() == fd::URLSessionTaskState::Running) {
    nk_startAnimating();
  } else {
    nk_stopAnimating();
  }
  Weak<NKActivityIndicatorViewNotificationObserver> weak =
      std::static_pointer_cast<NKActivityIndicatorViewNotificationObserver>(shared_from_this());
  center->addObserver(
      taskToken_,
      [weak](const Ref<fd::Notification>&) {
        if (auto self = weak.lock()) self->nk_startAnimating();
      },
      fd::String(NKNetworkingTaskDidResumeNotification), task);
  for (const char* name : {NKNetworkingTaskDidSuspendNotification, NKNetworkingTaskDidCompleteNotification}) {
    center->addObserver(
        taskToken_,
        [weak](const Ref<fd::Notification>&) {
          if (auto self = weak.lock()) self->nk_stopAnimating();
        },
        fd::String(name), task);
  }
}

void NKActivityIndicatorViewNotificationObserver::setAnimatingWithStateOfOperation(
    const Ref<NKURLConnectionOperation>& operation) {
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(operationToken_);
  if (!operation || operation->isFinished()) return;
  if (operation->isExecuting()) {
    nk_startAnimating();
  } else {
    nk_stopAnimating();
  }
  Weak<NKActivityIndicatorViewNotificationObserver> weak =
      std::static_pointer_cast<NKActivityIndicatorViewNotificationObserver>(shared_from_this());
  center->addObserver(
      operationToken_,
      [weak](const Ref<fd::Notification>&) {
        if (auto self = weak.lock()) self->nk_startAnimating();
      },
      fd::String(NKNetworkingOperationDidStartNotification), operation);
  center->addObserver(
      operationToken_,
      [weak](const Ref<fd::Notification>&) {
        if (auto self = weak.lock()) self->nk_stopAnimating();
      },
      fd::String(NKNetworkingOperationDidFinishNotification), operation);
}

void NKActivityIndicatorViewNotificationObserver::nk_startAnimating() {
  Weak<ui::ActivityIndicatorView> view = view_;
  dispatch::mainQueue()->async([view] {
    if (auto v = view.lock()) v->startAnimating();
  });
}

void NKActivityIndicatorViewNotificationObserver::nk_stopAnimating() {
  Weak<ui::ActivityIndicatorView> view = view_;
  dispatch::mainQueue()->async([view] {
    if (auto v = view.lock()) v->stopAnimating();
  });
}

void setAnimatingWithStateOfTask(const Ref<ui::ActivityIndicatorView>& view, const Ref<fd::URLSessionTask>& task) {
  if (auto observer = NKActivityIndicatorViewNotificationObserver::observerFor(view)) {
    observer->setAnimatingWithStateOfTask(task);
  }
}

void setAnimatingWithStateOfOperation(const Ref<ui::ActivityIndicatorView>& view,
                                      const Ref<NKURLConnectionOperation>& operation) {
  if (auto observer = NKActivityIndicatorViewNotificationObserver::observerFor(view)) {
    observer->setAnimatingWithStateOfOperation(operation);
  }
}

}  // namespace net
