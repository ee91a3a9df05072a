#pragma once
// One image request of the second pipeline: memory lookup, disk lookup, download on the
// pipeline's one network thread, partial images (plain or blurred) while bytes arrive,
// decoding, transform, storing, and exactly one final report (finished or cancelled) after
// zero or more progress reports. Disk lookups, decoding and stores run on a utility pool
// queue; connection callbacks and reports run on the network thread, under the operation's
// recursive lock, so a cancel waits for a report under way and nothing is reported after it.
#include <cstdint>
#include <mutex>

#include "image/web2/DRWebImageOptions.h"
#include "platform/foundation/threads/Operation.h"
#include "platform/ui/host/Application.h"

namespace fd {
class Data;
class MutableData;
class RunLoop;
class URLAuthenticationChallenge;
class URLConnection;
class URLCredential;
class URLRequest;
class URLResponse;
class CachedURLResponse;
}  // namespace fd
namespace gfx {
class ImageSource;
}

namespace image {

class DRImageCache;

/// The announced length only sizes the first reservation, up to this many bytes.
inline constexpr int64_t kDRMaxReservedImageBytes = 1 << 20;

class DRWebImageOperation : public fd::Operation {
  RT_CLASS(DRWebImageOperation, fd::Operation)
 public:
  /// Raises: a request is needed.
  void init();
  /// False (no operation) without a request. A null key becomes the URL's absolute string.
  bool init(Ref<fd::URLRequest> request, DRWebImageOptions options, Ref<DRImageCache> cache,
            std::optional<fd::String> cacheKey, DRWebImageProgressBlock progress, DRWebImageTransformBlock transform,
            DRWebImageCompletionBlock completion);
  ~DRWebImageOperation() override;

  void start() override;
  void cancel() override;
  bool isAsynchronous() const override { return true; }
  bool isStarted() const;

  const Ref<fd::URLRequest>& request() const { return request_; }
  DRWebImageOptions options() const { return options_; }
  const Ref<DRImageCache>& cache() const { return cache_; }
  const fd::String& cacheKey() const { return cacheKey_; }
  Ref<fd::URLCredential> credential() const;
  void setCredential(Ref<fd::URLCredential> credential);
  bool shouldUseCredentialStorage() const { return shouldUseCredentialStorage_; }
  void setShouldUseCredentialStorage(bool on) { shouldUseCredentialStorage_ = on; }
  fd::String description() const override;

  /// The shared network thread's run loop (the thread is made on first use).
  static Ref<fd::RunLoop> networkRunLoop();
  /// The failed-URL list of the process (entries are never removed).
  static bool blacklistContains(const Ref<fd::URL>& url);
  static void blacklistAdd(const Ref<fd::URL>& url);

  // Connection callbacks (network thread), reached through a delegate that holds this weakly.
  void connectionDidReceiveResponse(const Ref<fd::URLConnection>& c, const Ref<fd::URLResponse>& response);
  void connectionDidReceiveData(const Ref<fd::URLConnection>& c, const Ref<fd::Data>& data);
  void connectionDidFinishLoading(const Ref<fd::URLConnection>& c);
  void connectionDidFailWithError(const Ref<fd::URLConnection>& c, const Ref<fd::Error>& error);
  void connectionWillSendRequestForAuthenticationChallenge(const Ref<fd::URLConnection>& c,
                                                           const Ref<fd::URLAuthenticationChallenge>& challenge);
  Ref<fd::CachedURLResponse> connectionWillCacheResponse(const Ref<fd::URLConnection>& c,
                                                         const Ref<fd::CachedURLResponse>& cached);

 private:
  Ref<DRWebImageOperation> selfRef() { return std::static_pointer_cast<DRWebImageOperation>(shared_from_this()); }
  void onNetworkThread(void (DRWebImageOperation::*step)());
  void startOperation();
  void startRequest();
  void cancelOperation();
  void didReceiveImageFromDiskCache(const Ref<gfx::Image>& image);
  void didReceiveImageFromWeb(const Ref<gfx::Image>& image);
  void decode();
  void finish();
  void endBackgroundTask();
  void report(const Ref<gfx::Image>& image, DRWebImageFrom from, DRWebImageStage stage, const Ref<fd::Error>& error);
  void partialImage(double now);
  bool indicatorApplies() const;
  void changeIndicator(bool up);
  Ref<fd::URL> url() const;

  mutable std::recursive_mutex lock_;
  Ref<fd::URLRequest> request_;
  DRWebImageOptions options_ = 0;
  Ref<DRImageCache> cache_;
  fd::String cacheKey_;
  DRWebImageProgressBlock progress_;
  DRWebImageTransformBlock transform_;
  DRWebImageCompletionBlock completion_;
  Ref<fd::URLCredential> credential_;
  bool shouldUseCredentialStorage_ = true;

  bool started_ = false;
  bool cancelled_ = false;
  Ref<fd::URLConnection> connection_;
  Ref<fd::MutableData> data_;
  int64_t expectedSize_ = -1;
  ui::BackgroundTaskIdentifier taskID_ = ui::UIBackgroundTaskInvalid;

  double lastProgressiveDecodeTimestamp_ = 0;
  Ref<gfx::ImageSource> progressiveDecoder_;
  bool progressiveIgnored_ = false;
  bool progressiveDetected_ = false;
  uint64_t progressiveScanedLength_ = 0;
  uint64_t progressiveDisplayCount_ = 0;
  int64_t fullWidth_ = 0, fullHeight_ = 0;
};

}  // namespace image
