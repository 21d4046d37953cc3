// MainWindow on screen: the designed controls in a real window, each download button wired to
// the download handler with its page's family and the reader of its page's list.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "app/window_description.h"
#include "downloads/text.h"
#include "ui/host_window.h"

namespace app {

// What the window's controls raise; the program binds some of them to handlers.
enum class Event { Creation, Click };

class MainWindow {
 public:
  using EventSink = std::function<void(std::wstring_view control, Event event)>;

  // Builds the window and its controls hidden; `raise` receives their events.
  explicit MainWindow(EventSink raise);

  HWND handle() const { return host_->handle(); }
  const MainWindowControls& controls() const { return controls_; }
  ui::HostWindow& host() { return *host_; }

  // A fresh GBK copy of what the family's list shows right now.
  dl::ListTextReader readerOf(dl::ComponentFamily family) const;

  std::function<void()> onDestroyed;

 private:
  ui::Root root_{kWindowArea};
  MainWindowControls controls_;
  std::unique_ptr<ui::HostWindow> host_;
};

}  // namespace app
