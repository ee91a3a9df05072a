#pragma once
// File handles: reading, writing and seeking an open file. I/O on a closed handle raises
// NSFileHandleOperationException.
#include <cstdint>

#include "platform/foundation/Types.h"

namespace fd {

class Data;

inline constexpr const char* NSFileHandleOperationException = "NSFileHandleOperationException";

class FileHandle : public Object {
  RT_CLASS_NAMED(FileHandle, Object, "NSFileHandle")
 public:
  void init() {}
  /// Takes over `fd` (closed when the handle closes or goes).
  void init(int fd);
  ~FileHandle() override;

  /// Null when the file cannot be opened (a missing file included).
  static Ref<FileHandle> fileHandleForReadingAtPath(const String& path);
  static Ref<FileHandle> fileHandleForWritingAtPath(const String& path);
  static Ref<FileHandle> fileHandleForUpdatingAtPath(const String& path);

  int fileDescriptor() const { return fd_; }
  Ref<Data> readDataToEndOfFile();
  /// Up to `length` bytes; empty at the end of the file.
  Ref<Data> readDataOfLength(size_t length);
  void writeData(const Data& data);
  uint64_t offsetInFile() const;
  uint64_t seekToEndOfFile();
  void seekToFileOffset(uint64_t offset);
  void truncateFileAtOffset(uint64_t offset);
  void synchronizeFile();
  void closeFile();

 private:
  static Ref<FileHandle> open(const String& path, int flags);
  void check(bool ok, const char* operation) const;
  int fd_ = -1;
};

}  // namespace fd
