#pragma once
// The file manager: existence, folders, contents, attributes, removing, moving and copying,
// and whole-file data reads and writes. Failures answer false (or null) and report an
// fd::Error in NSCocoaErrorDomain with NSFilePathErrorKey and the POSIX error underneath.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/foundation/files/Paths.h"
#include "platform/foundation/Types.h"

namespace fd {

class Data;
class Date;
class Dictionary;
class Error;
class URL;

// Error codes (NSCocoaErrorDomain)
inline constexpr int64_t NSFileNoSuchFileError = 4;
inline constexpr int64_t NSFileReadUnknownError = 256;
inline constexpr int64_t NSFileReadNoPermissionError = 257;
inline constexpr int64_t NSFileReadNoSuchFileError = 260;
inline constexpr int64_t NSFileWriteUnknownError = 512;
inline constexpr int64_t NSFileWriteNoPermissionError = 513;
inline constexpr int64_t NSFileWriteFileExistsError = 516;
inline constexpr int64_t NSFileWriteOutOfSpaceError = 640;

// Attribute keys and file types
inline constexpr const char* NSFileSize = "NSFileSize";
inline constexpr const char* NSFileModificationDate = "NSFileModificationDate";
inline constexpr const char* NSFileCreationDate = "NSFileCreationDate";
inline constexpr const char* NSFileType = "NSFileType";
inline constexpr const char* NSFilePosixPermissions = "NSFilePosixPermissions";
inline constexpr const char* NSFileTypeRegular = "NSFileTypeRegular";
inline constexpr const char* NSFileTypeDirectory = "NSFileTypeDirectory";
inline constexpr const char* NSFileTypeSymbolicLink = "NSFileTypeSymbolicLink";
inline constexpr const char* NSFileTypeUnknown = "NSFileTypeUnknown";
inline constexpr const char* NSFileSystemSize = "NSFileSystemSize";
inline constexpr const char* NSFileSystemFreeSize = "NSFileSystemFreeSize";

/// Walks a folder depth-first, answering paths relative to it (files and folders, hidden ones
/// included unless asked to skip them), in name order within each folder.
class DirectoryEnumerator : public Object {
  RT_CLASS_NAMED(DirectoryEnumerator, Object, "NSDirectoryEnumerator")
 public:
  void init() {}
  void init(String root, bool skipsHiddenFiles);
  /// The next relative path, or nullopt at the end.
  std::optional<String> nextObject();
  /// The next item as a file URL, or null at the end.
  Ref<URL> nextURL();
  /// Attributes of the item last answered (null when it has gone).
  Ref<Dictionary> fileAttributes() const;
  /// Do not descend into the folder last answered.
  void skipDescendants() { skip_ = true; }
  /// Depth of the item last answered (1 for the root's own entries).
  size_t level() const { return level_; }

 private:
  struct Frame {
    String relative;
    std::vector<String> names;
    size_t next = 0;
  };
  void push(const String& relative);
  String root_;
  bool skipHidden_ = false;
  std::vector<Frame> stack_;
  String current_;
  bool currentIsDirectory_ = false;
  bool skip_ = false;
  size_t level_ = 0;
};

class FileManager : public Object {
  RT_CLASS_NAMED(FileManager, Object, "NSFileManager")
 public:
  void init() {}
  static Ref<FileManager> defaultManager();

  bool fileExistsAtPath(const String& path, bool* isDirectory = nullptr) const;
  bool isReadableFileAtPath(const String& path) const;
  bool isWritableFileAtPath(const String& path) const;

  /// Succeeds when the folder exists already only with `withIntermediates`.
  bool createDirectoryAtPath(const String& path, bool withIntermediates, Ref<Error>* error = nullptr) const;
  /// Writes `contents` (null: empty), replacing any file there.
  bool createFileAtPath(const String& path, const Ref<Data>& contents) const;
  /// Null when the file cannot be read.
  Ref<Data> contentsAtPath(const String& path) const;

  /// Names in the folder (not recursive, hidden ones included), in name order.
  std::vector<String> contentsOfDirectoryAtPath(const String& path, Ref<Error>* error = nullptr) const;
  /// Every path below the folder, relative to it, recursively.
  std::vector<String> subpathsOfDirectoryAtPath(const String& path, Ref<Error>* error = nullptr) const;
  std::vector<String> subpathsAtPath(const String& path) const { return subpathsOfDirectoryAtPath(path); }
  Ref<DirectoryEnumerator> enumeratorAtPath(const String& path) const;
  Ref<DirectoryEnumerator> enumeratorAtURL(const Ref<URL>& url, bool skipsHiddenFiles) const;

  /// NSFileSize, NSFileModificationDate, NSFileCreationDate, NSFileType, NSFilePosixPermissions.
  Ref<Dictionary> attributesOfItemAtPath(const String& path, Ref<Error>* error = nullptr) const;
  /// NSFileSystemSize and NSFileSystemFreeSize of the file system holding `path`.
  Ref<Dictionary> attributesOfFileSystemForPath(const String& path, Ref<Error>* error = nullptr) const;
  /// Sets NSFileModificationDate and NSFilePosixPermissions when present.
  bool setAttributes(const Ref<Dictionary>& attributes, const String& path, Ref<Error>* error = nullptr) const;

  /// Removes a file or a whole folder.
  bool removeItemAtPath(const String& path, Ref<Error>* error = nullptr) const;
  /// Fails with NSFileWriteFileExistsError when `to` exists.
  bool moveItemAtPath(const String& from, const String& to, Ref<Error>* error = nullptr) const;
  bool copyItemAtPath(const String& from, const String& to, Ref<Error>* error = nullptr) const;
  bool removeItemAtURL(const Ref<URL>& url, Ref<Error>* error = nullptr) const;
  bool moveItemAtURL(const Ref<URL>& from, const Ref<URL>& to, Ref<Error>* error = nullptr) const;
  bool copyItemAtURL(const Ref<URL>& from, const Ref<URL>& to, Ref<Error>* error = nullptr) const;

  Ref<URL> temporaryDirectory() const;
  std::vector<Ref<URL>> URLsForDirectory(SearchPathDirectory directory, uint64_t domainMask) const;
  String currentDirectoryPath() const;
};

/// The size recorded in an attributes dictionary (0 when absent).
uint64_t fileSize(const Dictionary& attributes);
Ref<Date> fileModificationDate(const Dictionary& attributes);
String fileType(const Dictionary& attributes);

/// The whole file, or null with `error` set.
Ref<Data> dataWithContentsOfFile(const String& path, Ref<Error>* error = nullptr);
/// Writes the bytes; `atomically` writes a temporary file beside the target and renames it.
bool writeDataToFile(const Data& data, const String& path, bool atomically, Ref<Error>* error = nullptr);

/// An error for a failed file operation: `errnoValue` mapped to the file error codes, with
/// the path and the POSIX error underneath. `writing` picks the write codes.
Ref<Error> fileError(int errnoValue, const String& path, bool writing);

}  // namespace fd
