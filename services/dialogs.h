// The modal services: the folder browser and the notice box. Both block until the user is done.
#pragma once

#include <cstdint>

#include "downloads/gbk.h"
#include "downloads/services.h"

namespace dl {

// Lets the user pick a folder; the empty path when cancelled or when the item has no file-system
// path. The program's top-level windows are disabled while the browser is up.
PathText chooseFolder(const char* prompt);

// A message box with no owner; task-modal unless the style asks for system-modal.
NoticeResult showNotice(const char* text, std::uint32_t style, const char* caption);

}  // namespace dl
