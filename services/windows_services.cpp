#include "services/windows_services.h"

#include "services/dialogs.h"
#include "services/file_write.h"

namespace dl {

PathText WindowsServices::chooseFolder(const char* prompt) {
  return dl::chooseFolder(prompt);
}

FetchResult WindowsServices::fetchUrl(const char* address) {
  return http_.fetchUrl(address);
}

bool WindowsServices::writeWholeFile(const PathText& path, std::span<const std::byte> data) {
  return dl::writeWholeFile(path, data);
}

NoticeResult WindowsServices::showNotice(const char* text, std::uint32_t style,
                                         const char* caption) {
  return dl::showNotice(text, style, caption);
}

}  // namespace dl
