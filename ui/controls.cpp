#include "ui/controls.h"

#include <algorithm>
#include <utility>

#include "ui/root.h"

namespace ui {
namespace {

// A colour setting that is 0 leaves the skin's colour in force.
Argb either(std::int32_t setting, Argb skinColour) {
  return setting != 0 ? static_cast<Argb>(setting) : skinColour;
}

std::int32_t colour(Argb argb) {
  return static_cast<std::int32_t>(argb);
}

}  // namespace

// --- WindowEx ---------------------------------------------------------------------------------

WindowEx::WindowEx(Root& root, Control* parent, std::wstring name)
    : Control(root, parent, Kind::WindowEx, std::move(name),
              {
                  {kCaption, L""},
                  {kIconShown, 1},
                  {kMaximizable, 0},
                  {kCaptionColour, colour(0xFE000000)},
              }) {}

Rect WindowEx::partRect(Part part) const {
  const skin::Frame& s = skin::kFrame;
  const Rect area = root().area();
  // Caption-bar buttons from the right: close, maximize, minimize.
  const auto button = [&](int fromRight) {
    return Rect::at(area.right - s.buttonSize * (fromRight + 1) - 1, 1, s.buttonSize,
                    s.buttonSize - 1);
  };
  switch (part) {
    case Part::Close:
      return button(0);
    case Part::Maximize:
      return button(1);
    case Part::Minimize:
      return button(2);
    case Part::Caption:
      return Rect::at(area.left, area.top, area.width(), s.captionHeight);
    case Part::None:
      break;
  }
  return {};
}

WindowEx::Part WindowEx::partAt(Point p) const {
  for (const Part part : {Part::Close, Part::Maximize, Part::Minimize, Part::Caption}) {
    if (partRect(part).contains(p)) return part;
  }
  return Part::None;
}

bool WindowEx::hits(Point p) const {
  return partAt(p) != Part::None;
}

void WindowEx::paint(Painter& painter) const {
  const skin::Frame& s = skin::kFrame;
  const Rect area = root().area();
  painter.fill(area, s.background);
  painter.frame(area, 1, s.border);

  const Rect icon = Rect::at(8, (s.captionHeight - s.iconSize) / 2, s.iconSize, s.iconSize);
  if (readInt(kIconShown) != 0) painter.appIcon(icon);
  const Rect caption{icon.right + 8, 0, partRect(Part::Minimize).left - 8, s.captionHeight};
  painter.text(caption, readText(kCaption), {skin::kDefaultFace, s.captionFontSize},
               static_cast<Argb>(readInt(kCaptionColour)), align::kLeft, false);

  const struct {
    Part part;
    Glyph glyph;
    bool enabled;
  } buttons[] = {
      {Part::Close, Glyph::Close, true},
      {Part::Maximize, Glyph::Maximize, readInt(kMaximizable) != 0},
      {Part::Minimize, Glyph::Minimize, true},
  };
  for (const auto& b : buttons) {
    const Rect r = partRect(b.part);
    const bool hot = b.enabled && hoverPart_ == b.part && hovered();
    const bool down = hot && pressedPart_ == b.part && pressed();
    if (hot) {
      painter.fill(r,
                   b.part == Part::Close ? s.closeHover : (down ? s.buttonPressed : s.buttonHover));
    }
    painter.glyph(r, b.glyph, b.enabled ? s.glyph : s.disabledGlyph);
  }
}

void WindowEx::mouseDown(Point p) {
  pressedPart_ = partAt(p);
}

void WindowEx::mouseMove(Point p) {
  const Part part = partAt(p);
  if (part != hoverPart_) {
    hoverPart_ = part;
    invalidate();
    root().invalidate(partRect(Part::Caption));
  }
}

void WindowEx::mouseUp(Point p, bool inside) {
  const Part pressedPart = std::exchange(pressedPart_, Part::None);
  root().invalidate(partRect(Part::Caption));
  if (!inside || partAt(p) != pressedPart) return;
  if (pressedPart == Part::Close && onClose) onClose();
  if (pressedPart == Part::Minimize && onMinimize) onMinimize();
  if (pressedPart == Part::Maximize && readInt(kMaximizable) != 0 && onMaximize) onMaximize();
}

// --- LabelEx ----------------------------------------------------------------------------------

LabelEx::LabelEx(Root& root, Control* parent, std::wstring name)
    : Control(root, parent, Kind::LabelEx, std::move(name),
              {
                  {kText, L""},
                  {kBackground, 0},
                  {kWordWrap, 1},
                  {kAlignment, align::kTop},
                  {kTextColour, colour(0xFE000000)},
              }) {}

void LabelEx::paint(Painter& painter) const {
  const Rect r = screenRect();
  painter.fill(r, static_cast<Argb>(readInt(kBackground)));
  painter.text(r, readText(kText), font(), static_cast<Argb>(readInt(kTextColour)),
               readInt(kAlignment), readInt(kWordWrap) != 0);
}

// --- ButtonEx ---------------------------------------------------------------------------------

ButtonEx::ButtonEx(Root& root, Control* parent, std::wstring name)
    : Control(root, parent, Kind::ButtonEx, std::move(name),
              {
                  {kCaption, L""},
                  {kFaceColour, 0},
                  {kBorderColour, 0},
                  {kAlignment, align::kCenter},
                  {kCaptionColour, colour(0xFE000000)},
              }) {}

void ButtonEx::paint(Painter& painter) const {
  const skin::Button& s = skin::kButton;
  const Rect r = screenRect();
  Argb face = either(readInt(kFaceColour), s.face);
  if (pressed() && hovered()) {
    face = s.pressed;
  } else if (hovered() || pressed()) {
    face = s.hover;
  }
  painter.fillRounded(r, s.radius, either(readInt(kBorderColour), s.border));
  painter.fillRounded(r.inset(1, 1), s.radius - 1, face);
  const Rect textRect = pressed() && hovered() ? r.offset(0, 1) : r;
  painter.text(textRect.inset(6, 2), readText(kCaption), font(),
               static_cast<Argb>(readInt(kCaptionColour)), readInt(kAlignment), false);
  if (!enabled()) painter.fillRounded(r, s.radius, s.disabled);
  if (focused()) painter.focusFrame(r.inset(3, 3), s.focus);
}

void ButtonEx::mouseUp(Point, bool inside) {
  if (inside && onClick) onClick();
}

bool ButtonEx::keyDown(Key key, Modifiers modifiers) {
  if ((key != Key::Enter && key != Key::Space) || modifiers.alt || modifiers.ctrl) return false;
  if (onClick) onClick();
  return true;
}

// --- ComboboxEx -------------------------------------------------------------------------------

ComboboxEx::ComboboxEx(Root& root, Control* parent, std::wstring name)
    : Control(root, parent, Kind::ComboboxEx, std::move(name),
              {
                  {kItemHeight, skin::kList.itemHeight},
                  {kMaxVisibleItems, skin::kList.maxVisibleItems},
                  {kChosenIndex, -1},
                  {kCurrentText, L""},
                  {kAlignment, align::kLeft},
                  {kPasswordMode, 0},
                  {kPasswordChar, L"*"},
                  {kBorderColour, colour(0xFE000000)},
                  {kFieldColour, 0},
                  {kTextColour, colour(0xFE000000)},
                  {kChosenTextColour, colour(0xFEFFFFFF)},
                  {kChosenBackground, colour(0xE60088FF)},
                  {kListBackground, 0},
                  {kArrowColour, colour(0xFE000000)},
                  {kListBorderColour, colour(0xFE000000)},
                  {kItems, std::vector<ListItem>{}},
              }) {}

void ComboboxEx::setItems(std::vector<ListItem> items) {
  writeItems(kItems, std::move(items));
}

const std::vector<ListItem>& ComboboxEx::items() const {
  return std::get<std::vector<ListItem>>(setting(kItems));
}

void ComboboxEx::choose(int index) {
  if (index < 0 || index >= static_cast<int>(items().size())) return;
  writeInt(kChosenIndex, index);
  writeText(kCurrentText, items()[index].title);
}

bool ComboboxEx::isOpen() const {
  return root().openList() == this;
}

void ComboboxEx::open() {
  if (items().empty()) return;
  hot_ = std::max(chosenIndex(), 0);
  first_ = std::clamp(hot_ - visibleItems() + 1, 0, std::max(0, hot_));
  root().setOpenList(this);
}

void ComboboxEx::close() {
  if (isOpen()) root().setOpenList(nullptr);
}

int ComboboxEx::itemHeight() const {
  return std::max(readInt(kItemHeight), 1);
}

int ComboboxEx::visibleItems() const {
  // As many as the setting allows and the window has room for below the field.
  const int room = (root().area().bottom - 4 - screenRect().bottom - 2) / itemHeight();
  const int wanted = std::min(readInt(kMaxVisibleItems), static_cast<int>(items().size()));
  return std::max(1, std::min(wanted, room));
}

Rect ComboboxEx::dropRect() const {
  const Rect field = screenRect();
  return {field.left, field.bottom, field.right, field.bottom + visibleItems() * itemHeight() + 2};
}

int ComboboxEx::itemAt(Point p) const {
  const Rect r = dropRect().inset(1, 1);
  if (!r.contains(p)) return -1;
  const int index = first_ + (p.y - r.top) / itemHeight();
  return index < static_cast<int>(items().size()) ? index : -1;
}

void ComboboxEx::setHot(int index) {
  const int count = static_cast<int>(items().size());
  if (count == 0) return;
  hot_ = std::clamp(index, 0, count - 1);
  if (hot_ < first_) first_ = hot_;
  if (hot_ >= first_ + visibleItems()) first_ = hot_ - visibleItems() + 1;
  root().invalidate(dropRect());
}

void ComboboxEx::scroll(int by) {
  const int count = static_cast<int>(items().size());
  first_ = std::clamp(first_ + by, 0, std::max(0, count - visibleItems()));
  root().invalidate(dropRect());
}

void ComboboxEx::paint(Painter& painter) const {
  const skin::List& s = skin::kList;
  const Rect r = screenRect();
  painter.fill(r, either(readInt(kFieldColour), hovered() && !isOpen() ? s.fieldHover : s.field));
  const Rect arrow{r.right - s.arrowWidth, r.top + 1, r.right - 1, r.bottom - 1};
  painter.fill(arrow, s.arrowButton);
  painter.glyph(arrow, Glyph::DropArrow, static_cast<Argb>(readInt(kArrowColour)));
  painter.frame(r, 1, static_cast<Argb>(readInt(kBorderColour)));

  std::wstring shownText = currentText();
  if (readInt(kPasswordMode) != 0 && !readText(kPasswordChar).empty()) {
    shownText.assign(shownText.size(), readText(kPasswordChar).front());
  }
  const Rect textRect{r.left + s.padding, r.top + 1, arrow.left - 4, r.bottom - 1};
  painter.text(textRect, shownText, font(), static_cast<Argb>(readInt(kTextColour)),
               readInt(kAlignment), false);
  if (focused() && !isOpen()) painter.focusFrame(textRect.inset(-4, 3), s.focus);
}

void ComboboxEx::paintDropList(Painter& painter) const {
  const skin::List& s = skin::kList;
  const Rect r = dropRect();
  painter.fill(r, either(readInt(kListBackground), s.dropBackground));
  painter.frame(r, 1, static_cast<Argb>(readInt(kListBorderColour)));
  const int height = itemHeight();
  const int count = static_cast<int>(items().size());
  for (int i = first_; i < std::min(count, first_ + visibleItems()); ++i) {
    const Rect item =
        Rect::at(r.left + 1, r.top + 1 + (i - first_) * height, r.width() - 2, height);
    const bool hot = i == hot_;
    if (hot) painter.fill(item, static_cast<Argb>(readInt(kChosenBackground)));
    painter.text(item.inset(s.padding, 0), items()[i].title, font(),
                 hot ? static_cast<Argb>(readInt(kChosenTextColour)) : items()[i].colour,
                 align::kLeft, false);
  }
  if (count > visibleItems()) {
    // A thin bar that shows which part of the items is in view.
    const int track = r.height() - 4;
    const int top = r.top + 2 + track * first_ / count;
    const int length = std::max(track * visibleItems() / count, 6);
    painter.fill(Rect{r.right - 5, top, r.right - 2, top + length}, 0x99E9ECEF);
  }
}

void ComboboxEx::mouseDown(Point p) {
  if (!isOpen()) {
    open();
    return;
  }
  if (!dropRect().contains(p)) close();
}

void ComboboxEx::mouseMove(Point p) {
  const int index = itemAt(p);
  if (isOpen() && index >= 0 && index != hot_) setHot(index);
}

void ComboboxEx::mouseUp(Point p, bool) {
  if (!isOpen()) return;
  const int index = itemAt(p);
  if (index < 0) return;  // the press that opened the list, released on the field
  choose(index);
  close();
}

bool ComboboxEx::keyDown(Key key, Modifiers modifiers) {
  const int count = static_cast<int>(items().size());
  if (!isOpen()) {
    if (key == Key::F4 || ((key == Key::Down || key == Key::Up) && modifiers.alt)) {
      open();
      return true;
    }
    // On the closed list the arrows step through the items, as on any drop-down list.
    if (key == Key::Down || key == Key::Up || key == Key::Home || key == Key::End) {
      const int from = chosenIndex();
      const int to = key == Key::Home   ? 0
                     : key == Key::End  ? count - 1
                     : key == Key::Down ? from + 1
                                        : std::max(from - 1, 0);
      choose(std::min(to, count - 1));
      return true;
    }
    return false;
  }
  switch (key) {
    case Key::Down:
      setHot(hot_ + 1);
      return true;
    case Key::Up:
      setHot(hot_ - 1);
      return true;
    case Key::PageDown:
      setHot(hot_ + visibleItems());
      return true;
    case Key::PageUp:
      setHot(hot_ - visibleItems());
      return true;
    case Key::Home:
      setHot(0);
      return true;
    case Key::End:
      setHot(count - 1);
      return true;
    case Key::Enter:
    case Key::Space:
      choose(hot_);
      close();
      return true;
    case Key::Escape:
    case Key::F4:
    case Key::Tab:
      close();
      return true;
    default:
      return true;  // the open list takes every key
  }
}

// --- SelectthefolderEx ------------------------------------------------------------------------

SelectthefolderEx::SelectthefolderEx(Root& root, Control* parent, std::wstring name)
    : Control(root, parent, Kind::SelectthefolderEx, std::move(name), {{kSelectedPage, 0}}) {}

void SelectthefolderEx::addPage(std::wstring caption, int size, Argb captionColour) {
  pages_.push_back({std::move(caption), size, captionColour, {}});
}

void SelectthefolderEx::addMember(int page, Control& member) {
  pages_.at(page).members.push_back(&member);
  member.setPageHidden(page != selected());
}

void SelectthefolderEx::select(int page) {
  if (page < 0 || page >= static_cast<int>(pages_.size())) return;
  if (root().openList() != nullptr) root().openList()->close();
  writeInt(kSelectedPage, page);
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
    for (Control* member : pages_[i].members) member->setPageHidden(i != page);
  }
  invalidate();
  root().refocus();
}

void SelectthefolderEx::setCaptionColour(int page, Argb colour) {
  if (page < 0 || page >= static_cast<int>(pages_.size())) return;
  pages_[page].captionColour = colour;
  root().invalidate(tabRect(page));
}

Rect SelectthefolderEx::tabRect(int page) const {
  const Rect r = screenRect();
  int left = r.left;
  for (int i = 0; i < page; ++i) left += pages_[i].size;
  return Rect::at(left, r.top, pages_.at(page).size, skin::kTabs.headerHeight);
}

int SelectthefolderEx::tabAt(Point p) const {
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
    if (tabRect(i).contains(p)) return i;
  }
  return -1;
}

Point SelectthefolderEx::contentOrigin() const {
  // Page controls are placed in the page area beneath the tab headers.
  const Rect r = screenRect();
  return {r.left, r.top + skin::kTabs.headerHeight};
}

void SelectthefolderEx::paint(Painter& painter) const {
  const skin::Tabs& s = skin::kTabs;
  const Rect r = screenRect();
  const Rect page{r.left, r.top + s.headerHeight, r.right, r.bottom};
  painter.fill(page, s.page);
  painter.frame(page, 1, s.border);
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
    const Rect tab = tabRect(i);
    if (i == selected()) {
      painter.fill(tab, s.selected);
      painter.fill(Rect{tab.left, tab.bottom - s.accentHeight, tab.right, tab.bottom}, s.accent);
    } else if (i == hoverTab_ && hovered()) {
      painter.fill(tab, s.hover);
    }
    painter.text(tab, pages_[i].caption, {skin::kDefaultFace, s.captionFontSize},
                 pages_[i].captionColour, align::kCenter, false);
  }
}

void SelectthefolderEx::mouseDown(Point p) {
  const int tab = tabAt(p);
  if (tab >= 0) select(tab);
}

void SelectthefolderEx::mouseMove(Point p) {
  const int tab = tabAt(p);
  if (tab != hoverTab_) {
    hoverTab_ = tab;
    invalidate();
  }
}

void SetTabFontColor_SelectthefolderEx(SelectthefolderEx& tabs, int index, Argb colour) {
  tabs.setCaptionColour(index, colour);
}

}  // namespace ui
