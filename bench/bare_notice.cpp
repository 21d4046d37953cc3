// The start-up baseline: a bare Win32 program that shows one message box with the program's own
// start-up notice text, and nothing else.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"下载时程序将未响应，等待即可", L"下载提示",
              MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
  return 0;
}
