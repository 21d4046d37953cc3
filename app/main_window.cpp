#include "app/main_window.h"

#include <string>

#include "app/resources/resource_ids.h"
#include "downloads/gbk.h"

namespace app {

MainWindow::MainWindow(EventSink raise) : controls_(buildMainWindow(root_)) {
  host_ = std::make_unique<ui::HostWindow>(
      root_, ui::HostWindow::Options{kWindowCaption, kWindowPosition, IDI_APP});
  host_->onDestroyed = [this] {
    if (onDestroyed) onDestroyed();
  };

  HWND window = host_->handle();
  controls_.frame->onClose = [window] { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); };
  controls_.frame->onMinimize = [window] { ShowWindow(window, SW_MINIMIZE); };

  for (const dl::ComponentFamily family :
       {dl::ComponentFamily::Java, dl::ComponentFamily::Paper, dl::ComponentFamily::Spigot}) {
    ui::ButtonEx* button = controls_.button(family);
    button->onClick = [button, raise] {
      if (raise) raise(button->name(), Event::Click);
    };
  }
}

dl::ListTextReader MainWindow::readerOf(dl::ComponentFamily family) const {
  const ui::ComboboxEx* list = controls_.list(family);
  return [list]() -> std::optional<std::string> {
    const std::wstring& shown = list->currentText();
    if (shown.empty()) return std::nullopt;
    return dl::utf16ToGbk(std::u16string(shown.begin(), shown.end()));
  };
}

}  // namespace app
