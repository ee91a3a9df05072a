#include <gtest/gtest.h>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/files/FileHandle.h"
#include "platform/foundation/files/FileManager.h"
#include "tests/platform/foundation/files/FileManagerTestSupport.h"

namespace fd::testing {
namespace {

using FileHandleTest = TempFolderTest;

TEST_F(FileHandleTest, ReadWriteSeekTruncateAndClose) {
  ASSERT_TRUE(writeDataToFile(*Data::create("0123456789"), path("f"), false));
  EXPECT_EQ(FileHandle::fileHandleForReadingAtPath(path("missing")), nullptr);
  EXPECT_EQ(FileHandle::fileHandleForUpdatingAtPath(path("missing")), nullptr);

  auto reader = FileHandle::fileHandleForReadingAtPath(path("f"));
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->readDataOfLength(4)->view(), "0123");
  EXPECT_EQ(reader->offsetInFile(), 4u);
  reader->seekToFileOffset(8);
  EXPECT_EQ(reader->readDataToEndOfFile()->view(), "89");
  EXPECT_EQ(reader->readDataOfLength(5)->length(), 0u);
  EXPECT_EQ(reader->seekToEndOfFile(), 10u);
  EXPECT_THROW(reader->writeData(*Data::create("x")), rt::Exception);  // opened for reading only

  auto updater = FileHandle::fileHandleForUpdatingAtPath(path("f"));
  updater->seekToEndOfFile();
  updater->writeData(*Data::create("AB"));
  updater->seekToFileOffset(2);
  updater->writeData(*Data::create("xy"));
  updater->truncateFileAtOffset(6);
  updater->synchronizeFile();
  updater->closeFile();
  EXPECT_THROW(updater->readDataToEndOfFile(), rt::Exception);
  EXPECT_EQ(dataWithContentsOfFile(path("f"))->view(), "01xy45");
}

}  // namespace
}  // namespace fd::testing
