#pragma once
// One generic-password item: its identity (service, account, access group), password bytes and
// descriptive attributes, with the dictionaries the store takes and gives.
#include <optional>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"

namespace base {

using rt::String;

/// Accessibility modes; 0 leaves the attribute out.
enum DRKeychainAccessible : uint64_t {
  DRKeychainAccessibleNone = 0,
  DRKeychainAccessibleWhenUnlocked = 1,
  DRKeychainAccessibleAfterFirstUnlock = 2,
  DRKeychainAccessibleAlways = 3,
  DRKeychainAccessibleWhenPasscodeSetThisDeviceOnly = 4,
  DRKeychainAccessibleWhenUnlockedThisDeviceOnly = 5,
  DRKeychainAccessibleAfterFirstUnlockThisDeviceOnly = 6,
  DRKeychainAccessibleAlwaysThisDeviceOnly = 7,
};

/// Synchronisation modes; any other value is written as any.
enum DRKeychainQuerySynchronizationMode : uint64_t {
  DRKeychainQuerySynchronizationModeAny = 0,
  DRKeychainQuerySynchronizationModeNo = 1,
  DRKeychainQuerySynchronizationModeYes = 2,
};

class DRKeychainItem : public rt::Object {
  RT_CLASS(DRKeychainItem, rt::Object)
 public:
  void init() {}
  /// From a search result.
  void init(const Ref<fd::Dictionary>& dic);
  static Ref<DRKeychainItem> create() { return rt::make<DRKeychainItem>(); }
  static Ref<DRKeychainItem> create(const std::optional<String>& service, const std::optional<String>& account);

  std::optional<String> service, account;
  Ref<fd::Data> passwordData;
  std::optional<String> label;
  Ref<fd::Number> type, creater;
  std::optional<String> comment, descr;
  Ref<fd::Date> modificationDate, creationDate;
  std::optional<String> accessGroup;
  uint64_t accessible = DRKeychainAccessibleNone;
  uint64_t synchronizable = DRKeychainQuerySynchronizationModeAny;

  /// nullopt when there are no password bytes (or they are not UTF-8).
  std::optional<String> password() const;
  void setPassword(const std::optional<String>& password);
  /// The password bytes as a keyed archive; null when empty or not an archive.
  rt::Id passwordObject() const;
  void setPasswordObject(const rt::Id& object);

  /// What identifies the item.
  Ref<fd::Dictionary> queryDic() const;
  /// Every attribute the item writes (never the dates).
  Ref<fd::Dictionary> dic() const;

  rt::Id copy() const override;
  String description() const override;
};

}  // namespace base
