#pragma once
// Byte streams. An input stream is read by pulling (`read`), from data, a file, or a subclass
// that implements `open`, `close`, `read`, `hasBytesAvailable`, `streamStatus` and
// `streamError` itself. An output stream writes to memory (the bytes are the property
// NSStreamDataWrittenToMemoryStreamKey) or to a file. Scheduled in a run loop, a stream tells
// its delegate (held weakly) of events on that loop's thread.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

class Data;
class Error;
class MutableDictionary;
class RunLoop;
class RunLoopSource;
class Stream;
class URL;

enum class StreamStatus : uint64_t {
  NotOpen = 0,
  Opening = 1,
  Open = 2,
  Reading = 3,
  Writing = 4,
  AtEnd = 5,
  Closed = 6,
  Error = 7,
};

enum StreamEvent : uint64_t {
  StreamEventNone = 0,
  StreamEventOpenCompleted = 1,
  StreamEventHasBytesAvailable = 2,
  StreamEventHasSpaceAvailable = 4,
  StreamEventErrorOccurred = 8,
  StreamEventEndEncountered = 16,
};

inline constexpr const char* NSStreamDataWrittenToMemoryStreamKey = "NSStreamDataWrittenToMemoryStreamKey";
inline constexpr const char* NSStreamFileCurrentOffsetKey = "NSStreamFileCurrentOffsetKey";

class StreamDelegate {
 public:
  virtual ~StreamDelegate() = default;
  virtual void stream(Stream& stream, StreamEvent event) = 0;
};

class Stream : public Object {
  RT_CLASS_NAMED(Stream, Object, "NSStream")
 public:
  void init() {}
  ~Stream() override;

  virtual void open();
  virtual void close();
  virtual StreamStatus streamStatus() const { return status_.load(); }
  virtual Ref<Error> streamError() const;

  Weak<StreamDelegate> delegate() const;
  void setDelegate(Weak<StreamDelegate> delegate);
  virtual Id propertyForKey(const String& key) const;
  virtual bool setPropertyForKey(const Id& value, const String& key);

  /// Events go to the delegate from `loop` while it runs in `mode`.
  void scheduleInRunLoop(const Ref<RunLoop>& loop, const String& mode);
  void removeFromRunLoop(const Ref<RunLoop>& loop, const String& mode);

 protected:
  /// Queues `event` for the delegate (delivered only while scheduled in a run loop).
  void postEvent(StreamEvent event);
  void setStatus(StreamStatus s) { status_.store(s); }
  void fail(Ref<Error> error);
  /// Events a freshly opened stream announces.
  virtual void announceOpen() { postEvent(StreamEventOpenCompleted); }

 private:
  void deliverEvents();

  std::atomic<StreamStatus> status_{StreamStatus::NotOpen};
  mutable std::mutex mutex_;
  Ref<Error> error_;
  Weak<StreamDelegate> delegate_;
  Ref<MutableDictionary> properties_;
  Ref<RunLoopSource> source_;
  std::atomic<uint64_t> pending_{0};
};

class InputStream : public Stream {
  RT_CLASS_NAMED(InputStream, Stream, "NSInputStream")
 public:
  static Ref<InputStream> inputStreamWithData(const Ref<Data>& data);
  /// Null for an empty path; a missing file fails when opened.
  static Ref<InputStream> inputStreamWithFileAtPath(const String& path);
  /// File URLs only; null for others.
  static Ref<InputStream> inputStreamWithURL(const Ref<URL>& url);

  /// Up to `maxLength` bytes into `buffer`: the count, 0 at the end, -1 on error or when the
  /// stream is not open. The base class has no bytes.
  virtual int64_t read(uint8_t* buffer, size_t maxLength);
  virtual bool hasBytesAvailable() const { return false; }

 protected:
  void announceOpen() override;
};

class OutputStream : public Stream {
  RT_CLASS_NAMED(OutputStream, Stream, "NSOutputStream")
 public:
  static Ref<OutputStream> outputStreamToMemory();
  static Ref<OutputStream> outputStreamToFileAtPath(const String& path, bool append);

  /// Writes up to `maxLength` bytes: the count written, -1 on error or when the stream is not
  /// open, 0 when nothing could be written.
  virtual int64_t write(const uint8_t* buffer, size_t maxLength);
  virtual bool hasSpaceAvailable() const { return false; }
  /// A hint that about `length` more bytes are coming; a memory stream makes room for them at
  /// once (up to a bound) instead of growing, and so copying, as they arrive. Others ignore it.
  virtual void expectMoreBytes(int64_t length) { (void)length; }

 protected:
  void announceOpen() override;
};

}  // namespace fd
