// Hit-testing and input of the skinned controls, through the root, on the main window's layout.
#include <gtest/gtest.h>

#include <vector>

#include "app/window_description.h"

namespace app {
namespace {

using dl::ComponentFamily;

ui::Point centreOf(const ui::Rect& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto family :
         {ComponentFamily::Java, ComponentFamily::Paper, ComponentFamily::Spigot}) {
      window.button(family)->onClick = [this, family] { clicks.push_back(family); };
    }
  }

  void click(ui::Point p) {
    root.mouseMove(p);
    root.mouseDown(p);
    root.mouseUp(p);
  }
  void click(const ui::Control& control) { click(centreOf(control.screenRect())); }
  void key(ui::Key k, ui::Modifiers m = {}) { root.keyDown(k, m); }
  void selectPage(int page) { click(centreOf(window.tabs->tabRect(page))); }

  ui::Root root{kWindowArea};
  MainWindowControls window = buildMainWindow(root);
  std::vector<ComponentFamily> clicks;
};

TEST_F(Input, TabsShowOnlyTheSelectedPagesControls) {
  EXPECT_EQ(window.tabs->selected(), 0);
  for (int page = 2; page >= 0; --page) {
    selectPage(page);
    EXPECT_EQ(window.tabs->selected(), page);
    for (int i = 0; i < 3; ++i) {
      for (const ui::Control* member : window.tabs->pages()[i].members) {
        EXPECT_EQ(member->shown(), i == page) << page;
      }
    }
  }
  // Page controls lie in the page area beneath the tab headers, inside the tab control.
  const ui::Rect tips = root.find(L"标签EX7")->screenRect();
  EXPECT_GE(tips.top, window.tabs->tabRect(0).bottom);
  EXPECT_LE(root.find(L"标签EX6")->screenRect().bottom, window.tabs->screenRect().bottom);
}

TEST_F(Input, HitTestingFindsWhatTakesTheMouse) {
  // Labels take no mouse, so the part of the button under the compatibility label is the button's.
  const ui::Rect label = root.find(L"标签EX6")->screenRect();
  const ui::Rect button = window.button(ComponentFamily::Java)->screenRect();
  const ui::Point overlap{(button.left + label.right) / 2, (button.top + label.bottom) / 2};
  ASSERT_TRUE(label.contains(overlap));
  EXPECT_EQ(root.hitTest(overlap), window.button(ComponentFamily::Java));
  EXPECT_EQ(root.hitTest(centreOf(label)), nullptr);
  // Hidden pages take nothing; the caption bar drags the window, its buttons do not.
  EXPECT_EQ(root.hitTest(centreOf(window.list(ComponentFamily::Paper)->screenRect())),
            window.list(ComponentFamily::Java));  // same place, Java's page is shown
  EXPECT_EQ(root.frameHit({200, 10}), ui::FrameHit::Caption);
  EXPECT_EQ(root.frameHit(centreOf(window.frame->partRect(ui::WindowEx::Part::Close))),
            ui::FrameHit::Client);
  EXPECT_EQ(root.frameHit(centreOf(label)), ui::FrameHit::Client);
}

TEST_F(Input, ChoosingAnItemByMouseMakesItsTitleTheCurrentText) {
  selectPage(2);
  ui::ComboboxEx& list = *window.list(ComponentFamily::Spigot);
  click(list);
  ASSERT_TRUE(list.isOpen());
  // The list may be longer than what fits: wheel down to the end, then take the last item.
  root.wheel(-20);
  const ui::Rect drop = list.dropRect();
  const ui::Point last{drop.left + 20, drop.bottom - 4};
  ASSERT_EQ(list.itemAt(last), 12);
  click(last);
  EXPECT_FALSE(list.isOpen());
  EXPECT_EQ(list.currentText(), L"Spigot 1.19.2");
  EXPECT_EQ(list.chosenIndex(), 12);

  // A press outside an open list only closes it.
  click(list);
  ASSERT_TRUE(list.isOpen());
  click(*window.button(ComponentFamily::Spigot));
  EXPECT_FALSE(list.isOpen());
  EXPECT_TRUE(clicks.empty());
  click(*window.button(ComponentFamily::Spigot));
  EXPECT_EQ(clicks, std::vector{ComponentFamily::Spigot});
}

TEST_F(Input, ButtonClicksOnlyWhenReleasedOverIt) {
  const ui::Rect button = window.button(ComponentFamily::Java)->screenRect();
  root.mouseDown(centreOf(button));
  root.mouseMove({button.right + 30, button.bottom + 30});
  root.mouseUp({button.right + 30, button.bottom + 30});
  EXPECT_TRUE(clicks.empty());
  click(centreOf(button));
  EXPECT_EQ(clicks, std::vector{ComponentFamily::Java});
}

TEST_F(Input, KeyboardReachesEverything) {
  // Ctrl+Tab and Ctrl+Shift+Tab switch pages, wrapping around.
  key(ui::Key::Tab, {.ctrl = true});
  EXPECT_EQ(window.tabs->selected(), 1);
  key(ui::Key::Tab, {.shift = true, .ctrl = true});
  key(ui::Key::Tab, {.shift = true, .ctrl = true});
  EXPECT_EQ(window.tabs->selected(), 2);

  // Tab moves through the page's list and button, in reading order.
  ui::ComboboxEx& list = *window.list(ComponentFamily::Spigot);
  ui::ButtonEx& button = *window.button(ComponentFamily::Spigot);
  EXPECT_EQ(root.focused(), &list);
  key(ui::Key::Tab);
  EXPECT_EQ(root.focused(), &button);
  key(ui::Key::Tab);
  EXPECT_EQ(root.focused(), &list);
  key(ui::Key::Tab, {.shift = true});
  EXPECT_EQ(root.focused(), &button);
  key(ui::Key::Tab, {.shift = true});

  // On the list: Alt+Down or F4 opens, arrows move, Enter chooses, Escape closes unchanged.
  key(ui::Key::Down, {.alt = true});
  ASSERT_TRUE(list.isOpen());
  key(ui::Key::Down);
  key(ui::Key::Down);
  key(ui::Key::Up);
  key(ui::Key::Enter);
  EXPECT_FALSE(list.isOpen());
  EXPECT_EQ(list.currentText(), L"Spigot 1.8.9");
  key(ui::Key::F4);
  key(ui::Key::End);
  key(ui::Key::Escape);
  EXPECT_FALSE(list.isOpen());
  EXPECT_EQ(list.currentText(), L"Spigot 1.8.9");
  // On the closed list the arrows step through the items.
  key(ui::Key::Down);
  EXPECT_EQ(list.currentText(), L"Spigot 1.9.4");

  // Enter or Space presses the focused button.
  key(ui::Key::Tab);
  key(ui::Key::Enter);
  key(ui::Key::Space);
  EXPECT_EQ(clicks, (std::vector{ComponentFamily::Spigot, ComponentFamily::Spigot}));
}

TEST_F(Input, WritingASettingRepaintsWhatItAffects) {
  std::vector<ui::Rect> invalid;
  root.onInvalidate([&](const ui::Rect& r) { invalid.push_back(r); });
  ui::Control& label = *root.find(L"标签EX7");
  EXPECT_TRUE(label.writeInt(19, -1));
  ASSERT_FALSE(invalid.empty());
  EXPECT_EQ(invalid.back(), label.screenRect());
  // A place the kind has no integer setting at is refused.
  EXPECT_FALSE(label.writeInt(8, 1));
  EXPECT_FALSE(label.writeInt(99, 1));
}

}  // namespace
}  // namespace app
