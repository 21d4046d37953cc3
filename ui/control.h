// The skinned components: windowless controls under one Root that owns hit-testing, hover,
// mouse capture and focus. Each kind keeps a list of settings addressed by place (counted from
// 0); places 0 to 7 are common to every kind, each kind's own follow from place 8.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "ui/geometry.h"
#include "ui/painter.h"

namespace ui {

class Root;

enum class Kind { WindowEx, SelectthefolderEx, LabelEx, ComboboxEx, ButtonEx };

struct ListItem {
  std::wstring title;
  Argb colour = 0xFFE9ECEF;  // items have an image slot too, which is left empty here
  friend bool operator==(const ListItem&, const ListItem&) = default;
};

// What a place holds: nothing (the kind has no setting there), an integer or colour, a text, or
// a list's items.
using SettingValue =
    std::variant<std::monostate, std::int32_t, std::wstring, std::vector<ListItem>>;

// Places common to every kind.
namespace place {
inline constexpr int kLeft = 0;
inline constexpr int kTop = 1;
inline constexpr int kWidth = 2;
inline constexpr int kHeight = 3;
inline constexpr int kVisible = 4;
inline constexpr int kEnabled = 5;
inline constexpr int kFontFace = 6;
inline constexpr int kFontSize = 7;
}  // namespace place

struct SettingSlot {
  int place;
  SettingValue initial;
};

enum class Key { Tab, Enter, Space, Escape, Up, Down, Home, End, PageUp, PageDown, F4, Other };

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

class Control {
 public:
  Control(Root& root, Control* parent, Kind kind, std::wstring name,
          const std::vector<SettingSlot>& slots);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Kind kind() const { return kind_; }
  const std::wstring& name() const { return name_; }
  Control* parent() const { return parent_; }
  const std::vector<Control*>& children() const { return children_; }

  // Settings by place. Writing an integer repaints what it affects; false when the place holds
  // no integer setting of this kind.
  bool writeInt(int place, std::int32_t value);
  std::int32_t readInt(int place) const;
  bool writeText(int place, std::wstring value);
  bool writeItems(int place, std::vector<ListItem> items);
  const std::wstring& readText(int place) const;
  const SettingValue& setting(int place) const;

  // Position and size in the parent's content area.
  Rect bounds() const;
  // Position and size in the root window.
  Rect screenRect() const;
  // Where children's positions are measured from, in the root window.
  virtual Point contentOrigin() const;
  bool shown() const;  // visible itself, on the selected page, and every parent shown
  bool enabled() const { return readInt(place::kEnabled) != 0; }
  Font font() const;

  virtual bool focusable() const { return false; }
  virtual void paint(Painter& painter) const = 0;
  // The part of the control that takes the mouse at `p` (root coordinates); most take all.
  virtual bool hits(Point p) const { return screenRect().contains(p); }

  // Input, delivered by the root. Positions are in root coordinates.
  virtual void mouseDown(Point) {}
  virtual void mouseUp(Point, bool /*inside*/) {}
  virtual void mouseMove(Point) {}
  virtual bool keyDown(Key, Modifiers) { return false; }
  virtual void focusChanged() {}

  void setPageHidden(bool hidden) { pageHidden_ = hidden; }
  void invalidate() const;

 protected:
  Root& root() const { return root_; }
  bool hovered() const;
  bool pressed() const;
  bool focused() const;

 private:
  Root& root_;
  Control* parent_;
  Kind kind_;
  std::wstring name_;
  std::vector<SettingValue> settings_;
  std::vector<Control*> children_;
  bool pageHidden_ = false;

  friend class Root;
};

}  // namespace ui
