#pragma once
// Generic passwords by service and account, and the item-level calls beneath them. Failures
// come back as errors of the domain "com.kestrum.durar.keychain" through the optional `error`
// out-parameter. Stateless; any thread.
#include <optional>
#include <vector>

#include "base/keychain/DRKeychainItem.h"
#include "platform/foundation/Error.h"

namespace base {

inline constexpr const char* DRKeychainErrorDomain = "com.kestrum.durar.keychain";

class DRKeychain {
 public:
  static std::optional<String> getPasswordForService(const std::optional<String>& service,
                                                     const std::optional<String>& account,
                                                     Ref<fd::Error>* error = nullptr);
  static bool deletePasswordForService(const std::optional<String>& service, const std::optional<String>& account,
                                       Ref<fd::Error>* error = nullptr);
  /// Updates the item when it exists, inserts it otherwise.
  static bool setPassword(const std::optional<String>& password, const std::optional<String>& service,
                          const std::optional<String>& account, Ref<fd::Error>* error = nullptr);

  static bool insertItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error = nullptr);
  static bool updateItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error = nullptr);
  static bool deleteItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error = nullptr);
  /// The first match, password bytes included; null when none (or on failure).
  static Ref<DRKeychainItem> selectOneItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error = nullptr);
  /// Every match; empty when none.
  static std::vector<Ref<DRKeychainItem>> selectItems(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error = nullptr);

  /// The domain's error for a store status; code 0 without user information for unknown ones.
  static Ref<fd::Error> errorWithCode(int32_t status);
};

}  // namespace base
