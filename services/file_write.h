#pragma once

#include <cstddef>
#include <span>

#include "downloads/gbk.h"

namespace dl {

// Replaces the file at `path` with `data`: the bytes go to a temporary file in the same folder,
// which then takes the target's place in one step. On failure the target is as it was and no
// temporary file is left.
bool writeWholeFile(const PathText& path, std::span<const std::byte> data);

}  // namespace dl
