#include "ui/gdi_painter.h"

#include "ui/gdi_handles.h"

#include <algorithm>
#include <array>

namespace ui {
namespace {

COLORREF rgbOf(Argb c) {
  return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

// Nearly opaque colours (the designed black is 0xFE000000) are drawn opaque.
bool opaque(Argb c) {
  return alphaOf(c) >= 0xFE;
}

// Blends a colour with alpha over a rectangle of the DC.
void blend(HDC dc, const RECT& r, Argb colour) {
  const std::uint32_t alpha = alphaOf(colour);
  // One premultiplied pixel, stretched over the rectangle.
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueGdiObject pixel(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const UniqueMemoryDc source(CreateCompatibleDC(dc));
  if (!pixel || !source) return;
  const auto premultiply = [alpha](std::uint32_t channel) { return channel * alpha / 255; };
  *static_cast<std::uint32_t*>(bits) = alpha << 24 | premultiply((colour >> 16) & 0xFF) << 16 |
                                       premultiply((colour >> 8) & 0xFF) << 8 |
                                       premultiply(colour & 0xFF);
  const SelectedObject selected(source.get(), pixel.get());
  const BLENDFUNCTION function{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source.get(), 0, 0, 1, 1,
                function);
}

}  // namespace

HFONT FontCache::get(const Font& font, int dpi) {
  const auto key = std::make_tuple(font.face, font.size, font.bold, dpi);
  if (const auto it = fonts_.find(key); it != fonts_.end()) {
    return static_cast<HFONT>(it->second.get());
  }

  LOGFONTW logFont{};
  logFont.lfHeight = -MulDiv(font.size, dpi, 96);  // sizes are character heights in pixels
  logFont.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(logFont.lfFaceName, font.face.c_str(), LF_FACESIZE);
  UniqueGdiObject made(CreateFontIndirectW(&logFont));

  // Where the system lacks the face, let the font mapper pick one that has Chinese glyphs.
  wchar_t realised[LF_FACESIZE] = {};
  if (HDC screen = GetDC(nullptr)) {
    {
      const SelectedObject selected(screen, made.get());
      GetTextFaceW(screen, LF_FACESIZE, realised);
    }
    ReleaseDC(nullptr, screen);
  }
  if (lstrcmpiW(realised, logFont.lfFaceName) != 0) {
    logFont.lfFaceName[0] = L'\0';
    logFont.lfCharSet = GB2312_CHARSET;
    made.reset(CreateFontIndirectW(&logFont));
  }
  const HGDIOBJ handle = made.get();
  fonts_.emplace(key, std::move(made));
  return static_cast<HFONT>(handle);
}

int GdiPainter::px(int layout) const {
  return MulDiv(layout, dpi_, 96);
}

RECT GdiPainter::pixels(const Rect& r) const {
  return {px(r.left), px(r.top), px(r.right), px(r.bottom)};
}

void GdiPainter::fill(const Rect& r, Argb colour) {
  if (alphaOf(colour) == 0 || r.empty()) return;
  const RECT area = pixels(r);
  if (!opaque(colour)) {
    blend(dc_, area, colour);
    return;
  }
  SetDCBrushColor(dc_, rgbOf(colour));
  FillRect(dc_, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void GdiPainter::fillRounded(const Rect& r, int radius, Argb colour) {
  if (alphaOf(colour) == 0 || r.empty()) return;
  if (!opaque(colour) || radius <= 0) {
    fill(r, colour);
    return;
  }
  const RECT area = pixels(r);
  const SelectedObject pen(dc_, GetStockObject(NULL_PEN));
  const SelectedObject brush(dc_, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc_, rgbOf(colour));
  const int diameter = px(radius * 2);
  RoundRect(dc_, area.left, area.top, area.right + 1, area.bottom + 1, diameter, diameter);
}

void GdiPainter::frame(const Rect& r, int width, Argb colour) {
  if (alphaOf(colour) == 0 || r.empty()) return;
  const int w = std::max(px(width), 1);
  const RECT area = pixels(r);
  const std::array<RECT, 4> edges = {{
      {area.left, area.top, area.right, area.top + w},
      {area.left, area.bottom - w, area.right, area.bottom},
      {area.left, area.top + w, area.left + w, area.bottom - w},
      {area.right - w, area.top + w, area.right, area.bottom - w},
  }};
  for (const RECT& edge : edges) {
    if (opaque(colour)) {
      SetDCBrushColor(dc_, rgbOf(colour));
      FillRect(dc_, &edge, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    } else {
      blend(dc_, edge, colour);
    }
  }
}

void GdiPainter::focusFrame(const Rect& r, Argb colour) {
  const RECT area = pixels(r);
  const COLORREF rgb = rgbOf(colour);
  // Every other pixel along the edges: the familiar dotted focus cue, in the skin's colour.
  for (LONG x = area.left; x < area.right; x += 2) {
    SetPixelV(dc_, x, area.top, rgb);
    SetPixelV(dc_, x, area.bottom - 1, rgb);
  }
  for (LONG y = area.top; y < area.bottom; y += 2) {
    SetPixelV(dc_, area.left, y, rgb);
    SetPixelV(dc_, area.right - 1, y, rgb);
  }
}

void GdiPainter::text(const Rect& r, std::wstring_view text, const Font& font, Argb colour,
                      int alignment, bool wrap) {
  if (alphaOf(colour) == 0 || text.empty()) return;
  const SelectedObject selected(dc_, fonts_.get(font, dpi_));
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, rgbOf(colour));

  // "&" is text, never a mnemonic.
  UINT format = DT_NOPREFIX | DT_NOCLIP;
  if (alignment & align::kCenter) format |= DT_CENTER;
  if (alignment & align::kRight) format |= DT_RIGHT;
  const bool multiLine = wrap || text.find(L'\n') != std::wstring_view::npos;
  format |= multiLine ? (wrap ? DT_WORDBREAK : 0) : DT_SINGLELINE;

  RECT area = pixels(r);
  const int length = static_cast<int>(text.size());
  if (!(alignment & align::kTop)) {
    if (multiLine) {
      RECT measured = area;
      DrawTextW(dc_, text.data(), length, &measured, format | DT_CALCRECT);
      const LONG spare = (area.bottom - area.top) - (measured.bottom - measured.top);
      area.top += std::max<LONG>(spare / 2, 0);
    } else {
      format |= DT_VCENTER;
    }
  }
  DrawTextW(dc_, text.data(), length, &area, format);
}

void GdiPainter::glyph(const Rect& r, Glyph glyph, Argb colour) {
  if (alphaOf(colour) == 0) return;
  const RECT area = pixels(r);
  const int cx = (area.left + area.right) / 2;
  const int cy = (area.top + area.bottom) / 2;
  const int half = px(5);
  const COLORREF rgb = rgbOf(colour);
  const UniqueGdiObject penObject(CreatePen(PS_SOLID, std::max(px(1), 1), rgb));
  const SelectedObject pen(dc_, penObject.get());
  const SelectedObject brush(dc_, GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc_, rgb);
  switch (glyph) {
    case Glyph::DropArrow: {
      const int w = px(5);
      const int h = px(3);
      const POINT triangle[] = {{cx - w, cy - h + 1}, {cx + w, cy - h + 1}, {cx, cy + h + 1}};
      Polygon(dc_, triangle, 3);
      break;
    }
    case Glyph::Close:
      MoveToEx(dc_, cx - half, cy - half, nullptr);
      LineTo(dc_, cx + half + 1, cy + half + 1);
      MoveToEx(dc_, cx + half, cy - half, nullptr);
      LineTo(dc_, cx - half - 1, cy + half + 1);
      break;
    case Glyph::Maximize: {
      const SelectedObject hollow(dc_, GetStockObject(NULL_BRUSH));
      Rectangle(dc_, cx - half, cy - half, cx + half + 1, cy + half + 1);
      break;
    }
    case Glyph::Minimize:
      MoveToEx(dc_, cx - half, cy, nullptr);
      LineTo(dc_, cx + half + 1, cy);
      break;
  }
}

void GdiPainter::appIcon(const Rect& r) {
  const RECT area = pixels(r);
  const int size = area.right - area.left;
  HICON icon = iconResource_ == 0 ? nullptr
                                  : static_cast<HICON>(LoadImageW(
                                        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconResource_),
                                        IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (icon == nullptr) return;
  DrawIconEx(dc_, area.left, area.top, icon, size, size, 0, nullptr, DI_NORMAL);
  DestroyIcon(icon);
}

}  // namespace ui
