// The download procedure against a misbehaving server, crossed with the states the target folder
// can be in. Every cell runs runDownload with the real fetch and the real write (the folder choice
// and the notice answered by a recorder) and checks that nothing is ever lost: the right notice,
// completion only on a real success, an earlier file byte-identical after every failure, no
// temporary file left, nothing written outside the chosen folder, no certificate ignored.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "downloads/procedure.h"
#include "services/windows_services.h"
#include "tests/win/test_support.h"

namespace dl {
namespace {

namespace fs = std::filesystem;
using enum FetchFailure;
using testing::Bytes;
using testing::makeZip;
using testing::readFile;
using testing::runnerSetting;

// The real fetch and write; the folder is the test's, and notices are recorded, not shown.
class RecordingServices final : public DownloadServices {
 public:
  struct Notice {
    std::u16string text;
    std::uint32_t style;
    std::u16string caption;
  };

  RecordingServices(DownloadServices& real, PathText folder)
      : real_(real), folder_(std::move(folder)) {}

  PathText chooseFolder(const char*) override { return folder_; }
  FetchResult fetchUrl(const char* address) override {
    FetchResult result = real_.fetchUrl(address);
    fetchFailure = result.failure;
    return result;
  }
  bool writeWholeFile(const PathText& path, std::span<const std::byte> data) override {
    return real_.writeWholeFile(path, data);
  }
  NoticeResult showNotice(const char* text, std::uint32_t style, const char* caption) override {
    notices.push_back({gbkToUtf16(text), style, gbkToUtf16(caption)});
    return NoticeResult::Ok;
  }

  std::vector<Notice> notices;
  FetchFailure fetchFailure = None;

 private:
  DownloadServices& real_;
  PathText folder_;
};

struct ServerBehaviour {
  const char* what;
  const char* fault;       // the loopback server's fault line; empty: it serves the archive
  const char16_t* reason;  // as the failure notice gives it; nullptr: the download can succeed
  FetchFailure failure = None;
};

// Cut-off bodies carry the whole archive and announce more, so only the length can tell.
constexpr ServerBehaviour kServerBehaviours[] = {
    {"serves the archive", "", nullptr},
    {"404 with an HTML body", "status 404", u"服务器返回 HTTP 404。"},
    {"500 with an HTML body", "status 500", u"服务器返回 HTTP 500。"},
    {"200 with an HTML body", "html", u"服务器返回的不是预期的文件。"},
    {"connection reset after the body", "reset", u"传输中断，文件不完整。"},
    {"Content-Length beyond what is sent", "short", u"传输中断，文件不完整。"},
    {"empty body", "empty", u"服务器返回的不是预期的文件。"},
    {"redirect loop", "loop", u"服务器重定向的次数过多。", TooManyRedirects},
    {"redirect from https to http", "downgrade", u"服务器重定向到了不安全的 HTTP 地址。",
     InsecureRedirect},
    {"untrusted certificate", "untrusted", u"服务器的证书不受信任。", CertificateRejected},
    {"accepts and never answers", "silent", u"服务器长时间没有响应。", TimedOut},
};

enum class Folder { Empty, OlderFile, Missing, ReadOnly, HeldOpen, DriveRoot };

constexpr struct {
  const char* what;
  Folder folder;
} kTargetStates[] = {
    {"no file yet", Folder::Empty},
    {"an older file of the same name", Folder::OlderFile},
    {"folder missing", Folder::Missing},
    {"folder read-only", Folder::ReadOnly},
    {"target held open by another process without sharing", Folder::HeldOpen},
    {"the root of a drive", Folder::DriveRoot},
};

bool isWritable(Folder folder) {
  return folder == Folder::Empty || folder == Folder::OlderFile || folder == Folder::DriveRoot;
}
bool hasOlderFile(Folder folder) {
  return folder == Folder::OlderFile || folder == Folder::ReadOnly || folder == Folder::HeldOpen;
}

// The names in a folder; none when it is missing. (Not std::filesystem's directory iterator: it
// takes an empty drive root, which has no "." or ".." entries, for a missing folder.)
std::set<std::wstring> listing(const fs::path& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder / L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.insert(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::u16string u16(const fs::path& path) {
  const std::wstring text = path.wstring();
  return std::u16string(text.begin(), text.end());
}

// Asks the test runner to make `folder`, which lies directly in the scratch folder, read-only in a
// way that binds root too (see winetest.py). Returns "locked", or why that cannot be done here.
std::string lockReadOnly(const fs::path& folder) {
  const fs::path request = folder.parent_path() / (folder.filename().wstring() + L".lock-request");
  const fs::path answer = folder.parent_path() / (folder.filename().wstring() + L".lock-answer");
  testing::writeFile(request, {});
  for (int waited = 0; waited < 10'000; waited += 50) {
    if (fs::exists(answer)) return testing::textOf(readFile(answer));
    Sleep(50);
  }
  return "no answer from the test runner";
}

// Another process that holds `file` open without sharing until the object goes.
class FileHolder {
 public:
  explicit FileHolder(const fs::path& file) {
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring readyName = L"dl-hold-ready-" + tag;
    const std::wstring releaseName = L"dl-hold-release-" + tag;
    ready_ = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    release_ = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path exe = fs::path(self).parent_path() / L"hold_file.exe";
    std::wstring command =
        L"\"" + exe.wstring() + L"\" \"" + file.wstring() + L"\" " + readyName + L" " + releaseName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process_)) {
      CloseHandle(process_.hThread);
      const HANDLE either[] = {ready_, process_.hProcess};
      held_ = WaitForMultipleObjects(2, either, FALSE, 10'000) == WAIT_OBJECT_0;
    }
  }
  ~FileHolder() {
    SetEvent(release_);
    if (process_.hProcess != nullptr) {
      WaitForSingleObject(process_.hProcess, 10'000);
      CloseHandle(process_.hProcess);
    }
    CloseHandle(ready_);
    CloseHandle(release_);
  }
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  bool held() const { return held_; }

 private:
  HANDLE ready_;
  HANDLE release_;
  PROCESS_INFORMATION process_{};
  bool held_ = false;
};

class FaultMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* setting : {"DL_TEST_SERVED_DIR", "DL_TEST_SCRATCH_DIR", "DL_TEST_DRIVE"}) {
      ASSERT_FALSE(runnerSetting(setting).empty()) << setting << ": run through winetest.py";
    }
    std::string path = entry.sourcePath;
    std::replace(path.begin(), path.end(), '/', '\\');
    testing::writeFile(runnerSetting("DL_TEST_SERVED_DIR") + path, archive);
  }

  const CatalogueEntry& entry = DownloadCatalogue::entriesOf(ComponentFamily::Paper)[8];
  const fs::path fileName = L"Paper_1.16.5.jar";
  const Bytes archive =
      makeZip({{"paper.yml", "version: 1.16.5\n"}, {"data.bin", std::string(200'000, 'p')}});
  const Bytes older = makeZip({{"old.txt", "an older download"}});
  const fs::path scratch = runnerSetting("DL_TEST_SCRATCH_DIR");
  const fs::path driveRoot = runnerSetting("DL_TEST_DRIVE") + "\\";
  // Short time-outs keep the silent server's cells quick; the program waits about a minute.
  WindowsServices real{HttpTimeouts{.connect = 5000, .send = 5000, .receive = 2000}};
};

TEST_F(FaultMatrix, EveryCellEndsWithTheRightNoticeAndNothingLost) {
  // One read-only folder with an older file serves every server behaviour.
  const fs::path readOnly = scratch / L"read-only";
  testing::writeFile(readOnly / fileName, older);
  const std::string lock = lockReadOnly(readOnly);
  if (lock != "locked") {
    std::cout << "Leaving out the read-only folder cells: " << lock << "\n";
  }

  int cell = 0;
  for (const auto& server : kServerBehaviours) {
    for (const auto& state : kTargetStates) {
      if (state.folder == Folder::ReadOnly && lock != "locked") continue;
      SCOPED_TRACE(std::string(server.what) + " / " + state.what);

      // The chosen folder, and the folder around it where nothing may change.
      fs::path chosen;
      fs::path around;
      switch (state.folder) {
        case Folder::ReadOnly:
          chosen = readOnly;
          around = scratch;
          break;
        case Folder::DriveRoot:
          chosen = driveRoot;
          for (const auto& stale : listing(driveRoot)) fs::remove_all(driveRoot / stale);
          break;
        default:
          around = scratch / (L"cell-" + std::to_wstring(++cell));
          chosen = around / L"chosen";
          fs::create_directories(around);
          if (state.folder != Folder::Missing) fs::create_directories(chosen);
          if (hasOlderFile(state.folder)) testing::writeFile(chosen / fileName, older);
      }
      const fs::path target = chosen / fileName;
      // The drive root comes from the folder browser as "R:\", so the path has two backslashes.
      const PathText targetText = u16(chosen) + u"\\" + u16(fileName);

      std::vector<fs::path> watched = {"C:\\", around, driveRoot};
      std::erase(watched, chosen);
      std::erase(watched, fs::path());
      std::vector<std::set<std::wstring>> before;
      for (const auto& folder : watched) before.push_back(listing(folder));

      RecordingServices services(real, u16(chosen));
      {
        const testing::ServedFile fault = testing::serverFault(server.fault);
        std::optional<FileHolder> holder;
        if (state.folder == Folder::HeldOpen) {
          holder.emplace(target);
          ASSERT_TRUE(holder->held());
        }
        runDownload(
            ComponentFamily::Paper, [] { return std::optional<std::string>("Paper 1.16.5"); },
            services);
      }

      const bool success = server.reason == nullptr && isWritable(state.folder);
      ASSERT_EQ(services.notices.size(), 1u);
      const auto& notice = services.notices[0];
      if (success) {
        EXPECT_EQ(notice.caption, u"下载完成");
        EXPECT_EQ(notice.text, u"Paper核心下载完成");
        EXPECT_EQ(notice.style, 64u);
      } else {
        const std::u16string reason = server.reason != nullptr
                                          ? std::u16string(server.reason)
                                          : u"无法写入文件 " + targetText + u"。";
        EXPECT_EQ(notice.caption, u"下载失败");
        EXPECT_EQ(notice.text, u"Paper 1.16.5 下载失败：" + reason);
        EXPECT_EQ(notice.style, 16u);
      }
      EXPECT_EQ(services.fetchFailure, server.failure);

      // The target holds the new archive after a success and is untouched after a failure; the
      // chosen folder holds nothing else (no temporary file).
      if (success) {
        EXPECT_EQ(readFile(target), archive);
      } else if (hasOlderFile(state.folder)) {
        EXPECT_EQ(readFile(target), older);
      }
      const bool fileThere = success || hasOlderFile(state.folder);
      EXPECT_EQ(listing(chosen),
                fileThere ? std::set<std::wstring>{fileName.wstring()} : std::set<std::wstring>{});
      EXPECT_EQ(fs::exists(chosen), state.folder != Folder::Missing);
      for (std::size_t i = 0; i < watched.size(); ++i) {
        EXPECT_EQ(listing(watched[i]), before[i]) << "changed: " << watched[i].string();
      }
    }
  }
}

}  // namespace
}  // namespace dl
