#include "net/http/NKURLSessionManagerTaskDelegate.h"

#include "net/http/NKURLResponseSerialization.h"
#include "net/http/NKURLSessionManager.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/foundation/threads/Progress.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"

namespace net {

RT_IMPLEMENT(NKURLSessionManagerTaskDelegate) {}

void NKURLSessionManagerTaskDelegate::init() {
  mutableData_ = fd::MutableData::create();
  progress_ = fd::Progress::progressWithTotalUnitCount(0);
}

Ref<fd::URL> NKURLSessionManagerTaskDelegate::downloadFileURL() const {
  std::lock_guard g(mutex_);
  return downloadFileURL_;
}

void NKURLSessionManagerTaskDelegate::setDownloadFileURL(Ref<fd::URL> url) {
  std::lock_guard g(mutex_);
  downloadFileURL_ = std::move(url);
}

void NKURLSessionManagerTaskDelegate::setDownloadMoveError(Ref<fd::Error> error) {
  std::lock_guard g(mutex_);
  moveError_ = std::move(error);
}

void NKURLSessionManagerTaskDelegate::didSendBodyData(int64_t totalSent, int64_t totalExpected) {
  progress_->setTotalUnitCount(totalExpected);
  progress_->setCompletedUnitCount(totalSent);
}

void NKURLSessionManagerTaskDelegate::didReceiveData(const Ref<fd::Data>& data) {
  std::lock_guard g(mutex_);
  if (mutableData_ && data) mutableData_->appendData(data);
}

void NKURLSessionManagerTaskDelegate::didWriteData(int64_t totalWritten, int64_t totalExpected) {
  progress_->setTotalUnitCount(totalExpected);
  progress_->setCompletedUnitCount(totalWritten);
}

void NKURLSessionManagerTaskDelegate::didResumeAtOffset(int64_t offset, int64_t expectedTotal) {
  progress_->setTotalUnitCount(expectedTotal);
  progress_->setCompletedUnitCount(offset);
}

void NKURLSessionManagerTaskDelegate::didFinishDownloading(const Ref<fd::URLSession>& session,
                                                           const Ref<fd::URLSessionDownloadTask>& task,
                                                           const Ref<fd::URL>& location) {
  setDownloadFileURL(nullptr);
  if (!destination_) return;
  auto destination = destination_(session, task, location);
  setDownloadFileURL(destination);
  if (destination) setDownloadMoveError(NKURLSessionManager::moveDownload(task, location, destination));
}

void NKURLSessionManagerTaskDelegate::didComplete(const Ref<fd::URLSessionTask>& task, const Ref<fd::Error>& error) {
  auto manager = manager_.lock();
  auto serializer = manager ? manager->responseSerializer() : nullptr;
  auto userInfo = fd::MutableDictionary::dictionaryWithCapacity(5);
  if (auto object = std::dynamic_pointer_cast<rt::Object>(serializer)) {
    userInfo->setObjectForKey(object, fd::String(NKNetworkingTaskDidCompleteResponseSerializerKey));
  }

  // The body is copied once, and the growing buffer let go before parsing.
  Ref<fd::Data> body;
  Ref<fd::URL> fileURL;
  Ref<fd::Error> moveError;
  {
    std::lock_guard g(mutex_);
    if (mutableData_) body = fd::Data::create(mutableData_->bytes(), mutableData_->length());
    mutableData_ = nullptr;
    fileURL = downloadFileURL_;
    moveError = moveError_;
  }
  if (fileURL) {
    userInfo->setObjectForKey(fileURL, fd::String(NKNetworkingTaskDidCompleteAssetPathKey));
  } else if (body) {
    userInfo->setObjectForKey(body, fd::String(NKNetworkingTaskDidCompleteResponseDataKey));
  }

  Ref<dispatch::Queue> queue = manager && manager->completionQueue() ? manager->completionQueue() : dispatch::mainQueue();
  Ref<dispatch::Group> group =
      manager && manager->completionGroup() ? manager->completionGroup() : NKURLSessionManager::sharedCompletionGroup();
  auto completion = completionHandler_;
  auto response = task->response();
  auto finish = [manager, task, userInfo, completion, response, queue, group](rt::Id object, Ref<fd::Error> error) {
    group->async(queue, [manager, task, userInfo, completion, response, object, error] {
      if (completion) completion(response, object, error);
      dispatch::mainQueue()->async([task, userInfo] {
        fd::NotificationCenter::defaultCenter()->post(fd::String(NKNetworkingTaskDidCompleteNotification), task,
                                                      userInfo);
      });
    });
  };

  if (error) {
    userInfo->setObjectForKey(error, fd::String(NKNetworkingTaskDidCompleteErrorKey));
    finish(nullptr, error);
    return;
  }
  NKURLSessionManager::processingQueue()->async([serializer, response, body, fileURL, moveError, userInfo, finish] {
    Ref<fd::Error> serializationError;
    rt::Id object = serializer ? serializer->responseObjectForResponse(response, body, &serializationError) : nullptr;
    if (fileURL) object = fileURL;
    // A download that could not be put where it was asked for has not succeeded.
    if (moveError) serializationError = moveError;
    if (object) userInfo->setObjectForKey(object, fd::String(NKNetworkingTaskDidCompleteSerializedResponseKey));
    if (serializationError) userInfo->setObjectForKey(serializationError, fd::String(NKNetworkingTaskDidCompleteErrorKey));
    finish(object, serializationError);
  });
}

}  // namespace net
