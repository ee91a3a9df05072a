#pragma once
// Downloads one image URL: an asynchronous operation that opens a URL connection on the
// worker thread running it and runs that thread's run loop until the download ends, so every
// connection callback, the progress calls and the final completed call come on that thread;
// partial images of a progressive download are handed over on the main thread. Start, stop,
// receive-response and finish are announced through notifications on the main queue.
#include <atomic>
#include <functional>
#include <mutex>

#include "image/web/WIDownloaderOptions.h"
#include "image/web/WIWebImageOperation.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/threads/Operation.h"

namespace fd {
class MutableData;
class RunLoop;
class Thread;
class URLResponse;
}  // namespace fd

namespace image {

inline constexpr const char* WIWebImageDownloadStartNotification = "WIWebImageDownloadStartNotification";
inline constexpr const char* WIWebImageDownloadReceiveResponseNotification =
    "WIWebImageDownloadReceiveResponseNotification";
inline constexpr const char* WIWebImageDownloadStopNotification = "WIWebImageDownloadStopNotification";
inline constexpr const char* WIWebImageDownloadFinishNotification = "WIWebImageDownloadFinishNotification";

/// The most bytes reserved up front from a response's announced length: a server may claim
/// any length, and the buffer grows as bytes really arrive.
inline constexpr int64_t kWIMaxReservedImageBytes = 1 << 20;

class WIWebImageDownloaderOperation : public fd::Operation, public WIWebImageOperation {
  RT_CLASS(WIWebImageDownloaderOperation, fd::Operation)
 public:
  /// Nothing to download without a request.
  bool init() { return false; }
  void init(Ref<fd::URLRequest> request, WIDownloaderOptions options, WIDownloaderProgressBlock progress,
            WIDownloaderCompletedBlock completed, std::function<void()> cancelled);
  static Ref<WIWebImageDownloaderOperation> create(Ref<fd::URLRequest> request, WIDownloaderOptions options,
                                                   WIDownloaderProgressBlock progress,
                                                   WIDownloaderCompletedBlock completed,
                                                   std::function<void()> cancelled) {
    return rt::make<WIWebImageDownloaderOperation>(std::move(request), options, std::move(progress),
                                                   std::move(completed), std::move(cancelled));
  }

  void start() override;
  /// From any thread; a running download is stopped on its own thread.
  void cancel() override;
  bool isAsynchronous() const override { return true; }

  const Ref<fd::URLRequest>& request() const { return request_; }
  WIDownloaderOptions options() const { return options_; }
  bool shouldDecompressImages() const { return shouldDecompressImages_.load(); }
  void setShouldDecompressImages(bool on) { shouldDecompressImages_.store(on); }
  bool shouldUseCredentialStorage() const { return shouldUseCredentialStorage_.load(); }
  void setShouldUseCredentialStorage(bool on) { shouldUseCredentialStorage_.store(on); }
  Ref<fd::URLCredential> credential() const;
  void setCredential(Ref<fd::URLCredential> credential);
  int64_t expectedSize() const { return expectedSize_.load(); }
  Ref<fd::URLResponse> response() const;
  bool shouldContinueWhenAppEntersBackground() const { return (options_ & WIDownloaderContinueInBackground) != 0; }

  static gfx::ImageOrientation orientationFromPropertyValue(int64_t value);
  Ref<gfx::Image> scaledImageForKey(const std::optional<fd::String>& key, const Ref<gfx::Image>& image) const;

  // Connection callbacks, on the thread running the download.
  void connectionDidReceiveResponse(const Ref<fd::URLConnection>& connection, const Ref<fd::URLResponse>& response);
  void connectionDidReceiveData(const Ref<fd::URLConnection>& connection, const Ref<fd::Data>& data);
  void connectionDidFinishLoading(const Ref<fd::URLConnection>& connection);
  void connectionDidFailWithError(const Ref<fd::URLConnection>& connection, const Ref<fd::Error>& error);
  Ref<fd::CachedURLResponse> connectionWillCacheResponse(const Ref<fd::URLConnection>& connection,
                                                         const Ref<fd::CachedURLResponse>& cached);
  bool connectionShouldUseCredentialStorage(const Ref<fd::URLConnection>& connection);
  void connectionWillSendRequestForAuthenticationChallenge(const Ref<fd::URLConnection>& connection,
                                                           const Ref<fd::URLAuthenticationChallenge>& challenge);

 private:
  Ref<WIWebImageDownloaderOperation> selfRef() {
    return std::static_pointer_cast<WIWebImageDownloaderOperation>(shared_from_this());
  }
  void cancelInternalAndStop();
  void cancelInternal();
  void done();
  void reset();
  void post(const char* name);
  void stopRunLoop();
  void partialImage(const fd::MutableData& received);
  WIDownloaderCompletedBlock completedBlock() const;
  WIDownloaderProgressBlock progressBlock() const;

  Ref<fd::URLRequest> request_;
  WIDownloaderOptions options_ = 0;
  mutable std::mutex blocksMutex_;  // the three blocks are cleared while other threads read them
  WIDownloaderProgressBlock progress_;
  WIDownloaderCompletedBlock completed_;
  std::function<void()> cancelled_;
  std::atomic<bool> shouldDecompressImages_{true};
  std::atomic<bool> shouldUseCredentialStorage_{true};
  std::atomic<int64_t> expectedSize_{0};
  std::recursive_mutex lock_;  // the operation's own lock: start, cancel, finish, failure
  Ref<fd::URLCredential> credential_;
  Ref<fd::URLResponse> response_;
  Ref<fd::MutableData> imageData_;  // under lock_: a cancel may let go of it from any thread
  Ref<fd::URLConnection> connection_;
  Ref<fd::Thread> thread_;
  Ref<fd::RunLoop> runLoop_;
  uint64_t backgroundTask_ = 0;
  // Read only on the download's thread.
  int64_t width_ = 0, height_ = 0;
  gfx::ImageOrientation orientation_ = gfx::ImageOrientation::Up;
  bool responseFromCached_ = true;
};

}  // namespace image
