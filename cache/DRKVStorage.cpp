#include "cache/DRKVStorage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/values/UUID.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/host/Application.h"

namespace cache {

namespace fs = std::filesystem;

RT_IMPLEMENT(DRKVStorageItem) {}
RT_IMPLEMENT(DRKVStorage) {}

namespace {

constexpr size_t kMaxPathLength = 960;
constexpr int kBusyWaitMilliseconds = 5000;
// Callers say "no limit" with the largest 32-bit or the largest 64-bit signed value.
bool isNoLimit(int64_t value) { return value == INT32_MAX || value == INT64_MAX; }
constexpr const char* kInitScript =
    "pragma journal_mode = wal; pragma synchronous = normal; create table if not exists manifest (key text, "
    "filename text, size integer, inline_data blob, modification_time integer, last_access_time integer, "
    "extended_data blob, primary key(key)); create index if not exists last_access_time_idx on "
    "manifest(last_access_time);";

int64_t now() { return static_cast<int64_t>(::time(nullptr)); }

std::string joinedKeys(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += i ? ",?" : "?";
  return s;
}

bool empty(const Ref<fd::Data>& d) { return !d || d->length() == 0; }

// Resets a cached statement when its use ends: a statement left on a row holds a read snapshot,
// and a connection on an old snapshot cannot write.
struct ResetOnExit {
  sqlite3_stmt* stmt;
  ~ResetOnExit() {
    if (stmt) sqlite3_reset(stmt);
  }
};

}  // namespace

void DRKVStorage::init() {
  rt::raise("DRKVStorage init error", "Please use the designated initializer and pass the 'path' and 'type'.");
}

Ref<DRKVStorage> DRKVStorage::storageWithPath(const String& path, uint32_t type) {
  if (path.length() == 0 || path.length() > kMaxPathLength) {
    fd::NSLog("DRKVStorage init error: invalid path: [%@].", path);
    return nullptr;
  }
  if (type > DRKVFilesAndDatabase) {
    fd::NSLog("DRKVStorage init error: invalid type: %lu.", static_cast<unsigned long>(type));
    return nullptr;
  }
  // Made without the raising initializer.
  auto s = std::shared_ptr<DRKVStorage>(new DRKVStorage());
  s->path_ = path;
  s->type_ = static_cast<DRKVStorageType>(type);
  fs::path base(path.utf8());
  s->dbPath_ = (base / "manifest.sqlite").string();
  s->dataPath_ = (base / "data").string();
  s->trashPath_ = (base / "trash").string();
  s->trashQueue_ = dispatch::Queue::createSerial("com.kestrum.cache.disk.trash");
  for (const fs::path& folder : {base, fs::path(s->dataPath_), fs::path(s->trashPath_)}) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
      fd::NSLog("DRKVStorage init error:%@", String(ec ? ec.message() : "not a folder: " + folder.string()));
      return nullptr;
    }
  }
  if (!s->dbOpen() || !s->dbInitialize()) {
    s->dbClose();
    if (s->busy_) {
      // Another connection (a second cache on this folder, another process) held the manifest
      // past the wait: its contents are sound and are kept.
      fd::NSLog("DRKVStorage init error: the manifest in [%@] is busy.", path);
      return nullptr;
    }
    fd::NSLog("DRKVStorage: the manifest in [%@] cannot be used; the storage starts empty.", path);
    s->reset();
    if (!s->dbOpen() || !s->dbInitialize()) {
      s->dbClose();
      fd::NSLog("DRKVStorage init error: fail to open sqlite db.");
      return nullptr;
    }
  }
  // Temporary files of writes that a crash interrupted are never part of a value.
  std::error_code ec;
  for (auto it = fs::directory_iterator(s->dataPath_, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() > 1 && name[0] == '.' && name.find(".tmp") != std::string::npos) fs::remove(it->path(), ec);
  }
  s->fileEmptyTrashInBackground();
  rt::Weak<DRKVStorage> weak = s;
  s->terminationObserver_ = fd::NotificationCenter::defaultCenter()->addObserverForName(
      String(ui::UIApplicationWillTerminateNotification), nullptr, nullptr, [weak](const Ref<fd::Notification>&) {
        if (auto strong = weak.lock()) strong->invalidate();
      });
  return s;
}

DRKVStorage::~DRKVStorage() {
  if (terminationObserver_) fd::NotificationCenter::defaultCenter()->removeObserver(terminationObserver_);
  invalidated_ = false;  // the connection closes whatever happened before
  dbClose();
}

void DRKVStorage::invalidate() {
  std::lock_guard guard(stateLock_);
  invalidated_ = true;
}

void DRKVStorage::noteResult(int code) {
  const int primary = code & 0xFF;
  if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) damaged_ = true;
  busy_ = primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

void DRKVStorage::recoverIfDamaged() {
  if (!damaged_ || !dbIsReady()) return;
  damaged_ = false;
  fd::NSLog("DRKVStorage: the manifest in [%@] is damaged; the storage starts empty.", path_);
  dbClose();
  reset();
  if (dbOpen()) dbInitialize();
}

void DRKVStorage::logError(const char* operation, int line, const char* format, int code) {
  noteResult(code);
  if (!errorLogsEnabled_) return;
  std::string name = std::string("-[DRKVStorage ") + operation + "]";
  fd::NSLog(String(format), name.c_str(), line, code, db_ ? sqlite3_errmsg(db_) : "");
}

// --- database ---------------------------------------------------------------------------------

bool DRKVStorage::dbOpen() {
  {
    std::lock_guard guard(stateLock_);
    if (invalidated_ || closing_ || db_) return !invalidated_ && !closing_;
  }
  sqlite3* db = nullptr;
  int result = sqlite3_open(dbPath_.c_str(), &db);
  if (result != SQLITE_OK) {
    fd::NSLog("%s line:%d sqlite open failed (%d).", "-[DRKVStorage _dbOpen]", 87, result);
    if (db) sqlite3_close(db);
    return false;
  }
  // A connection that is writing locks the file for a moment: wait for it rather than fail.
  sqlite3_busy_timeout(db, kBusyWaitMilliseconds);
  db_ = db;
  stmtCache_.clear();
  return true;
}

bool DRKVStorage::dbClose() {
  {
    std::lock_guard guard(stateLock_);
    if (!db_ || invalidated_ || closing_) return true;
    closing_ = true;
  }
  for (auto& [sql, stmt] : stmtCache_) sqlite3_finalize(stmt);
  stmtCache_.clear();
  int result = sqlite3_close(db_);
  if (result == SQLITE_BUSY || result == SQLITE_LOCKED) {
    while (sqlite3_stmt* stmt = sqlite3_next_stmt(db_, nullptr)) sqlite3_finalize(stmt);
    result = sqlite3_close(db_);
  }
  if (result != SQLITE_OK) fd::NSLog("%s line:%d sqlite close failed (%d).", "-[DRKVStorage _dbClose]", 127, result);
  db_ = nullptr;
  std::lock_guard guard(stateLock_);
  closing_ = false;
  return true;
}

bool DRKVStorage::dbInitialize() { return dbExecute(kInitScript); }

bool DRKVStorage::dbIsReady() const { return db_ && !closing_ && !invalidated_; }

bool DRKVStorage::dbExecute(const char* sql) {
  if (!sql || !*sql || !dbIsReady()) return false;
  char* error = nullptr;
  int result = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
  noteResult(result);
  if (error) {
    if (errorLogsEnabled_)
      fd::NSLog("%s line:%d sqlite exec error (%d): %s", "-[DRKVStorage _dbExecute:]", 155, result, error);
    sqlite3_free(error);
  }
  return result == SQLITE_OK;
}

sqlite3_stmt* DRKVStorage::dbPrepareStmt(const char* sql) {
  if (!dbIsReady() || !sql) return nullptr;
  auto it = stmtCache_.find(sql);
  if (it != stmtCache_.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  sqlite3_stmt* stmt = nullptr;
  int result = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
  if (result != SQLITE_OK) {
    logError("_dbPrepareStmt:", 168, "%s line:%d sqlite stmt prepare error (%d): %s", result);
    return nullptr;
  }
  stmtCache_[sql] = stmt;
  return stmt;
}

bool DRKVStorage::dbStep(sqlite3_stmt* stmt, const char* operation, int line, const char* what) {
  int result = sqlite3_step(stmt);
  if (result == SQLITE_DONE) return true;
  // Anything but done is a failure, whatever the statement was.
  logError(operation, line, (std::string("%s line:%d ") + what + " (%d): %s").c_str(), result);
  return false;
}

sqlite3_stmt* DRKVStorage::prepareForKeys(const std::string& format, const std::vector<String>& keys, int firstIndex,
                                          const char* operation, int line) {
  if (!dbIsReady()) return nullptr;
  std::string sql = format;
  sql.replace(sql.find("%@"), 2, joinedKeys(keys.size()));
  sqlite3_stmt* stmt = nullptr;
  int result = sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr);
  if (result != SQLITE_OK) {
    logError(operation, line, "%s line:%d sqlite stmt prepare error (%d): %s", result);
    return nullptr;
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    std::string k = keys[i].utf8();
    sqlite3_bind_text(stmt, firstIndex + static_cast<int>(i), k.c_str(), -1, SQLITE_TRANSIENT);
  }
  return stmt;
}

bool DRKVStorage::dbSave(const String& key, const Ref<fd::Data>& value, const String& filename,
                         const Ref<fd::Data>& extended) {
  sqlite3_stmt* stmt = dbPrepareStmt(
      "insert or replace into manifest (key, filename, size, inline_data, modification_time, last_access_time, "
      "extended_data) values (?1, ?2, ?3, ?4, ?5, ?6, ?7);");
  if (!stmt) return false;
  ResetOnExit resetOnExit{stmt};
  std::string k = key.utf8(), f = filename.utf8();
  int64_t t = now();
  sqlite3_bind_text(stmt, 1, k.c_str(), -1, SQLITE_TRANSIENT);
  if (filename.isEmpty()) sqlite3_bind_null(stmt, 2);
  else sqlite3_bind_text(stmt, 2, f.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(stmt, 3, static_cast<int64_t>(value->length()));
  if (filename.isEmpty()) sqlite3_bind_blob64(stmt, 4, value->view().data(), value->length(), SQLITE_TRANSIENT);
  else sqlite3_bind_null(stmt, 4);
  sqlite3_bind_int64(stmt, 5, t);
  sqlite3_bind_int64(stmt, 6, t);
  if (empty(extended)) sqlite3_bind_null(stmt, 7);
  else sqlite3_bind_blob64(stmt, 7, extended->view().data(), extended->length(), SQLITE_TRANSIENT);
  return dbStep(stmt, "_dbSaveWithKey:value:fileName:extendedData:", 216, "sqlite insert error");
}

bool DRKVStorage::dbUpdateAccessTime(const String& key) {
  sqlite3_stmt* stmt = dbPrepareStmt("update manifest set last_access_time = ?1 where key = ?2;");
  if (!stmt) return false;
  ResetOnExit resetOnExit{stmt};
  std::string k = key.utf8();
  sqlite3_bind_int64(stmt, 1, now());
  sqlite3_bind_text(stmt, 2, k.c_str(), -1, SQLITE_TRANSIENT);
  return dbStep(stmt, "_dbUpdateAccessTimeWithKey:", 230, "sqlite update error");
}

bool DRKVStorage::dbUpdateAccessTimes(const std::vector<String>& keys) {
  std::string sql = "update manifest set last_access_time = " + std::to_string(now()) + " where key in (%@);";
  sqlite3_stmt* stmt = prepareForKeys(sql, keys, 1, "_dbUpdateAccessTimeWithKeys:", 244);
  if (!stmt) return false;
  bool ok = dbStep(stmt, "_dbUpdateAccessTimeWithKeys:", 252, "sqlite update error");
  sqlite3_finalize(stmt);
  return ok;
}

bool DRKVStorage::dbDeleteItem(const String& key) {
  sqlite3_stmt* stmt = dbPrepareStmt("delete from manifest where key = ?1;");
  if (!stmt) return false;
  ResetOnExit resetOnExit{stmt};
  std::string k = key.utf8();
  sqlite3_bind_text(stmt, 1, k.c_str(), -1, SQLITE_TRANSIENT);
  return dbStep(stmt, "_dbDeleteItemWithKey:", 266, "db delete error");
}

bool DRKVStorage::dbDeleteItems(const std::vector<String>& keys) {
  sqlite3_stmt* stmt = prepareForKeys("delete from manifest where key in (%@);", keys, 1, "_dbDeleteItemWithKeys:", 278);
  if (!stmt) return false;
  bool ok = dbStep(stmt, "_dbDeleteItemWithKeys:", 286, "sqlite delete error");
  sqlite3_finalize(stmt);
  return ok;
}

bool DRKVStorage::dbDeleteItemsWhere(const char* sql, int64_t bound, const char* operation, int line) {
  sqlite3_stmt* stmt = dbPrepareStmt(sql);
  if (!stmt) return false;
  ResetOnExit resetOnExit{stmt};
  sqlite3_bind_int64(stmt, 1, bound);
  return dbStep(stmt, operation, line, "sqlite delete error");
}

Ref<DRKVStorageItem> DRKVStorage::itemFromStmt(sqlite3_stmt* stmt, bool excludeInlineData) {
  auto item = rt::make<DRKVStorageItem>();
  auto text = [&](int col) -> String {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
    return p ? String(p) : String();
  };
  auto blob = [&](int col) -> Ref<fd::Data> {
    const void* p = sqlite3_column_blob(stmt, col);
    int n = sqlite3_column_bytes(stmt, col);
    return p && n > 0 ? fd::Data::create(p, static_cast<size_t>(n)) : nullptr;
  };
  int i = 0;
  item->key = text(i++);
  item->filename = text(i++);
  item->size = sqlite3_column_int64(stmt, i++);
  if (!excludeInlineData) item->value = blob(i++);
  item->modTime = sqlite3_column_int64(stmt, i++);
  item->accessTime = sqlite3_column_int64(stmt, i++);
  item->extendedData = blob(i++);
  return item;
}

Ref<DRKVStorageItem> DRKVStorage::dbGetItem(const String& key, bool excludeInlineData) {
  sqlite3_stmt* stmt = dbPrepareStmt(
      excludeInlineData
          ? "select key, filename, size, modification_time, last_access_time, extended_data from manifest where key = ?1;"
          : "select key, filename, size, inline_data, modification_time, last_access_time, extended_data from manifest "
            "where key = ?1;");
  if (!stmt) return nullptr;
  ResetOnExit resetOnExit{stmt};
  std::string k = key.utf8();
  sqlite3_bind_text(stmt, 1, k.c_str(), -1, SQLITE_TRANSIENT);
  int result = sqlite3_step(stmt);
  if (result == SQLITE_ROW) return itemFromStmt(stmt, excludeInlineData);
  if (result != SQLITE_DONE) logError("_dbGetItemWithKey:excludeInlineData:", 353, "%s line:%d sqlite query error (%d): %s", result);
  return nullptr;
}

std::optional<std::vector<Ref<DRKVStorageItem>>> DRKVStorage::dbGetItems(const std::vector<String>& keys,
                                                                         bool excludeInlineData) {
  std::string sql = excludeInlineData
                        ? "select key, filename, size, modification_time, last_access_time, extended_data from manifest "
                          "where key in (%@);"
                        : "select key, filename, size, inline_data, modification_time, last_access_time, extended_data "
                          "from manifest where key in (%@)";
  sqlite3_stmt* stmt = prepareForKeys(sql, keys, 1, "_dbGetItemWithKeys:excludeInlineData:", 371);
  if (!stmt) return std::nullopt;
  std::vector<Ref<DRKVStorageItem>> items;
  int result;
  while ((result = sqlite3_step(stmt)) == SQLITE_ROW) items.push_back(itemFromStmt(stmt, excludeInlineData));
  sqlite3_finalize(stmt);
  if (result != SQLITE_DONE) {
    logError("_dbGetItemWithKeys:excludeInlineData:", 385, "%s line:%d sqlite query error (%d): %s", result);
    return std::nullopt;
  }
  return items;
}

Ref<fd::Data> DRKVStorage::dbGetValue(const String& key) {
  sqlite3_stmt* stmt = dbPrepareStmt("select inline_data from manifest where key = ?1;");
  if (!stmt) return nullptr;
  ResetOnExit resetOnExit{stmt};
  std::string k = key.utf8();
  sqlite3_bind_text(stmt, 1, k.c_str(), -1, SQLITE_TRANSIENT);
  int result = sqlite3_step(stmt);
  if (result == SQLITE_ROW) {
    const void* p = sqlite3_column_blob(stmt, 0);
    int n = sqlite3_column_bytes(stmt, 0);
    return p && n > 0 ? fd::Data::create(p, static_cast<size_t>(n)) : nullptr;
  }
  if (result != SQLITE_DONE) logError("_dbGetValueWithKey:", 408, "%s line:%d sqlite query error (%d): %s", result);
  return nullptr;
}

String DRKVStorage::dbGetFilename(const String& key) {
  sqlite3_stmt* stmt = dbPrepareStmt("select filename from manifest where key = ?1;");
  if (!stmt) return String();
  ResetOnExit resetOnExit{stmt};
  std::string k = key.utf8();
  sqlite3_bind_text(stmt, 1, k.c_str(), -1, SQLITE_TRANSIENT);
  int result = sqlite3_step(stmt);
  if (result == SQLITE_ROW) {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    return p ? String(p) : String();
  }
  if (result != SQLITE_DONE) logError("_dbGetFilenameWithKey:", 427, "%s line:%d sqlite query error (%d): %s", result);
  return String();
}

namespace {
std::optional<std::vector<String>> collectNames(sqlite3_stmt* stmt, int* resultOut) {
  std::vector<String> names;
  int result;
  while ((result = sqlite3_step(stmt)) == SQLITE_ROW) {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    if (p && *p) names.emplace_back(p);
  }
  *resultOut = result;
  if (result != SQLITE_DONE) return std::nullopt;
  return names;
}
}  // namespace

std::optional<std::vector<String>> DRKVStorage::dbGetFilenames(const std::vector<String>& keys) {
  sqlite3_stmt* stmt = prepareForKeys("select filename from manifest where key in (%@);", keys, 1,
                                      "_dbGetFilenameWithKeys:", 439);
  if (!stmt) return std::nullopt;
  int result;
  auto names = collectNames(stmt, &result);
  sqlite3_finalize(stmt);
  if (!names) logError("_dbGetFilenameWithKeys:", 456, "%s line:%d sqlite query error (%d): %s", result);
  return names;
}

std::optional<std::vector<String>> DRKVStorage::dbGetFilenamesWhere(const char* sql, int64_t bound,
                                                                    const char* operation, int line) {
  sqlite3_stmt* stmt = dbPrepareStmt(sql);
  if (!stmt) return std::nullopt;
  ResetOnExit resetOnExit{stmt};
  sqlite3_bind_int64(stmt, 1, bound);
  int result;
  auto names = collectNames(stmt, &result);
  if (!names) logError(operation, line, "%s line:%d sqlite query error (%d): %s", result);
  return names;
}

std::optional<std::vector<Ref<DRKVStorageItem>>> DRKVStorage::dbGetLeastRecentlyUsed(int limit) {
  // Oldest access first, so that trims keep what is in use.
  sqlite3_stmt* stmt =
      dbPrepareStmt("select key, filename, size from manifest order by last_access_time asc, rowid asc limit ?1;");
  if (!stmt) return std::nullopt;
  ResetOnExit resetOnExit{stmt};
  sqlite3_bind_int(stmt, 1, limit);
  std::vector<Ref<DRKVStorageItem>> items;
  int result;
  while ((result = sqlite3_step(stmt)) == SQLITE_ROW) {
    auto item = rt::make<DRKVStorageItem>();
    auto k = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    auto f = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
    if (k) item->key = String(k);
    if (f) item->filename = String(f);
    item->size = sqlite3_column_int64(stmt, 2);
    items.push_back(item);
  }
  if (result != SQLITE_DONE) {
    logError("_dbGetItemSizeInfoOrderByTimeDescWithLimit:", 538, "%s line:%d sqlite query error (%d): %s", result);
    return std::nullopt;
  }
  return items;
}

int64_t DRKVStorage::dbGetInteger(const char* sql, const String* key, const char* operation, int line) {
  sqlite3_stmt* stmt = dbPrepareStmt(sql);
  if (!stmt) return -1;
  ResetOnExit resetOnExit{stmt};
  std::string k = key ? key->utf8() : std::string();
  if (key) sqlite3_bind_text(stmt, 1, k.c_str(), -1, SQLITE_TRANSIENT);
  int result = sqlite3_step(stmt);
  if (result != SQLITE_ROW) {
    logError(operation, line, "%s line:%d sqlite query error (%d): %s", result);
    return -1;
  }
  return sqlite3_column_int64(stmt, 0);
}

// --- files ------------------------------------------------------------------------------------

bool DRKVStorage::fileWrite(const String& name, const Ref<fd::Data>& data) {
  if (invalidated_) return false;
  fs::path target = fs::path(dataPath_) / name.utf8();
  static thread_local std::mt19937_64 random{std::random_device{}()};
  std::string temporaryName = ".";
  temporaryName += name.utf8();
  temporaryName += ".tmp";
  temporaryName += std::to_string(random());
  fs::path temporary = fs::path(dataPath_) / temporaryName;
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const char* p = data->view().data();
  size_t left = data->length();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n <= 0) {
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  // The rename makes the whole value appear at once: a reader never sees half of it.
  if (!ok || ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

Ref<fd::Data> DRKVStorage::fileRead(const String& name) {
  if (invalidated_) return nullptr;
  std::ifstream in(fs::path(dataPath_) / name.utf8(), std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return nullptr;
  return fd::Data::create(std::move(bytes));
}

bool DRKVStorage::fileDelete(const String& name) {
  if (invalidated_) return false;
  std::error_code ec;
  return fs::remove(fs::path(dataPath_) / name.utf8(), ec);
}

bool DRKVStorage::fileMoveAllToTrash() {
  if (invalidated_) return false;
  std::error_code ec;
  fs::rename(dataPath_, fs::path(trashPath_) / fd::UUID::create()->UUIDString().utf8(), ec);
  if (ec) return false;
  return fs::create_directories(dataPath_, ec) && !ec;
}

void DRKVStorage::fileEmptyTrashInBackground() {
  std::string trash = trashPath_;
  trashQueue_->async([trash] {
    std::error_code ec;
    for (auto it = fs::directory_iterator(trash, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  });
}

void DRKVStorage::reset() {
  std::error_code ec;
  for (const char* name : {"manifest.sqlite", "manifest.sqlite-shm", "manifest.sqlite-wal"})
    fs::remove(fs::path(path_.utf8()) / name, ec);
  fileMoveAllToTrash();
  fileEmptyTrashInBackground();
}

// --- public operations ---------------------------------------------------------------------

bool DRKVStorage::saveItem(const DRKVStorageItem& item) { return saveItem(item.key, item.value, item.filename, item.extendedData); }

bool DRKVStorage::saveItem(const String& key, const Ref<fd::Data>& value) { return saveItem(key, value, String(), nullptr); }

bool DRKVStorage::saveItem(const String& key, const Ref<fd::Data>& value, const String& filename,
                           const Ref<fd::Data>& extendedData) {
  recoverIfDamaged();
  if (key.isEmpty() || empty(value)) return false;
  if (type_ == DRKVFilesOnly && filename.isEmpty()) return false;
  if (!filename.isEmpty()) {
    if (!fileWrite(filename, value)) return false;
    if (!dbSave(key, value, filename, extendedData)) {
      fileDelete(filename);
      return false;
    }
    return true;
  }
  if (type_ != DRKVDatabaseOnly) {
    String old = dbGetFilename(key);
    if (!old.isEmpty()) fileDelete(old);
  }
  return dbSave(key, value, String(), extendedData);
}

bool DRKVStorage::removeItemForKey(const String& key) {
  recoverIfDamaged();
  if (key.isEmpty()) return false;
  if (type_ != DRKVDatabaseOnly) {
    String name = dbGetFilename(key);
    if (!name.isEmpty()) fileDelete(name);
  }
  return dbDeleteItem(key);
}

bool DRKVStorage::removeItemForKeys(const std::vector<String>& keys) {
  recoverIfDamaged();
  if (keys.empty()) return false;
  if (type_ != DRKVDatabaseOnly)
    if (auto names = dbGetFilenames(keys))
      for (const String& n : *names) fileDelete(n);
  return dbDeleteItems(keys);
}

bool DRKVStorage::removeItemsLargerThanSize(int64_t size) {
  recoverIfDamaged();
  if (isNoLimit(size)) return true;
  if (size <= 0) return removeAllItems();
  if (type_ != DRKVDatabaseOnly)
    if (auto names = dbGetFilenamesWhere("select filename from manifest where size > ?1 and filename is not null;", size,
                                         "_dbGetFilenamesWithSizeLargerThan:", 483))
      for (const String& n : *names) fileDelete(n);
  return dbDeleteItemsWhere("delete from manifest where size > ?1;", size, "_dbDeleteItemsWithSizeLargerThan:", 299);
}

bool DRKVStorage::removeItemsEarlierThanTime(int64_t time) {
  recoverIfDamaged();
  if (time <= 0) return true;
  if (isNoLimit(time)) return removeAllItems();
  if (type_ != DRKVDatabaseOnly)
    if (auto names = dbGetFilenamesWhere(
            "select filename from manifest where last_access_time < ?1 and filename is not null;", time,
            "_dbGetFilenamesWithTimeEarlierThan:", 509))
      for (const String& n : *names) fileDelete(n);
  return dbDeleteItemsWhere("delete from manifest where last_access_time < ?1;", time,
                            "_dbDeleteItemsWithTimeEarlierThan:", 312);
}

bool DRKVStorage::removeToFit(bool bySize, int64_t limit) {
  recoverIfDamaged();
  if (isNoLimit(limit)) return true;
  if (limit <= 0) return removeAllItems();
  int64_t total = bySize ? getItemsSize() : getItemsCount();
  if (total < 0) return false;
  if (total <= limit) return true;
  bool ok = false;
  for (;;) {
    auto batch = dbGetLeastRecentlyUsed(16);
    if (!batch || batch->empty()) break;
    for (const auto& item : *batch) {
      if (total <= limit) break;
      if (!item->filename.isEmpty()) fileDelete(item->filename);
      ok = dbDeleteItem(item->key);
      total -= bySize ? item->size : 1;
      if (!ok) break;
    }
    if (total <= limit || !ok) break;
  }
  return ok;
}

bool DRKVStorage::removeItemsToFitSize(int64_t maxSize) { return removeToFit(true, maxSize); }
bool DRKVStorage::removeItemsToFitCount(int64_t maxCount) { return removeToFit(false, maxCount); }

bool DRKVStorage::removeAllItems() {
  // An invalidated storage refuses: the files of a terminating process are left alone.
  if (invalidated_) return false;
  if (!dbClose()) return false;
  reset();
  damaged_ = false;
  if (!dbOpen()) return false;
  return dbInitialize();
}

void DRKVStorage::removeAllItems(const std::function<void(int64_t, int64_t)>& progress,
                                 const std::function<void(bool)>& end) {
  int64_t total = getItemsCount();
  if (total <= 0) {
    if (end) end(total < 0);
    return;
  }
  int64_t left = total;
  bool ok = false;
  for (;;) {
    auto batch = dbGetLeastRecentlyUsed(32);
    if (!batch || batch->empty()) break;
    for (const auto& item : *batch) {
      if (left <= 0) break;
      if (!item->filename.isEmpty()) fileDelete(item->filename);
      ok = dbDeleteItem(item->key);
      --left;
      if (!ok) break;
    }
    if (progress) progress(total - left, total);
    if (left <= 0 || !ok) break;
  }
  if (end) end(!ok);
}

Ref<DRKVStorageItem> DRKVStorage::getItemForKey(const String& key) {
  recoverIfDamaged();
  if (key.isEmpty()) return nullptr;
  auto item = dbGetItem(key, false);
  if (!item) return nullptr;
  dbUpdateAccessTime(key);
  if (!item->filename.isEmpty()) {
    item->value = fileRead(item->filename);
    if (!item->value) {
      dbDeleteItem(key);
      return nullptr;
    }
  }
  return item;
}

Ref<DRKVStorageItem> DRKVStorage::getItemInfoForKey(const String& key) {
  recoverIfDamaged();
  return key.isEmpty() ? nullptr : dbGetItem(key, true);
}

Ref<fd::Data> DRKVStorage::getItemValueForKey(const String& key) {
  recoverIfDamaged();
  if (key.isEmpty()) return nullptr;
  Ref<fd::Data> value;
  if (type_ == DRKVDatabaseOnly) {
    value = dbGetValue(key);
  } else {
    String name = dbGetFilename(key);
    if (!name.isEmpty()) {
      value = fileRead(name);
      if (!value) {
        dbDeleteItem(key);
        return nullptr;
      }
    } else if (type_ == DRKVFilesAndDatabase) {
      value = dbGetValue(key);
    }
  }
  if (value) dbUpdateAccessTime(key);
  return value;
}

std::vector<Ref<DRKVStorageItem>> DRKVStorage::getItemForKeys(const std::vector<String>& keys) {
  recoverIfDamaged();
  if (keys.empty()) return {};
  auto items = dbGetItems(keys, false);
  if (!items) return {};
  if (type_ != DRKVDatabaseOnly) {
    std::vector<Ref<DRKVStorageItem>> kept;
    for (auto& item : *items) {
      if (!item->filename.isEmpty()) {
        item->value = fileRead(item->filename);
        if (!item->value) {
          dbDeleteItem(item->key);
          continue;
        }
      }
      kept.push_back(item);
    }
    *items = std::move(kept);
  }
  if (!items->empty()) dbUpdateAccessTimes(keys);
  return *items;
}

std::vector<Ref<DRKVStorageItem>> DRKVStorage::getItemInfoForKeys(const std::vector<String>& keys) {
  recoverIfDamaged();
  if (keys.empty()) return {};
  return dbGetItems(keys, true).value_or(std::vector<Ref<DRKVStorageItem>>{});
}

std::unordered_map<String, Ref<fd::Data>> DRKVStorage::getItemValueForKeys(const std::vector<String>& keys) {
  recoverIfDamaged();
  std::unordered_map<String, Ref<fd::Data>> values;
  for (auto& item : getItemForKeys(keys))
    if (!item->key.isEmpty() && item->value) values[item->key] = item->value;
  return values;
}

bool DRKVStorage::itemExistsForKey(const String& key) {
  recoverIfDamaged();
  if (key.isEmpty()) return false;
  return dbGetInteger("select count(key) from manifest where key = ?1;", &key, "_dbGetItemCountWithKey:", 553) > 0;
}

int64_t DRKVStorage::getItemsCount() {
  recoverIfDamaged();
  return dbGetInteger("select count(*) from manifest;", nullptr, "_dbGetTotalItemCount", 577);
}

int64_t DRKVStorage::getItemsSize() {
  recoverIfDamaged();
  return dbGetInteger("select sum(size) from manifest;", nullptr, "_dbGetTotalItemSize", 565);
}

}  // namespace cache
