#include "app/program.h"

#include <array>

#include "app/appearance.h"
#include "downloads/procedure.h"

namespace app {
namespace {

using dl::ComponentFamily;

using Handler = void (*)(Program&);

template <ComponentFamily family>
void download(Program& program) {
  dl::runDownload(family, program.window().readerOf(family), program.services());
}

struct Binding {
  const wchar_t* control;
  Event event;
  Handler handler;
};

// Every event the program handles. Nothing else has a handler: not the close request, the tab
// control, the lists or the labels.
// clang-format off
constexpr std::array kBindings{
    Binding{L"窗口",       Event::Creation, &onMainWindowCreated},
    Binding{L"下载Paper",  Event::Click,    &download<ComponentFamily::Paper>},
    Binding{L"下载Spigot", Event::Click,    &download<ComponentFamily::Spigot>},
    Binding{L"下载Java",   Event::Click,    &download<ComponentFamily::Java>},
};
// clang-format on

}  // namespace

void onMainWindowCreated(Program& program) {
  applyStartupAppearance(program.window().controls());
  program.services().showNotice("下载时程序将未响应，等待即可", dl::kNoticeInformation, "下载提示");
}

Program::Program(dl::DownloadServices& services)
    : services_(services),
      window_([this](std::wstring_view control, Event event) { raise(control, event); }) {
  window_.onDestroyed = [] { PostQuitMessage(0); };
  delivering_ = true;
}

void Program::raise(std::wstring_view control, Event event) {
  if (!delivering_) return;
  for (const Binding& binding : kBindings) {
    if (binding.control == control && binding.event == event) binding.handler(*this);
  }
}

int Program::run() {
  raise(L"窗口", Event::Creation);
  HWND window = window_.handle();
  if (!IsWindow(window)) return 0;
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  delivering_ = false;
  return static_cast<int>(message.wParam);
}

}  // namespace app
