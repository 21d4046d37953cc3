// startup_watch EXE
// Starts EXE, waits until a message box of that process is visible (polling every millisecond),
// prints the seconds from the launch to then, and ends the process. Exit code 1 when no message
// box came within 30 s.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

double now() {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Search {
  DWORD process;
  bool found;
};

BOOL CALLBACK findNotice(HWND window, LPARAM param) {
  auto& search = *reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (process == search.process && IsWindowVisible(window) &&
      std::wstring(className) == L"#32770") {
    search.found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: startup_watch EXE\n");
    return 2;
  }
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const double start = now();
  if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "cannot start the program: %lu\n", GetLastError());
    return 2;
  }
  Search search{process.dwProcessId, false};
  double seen = 0;
  while (!search.found && now() - start < 30) {
    EnumWindows(findNotice, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      seen = now();
    } else {
      Sleep(1);
    }
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10'000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!search.found) {
    std::fprintf(stderr, "no message box within 30 s\n");
    return 1;
  }
  std::printf("seconds=%.6f\n", seen - start);
  return 0;
}
