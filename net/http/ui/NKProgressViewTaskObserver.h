#pragma once
// Lets a progress view show the upload or download progress of one session task or request
// operation. The view keeps its followers; when the view goes away they stop observing the
// task, and when the task completes they stop as well.
#include <cstdint>
#include <mutex>

#include "platform/foundation/Types.h"

namespace fd {
class URLSessionTask;
}  // namespace fd
namespace ui {
class ProgressView;
}  // namespace ui

namespace net {

class NKURLConnectionOperation;

/// One view following one direction (upload or download) of one task.
class NKProgressViewTaskObserver : public rt::Object {
  RT_CLASS(NKProgressViewTaskObserver, rt::Object)
 public:
  void init(const Ref<ui::ProgressView>& view, const Ref<fd::URLSessionTask>& task, bool upload);
  ~NKProgressViewTaskObserver() override;
  /// Whether it still observes the task.
  bool isObserving() const;

 private:
  void countChanged();
  void stop();

  Weak<ui::ProgressView> view_;
  Weak<fd::URLSessionTask> task_;
  bool upload_ = true;
  mutable std::mutex mutex_;
  uint64_t stateToken_ = 0, countToken_ = 0;
};

// The view's flags: whether upload or download changes are animated (false until set).
bool nk_uploadProgressAnimated(const Ref<ui::ProgressView>& view);
void nk_setUploadProgressAnimated(const Ref<ui::ProgressView>& view, bool animated);
bool nk_downloadProgressAnimated(const Ref<ui::ProgressView>& view);
void nk_setDownloadProgressAnimated(const Ref<ui::ProgressView>& view, bool animated);

/// The view shows bytes sent (received) over bytes expected while the task runs; a task that
/// announces no size leaves it alone.
void setProgressWithUploadProgressOfTask(const Ref<ui::ProgressView>& view, const Ref<fd::URLSessionTask>& task,
                                         bool animated);
void setProgressWithDownloadProgressOfTask(const Ref<ui::ProgressView>& view, const Ref<fd::URLSessionTask>& task,
                                           bool animated);
/// Chains onto the operation's progress block (the one set before still runs first).
void setProgressWithUploadProgressOfOperation(const Ref<ui::ProgressView>& view,
                                              const Ref<NKURLConnectionOperation>& operation, bool animated);
void setProgressWithDownloadProgressOfOperation(const Ref<ui::ProgressView>& view,
                                                const Ref<NKURLConnectionOperation>& operation, bool animated);

}  // namespace net
