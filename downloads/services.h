// The four blocking services through which a download reaches the network, the file system and
// the user. The procedure sees them only through this interface, so it stays portable.
#pragma once

#include <cstdint>
#include <span>

#include "downloads/byte_block.h"
#include "downloads/gbk.h"

namespace dl {

// Why a fetch brought nothing usable back, where the client can tell.
enum class FetchFailure {
  None,                 // a final response arrived, or the cause has no name of its own
  CertificateRejected,  // the server's certificate is not trusted for its name
  TimedOut,             // the server stopped answering for longer than the time-out
  InsecureRedirect,     // a redirect from https to plain http, which is never followed
  TooManyRedirects,     // more redirects in a row than the client follows
};

struct FetchResult {
  ByteBlock body;      // whatever arrived, error pages included; empty when nothing did
  int status = 0;      // HTTP status of the final response; 0 when none was received
  bool whole = false;  // the body arrived complete (and matched Content-Length where given)
  FetchFailure failure = FetchFailure::None;  // only ever set with status 0
};

// Which button closed a notice.
enum class NoticeResult { Ok = 0, Cancel, Abort, Retry, Ignore, Yes, No };

// Message-box styles the program uses.
inline constexpr std::uint32_t kNoticeInformation = 0x40;  // information icon, OK
inline constexpr std::uint32_t kNoticeError = 0x10;        // error icon, OK

class DownloadServices {
 public:
  virtual ~DownloadServices() = default;
  // The chosen folder, or the empty path when the user cancelled or chose nothing usable.
  virtual PathText chooseFolder(const char* prompt) = 0;
  virtual FetchResult fetchUrl(const char* address) = 0;
  // Replaces the file at `path` with `data` in one step; false leaves any earlier file as it was.
  virtual bool writeWholeFile(const PathText& path, std::span<const std::byte> data) = 0;
  virtual NoticeResult showNotice(const char* text, std::uint32_t style, const char* caption) = 0;
};

}  // namespace dl
