// Process entry: prepares the process, builds the main window hidden, runs its creation handler
// (appearance, then the start-up notice), shows the window and runs the event loop.
#include <ole2.h>
#include <windows.h>

#include "app/program.h"
#include "app/startup.h"
#include "services/windows_services.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Never pick up a DLL from the program's folder or the working directory.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (FAILED(OleInitialize(nullptr))) return 1;
  app::enterProgramFolder();

  int exitCode = 0;
  {
    dl::WindowsServices services;
    app::Program program(services);
    exitCode = program.run();
  }
  OleUninitialize();
  return exitCode;
}
