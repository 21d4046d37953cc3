// Points and rectangles in the layout's own units: pixels at 96 DPI, scaled at the edge.
#pragma once

#include <algorithm>
#include <cstdint>

namespace ui {

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(Point, Point) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static constexpr Rect at(int x, int y, int width, int height) {
    return {x, y, x + width, y + height};
  }
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr bool empty() const { return right <= left || bottom <= top; }
  constexpr bool contains(Point p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  constexpr Rect offset(int dx, int dy) const {
    return {left + dx, top + dy, right + dx, bottom + dy};
  }
  constexpr Rect inset(int dx, int dy) const {
    return {left + dx, top + dy, right - dx, bottom - dy};
  }
  constexpr Rect intersect(const Rect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// From 96-DPI layout units to device pixels, rounding as MulDiv does.
constexpr int scale(int value, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  return static_cast<int>(product >= 0 ? (product + 48) / 96 : (product - 48) / 96);
}

constexpr Rect scale(const Rect& r, int dpi) {
  return {scale(r.left, dpi), scale(r.top, dpi), scale(r.right, dpi), scale(r.bottom, dpi)};
}

// From device pixels back to layout units (for mouse positions).
constexpr int unscale(int value, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(value) * 96;
  return static_cast<int>(product >= 0 ? (product + dpi / 2) / dpi : (product - dpi / 2) / dpi);
}

}  // namespace ui
