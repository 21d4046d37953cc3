#include "downloads/procedure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "downloads/gbk.h"
#include "tests/helpers/zip_fixture.h"

namespace dl {
namespace {

using enum ComponentFamily;
using testing::Bytes;
using testing::bytesOf;
using testing::makeZip;

// Records every service call as one line; answers with what the test set up.
class FakeServices final : public DownloadServices {
 public:
  PathText folder = u"D:\\Servers";
  int status = 200;
  bool whole = true;
  FetchFailure failure = FetchFailure::None;
  Bytes body = makeZip({{"plugin.yml", "name: core\n"}});
  bool writeSucceeds = true;

  std::vector<std::string> calls;
  Bytes written;
  PathText writtenPath;
  std::string noticeText;
  std::uint32_t noticeStyle = 0;
  std::string noticeCaption;

  PathText chooseFolder(const char* prompt) override {
    calls.push_back(std::string("chooseFolder ") + prompt);
    return folder;
  }
  FetchResult fetchUrl(const char* address) override {
    calls.push_back(std::string("fetchUrl ") + address);
    FetchResult result;
    result.status = status;
    result.whole = whole;
    result.failure = failure;
    std::memcpy(result.body.tailSpace(body.size() + 1), body.data(), body.size());
    result.body.commit(body.size());
    return result;
  }
  bool writeWholeFile(const PathText& path, std::span<const std::byte> data) override {
    calls.push_back("writeWholeFile " + utf16ToGbk(path));
    writtenPath = path;
    written.assign(data.begin(), data.end());
    return writeSucceeds;
  }
  NoticeResult showNotice(const char* text, std::uint32_t style, const char* caption) override {
    calls.push_back("showNotice " + std::string(caption));
    noticeText = text;
    noticeStyle = style;
    noticeCaption = caption;
    return NoticeResult::Ok;
  }
};

// A list that shows `text` and counts how often it was read.
struct FakeList {
  std::optional<std::string> text;
  int reads = 0;
  ListTextReader reader() {
    return [this] {
      ++reads;
      return text;
    };
  }
};

std::string urlOf(ComponentFamily family, std::size_t index) {
  return DownloadCatalogue::sourceUrl(DownloadCatalogue::entriesOf(family)[index]);
}

TEST(RunDownload, ServesTheMatchingEntryThroughTheServicesInOrder) {
  FakeServices services;
  FakeList list{"Paper 1.16.5"};
  runDownload(Paper, list.reader(), services);

  EXPECT_EQ(services.calls, (std::vector<std::string>{
                                "chooseFolder 核心保存位置",
                                "fetchUrl " + urlOf(Paper, 8),
                                "writeWholeFile D:\\Servers\\Paper_1.16.5.jar",
                                "showNotice 下载完成",
                            }));
  EXPECT_EQ(services.written, services.body);
  EXPECT_EQ(services.noticeText, "Paper核心下载完成");
  EXPECT_EQ(services.noticeStyle, 64u);
  EXPECT_EQ(list.reads, 12);  // read afresh for every label, also after the match
}

TEST(RunDownload, LastSpigotEntryIsFoundAfterComparingAllThirteen) {
  FakeServices services;
  FakeList list{"Spigot 1.19.2"};
  runDownload(Spigot, list.reader(), services);
  EXPECT_EQ(list.reads, 13);
  ASSERT_EQ(services.calls.size(), 4u);
  EXPECT_EQ(services.calls[1], "fetchUrl " + urlOf(Spigot, 12));
  EXPECT_EQ(services.noticeText, "Spigot核心下载完成");
}

TEST(RunDownload, JavaEntryIsSavedUnderItsChineseName) {
  FakeServices services;
  services.folder = u"C:\\Users\\玩家\\Downloads";  // 玩家 is outside ASCII, inside GBK
  FakeList list{"Java8 32位"};
  runDownload(Java, list.reader(), services);
  EXPECT_EQ(services.calls.front(), "chooseFolder Java保存位置");
  EXPECT_EQ(services.writtenPath, u"C:\\Users\\玩家\\Downloads\\Java8 32位.zip");
  EXPECT_EQ(services.noticeText, "下载完成！");
  EXPECT_EQ(services.noticeCaption, "下载完成");
}

TEST(RunDownload, DriveRootKeepsBothBackslashes) {
  FakeServices services;
  services.folder = u"D:\\";
  FakeList list{"Paper 1.8.8"};
  runDownload(Paper, list.reader(), services);
  EXPECT_EQ(services.writtenPath, u"D:\\\\Paper_1.8.8.jar");
}

TEST(RunDownload, TextThatIsNoLabelOfTheFamilyDoesNothing) {
  const std::optional<std::string> texts[] = {
      "---------请选择---------",
      std::nullopt,
      "",
      "Paper 1.8.8 ",
      "paper 1.8.8",
      "Spigot 1.8.9",  // a label, but of another family
  };
  for (const auto& text : texts) {
    FakeServices services;
    FakeList list{text};
    runDownload(Paper, list.reader(), services);
    EXPECT_TRUE(services.calls.empty()) << text.value_or("(absent)");
    EXPECT_EQ(list.reads, 12);
  }
}

TEST(RunDownload, CancelledFolderChoiceServesNothing) {
  FakeServices services;
  services.folder.clear();
  FakeList list{"Paper 1.8.8"};
  runDownload(Paper, list.reader(), services);
  EXPECT_EQ(services.calls, std::vector<std::string>{"chooseFolder 核心保存位置"});
}

// Nothing is written unless a whole archive arrived with a 2xx status; a failure notice names
// the label and the cause instead of the completion notice.
TEST(RunDownload, FailuresAreReportedAndNothingIsWritten) {
  const Bytes html = bytesOf("<html><body>Not Found</body></html>");
  using enum FetchFailure;
  const struct {
    const char* what;
    int status;
    bool whole;
    Bytes body;
    const char* reason;
    FetchFailure failure = None;
  } cases[] = {
      {"no connection", 0, false, {}, "无法连接到服务器"},
      {"certificate rejected", 0, false, {}, "证书不受信任", CertificateRejected},
      {"timed out", 0, false, {}, "长时间没有响应", TimedOut},
      {"redirect to http", 0, false, {}, "重定向到了不安全的 HTTP 地址", InsecureRedirect},
      {"redirect loop", 0, false, {}, "重定向的次数过多", TooManyRedirects},
      {"404 page", 404, true, html, "HTTP 404"},
      {"500 page", 500, true, html, "HTTP 500"},
      {"200 with an HTML page", 200, true, html, "不是预期的文件"},
      {"200 with an empty body", 200, true, {}, "不是预期的文件"},
      {"broken off", 200, false, makeZip({{"a", "b"}}), "传输中断"},
  };
  for (const auto& c : cases) {
    FakeServices services;
    services.status = c.status;
    services.whole = c.whole;
    services.failure = c.failure;
    services.body = c.body;
    FakeList list{"Paper 1.8.8"};
    runDownload(Paper, list.reader(), services);
    EXPECT_EQ(services.calls,
              (std::vector<std::string>{"chooseFolder 核心保存位置", "fetchUrl " + urlOf(Paper, 0),
                                        "showNotice 下载失败"}))
        << c.what;
    EXPECT_EQ(services.noticeStyle, 16u) << c.what;
    EXPECT_TRUE(services.noticeText.starts_with("Paper 1.8.8 ")) << c.what;
    EXPECT_NE(services.noticeText.find(c.reason), std::string::npos)
        << c.what << ": " << services.noticeText;
  }
}

TEST(RunDownload, FailedWriteIsReportedWithThePath) {
  FakeServices services;
  services.writeSucceeds = false;
  FakeList list{"Java17 64位"};
  runDownload(Java, list.reader(), services);
  ASSERT_EQ(services.calls.size(), 4u);
  EXPECT_EQ(services.noticeCaption, "下载失败");
  EXPECT_EQ(services.noticeStyle, 16u);
  EXPECT_NE(services.noticeText.find("无法写入文件 D:\\Servers\\Java17 64位.zip"),
            std::string::npos)
      << services.noticeText;
}

}  // namespace
}  // namespace dl
