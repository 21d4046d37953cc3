// Process entry. For now the program shows its start-up notice and ends; the main window follows.
#include <ole2.h>
#include <windows.h>

#include "services/dialogs.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Never pick up a DLL from the program's folder or the working directory.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (FAILED(OleInitialize(nullptr))) return 1;
  dl::showNotice("下载时程序将未响应，等待即可", dl::kNoticeInformation, "下载提示");
  OleUninitialize();
  return 0;
}
