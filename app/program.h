// The program as a whole: the main window, the services, and the table that binds the window's
// events to their handlers.
#pragma once

#include <string_view>

#include "app/main_window.h"
#include "downloads/services.h"

namespace app {

class Program {
 public:
  // Builds MainWindow hidden. No event is delivered while it is being built.
  explicit Program(dl::DownloadServices& services);

  MainWindow& window() { return window_; }
  dl::DownloadServices& services() { return services_; }

  // Delivers an event through the binding table; events without a row do nothing.
  void raise(std::wstring_view control, Event event);

  // Raises the creation event, shows the window if it still exists, and runs the event loop
  // until the quit message. Returns the quit message's value.
  int run();

 private:
  dl::DownloadServices& services_;
  bool delivering_ = false;
  MainWindow window_;
};

// The creation handler: the start-up appearance, then the start-up notice.
void onMainWindowCreated(Program& program);

}  // namespace app
