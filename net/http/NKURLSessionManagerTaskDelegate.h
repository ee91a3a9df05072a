#pragma once
// What the session manager keeps for each task it made: the body as it arrives, the task's
// progress, where a finished download went, and the caller's completion.
#include <functional>
#include <mutex>

#include "platform/foundation/Types.h"

namespace fd {
class Data;
class Error;
class MutableData;
class Progress;
class URL;
class URLResponse;
class URLSession;
class URLSessionDownloadTask;
class URLSessionTask;
}  // namespace fd

namespace net {

class NKURLSessionManager;

class NKURLSessionManagerTaskDelegate : public rt::Object {
  RT_CLASS(NKURLSessionManagerTaskDelegate, rt::Object)
 public:
  using CompletionHandler =
      std::function<void(const Ref<fd::URLResponse>& response, const rt::Id& responseObject, const Ref<fd::Error>& error)>;
  using DestinationBlock = std::function<Ref<fd::URL>(const Ref<fd::URLSession>& session,
                                                      const Ref<fd::URLSessionDownloadTask>& task,
                                                      const Ref<fd::URL>& location)>;

  void init();

  Ref<NKURLSessionManager> manager() const { return manager_.lock(); }
  void setManager(const Ref<NKURLSessionManager>& manager) { manager_ = manager; }
  const Ref<fd::Progress>& progress() const { return progress_; }
  void setProgress(Ref<fd::Progress> progress) { progress_ = std::move(progress); }
  Ref<fd::URL> downloadFileURL() const;
  void setDownloadFileURL(Ref<fd::URL> url);
  /// A move of the finished download that failed; it reaches the completion as its error.
  void setDownloadMoveError(Ref<fd::Error> error);
  void setDownloadTaskDidFinishDownloading(DestinationBlock block) { destination_ = std::move(block); }
  void setCompletionHandler(CompletionHandler handler) { completionHandler_ = std::move(handler); }
  /// The task whose callbacks this delegate hears; kept weakly (the session holds it).
  Ref<fd::URLSessionTask> task() const { return task_.lock(); }
  void setTask(const Ref<fd::URLSessionTask>& task) { task_ = task; }

  void didSendBodyData(int64_t totalSent, int64_t totalExpected);
  void didReceiveData(const Ref<fd::Data>& data);
  void didWriteData(int64_t totalWritten, int64_t totalExpected);
  void didResumeAtOffset(int64_t offset, int64_t expectedTotal);
  void didFinishDownloading(const Ref<fd::URLSession>& session, const Ref<fd::URLSessionDownloadTask>& task,
                            const Ref<fd::URL>& location);
  /// Parses the body off the delegate queue and hands the outcome to the completion.
  void didComplete(const Ref<fd::URLSessionTask>& task, const Ref<fd::Error>& error);

 private:
  Weak<NKURLSessionManager> manager_;
  Weak<fd::URLSessionTask> task_;
  mutable std::mutex mutex_;
  Ref<fd::MutableData> mutableData_;
  Ref<fd::Progress> progress_;
  Ref<fd::URL> downloadFileURL_;
  Ref<fd::Error> moveError_;
  DestinationBlock destination_;
  CompletionHandler completionHandler_;
};

}  // namespace net
