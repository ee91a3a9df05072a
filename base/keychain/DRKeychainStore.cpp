#include "base/keychain/DRKeychainStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/foundation/files/Paths.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Number.h"

namespace base {
namespace {

enum class Kind { Text, Integer, Blob, Sync };

struct Column {
  const char* key;
  const char* name;
  Kind kind;
};

// The attributes an item keeps. Service, account and access group identify it.
const Column kColumns[] = {
    {kSecAttrService, "service", Kind::Text},   {kSecAttrAccount, "account", Kind::Text},
    {kSecAttrAccessGroup, "agrp", Kind::Text},  {kSecAttrSynchronizable, "sync", Kind::Sync},
    {kSecAttrAccessible, "pdmn", Kind::Text},   {kSecAttrLabel, "labl", Kind::Text},
    {kSecAttrType, "type", Kind::Integer},      {kSecAttrCreator, "crtr", Kind::Integer},
    {kSecAttrComment, "icmt", Kind::Text},      {kSecAttrDescription, "descr", Kind::Text},
    {kSecValueData, "data", Kind::Blob},
};

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS genp (service TEXT NOT NULL DEFAULT '', account TEXT NOT NULL DEFAULT '', "
    "agrp TEXT NOT NULL DEFAULT '', sync TEXT, pdmn TEXT, labl TEXT, type INTEGER, crtr INTEGER, icmt TEXT, "
    "descr TEXT, data BLOB, cdat REAL NOT NULL, mdat REAL NOT NULL, PRIMARY KEY (service, account, agrp))";

// A value bound to a statement; validated before any SQL runs.
struct Bound {
  const Column* column;
  std::optional<String> text;
  int64_t integer = 0;
  Ref<fd::Data> blob;
};

bool isKnownKey(const String& key) {
  for (const char* k : {kSecClass, kSecMatchLimit, kSecReturnAttributes, kSecReturnData, kSecAttrCreationDate,
                        kSecAttrModificationDate}) {
    if (key == k) return true;
  }
  for (const auto& c : kColumns) {
    if (key == c.key) return true;
  }
  return false;
}

std::optional<String> stringValue(const rt::Id& v) {
  if (auto s = rt::as<fd::StringObject>(v)) return s->string();
  return std::nullopt;
}

// Reads the item attributes of `dict`; errSecParam for a value of the wrong kind.
int32_t collect(const Ref<fd::Dictionary>& dict, std::vector<Bound>* out) {
  for (const auto& c : kColumns) {
    rt::Id v = dict->objectForKey(c.key);
    if (!v) continue;
    Bound b{&c, std::nullopt, 0, nullptr};
    switch (c.kind) {
      case Kind::Text:
        b.text = stringValue(v);
        if (!b.text) return errSecParam;
        break;
      case Kind::Integer: {
        auto n = rt::as<fd::Number>(v);
        if (!n) return errSecParam;
        b.integer = n->integerValue();
        break;
      }
      case Kind::Blob:
        b.blob = rt::as<fd::Data>(v);
        if (!b.blob) return errSecParam;
        break;
      case Kind::Sync:
        if (auto n = rt::as<fd::Number>(v)) b.text = n->boolValue() ? "1" : "0";
        else if (stringValue(v) == String(kSecAttrSynchronizableAny)) b.text = kSecAttrSynchronizableAny;
        else return errSecParam;
        break;
    }
    out->push_back(std::move(b));
  }
  return errSecSuccess;
}

int32_t checkClass(const Ref<fd::Dictionary>& dict) {
  if (!dict) return errSecParam;
  auto cls = stringValue(dict->objectForKey(kSecClass));
  if (!cls) return errSecParam;
  if (*cls != kSecClassGenericPassword) return errSecUnimplemented;
  for (const auto& key : dict->keys()) {
    auto k = stringValue(key);
    if (!k || !isKnownKey(*k)) return errSecParam;
  }
  return errSecSuccess;
}

void bind(sqlite3_stmt* st, int index, const Bound& b) {
  if (b.blob) sqlite3_bind_blob64(st, index, b.blob->bytes(), b.blob->length(), SQLITE_TRANSIENT);
  else if (b.text) sqlite3_bind_text(st, index, b.text->utf8().c_str(), -1, SQLITE_TRANSIENT);
  else sqlite3_bind_int64(st, index, b.integer);
}

// Synchronisation never narrows a search: it is stored, not enforced.
std::string whereClause(const std::vector<Bound>& bounds) {
  std::string sql = " WHERE 1";
  for (const auto& b : bounds) {
    if (b.column->kind == Kind::Sync) continue;
    sql += std::string(" AND ") + b.column->name + " = ?";
  }
  return sql;
}

int bindWhere(sqlite3_stmt* st, int index, const std::vector<Bound>& bounds) {
  for (const auto& b : bounds) {
    if (b.column->kind == Kind::Sync) continue;
    bind(st, index++, b);
  }
  return index;
}

struct Statement {
  sqlite3_stmt* st = nullptr;
  ~Statement() { sqlite3_finalize(st); }
};

double now() { return fd::Date::timeIntervalSinceReferenceDateNow(); }

int32_t statusOf(int rc) {
  if (rc == SQLITE_CONSTRAINT) return errSecDuplicateItem;
  return errSecIO;
}

}  // namespace

DRKeychainStore& DRKeychainStore::shared() {
  static DRKeychainStore store;
  return store;
}

DRKeychainStore::~DRKeychainStore() { close(); }

void DRKeychainStore::setPath(const String& path) {
  std::lock_guard lock(mutex_);
  close();
  path_ = path;
}

String DRKeychainStore::path() const {
  std::lock_guard lock(mutex_);
  return path_ ? *path_ : fd::applicationSupportDirectory().stringByAppendingPathComponent("keychain.sqlite");
}

void DRKeychainStore::close() {
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

int32_t DRKeychainStore::open() {
  if (db_) return errSecSuccess;
  std::string file = (path_ ? *path_ : fd::applicationSupportDirectory().stringByAppendingPathComponent("keychain.sqlite"))
                         .utf8();
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
  // The file is made owner-only before the database ever writes to it.
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return errSecIO;
  ::fchmod(fd, 0600);
  ::close(fd);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return errSecIO;
  }
  sqlite3_busy_timeout(db, 5000);
  // A damaged file fails here (not a database) or in the check; it is left for inspection.
  sqlite3_stmt* check = nullptr;
  bool healthy = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) == SQLITE_OK &&
                 sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
                 sqlite3_step(check) == SQLITE_ROW &&
                 std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
  sqlite3_finalize(check);
  if (!healthy) {
    sqlite3_close(db);
    return errSecIO;
  }
  db_ = db;
  return errSecSuccess;
}

int32_t DRKeychainStore::add(const Ref<fd::Dictionary>& attributes) {
  if (int32_t s = checkClass(attributes)) return s;
  std::vector<Bound> bounds;
  if (int32_t s = collect(attributes, &bounds)) return s;
  std::lock_guard lock(mutex_);
  if (int32_t s = open()) return s;
  std::string names, marks;
  for (const auto& b : bounds) {
    names += std::string(b.column->name) + ", ";
    marks += "?, ";
  }
  std::string sql = "INSERT INTO genp (" + names + "cdat, mdat) VALUES (" + marks + "?, ?)";
  Statement st;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.st, nullptr) != SQLITE_OK) return errSecIO;
  int i = 1;
  for (const auto& b : bounds) bind(st.st, i++, b);
  double t = now();
  sqlite3_bind_double(st.st, i++, t);
  sqlite3_bind_double(st.st, i, t);
  int rc = sqlite3_step(st.st);
  return rc == SQLITE_DONE ? errSecSuccess : statusOf(sqlite3_errcode(db_));
}

int32_t DRKeychainStore::update(const Ref<fd::Dictionary>& query, const Ref<fd::Dictionary>& attributes) {
  if (int32_t s = checkClass(query)) return s;
  if (!attributes) return errSecParam;
  std::vector<Bound> where, changes;
  if (int32_t s = collect(query, &where)) return s;
  if (int32_t s = collect(attributes, &changes)) return s;
  std::lock_guard lock(mutex_);
  if (int32_t s = open()) return s;
  std::string sql = "UPDATE genp SET ";
  for (const auto& b : changes) sql += std::string(b.column->name) + " = ?, ";
  sql += "mdat = ?" + whereClause(where);
  Statement st;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.st, nullptr) != SQLITE_OK) return errSecIO;
  int i = 1;
  for (const auto& b : changes) bind(st.st, i++, b);
  sqlite3_bind_double(st.st, i++, now());
  bindWhere(st.st, i, where);
  if (sqlite3_step(st.st) != SQLITE_DONE) return statusOf(sqlite3_errcode(db_));
  return sqlite3_changes(db_) > 0 ? errSecSuccess : errSecItemNotFound;
}

int32_t DRKeychainStore::remove(const Ref<fd::Dictionary>& query) {
  if (int32_t s = checkClass(query)) return s;
  std::vector<Bound> where;
  if (int32_t s = collect(query, &where)) return s;
  std::lock_guard lock(mutex_);
  if (int32_t s = open()) return s;
  std::string sql = "DELETE FROM genp" + whereClause(where);
  Statement st;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.st, nullptr) != SQLITE_OK) return errSecIO;
  bindWhere(st.st, 1, where);
  if (sqlite3_step(st.st) != SQLITE_DONE) return statusOf(sqlite3_errcode(db_));
  return sqlite3_changes(db_) > 0 ? errSecSuccess : errSecItemNotFound;
}

int32_t DRKeychainStore::copyMatching(const Ref<fd::Dictionary>& query, rt::Id* result) {
  if (result) *result = nullptr;
  if (int32_t s = checkClass(query)) return s;
  std::vector<Bound> where;
  if (int32_t s = collect(query, &where)) return s;
  auto flag = [&](const char* key) {
    auto n = rt::as<fd::Number>(query->objectForKey(key));
    return n && n->boolValue();
  };
  bool all = stringValue(query->objectForKey(kSecMatchLimit)) == String(kSecMatchLimitAll);
  bool wantAttributes = flag(kSecReturnAttributes), wantData = flag(kSecReturnData);
  std::lock_guard lock(mutex_);
  if (int32_t s = open()) return s;
  std::string sql = "SELECT service, account, agrp, sync, pdmn, labl, type, crtr, icmt, descr, data, cdat, mdat FROM genp" +
                    whereClause(where) + " ORDER BY rowid";
  if (!all) sql += " LIMIT 1";
  Statement st;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st.st, nullptr) != SQLITE_OK) return errSecIO;
  bindWhere(st.st, 1, where);
  std::vector<rt::Id> found;
  int rc;
  while ((rc = sqlite3_step(st.st)) == SQLITE_ROW) {
    auto text = [&](int col) -> rt::Id {
      if (sqlite3_column_type(st.st, col) == SQLITE_NULL) return nullptr;
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st.st, col));
      return fd::StringObject::create(String(std::string_view(p, size_t(sqlite3_column_bytes(st.st, col)))));
    };
    auto blob = [&]() {
      const void* p = sqlite3_column_blob(st.st, 10);
      return fd::Data::create(p, size_t(sqlite3_column_bytes(st.st, 10)));
    };
    if (!wantAttributes) {
      found.push_back(wantData && sqlite3_column_type(st.st, 10) != SQLITE_NULL ? rt::Id(blob()) : nullptr);
      continue;
    }
    auto item = fd::MutableDictionary::create();
    item->setObjectForKey(fd::StringObject::create(kSecClassGenericPassword), String(kSecClass));
    const int textColumns[][2] = {{0, 0}, {1, 1}, {4, 4}, {5, 5}, {8, 8}, {9, 9}};
    for (const auto& [col, idx] : textColumns) {
      if (auto v = text(col)) item->setObjectForKey(v, String(kColumns[idx].key));
    }
    if (auto agrp = text(2); agrp && !rt::as<fd::StringObject>(agrp)->string().isEmpty())
      item->setObjectForKey(agrp, String(kSecAttrAccessGroup));
    if (auto sync = text(3)) {
      String s = rt::as<fd::StringObject>(sync)->string();
      item->setObjectForKey(s == kSecAttrSynchronizableAny ? sync : rt::Id(fd::Number::numberWithBool(s == "1")),
                            String(kSecAttrSynchronizable));
    }
    for (int col : {6, 7}) {
      if (sqlite3_column_type(st.st, col) != SQLITE_NULL)
        item->setObjectForKey(fd::Number::numberWithLongLong(sqlite3_column_int64(st.st, col)),
                              String(kColumns[col].key));
    }
    item->setObjectForKey(fd::Date::dateWithTimeIntervalSinceReferenceDate(sqlite3_column_double(st.st, 11)),
                          String(kSecAttrCreationDate));
    item->setObjectForKey(fd::Date::dateWithTimeIntervalSinceReferenceDate(sqlite3_column_double(st.st, 12)),
                          String(kSecAttrModificationDate));
    if (wantData && sqlite3_column_type(st.st, 10) != SQLITE_NULL) item->setObjectForKey(blob(), String(kSecValueData));
    found.push_back(item);
  }
  if (rc != SQLITE_DONE) return errSecIO;
  if (found.empty()) return errSecItemNotFound;
  if (result) {
    if (all) {
      auto array = fd::MutableArray::create();
      for (auto& f : found) {
        if (f) array->addObject(f);
      }
      *result = array;
    } else {
      *result = found.front();
    }
  }
  return errSecSuccess;
}

int32_t SecItemAdd(const Ref<fd::Dictionary>& attributes, rt::Id* result) {
  if (result) *result = nullptr;
  return DRKeychainStore::shared().add(attributes);
}
int32_t SecItemUpdate(const Ref<fd::Dictionary>& query, const Ref<fd::Dictionary>& attributes) {
  return DRKeychainStore::shared().update(query, attributes);
}
int32_t SecItemDelete(const Ref<fd::Dictionary>& query) { return DRKeychainStore::shared().remove(query); }
int32_t SecItemCopyMatching(const Ref<fd::Dictionary>& query, rt::Id* result) {
  return DRKeychainStore::shared().copyMatching(query, result);
}

}  // namespace base
