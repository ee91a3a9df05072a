#include "net/http/ui/NKProgressViewTaskObserver.h"

#include <vector>

#include "net/http/NKURLConnectionOperation.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/controls/ProgressView.h"

namespace net {

namespace {
const char kUploadAnimatedKey = 0;
const char kDownloadAnimatedKey = 0;
const char kFollowersKey = 0;

bool flag(const Ref<ui::ProgressView>& view, const void* key) {
  auto n = view ? rt::as<fd::Number>(view->associatedObject(key)) : nullptr;
  return n && n->boolValue();
}

void setFlag(const Ref<ui::ProgressView>& view, const void* key, bool on) {
  if (view) view->setAssociatedObject(key, fd::Number::numberWithBool(on), rt::AssociationPolicy::RetainNonatomic);
}

/// The view holds its followers, so that they live as long as it does and no longer.
void keep(const Ref<ui::ProgressView>& view, const Ref<NKProgressViewTaskObserver>& follower) {
  auto list = rt::as<fd::MutableArray>(view->associatedObject(&kFollowersKey));
  if (!list) {
    list = fd::MutableArray::arrayWithCapacity(2);
    view->setAssociatedObject(&kFollowersKey, list, rt::AssociationPolicy::RetainNonatomic);
  }
  // Followers that are done are let go here, so that the list stays short.
  for (size_t i = list->count(); i-- > 0;) {
    auto f = rt::as<NKProgressViewTaskObserver>(list->objectAtIndex(i));
    if (!f || !f->isObserving()) list->removeObjectAtIndex(i);
  }
  list->addObject(follower);
}

void show(const Weak<ui::ProgressView>& view, int64_t done, int64_t expected, const void* animatedKey) {
  if (expected <= 0) return;
  float fraction = static_cast<float>(done) / static_cast<float>(expected);
  dispatch::mainQueue()->async([view, fraction, animatedKey] {
    if (auto v = view.lock()) v->setProgress(fraction, flag(v, animatedKey));
  });
}

}  // namespace

RT_IMPLEMENT(NKProgressViewTaskObserver) {}

void NKProgressViewTaskObserver::init(const Ref<ui::ProgressView>& view, const Ref<fd::URLSessionTask>& task,
                                      bool upload) {
  view_ = view;
  task_ = task;
  upload_ = upload;
  Weak<NKProgressViewTaskObserver> weak = std::static_pointer_cast<NKProgressViewTaskObserver>(shared_from_this());
  std::lock_guard g(mutex_);
  countToken_ = task->observe(upload ? "countOfBytesSent" : "countOfBytesReceived", 0,
                              [weak](rt::Object*, const rt::KeyValueChange&) {
                                if (auto self = weak.lock()) self->countChanged();
                              });
  stateToken_ = task->observe("state", 0, [weak](rt::Object* object, const rt::KeyValueChange&) {
    auto task = dynamic_cast<fd::URLSessionTask*>(object);
    if (task && task->state() == fd::URLSessionTaskState::Completed) {
      if (auto self = weak.lock()) self->stop();
    }
  });
}

NKProgressViewTaskObserver::~NKProgressViewTaskObserver() { stop(); }

bool NKProgressViewTaskObserver::isObserving() const {
  std::lock_guard g(mutex_);
  return countToken_ != 0;
}

void NKProgressViewTaskObserver::countChanged() {
  auto task = task_.lock();
  if (!task) return;
  if (upload_) {
    show(view_, task->countOfBytesSent(), task->countOfBytesExpectedToSend(), &kUploadAnimatedKey);
  } else {
    show(view_, task->countOfBytesReceived(), task->countOfBytesExpectedToReceive(), &kDownloadAnimatedKey);
  }
}

void NKProgressViewTaskObserver::stop() {
  uint64_t count = 0, state = 0;
  {
    std::lock_guard g(mutex_);
    std::swap(count, countToken_);
    std::swap(state, stateToken_);
  }
  auto task = task_.lock();
  if (!task) return;
  if (count) task->removeObservation(count);
  if (state) task->removeObservation(state);
}

bool nk_uploadProgressAnimated(const Ref<ui::ProgressView>& view) { return flag(view, &kUploadAnimatedKey); }
void nk_setUploadProgressAnimated(const Ref<ui::ProgressView>& view, bool animated) {
  setFlag(view, &kUploadAnimatedKey, animated);
}
bool nk_downloadProgressAnimated(const Ref<ui::ProgressView>& view) { return flag(view, &kDownloadAnimatedKey); }
void nk_setDownloadProgressAnimated(const Ref<ui::ProgressView>& view, bool animated) {
  setFlag(view, &kDownloadAnimatedKey, animated);
}

void setProgressWithUploadProgressOfTask(const Ref<ui::ProgressView>& view, const Ref<fd::URLSessionTask>& task,
                                         bool animated) {
  if (!view || !task) return;
  keep(view, rt::make<NKProgressViewTaskObserver>(view, task, true));
  nk_setUploadProgressAnimated(view, animated);
}

void setProgressWithDownloadProgressOfTask(const Ref<ui::ProgressView>& view, const Ref<fd::URLSessionTask>& task,
                                           bool animated) {
  if (!view || !task) return;
  keep(view, rt::make<NKProgressViewTaskObserver>(view, task, false));
  nk_setDownloadProgressAnimated(view, animated);
}

namespace {
NKURLConnectionOperation::ProgressBlock chained(const Ref<ui::ProgressView>& view,
                                                NKURLConnectionOperation::ProgressBlock previous, bool animated) {
  Weak<ui::ProgressView> weak = view;
  return [weak, previous, animated](uint64_t bytes, int64_t total, int64_t expected) {
    if (previous) previous(bytes, total, expected);
    if (expected <= 0) return;
    float fraction = static_cast<float>(total) / static_cast<float>(expected);
    dispatch::mainQueue()->async([weak, fraction, animated] {
      if (auto v = weak.lock()) v->setProgress(fraction, animated);
    });
  };
}
}  // namespace

void setProgressWithUploadProgressOfOperation(const Ref<ui::ProgressView>& view,
                                              const Ref<NKURLConnectionOperation>& operation, bool animated) {
  if (!view || !operation) return;
  operation->setUploadProgressBlock(chained(view, operation->uploadProgress(), animated));
}

void setProgressWithDownloadProgressOfOperation(const Ref<ui::ProgressView>& view,
                                                const Ref<NKURLConnectionOperation>& operation, bool animated) {
  if (!view || !operation) return;
  operation->setDownloadProgressBlock(chained(view, operation->downloadProgress(), animated));
}

}  // namespace net
