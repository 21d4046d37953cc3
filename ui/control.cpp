#include "ui/control.h"

#include <algorithm>

#include "ui/root.h"
#include "ui/skin.h"

namespace ui {
namespace {

const SettingValue kNothing;
const std::wstring kNoText;

}  // namespace

Control::Control(Root& root, Control* parent, Kind kind, std::wstring name,
                 const std::vector<SettingSlot>& slots)
    : root_(root), parent_(parent), kind_(kind), name_(std::move(name)) {
  const std::vector<SettingSlot> common = {
      {place::kLeft, 0},    {place::kTop, 0},     {place::kWidth, 0},      {place::kHeight, 0},
      {place::kVisible, 1}, {place::kEnabled, 1}, {place::kFontFace, L""}, {place::kFontSize, 0},
  };
  for (const auto* list : {&common, &slots}) {
    for (const SettingSlot& slot : *list) {
      if (settings_.size() <= static_cast<std::size_t>(slot.place))
        settings_.resize(slot.place + 1);
      settings_[slot.place] = slot.initial;
    }
  }
}

const SettingValue& Control::setting(int place) const {
  if (place < 0 || static_cast<std::size_t>(place) >= settings_.size()) return kNothing;
  return settings_[place];
}

bool Control::writeInt(int place, std::int32_t value) {
  if (!std::holds_alternative<std::int32_t>(setting(place))) return false;
  const Rect before = screenRect();
  settings_[place] = value;
  root_.invalidate(before);
  invalidate();
  return true;
}

std::int32_t Control::readInt(int place) const {
  const auto* value = std::get_if<std::int32_t>(&setting(place));
  return value != nullptr ? *value : 0;
}

bool Control::writeText(int place, std::wstring value) {
  if (!std::holds_alternative<std::wstring>(setting(place))) return false;
  settings_[place] = std::move(value);
  invalidate();
  return true;
}

bool Control::writeItems(int place, std::vector<ListItem> items) {
  if (!std::holds_alternative<std::vector<ListItem>>(setting(place))) return false;
  settings_[place] = std::move(items);
  invalidate();
  return true;
}

const std::wstring& Control::readText(int place) const {
  const auto* value = std::get_if<std::wstring>(&setting(place));
  return value != nullptr ? *value : kNoText;
}

Rect Control::bounds() const {
  return Rect::at(readInt(place::kLeft), readInt(place::kTop), readInt(place::kWidth),
                  readInt(place::kHeight));
}

Point Control::contentOrigin() const {
  const Rect r = screenRect();
  return {r.left, r.top};
}

Rect Control::screenRect() const {
  const Point origin = parent_ != nullptr ? parent_->contentOrigin() : Point{};
  return bounds().offset(origin.x, origin.y);
}

bool Control::shown() const {
  if (readInt(place::kVisible) == 0 || pageHidden_) return false;
  return parent_ == nullptr || parent_->shown();
}

Font Control::font() const {
  Font f{readText(place::kFontFace), readInt(place::kFontSize)};
  // An "@" face is the vertical variant of a face; the text here always runs horizontally.
  if (f.face.starts_with(L'@')) f.face.erase(0, 1);
  if (f.face.empty()) f.face = skin::kDefaultFace;
  if (f.size <= 0) f.size = skin::kDefaultFontSize;
  return f;
}

void Control::invalidate() const {
  root_.invalidate(screenRect());
}

bool Control::hovered() const {
  return root_.hovered() == this;
}
bool Control::pressed() const {
  return root_.pressed() == this;
}
bool Control::focused() const {
  return root_.focused() == this;
}

}  // namespace ui
