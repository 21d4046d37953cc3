// hold_file PATH READY-EVENT RELEASE-EVENT
// Opens PATH with no sharing at all, as another program holding the file would, signals the
// named event READY-EVENT and keeps the file open until RELEASE-EVENT is signalled (or two minutes
// have passed, so a test that died never leaves it behind). Exit code 0 when the file was held.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  const HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (ready == nullptr || release == nullptr) return 3;
  SetEvent(ready);
  WaitForSingleObject(release, 120'000);
  CloseHandle(file);
  return 0;
}
