#include "net/http/NKHTTPRequestOperation.h"

#include <mutex>

#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"

namespace net {

namespace {

using Guard = std::lock_guard<fd::RecursiveLock>;

Ref<dispatch::Group> defaultCompletionGroup() {
  static Ref<dispatch::Group> group = dispatch::Group::create();
  return group;
}

/// The first byte position of a "bytes first-last/total" Content-Range, if it parses.
std::optional<uint64_t> contentRangeStart(const std::optional<fd::String>& header) {
  if (!header) return std::nullopt;
  std::string text = header->utf8();
  const std::string unit = "bytes ";
  if (text.compare(0, unit.size(), unit) != 0) return std::nullopt;
  size_t pos = unit.size();
  while (pos < text.size() && text[pos] == ' ') ++pos;
  size_t digits = pos;
  uint64_t value = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    value = value * 10 + static_cast<uint64_t>(text[digits] - '0');
    ++digits;
  }
  if (digits == pos || digits >= text.size() || text[digits] != '-') return std::nullopt;
  return value;
}

}  // namespace

RT_IMPLEMENT(NKHTTPRequestOperation) {
  c.property("responseSerializer", &NKHTTPRequestOperation::responseSerializer,
             &NKHTTPRequestOperation::setResponseSerializer);
  c.protocol("NSSecureCoding");
  fd::registerDecoder(&c.cls(), [](fd::KeyedUnarchiver& coder) -> rt::Id {
    auto op = std::make_shared<NKHTTPRequestOperation>();
    return op->initWithCoder(coder) ? op : nullptr;
  });
}

bool NKHTTPRequestOperation::init(Ref<fd::URLRequest> request) {
  if (!NKURLConnectionOperation::init(std::move(request))) return false;
  responseSerializer_ = NKHTTPResponseSerializer::serializer();
  return true;
}

Ref<dispatch::Queue> NKHTTPRequestOperation::processingQueue() {
  static Ref<dispatch::Queue> queue =
      dispatch::Queue::createConcurrent("com.trevanode.networking.http-request.processing");
  return queue;
}

Ref<fd::HTTPURLResponse> NKHTTPRequestOperation::response() const {
  return rt::as<fd::HTTPURLResponse>(NKURLConnectionOperation::response());
}

Ref<NKHTTPResponseSerializer> NKHTTPRequestOperation::responseSerializer() const {
  Guard g(lock());
  return responseSerializer_;
}

void NKHTTPRequestOperation::setResponseSerializer(Ref<NKHTTPResponseSerializer> serializer) {
  Guard g(lock());
  responseSerializer_ = std::move(serializer);
  responseObject_ = nullptr;
  responseSerializationError_ = nullptr;
}

rt::Id NKHTTPRequestOperation::responseObject() {
  Guard g(lock());
  if (!responseObject_ && isFinished() && !error() && responseSerializer_) {
    Ref<fd::Error> error;
    responseObject_ = responseSerializer_->responseObjectForResponse(NKURLConnectionOperation::response(),
                                                                     responseData(), &error);
    if (error) responseSerializationError_ = error;
  }
  return responseObject_;
}

Ref<fd::Error> NKHTTPRequestOperation::responseSerializationError() const {
  Guard g(lock());
  return responseSerializationError_;
}

Ref<fd::Error> NKHTTPRequestOperation::error() const {
  Guard g(lock());
  return responseSerializationError_ ? responseSerializationError_ : NKURLConnectionOperation::error();
}

void NKHTTPRequestOperation::setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure) {
  // Held weakly: an operation that never runs must not keep itself alive. While the
  // completion runs, the finishing operation holds itself.
  Weak<NKHTTPRequestOperation> weak = std::static_pointer_cast<NKHTTPRequestOperation>(shared_from_this());
  setCompletionBlock([weak, success = std::move(success), failure = std::move(failure)] {
    auto self = weak.lock();
    if (!self) return;
    Ref<dispatch::Group> ownGroup = self->completionGroup();
    if (ownGroup) ownGroup->enter();
    processingQueue()->async([self, success, failure, ownGroup] {
      Ref<dispatch::Group> group = ownGroup ? ownGroup : defaultCompletionGroup();
      Ref<dispatch::Queue> queue = self->completionQueue() ? self->completionQueue() : dispatch::mainQueue();
      if (auto error = self->error()) {
        if (failure) group->async(queue, [self, failure, error] { failure(self, error); });
      } else {
        rt::Id object = self->responseObject();
        if (auto error = self->error()) {
          if (failure) group->async(queue, [self, failure, error] { failure(self, error); });
        } else if (success) {
          group->async(queue, [self, success, object] { success(self, object); });
        }
      }
      if (ownGroup) ownGroup->leave();
    });
  });
}

void NKHTTPRequestOperation::pause() {
  Guard g(lock());
  NKURLConnectionOperation::pause();
  auto stream = outputStream();
  uint64_t offset = 0;
  if (auto n = rt::as<fd::Number>(stream->propertyForKey(fd::String(fd::NSStreamFileCurrentOffsetKey)))) {
    offset = n->unsignedLongLongValue();
  } else if (auto d = rt::as<fd::Data>(stream->propertyForKey(fd::String(fd::NSStreamDataWrittenToMemoryStreamKey)))) {
    offset = d->length();
  }
  auto current = request();
  auto copy = current ? rt::as<fd::MutableURLRequest>(current->mutableCopy()) : nullptr;
  if (!copy) return;
  if (auto http = response()) {
    if (auto etag = http->valueForHTTPHeaderField("ETag")) copy->setValueForHTTPHeaderField(*etag, "If-Range");
  }
  copy->setValueForHTTPHeaderField(fd::String::format("bytes=%llu-", static_cast<unsigned long long>(offset)), "Range");
  setRequest(copy);
  resumeOffset_ = offset;
}

void NKHTTPRequestOperation::connectionDidReceiveResponse(const Ref<fd::URLConnection>& connection,
                                                          const Ref<fd::URLResponse>& response) {
  Guard g(lock());
  if (resumeOffset_) {
    uint64_t offset = *resumeOffset_;
    resumeOffset_.reset();
    auto http = rt::as<fd::HTTPURLResponse>(response);
    bool continues = http && http->statusCode() == 206 &&
                     contentRangeStart(http->valueForHTTPHeaderField("Content-Range")) == offset;
    if (!continues) {
      // The server sends the whole body again (or another range): start over from it.
      auto stream = outputStream();
      if (stream->propertyForKey(fd::String(fd::NSStreamFileCurrentOffsetKey))) {
        stream->setPropertyForKey(fd::Number::numberWithUnsignedLongLong(0), fd::String(fd::NSStreamFileCurrentOffsetKey));
      } else {
        auto fresh = fd::OutputStream::outputStreamToMemory();
        fresh->open();
        setOutputStream(fresh);
      }
      resetTotalBytesRead();
    }
  }
  NKURLConnectionOperation::connectionDidReceiveResponse(connection, response);
}

void NKHTTPRequestOperation::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKURLConnectionOperation::encodeWithCoder(coder);
  coder.encodeObject(responseSerializer(), "responseSerializer");
}

bool NKHTTPRequestOperation::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!NKURLConnectionOperation::initWithCoder(coder)) return false;
  auto serializer = rt::as<NKHTTPResponseSerializer>(
      coder.decodeObjectOfClass(NKHTTPResponseSerializer::classObject(), "responseSerializer"));
  responseSerializer_ = serializer ? serializer : NKHTTPResponseSerializer::serializer();
  return true;
}

Ref<NKURLConnectionOperation> NKHTTPRequestOperation::operationWithRequest(Ref<fd::URLRequest> request) const {
  return create(std::move(request));
}

rt::Id NKHTTPRequestOperation::copy() const {
  auto copy = rt::as<NKHTTPRequestOperation>(NKURLConnectionOperation::copy());
  if (!copy) return nullptr;
  if (auto serializer = responseSerializer()) copy->setResponseSerializer(rt::as<NKHTTPResponseSerializer>(serializer->copy()));
  return copy;
}

}  // namespace net
