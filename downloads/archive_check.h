#pragma once

#include <cstddef>
#include <span>

namespace dl {

// True when `bytes` has the shape of a ZIP archive (every .jar and .zip is one): a local file
// header at the start and an end-of-central-directory record that closes the data exactly.
// Mirrors answer a missing file with an HTML page and status 200; this tells the two apart.
bool looksLikeZipArchive(std::span<const std::byte> bytes);

}  // namespace dl
