// MainWindow as designed: the frame, the tab control with its three pages, and the page
// controls, built from one description table into a Root.
#pragma once

#include <functional>

#include "downloads/catalogue.h"
#include "ui/controls.h"
#include "ui/root.h"

namespace app {

inline constexpr ui::Rect kWindowArea = ui::Rect::at(0, 0, 491, 323);
inline constexpr ui::Point kWindowPosition{50, 50};
inline constexpr wchar_t kWindowCaption[] = L"下载Java/服务器核心";
inline constexpr wchar_t kListInitialText[] = L"---------请选择---------";

// The controls the program talks to, found by their names once the window is built.
struct MainWindowControls {
  ui::WindowEx* frame;
  ui::SelectthefolderEx* tabs;
  ui::ComboboxEx* list(dl::ComponentFamily family) const;
  ui::ButtonEx* button(dl::ComponentFamily family) const;
  ui::Root* root;
};

// Builds every control of the window into `root` (sized kWindowArea), as designed.
MainWindowControls buildMainWindow(ui::Root& root);

// The page of each family, in tab order.
int pageOf(dl::ComponentFamily family);

}  // namespace app
