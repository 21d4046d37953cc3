#include "ui/host_window.h"

#include <windowsx.h>

#include "ui/gdi_handles.h"
#include "ui/gdi_painter.h"

namespace ui {
namespace {

constexpr wchar_t kClassName[] = L"ServerCoreDownloaderWindow";

// Per-window DPI needs Windows 10; older systems answer with the system DPI.
int systemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

Key keyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_TAB:
      return Key::Tab;
    case VK_RETURN:
      return Key::Enter;
    case VK_SPACE:
      return Key::Space;
    case VK_ESCAPE:
      return Key::Escape;
    case VK_UP:
      return Key::Up;
    case VK_DOWN:
      return Key::Down;
    case VK_HOME:
      return Key::Home;
    case VK_END:
      return Key::End;
    case VK_PRIOR:
      return Key::PageUp;
    case VK_NEXT:
      return Key::PageDown;
    case VK_F4:
      return Key::F4;
    default:
      return Key::Other;
  }
}

Modifiers currentModifiers() {
  return {GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

void registerClassOnce(HINSTANCE instance, WNDPROC procedure, int iconResource) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kClassName, &existing)) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  if (iconResource != 0) {
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(iconResource));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconResource),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
  }
  RegisterClassExW(&windowClass);
}

}  // namespace

int dpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return systemDpi();
}

HostWindow::HostWindow(Root& root, Options options) : root_(root), options_(std::move(options)) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  registerClassOnce(instance, &HostWindow::windowProc, options_.iconResource);

  // A borderless window: the skinned frame draws the caption bar, which answers hit-tests as a
  // caption, so the system still moves the window; it keeps its system menu (Alt+Space, Alt+F4)
  // and its taskbar minimize. No WS_CAPTION: under Wine a window manager would add a title bar
  // of its own to a captioned window.
  const int dpi = systemDpi();
  const Rect designed = root_.area();
  window_ = CreateWindowExW(0, kClassName, options_.title.c_str(),
                            WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                            scale(options_.position.x, dpi), scale(options_.position.y, dpi),
                            scale(designed.width(), dpi), scale(designed.height(), dpi), nullptr,
                            nullptr, instance, this);
  dpi_ = dpiOf(window_);
  if (dpi_ != dpi) {
    SetWindowPos(window_, nullptr, 0, 0, scale(designed.width(), dpi_),
                 scale(designed.height(), dpi_), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  root_.onInvalidate([this](const Rect& r) {
    const RECT area{toPixels(r.left), toPixels(r.top), toPixels(r.right), toPixels(r.bottom)};
    InvalidateRect(window_, &area, FALSE);
  });
}

HostWindow::~HostWindow() {
  root_.onInvalidate(nullptr);
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
}

LRESULT CALLBACK HostWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self != nullptr ? self->handleMessage(message, wParam, lParam)
                         : DefWindowProcW(window, message, wParam, lParam);
}

Point HostWindow::layoutPoint(LPARAM lParam) const {
  return {unscale(GET_X_LPARAM(lParam), dpi_), unscale(GET_Y_LPARAM(lParam), dpi_)};
}

LRESULT HostWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: {
      POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(window_, &p);
      const Point layout{unscale(p.x, dpi_), unscale(p.y, dpi_)};
      return root_.frameHit(layout) == FrameHit::Caption ? HTCAPTION : HTCLIENT;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      paint();
      return 0;
    case WM_MOUSEMOVE:
      if (!trackingLeave_) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window_;
        trackingLeave_ = TrackMouseEvent(&track) != FALSE;
      }
      root_.mouseMove(layoutPoint(lParam));
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      root_.mouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(window_);
      root_.mouseDown(layoutPoint(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == window_) ReleaseCapture();
      root_.mouseUp(layoutPoint(lParam));
      return 0;
    case WM_MOUSEWHEEL:
      root_.wheel(GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      const Modifiers modifiers = currentModifiers();
      const Key key = keyOf(wParam);
      // Alt+F4 and the other system keys stay the system's.
      const bool systemKey = modifiers.alt && key != Key::Up && key != Key::Down;
      if (key != Key::Other && !systemKey && root_.keyDown(key, modifiers)) return 0;
      break;
    }
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
      if (root_.openList() != nullptr) root_.setOpenList(nullptr);
      break;
    case WM_DPICHANGED:
      dpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY: {
      window_ = nullptr;
      if (onDestroyed) onDestroyed();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void HostWindow::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  RECT client;
  GetClientRect(window_, &client);
  {
    // Double-buffered: the whole frame is drawn off screen, then copied in one go.
    const UniqueMemoryDc buffer(CreateCompatibleDC(dc));
    const UniqueGdiObject bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (buffer && bitmap) {
      const SelectedObject selected(buffer.get(), bitmap.get());
      render(buffer.get());
      BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
             ps.rcPaint.bottom - ps.rcPaint.top, buffer.get(), ps.rcPaint.left, ps.rcPaint.top,
             SRCCOPY);
    } else {
      render(dc);
    }
  }
  EndPaint(window_, &ps);
}

void HostWindow::render(HDC dc) const {
  GdiPainter painter(dc, dpi_, fonts_, options_.iconResource);
  root_.paint(painter);
}

void HostWindow::dpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  fonts_.clear();
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window_, nullptr, FALSE);
}

}  // namespace ui
