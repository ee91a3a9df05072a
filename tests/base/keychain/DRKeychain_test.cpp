#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "base/keychain/DRKeychain.h"
#include "base/keychain/DRKeychainStore.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/ui/host/Device.h"

namespace base {
namespace {

// Each test owns a store file in a fresh folder.
class DRKeychainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("drkeychain-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    file_ = (dir_ / "keychain.sqlite").string();
    DRKeychainStore::shared().setPath(file_);
  }
  void TearDown() override {
    DRKeychainStore::shared().setPath((dir_ / "closed.sqlite").string());
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
  std::string file_;
};

TEST_F(DRKeychainTest, ErrorCodesMapTheStatusTable) {
  auto e = DRKeychain::errorWithCode(-25300);
  EXPECT_EQ(e->domain(), "com.kestrum.durar.keychain");
  EXPECT_EQ(e->code(), 11);
  EXPECT_EQ(e->localizedDescription(), "The specified item could not be found in the keychain.");
  EXPECT_EQ(DRKeychain::errorWithCode(-50)->code(), 4);
  EXPECT_EQ(DRKeychain::errorWithCode(-49)->localizedDescription(), "ile already open with with write permission.");
  auto unknown = DRKeychain::errorWithCode(-1);
  EXPECT_EQ(unknown->code(), 0);
  EXPECT_TRUE(!unknown->userInfo() || unknown->userInfo()->count() == 0);
}

TEST_F(DRKeychainTest, SetGetUpdateAndDeletePasswords) {
  Ref<fd::Error> error;
  EXPECT_FALSE(DRKeychain::getPasswordForService("mail", "ann", &error));
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->code(), 11);

  ASSERT_TRUE(DRKeychain::setPassword(u"s\u00e9cret", "mail", "ann"));
  EXPECT_EQ(DRKeychain::getPasswordForService("mail", "ann"), String(u"s\u00e9cret"));
  auto found = DRKeychain::selectOneItem(DRKeychainItem::create("mail", "ann"));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(found->passwordData->view()), "s\xc3\xa9" "cret");
  ASSERT_NE(found->creationDate, nullptr);

  ASSERT_TRUE(DRKeychain::setPassword("second", "mail", "ann"));
  EXPECT_EQ(DRKeychain::getPasswordForService("mail", "ann"), String("second"));
  EXPECT_EQ(DRKeychain::selectItems(DRKeychainItem::create("mail", std::nullopt)).size(), 1u);
  ASSERT_TRUE(DRKeychain::setPassword("bob's", "mail", "bob"));
  EXPECT_EQ(DRKeychain::selectItems(DRKeychainItem::create("mail", std::nullopt)).size(), 2u);

  EXPECT_TRUE(DRKeychain::deletePasswordForService("mail", "ann"));
  EXPECT_FALSE(DRKeychain::getPasswordForService("mail", "ann"));
  EXPECT_EQ(DRKeychain::getPasswordForService("mail", "bob"), String("bob's"));
  error = nullptr;
  EXPECT_FALSE(DRKeychain::deletePasswordForService("mail", "ann", &error));
  EXPECT_EQ(error->code(), 11);
  EXPECT_FALSE(DRKeychain::insertItem(DRKeychain::selectOneItem(DRKeychainItem::create("mail", "bob")), &error));
  EXPECT_EQ(error->code(), 10);
}

TEST_F(DRKeychainTest, MissingArgumentsFailWithoutTouchingTheStore) {
  Ref<fd::Error> error;
  EXPECT_FALSE(DRKeychain::getPasswordForService("mail", std::nullopt, &error));
  EXPECT_EQ(error->code(), 4);
  error = nullptr;
  EXPECT_FALSE(DRKeychain::setPassword(std::nullopt, "mail", "ann", &error));
  EXPECT_EQ(error->localizedDescription(), "One or more parameters passed to a function where not valid.");
  EXPECT_FALSE(DRKeychain::deletePasswordForService(std::nullopt, "ann"));
  EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(DRKeychainTest, StoreFileIsOwnerOnly) {
  ASSERT_TRUE(DRKeychain::setPassword("pw", "svc", "acct"));
  struct stat st {};
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(DRKeychainTest, CorruptStoreIsReportedAndLeftInPlace) {
  std::string garbage(8192, '\x5a');
  std::ofstream(file_, std::ios::binary) << garbage;
  Ref<fd::Error> error;
  EXPECT_FALSE(DRKeychain::setPassword("pw", "svc", "acct", &error));
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(error->code(), 2);
  EXPECT_FALSE(DRKeychain::getPasswordForService("svc", "acct"));
  std::ifstream in(file_, std::ios::binary);
  std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, garbage);
}

TEST_F(DRKeychainTest, ItemDictionariesRoundTrip) {
  auto item = DRKeychainItem::create("svc", "acct");
  item->setPassword("pw");
  item->label = "Label";
  item->type = fd::Number::numberWithInt(0x61626364);
  item->creater = fd::Number::numberWithInt(7);
  item->comment = "note";
  item->descr = "description";
  item->accessGroup = "group";
  item->accessible = DRKeychainAccessibleAfterFirstUnlockThisDeviceOnly;
  item->synchronizable = DRKeychainQuerySynchronizationModeYes;
  auto device = ui::Device::currentDevice();
  device->setMachineModel(String("x86_64"));  // a simulator never writes the access group
  EXPECT_EQ(item->queryDic()->objectForKey(kSecAttrAccessGroup), nullptr);
  device->setMachineModel(String("iPhone7,2"));
  auto dic = item->dic();
  device->setMachineModel(std::nullopt);
  EXPECT_EQ(dic->objectForKeyAs<fd::StringObject>(kSecAttrAccessible)->string(), "cku");
  EXPECT_EQ(dic->objectForKey(kSecAttrCreationDate), nullptr);
  auto back = rt::make<DRKeychainItem>(dic);
  EXPECT_EQ(back->service, item->service);
  EXPECT_EQ(back->account, item->account);
  EXPECT_EQ(back->password(), String("pw"));
  EXPECT_EQ(back->label, item->label);
  EXPECT_TRUE(back->type->isEqual(item->type.get()));
  EXPECT_TRUE(back->creater->isEqual(item->creater.get()));
  EXPECT_EQ(back->comment, item->comment);
  EXPECT_EQ(back->descr, item->descr);
  EXPECT_EQ(back->accessGroup, item->accessGroup);
  EXPECT_EQ(back->accessible, item->accessible);
  EXPECT_EQ(back->synchronizable, item->synchronizable);

  // Through the store the same attributes come back, with dates.
  ASSERT_TRUE(DRKeychain::insertItem(item));
  auto stored = DRKeychain::selectOneItem(DRKeychainItem::create("svc", "acct"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->label, item->label);
  EXPECT_EQ(stored->accessible, item->accessible);
  EXPECT_EQ(stored->synchronizable, item->synchronizable);
  EXPECT_TRUE(stored->type->isEqual(item->type.get()));
  ASSERT_NE(stored->modificationDate, nullptr);

  auto copy = rt::as<DRKeychainItem>(item->copy());
  EXPECT_NE(copy->passwordData.get(), item->passwordData.get());
  EXPECT_EQ(copy->password(), item->password());
}

TEST_F(DRKeychainTest, ItemsAreFoundAndDeletedByIdentityWhateverTheirOtherAttributes) {
  auto stored = DRKeychainItem::create("svc", "acct");
  stored->setPassword("current");
  stored->label = "Stored label";
  stored->comment = "stored note";
  ASSERT_TRUE(DRKeychain::insertItem(stored));

  // A caller's item that is out of date (or was never read) in every non-identifying attribute.
  auto stale = DRKeychainItem::create("svc", "acct");
  stale->setPassword("old");
  stale->label = "Old label";
  stale->comment = "old note";
  stale->descr = "described";
  auto found = DRKeychain::selectOneItem(stale);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->password(), String("current"));
  EXPECT_EQ(found->label, String("Stored label"));
  EXPECT_EQ(DRKeychain::selectItems(stale).size(), 1u);

  Ref<fd::Error> error;
  EXPECT_TRUE(DRKeychain::deleteItem(stale, &error)) << (error ? error->localizedDescription().utf8() : "");
  EXPECT_EQ(DRKeychain::selectOneItem(DRKeychainItem::create("svc", "acct")), nullptr);
  // Identity still counts: another account is neither found nor deleted.
  ASSERT_TRUE(DRKeychain::setPassword("kept", "svc", "other"));
  EXPECT_FALSE(DRKeychain::deleteItem(DRKeychainItem::create("svc", "acct"), &error));
  EXPECT_EQ(error->code(), 11);
  EXPECT_EQ(DRKeychain::getPasswordForService("svc", "other"), String("kept"));
}

TEST_F(DRKeychainTest, DescriptionListsOnlySetProperties) {
  auto item = DRKeychainItem::create("svc", "acct");
  EXPECT_EQ(item->description(), "DRKeychainItem:{\n  service:svc,\n  account:acct,\n}");
  item->setPasswordObject(fd::StringObject::create("archived"));
  auto object = rt::as<fd::StringObject>(item->passwordObject());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->string(), "archived");
  item->setPassword("not an archive");
  EXPECT_EQ(item->passwordObject(), nullptr);
}

TEST_F(DRKeychainTest, ConcurrentWritersKeepEveryItem) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 25; ++i) {
        String account = String::format("acct-%d-%d", t, i);
        EXPECT_TRUE(DRKeychain::setPassword(account + "-pw", "shared", account));
        EXPECT_EQ(DRKeychain::getPasswordForService("shared", account), account + "-pw");
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(DRKeychain::selectItems(DRKeychainItem::create("shared", std::nullopt)).size(), 100u);
}

}  // namespace
}  // namespace base
