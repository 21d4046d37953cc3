// The default skins: colour and metric slots of each kind of component. Metrics are in 96-DPI
// layout units. A control's own colour settings, where not 0, take precedence.
#pragma once

#include "ui/painter.h"

namespace ui::skin {

struct Frame {
  Argb background = 0xFF343A40;  // dark grey: the window and its caption bar
  Argb glyph = 0xFFE9ECEF;       // light grey: the caption-bar buttons
  Argb border = 0xFF495057;
  Argb buttonHover = 0x33E9ECEF;
  Argb buttonPressed = 0x55E9ECEF;
  Argb closeHover = 0xFFC42B1C;
  Argb disabledGlyph = 0xFF6C757D;
  int captionHeight = 30;
  int buttonSize = 30;
  int iconSize = 20;
  int captionFontSize = 14;
};

struct Tabs {
  Argb page = 0xFF343A40;
  Argb accent = 0xFFC8C8C8;    // the selected tab's bar
  Argb border = 0x99C8C8C8;    // around the page area
  Argb hover = 0x66F5F5F5;     // a tab under the mouse
  Argb selected = 0x26F5F5F5;  // the selected tab's header
  int headerHeight = 28;
  int accentHeight = 2;
  int captionFontSize = 14;
};

struct Button {
  Argb face = 0xFF495057;
  Argb pressed = 0xFF212529;
  Argb hover = 0xFF5C636A;
  Argb border = 0xFF868E96;
  Argb disabled = 0x99BEBEBE;
  Argb focus = 0xFFA0A0A0;
  int radius = 4;
};

struct List {
  Argb field = 0xFF212529;
  Argb fieldHover = 0xFF2B3035;
  Argb arrowButton = 0xFF6C757D;  // light enough for a black or a white arrow
  Argb dropBackground = 0xFF2B3035;
  Argb focus = 0xFFA0A0A0;
  int arrowWidth = 28;
  int itemHeight = 20;
  int maxVisibleItems = 8;
  int padding = 8;
};

inline constexpr Frame kFrame{};
inline constexpr Tabs kTabs{};
inline constexpr Button kButton{};
inline constexpr List kList{};

// The face used where a control names none, and for faces the system lacks.
inline constexpr wchar_t kDefaultFace[] = L"微软雅黑";
inline constexpr int kDefaultFontSize = 14;

}  // namespace ui::skin
