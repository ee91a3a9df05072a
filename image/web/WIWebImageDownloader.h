#pragma once
// Turns requests for image URLs into at most one running download per URL, on an operation
// queue of at most 6 at once (FIFO or LIFO). A request for a URL already being downloaded
// joins that download. The callers' table is kept on a concurrent barrier queue; callers'
// blocks run on the thread the download reports from (its worker, or the main thread for
// partial images).
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "image/web/WIDownloaderOptions.h"
#include "image/web/WIWebImageDownloadToken.h"
#include "image/web/WIWebImageDownloaderOperation.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/threads/OperationQueue.h"

namespace fd {
class URL;
}

namespace image {

class WIWebImageDownloader : public rt::Object {
  RT_CLASS(WIWebImageDownloader, rt::Object)
 public:
  using HeadersFilter = std::function<fd::HTTPHeaderList(const Ref<fd::URL>& url, const fd::HTTPHeaderList& headers)>;
  /// Makes the operation of one download; null restores the default.
  using OperationFactory = std::function<Ref<WIWebImageDownloaderOperation>(
      Ref<fd::URLRequest> request, WIDownloaderOptions options, WIDownloaderProgressBlock progress,
      WIDownloaderCompletedBlock completed, std::function<void()> cancelled)>;

  static Ref<WIWebImageDownloader> sharedDownloader();
  void init();
  ~WIWebImageDownloader() override;
  static Ref<WIWebImageDownloader> create() { return rt::make<WIWebImageDownloader>(); }

  /// Null URL: `completed` is called at once with nothing and finished false, and null is
  /// returned. Otherwise the caller's token; its download is new or one already running.
  Ref<WIWebImageDownloadToken> downloadImageWithURL(const Ref<fd::URL>& url, WIDownloaderOptions options,
                                                    WIDownloaderProgressBlock progress,
                                                    WIDownloaderCompletedBlock completed);
  /// Removes the token's caller; cancels the download when no caller is left.
  void cancel(const WIWebImageDownloadToken& token);

  void setValueForHTTPHeaderField(const std::optional<fd::String>& value, const fd::String& field);
  std::optional<fd::String> valueForHTTPHeaderField(const fd::String& field) const;
  fd::HTTPHeaderList HTTPHeaders() const;
  void setHeadersFilter(HeadersFilter filter);

  int64_t maxConcurrentDownloads() const { return downloadQueue_->maxConcurrentOperationCount(); }
  void setMaxConcurrentDownloads(int64_t count) { downloadQueue_->setMaxConcurrentOperationCount(count); }
  uint64_t currentDownloadCount() const { return downloadQueue_->operationCount(); }
  void setSuspended(bool suspended) { downloadQueue_->setSuspended(suspended); }
  const Ref<fd::OperationQueue>& downloadQueue() const { return downloadQueue_; }

  bool shouldDecompressImages() const { return shouldDecompressImages_.load(); }
  void setShouldDecompressImages(bool on) { shouldDecompressImages_.store(on); }
  /// Seconds; 0 means 15.
  double downloadTimeout() const { return downloadTimeout_.load(); }
  void setDownloadTimeout(double seconds) { downloadTimeout_.store(seconds); }
  WIDownloaderExecutionOrder executionOrder() const { return executionOrder_.load(); }
  void setExecutionOrder(WIDownloaderExecutionOrder order) { executionOrder_.store(order); }
  void setUsername(std::optional<fd::String> user);
  void setPassword(std::optional<fd::String> password);
  void setOperationFactory(OperationFactory factory);

  /// Callers waiting for `url` (0 when it is not being downloaded).
  size_t callerCount(const Ref<fd::URL>& url) const;

 private:
  struct Caller {
    uint64_t id = 0;
    WIDownloaderProgressBlock progress;
    WIDownloaderCompletedBlock completed;
  };
  struct Entry {
    uint64_t downloadId = 0;
    Ref<WIWebImageDownloaderOperation> operation;
    std::vector<Caller> callers;
  };
  Ref<WIWebImageDownloaderOperation> makeOperation(const Ref<fd::URL>& url, WIDownloaderOptions options,
                                                   uint64_t downloadId);
  std::vector<Caller> callersOf(const std::string& url, uint64_t downloadId) const;

  Ref<fd::OperationQueue> downloadQueue_;
  Ref<dispatch::Queue> barrierQueue_;
  std::unordered_map<std::string, Entry> URLCallbacks_;  // on barrierQueue_ only
  uint64_t nextId_ = 1;                                   // on barrierQueue_ only (barriers)
  Weak<fd::Operation> lastAddedOperation_;
  mutable std::mutex settingsMutex_;
  fd::HTTPHeaderList headers_;
  HeadersFilter headersFilter_;
  std::optional<fd::String> username_, password_;
  OperationFactory factory_;
  std::atomic<bool> shouldDecompressImages_{true};
  std::atomic<double> downloadTimeout_{15.0};
  std::atomic<WIDownloaderExecutionOrder> executionOrder_{WIDownloaderFIFO};
};

}  // namespace image
