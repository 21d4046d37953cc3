// The one real window under a Root: turns Win32 messages into the root's input, paints the
// control tree double-buffered at the window's DPI, and lets the skinned caption bar move the
// window like a system caption.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/gdi_painter.h"
#include "ui/root.h"

namespace ui {

class HostWindow {
 public:
  struct Options {
    std::wstring title;
    Point position;  // layout units, scaled by the DPI of the screen it opens on
    int iconResource = 0;
  };

  HostWindow(Root& root, Options options);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND handle() const { return window_; }
  int dpi() const { return dpi_; }
  // From layout units to this window's client pixels.
  int toPixels(int layout) const { return scale(layout, dpi_); }

  // Paints the whole window into `dc` (a device context of the client's size).
  void render(HDC dc) const;

  std::function<void()> onDestroyed;

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void paint();
  void dpiChanged(int dpi, const RECT& suggested);
  Point layoutPoint(LPARAM lParam) const;

  Root& root_;
  Options options_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  bool trackingLeave_ = false;
  mutable FontCache fonts_;  // for the window's current DPI
};

// The DPI of a window, or of the system where the platform cannot tell per window.
int dpiOf(HWND window);

}  // namespace ui
