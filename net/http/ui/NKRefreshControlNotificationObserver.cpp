#include "net/http/ui/NKRefreshControlNotificationObserver.h"

#include "net/http/NKURLConnectionOperation.h"
#include "net/http/NKURLSessionManager.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/ui/lists/RefreshControl.h"

namespace net {

namespace {
const char kRefreshControlObserverKey = 0;
}  // namespace

RT_IMPLEMENT(NKRefreshControlNotificationObserver) {}

void NKRefreshControlNotificationObserver::init(const Ref<ui::RefreshControl>& view) {
  view_ = view;
  taskToken_ = rt::make<rt::Object>();
  operationToken_ = rt::make<rt::Object>();
}

NKRefreshControlNotificationObserver::~NKRefreshControlNotificationObserver() {
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(taskToken_);
  center->removeObserver(operationToken_);
}

Ref<NKRefreshControlNotificationObserver> NKRefreshControlNotificationObserver::observerFor(
    const Ref<ui::RefreshControl>& view) {
  if (!view) return nullptr;
  auto observer = rt::as<NKRefreshControlNotificationObserver>(view->associatedObject(&kRefreshControlObserverKey));
  if (!observer) {
    observer = rt::make<NKRefreshControlNotificationObserver>(view);
    view->setAssociatedObject(&kRefreshControlObserverKey, observer, rt::AssociationPolicy::RetainNonatomic);
  }
  return observer;
}

void NKRefreshControlNotificationObserver::setRefreshingWithStateOfTask(const Ref<fd::URLSessionTask>& task) {
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(taskToken_);
  if (!task) return;
  if (task->state() != fd::URLSessionTaskState::Running) {
    nk_endRefreshing();
    return;
  }
  nk_beginRefreshing();
  Weak<NKRefreshControlNotificationObserver> weak =
      std::static_pointer_cast<NKRefreshControlNotificationObserver>(shared_from_this());
  center->addObserver(
      taskToken_,
      [weak](const Ref<fd::Notification>&) {
        if (auto self = weak.lock()) self->nk_beginRefreshing();
      },
      fd::String(NKNetworkingTaskDidResumeNotification), task);
  for (const char* name : {NKNetworkingTaskDidSuspendNotification, NKNetworkingTaskDidCompleteNotification}) {
    center->addObserver(
        taskToken_,
        [weak](const Ref<fd::Notification>&) {
          if (auto self = weak.lock()) self->nk_endRefreshing();
        },
        fd::String(name), task);
  }
}

void NKRefreshControlNotificationObserver::setRefreshingWithStateOfOperation(
    const Ref<NKURLConnectionOperation>& operation) {
  auto center = fd::NotificationCenter::defaultCenter();
  center->removeObserver(operationToken_);
  if (!operation || operation->isFinished()) return;
  if (operation->isExecuting()) {
    nk_beginRefreshing();
  } else {
    nk_endRefreshing();
  }
  Weak<NKRefreshControlNotificationObserver> weak =
      std::static_pointer_cast<NKRefreshControlNotificationObserver>(shared_from_this());
  center->addObserver(
      operationToken_,
      [weak](const Ref<fd::Notification>&) {
        if (auto self = weak.lock()) self->nk_beginRefreshing();
      },
      fd::String(NKNetworkingOperationDidStartNotification), operation);
  center->addObserver(
      operationToken_,
      [weak](const Ref<fd::Notification>&) {
        if (auto self = weak.lock()) self->nk_endRefreshing();
      },
      fd::String(NKNetworkingOperationDidFinishNotification), operation);
}

void NKRefreshControlNotificationObserver::nk_beginRefreshing() {
  Weak<ui::RefreshControl> view = view_;
  dispatch::mainQueue()->async([view] {
    if (auto v = view.lock()) v->beginRefreshing();
  });
}

void NKRefreshControlNotificationObserver::nk_endRefreshing() {
  Weak<ui::RefreshControl> view = view_;
  dispatch::mainQueue()->async([view] {
    if (auto v = view.lock()) v->endRefreshing();
  });
}

void setRefreshingWithStateOfTask(const Ref<ui::RefreshControl>& view, const Ref<fd::URLSessionTask>& task) {
  if (auto observer = NKRefreshControlNotificationObserver::observerFor(view)) {
    observer->setRefreshingWithStateOfTask(task);
  }
}

void setRefreshingWithStateOfOperation(const Ref<ui::RefreshControl>& view,
                                      const Ref<NKURLConnectionOperation>& operation) {
  if (auto observer = NKRefreshControlNotificationObserver::observerFor(view)) {
    observer->setRefreshingWithStateOfOperation(operation);
  }
}

}  // namespace net
