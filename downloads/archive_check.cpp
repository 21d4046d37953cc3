#include "downloads/archive_check.h"

#include <cstdint>

namespace dl {
namespace {

constexpr std::size_t kEndRecordSize = 22;  // without the trailing comment
constexpr std::size_t kMaxCommentSize = 0xFFFF;

std::uint32_t read32(const std::byte* p) {
  return std::to_integer<std::uint32_t>(p[0]) | std::to_integer<std::uint32_t>(p[1]) << 8 |
         std::to_integer<std::uint32_t>(p[2]) << 16 | std::to_integer<std::uint32_t>(p[3]) << 24;
}

std::uint16_t read16(const std::byte* p) {
  return static_cast<std::uint16_t>(std::to_integer<unsigned>(p[0]) |
                                    std::to_integer<unsigned>(p[1]) << 8);
}

}  // namespace

bool looksLikeZipArchive(std::span<const std::byte> bytes) {
  constexpr std::uint32_t kLocalHeader = 0x04034b50;  // "PK\3\4"
  constexpr std::uint32_t kEndRecord = 0x06054b50;    // "PK\5\6"
  if (bytes.size() < 4 + kEndRecordSize || read32(bytes.data()) != kLocalHeader) return false;

  // The end record sits at the very end, followed only by its own comment. Search backwards from
  // the last place it can start, as far as the longest comment allows.
  const std::size_t last = bytes.size() - kEndRecordSize;
  const std::size_t first = last > kMaxCommentSize ? last - kMaxCommentSize : 0;
  for (std::size_t at = last + 1; at-- > first;) {
    const std::byte* record = bytes.data() + at;
    if (read32(record) != kEndRecord) continue;
    const std::size_t commentSize = read16(record + 20);
    if (at + kEndRecordSize + commentSize != bytes.size()) continue;
    // The central directory it describes must lie inside the data, before the record.
    const std::uint64_t directorySize = read32(record + 12);
    const std::uint64_t directoryOffset = read32(record + 16);
    // ZIP64 archives keep the real values elsewhere and mark these as 0xFFFFFFFF.
    const bool zip64 = directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF;
    if (zip64 || directoryOffset + directorySize <= at) return true;
  }
  return false;
}

}  // namespace dl
