#include "downloads/procedure.h"

#include <string>
#include <utility>

#include "downloads/archive_check.h"

namespace dl {
namespace {

constexpr const char* kFailureCaption = "下载失败";

bool listShows(const ListTextReader& readListText, const char* label) {
  const std::optional<std::string> text = readListText();  // released right after the comparison
  return compareText(text ? text->c_str() : nullptr, label) == 0;
}

// Why a fetch cannot be saved, or an empty text when it can.
std::string fetchProblem(const FetchResult& fetched) {
  switch (fetched.failure) {
    case FetchFailure::None:
      break;
    case FetchFailure::CertificateRejected:
      return "服务器的证书不受信任。";
    case FetchFailure::TimedOut:
      return "服务器长时间没有响应。";
    case FetchFailure::InsecureRedirect:
      return "服务器重定向到了不安全的 HTTP 地址。";
    case FetchFailure::TooManyRedirects:
      return "服务器重定向的次数过多。";
  }
  if (fetched.status == 0) return "无法连接到服务器。";
  if (fetched.status < 200 || fetched.status > 299) {
    return concatText({"服务器返回 HTTP ", std::to_string(fetched.status).c_str(), "。"});
  }
  if (!fetched.whole) return "传输中断，文件不完整。";
  if (!looksLikeZipArchive(fetched.body.bytes())) return "服务器返回的不是预期的文件。";
  return {};
}

// Fetches the entry and saves it as `target`. Returns why that failed, or an empty text. The body
// and the path are released before the caller shows any notice.
std::string fetchAndSave(const CatalogueEntry& entry, PathText target, DownloadServices& services) {
  const FetchResult fetched = services.fetchUrl(DownloadCatalogue::sourceUrl(entry).c_str());
  if (std::string problem = fetchProblem(fetched); !problem.empty()) return problem;
  if (!services.writeWholeFile(target, fetched.body.bytes())) {
    return concatText({"无法写入文件 ", utf16ToGbk(target).c_str(), "。"});
  }
  return {};
}

void serveEntry(const CatalogueEntry& entry, DownloadServices& services) {
  PathText target;
  {
    const PathText folder = services.chooseFolder(entry.folderPrompt);
    if (folder.empty()) return;  // cancelled, or nothing with a file-system path was chosen
    target = folder + gbkToUtf16(entry.fileName);
  }
  const std::string problem = fetchAndSave(entry, std::move(target), services);
  if (problem.empty()) {
    services.showNotice(entry.notice.text, static_cast<std::uint32_t>(entry.notice.style),
                        entry.notice.caption);
  } else {
    const std::string text = concatText({entry.label, " 下载失败：", problem.c_str()});
    services.showNotice(text.c_str(), kNoticeError, kFailureCaption);
  }
}

}  // namespace

void runDownload(ComponentFamily family, const ListTextReader& readListText,
                 DownloadServices& services) {
  // Labels are unique within a family, but every label is still looked at.
  for (const CatalogueEntry& entry : DownloadCatalogue::entriesOf(family)) {
    if (listShows(readListText, entry.label)) serveEntry(entry, services);
  }
}

}  // namespace dl
