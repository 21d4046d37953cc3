// Owns the control tree of one window and everything about input that is not a single control's
// business: hit-testing, hover, mouse capture, keyboard focus and the open drop-down list.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/control.h"

namespace ui {

class ComboboxEx;

// What a point of the window is to the window system.
enum class FrameHit { Client, Caption };

class Root {
 public:
  explicit Root(Rect designed) : size_(designed) {}

  template <typename T, typename... Args>
  T& add(Control* parent, Args&&... args) {
    auto control = std::make_unique<T>(*this, parent, std::forward<Args>(args)...);
    T& added = *control;
    (parent != nullptr ? parent->children_ : topLevel_).push_back(&added);
    controls_.push_back(std::move(control));
    return added;
  }

  Control* find(std::wstring_view name) const;
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  // The window's client area in layout units.
  Rect area() const { return size_; }

  // Called with a root rectangle that needs repainting.
  void onInvalidate(std::function<void(const Rect&)> callback) {
    invalidate_ = std::move(callback);
  }
  void invalidate(const Rect& r) const;

  void paint(Painter& painter) const;

  // Input in layout units.
  void mouseMove(Point p);
  void mouseDown(Point p);
  void mouseUp(Point p);
  void mouseLeave();
  void wheel(int notches);  // positive: away from the user
  bool keyDown(Key key, Modifiers modifiers);
  // Where the mouse would land: the open drop-down list first, then the topmost shown control.
  Control* hitTest(Point p) const;
  FrameHit frameHit(Point p) const;

  Control* hovered() const { return hovered_; }
  Control* pressed() const { return pressed_; }
  Control* focused() const { return focused_; }
  void setFocus(Control* control);
  // Moves the focus through the shown, enabled, focusable controls in reading order.
  void moveFocus(bool backward);
  // After pages switch or controls hide: the focus goes to the first control that can take it.
  void refocus();

  ComboboxEx* openList() const { return openList_; }
  void setOpenList(ComboboxEx* list);

 private:
  std::vector<Control*> focusOrder() const;
  Control* hitIn(const std::vector<Control*>& controls, Point p) const;
  void paintTree(Painter& painter, const std::vector<Control*>& controls) const;
  void setHovered(Control* control);

  Rect size_;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<Control*> topLevel_;
  std::function<void(const Rect&)> invalidate_;
  Control* hovered_ = nullptr;
  Control* pressed_ = nullptr;  // also holds the mouse capture
  Control* focused_ = nullptr;
  ComboboxEx* openList_ = nullptr;
};

}  // namespace ui
