#include "platform/foundation/files/FileHandle.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/values/Data.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(FileHandle) {}

void FileHandle::init(int fd) { fd_ = fd; }

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

Ref<FileHandle> FileHandle::open(const String& path, int flags) {
  int fd = ::open(path.utf8().c_str(), flags | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return rt::make<FileHandle>(fd);
}

Ref<FileHandle> FileHandle::fileHandleForReadingAtPath(const String& path) { return open(path, O_RDONLY); }
Ref<FileHandle> FileHandle::fileHandleForWritingAtPath(const String& path) { return open(path, O_WRONLY); }
Ref<FileHandle> FileHandle::fileHandleForUpdatingAtPath(const String& path) { return open(path, O_RDWR); }

void FileHandle::check(bool ok, const char* operation) const {
  if (fd_ < 0)
    rt::raise(NSFileHandleOperationException, String::format("*** -[NSFileHandle %s]: file handle is closed", operation));
  if (!ok)
    rt::raise(NSFileHandleOperationException,
              String::format("*** -[NSFileHandle %s]: %s", operation, std::strerror(errno)));
}

Ref<Data> FileHandle::readDataToEndOfFile() {
  check(true, "readDataToEndOfFile");
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    check(n >= 0, "readDataToEndOfFile");
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return Data::create(std::move(bytes));
}

Ref<Data> FileHandle::readDataOfLength(size_t length) {
  check(true, "readDataOfLength:");
  std::vector<uint8_t> bytes(length);
  size_t got = 0;
  while (got < length) {
    ssize_t n = ::read(fd_, bytes.data() + got, length - got);
    if (n < 0 && errno == EINTR) continue;
    check(n >= 0, "readDataOfLength:");
    if (n == 0) break;
    got += size_t(n);
  }
  bytes.resize(got);
  return Data::create(std::move(bytes));
}

void FileHandle::writeData(const Data& data) {
  check(true, "writeData:");
  const uint8_t* p = data.bytes();
  size_t left = data.length();
  while (left > 0) {
    ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    check(n >= 0, "writeData:");
    p += n;
    left -= size_t(n);
  }
}

uint64_t FileHandle::offsetInFile() const {
  check(true, "offsetInFile");
  off_t at = ::lseek(fd_, 0, SEEK_CUR);
  check(at >= 0, "offsetInFile");
  return uint64_t(at);
}

uint64_t FileHandle::seekToEndOfFile() {
  check(true, "seekToEndOfFile");
  off_t at = ::lseek(fd_, 0, SEEK_END);
  check(at >= 0, "seekToEndOfFile");
  return uint64_t(at);
}

void FileHandle::seekToFileOffset(uint64_t offset) {
  check(true, "seekToFileOffset:");
  check(::lseek(fd_, off_t(offset), SEEK_SET) >= 0, "seekToFileOffset:");
}

void FileHandle::truncateFileAtOffset(uint64_t offset) {
  check(true, "truncateFileAtOffset:");
  check(::ftruncate(fd_, off_t(offset)) == 0, "truncateFileAtOffset:");
  check(::lseek(fd_, off_t(offset), SEEK_SET) >= 0, "truncateFileAtOffset:");
}

void FileHandle::synchronizeFile() {
  check(true, "synchronizeFile");
  check(::fsync(fd_) == 0, "synchronizeFile");
}

void FileHandle::closeFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace fd
