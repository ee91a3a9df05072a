#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "tests/platform/foundation/files/FileManagerTestSupport.h"

namespace fd::testing {
namespace {

using FileManagerTest = TempFolderTest;

void expectFileError(const Ref<Error>& e, int64_t code, const std::string& path, int posix) {
  ASSERT_TRUE(e);
  EXPECT_EQ(e->domain(), String(NSCocoaErrorDomain));
  EXPECT_EQ(e->code(), code);
  auto p = e->userInfo()->objectForKeyAs<StringObject>(NSFilePathErrorKey);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->string(), String(path));
  ASSERT_TRUE(e->underlyingError());
  EXPECT_EQ(e->underlyingError()->domain(), String(NSPOSIXErrorDomain));
  EXPECT_EQ(e->underlyingError()->code(), posix);
}

TEST_F(FileManagerTest, DirectoriesWithAndWithoutIntermediates) {
  auto fm = FileManager::defaultManager();
  Ref<Error> error;
  EXPECT_FALSE(fm->createDirectoryAtPath(path("a/b/c"), false, &error));
  expectFileError(error, NSFileNoSuchFileError, path("a/b/c"), ENOENT);
  EXPECT_TRUE(fm->createDirectoryAtPath(path("a/b/c"), true, nullptr));
  bool isDir = false;
  EXPECT_TRUE(fm->fileExistsAtPath(path("a/b/c"), &isDir));
  EXPECT_TRUE(isDir);
  EXPECT_TRUE(fm->createDirectoryAtPath(path("a/b/c"), true, nullptr));  // already there: fine
  error = nullptr;
  EXPECT_FALSE(fm->createDirectoryAtPath(path("a/b/c"), false, &error));
  expectFileError(error, NSFileWriteFileExistsError, path("a/b/c"), EEXIST);
}

TEST_F(FileManagerTest, FilesAreCreatedReplacedReadAndListed) {
  auto fm = FileManager::defaultManager();
  ASSERT_TRUE(fm->createFileAtPath(path("one.txt"), Data::create("first")));
  ASSERT_TRUE(fm->createFileAtPath(path("one.txt"), Data::create("second")));
  EXPECT_EQ(fm->contentsAtPath(path("one.txt"))->view(), "second");
  ASSERT_TRUE(fm->createFileAtPath(path(".hidden"), nullptr));
  EXPECT_EQ(fm->contentsAtPath(path(".hidden"))->length(), 0u);
  ASSERT_TRUE(fm->createDirectoryAtPath(path("dir/sub"), true));
  ASSERT_TRUE(fm->createFileAtPath(path("dir/sub/deep.bin"), Data::create("1234")));
  bool isDir = true;
  EXPECT_TRUE(fm->fileExistsAtPath(path("one.txt"), &isDir));
  EXPECT_FALSE(isDir);
  EXPECT_FALSE(fm->fileExistsAtPath(path("none")));
  EXPECT_EQ(fm->contentsAtPath(path("none")), nullptr);

  EXPECT_EQ(fm->contentsOfDirectoryAtPath(root_), (std::vector<String>{".hidden", "dir", "one.txt"}));
  EXPECT_EQ(fm->subpathsOfDirectoryAtPath(root_),
            (std::vector<String>{".hidden", "dir", "dir/sub", "dir/sub/deep.bin", "one.txt"}));
  Ref<Error> error;
  EXPECT_TRUE(fm->contentsOfDirectoryAtPath(path("none"), &error).empty());
  expectFileError(error, NSFileReadNoSuchFileError, path("none"), ENOENT);
}

TEST_F(FileManagerTest, AttributesReportSizeTypeAndDatesAndModificationDateCanBeSet) {
  auto fm = FileManager::defaultManager();
  ASSERT_TRUE(fm->createFileAtPath(path("f"), Data::create("hello")));
  ASSERT_TRUE(fm->createDirectoryAtPath(path("d"), false));
  auto file = fm->attributesOfItemAtPath(path("f"));
  ASSERT_TRUE(file);
  EXPECT_EQ(fileSize(*file), 5u);
  EXPECT_EQ(fileType(*file), String(NSFileTypeRegular));
  EXPECT_LT(std::abs(fileModificationDate(*file)->timeIntervalSinceNow()), 600);
  EXPECT_TRUE(file->objectForKeyAs<Date>(NSFileCreationDate));
  EXPECT_EQ(fileType(*fm->attributesOfItemAtPath(path("d"))), String(NSFileTypeDirectory));

  auto past = Date::dateWithTimeIntervalSince1970(1600000000.25);
  ASSERT_TRUE(fm->setAttributes(Dictionary::withStrings({{NSFileModificationDate, past}}), path("f")));
  EXPECT_NEAR(fileModificationDate(*fm->attributesOfItemAtPath(path("f")))->timeIntervalSince1970(), 1600000000.25, 1e-6);

  Ref<Error> error;
  EXPECT_EQ(fm->attributesOfItemAtPath(path("gone"), &error), nullptr);
  expectFileError(error, NSFileReadNoSuchFileError, path("gone"), ENOENT);
  auto fsAttributes = fm->attributesOfFileSystemForPath(root_);
  ASSERT_TRUE(fsAttributes);
  EXPECT_GT(fsAttributes->objectForKeyAs<Number>(NSFileSystemSize)->unsignedLongLongValue(),
            fsAttributes->objectForKeyAs<Number>(NSFileSystemFreeSize)->unsignedLongLongValue() / 2);
}

TEST_F(FileManagerTest, RemoveMoveAndCopyWithTheirErrors) {
  auto fm = FileManager::defaultManager();
  ASSERT_TRUE(fm->createDirectoryAtPath(path("src/inner"), true));
  ASSERT_TRUE(fm->createFileAtPath(path("src/inner/x"), Data::create("x")));
  ASSERT_TRUE(fm->createFileAtPath(path("other"), Data::create("o")));

  EXPECT_TRUE(fm->copyItemAtPath(path("src"), path("copy")));
  EXPECT_EQ(fm->contentsAtPath(path("copy/inner/x"))->view(), "x");
  EXPECT_TRUE(fm->moveItemAtPath(path("src"), path("moved")));
  EXPECT_FALSE(fm->fileExistsAtPath(path("src")));
  EXPECT_EQ(fm->contentsAtPath(path("moved/inner/x"))->view(), "x");

  struct Case { const char* what; std::function<bool(Ref<Error>*)> op; int64_t code; std::string path; int posix; };
  const Case cases[] = {
      {"move onto existing", [&](Ref<Error>* e) { return fm->moveItemAtPath(path("moved"), path("other"), e); },
       NSFileWriteFileExistsError, path("other"), EEXIST},
      {"copy onto existing", [&](Ref<Error>* e) { return fm->copyItemAtPath(path("copy"), path("other"), e); },
       NSFileWriteFileExistsError, path("other"), EEXIST},
      {"move missing", [&](Ref<Error>* e) { return fm->moveItemAtPath(path("none"), path("x"), e); },
       NSFileNoSuchFileError, path("none"), ENOENT},
      {"remove missing", [&](Ref<Error>* e) { return fm->removeItemAtPath(path("none"), e); },
       NSFileNoSuchFileError, path("none"), ENOENT},
  };
  for (auto& c : cases) {
    Ref<Error> error;
    EXPECT_FALSE(c.op(&error)) << c.what;
    expectFileError(error, c.code, c.path, c.posix);
  }
  EXPECT_TRUE(fm->removeItemAtURL(URL::fileURLWithPath(path("moved"))));
  EXPECT_TRUE(fm->removeItemAtPath(path("other")));
  EXPECT_EQ(fm->contentsOfDirectoryAtPath(root_), (std::vector<String>{"copy"}));
}

TEST_F(FileManagerTest, WritingWithoutPermissionReportsIt) {
  std::string target = path("locked/f");
  if (geteuid() == 0) {
    // Root writes into any folder; a kernel attribute file still refuses it.
    target = "/sys/kernel/notes";
    if (!std::filesystem::exists(target)) GTEST_SKIP() << "no file refuses root here";
  } else {
    ASSERT_TRUE(FileManager::defaultManager()->createDirectoryAtPath(path("locked"), false));
    std::filesystem::permissions(path("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  }
  Ref<Error> error;
  EXPECT_FALSE(writeDataToFile(*Data::create("x"), target, false, &error));
  expectFileError(error, NSFileWriteNoPermissionError, target, EACCES);
}

TEST_F(FileManagerTest, DataFilesAreWrittenWholeAndAtomicallyWithoutLeftovers) {
  std::vector<uint8_t> bytes(300000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
  for (bool atomically : {true, false}) {
    ASSERT_TRUE(writeDataToFile(*Data::create(bytes), path("blob"), atomically));
    auto back = dataWithContentsOfFile(path("blob"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->vector(), bytes);
  }
  EXPECT_EQ(FileManager::defaultManager()->contentsOfDirectoryAtPath(root_), (std::vector<String>{"blob"}));
  Ref<Error> error;
  EXPECT_EQ(dataWithContentsOfFile(path("missing"), &error), nullptr);
  expectFileError(error, NSFileReadNoSuchFileError, path("missing"), ENOENT);
  error = nullptr;
  EXPECT_EQ(dataWithContentsOfFile(root_, &error), nullptr);
  ASSERT_TRUE(error);
}

TEST_F(FileManagerTest, EnumeratorsWalkDepthFirstAndCanSkip) {
  auto fm = FileManager::defaultManager();
  for (const char* d : {"a/inner", "b", ".dot"}) ASSERT_TRUE(fm->createDirectoryAtPath(path(d), true));
  for (const char* f : {"a/inner/1", "a/2", "b/3", ".dot/4", "top"}) ASSERT_TRUE(fm->createFileAtPath(path(f), Data::create("zz")));

  auto e = fm->enumeratorAtPath(root_);
  std::vector<String> seen;
  std::vector<size_t> levels;
  uint64_t total = 0;
  while (auto p = e->nextObject()) {
    seen.push_back(*p);
    levels.push_back(e->level());
    if (fileType(*e->fileAttributes()) == String(NSFileTypeRegular)) total += fileSize(*e->fileAttributes());
    if (*p == String("b")) e->skipDescendants();
  }
  EXPECT_EQ(seen, (std::vector<String>{".dot", ".dot/4", "a", "a/2", "a/inner", "a/inner/1", "b", "top"}));
  EXPECT_EQ(levels, (std::vector<size_t>{1, 2, 1, 2, 2, 3, 1, 1}));
  EXPECT_EQ(total, 8u);

  auto byURL = fm->enumeratorAtURL(URL::fileURLWithPath(root_), true);
  std::vector<String> names;
  while (auto url = byURL->nextURL()) names.push_back(url->lastPathComponent());
  EXPECT_EQ(names, (std::vector<String>{"a", "2", "inner", "1", "b", "3", "top"}));
  EXPECT_EQ(fm->enumeratorAtPath(path("none")), nullptr);
}

TEST_F(FileManagerTest, StandardFoldersFollowTheOverrideAndXdg) {
  setEnv("KD_APP_NAME", "district");
  setEnv("KD_HOME_OVERRIDE", root_);
  setEnv("XDG_CACHE_HOME", "/elsewhere");  // ignored under the override
  struct Case { SearchPathDirectory dir; std::string expected; };
  const Case cases[] = {{CachesDirectory, path(".cache/district")},
                        {DocumentDirectory, path(".local/share/district/Documents")},
                        {LibraryDirectory, path(".local/share/district/Library")},
                        {ApplicationSupportDirectory, path(".local/share/district")}};
  for (auto& c : cases) {
    auto found = NSSearchPathForDirectoriesInDomains(c.dir, UserDomainMask);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], String(c.expected));
    EXPECT_EQ(FileManager::defaultManager()->URLsForDirectory(c.dir, UserDomainMask)[0]->path(), String(c.expected));
  }
  EXPECT_TRUE(NSSearchPathForDirectoriesInDomains(CachesDirectory, SystemDomainMask).empty());
  EXPECT_EQ(NSHomeDirectory(), String(root_));
  EXPECT_EQ(NSTemporaryDirectory(), String(path("tmp/")));
  EXPECT_EQ(configurationDirectory(), String(path(".config/district")));

  unsetEnv("KD_HOME_OVERRIDE");
  setEnv("HOME", root_ + "/home");
  setEnv("XDG_CACHE_HOME", root_ + "/xdgcache/");
  unsetEnv("XDG_DATA_HOME");
  EXPECT_EQ(cachesDirectory(), String(path("xdgcache/district")));
  EXPECT_EQ(documentsDirectory(), String(path("home/.local/share/district/Documents")));
}

}  // namespace
}  // namespace fd::testing
