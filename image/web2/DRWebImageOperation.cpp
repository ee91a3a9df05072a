#include "image/web2/DRWebImageOperation.h"

#include <sys/stat.h>

#include <chrono>
#include <future>
#include <set>

#include "base/graphics/Image+DUDer.h"
#include "base/system/Application+DUDer.h"
#include "base/utility/DRDispatchQueuePool.h"
#include "image/codec/DRImage.h"
#include "image/codec/DRImageDecoder.h"
#include "image/codec/Image+DRImageCoder.h"
#include "image/web2/DRImageCache.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLAuthenticationChallenge.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/net/URLCredential.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/ImageTypes.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/view/Screen.h"

namespace image {

namespace {

/// Forwards the connection's callbacks while the operation lives; the connection holds its
/// delegate, and must not keep the operation alive through it.
class _DRConnectionDelegate : public fd::URLConnectionDelegate {
  RT_CLASS(_DRConnectionDelegate, fd::URLConnectionDelegate)
 public:
  void init(const Ref<DRWebImageOperation>& op) { op_ = op; }

  void willSendRequestForAuthenticationChallenge(const Ref<fd::URLConnection>& c,
                                                 const Ref<fd::URLAuthenticationChallenge>& ch) override {
    if (auto op = op_.lock()) op->connectionWillSendRequestForAuthenticationChallenge(c, ch);
  }
  bool connectionShouldUseCredentialStorage(const Ref<fd::URLConnection>&) override {
    auto op = op_.lock();
    return op && op->shouldUseCredentialStorage();
  }
  void didReceiveResponse(const Ref<fd::URLConnection>& c, const Ref<fd::URLResponse>& r) override {
    if (auto op = op_.lock()) op->connectionDidReceiveResponse(c, r);
  }
  void didReceiveData(const Ref<fd::URLConnection>& c, const Ref<fd::Data>& d) override {
    if (auto op = op_.lock()) op->connectionDidReceiveData(c, d);
  }
  Ref<fd::CachedURLResponse> willCacheResponse(const Ref<fd::URLConnection>& c,
                                               const Ref<fd::CachedURLResponse>& r) override {
    auto op = op_.lock();
    return op ? op->connectionWillCacheResponse(c, r) : nullptr;
  }
  void connectionDidFinishLoading(const Ref<fd::URLConnection>& c) override {
    if (auto op = op_.lock()) op->connectionDidFinishLoading(c);
  }
  void didFailWithError(const Ref<fd::URLConnection>& c, const Ref<fd::Error>& e) override {
    if (auto op = op_.lock()) op->connectionDidFailWithError(c, e);
  }

 private:
  Weak<DRWebImageOperation> op_;
};

RT_IMPLEMENT(_DRConnectionDelegate) {
  using D = fd::URLConnectionDelegate;
  D::implement(c.cls(), {D::kWillSendRequestForAuthenticationChallenge, D::kShouldUseCredentialStorage,
                         D::kDidReceiveResponse, D::kDidReceiveData, D::kWillCacheResponse, D::kDidFinishLoading,
                         D::kDidFailWithError});
}

Ref<fd::Error> describedError(const char* domain, int64_t code, const char* description) {
  auto info = fd::MutableDictionary::create();
  info->setObjectForKey(fd::StringObject::create(description), fd::String(fd::NSLocalizedDescriptionKey));
  return fd::Error::create(fd::String(domain), code, info);
}

double mediaTime() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double mainScreenScale() {
  auto screen = ui::Screen::mainScreen();
  return screen && screen->scale() > 0 ? screen->scale() : 1;
}

Ref<dispatch::Queue> imageQueue() { return base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceUtility); }

struct Blacklist {
  std::mutex mutex;
  std::set<std::string> urls;
};
Blacklist& blacklist() {
  static Blacklist* list = new Blacklist;
  return *list;
}

bool propertyIsTrue(const Ref<fd::Dictionary>& properties, const char* dictionary, const char* key) {
  if (!properties) return false;
  auto sub = properties->objectForKeyAs<fd::Dictionary>(fd::String(dictionary));
  if (!sub) return false;
  auto value = sub->objectForKeyAs<fd::Number>(fd::String(key));
  return value && value->integerValue() != 0;
}

}  // namespace

RT_IMPLEMENT(DRWebImageOperation) {}

void DRWebImageOperation::init() {
  rt::raise("DRWebImageOperation init error",
            "DRWebImageOperation must be initialized with a request. Use the designated initializer to init.");
}

bool DRWebImageOperation::init(Ref<fd::URLRequest> request, DRWebImageOptions options, Ref<DRImageCache> cache,
                               std::optional<fd::String> cacheKey, DRWebImageProgressBlock progress,
                               DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion) {
  if (!request) return false;
  fd::Operation::init();
  request_ = std::move(request);
  options_ = options;
  cache_ = std::move(cache);
  if (cacheKey) cacheKey_ = *cacheKey;
  else if (request_->URL()) cacheKey_ = request_->URL()->absoluteString();
  progress_ = std::move(progress);
  transform_ = std::move(transform);
  completion_ = std::move(completion);
  return true;
}

DRWebImageOperation::~DRWebImageOperation() {
  std::lock_guard lock(lock_);
  endBackgroundTask();
  if (isExecuting() && !cancelled_) {
    cancelled_ = true;
    if (auto connection = std::move(connection_)) {
      if (indicatorApplies()) changeIndicator(false);
      networkRunLoop()->performBlock([connection] { connection->cancel(); });
    }
    if (completion_) completion_(nullptr, url(), DRWebImageFrom::None, DRWebImageStage::Cancelled, nullptr);
  }
}

Ref<fd::URL> DRWebImageOperation::url() const { return request_ ? request_->URL() : nullptr; }

bool DRWebImageOperation::isStarted() const {
  std::lock_guard lock(lock_);
  return started_;
}

Ref<fd::URLCredential> DRWebImageOperation::credential() const {
  std::lock_guard lock(lock_);
  return credential_;
}

void DRWebImageOperation::setCredential(Ref<fd::URLCredential> credential) {
  std::lock_guard lock(lock_);
  credential_ = std::move(credential);
}

fd::String DRWebImageOperation::description() const {
  return fd::String::format("<%s: %p  executing:%s finished:%s cancelled:%s>", "DRWebImageOperation", this,
                            isExecuting() ? "YES" : "NO", isFinished() ? "YES" : "NO", isCancelled() ? "YES" : "NO");
}

Ref<fd::RunLoop> DRWebImageOperation::networkRunLoop() {
  static Ref<fd::RunLoop> loop = [] {
    auto ready = std::make_shared<std::promise<Ref<fd::RunLoop>>>();
    auto thread = fd::Thread::create([ready] {
      auto current = fd::RunLoop::currentRunLoop();
      // A port that never fires keeps the loop running while no connection is open.
      current->addPort(fd::Port::port(), fd::String(fd::NSDefaultRunLoopMode));
      ready->set_value(current);
      for (;;) current->run();
    });
    thread->setName("com.kestrum.durar.webimage.request");
    thread->start();
    return ready->get_future().get();
  }();
  return loop;
}

bool DRWebImageOperation::blacklistContains(const Ref<fd::URL>& url) {
  if (!url) return false;
  auto& list = blacklist();
  std::lock_guard lock(list.mutex);
  return list.urls.count(url->absoluteString().utf8()) > 0;
}

void DRWebImageOperation::blacklistAdd(const Ref<fd::URL>& url) {
  if (!url) return;
  auto& list = blacklist();
  std::lock_guard lock(list.mutex);
  list.urls.insert(url->absoluteString().utf8());
}

void DRWebImageOperation::onNetworkThread(void (DRWebImageOperation::*step)()) {
  auto self = selfRef();
  networkRunLoop()->performBlock([self, step] { (self.get()->*step)(); });
}

void DRWebImageOperation::report(const Ref<gfx::Image>& image, DRWebImageFrom from, DRWebImageStage stage,
                                 const Ref<fd::Error>& error) {
  if (completion_) completion_(image, url(), from, stage, error);
}

bool DRWebImageOperation::indicatorApplies() const {
  return (options_ & DRWebImageOptionNetworkIndicator) && url() && !url()->isFileURL();
}

void DRWebImageOperation::changeIndicator(bool up) {
  dispatch::mainQueue()->async([up] {
    if (auto app = base::sharedExtensionApplication()) {
      if (up) base::incrementNetworkActivityCount(*app);
      else base::decrementNetworkActivityCount(*app);
    }
  });
}

void DRWebImageOperation::start() {
  std::lock_guard lock(lock_);
  started_ = true;
  if (cancelled_) {
    onNetworkThread(&DRWebImageOperation::cancelOperation);
    setFinished(true);
    return;
  }
  if (!isReady() || isFinished() || isExecuting()) return;
  if (!request_) {
    setFinished(true);
    report(nullptr, DRWebImageFrom::None, DRWebImageStage::Finished,
           describedError(fd::NSURLErrorDomain, fd::NSURLErrorFileDoesNotExist, "request in nil"));
    return;
  }
  setExecuting(true);
  onNetworkThread(&DRWebImageOperation::startOperation);
  if ((options_ & DRWebImageOptionBackgroundTask) && !base::isAppExtension() && taskID_ == ui::UIBackgroundTaskInvalid) {
    if (auto app = ui::Application::sharedApplication()) {
      Weak<DRWebImageOperation> weak = selfRef();
      taskID_ = app->beginBackgroundTaskWithExpirationHandler([weak] {
        if (auto self = weak.lock()) {
          self->cancel();
          self->setFinished(true);
        }
      });
    }
  }
}

void DRWebImageOperation::cancel() {
  std::lock_guard lock(lock_);
  if (cancelled_) return;
  fd::Operation::cancel();
  cancelled_ = true;
  if (isExecuting()) {
    setExecuting(false);
    onNetworkThread(&DRWebImageOperation::cancelOperation);
  }
  if (started_) setFinished(true);
}

void DRWebImageOperation::startOperation() {
  {
    std::lock_guard lock(lock_);
    if (cancelled_) return;
  }
  if (cache_ && !(options_ & (DRWebImageOptionURLCache | DRWebImageOptionReloadCache))) {
    if (auto image = cache_->getImageForKey(cacheKey_, DRImageCacheTypeMemory)) {
      std::lock_guard lock(lock_);
      if (!cancelled_) {
        report(image, DRWebImageFrom::MemoryCache, DRWebImageStage::Finished, nullptr);
        finish();
      }
      return;
    }
    if (!(options_ & DRWebImageOptionSkipDiskCache)) {
      Weak<DRWebImageOperation> weak = selfRef();
      imageQueue()->async([weak] {
        auto self = weak.lock();
        if (!self || self->isCancelled()) return;
        auto image = self->cache_->getImageForKey(self->cacheKey_, DRImageCacheTypeDisk);
        if (image) {
          self->cache_->setImage(image, nullptr, self->cacheKey_, DRImageCacheTypeMemory);
          networkRunLoop()->performBlock([self, image] { self->didReceiveImageFromDiskCache(image); });
        } else {
          self->onNetworkThread(&DRWebImageOperation::startRequest);
        }
      });
      return;
    }
  }
  startRequest();
}

void DRWebImageOperation::didReceiveImageFromDiskCache(const Ref<gfx::Image>& image) {
  std::lock_guard lock(lock_);
  if (cancelled_) return;
  if (image) {
    report(image, DRWebImageFrom::DiskCache, DRWebImageStage::Finished, nullptr);
    finish();
  } else {
    startRequest();
  }
}

void DRWebImageOperation::startRequest() {
  if (isCancelled()) return;
  if ((options_ & DRWebImageOptionBlacklistFailures) && blacklistContains(url())) {
    std::lock_guard lock(lock_);
    if (!cancelled_) {
      report(nullptr, DRWebImageFrom::None, DRWebImageStage::Finished,
             describedError(fd::NSURLErrorDomain, fd::NSURLErrorFileDoesNotExist, "Failed to load URL, blacklisted."));
      finish();
    }
    return;
  }
  if (url() && url()->isFileURL()) {
    struct stat st {};
    expectedSize_ = ::stat(url()->path().utf8().c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
  }
  std::lock_guard lock(lock_);
  if (cancelled_) return;
  connection_ = fd::URLConnection::create(request_, rt::make<_DRConnectionDelegate>(selfRef()), false);
  if (!connection_) {
    report(nullptr, DRWebImageFrom::None, DRWebImageStage::Finished,
           describedError(fd::NSURLErrorDomain, fd::NSURLErrorUnsupportedURL, "unsupported URL"));
    finish();
    return;
  }
  connection_->start();
  if (indicatorApplies()) changeIndicator(true);
}

void DRWebImageOperation::connectionDidReceiveResponse(const Ref<fd::URLConnection>& c,
                                                       const Ref<fd::URLResponse>& response) {
  if (auto http = rt::as<fd::HTTPURLResponse>(response)) {
    const int64_t status = http->statusCode();
    if (status > 399 || status == 304) {
      c->cancel();
      connectionDidFailWithError(c, fd::Error::create(fd::String(fd::NSURLErrorDomain), status, nullptr));
      return;
    }
  }
  std::lock_guard lock(lock_);
  const int64_t length = response ? response->expectedContentLength() : -1;
  if (length != 0) expectedSize_ = length < 0 ? -1 : length;
  // The announced length is the server's word only: reserve no more than a sane picture needs.
  data_ = fd::MutableData::dataWithCapacity(size_t(std::clamp<int64_t>(expectedSize_, 0, kDRMaxReservedImageBytes)));
  if (progress_ && !cancelled_) progress_(0, expectedSize_);
}

void DRWebImageOperation::connectionDidReceiveData(const Ref<fd::URLConnection>&, const Ref<fd::Data>& chunk) {
  std::lock_guard lock(lock_);
  if (cancelled_ || !chunk) return;
  if (!data_) data_ = fd::MutableData::dataWithCapacity(0);
  data_->appendData(*chunk);
  if (progress_) progress_(int64_t(data_->length()), expectedSize_);
  if (!completion_ || !(options_ & (DRWebImageOptionProgressiveDisplay | DRWebImageOptionBlurredProgressive))) return;
  const bool blur = options_ & DRWebImageOptionBlurredProgressive;
  const double now = mediaTime();
  if (chunk->length() <= 16) return;
  if (expectedSize_ > 0 && double(chunk->length()) >= 0.99 * double(expectedSize_)) return;
  if (progressiveIgnored_) return;
  if (now - lastProgressiveDecodeTimestamp_ < (blur ? 0.4 : 0.2)) return;
  partialImage(now);
}

void DRWebImageOperation::partialImage(double now) {
  const bool blur = options_ & DRWebImageOptionBlurredProgressive;
  auto giveUp = [this] {
    progressiveDecoder_.reset();
    progressiveIgnored_ = true;
  };
  if (!progressiveDecoder_) progressiveDecoder_ = gfx::ImageSource::createIncremental();
  // The decoder reads a copy: the received bytes keep growing (and moving) after this call.
  progressiveDecoder_->updateData(fd::Data::create(data_->bytes(), data_->length()), false);
  if (cancelled_) return;
  const DRImageFileType type = DRImageTypeFromData(data_.get());
  if (type == DRImageFileTypeUnknown || type == DRImageFileTypeWebP || type == DRImageFileTypeOther ||
      (blur && type != DRImageFileTypeJPEG && type != DRImageFileTypePNG))
    return giveUp();
  if (progressiveDecoder_->count() == 0) return;
  auto properties = progressiveDecoder_->copyPropertiesAtIndex(0);
  if (blur && !progressiveDetected_) {
    const bool progressive =
        type == DRImageFileTypeJPEG
            ? propertyIsTrue(properties, gfx::kCGImagePropertyJFIFDictionary, gfx::kCGImagePropertyJFIFIsProgressive)
            : propertyIsTrue(properties, gfx::kCGImagePropertyPNGDictionary, gfx::kCGImagePropertyPNGInterlaceType);
    if (!progressive) return giveUp();
    progressiveDetected_ = true;
  }
  if (blur && type == DRImageFileTypeJPEG) {
    // A blurred picture only when a new scan has begun since the last search.
    const uint64_t length = data_->length();
    const uint64_t searched = progressiveScanedLength_;
    if (int64_t(length) - int64_t(searched) - 4 < 3) return;
    const auto* bytes = static_cast<const uint8_t*>(data_->bytes());
    bool found = false;
    for (uint64_t i = searched; i + 1 < length - 4 + 1 && i + 1 < length; ++i) {
      if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
        found = true;
        break;
      }
    }
    progressiveScanedLength_ = length;
    if (!found || cancelled_) return;
  }
  if (fullWidth_ <= 0 || fullHeight_ <= 0) {
    if (properties) {
      if (auto w = properties->objectForKeyAs<fd::Number>(fd::String(gfx::kCGImagePropertyPixelWidth)))
        fullWidth_ = w->integerValue();
      if (auto h = properties->objectForKeyAs<fd::Number>(fd::String(gfx::kCGImagePropertyPixelHeight)))
        fullHeight_ = h->integerValue();
    }
    if (fullWidth_ <= 0 || fullHeight_ <= 0) return;
  }
  auto frame = progressiveDecoder_->createImageAtIndex(0);
  if (!frame || frame->width() == 0 || frame->height() == 0) return;
  // The picture at its full size: the rows decoded so far at the top, the rest transparent.
  auto context = gfx::Context::createBitmap(nullptr, size_t(fullWidth_), size_t(fullHeight_), 8,
                                            size_t(fullWidth_) * 4, gfx::ColorSpace::deviceRGB(),
                                            gfx::BitmapInfoNativePremultiplied);
  if (!context) return;
  const double rows = std::min<double>(double(frame->height()), double(fullHeight_));
  context->drawImage(gfx::Rect{{0, double(fullHeight_) - rows}, {double(fullWidth_), rows}}, *frame);
  auto drawn = context->makeImage();
  if (!drawn) return;
  Ref<gfx::Image> partial = gfx::Image::imageWithCGImage(drawn, mainScreenScale());
  if (!blur) {
    report(partial, DRWebImageFrom::Remote, DRWebImageStage::Progress, nullptr);
    lastProgressiveDecodeTimestamp_ = now;
    return;
  }
  // Blurred pictures wait until the decoded area reaches the bottom-right corner.
  if ((drawn->pixel(size_t(fullWidth_) - 1, size_t(fullHeight_) - 1) >> 24) == 0) return;
  const uint64_t n = ++progressiveDisplayCount_;
  double radius = 32.0 / double(n);
  if (expectedSize_ > 0)
    radius = 32.0 * (1.0 / (3.0 * double(data_->length()) / double(expectedSize_) + 0.6) - 0.25);
  auto blurred = base::imageByBlurRadius(*partial, radius, nullptr, gfx::BlendMode(0), 1.0, nullptr);
  if (!blurred) return;
  report(blurred, DRWebImageFrom::Remote, DRWebImageStage::Progress, nullptr);
  lastProgressiveDecodeTimestamp_ = now;
}

void DRWebImageOperation::connectionDidFinishLoading(const Ref<fd::URLConnection>&) {
  std::lock_guard lock(lock_);
  connection_.reset();
  if (cancelled_) return;
  Weak<DRWebImageOperation> weak = selfRef();
  imageQueue()->async([weak] {
    if (auto self = weak.lock()) self->decode();
  });
  if (indicatorApplies()) changeIndicator(false);
}

void DRWebImageOperation::decode() {
  Ref<fd::Data> data;
  {
    std::lock_guard lock(lock_);
    data = data_;
  }
  const double scale = mainScreenScale();
  const bool decodeForDisplay = !(options_ & DRWebImageOptionNoDecode);
  Ref<gfx::Image> image;
  bool animated = false;
  if (options_ & DRWebImageOptionFirstFrameOnly) {
    auto decoder = DRImageDecoder::decoderWithData(data, scale);
    auto frame = decoder ? decoder->frameAtIndex(0, decodeForDisplay) : nullptr;
    if (frame) image = frame->image;
  } else if (auto made = DRImage::imageWithData(data, scale)) {
    animated = made->animatedImageFrameCount() > 1;
    image = decodeForDisplay ? imageByDecoded(made) : Ref<gfx::Image>(made);
  }
  const DRImageFileType type = DRImageTypeFromData(data.get());
  const bool keepBytes = type == DRImageFileTypeJPEG || type == DRImageFileTypePNG ||
                         ((type == DRImageFileTypeGIF || type == DRImageFileTypeWebP) && animated);
  {
    std::lock_guard lock(lock_);
    if (!keepBytes) data_.reset();
    if (cancelled_) return;
  }
  if (transform_ && image) {
    auto transformed = transform_(image, url());
    if (transformed != image) {
      std::lock_guard lock(lock_);
      data_.reset();
    }
    image = transformed;
    if (isCancelled()) return;
  }
  auto self = selfRef();
  networkRunLoop()->performBlock([self, image] { self->didReceiveImageFromWeb(image); });
}

void DRWebImageOperation::didReceiveImageFromWeb(const Ref<gfx::Image>& image) {
  std::lock_guard lock(lock_);
  if (cancelled_) return;
  if (cache_ && (image || (options_ & DRWebImageOptionReloadCache))) {
    auto cache = cache_;
    auto data = data_ ? fd::Data::create(data_->bytes(), data_->length()) : nullptr;
    auto key = cacheKey_;
    imageQueue()->async([cache, image, data, key] { cache->setImage(image, data, key, DRImageCacheTypeAll); });
  }
  data_.reset();
  Ref<fd::Error> error;
  if (!image) {
    error = describedError(DRImageErrorDomain, -1, "Web image decode fail.");
    if (options_ & DRWebImageOptionBlacklistFailures) {
      if (blacklistContains(url()))
        error = describedError(fd::NSURLErrorDomain, fd::NSURLErrorFileDoesNotExist, "Failed to load URL, blacklisted.");
      else blacklistAdd(url());
    }
  }
  report(image, DRWebImageFrom::Remote, DRWebImageStage::Finished, error);
  finish();
}

void DRWebImageOperation::connectionDidFailWithError(const Ref<fd::URLConnection>&, const Ref<fd::Error>& error) {
  std::lock_guard lock(lock_);
  if (cancelled_) return;
  report(nullptr, DRWebImageFrom::None, DRWebImageStage::Finished, error);
  connection_.reset();
  data_.reset();
  if (indicatorApplies()) changeIndicator(false);
  finish();
  if (options_ & DRWebImageOptionBlacklistFailures) {
    const int64_t code = error ? error->code() : 0;
    if (code != fd::NSURLErrorNotConnectedToInternet && code != fd::NSURLErrorCancelled &&
        code != fd::NSURLErrorTimedOut && code != fd::NSURLErrorUserCancelledAuthentication)
      blacklistAdd(url());
  }
}

Ref<fd::CachedURLResponse> DRWebImageOperation::connectionWillCacheResponse(const Ref<fd::URLConnection>&,
                                                                            const Ref<fd::CachedURLResponse>& cached) {
  return (options_ & DRWebImageOptionURLCache) ? cached : nullptr;
}

void DRWebImageOperation::connectionWillSendRequestForAuthenticationChallenge(
    const Ref<fd::URLConnection>&, const Ref<fd::URLAuthenticationChallenge>& challenge) {
  auto sender = challenge->sender();
  if (!sender) return;
  const auto& space = challenge->protectionSpace();
  if (space && space->authenticationMethod() == fd::String(fd::NSURLAuthenticationMethodServerTrust)) {
    if (options_ & DRWebImageOptionTrustAnyCertificate)
      sender->useCredential(fd::URLCredential::credentialForTrust(space->serverTrust()), challenge);
    else sender->performDefaultHandling(challenge);
    return;
  }
  auto credential = this->credential();
  if (challenge->previousFailureCount() == 0 && credential) sender->useCredential(credential, challenge);
  else sender->continueWithoutCredential(challenge);
}

void DRWebImageOperation::cancelOperation() {
  std::lock_guard lock(lock_);
  if (auto connection = std::move(connection_)) {
    if (indicatorApplies()) changeIndicator(false);
    connection->cancel();
  }
  report(nullptr, DRWebImageFrom::None, DRWebImageStage::Cancelled, nullptr);
  endBackgroundTask();
}

void DRWebImageOperation::finish() {
  setExecuting(false);
  setFinished(true);
  endBackgroundTask();
}

void DRWebImageOperation::endBackgroundTask() {
  std::lock_guard lock(lock_);
  if (taskID_ == ui::UIBackgroundTaskInvalid) return;
  if (auto app = ui::Application::sharedApplication()) app->endBackgroundTask(taskID_);
  taskID_ = ui::UIBackgroundTaskInvalid;
}

}  // namespace image
