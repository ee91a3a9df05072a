#include "platform/foundation/files/Stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/foundation/net/URL.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Stream) {}
RT_IMPLEMENT_PLATFORM(InputStream) {}
RT_IMPLEMENT_PLATFORM(OutputStream) {}

// --- Stream

Stream::~Stream() {
  if (source_) source_->invalidate();
}

void Stream::open() {
  if (streamStatus() != StreamStatus::NotOpen) return;
  setStatus(StreamStatus::Open);
  announceOpen();
}

void Stream::close() { setStatus(StreamStatus::Closed); }

Ref<Error> Stream::streamError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

void Stream::fail(Ref<Error> error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    error_ = std::move(error);
  }
  setStatus(StreamStatus::Error);
  postEvent(StreamEventErrorOccurred);
}

Weak<StreamDelegate> Stream::delegate() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return delegate_;
}

void Stream::setDelegate(Weak<StreamDelegate> delegate) {
  std::lock_guard<std::mutex> lock(mutex_);
  delegate_ = std::move(delegate);
}

Id Stream::propertyForKey(const String& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return properties_ ? properties_->objectForKey(key) : nullptr;
}

bool Stream::setPropertyForKey(const Id& value, const String& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!properties_) properties_ = MutableDictionary::create();
  if (value) properties_->setObjectForKey(value, key);
  else properties_->removeObjectForKey(key);
  return true;
}

void Stream::scheduleInRunLoop(const Ref<RunLoop>& loop, const String& mode) {
  if (!loop) return;
  Ref<RunLoopSource> source;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!source_) {
      Weak<Object> weak = weak_from_this();
      source_ = RunLoopSource::create(0, [weak] {
        if (auto self = std::static_pointer_cast<Stream>(weak.lock())) self->deliverEvents();
      });
    }
    source = source_;
  }
  loop->addSource(source, mode);
  if (pending_.load()) source->signal();
}

void Stream::removeFromRunLoop(const Ref<RunLoop>& loop, const String& mode) {
  Ref<RunLoopSource> source;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    source = source_;
  }
  if (loop && source) loop->removeSource(source, mode);
}

void Stream::postEvent(StreamEvent event) {
  pending_.fetch_or(event);
  Ref<RunLoopSource> source;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    source = source_;
  }
  if (source) source->signal();
}

void Stream::deliverEvents() {
  uint64_t events = pending_.exchange(0);
  auto delegate = this->delegate().lock();
  if (!delegate) return;
  auto keep = shared_from_this();
  for (uint64_t bit = 1; bit <= StreamEventEndEncountered; bit <<= 1)
    if (events & bit) delegate->stream(*this, static_cast<StreamEvent>(bit));
}

// --- InputStream

int64_t InputStream::read(uint8_t*, size_t) { return -1; }

void InputStream::announceOpen() {
  Stream::announceOpen();
  postEvent(hasBytesAvailable() ? StreamEventHasBytesAvailable : StreamEventEndEncountered);
}

namespace {

class DataInputStream final : public InputStream {
 public:
  Ref<Data> data;
  size_t offset = 0;

  int64_t read(uint8_t* buffer, size_t maxLength) override {
    auto s = streamStatus();
    if (s == StreamStatus::AtEnd) return 0;
    if (s != StreamStatus::Open) return -1;
    size_t n = std::min(maxLength, data->length() - offset);
    if (n == 0) {
      setStatus(StreamStatus::AtEnd);
      postEvent(StreamEventEndEncountered);
      return 0;
    }
    std::memcpy(buffer, data->bytes() + offset, n);
    offset += n;
    postEvent(offset < data->length() ? StreamEventHasBytesAvailable : StreamEventEndEncountered);
    return int64_t(n);
  }
  bool hasBytesAvailable() const override { return streamStatus() == StreamStatus::Open && offset < data->length(); }
  Id propertyForKey(const String& key) const override {
    if (key == NSStreamFileCurrentOffsetKey) return Number::numberWithUnsignedLongLong(offset);
    return InputStream::propertyForKey(key);
  }
};

class FileInputStream final : public InputStream {
 public:
  String path;
  int fd = -1;
  ~FileInputStream() override {
    if (fd >= 0) ::close(fd);
  }
  void open() override {
    if (streamStatus() != StreamStatus::NotOpen) return;
    fd = ::open(path.utf8().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      fail(fileError(errno, path, false));
      return;
    }
    InputStream::open();
  }
  void close() override {
    if (fd >= 0) ::close(fd);
    fd = -1;
    InputStream::close();
  }
  int64_t read(uint8_t* buffer, size_t maxLength) override {
    auto s = streamStatus();
    if (s == StreamStatus::AtEnd) return 0;
    if (s != StreamStatus::Open) return -1;
    ssize_t n;
    do n = ::read(fd, buffer, maxLength);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
      fail(fileError(errno, path, false));
      return -1;
    }
    if (n == 0 && maxLength > 0) {
      setStatus(StreamStatus::AtEnd);
      postEvent(StreamEventEndEncountered);
      return 0;
    }
    postEvent(StreamEventHasBytesAvailable);
    return n;
  }
  // The end is known only once a read finds it.
  bool hasBytesAvailable() const override { return streamStatus() == StreamStatus::Open; }
  Id propertyForKey(const String& key) const override {
    if (key == NSStreamFileCurrentOffsetKey && fd >= 0)
      return Number::numberWithUnsignedLongLong(uint64_t(std::max<off_t>(0, ::lseek(fd, 0, SEEK_CUR))));
    return InputStream::propertyForKey(key);
  }
};

class MemoryOutputStream final : public OutputStream {
 public:
  Ref<MutableData> bytes = MutableData::create();
  // Once closed the bytes can change no more: they move into one immutable object that every
  // later read shares, so a large body is not copied again to be read.
  Ref<Data> closedBytes;
  mutable std::mutex bytesMutex;

  void close() override {
    {
      std::lock_guard<std::mutex> lock(bytesMutex);
      if (!closedBytes) closedBytes = Data::create(bytes->takeBytes());
    }
    OutputStream::close();
  }

  int64_t write(const uint8_t* buffer, size_t maxLength) override {
    if (streamStatus() != StreamStatus::Open) return -1;
    {
      std::lock_guard<std::mutex> lock(bytesMutex);
      bytes->appendBytes(buffer, maxLength);
    }
    postEvent(StreamEventHasSpaceAvailable);
    return int64_t(maxLength);
  }
  bool hasSpaceAvailable() const override { return streamStatus() == StreamStatus::Open; }
  void expectMoreBytes(int64_t length) override {
    // Bounded: the hint often comes from a peer, and room is only address space until written.
    constexpr int64_t kMostReserved = int64_t(256) << 20;
    if (length <= 0) return;
    std::lock_guard<std::mutex> lock(bytesMutex);
    auto& storage = bytes->storage();
    // A little more than asked: readers of the finished bytes may look just past their end
    // (the JSON reader does, in blocks) and need not copy them when there is room.
    constexpr size_t kSlack = 64;
    storage.reserve(storage.size() + static_cast<size_t>(std::min(length, kMostReserved)) + kSlack);
  }
  Id propertyForKey(const String& key) const override {
    if (key == NSStreamDataWrittenToMemoryStreamKey) {
      std::lock_guard<std::mutex> lock(bytesMutex);
      if (closedBytes) return closedBytes;
      return Data::create(bytes->vector());
    }
    return OutputStream::propertyForKey(key);
  }
};

class FileOutputStream final : public OutputStream {
 public:
  String path;
  bool append = false;
  int fd = -1;
  ~FileOutputStream() override {
    if (fd >= 0) ::close(fd);
  }
  void open() override {
    if (streamStatus() != StreamStatus::NotOpen) return;
    fd = ::open(path.utf8().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0644);
    if (fd < 0) {
      fail(fileError(errno, path, true));
      return;
    }
    OutputStream::open();
  }
  void close() override {
    if (fd >= 0) ::close(fd);
    fd = -1;
    OutputStream::close();
  }
  int64_t write(const uint8_t* buffer, size_t maxLength) override {
    if (streamStatus() != StreamStatus::Open) return -1;
    size_t done = 0;
    while (done < maxLength) {
      ssize_t n = ::write(fd, buffer + done, maxLength - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        fail(fileError(errno, path, true));
        return -1;
      }
      done += size_t(n);
    }
    postEvent(StreamEventHasSpaceAvailable);
    return int64_t(done);
  }
  bool hasSpaceAvailable() const override { return streamStatus() == StreamStatus::Open; }
  Id propertyForKey(const String& key) const override {
    if (key == NSStreamFileCurrentOffsetKey && fd >= 0)
      return Number::numberWithUnsignedLongLong(uint64_t(std::max<off_t>(0, ::lseek(fd, 0, SEEK_CUR))));
    return OutputStream::propertyForKey(key);
  }
};

}  // namespace

Ref<InputStream> InputStream::inputStreamWithData(const Ref<Data>& data) {
  auto s = std::make_shared<DataInputStream>();
  s->data = data ? data : Data::create();
  return s;
}

Ref<InputStream> InputStream::inputStreamWithFileAtPath(const String& path) {
  if (path.isEmpty()) return nullptr;
  auto s = std::make_shared<FileInputStream>();
  s->path = path;
  return s;
}

Ref<InputStream> InputStream::inputStreamWithURL(const Ref<URL>& url) {
  if (!url || url->scheme() != String("file")) return nullptr;
  return inputStreamWithFileAtPath(url->path());
}

// --- OutputStream

int64_t OutputStream::write(const uint8_t*, size_t) { return -1; }

void OutputStream::announceOpen() {
  Stream::announceOpen();
  postEvent(StreamEventHasSpaceAvailable);
}

Ref<OutputStream> OutputStream::outputStreamToMemory() { return std::make_shared<MemoryOutputStream>(); }

Ref<OutputStream> OutputStream::outputStreamToFileAtPath(const String& path, bool append) {
  if (path.isEmpty()) return nullptr;
  auto s = std::make_shared<FileOutputStream>();
  s->path = path;
  s->append = append;
  return s;
}

}  // namespace fd
