#include "downloads/catalogue.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "downloads/text.h"

namespace dl {
namespace {

using enum ComponentFamily;
using enum SourceKind;

TEST(Catalogue, FamiliesHoldTheirEntriesInTableOrder) {
  const struct {
    ComponentFamily family;
    std::size_t count;
    const char* first;
    const char* last;
  } cases[] = {
      {Paper, 12, "Paper 1.8.8", "Paper 1.19.2"},
      {Spigot, 13, "Spigot 1.7.10", "Spigot 1.19.2"},
      {Java, 8, "Java8 32位", "Java18 64位"},
  };
  for (const auto& c : cases) {
    const auto entries = DownloadCatalogue::entriesOf(c.family);
    ASSERT_EQ(entries.size(), c.count);
    EXPECT_STREQ(entries.front().label, c.first);
    EXPECT_STREQ(entries.back().label, c.last);
    std::set<std::string> labels;
    for (const CatalogueEntry& e : entries) {
      EXPECT_EQ(e.family, c.family) << e.label;
      EXPECT_TRUE(labels.insert(e.label).second) << "label twice: " << e.label;
    }
  }
  EXPECT_STREQ(DownloadCatalogue::entriesOf(Paper)[4].label, "Paper 1.12.2");
}

TEST(Catalogue, TextsAreGbkBytes) {
  const CatalogueEntry& java8 = DownloadCatalogue::entriesOf(Java)[0];
  EXPECT_EQ(textLength(java8.label), 10u);
  EXPECT_STREQ(java8.label, "Java8 32\xCE\xBB");  // 位 is CE BB in GBK
  EXPECT_STREQ(java8.fileName, "\\Java8 32\xCE\xBB.zip");
  EXPECT_EQ(textLength(java8.notice.text), 10u);  // 下载完成！
  EXPECT_STREQ(java8.notice.text, "\xCF\xC2\xD4\xD8\xCD\xEA\xB3\xC9\xA3\xA1");
}

TEST(Catalogue, FamilySettingsGoWithEveryEntry) {
  const struct {
    ComponentFamily family;
    const char* prompt;
    const char* noticeText;
  } cases[] = {
      {Paper, "核心保存位置", "Paper核心下载完成"},
      {Spigot, "核心保存位置", "Spigot核心下载完成"},
      {Java, "Java保存位置", "下载完成！"},
  };
  for (const auto& c : cases) {
    for (const CatalogueEntry& e : DownloadCatalogue::entriesOf(c.family)) {
      EXPECT_STREQ(e.folderPrompt, c.prompt) << e.label;
      EXPECT_STREQ(e.notice.text, c.noticeText) << e.label;
      EXPECT_STREQ(e.notice.caption, "下载完成") << e.label;
      EXPECT_EQ(e.notice.style, 64) << e.label;
    }
  }
}

// Every stored value follows from the label: catches a typo in any row.
TEST(Catalogue, FileNamesAndPathsAgreeWithTheirLabels) {
  const std::regex paperPath(
      R"(/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-([0-9.]+)-[0-9]+\.jar)");
  const std::regex spigotPath(
      R"(/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-([0-9.]+)\.jar)");
  const std::regex runtimePath(
      R"(/Adoptium/([0-9]+)/jre/(x32|x64)/windows/OpenJDK\1U-jre_(x86-32|x64)_windows_hotspot_[0-9.u_b]+\.zip)");
  const std::regex java16Path(
      R"(/AdoptOpenJDK/openjdk16-binaries/releases/download/jdk-16\.0\.1%2B9/OpenJDK16U-jre_(x86-32|x64)_windows_hotspot_16\.0\.1_9\.zip)");
  std::smatch m;

  for (const ComponentFamily family : {Paper, Spigot}) {
    const std::string name = family == Paper ? "Paper" : "Spigot";
    for (const CatalogueEntry& e : DownloadCatalogue::entriesOf(family)) {
      const std::string label = e.label;
      const std::string version = label.substr(name.size() + 1);
      EXPECT_EQ(label, name + " " + version);
      EXPECT_EQ(std::string(e.fileName), "\\" + name + "_" + version + ".jar");
      EXPECT_EQ(e.sourceKind, ReleaseMirror) << label;
      const std::string path = e.sourcePath;
      ASSERT_TRUE(std::regex_match(path, m, family == Paper ? paperPath : spigotPath)) << path;
      EXPECT_EQ(m[1], version) << path;
    }
  }

  for (const CatalogueEntry& e : DownloadCatalogue::entriesOf(Java)) {
    const std::string label = e.label;
    EXPECT_EQ(std::string(e.fileName), "\\" + label + ".zip");
    const std::string major = label.substr(4, label.find(' ') - 4);
    const bool bits64 = label.ends_with("64位");
    const std::string path = e.sourcePath;
    if (major == "16") {
      EXPECT_EQ(e.sourceKind, ReleaseMirror) << label;
      ASSERT_TRUE(std::regex_match(path, m, java16Path)) << path;
      EXPECT_EQ(m[1], bits64 ? "x64" : "x86-32") << path;
    } else {
      EXPECT_EQ(e.sourceKind, RuntimeMirror) << label;
      ASSERT_TRUE(std::regex_match(path, m, runtimePath)) << path;
      EXPECT_EQ(m[1], major) << path;
      EXPECT_EQ(m[2], bits64 ? "x64" : "x32") << path;
      EXPECT_EQ(m[3], bits64 ? "x64" : "x86-32") << path;
    }
  }
}

TEST(Catalogue, AddressIsSchemeHostAndPathVerbatim) {
  const CatalogueEntry& java8 = DownloadCatalogue::entriesOf(Java)[0];
  EXPECT_EQ(DownloadCatalogue::sourceUrl(java8),
            std::string("https://") + DownloadCatalogue::endpointHost(RuntimeMirror) +
                "/Adoptium/8/jre/x32/windows/OpenJDK8U-jre_x86-32_windows_hotspot_8u345b01.zip");
  EXPECT_STRNE(DownloadCatalogue::endpointHost(RuntimeMirror), "");
  EXPECT_STRNE(DownloadCatalogue::endpointHost(ReleaseMirror), "");

  for (const ComponentFamily family : {Paper, Spigot, Java}) {
    for (const CatalogueEntry& e : DownloadCatalogue::entriesOf(family)) {
      const std::string url = DownloadCatalogue::sourceUrl(e);
      const std::string host = DownloadCatalogue::endpointHost(e.sourceKind);
      EXPECT_EQ(url, "https://" + host + e.sourcePath);
      EXPECT_EQ(url.find("//", 8), std::string::npos) << url;  // one slash after the host
    }
  }
  // Already encoded: "%2B" stays three characters, neither decoded nor encoded again.
  for (const std::size_t java16 : {1u, 5u}) {
    const std::string url =
        DownloadCatalogue::sourceUrl(DownloadCatalogue::entriesOf(Java)[java16]);
    EXPECT_NE(url.find("/jdk-16.0.1%2B9/"), std::string::npos) << url;
  }
}

TEST(Catalogue, LabelsMatchOnlyAsWholeByteStrings) {
  const char* nearMisses[] = {
      "paper 1.8.8",
      "PAPER 1.8.8",
      "Paper 1.8.8 ",
      " Paper 1.8.8",
      "Paper  1.8.8",
      "Paper 1.8.8\t",
      "Paper １.8.8",
      "Java8 32位 ",
      "java8 32位",
      "Java８ 32位",
      "Paper 1.8",
      "Paper 1.8.88",
      "Spigot 1.8.8",
      "",
      "---------请选择---------",
  };
  for (const char* text : nearMisses) {
    for (const ComponentFamily family : {Paper, Spigot, Java}) {
      for (const CatalogueEntry& e : DownloadCatalogue::entriesOf(family)) {
        EXPECT_NE(compareText(text, e.label), 0) << text << " matched " << e.label;
      }
    }
  }
  // The same version in another family is another label.
  for (const CatalogueEntry& paper : DownloadCatalogue::entriesOf(Paper)) {
    for (const CatalogueEntry& spigot : DownloadCatalogue::entriesOf(Spigot)) {
      EXPECT_NE(compareText(paper.label, spigot.label), 0);
    }
  }
}

}  // namespace
}  // namespace dl
