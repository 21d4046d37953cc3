// The download procedure end to end with the real services: the folder browser and the notices
// answered from a second thread, the file fetched from the loopback server that the test build's
// catalogue points at.
#include <gtest/gtest.h>

#include "downloads/procedure.h"
#include "services/windows_services.h"
#include "tests/win/dialog_driver.h"
#include "tests/win/test_support.h"

namespace dl {
namespace {

using enum ComponentFamily;
using testing::Bytes;
using testing::bytesOf;
using testing::cancel;
using testing::DialogDriver;
using testing::makeZip;
using testing::pressOk;
using testing::readFile;
using testing::runnerSetting;
using testing::ScratchFolder;
using testing::selectFolder;
using testing::ServedFile;

ListTextReader listShowing(const char* text) {
  return [text] { return std::optional<std::string>(text); };
}

class Download : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(runnerSetting("DL_TEST_SERVED_DIR").empty()) << "run through winetest.py";
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  }
  void TearDown() override { OleUninitialize(); }

  WindowsServices services;
  ScratchFolder folder;
};

TEST_F(Download, PaperEntryLandsWithTheServedBytes) {
  const CatalogueEntry& entry = DownloadCatalogue::entriesOf(Paper)[8];
  const Bytes jar =
      makeZip({{"paper.yml", "version: 1.16.5\n"}, {"data.bin", std::string(70000, 'p')}});
  const ServedFile served(entry.sourcePath, jar);

  DialogDriver driver({selectFolder(folder.path().wstring()), pressOk()});
  runDownload(Paper, listShowing("Paper 1.16.5"), services);
  const auto& seen = driver.seen();

  EXPECT_EQ(readFile(folder.path() / L"Paper_1.16.5.jar"), jar);
  EXPECT_EQ(folder.entries(), std::vector<std::wstring>{L"Paper_1.16.5.jar"});
  ASSERT_TRUE(seen[1].found);
  EXPECT_EQ(seen[1].caption, L"下载完成");
  EXPECT_NE(seen[1].texts.find(L"Paper核心下载完成"), std::wstring::npos);
}

TEST_F(Download, JavaEntryGetsItsChineseNameOnAnyCodePage) {
  ASSERT_NE(GetACP(), 936u) << "meant to run where the system code page is not GBK";
  const CatalogueEntry& entry = DownloadCatalogue::entriesOf(Java)[0];
  const Bytes zip = makeZip({{"jre/bin/java.exe", "MZ"}});
  const ServedFile served(entry.sourcePath, zip);

  DialogDriver driver({selectFolder(folder.path().wstring()), pressOk()});
  runDownload(Java, listShowing("Java8 32位"), services);
  const auto& seen = driver.seen();

  EXPECT_EQ(readFile(folder.path() / L"Java8 32位.zip"), zip);
  ASSERT_TRUE(seen[1].found);
  EXPECT_NE(seen[1].texts.find(L"下载完成！"), std::wstring::npos);
}

TEST_F(Download, FailedFetchLeavesTheEarlierFileAndSaysWhy) {
  const Bytes earlier = makeZip({{"old", "an earlier download"}});
  const auto target = folder.path() / L"Spigot_1.19.2.jar";
  testing::writeFile(target, earlier);

  const CatalogueEntry& entry = DownloadCatalogue::entriesOf(Spigot)[12];
  const struct {
    const char* what;
    std::optional<Bytes> served;  // nullopt: not served at all, so 404
    const wchar_t* reason;
  } cases[] = {
      {"404", std::nullopt, L"HTTP 404"},
      {"an HTML page with 200", bytesOf("<!DOCTYPE html><html>mirror error</html>"),
       L"不是预期的文件"},
  };
  for (const auto& c : cases) {
    std::optional<ServedFile> served;
    if (c.served) served.emplace(entry.sourcePath, *c.served);
    DialogDriver driver({selectFolder(folder.path().wstring()), pressOk()});
    runDownload(Spigot, listShowing("Spigot 1.19.2"), services);
    const auto& seen = driver.seen();

    EXPECT_EQ(readFile(target), earlier) << c.what;
    EXPECT_EQ(folder.entries(), std::vector<std::wstring>{L"Spigot_1.19.2.jar"}) << c.what;
    ASSERT_TRUE(seen[1].found) << c.what;
    EXPECT_EQ(seen[1].caption, L"下载失败") << c.what;
    EXPECT_NE(seen[1].texts.find(L"Spigot 1.19.2"), std::wstring::npos) << c.what;
    EXPECT_NE(seen[1].texts.find(c.reason), std::wstring::npos) << c.what;
  }
}

TEST_F(Download, CancelledFolderChoiceFetchesAndWritesNothing) {
  const CatalogueEntry& entry = DownloadCatalogue::entriesOf(Paper)[0];
  const ServedFile served(entry.sourcePath, makeZip({{"a", "b"}}));
  DialogDriver driver({cancel()});
  runDownload(Paper, listShowing("Paper 1.8.8"), services);
  EXPECT_TRUE(driver.seen()[0].found);
  EXPECT_TRUE(folder.entries().empty());
  // Not in the root of the current drive either, where a path without its folder would land.
  EXPECT_FALSE(testing::fs::exists(testing::fs::current_path().root_path() / L"Paper_1.8.8.jar"));
}

}  // namespace
}  // namespace dl
