#pragma once

#include "downloads/services.h"
#include "services/http_client.h"

namespace dl {

// The real services, as the program uses them. Owns the process's HTTP client.
class WindowsServices final : public DownloadServices {
 public:
  // The program keeps the default time-outs; a test may shorten them.
  explicit WindowsServices(HttpTimeouts timeouts = {}) : http_(timeouts) {}

  PathText chooseFolder(const char* prompt) override;
  FetchResult fetchUrl(const char* address) override;
  bool writeWholeFile(const PathText& path, std::span<const std::byte> data) override;
  NoticeResult showNotice(const char* text, std::uint32_t style, const char* caption) override;

 private:
  HttpClient http_;
};

}  // namespace dl
