#include "services/file_write.h"

#include <gtest/gtest.h>

#include "services/unique_handle.h"
#include "tests/win/test_support.h"

namespace dl {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::bytesOf;
using testing::readFile;
using testing::ScratchFolder;
using testing::u16;
using testing::writeFile;

const Bytes kOld = bytesOf("the earlier file");
const Bytes kNew = bytesOf(std::string(300000, 'n') + "end");

TEST(WriteWholeFile, CreatesOrReplacesTheFileAndLeavesNothingElse) {
  ScratchFolder folder;
  const auto target = folder.path() / L"Paper_1.16.5.jar";

  EXPECT_TRUE(writeWholeFile(u16(target.wstring()), kNew));
  EXPECT_EQ(readFile(target), kNew);

  writeFile(target, kOld);
  EXPECT_TRUE(writeWholeFile(u16(target.wstring()), kNew));
  EXPECT_EQ(readFile(target), kNew);

  // The empty block leaves an existing file at length 0.
  EXPECT_TRUE(writeWholeFile(u16(target.wstring()), {}));
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(fs::file_size(target), 0u);

  EXPECT_EQ(folder.entries(), std::vector<std::wstring>{L"Paper_1.16.5.jar"});
}

TEST(WriteWholeFile, NamesOutsideGbkWork) {
  ScratchFolder folder(L"dl-test-\u00E9\u0E01\U0001F600");  // é, a Thai letter, an emoji
  const auto target = folder.path() / L"Java8 32位.zip";
  EXPECT_TRUE(writeWholeFile(u16(target.wstring()), kNew));
  EXPECT_EQ(readFile(target), kNew);
}

TEST(WriteWholeFile, FailureLeavesTheEarlierFileAndNoTemporaryFile) {
  ScratchFolder folder;
  const auto target = folder.path() / L"Spigot_1.19.2.jar";
  writeFile(target, kOld);

  {
    // Another opener holds the target without sharing.
    const UniqueFile held(CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(writeWholeFile(u16(target.wstring()), kNew));
  }
  EXPECT_EQ(readFile(target), kOld);
  EXPECT_EQ(folder.entries(), std::vector<std::wstring>{L"Spigot_1.19.2.jar"});

  ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(writeWholeFile(u16(target.wstring()), kNew));
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(readFile(target), kOld);
  EXPECT_EQ(folder.entries(), std::vector<std::wstring>{L"Spigot_1.19.2.jar"});
}

TEST(WriteWholeFile, MissingFolderOrEmptyPathCreatesNothing) {
  ScratchFolder folder;
  const auto missing = folder.path() / L"missing";
  EXPECT_FALSE(writeWholeFile(u16((missing / L"Paper_1.8.8.jar").wstring()), kNew));
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_FALSE(writeWholeFile(u"", kNew));
  EXPECT_TRUE(folder.entries().empty());
}

}  // namespace
}  // namespace dl
