#include "image/web/WIWebImageDownloaderOperation.h"

#include <algorithm>

#include "image/web/Image+ForceDecode.h"
#include "image/web/Image+MultiFormat.h"
#include "image/web/WIImageScaledForKey.h"
#include "image/web/WIWebImageCompat.h"
#include "image/web/WIWebImageManager.h"
#include "platform/dispatch/Blocking.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/ImageTypes.h"
#include "platform/ui/host/Application.h"

namespace image {

namespace {

/// Forwards the connection's callbacks to the operation. The connection holds its delegate
/// until it ends, and so keeps the operation alive while loading.
class _WIConnectionDelegate : public fd::URLConnectionDelegate {
  RT_CLASS(_WIConnectionDelegate, fd::URLConnectionDelegate)
 public:
  void init(Ref<WIWebImageDownloaderOperation> op) { op_ = std::move(op); }

  void willSendRequestForAuthenticationChallenge(const Ref<fd::URLConnection>& c,
                                                 const Ref<fd::URLAuthenticationChallenge>& ch) override {
    op_->connectionWillSendRequestForAuthenticationChallenge(c, ch);
  }
  bool connectionShouldUseCredentialStorage(const Ref<fd::URLConnection>& c) override {
    return op_->connectionShouldUseCredentialStorage(c);
  }
  void didReceiveResponse(const Ref<fd::URLConnection>& c, const Ref<fd::URLResponse>& r) override {
    op_->connectionDidReceiveResponse(c, r);
  }
  void didReceiveData(const Ref<fd::URLConnection>& c, const Ref<fd::Data>& d) override {
    op_->connectionDidReceiveData(c, d);
  }
  Ref<fd::CachedURLResponse> willCacheResponse(const Ref<fd::URLConnection>& c,
                                               const Ref<fd::CachedURLResponse>& r) override {
    return op_->connectionWillCacheResponse(c, r);
  }
  void connectionDidFinishLoading(const Ref<fd::URLConnection>& c) override { op_->connectionDidFinishLoading(c); }
  void didFailWithError(const Ref<fd::URLConnection>& c, const Ref<fd::Error>& e) override {
    op_->connectionDidFailWithError(c, e);
  }

 private:
  Ref<WIWebImageDownloaderOperation> op_;
};

RT_IMPLEMENT(_WIConnectionDelegate) {
  using D = fd::URLConnectionDelegate;
  D::implement(c.cls(), {D::kWillSendRequestForAuthenticationChallenge, D::kShouldUseCredentialStorage,
                         D::kDidReceiveResponse, D::kDidReceiveData, D::kWillCacheResponse, D::kDidFinishLoading,
                         D::kDidFailWithError});
}

Ref<fd::Error> imageError(const char* description) {
  auto info = fd::MutableDictionary::create();
  info->setObjectForKey(fd::StringObject::create(description), fd::String(fd::NSLocalizedDescriptionKey));
  return fd::Error::create(fd::String(WIWebImageErrorDomain), 0, info);
}

/// Runs `block` on the main thread and waits for it.
void onMainThreadSync(const std::function<void()>& block) {
  if (fd::Thread::isMainThread()) block();
  else dispatch::mainQueue()->sync(block);
}

std::optional<fd::String> cacheKeyOf(const Ref<fd::URLRequest>& request) {
  return WIWebImageManager::sharedManager()->cacheKeyForURL(request ? request->URL() : nullptr);
}

}  // namespace

RT_IMPLEMENT(WIWebImageDownloaderOperation) {}

void WIWebImageDownloaderOperation::init(Ref<fd::URLRequest> request, WIDownloaderOptions options,
                                         WIDownloaderProgressBlock progress, WIDownloaderCompletedBlock completed,
                                         std::function<void()> cancelled) {
  fd::Operation::init();
  request_ = std::move(request);
  options_ = options;
  progress_ = std::move(progress);
  completed_ = std::move(completed);
  cancelled_ = std::move(cancelled);
}

Ref<fd::URLCredential> WIWebImageDownloaderOperation::credential() const {
  std::lock_guard lock(blocksMutex_);
  return credential_;
}

void WIWebImageDownloaderOperation::setCredential(Ref<fd::URLCredential> credential) {
  std::lock_guard lock(blocksMutex_);
  credential_ = std::move(credential);
}

Ref<fd::URLResponse> WIWebImageDownloaderOperation::response() const {
  std::lock_guard lock(blocksMutex_);
  return response_;
}

WIDownloaderCompletedBlock WIWebImageDownloaderOperation::completedBlock() const {
  std::lock_guard lock(blocksMutex_);
  return completed_;
}

WIDownloaderProgressBlock WIWebImageDownloaderOperation::progressBlock() const {
  std::lock_guard lock(blocksMutex_);
  return progress_;
}

gfx::ImageOrientation WIWebImageDownloaderOperation::orientationFromPropertyValue(int64_t value) {
  return wi_exifOrientationToiOSOrientation(value < 1 || value > 8 ? 1 : int32_t(value));
}

Ref<gfx::Image> WIWebImageDownloaderOperation::scaledImageForKey(const std::optional<fd::String>& key,
                                                                 const Ref<gfx::Image>& image) const {
  return WIImageScaledForKey(key, image);
}

void WIWebImageDownloaderOperation::post(const char* name) {
  auto self = selfRef();
  fd::String n(name);
  dispatch::mainQueue()->async([self, n] { fd::NotificationCenter::defaultCenter()->post(n, self); });
}

void WIWebImageDownloaderOperation::stopRunLoop() {
  // A stop sent to a loop that is not running would end the next download run on this worker.
  auto loop = fd::RunLoop::currentRunLoop();
  if (loop && !loop->currentMode().isEmpty()) loop->stop();
}

void WIWebImageDownloaderOperation::start() {
  Ref<fd::URLConnection> connection;
  Ref<fd::RunLoop> loop;
  {
    std::lock_guard lock(lock_);
    if (isCancelled()) {
      setFinished(true);
      reset();
      return;
    }
    auto app = ui::Application::sharedApplication();
    if (app && shouldContinueWhenAppEntersBackground()) {
      Weak<WIWebImageDownloaderOperation> weak = selfRef();
      backgroundTask_ = app->beginBackgroundTaskWithExpirationHandler([weak, app] {
        if (auto self = weak.lock()) {
          self->cancel();
          std::lock_guard l(self->lock_);
          app->endBackgroundTask(self->backgroundTask_);
          self->backgroundTask_ = ui::UIBackgroundTaskInvalid;
        }
      });
    }
    setExecuting(true);
    connection_ = fd::URLConnection::create(request_, rt::make<_WIConnectionDelegate>(selfRef()), false);
    connection = connection_;
    thread_ = fd::Thread::currentThread();
    runLoop_ = loop = fd::RunLoop::currentRunLoop();
  }
  if (connection) {
    connection->start();
    if (auto progress = progressBlock()) progress(0, -1);
    post(WIWebImageDownloadStartNotification);
    {
      // The worker waits here for its own connection; let the pool start another meanwhile.
      dispatch::BlockingScope blocking;
      loop->run();
    }
    if (!isFinished()) {
      connection->cancel();
      auto info = fd::MutableDictionary::create();
      if (request_->URL()) info->setObjectForKey(request_->URL(), fd::String(fd::NSURLErrorFailingURLErrorKey));
      connectionDidFailWithError(connection, fd::Error::create(fd::String(fd::NSURLErrorDomain), fd::NSURLErrorTimedOut, info));
    }
  } else {
    if (auto completed = completedBlock())
      completed(nullptr, nullptr, fd::Error::create(fd::String(fd::NSURLErrorDomain), 0, [] {
        auto info = fd::MutableDictionary::create();
        info->setObjectForKey(fd::StringObject::create("Connection can't be initialized"),
                              fd::String(fd::NSLocalizedDescriptionKey));
        return info;
      }()), true);
    done();
  }
  std::lock_guard lock(lock_);
  if (backgroundTask_ != ui::UIBackgroundTaskInvalid) {
    if (auto app = ui::Application::sharedApplication()) app->endBackgroundTask(backgroundTask_);
    backgroundTask_ = ui::UIBackgroundTaskInvalid;
  }
}

void WIWebImageDownloaderOperation::connectionDidReceiveResponse(const Ref<fd::URLConnection>&,
                                                                 const Ref<fd::URLResponse>& response) {
  auto http = rt::as<fd::HTTPURLResponse>(response);
  const int64_t status = http ? http->statusCode() : 0;
  if (!http || (status < 400 && status != 304)) {
    const int64_t expected = response->expectedContentLength() > 0 ? response->expectedContentLength() : 0;
    expectedSize_.store(expected);
    if (auto progress = progressBlock()) progress(0, expected);
    // The announced length is only a hint: never reserve more than a sane picture needs.
    auto buffer = fd::MutableData::dataWithCapacity(size_t(std::min(expected, kWIMaxReservedImageBytes)));
    {
      std::lock_guard lock(lock_);
      imageData_ = buffer;
    }
    {
      std::lock_guard lock(blocksMutex_);
      response_ = response;
    }
    post(WIWebImageDownloadReceiveResponseNotification);
    return;
  }
  // Rejected. "Not modified" ends with a final answer without image or error, so that the
  // caller's load ends (under a refresh, the image it already has stands).
  if (connection_) connection_->cancel();
  post(WIWebImageDownloadStopNotification);
  if (auto completed = completedBlock()) {
    if (status == 304) completed(nullptr, nullptr, nullptr, true);
    else completed(nullptr, nullptr, fd::Error::create(fd::String(fd::NSURLErrorDomain), status), true);
  }
  stopRunLoop();
  done();
}

void WIWebImageDownloaderOperation::connectionDidReceiveData(const Ref<fd::URLConnection>&, const Ref<fd::Data>& data) {
  // A cancel on another thread lets go of the buffer; what arrives here works on its own reference.
  Ref<fd::MutableData> buffer;
  {
    std::lock_guard lock(lock_);
    buffer = imageData_;
  }
  if (!buffer || !data) return;
  buffer->appendData(*data);
  if ((options_ & WIDownloaderProgressive) && expectedSize_.load() > 0 && completedBlock()) partialImage(*buffer);
  if (auto progress = progressBlock()) progress(int64_t(buffer->length()), expectedSize_.load());
}

void WIWebImageDownloaderOperation::partialImage(const fd::MutableData& received) {
  const int64_t total = int64_t(received.length());
  // The source reads a copy: the received bytes keep growing (and moving) after this call.
  auto source = gfx::ImageSource::createWithData(fd::Data::create(received.bytes(), received.length()));
  if (!source) return;
  if (width_ + height_ == 0) {
    if (auto properties = source->copyPropertiesAtIndex(0)) {
      int64_t orientation = -1;
      if (auto h = properties->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyPixelHeight)) height_ = h->integerValue();
      if (auto w = properties->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyPixelWidth)) width_ = w->integerValue();
      if (auto o = properties->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyOrientation)) orientation = o->integerValue();
      orientation_ = orientationFromPropertyValue(orientation == -1 ? 1 : orientation);
    }
  }
  if (width_ + height_ == 0 || total >= expectedSize_.load() || width_ <= 0 || height_ <= 0) return;
  auto partial = source->createImageAtIndex(0);
  if (!partial) return;
  auto context = gfx::Context::createBitmap(nullptr, size_t(width_), size_t(height_), 8, size_t(width_) * 4,
                                            gfx::ColorSpace::deviceRGB(), gfx::BitmapInfoNativePremultiplied);
  if (!context) return;
  // The rows received so far are the top of the picture: in the bitmap's y-up space they sit
  // against its upper edge.
  const double rows = std::min<double>(double(partial->height()), double(height_));
  context->drawImage(gfx::Rect{{0, double(height_) - rows}, {double(width_), rows}}, *partial);
  auto drawn = context->makeImage();
  if (!drawn) return;
  Ref<gfx::Image> image = gfx::Image::imageWithCGImage(drawn, 1, orientation_);
  image = scaledImageForKey(cacheKeyOf(request_), image);
  if (shouldDecompressImages()) image = decodedImageWithImage(image);
  auto self = selfRef();
  onMainThreadSync([self, image] {
    if (auto completed = self->completedBlock()) completed(image, nullptr, nullptr, false);
  });
}

void WIWebImageDownloaderOperation::connectionDidFinishLoading(const Ref<fd::URLConnection>&) {
  auto completed = completedBlock();
  Ref<fd::MutableData> received;
  {
    std::lock_guard lock(lock_);
    received = imageData_;
    stopRunLoop();
    thread_.reset();
    runLoop_.reset();
    connection_.reset();
    auto self = selfRef();
    dispatch::mainQueue()->async([self] {
      auto center = fd::NotificationCenter::defaultCenter();
      center->post(fd::String(WIWebImageDownloadStopNotification), self);
      center->post(fd::String(WIWebImageDownloadFinishNotification), self);
    });
  }
  if (responseFromCached_ && !fd::URLCache::sharedURLCache()->cachedResponseForRequest(request_))
    responseFromCached_ = false;
  if (completed) {
    if ((options_ & WIDownloaderIgnoreCachedResponse) && responseFromCached_) {
      completed(nullptr, nullptr, nullptr, true);
    } else if (received) {
      Ref<gfx::Image> image = wi_imageWithData(received);
      image = scaledImageForKey(cacheKeyOf(request_), image);
      if (image && image->images().empty() && shouldDecompressImages()) image = decodedImageWithImage(image);
      if (!image || (image->size().width == 0 && image->size().height == 0))
        completed(nullptr, nullptr, imageError("Downloaded image has 0 pixels"), true);
      else
        completed(image, received, nullptr, true);
    } else {
      completed(nullptr, nullptr, imageError("Image data is nil"), true);
    }
  }
  setCompletionBlock(nullptr);
  done();
}

void WIWebImageDownloaderOperation::connectionDidFailWithError(const Ref<fd::URLConnection>&,
                                                               const Ref<fd::Error>& error) {
  {
    std::lock_guard lock(lock_);
    stopRunLoop();
    thread_.reset();
    runLoop_.reset();
    connection_.reset();
    post(WIWebImageDownloadStopNotification);
  }
  if (auto completed = completedBlock()) completed(nullptr, nullptr, error, true);
  setCompletionBlock(nullptr);
  done();
}

Ref<fd::CachedURLResponse> WIWebImageDownloaderOperation::connectionWillCacheResponse(
    const Ref<fd::URLConnection>&, const Ref<fd::CachedURLResponse>& cached) {
  responseFromCached_ = false;
  if (request_->cachePolicy() == fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData) return nullptr;
  return cached;
}

bool WIWebImageDownloaderOperation::connectionShouldUseCredentialStorage(const Ref<fd::URLConnection>&) {
  return shouldUseCredentialStorage();
}

void WIWebImageDownloaderOperation::connectionWillSendRequestForAuthenticationChallenge(
    const Ref<fd::URLConnection>&, const Ref<fd::URLAuthenticationChallenge>& challenge) {
  auto sender = challenge->sender();
  if (!sender) return;
  const auto& space = challenge->protectionSpace();
  if (space && space->authenticationMethod() == fd::String(fd::NSURLAuthenticationMethodServerTrust)) {
    if (!(options_ & WIDownloaderAllowInvalidCertificates)) sender->performDefaultHandling(challenge);
    else sender->useCredential(fd::URLCredential::credentialForTrust(space->serverTrust()), challenge);
    return;
  }
  auto credential = this->credential();
  if (challenge->previousFailureCount() == 0 && credential) sender->useCredential(credential, challenge);
  else sender->continueWithoutCredential(challenge);
}

void WIWebImageDownloaderOperation::cancel() {
  std::lock_guard lock(lock_);
  if (isFinished()) return;
  if (runLoop_) {
    // The connection is cancelled on the thread that runs it.
    auto self = selfRef();
    runLoop_->performBlock([self] { self->cancelInternalAndStop(); });
  } else {
    cancelInternal();
  }
}

void WIWebImageDownloaderOperation::cancelInternalAndStop() {
  if (isFinished()) return;
  cancelInternal();
  stopRunLoop();
}

void WIWebImageDownloaderOperation::cancelInternal() {
  std::lock_guard lock(lock_);
  if (isFinished()) return;
  fd::Operation::cancel();
  std::function<void()> cancelled;
  {
    std::lock_guard l(blocksMutex_);
    cancelled = cancelled_;
  }
  if (cancelled) cancelled();
  if (connection_) {
    connection_->cancel();
    post(WIWebImageDownloadStopNotification);
    if (isExecuting()) setExecuting(false);
    if (!isFinished()) setFinished(true);
  }
  reset();
}

void WIWebImageDownloaderOperation::done() {
  std::lock_guard lock(lock_);
  setFinished(true);
  setExecuting(false);
  reset();
}

void WIWebImageDownloaderOperation::reset() {
  {
    std::lock_guard l(blocksMutex_);
    cancelled_ = nullptr;
    completed_ = nullptr;
    progress_ = nullptr;
  }
  connection_.reset();
  thread_.reset();
  runLoop_.reset();
  imageData_.reset();
}

}  // namespace image
