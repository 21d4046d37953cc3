#include "ui/root.h"

#include <algorithm>

#include "ui/controls.h"

namespace ui {

Control* Root::find(std::wstring_view name) const {
  for (const auto& control : controls_) {
    if (control->name() == name) return control.get();
  }
  return nullptr;
}

void Root::invalidate(const Rect& r) const {
  if (invalidate_ && !r.empty()) invalidate_(r);
}

void Root::paintTree(Painter& painter, const std::vector<Control*>& controls) const {
  for (const Control* control : controls) {
    if (!control->shown()) continue;
    control->paint(painter);
    paintTree(painter, control->children());
  }
}

void Root::paint(Painter& painter) const {
  paintTree(painter, topLevel_);
  if (openList_ != nullptr) openList_->paintDropList(painter);
}

Control* Root::hitIn(const std::vector<Control*>& controls, Point p) const {
  // Later controls lie on top of earlier ones.
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    Control* control = *it;
    if (!control->shown()) continue;
    if (Control* child = hitIn(control->children(), p)) return child;
    if (control->enabled() && control->hits(p)) return control;
  }
  return nullptr;
}

Control* Root::hitTest(Point p) const {
  if (openList_ != nullptr && openList_->dropRect().contains(p)) return openList_;
  return hitIn(topLevel_, p);
}

FrameHit Root::frameHit(Point p) const {
  const Control* hit = hitTest(p);
  if (hit != nullptr && hit->kind() == Kind::WindowEx &&
      static_cast<const WindowEx*>(hit)->partAt(p) == WindowEx::Part::Caption) {
    return FrameHit::Caption;
  }
  return FrameHit::Client;
}

void Root::setHovered(Control* control) {
  if (control == hovered_) return;
  if (hovered_ != nullptr) hovered_->invalidate();
  hovered_ = control;
  if (hovered_ != nullptr) hovered_->invalidate();
}

void Root::mouseMove(Point p) {
  if (pressed_ != nullptr) {
    // The pressed control has the capture: it alone follows the mouse.
    setHovered(pressed_->hits(p) || pressed_ == openList_ ? pressed_ : nullptr);
    pressed_->mouseMove(p);
    return;
  }
  Control* hit = hitTest(p);
  setHovered(hit);
  if (hit != nullptr) hit->mouseMove(p);
}

void Root::mouseDown(Point p) {
  Control* hit = hitTest(p);
  // A press anywhere but on the open list closes it, and does nothing else.
  if (openList_ != nullptr && hit != openList_) {
    setOpenList(nullptr);
    return;
  }
  if (hit == nullptr) return;
  if (hit->focusable()) setFocus(hit);
  pressed_ = hit;
  hit->invalidate();
  hit->mouseDown(p);
}

void Root::mouseUp(Point p) {
  Control* target = pressed_;
  pressed_ = nullptr;
  if (target == nullptr) return;
  target->invalidate();
  const bool inside = target->hits(p) || (target == openList_ && openList_->dropRect().contains(p));
  target->mouseUp(p, inside);
  mouseMove(p);
}

void Root::mouseLeave() {
  if (pressed_ == nullptr) setHovered(nullptr);
}

void Root::wheel(int notches) {
  if (openList_ != nullptr) openList_->scroll(-notches);
}

bool Root::keyDown(Key key, Modifiers modifiers) {
  if (openList_ != nullptr) return openList_->keyDown(key, modifiers);
  if (key == Key::Tab && modifiers.ctrl) {
    for (const auto& control : controls_) {
      if (control->kind() != Kind::SelectthefolderEx || !control->shown()) continue;
      auto& tabs = static_cast<SelectthefolderEx&>(*control);
      const int count = static_cast<int>(tabs.pages().size());
      tabs.select((tabs.selected() + (modifiers.shift ? count - 1 : 1)) % count);
      return true;
    }
    return false;
  }
  if (focused_ != nullptr && focused_->keyDown(key, modifiers)) return true;
  if (key == Key::Tab) {
    moveFocus(modifiers.shift);
    return true;
  }
  return false;
}

std::vector<Control*> Root::focusOrder() const {
  std::vector<Control*> order;
  for (const auto& control : controls_) {
    if (control->focusable() && control->shown() && control->enabled()) {
      order.push_back(control.get());
    }
  }
  // Reading order: top to bottom, then left to right.
  std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
    const Rect ra = a->screenRect();
    const Rect rb = b->screenRect();
    return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
  });
  return order;
}

void Root::setFocus(Control* control) {
  if (control == focused_) return;
  Control* previous = focused_;
  focused_ = control;
  if (previous != nullptr) {
    previous->invalidate();
    previous->focusChanged();
  }
  if (focused_ != nullptr) {
    focused_->invalidate();
    focused_->focusChanged();
  }
}

void Root::moveFocus(bool backward) {
  const std::vector<Control*> order = focusOrder();
  if (order.empty()) return;
  const auto at = std::find(order.begin(), order.end(), focused_);
  const int count = static_cast<int>(order.size());
  int index = at == order.end() ? (backward ? count - 1 : 0)
                                : static_cast<int>(at - order.begin()) + (backward ? -1 : 1);
  setFocus(order[(index % count + count) % count]);
}

void Root::refocus() {
  if (focused_ != nullptr && focused_->shown() && focused_->enabled()) return;
  const std::vector<Control*> order = focusOrder();
  setFocus(order.empty() ? nullptr : order.front());
}

void Root::setOpenList(ComboboxEx* list) {
  if (list == openList_) return;
  if (openList_ != nullptr) invalidate(openList_->dropRect());
  openList_ = list;
  if (openList_ != nullptr) invalidate(openList_->dropRect());
}

}  // namespace ui
