#include "net/http/NKHTTPBodyPart.h"

#include <algorithm>
#include <cstring>

#include "net/http/NKNetworkingErrors.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/values/Random.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace net {

namespace {

constexpr const char* kCRLF = "\r\n";

Ref<fd::Error> lengthMismatch(uint64_t declared, const char* what) {
  auto reason = fd::String::format("Body part stream is %s than its declared length of %llu bytes", what,
                                   static_cast<unsigned long long>(declared));
  auto info = fd::Dictionary::withStrings({{fd::NSLocalizedFailureReasonErrorKey,
                                            fd::StringObject::create(NKLocalizedString(reason))}});
  return fd::Error::create(NKURLRequestSerializationErrorDomain, -1000, info);
}

}  // namespace

fd::String NKCreateMultipartFormBoundary() {
  return fd::String::format("Boundary+%08X%08X", fd::arc4random(), fd::arc4random());
}

void NKHTTPBodyPart::init() { transitionToNextPhase(); }

NKHTTPBodyPart::~NKHTTPBodyPart() {
  if (inputStream_) inputStream_->close();
}

const Ref<fd::InputStream>& NKHTTPBodyPart::inputStream() {
  if (inputStream_) return inputStream_;
  if (auto data = rt::as<fd::Data>(body)) {
    inputStream_ = fd::InputStream::inputStreamWithData(data);
  } else if (auto url = rt::as<fd::URL>(body); url && url->isFileURL()) {
    inputStream_ = fd::InputStream::inputStreamWithURL(url);
  } else if (auto stream = rt::as<fd::InputStream>(body)) {
    inputStream_ = stream;
  }
  if (!inputStream_) inputStream_ = fd::InputStream::inputStreamWithData(fd::Data::create());
  return inputStream_;
}

fd::String NKHTTPBodyPart::stringForHeaders() const {
  std::u16string block;
  if (headers) {
    const fd::Dictionary::KeysAndValues entries = headers->keysAndValues();
    for (size_t i = 0; i < entries.size(); ++i) {
      fd::String line = fd::String::format("%@: %@%s", entries.keys[i]->description(),
                                           entries.values[i]->description(), kCRLF);
      block += line.view();
    }
  }
  block += u"\r\n";
  return fd::String(std::u16string_view(block));
}

Ref<fd::Data> NKHTTPBodyPart::encapsulationBoundaryData() const {
  fd::String text = hasInitialBoundary ? fd::String::format("--%@%s", boundary, kCRLF)
                                       : fd::String::format("%s--%@%s", kCRLF, boundary, kCRLF);
  return fd::dataUsingEncoding(text, stringEncoding, true);
}

Ref<fd::Data> NKHTTPBodyPart::headerData() const {
  return fd::dataUsingEncoding(stringForHeaders(), stringEncoding, true);
}

Ref<fd::Data> NKHTTPBodyPart::finalBoundaryData() const {
  if (!hasFinalBoundary) return fd::Data::create();
  return fd::dataUsingEncoding(fd::String::format("%s--%@--%s", kCRLF, boundary, kCRLF), stringEncoding, true);
}

uint64_t NKHTTPBodyPart::contentLength() const {
  return encapsulationBoundaryData()->length() + headerData()->length() + bodyContentLength +
         finalBoundaryData()->length();
}

bool NKHTTPBodyPart::hasBytesAvailable() const {
  if (phase_ == FinalBoundary) return true;
  // Before its first use the body stream is not open yet, which still counts as readable.
  if (!inputStream_) return true;
  return inputStream_->streamStatus() < fd::StreamStatus::AtEnd;
}

Ref<fd::Error> NKHTTPBodyPart::streamError() const {
  if (lengthError_) return lengthError_;
  return inputStream_ ? inputStream_->streamError() : nullptr;
}

int64_t NKHTTPBodyPart::read(uint8_t* buffer, size_t length) {
  size_t placed = 0;
  if (phase_ == EncapsulationBoundary) placed += size_t(readData(phaseData(), buffer + placed, length - placed));
  if (phase_ == Header) placed += size_t(readData(phaseData(), buffer + placed, length - placed));
  if (phase_ == Body) {
    int64_t n = readBody(buffer + placed, length - placed);
    if (n < 0) return -1;
    placed += size_t(n);
  }
  if (phase_ == FinalBoundary) placed += size_t(readData(phaseData(), buffer + placed, length - placed));
  return int64_t(placed);
}

const Ref<fd::Data>& NKHTTPBodyPart::phaseData() {
  if (!phaseData_) {
    if (phase_ == EncapsulationBoundary) phaseData_ = encapsulationBoundaryData();
    else if (phase_ == Header) phaseData_ = headerData();
    else if (phase_ == FinalBoundary) phaseData_ = finalBoundaryData();
  }
  return phaseData_;
}

int64_t NKHTTPBodyPart::readData(const Ref<fd::Data>& data, uint8_t* buffer, size_t length) {
  size_t available = data ? data->length() - size_t(phaseReadOffset_) : 0;
  size_t n = std::min(length, available);
  if (n > 0) std::memcpy(buffer, data->bytes() + phaseReadOffset_, n);
  phaseReadOffset_ += n;
  if (!data || phaseReadOffset_ >= data->length()) transitionToNextPhase();
  return int64_t(n);
}

// Reads exactly bodyContentLength bytes; a stream that ends early or runs on fails the read
// rather than putting a body of the wrong size under the announced Content-Length.
int64_t NKHTTPBodyPart::readBody(uint8_t* buffer, size_t length) {
  const Ref<fd::InputStream>& stream = inputStream();
  size_t placed = 0;
  uint64_t remaining = bodyContentLength - bodyReadCount_;
  if (remaining > 0 && length > 0) {
    int64_t n = stream->read(buffer, size_t(std::min<uint64_t>(length, remaining)));
    if (n < 0) return -1;
    if (n == 0) {
      lengthError_ = lengthMismatch(bodyContentLength, "shorter");
      return -1;
    }
    bodyReadCount_ += uint64_t(n);
    placed = size_t(n);
  }
  if (bodyReadCount_ == bodyContentLength && placed < length) {
    uint8_t probe = 0;
    int64_t n = stream->read(&probe, 1);
    if (n < 0) return -1;
    if (n > 0) {
      lengthError_ = lengthMismatch(bodyContentLength, "longer");
      return -1;
    }
    transitionToNextPhase();
  }
  return int64_t(placed);
}

void NKHTTPBodyPart::transitionToNextPhase() {
  if (!dispatch::isMainThread()) {
    dispatch::MainQueue::shared().sync([this] { advancePhase(); });
    return;
  }
  advancePhase();
}

void NKHTTPBodyPart::advancePhase() {
  switch (phase_) {
    case EncapsulationBoundary:
      phase_ = Header;
      break;
    case Header: {
      phase_ = Body;
      bodyReadCount_ = 0;
      lengthError_ = nullptr;
      const Ref<fd::InputStream>& stream = inputStream();
      stream->scheduleInRunLoop(fd::RunLoop::currentRunLoop(), fd::NSRunLoopCommonModes);
      stream->open();
      break;
    }
    case Body:
      if (inputStream_) {
        inputStream_->close();
        // Unscheduled too, so that finished parts leave nothing behind in the main run loop.
        inputStream_->removeFromRunLoop(fd::RunLoop::currentRunLoop(), fd::NSRunLoopCommonModes);
      }
      phase_ = FinalBoundary;
      break;
    default:
      phase_ = EncapsulationBoundary;
      break;
  }
  phaseReadOffset_ = 0;
  phaseData_ = nullptr;
}

rt::Id NKHTTPBodyPart::copy() const {
  auto part = rt::make<NKHTTPBodyPart>();
  part->stringEncoding = stringEncoding;
  part->headers = headers;
  part->bodyContentLength = bodyContentLength;
  part->body = body;
  part->boundary = boundary;
  return part;
}

RT_IMPLEMENT(NKHTTPBodyPart) {
  c.property("stringEncoding", &NKHTTPBodyPart::stringEncoding);
  c.property("headers", &NKHTTPBodyPart::headers);
  c.property("boundary", &NKHTTPBodyPart::boundary);
  c.property("body", &NKHTTPBodyPart::body);
  c.property("bodyContentLength", &NKHTTPBodyPart::bodyContentLength);
  c.property("hasInitialBoundary", &NKHTTPBodyPart::hasInitialBoundary);
  c.property("hasFinalBoundary", &NKHTTPBodyPart::hasFinalBoundary);
  c.protocol("NSCopying");
}

}  // namespace net
