#include "services/file_write.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "services/unique_handle.h"

namespace dl {
namespace {

// A name beside the target that no other process picks. Within the process one write runs at a
// time and always removes or renames its temporary file before it returns.
PathText temporaryNameFor(const PathText& target) {
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about "." + std::string.
  const std::string process = std::to_string(GetCurrentProcessId());
  PathText name = target;
  name += u'.';
  name.append(process.begin(), process.end());
  name += u".part";
  return name;
}

bool writeAll(HANDLE file, std::span<const std::byte> data) {
  constexpr std::size_t kMaxWrite = 64u << 20;  // WriteFile takes a DWORD count
  while (!data.empty()) {
    const auto want = static_cast<DWORD>(std::min(data.size(), kMaxWrite));
    DWORD written = 0;
    if (!WriteFile(file, data.data(), want, &written, nullptr) || written != want) return false;
    data = data.subspan(written);
  }
  return true;
}

}  // namespace

bool writeWholeFile(const PathText& path, std::span<const std::byte> data) {
  if (path.empty()) return false;
  // A read-only file is not replaced (Windows refuses that by itself; Wine does not).
  const DWORD attributes = GetFileAttributesW(wide(path));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }

  const PathText temporary = temporaryNameFor(path);
  UniqueFile file(CreateFileW(wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;

  // The bytes reach the disk before the temporary file takes the target's place, so the target is
  // either the old file or the whole new one.
  const bool written = writeAll(file.get(), data) && FlushFileBuffers(file.get());
  const bool closed = CloseHandle(file.release());
  if (written && closed &&
      MoveFileExW(wide(temporary), wide(path),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  const DWORD error = GetLastError();
  DeleteFileW(wide(temporary));
  SetLastError(error);
  return false;
}

}  // namespace dl
