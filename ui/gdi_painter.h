// The painting layer over GDI.
#pragma once

#include <windows.h>

#include <map>
#include <tuple>

#include "ui/gdi_handles.h"
#include "ui/painter.h"

namespace ui {

// Fonts made for one DPI, kept while the window lives at that DPI.
class FontCache {
 public:
  HFONT get(const Font& font, int dpi);
  void clear() { fonts_.clear(); }

 private:
  std::map<std::tuple<std::wstring, int, bool, int>, UniqueGdiObject> fonts_;
};

class GdiPainter final : public Painter {
 public:
  GdiPainter(HDC dc, int dpi, FontCache& fonts, int iconResource)
      : dc_(dc), dpi_(dpi), fonts_(fonts), iconResource_(iconResource) {}

  void fill(const Rect& r, Argb colour) override;
  void fillRounded(const Rect& r, int radius, Argb colour) override;
  void frame(const Rect& r, int width, Argb colour) override;
  void focusFrame(const Rect& r, Argb colour) override;
  void text(const Rect& r, std::wstring_view text, const Font& font, Argb colour, int alignment,
            bool wrap) override;
  void glyph(const Rect& r, Glyph glyph, Argb colour) override;
  void appIcon(const Rect& r) override;

 private:
  RECT pixels(const Rect& r) const;
  int px(int layout) const;

  HDC dc_;
  int dpi_;
  FontCache& fonts_;
  int iconResource_;
};

}  // namespace ui
