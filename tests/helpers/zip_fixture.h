// Builds small, real ZIP archives (stored, not compressed) for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dl::testing {

using Bytes = std::vector<std::byte>;

inline Bytes bytesOf(std::string_view text) {
  Bytes out(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = static_cast<std::byte>(text[i]);
  return out;
}

inline std::uint32_t crc32Of(std::string_view data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : data) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// An archive of (name, content) members, with an optional archive comment.
inline Bytes makeZip(const std::vector<std::pair<std::string, std::string>>& members,
                     std::string_view comment = {}) {
  Bytes out;
  const auto put16 = [&](std::size_t v) {
    for (int i = 0; i < 2; ++i) out.push_back(static_cast<std::byte>((v >> (8 * i)) & 0xFF));
  };
  const auto put32 = [&](std::size_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::byte>((v >> (8 * i)) & 0xFF));
  };
  const auto putText = [&](std::string_view text) {
    const Bytes b = bytesOf(text);
    out.insert(out.end(), b.begin(), b.end());
  };

  std::vector<std::size_t> offsets;
  for (const auto& [name, content] : members) {
    offsets.push_back(out.size());
    put32(0x04034b50);
    put16(10), put16(0), put16(0), put16(0), put16(0x21);  // version, flags, stored, time, date
    put32(crc32Of(content)), put32(content.size()), put32(content.size());
    put16(name.size()), put16(0);
    putText(name), putText(content);
  }
  const std::size_t directoryStart = out.size();
  for (std::size_t i = 0; i < members.size(); ++i) {
    const auto& [name, content] = members[i];
    put32(0x02014b50);
    put16(20), put16(10), put16(0), put16(0), put16(0), put16(0x21);
    put32(crc32Of(content)), put32(content.size()), put32(content.size());
    put16(name.size()), put16(0), put16(0), put16(0), put16(0);
    put32(0), put32(offsets[i]);
    putText(name);
  }
  const std::size_t directorySize = out.size() - directoryStart;
  put32(0x06054b50);
  put16(0), put16(0), put16(members.size()), put16(members.size());
  put32(directorySize), put32(directoryStart), put16(comment.size());
  putText(comment);
  return out;
}

}  // namespace dl::testing
