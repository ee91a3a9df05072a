#pragma once
// The input stream behind a multipart request body: it concatenates its parts' wire forms as
// the URL loading pulls bytes, so no part is ever held in memory whole.
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/foundation/files/Stream.h"
#include "platform/foundation/text/StringEncoding.h"

namespace net {

class NKHTTPBodyPart;

class NKMultipartBodyStream : public fd::InputStream {
  RT_CLASS(NKMultipartBodyStream, fd::InputStream)
 public:
  void init() {}
  void init(fd::StringEncoding encoding);

  /// Each read stops taking new part reads once it has this many bytes (a part read may
  /// overshoot it); no limit by default.
  uint64_t numberOfBytesInPacket = uint64_t(std::numeric_limits<int64_t>::max());
  /// Seconds the reading thread sleeps after each part read.
  double delay = 0;
  fd::StringEncoding stringEncoding = fd::UTF8StringEncoding;

  /// Marks the first part as opening the body and the last as closing it.
  void setInitialAndFinalBoundaries();
  void appendHTTPBodyPart(const Ref<NKHTTPBodyPart>& part);
  const std::vector<Ref<NKHTTPBodyPart>>& HTTPBodyParts() const { return parts_; }
  bool isEmpty() const { return parts_.empty(); }
  /// The sum of the parts' lengths, computed without reading them.
  uint64_t contentLength() const;

  void open() override;
  void close() override;
  fd::StreamStatus streamStatus() const override { return status_.load(); }
  Ref<fd::Error> streamError() const override;
  /// The bytes placed: 0 once every part is read or when closed. A part's failure ends the
  /// read with the bytes placed before it (-1 when none) and puts the stream in the error
  /// state, the failure in streamError; later reads answer -1.
  int64_t read(uint8_t* buffer, size_t maxLength) override;
  bool hasBytesAvailable() const override { return status_.load() == fd::StreamStatus::Open; }
  /// The bytes are never available in place.
  bool getBuffer(uint8_t** buffer, size_t* length) const;
  rt::Id propertyForKey(const fd::String& key) const override;
  bool setPropertyForKey(const rt::Id& value, const fd::String& key) override;

  /// A fresh, unopened stream over copies of the parts: reads the same bytes from the start.
  rt::Id copy() const override;

 private:
  std::atomic<fd::StreamStatus> status_{fd::StreamStatus::NotOpen};
  mutable std::mutex errorMutex_;
  Ref<fd::Error> error_;
  std::vector<Ref<NKHTTPBodyPart>> parts_;
  size_t nextPart_ = 0;
  Ref<NKHTTPBodyPart> currentPart_;
};

}  // namespace net
