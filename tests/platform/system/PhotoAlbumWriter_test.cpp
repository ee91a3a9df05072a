// Saving pictures: the bytes land as a new file in the album folder, the answer (asset URL or
// error) comes on the main queue, and bytes that are no picture or a folder that cannot be
// written give their errors without writing anything.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/system/photos/PhotoAlbumWriter.h"

using namespace sys;
namespace fs = std::filesystem;

namespace {

class PhotoAlbumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("album_" + std::to_string(getpid()));
    fs::create_directories(root);
  }
  void TearDown() override { fs::remove_all(root); }

  struct Answer {
    Ref<fd::URL> url;
    Ref<fd::Error> error;
    bool onMain = false;
    bool arrived = false;
  };
  Answer save(const Ref<PhotoAlbumWriter>& writer, const Ref<fd::Data>& data) {
    Answer a;
    auto main = std::this_thread::get_id();
    writer->writeImageDataToSavedPhotosAlbum(data, [&](Ref<fd::URL> url, Ref<fd::Error> error) {
      a = {url, error, std::this_thread::get_id() == main, true};
    });
    EXPECT_FALSE(a.arrived);
    EXPECT_TRUE(fd::RunLoopDriver::runUntil([&] { return a.arrived; }, 5));
    return a;
  }
  static size_t files(const fs::path& dir) {
    if (!fs::exists(dir)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }

  fs::path root;
};

const std::string kPng = std::string("\x89PNG\r\n\x1a\n", 8) + "rest of the picture";

}  // namespace

TEST_F(PhotoAlbumTest, SavedPictureAppearsInTheConfiguredFolder) {
  auto writer = rt::make<PhotoAlbumWriter>();
  fs::path album = root / "Album";
  writer->setFolder(rt::String(album.string().c_str()));
  Answer a = save(writer, fd::Data::create(kPng));
  EXPECT_TRUE(a.onMain);
  ASSERT_TRUE(a.url) << (a.error ? a.error->description().utf8() : "");
  EXPECT_EQ(a.error, nullptr);
  EXPECT_EQ(a.url->scheme(), rt::String("assets-library"));
  fs::path saved = writer->pathForAssetURL(a.url).utf8();
  EXPECT_EQ(saved.parent_path(), album);
  EXPECT_EQ(saved.extension(), ".PNG");
  std::ifstream in(saved, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, kPng);
  // A second save is a second file.
  Answer b = save(writer, fd::Data::create(std::string("\xFF\xD8\xFF\xE0", 4)));
  ASSERT_TRUE(b.url);
  EXPECT_NE(b.url->absoluteString(), a.url->absoluteString());
  EXPECT_EQ(files(album), 2u);
}

TEST_F(PhotoAlbumTest, UserPicturesFolderComesFromTheUserDirsFile) {
  // Under the home override, the user-dirs file in the home's configuration names it.
  const char* old = std::getenv("KD_HOME_OVERRIDE");
  std::string saved = old ? old : "";
  setenv("KD_HOME_OVERRIDE", root.c_str(), 1);
  auto writer = rt::make<PhotoAlbumWriter>();
  EXPECT_EQ(writer->albumFolder().utf8(), (root / "Pictures").string());
  fs::create_directories(root / ".config");
  std::ofstream(root / ".config" / "user-dirs.dirs") << "# written by hand\nXDG_PICTURES_DIR=\"$HOME/图片\"\n";
  EXPECT_EQ(writer->albumFolder().utf8(), (root / "图片").string());
  Answer a = save(writer, fd::Data::create(kPng));
  ASSERT_TRUE(a.url);
  EXPECT_EQ(files(root / "图片"), 1u);
  if (old) setenv("KD_HOME_OVERRIDE", saved.c_str(), 1);
  else unsetenv("KD_HOME_OVERRIDE");
}

TEST_F(PhotoAlbumTest, BytesThatAreNoPictureAndUnwritableFoldersGiveErrors) {
  auto writer = rt::make<PhotoAlbumWriter>();
  fs::path album = root / "Album";
  writer->setFolder(rt::String(album.string().c_str()));
  Answer a = save(writer, fd::Data::create(std::string_view("<html>not a picture</html>")));
  EXPECT_EQ(a.url, nullptr);
  ASSERT_TRUE(a.error);
  EXPECT_EQ(a.error->code(), kPhotoAlbumWriteDataEncodingError);
  Answer empty = save(writer, nullptr);
  ASSERT_TRUE(empty.error);
  EXPECT_EQ(files(album), 0u);

  // A file where the folder should be.
  std::ofstream(root / "blocked") << "x";
  writer->setFolder(rt::String((root / "blocked").string().c_str()));
  Answer b = save(writer, fd::Data::create(kPng));
  EXPECT_EQ(b.url, nullptr);
  ASSERT_TRUE(b.error);
  EXPECT_EQ(b.error->code(), kPhotoAlbumWriteFailedError);
  EXPECT_TRUE(b.onMain);
}
