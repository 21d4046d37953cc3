// libFuzzer target: the ZIP structure check reads whatever body a server sent.
#include <cstddef>
#include <cstdint>
#include <span>

#include "downloads/archive_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  if (dl::looksLikeZipArchive(bytes)) {
    // Whatever passes has at least a local header and an end record, and starts with the former.
    if (size < 26 || data[0] != 'P' || data[1] != 'K' || data[2] != 3 || data[3] != 4) {
      __builtin_trap();
    }
  }
  return 0;
}
