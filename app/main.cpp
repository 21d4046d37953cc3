// Process entry: prepares the process, builds the main window hidden, runs its creation handler
// (appearance, then the start-up notice), shows the window and runs the event loop.
#include <ole2.h>
#include <windows.h>

#include <string>

#include "app/program.h"
#include "services/windows_services.h"

namespace {

// The folder that holds the program's own file becomes the working directory.
void enterProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos) return;
  path.resize(cut);
  if (path.size() == 2 && path[1] == L':') path += L'\\';  // a drive's root keeps its backslash
  SetCurrentDirectoryW(path.c_str());
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Never pick up a DLL from the program's folder or the working directory.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (FAILED(OleInitialize(nullptr))) return 1;
  enterProgramFolder();

  int exitCode = 0;
  {
    dl::WindowsServices services;
    app::Program program(services);
    exitCode = program.run();
  }
  OleUninitialize();
  return exitCode;
}
