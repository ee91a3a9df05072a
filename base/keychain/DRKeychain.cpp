#include "base/keychain/DRKeychain.h"

#include "base/keychain/DRKeychainStore.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Array.h"

namespace base {
namespace {

bool report(int32_t status, Ref<fd::Error>* error) {
  if (status == errSecSuccess) return true;
  if (error) *error = DRKeychain::errorWithCode(status);
  return false;
}

// Searches match on what identifies the item only (its password, label or comment may have
// changed since it was read), and return the password bytes too: an item found without them
// would make every password read come back empty.
Ref<fd::Dictionary> searchQuery(const Ref<DRKeychainItem>& item, const char* limit) {
  auto query = rt::as<fd::MutableDictionary>(item->queryDic()->mutableCopy());
  query->setObjectForKey(fd::StringObject::create(limit), String(kSecMatchLimit));
  query->setObjectForKey(fd::Number::numberWithBool(true), String(kSecReturnAttributes));
  query->setObjectForKey(fd::Number::numberWithBool(true), String(kSecReturnData));
  return query;
}

}  // namespace

Ref<fd::Error> DRKeychain::errorWithCode(int32_t status) {
  struct Entry {
    int32_t status;
    int64_t code;
    const char* message;
  };
  static const Entry table[] = {
      {-4, 1, "Function or operation not implemented."},
      {-36, 2, "I/O error (bummers)"},
      {-49, 3, "ile already open with with write permission."},
      {-50, 4, "One or more parameters passed to a function where not valid."},
      {-108, 5, "Failed to allocate memory."},
      {-128, 6, "User canceled the operation."},
      {-909, 7, "Bad parameter or invalid state for operation."},
      {-2070, 8, "Inrernal Component"},
      {-25291, 9, "No keychain is available. You may need to restart your computer."},
      {-25299, 10, "The specified item already exists in the keychain."},
      {-25300, 11, "The specified item could not be found in the keychain."},
      {-25308, 12, "User interaction is not allowed."},
      {-26275, 13, "Unable to decode the provided data."},
      {-25293, 14, "The user name or passphrase you entered is not"},
  };
  for (const auto& e : table) {
    if (e.status == status) return fd::Error::withDescription(DRKeychainErrorDomain, e.code, e.message);
  }
  return fd::Error::create(DRKeychainErrorDomain, 0);
}

std::optional<String> DRKeychain::getPasswordForService(const std::optional<String>& service,
                                                        const std::optional<String>& account, Ref<fd::Error>* error) {
  if (!service || !account) {
    report(errSecParam, error);
    return std::nullopt;
  }
  auto found = selectOneItem(DRKeychainItem::create(service, account), error);
  return found ? found->password() : std::nullopt;
}

bool DRKeychain::deletePasswordForService(const std::optional<String>& service, const std::optional<String>& account,
                                          Ref<fd::Error>* error) {
  if (!service || !account) return report(errSecParam, error);
  return deleteItem(DRKeychainItem::create(service, account), error);
}

bool DRKeychain::setPassword(const std::optional<String>& password, const std::optional<String>& service,
                             const std::optional<String>& account, Ref<fd::Error>* error) {
  if (!password || !service || !account) return report(errSecParam, error);
  auto item = DRKeychainItem::create(service, account);
  if (auto found = selectOneItem(item)) {
    found->setPassword(password);
    return updateItem(found, error);
  }
  item->setPassword(password);
  return insertItem(item, error);
}

bool DRKeychain::insertItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error) {
  if (!item) return report(errSecParam, error);
  return report(SecItemAdd(item->dic()), error);
}

bool DRKeychain::updateItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error) {
  if (!item) return false;
  auto query = item->queryDic();
  auto attributes = rt::as<fd::MutableDictionary>(item->dic()->mutableCopy());
  if (!query || !attributes) return false;
  // The class names what is searched for, not something to change.
  attributes->removeObjectForKey(String(kSecClass));
  return report(SecItemUpdate(query, attributes), error);
}

bool DRKeychain::deleteItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error) {
  if (!item) return report(errSecParam, error);
  return report(SecItemDelete(item->queryDic()), error);
}

Ref<DRKeychainItem> DRKeychain::selectOneItem(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error) {
  if (!item) return nullptr;
  rt::Id result;
  if (!report(SecItemCopyMatching(searchQuery(item, kSecMatchLimitOne), &result), error)) return nullptr;
  auto dic = rt::as<fd::Dictionary>(result);
  return dic ? rt::make<DRKeychainItem>(dic) : nullptr;
}

std::vector<Ref<DRKeychainItem>> DRKeychain::selectItems(const Ref<DRKeychainItem>& item, Ref<fd::Error>* error) {
  std::vector<Ref<DRKeychainItem>> items;
  if (!item) return items;
  rt::Id result;
  if (!report(SecItemCopyMatching(searchQuery(item, kSecMatchLimitAll), &result), error)) return items;
  if (auto array = rt::as<fd::Array>(result)) {
    for (const auto& o : array->objects()) {
      if (auto dic = rt::as<fd::Dictionary>(o)) items.push_back(rt::make<DRKeychainItem>(dic));
    }
  }
  return items;
}

}  // namespace base
