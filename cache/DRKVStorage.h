#pragma once
// Byte values under string keys in one folder: an SQLite manifest (write-ahead log, synchronous
// normal) holds each record's metadata and small values; larger values are files in "data",
// written to a temporary name and renamed so that a crash never leaves half a value; thrown-away
// data folders go to "trash" and are deleted in the background. One caller at a time (the disk
// cache serialises every call); the termination notice may arrive from the main thread.
#include <sqlite3.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/values/Data.h"

namespace cache {

using rt::String;

enum DRKVStorageType : uint32_t { DRKVFilesOnly = 0, DRKVDatabaseOnly = 1, DRKVFilesAndDatabase = 2 };

class DRKVStorageItem : public rt::Object {
  RT_CLASS(DRKVStorageItem, rt::Object)
 public:
  String key;
  Ref<fd::Data> value;     // null in record information
  String filename;         // empty for inline values
  int64_t size = 0;        // bytes of the value
  int64_t modTime = 0;     // Unix seconds
  int64_t accessTime = 0;  // Unix seconds
  Ref<fd::Data> extendedData;
};

class DRKVStorage : public rt::Object {
  RT_CLASS(DRKVStorage, rt::Object)
 public:
  /// Raises: a path and a type are needed.
  void init();
  /// Null (with a log line) for an empty path or one over 960 characters, a type above 2, or
  /// folders that cannot be made. A manifest that cannot be used, found now or by a later
  /// operation, is thrown away with every value (and logged): the storage goes on empty.
  static Ref<DRKVStorage> storageWithPath(const String& path, uint32_t type);
  ~DRKVStorage() override;

  const String& path() const { return path_; }
  DRKVStorageType type() const { return type_; }
  bool errorLogsEnabled() const { return errorLogsEnabled_; }
  void setErrorLogsEnabled(bool on) { errorLogsEnabled_ = on; }

  bool saveItem(const DRKVStorageItem& item);
  bool saveItem(const String& key, const Ref<fd::Data>& value);
  bool saveItem(const String& key, const Ref<fd::Data>& value, const String& filename, const Ref<fd::Data>& extendedData);

  bool removeItemForKey(const String& key);
  bool removeItemForKeys(const std::vector<String>& keys);
  bool removeItemsLargerThanSize(int64_t size);
  bool removeItemsEarlierThanTime(int64_t time);
  /// Remove the least recently used records until the total size (count) fits.
  bool removeItemsToFitSize(int64_t maxSize);
  bool removeItemsToFitCount(int64_t maxCount);
  bool removeAllItems();
  void removeAllItems(const std::function<void(int64_t removed, int64_t total)>& progress,
                      const std::function<void(bool error)>& end);

  Ref<DRKVStorageItem> getItemForKey(const String& key);
  Ref<DRKVStorageItem> getItemInfoForKey(const String& key);
  Ref<fd::Data> getItemValueForKey(const String& key);
  std::vector<Ref<DRKVStorageItem>> getItemForKeys(const std::vector<String>& keys);
  std::vector<Ref<DRKVStorageItem>> getItemInfoForKeys(const std::vector<String>& keys);
  std::unordered_map<String, Ref<fd::Data>> getItemValueForKeys(const std::vector<String>& keys);
  bool itemExistsForKey(const String& key);
  /// -1 on a database error.
  int64_t getItemsCount();
  int64_t getItemsSize();

  /// What the termination notice does: from now on every operation refuses to work and every
  /// record and file stays as it is.
  void invalidate();
  bool isInvalidated() const { return invalidated_.load(); }

 private:
  bool dbOpen();
  bool dbClose();
  bool dbInitialize();
  bool dbIsReady() const;
  bool dbExecute(const char* sql);
  sqlite3_stmt* dbPrepareStmt(const char* sql);
  bool dbStep(sqlite3_stmt* stmt, const char* operation, int line, const char* what);
  bool dbSave(const String& key, const Ref<fd::Data>& value, const String& filename, const Ref<fd::Data>& extended);
  bool dbUpdateAccessTime(const String& key);
  bool dbUpdateAccessTimes(const std::vector<String>& keys);
  bool dbDeleteItem(const String& key);
  bool dbDeleteItems(const std::vector<String>& keys);
  bool dbDeleteItemsWhere(const char* sql, int64_t bound, const char* operation, int line);
  Ref<DRKVStorageItem> dbGetItem(const String& key, bool excludeInlineData);
  std::optional<std::vector<Ref<DRKVStorageItem>>> dbGetItems(const std::vector<String>& keys, bool excludeInlineData);
  Ref<fd::Data> dbGetValue(const String& key);
  String dbGetFilename(const String& key);
  std::optional<std::vector<String>> dbGetFilenames(const std::vector<String>& keys);
  std::optional<std::vector<String>> dbGetFilenamesWhere(const char* sql, int64_t bound, const char* operation, int line);
  std::optional<std::vector<Ref<DRKVStorageItem>>> dbGetLeastRecentlyUsed(int limit);
  int64_t dbGetInteger(const char* sql, const String* key, const char* operation, int line);
  Ref<DRKVStorageItem> itemFromStmt(sqlite3_stmt* stmt, bool excludeInlineData);
  sqlite3_stmt* prepareForKeys(const std::string& format, const std::vector<String>& keys, int firstIndex,
                               const char* operation, int line);

  bool fileWrite(const String& name, const Ref<fd::Data>& data);
  Ref<fd::Data> fileRead(const String& name);
  bool fileDelete(const String& name);
  bool fileMoveAllToTrash();
  void fileEmptyTrashInBackground();
  void reset();
  bool removeToFit(bool bySize, int64_t limit);
  void logError(const char* operation, int line, const char* format, int code);
  /// Remembers a result that says the manifest is damaged.
  void noteResult(int code);
  /// Starts over empty when an earlier operation found the manifest damaged.
  void recoverIfDamaged();

  Ref<dispatch::Queue> trashQueue_;
  String path_;
  std::string dbPath_, dataPath_, trashPath_;
  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> stmtCache_;
  std::atomic<bool> invalidated_{false};
  std::atomic<bool> closing_{false};
  std::mutex stateLock_;
  bool errorLogsEnabled_ = true;
  bool damaged_ = false;
  bool busy_ = false;  // the last statement found the manifest locked by another connection
  DRKVStorageType type_ = DRKVFilesAndDatabase;
  rt::Id terminationObserver_;
};

}  // namespace cache
