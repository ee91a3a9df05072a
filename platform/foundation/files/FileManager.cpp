#include "platform/foundation/files/FileManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(FileManager) {}
RT_IMPLEMENT_PLATFORM(DirectoryEnumerator) {}

namespace fs = std::filesystem;

namespace {
fs::path toPath(const String& s) { return fs::path(s.utf8()); }

Ref<Error> fromErrorCode(const std::error_code& ec, const String& path, bool writing) {
  return fileError(ec.value(), path, writing);
}

std::vector<String> sortedNames(const String& dir, std::error_code& ec) {
  std::vector<String> names;
  for (fs::directory_iterator it(toPath(dir), ec), end; !ec && it != end; it.increment(ec))
    names.emplace_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

double timespecSeconds(const timespec& t) { return double(t.tv_sec) + double(t.tv_nsec) / 1e9; }

Ref<Dictionary> attributesFromStat(const struct stat& st) {
  const char* type = S_ISREG(st.st_mode)   ? NSFileTypeRegular
                     : S_ISDIR(st.st_mode) ? NSFileTypeDirectory
                     : S_ISLNK(st.st_mode) ? NSFileTypeSymbolicLink
                                           : NSFileTypeUnknown;
  // Linux keeps no creation time in struct stat; the status-change time is the closest.
  double created = std::min(timespecSeconds(st.st_ctim), timespecSeconds(st.st_mtim));
  return Dictionary::withStrings({
      {NSFileSize, Number::numberWithUnsignedLongLong(uint64_t(st.st_size))},
      {NSFileModificationDate, Date::dateWithTimeIntervalSince1970(timespecSeconds(st.st_mtim))},
      {NSFileCreationDate, Date::dateWithTimeIntervalSince1970(created)},
      {NSFileType, StringObject::create(type)},
      {NSFilePosixPermissions, Number::numberWithUnsignedLongLong(st.st_mode & 07777)},
  });
}
}  // namespace

Ref<Error> fileError(int errnoValue, const String& path, bool writing) {
  int64_t code;
  switch (errnoValue) {
    case ENOENT: case ENOTDIR: code = writing ? NSFileNoSuchFileError : NSFileReadNoSuchFileError; break;
    case EEXIST: case ENOTEMPTY: code = NSFileWriteFileExistsError; break;
    case EACCES: case EPERM: case EROFS: code = writing ? NSFileWriteNoPermissionError : NSFileReadNoPermissionError; break;
    case ENOSPC: case EDQUOT: code = NSFileWriteOutOfSpaceError; break;
    default: code = writing ? NSFileWriteUnknownError : NSFileReadUnknownError;
  }
  auto underlying = Error::create(NSPOSIXErrorDomain, errnoValue);
  return Error::create(NSCocoaErrorDomain, code,
                       Dictionary::withStrings({{NSFilePathErrorKey, StringObject::create(path)},
                                                {NSUnderlyingErrorKey, underlying}}));
}

// --- DirectoryEnumerator

void DirectoryEnumerator::init(String root, bool skipsHiddenFiles) {
  root_ = std::move(root);
  skipHidden_ = skipsHiddenFiles;
  push(String());
}

void DirectoryEnumerator::push(const String& relative) {
  std::error_code ec;
  Frame f;
  f.relative = relative;
  f.names = sortedNames(relative.isEmpty() ? root_ : root_.stringByAppendingPathComponent(relative), ec);
  if (!ec) stack_.push_back(std::move(f));
}

std::optional<String> DirectoryEnumerator::nextObject() {
  if (currentIsDirectory_ && !skip_) push(current_);
  currentIsDirectory_ = false;
  skip_ = false;
  while (!stack_.empty()) {
    Frame& top = stack_.back();
    if (top.next >= top.names.size()) {
      stack_.pop_back();
      continue;
    }
    const String& name = top.names[top.next++];
    if (skipHidden_ && name.hasPrefix(".")) continue;
    current_ = top.relative.isEmpty() ? name : top.relative.stringByAppendingPathComponent(name);
    level_ = stack_.size();
    std::error_code ec;
    currentIsDirectory_ = fs::is_directory(fs::symlink_status(toPath(root_.stringByAppendingPathComponent(current_)), ec));
    return current_;
  }
  return std::nullopt;
}

Ref<URL> DirectoryEnumerator::nextURL() {
  auto next = nextObject();
  if (!next) return nullptr;
  return URL::fileURLWithPath(root_.stringByAppendingPathComponent(*next), currentIsDirectory_);
}

Ref<Dictionary> DirectoryEnumerator::fileAttributes() const {
  if (current_.isEmpty()) return nullptr;
  return FileManager::defaultManager()->attributesOfItemAtPath(root_.stringByAppendingPathComponent(current_));
}

// --- FileManager

Ref<FileManager> FileManager::defaultManager() {
  static Ref<FileManager>* manager = new Ref<FileManager>(rt::make<FileManager>());
  return *manager;
}

bool FileManager::fileExistsAtPath(const String& path, bool* isDirectory) const {
  struct stat st {};
  if (path.isEmpty() || ::stat(path.utf8().c_str(), &st) != 0) return false;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return true;
}

bool FileManager::isReadableFileAtPath(const String& path) const { return ::access(path.utf8().c_str(), R_OK) == 0; }
bool FileManager::isWritableFileAtPath(const String& path) const { return ::access(path.utf8().c_str(), W_OK) == 0; }

bool FileManager::createDirectoryAtPath(const String& path, bool withIntermediates, Ref<Error>* error) const {
  std::error_code ec;
  if (withIntermediates) {
    bool isDir = false;
    if (fileExistsAtPath(path, &isDir)) {
      if (isDir) return true;
      setError(error, fileError(EEXIST, path, true));
      return false;
    }
    fs::create_directories(toPath(path), ec);
  } else if (::mkdir(path.utf8().c_str(), 0755) != 0) {
    ec = std::error_code(errno, std::generic_category());
  }
  if (ec) {
    setError(error, fromErrorCode(ec, path, true));
    return false;
  }
  return true;
}

bool FileManager::createFileAtPath(const String& path, const Ref<Data>& contents) const {
  return writeDataToFile(contents ? *contents : *Data::create(), path, true);
}

Ref<Data> FileManager::contentsAtPath(const String& path) const { return dataWithContentsOfFile(path); }

std::vector<String> FileManager::contentsOfDirectoryAtPath(const String& path, Ref<Error>* error) const {
  std::error_code ec;
  auto names = sortedNames(path, ec);
  if (ec) {
    setError(error, fromErrorCode(ec, path, false));
    return {};
  }
  return names;
}

std::vector<String> FileManager::subpathsOfDirectoryAtPath(const String& path, Ref<Error>* error) const {
  bool isDir = false;
  bool exists = fileExistsAtPath(path, &isDir);
  if (!exists || !isDir) {
    setError(error, fileError(exists ? ENOTDIR : ENOENT, path, false));
    return {};
  }
  std::vector<String> out;
  auto e = enumeratorAtPath(path);
  while (auto p = e->nextObject()) out.push_back(*p);
  return out;
}

Ref<DirectoryEnumerator> FileManager::enumeratorAtPath(const String& path) const {
  if (!fileExistsAtPath(path)) return nullptr;
  return rt::make<DirectoryEnumerator>(path, false);
}

Ref<DirectoryEnumerator> FileManager::enumeratorAtURL(const Ref<URL>& url, bool skipsHiddenFiles) const {
  if (!url || !fileExistsAtPath(url->path())) return nullptr;
  return rt::make<DirectoryEnumerator>(url->path(), skipsHiddenFiles);
}

Ref<Dictionary> FileManager::attributesOfItemAtPath(const String& path, Ref<Error>* error) const {
  struct stat st {};
  if (::lstat(path.utf8().c_str(), &st) != 0) {
    setError(error, fileError(errno, path, false));
    return nullptr;
  }
  return attributesFromStat(st);
}

Ref<Dictionary> FileManager::attributesOfFileSystemForPath(const String& path, Ref<Error>* error) const {
  struct statvfs vfs {};
  if (::statvfs(path.utf8().c_str(), &vfs) != 0) {
    setError(error, fileError(errno, path, false));
    return nullptr;
  }
  return Dictionary::withStrings({
      {NSFileSystemSize, Number::numberWithUnsignedLongLong(uint64_t(vfs.f_blocks) * vfs.f_frsize)},
      {NSFileSystemFreeSize, Number::numberWithUnsignedLongLong(uint64_t(vfs.f_bavail) * vfs.f_frsize)},
  });
}

bool FileManager::setAttributes(const Ref<Dictionary>& attributes, const String& path, Ref<Error>* error) const {
  if (!attributes) return true;
  std::string p = path.utf8();
  if (auto date = attributes->objectForKeyAs<Date>(NSFileModificationDate)) {
    double t = date->timeIntervalSince1970();
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(std::floor(t));
    times[1].tv_nsec = long((t - std::floor(t)) * 1e9);
    if (::utimensat(AT_FDCWD, p.c_str(), times, 0) != 0) {
      setError(error, fileError(errno, path, true));
      return false;
    }
  }
  if (auto mode = attributes->objectForKeyAs<Number>(NSFilePosixPermissions)) {
    if (::chmod(p.c_str(), mode_t(mode->unsignedLongLongValue() & 07777)) != 0) {
      setError(error, fileError(errno, path, true));
      return false;
    }
  }
  return true;
}

bool FileManager::removeItemAtPath(const String& path, Ref<Error>* error) const {
  struct stat st {};
  if (::lstat(path.utf8().c_str(), &st) != 0) {
    setError(error, fileError(errno, path, true));
    return false;
  }
  std::error_code ec;
  fs::remove_all(toPath(path), ec);
  if (ec) {
    setError(error, fromErrorCode(ec, path, true));
    return false;
  }
  return true;
}

bool FileManager::moveItemAtPath(const String& from, const String& to, Ref<Error>* error) const {
  struct stat st {};
  if (::lstat(from.utf8().c_str(), &st) != 0) {
    setError(error, fileError(errno, from, true));
    return false;
  }
  if (::lstat(to.utf8().c_str(), &st) == 0) {
    setError(error, fileError(EEXIST, to, true));
    return false;
  }
  if (::rename(from.utf8().c_str(), to.utf8().c_str()) == 0) return true;
  if (errno != EXDEV) {
    setError(error, fileError(errno, to, true));
    return false;
  }
  // Across file systems: copy, then remove the original.
  return copyItemAtPath(from, to, error) && removeItemAtPath(from, error);
}

bool FileManager::copyItemAtPath(const String& from, const String& to, Ref<Error>* error) const {
  struct stat st {};
  if (::lstat(from.utf8().c_str(), &st) != 0) {
    setError(error, fileError(errno, from, false));
    return false;
  }
  if (::lstat(to.utf8().c_str(), &st) == 0) {
    setError(error, fileError(EEXIST, to, true));
    return false;
  }
  std::error_code ec;
  fs::copy(toPath(from), toPath(to), fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  if (ec) {
    setError(error, fromErrorCode(ec, to, true));
    return false;
  }
  return true;
}

bool FileManager::removeItemAtURL(const Ref<URL>& url, Ref<Error>* error) const {
  return removeItemAtPath(url ? url->path() : String(), error);
}

bool FileManager::moveItemAtURL(const Ref<URL>& from, const Ref<URL>& to, Ref<Error>* error) const {
  return moveItemAtPath(from ? from->path() : String(), to ? to->path() : String(), error);
}

bool FileManager::copyItemAtURL(const Ref<URL>& from, const Ref<URL>& to, Ref<Error>* error) const {
  return copyItemAtPath(from ? from->path() : String(), to ? to->path() : String(), error);
}

Ref<URL> FileManager::temporaryDirectory() const { return URL::fileURLWithPath(NSTemporaryDirectory(), true); }

std::vector<Ref<URL>> FileManager::URLsForDirectory(SearchPathDirectory directory, uint64_t domainMask) const {
  std::vector<Ref<URL>> out;
  for (auto& p : NSSearchPathForDirectoriesInDomains(directory, domainMask)) out.push_back(URL::fileURLWithPath(p, true));
  return out;
}

String FileManager::currentDirectoryPath() const {
  std::error_code ec;
  return String(fs::current_path(ec).string());
}

uint64_t fileSize(const Dictionary& attributes) {
  auto n = attributes.objectForKeyAs<Number>(NSFileSize);
  return n ? n->unsignedLongLongValue() : 0;
}

Ref<Date> fileModificationDate(const Dictionary& attributes) { return attributes.objectForKeyAs<Date>(NSFileModificationDate); }

String fileType(const Dictionary& attributes) {
  auto s = attributes.objectForKeyAs<StringObject>(NSFileType);
  return s ? s->string() : String();
}

// --- whole-file data

Ref<Data> dataWithContentsOfFile(const String& path, Ref<Error>* error) {
  int fd = ::open(path.utf8().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    setError(error, fileError(errno, path, false));
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    setError(error, fileError(EISDIR, path, false));
    return nullptr;
  }
  std::vector<uint8_t> bytes;
  if (st.st_size > 0) bytes.reserve(size_t(st.st_size));
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int e = errno;
      ::close(fd);
      setError(error, fileError(e, path, false));
      return nullptr;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  ::close(fd);
  return Data::create(std::move(bytes));
}

namespace {
bool writeAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return false;
    p += w;
    n -= size_t(w);
  }
  return true;
}
std::atomic<uint64_t> tempCounter{0};
}  // namespace

bool writeDataToFile(const Data& data, const String& path, bool atomically, Ref<Error>* error) {
  std::string target = path.utf8();
  std::string written = target;
  if (atomically)
    written = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(tempCounter.fetch_add(1));
  int fd = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    setError(error, fileError(errno, path, true));
    return false;
  }
  bool ok = writeAll(fd, data.bytes(), data.length());
  int e = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    e = errno;
  }
  if (ok && atomically && ::rename(written.c_str(), target.c_str()) != 0) {
    ok = false;
    e = errno;
  }
  if (!ok) {
    if (atomically) ::unlink(written.c_str());
    setError(error, fileError(e, path, true));
  }
  return ok;
}

}  // namespace fd
