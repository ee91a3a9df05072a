#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/URL.h"
#include "tests/platform/foundation/files/FileManagerTestSupport.h"
#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {
namespace {

using StreamTest = TempFolderTest;

std::string readAll(InputStream& s, size_t chunk) {
  std::string out;
  std::vector<uint8_t> buffer(chunk);
  for (;;) {
    int64_t n = s.read(buffer.data(), buffer.size());
    if (n <= 0) break;
    out.append(reinterpret_cast<char*>(buffer.data()), size_t(n));
  }
  return out;
}

TEST_F(StreamTest, InputStreamsOverDataAndFilesReadToTheEnd) {
  std::string text(5000, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = char('a' + i % 26);
  ASSERT_TRUE(writeDataToFile(*Data::create(text), path("in"), false));
  std::vector<Ref<InputStream>> streams = {InputStream::inputStreamWithData(Data::create(text)),
                                           InputStream::inputStreamWithFileAtPath(path("in")),
                                           InputStream::inputStreamWithURL(URL::fileURLWithPath(path("in")))};
  for (auto& s : streams) {
    ASSERT_TRUE(s);
    uint8_t b;
    EXPECT_EQ(s->streamStatus(), StreamStatus::NotOpen);
    EXPECT_EQ(s->read(&b, 1), -1);
    s->open();
    EXPECT_EQ(s->streamStatus(), StreamStatus::Open);
    EXPECT_TRUE(s->hasBytesAvailable());
    EXPECT_EQ(readAll(*s, 1024), text);
    EXPECT_EQ(s->streamStatus(), StreamStatus::AtEnd);
    EXPECT_EQ(s->read(&b, 1), 0);
    EXPECT_FALSE(s->hasBytesAvailable());
    s->close();
    EXPECT_EQ(s->streamStatus(), StreamStatus::Closed);
    EXPECT_EQ(s->read(&b, 1), -1);
  }
  EXPECT_EQ(InputStream::inputStreamWithURL(URL::URLWithString("https://example.com/x")), nullptr);
}

TEST_F(StreamTest, AMissingFileFailsToOpenWithAnError) {
  auto s = InputStream::inputStreamWithFileAtPath(path("missing"));
  s->open();
  EXPECT_EQ(s->streamStatus(), StreamStatus::Error);
  ASSERT_TRUE(s->streamError());
  EXPECT_EQ(s->streamError()->code(), NSFileReadNoSuchFileError);
  uint8_t b;
  EXPECT_EQ(s->read(&b, 1), -1);
  auto out = OutputStream::outputStreamToFileAtPath(path("no/such/dir/f"), false);
  out->open();
  EXPECT_EQ(out->streamStatus(), StreamStatus::Error);
  EXPECT_EQ(out->write(&b, 1), -1);
}

TEST_F(StreamTest, OutputToMemoryKeepsItsBytesAfterCloseAndStaysClosed) {
  auto s = OutputStream::outputStreamToMemory();
  const uint8_t chunk[] = {'a', 'b', 'c'};
  EXPECT_EQ(s->write(chunk, 3), -1);
  s->open();
  EXPECT_TRUE(s->hasSpaceAvailable());
  EXPECT_EQ(s->write(chunk, 3), 3);
  EXPECT_EQ(s->write(chunk, 2), 2);
  s->close();
  auto bytes = rt::as<Data>(s->propertyForKey(NSStreamDataWrittenToMemoryStreamKey));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->view(), "abcab");
  s->open();  // a closed stream does not reopen
  EXPECT_EQ(s->streamStatus(), StreamStatus::Closed);
  EXPECT_EQ(s->write(chunk, 1), -1);
  EXPECT_EQ(rt::as<Data>(s->propertyForKey(NSStreamDataWrittenToMemoryStreamKey))->view(), "abcab");
}

TEST_F(StreamTest, OutputToFileTruncatesOrAppendsAndReportsItsOffset) {
  ASSERT_TRUE(writeDataToFile(*Data::create("old"), path("out"), false));
  struct Case { bool append; const char* expected; };
  for (Case c : {Case{true, "oldnew"}, Case{false, "new"}}) {
    ASSERT_TRUE(writeDataToFile(*Data::create("old"), path("out"), false));
    auto s = OutputStream::outputStreamToFileAtPath(path("out"), c.append);
    s->open();
    const uint8_t bytes[] = {'n', 'e', 'w'};
    EXPECT_EQ(s->write(bytes, 3), 3);
    EXPECT_EQ(rt::as<Number>(s->propertyForKey(NSStreamFileCurrentOffsetKey))->unsignedLongLongValue(),
              std::string(c.expected).size());
    s->close();
    EXPECT_EQ(dataWithContentsOfFile(path("out"))->view(), c.expected);
  }
}

class RecordingDelegate : public StreamDelegate {
 public:
  std::vector<uint64_t> events;
  std::string received;
  void stream(Stream& s, StreamEvent event) override {
    events.push_back(event);
    if (event == StreamEventHasBytesAvailable) {
      uint8_t buffer[4];
      int64_t n = static_cast<InputStream&>(s).read(buffer, sizeof buffer);
      if (n > 0) received.append(reinterpret_cast<char*>(buffer), size_t(n));
    }
    if (event == StreamEventEndEncountered) s.close();
  }
};

using StreamRunLoopTest = VirtualLoopTest;

TEST_F(StreamRunLoopTest, AScheduledStreamTellsItsDelegateOnTheLoop) {
  auto s = InputStream::inputStreamWithData(Data::create("hello world"));
  auto delegate = std::make_shared<RecordingDelegate>();
  s->setDelegate(delegate);
  s->scheduleInRunLoop(RunLoop::mainRunLoop(), NSDefaultRunLoopMode);
  s->open();
  EXPECT_TRUE(delegate->events.empty());  // nothing before the loop turns
  RunLoopDriver::runUntilIdle(UITrackingRunLoopMode);
  EXPECT_TRUE(delegate->events.empty());  // scheduled for the default mode only
  RunLoopDriver::runUntilIdle();
  EXPECT_EQ(delegate->received, "hello world");
  ASSERT_FALSE(delegate->events.empty());
  EXPECT_EQ(delegate->events.front(), uint64_t(StreamEventOpenCompleted));
  EXPECT_EQ(delegate->events.back(), uint64_t(StreamEventEndEncountered));
  EXPECT_EQ(s->streamStatus(), StreamStatus::Closed);

  // The delegate is not retained.
  Weak<RecordingDelegate> weak = delegate;
  delegate.reset();
  EXPECT_TRUE(weak.expired());
  s->removeFromRunLoop(RunLoop::mainRunLoop(), NSDefaultRunLoopMode);
}

// A stream written by a user of the platform: a fixed number of counter bytes.
class CountingStream : public InputStream {
 public:
  int left = 3;
  int64_t read(uint8_t* buffer, size_t maxLength) override {
    if (streamStatus() != StreamStatus::Open || maxLength == 0) return -1;
    if (left == 0) {
      setStatus(StreamStatus::AtEnd);
      return 0;
    }
    buffer[0] = uint8_t('0' + left--);
    return 1;
  }
  bool hasBytesAvailable() const override { return left > 0; }
};

TEST_F(StreamTest, SubclassesProvideTheirOwnBytes) {
  auto s = std::make_shared<CountingStream>();
  s->open();
  EXPECT_EQ(readAll(*s, 8), "321");
  EXPECT_EQ(s->streamStatus(), StreamStatus::AtEnd);
  EXPECT_EQ(s->streamError(), nullptr);
}

}  // namespace
}  // namespace fd::testing
