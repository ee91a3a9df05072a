#include "net/http/NKMultipartBodyStream.h"

#include <chrono>
#include <thread>

#include "net/http/NKHTTPBodyPart.h"
#include "platform/foundation/Error.h"

namespace net {

void NKMultipartBodyStream::init(fd::StringEncoding encoding) { stringEncoding = encoding; }

void NKMultipartBodyStream::setInitialAndFinalBoundaries() {
  if (parts_.empty()) return;
  for (const auto& part : parts_) {
    part->hasInitialBoundary = false;
    part->hasFinalBoundary = false;
  }
  parts_.front()->hasInitialBoundary = true;
  parts_.back()->hasFinalBoundary = true;
}

void NKMultipartBodyStream::appendHTTPBodyPart(const Ref<NKHTTPBodyPart>& part) { parts_.push_back(part); }

uint64_t NKMultipartBodyStream::contentLength() const {
  uint64_t length = 0;
  for (const auto& part : parts_) length += part->contentLength();
  return length;
}

void NKMultipartBodyStream::open() {
  if (status_.load() == fd::StreamStatus::Open) return;
  status_.store(fd::StreamStatus::Open);
  setInitialAndFinalBoundaries();
  nextPart_ = 0;
  currentPart_ = nullptr;
}

void NKMultipartBodyStream::close() { status_.store(fd::StreamStatus::Closed); }

Ref<fd::Error> NKMultipartBodyStream::streamError() const {
  std::lock_guard<std::mutex> lock(errorMutex_);
  return error_;
}

int64_t NKMultipartBodyStream::read(uint8_t* buffer, size_t maxLength) {
  auto status = status_.load();
  if (status == fd::StreamStatus::Closed) return 0;
  // After a failed part the body cannot go on; 0 would pass for a complete body.
  if (status == fd::StreamStatus::Error) return -1;
  size_t total = 0;
  const size_t limit = size_t(std::min<uint64_t>(maxLength, numberOfBytesInPacket));
  while (total < limit) {
    if (!currentPart_ || !currentPart_->hasBytesAvailable()) {
      if (nextPart_ >= parts_.size()) return int64_t(total);
      currentPart_ = parts_[nextPart_++];
      continue;
    }
    int64_t n = currentPart_->read(buffer + total, maxLength - total);
    if (n < 0) {
      {
        std::lock_guard<std::mutex> lock(errorMutex_);
        error_ = currentPart_->streamError();
      }
      status_.store(fd::StreamStatus::Error);
      return total > 0 ? int64_t(total) : -1;
    }
    total += size_t(n);
    if (delay > 0) std::this_thread::sleep_for(std::chrono::duration<double>(delay));
  }
  return int64_t(total);
}

bool NKMultipartBodyStream::getBuffer(uint8_t**, size_t*) const { return false; }

rt::Id NKMultipartBodyStream::propertyForKey(const fd::String&) const { return nullptr; }

bool NKMultipartBodyStream::setPropertyForKey(const rt::Id&, const fd::String&) { return false; }

rt::Id NKMultipartBodyStream::copy() const {
  auto stream = rt::make<NKMultipartBodyStream>(stringEncoding);
  for (const auto& part : parts_) stream->appendHTTPBodyPart(rt::as<NKHTTPBodyPart>(part->copy()));
  stream->setInitialAndFinalBoundaries();
  return stream;
}

RT_IMPLEMENT(NKMultipartBodyStream) {
  c.property("numberOfBytesInPacket", &NKMultipartBodyStream::numberOfBytesInPacket);
  c.property("delay", &NKMultipartBodyStream::delay);
  c.property("stringEncoding", &NKMultipartBodyStream::stringEncoding);
  c.property("contentLength", &NKMultipartBodyStream::contentLength);
  c.protocol("NSCopying");
  c.protocol("NSStreamDelegate");
}

}  // namespace net
