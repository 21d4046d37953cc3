// The one small painting layer every control draws through. Colours are ARGB (0xAARRGGBB); a
// colour with alpha 0 draws nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/geometry.h"

namespace ui {

using Argb = std::uint32_t;

constexpr std::uint8_t alphaOf(Argb c) {
  return static_cast<std::uint8_t>(c >> 24);
}

// Text alignment flags, as the labels', buttons' and lists' alignment settings hold them.
namespace align {
inline constexpr int kLeft = 0;
inline constexpr int kCenter = 1;  // horizontally
inline constexpr int kRight = 2;
inline constexpr int kTop = 4;  // otherwise centred vertically
}  // namespace align

struct Font {
  std::wstring face;  // empty: the default face
  int size = 0;       // character height in layout pixels; 0: the default size
  bool bold = false;
  friend bool operator==(const Font&, const Font&) = default;
};

enum class Glyph { DropArrow, Close, Maximize, Minimize };

class Painter {
 public:
  virtual ~Painter() = default;
  virtual void fill(const Rect& r, Argb colour) = 0;
  virtual void fillRounded(const Rect& r, int radius, Argb colour) = 0;
  virtual void frame(const Rect& r, int width, Argb colour) = 0;
  // A one-pixel dotted rectangle that marks the keyboard focus.
  virtual void focusFrame(const Rect& r, Argb colour) = 0;
  // `text` inside `r`; lines break at CR LF, and with `wrap` also at the edge.
  virtual void text(const Rect& r, std::wstring_view text, const Font& font, Argb colour,
                    int alignment, bool wrap) = 0;
  virtual void glyph(const Rect& r, Glyph glyph, Argb colour) = 0;
  virtual void appIcon(const Rect& r) = 0;
};

}  // namespace ui
