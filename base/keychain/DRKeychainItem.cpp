#include "base/keychain/DRKeychainItem.h"

#include "base/keychain/DRKeychainStore.h"
#include "base/system/Device+DUDer.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/ui/host/Device.h"

namespace base {
namespace {

const char* const kAccessibleValues[] = {
    kSecAttrAccessibleWhenUnlocked,
    kSecAttrAccessibleAfterFirstUnlock,
    kSecAttrAccessibleAlways,
    kSecAttrAccessibleWhenPasscodeSetThisDeviceOnly,
    kSecAttrAccessibleWhenUnlockedThisDeviceOnly,
    kSecAttrAccessibleAfterFirstUnlockThisDeviceOnly,
    kSecAttrAccessibleAlwaysThisDeviceOnly,
};

std::optional<String> textOf(const rt::Id& v) {
  if (auto s = rt::as<fd::StringObject>(v)) return s->string();
  return std::nullopt;
}

void put(const Ref<fd::MutableDictionary>& d, const char* key, const std::optional<String>& v) {
  if (v) d->setObjectForKey(fd::StringObject::create(*v), String(key));
}

void put(const Ref<fd::MutableDictionary>& d, const char* key, const rt::Id& v) {
  if (v) d->setObjectForKey(v, String(key));
}

}  // namespace

RT_IMPLEMENT(DRKeychainItem) {}

void DRKeychainItem::init(const Ref<fd::Dictionary>& dic) {
  if (!dic) return;
  service = textOf(dic->objectForKey(kSecAttrService));
  account = textOf(dic->objectForKey(kSecAttrAccount));
  passwordData = rt::as<fd::Data>(dic->objectForKey(kSecValueData));
  label = textOf(dic->objectForKey(kSecAttrLabel));
  type = rt::as<fd::Number>(dic->objectForKey(kSecAttrType));
  creater = rt::as<fd::Number>(dic->objectForKey(kSecAttrCreator));
  comment = textOf(dic->objectForKey(kSecAttrComment));
  descr = textOf(dic->objectForKey(kSecAttrDescription));
  modificationDate = rt::as<fd::Date>(dic->objectForKey(kSecAttrModificationDate));
  creationDate = rt::as<fd::Date>(dic->objectForKey(kSecAttrCreationDate));
  accessGroup = textOf(dic->objectForKey(kSecAttrAccessGroup));
  accessible = DRKeychainAccessibleNone;
  if (auto a = textOf(dic->objectForKey(kSecAttrAccessible))) {
    for (uint64_t i = 0; i < 7; ++i) {
      if (*a == kAccessibleValues[i]) accessible = i + 1;
    }
  }
  auto sync = rt::as<fd::Number>(dic->objectForKey(kSecAttrSynchronizable));
  synchronizable = !sync ? DRKeychainQuerySynchronizationModeAny
                   : sync->boolValue() ? DRKeychainQuerySynchronizationModeYes
                                       : DRKeychainQuerySynchronizationModeNo;
}

Ref<DRKeychainItem> DRKeychainItem::create(const std::optional<String>& service, const std::optional<String>& account) {
  auto item = create();
  item->service = service;
  item->account = account;
  return item;
}

std::optional<String> DRKeychainItem::password() const {
  if (!passwordData || passwordData->length() == 0) return std::nullopt;
  return String::fromUTF8(reinterpret_cast<const char*>(passwordData->bytes()), passwordData->length());
}

void DRKeychainItem::setPassword(const std::optional<String>& password) {
  passwordData = password ? fd::Data::create(password->utf8()) : nullptr;
}

rt::Id DRKeychainItem::passwordObject() const {
  if (!passwordData || passwordData->length() == 0) return nullptr;
  try {
    return fd::KeyedUnarchiver::unarchiveObjectWithData(passwordData);
  } catch (const rt::Exception&) {
    return nullptr;  // bytes that are not an archive are not an object
  }
}

void DRKeychainItem::setPasswordObject(const rt::Id& object) {
  passwordData = object ? fd::KeyedArchiver::archivedDataWithRootObject(object) : nullptr;
}

Ref<fd::Dictionary> DRKeychainItem::queryDic() const {
  auto d = fd::MutableDictionary::create();
  put(d, kSecClass, String(kSecClassGenericPassword));
  put(d, kSecAttrAccount, account);
  put(d, kSecAttrService, service);
  if (!isSimulator(*ui::Device::currentDevice())) put(d, kSecAttrAccessGroup, accessGroup);
  if (systemVersion() >= 7) {
    rt::Id sync = fd::StringObject::create(kSecAttrSynchronizableAny);
    if (synchronizable == DRKeychainQuerySynchronizationModeNo) sync = fd::Number::numberWithBool(false);
    if (synchronizable == DRKeychainQuerySynchronizationModeYes) sync = fd::Number::numberWithBool(true);
    put(d, kSecAttrSynchronizable, sync);
  }
  return d;
}

Ref<fd::Dictionary> DRKeychainItem::dic() const {
  auto d = rt::as<fd::MutableDictionary>(queryDic()->mutableCopy());
  put(d, kSecAttrLabel, label);
  if (accessible >= 1 && accessible <= 7) put(d, kSecAttrAccessible, String(kAccessibleValues[accessible - 1]));
  put(d, kSecValueData, passwordData);
  put(d, kSecAttrType, type);
  put(d, kSecAttrCreator, creater);
  put(d, kSecAttrComment, comment);
  put(d, kSecAttrDescription, descr);
  return d;
}

rt::Id DRKeychainItem::copy() const {
  auto c = create();
  c->service = service;
  c->account = account;
  c->passwordData = passwordData ? fd::Data::create(passwordData->vector()) : nullptr;
  c->label = label;
  c->type = type;
  c->creater = creater;
  c->comment = comment;
  c->descr = descr;
  c->modificationDate = modificationDate;
  c->creationDate = creationDate;
  c->accessGroup = accessGroup;
  c->accessible = accessible;
  c->synchronizable = synchronizable;
  return c;
}

String DRKeychainItem::description() const {
  String out = "DRKeychainItem:{\n";
  auto line = [&](const char* name, const std::optional<String>& value) {
    if (value) out += String::format("  %s:%@,\n", name, *value);
  };
  auto object = [&](const char* name, const rt::Id& value) {
    if (value) line(name, value->description());
  };
  line("service", service);
  line("account", account);
  line("password", password());
  line("label", label);
  object("type", type);
  object("creater", creater);
  line("comment", comment);
  line("descr", descr);
  object("modificationDate", modificationDate);
  object("creationDate", creationDate);
  line("accessGroup", accessGroup);
  return out + "}";
}

}  // namespace base
