#pragma once
// The generic-password store behind the keychain: items in an SQLite file in the application's
// support folder, created owner-only (0600), password bytes stored as given. Queries and
// attributes are dictionaries keyed by the kSec names below; answers are status codes.
// Access groups, accessibility and synchronisation are stored and read back but change
// nothing. Safe from any thread. A store file that is not a readable database is reported
// (errSecIO) and left in place, never replaced.
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/foundation/values/Dictionary.h"

struct sqlite3;

namespace base {

using rt::String;

// Dictionary keys and values, with the platform's texts.
inline constexpr const char* kSecClass = "class";
inline constexpr const char* kSecClassGenericPassword = "genp";
inline constexpr const char* kSecAttrService = "svce";
inline constexpr const char* kSecAttrAccount = "acct";
inline constexpr const char* kSecAttrAccessGroup = "agrp";
inline constexpr const char* kSecAttrSynchronizable = "sync";
inline constexpr const char* kSecAttrSynchronizableAny = "syna";
inline constexpr const char* kSecAttrLabel = "labl";
inline constexpr const char* kSecAttrAccessible = "pdmn";
inline constexpr const char* kSecAttrType = "type";
inline constexpr const char* kSecAttrCreator = "crtr";
inline constexpr const char* kSecAttrComment = "icmt";
inline constexpr const char* kSecAttrDescription = "desc";
inline constexpr const char* kSecAttrCreationDate = "cdat";
inline constexpr const char* kSecAttrModificationDate = "mdat";
inline constexpr const char* kSecValueData = "v_Data";
inline constexpr const char* kSecMatchLimit = "m_Limit";
inline constexpr const char* kSecMatchLimitOne = "m_LimitOne";
inline constexpr const char* kSecMatchLimitAll = "m_LimitAll";
inline constexpr const char* kSecReturnAttributes = "r_Attributes";
inline constexpr const char* kSecReturnData = "r_Data";
inline constexpr const char* kSecAttrAccessibleWhenUnlocked = "ak";
inline constexpr const char* kSecAttrAccessibleAfterFirstUnlock = "ck";
inline constexpr const char* kSecAttrAccessibleAlways = "dk";
inline constexpr const char* kSecAttrAccessibleWhenPasscodeSetThisDeviceOnly = "akpu";
inline constexpr const char* kSecAttrAccessibleWhenUnlockedThisDeviceOnly = "aku";
inline constexpr const char* kSecAttrAccessibleAfterFirstUnlockThisDeviceOnly = "cku";
inline constexpr const char* kSecAttrAccessibleAlwaysThisDeviceOnly = "dku";

// Status codes, with the platform's values.
inline constexpr int32_t errSecSuccess = 0;
inline constexpr int32_t errSecUnimplemented = -4;
inline constexpr int32_t errSecIO = -36;
inline constexpr int32_t errSecParam = -50;
inline constexpr int32_t errSecDuplicateItem = -25299;
inline constexpr int32_t errSecItemNotFound = -25300;

class DRKeychainStore {
 public:
  /// The application's store, in the support folder as "keychain.sqlite".
  static DRKeychainStore& shared();
  DRKeychainStore() = default;
  ~DRKeychainStore();
  DRKeychainStore(const DRKeychainStore&) = delete;
  DRKeychainStore& operator=(const DRKeychainStore&) = delete;

  /// Moves the store to another file (tests use temporary folders); closes the current one.
  void setPath(const String& path);
  String path() const;

  int32_t add(const Ref<fd::Dictionary>& attributes);
  int32_t update(const Ref<fd::Dictionary>& query, const Ref<fd::Dictionary>& attributes);
  int32_t remove(const Ref<fd::Dictionary>& query);
  /// One result: a dictionary of attributes (with kSecValueData when asked), or the bare
  /// password data when only data is asked for. All results: an array of those.
  int32_t copyMatching(const Ref<fd::Dictionary>& query, rt::Id* result);

 private:
  int32_t open();  // with the lock held
  void close();

  mutable std::mutex mutex_;
  std::optional<String> path_;
  sqlite3* db_ = nullptr;
};

int32_t SecItemAdd(const Ref<fd::Dictionary>& attributes, rt::Id* result = nullptr);
int32_t SecItemUpdate(const Ref<fd::Dictionary>& query, const Ref<fd::Dictionary>& attributes);
int32_t SecItemDelete(const Ref<fd::Dictionary>& query);
int32_t SecItemCopyMatching(const Ref<fd::Dictionary>& query, rt::Id* result);

}  // namespace base
