// The five kinds of skinned component, with the places of their own settings.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/skin.h"

namespace ui {

// The skinned frame: draws the whole window's border, caption bar, icon, caption and the close,
// maximize and minimize buttons, wherever the component itself is placed.
class WindowEx final : public Control {
 public:
  static constexpr int kCaption = 8;
  static constexpr int kIconShown = 9;
  static constexpr int kMaximizable = 11;
  static constexpr int kCaptionColour = 19;

  enum class Part { None, Caption, Close, Maximize, Minimize };

  WindowEx(Root& root, Control* parent, std::wstring name);

  Part partAt(Point p) const;
  Rect partRect(Part part) const;
  void paint(Painter& painter) const override;
  bool hits(Point p) const override;
  void mouseDown(Point p) override;
  void mouseUp(Point p, bool inside) override;
  void mouseMove(Point p) override;

  std::function<void()> onClose;
  std::function<void()> onMinimize;
  std::function<void()> onMaximize;

 private:
  Part pressedPart_ = Part::None;
  Part hoverPart_ = Part::None;
};

class LabelEx final : public Control {
 public:
  static constexpr int kText = 8;
  static constexpr int kBackground = 9;
  static constexpr int kWordWrap = 10;
  static constexpr int kAlignment = 16;
  static constexpr int kTextColour = 19;

  LabelEx(Root& root, Control* parent, std::wstring name);
  void paint(Painter& painter) const override;
  bool hits(Point) const override { return false; }  // labels never take the mouse
};

class ButtonEx final : public Control {
 public:
  // Colour settings hold 0 where the skin's colour applies.
  static constexpr int kCaption = 8;
  static constexpr int kFaceColour = 9;
  static constexpr int kBorderColour = 10;
  static constexpr int kAlignment = 16;
  static constexpr int kCaptionColour = 18;

  ButtonEx(Root& root, Control* parent, std::wstring name);
  bool focusable() const override { return true; }
  void paint(Painter& painter) const override;
  void mouseUp(Point p, bool inside) override;
  bool keyDown(Key key, Modifiers modifiers) override;

  std::function<void()> onClick;  // event 0
};

// A drop-down list that takes only the choice of an item: choosing makes the item's title the
// current text.
class ComboboxEx final : public Control {
 public:
  static constexpr int kItemHeight = 8;
  static constexpr int kMaxVisibleItems = 9;
  static constexpr int kChosenIndex = 15;
  static constexpr int kCurrentText = 16;
  static constexpr int kAlignment = 18;
  static constexpr int kPasswordMode = 19;
  static constexpr int kPasswordChar = 20;
  static constexpr int kBorderColour = 21;
  static constexpr int kFieldColour = 22;
  static constexpr int kTextColour = 23;
  static constexpr int kChosenTextColour = 24;
  static constexpr int kChosenBackground = 25;
  static constexpr int kListBackground = 26;
  static constexpr int kArrowColour = 31;
  static constexpr int kListBorderColour = 32;
  static constexpr int kItems = 44;

  ComboboxEx(Root& root, Control* parent, std::wstring name);

  void setItems(std::vector<ListItem> items);
  const std::vector<ListItem>& items() const;
  const std::wstring& currentText() const { return readText(kCurrentText); }
  int chosenIndex() const { return readInt(kChosenIndex); }
  void choose(int index);

  bool isOpen() const;
  void open();
  void close();
  // The open list's rectangle in the root, and the item at a point of it (-1: none).
  Rect dropRect() const;
  int itemAt(Point p) const;
  int hotItem() const { return hot_; }

  bool focusable() const override { return true; }
  void paint(Painter& painter) const override;
  void paintDropList(Painter& painter) const;
  void mouseDown(Point p) override;
  void mouseUp(Point p, bool inside) override;
  void mouseMove(Point p) override;
  bool keyDown(Key key, Modifiers modifiers) override;
  void scroll(int items);

 private:
  int visibleItems() const;
  int itemHeight() const;
  void setHot(int index);

  int hot_ = -1;   // the highlighted item of the open list
  int first_ = 0;  // the first item the open list shows
};

// A tab control whose pages show and hide their member controls.
class SelectthefolderEx final : public Control {
 public:
  static constexpr int kSelectedPage = 8;

  struct Page {
    std::wstring caption;
    int size;  // the tab's width
    Argb captionColour;
    std::vector<Control*> members;
  };

  SelectthefolderEx(Root& root, Control* parent, std::wstring name);

  void addPage(std::wstring caption, int size, Argb captionColour);
  void addMember(int page, Control& member);
  const std::vector<Page>& pages() const { return pages_; }
  int selected() const { return readInt(kSelectedPage); }
  void select(int page);
  void setCaptionColour(int page, Argb colour);
  Rect tabRect(int page) const;
  int tabAt(Point p) const;

  Point contentOrigin() const override;
  void paint(Painter& painter) const override;
  bool hits(Point p) const override { return tabAt(p) >= 0; }
  void mouseDown(Point p) override;
  void mouseMove(Point p) override;

 private:
  std::vector<Page> pages_;
  int hoverTab_ = -1;
};

// Sets the caption colour of one tab, by zero-based index.
void SetTabFontColor_SelectthefolderEx(SelectthefolderEx& tabs, int index, Argb colour);

}  // namespace ui
