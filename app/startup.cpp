#include "app/startup.h"

#include <windows.h>

#include <string>

namespace app {

void enterProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // a long path: try again with room for it
  }
  const std::size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos) return;
  path.resize(cut);
  if (path.size() == 2 && path[1] == L':') path += L'\\';  // a drive's root keeps its backslash
  SetCurrentDirectoryW(path.c_str());
}

}  // namespace app
