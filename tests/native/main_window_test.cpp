// The main window as built from its description, and the start-up appearance, without a screen.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/appearance.h"
#include "app/window_description.h"

namespace app {
namespace {

using dl::ComponentFamily;
using ui::Kind;

class MainWindowLayout : public ::testing::Test {
 protected:
  ui::Root root{kWindowArea};
  MainWindowControls window = buildMainWindow(root);

  int pageOfControl(const ui::Control& control) const {
    const auto& pages = window.tabs->pages();
    for (int i = 0; i < static_cast<int>(pages.size()); ++i) {
      for (const ui::Control* member : pages[i].members) {
        if (member == &control) return i;
      }
    }
    return -1;
  }

  // Every setting of every control, to compare before and after.
  std::map<std::wstring, std::vector<ui::SettingValue>> snapshot() const {
    std::map<std::wstring, std::vector<ui::SettingValue>> all;
    for (const auto& control : root.controls()) {
      for (int place = 0; place <= ui::ComboboxEx::kItems; ++place) {
        all[control->name()].push_back(control->setting(place));
      }
    }
    for (const auto& page : window.tabs->pages()) {
      all[L"tab " + page.caption].push_back(static_cast<std::int32_t>(page.captionColour));
    }
    return all;
  }
};

TEST_F(MainWindowLayout, ControlsStandWhereTheDesignPutsThem) {
  const struct {
    const wchar_t* name;
    Kind kind;
    int page;
    ui::Rect bounds;
    const wchar_t* text;
    const wchar_t* face;
    int size;
  } expected[] = {
      {L"标签EX7", Kind::LabelEx, 0, ui::Rect::at(16, 16, 424, 48),
       L"Tips：下载的是AdoptOpenJDK,下载后解压即可", L"", 15},
      {L"标签EX5", Kind::LabelEx, 0, ui::Rect::at(40, 88, 104, 32), L"选择版本：", L"", 17},
      {L"Java", Kind::ComboboxEx, 0, ui::Rect::at(144, 88, 192, 32), L"---------请选择---------",
       L"", 0},
      {L"标签EX6", Kind::LabelEx, 0, ui::Rect::at(8, 168, 192, 64),
       L"Java8支持1.0-1.1.16.x\r\nJava16支持1.17.x\r\nJava17支持1.17.x-1.18.x\r\nJava18支持1.19.x",
       L"@微软雅黑", 9},
      {L"下载Java", Kind::ButtonEx, 0, ui::Rect::at(160, 168, 160, 40), L"选择保存位置&下载", L"",
       15},
      {L"标签EX1", Kind::LabelEx, 1, ui::Rect::at(24, 16, 424, 48),
       L"Tips：下载的是Paper核心，目前只支持Spigot和Paper", L"", 15},
      {L"标签EX2", Kind::LabelEx, 1, ui::Rect::at(40, 88, 104, 32), L"请选择：", L"", 15},
      {L"Paper核心", Kind::ComboboxEx, 1, ui::Rect::at(144, 88, 192, 32),
       L"---------请选择---------", L"", 0},
      {L"下载Paper", Kind::ButtonEx, 1, ui::Rect::at(160, 168, 160, 40), L"选择保存位置&下载", L"",
       15},
      {L"标签EX3", Kind::LabelEx, 2, ui::Rect::at(24, 16, 424, 48),
       L"Tips：下载的是Spigot核心，目前只支持Spigot和Paper", L"", 15},
      {L"标签EX4", Kind::LabelEx, 2, ui::Rect::at(40, 88, 104, 32), L"请选择：", L"", 15},
      {L"Spigot核心", Kind::ComboboxEx, 2, ui::Rect::at(144, 88, 192, 32),
       L"---------请选择---------", L"", 0},
      {L"下载Spigot", Kind::ButtonEx, 2, ui::Rect::at(160, 168, 160, 40), L"选择保存位置&下载", L"",
       15},
  };
  for (const auto& e : expected) {
    const ui::Control* control = root.find(e.name);
    ASSERT_NE(control, nullptr) << e.name;
    EXPECT_EQ(control->kind(), e.kind) << e.name;
    EXPECT_EQ(control->parent(), window.tabs) << e.name;
    EXPECT_EQ(pageOfControl(*control), e.page) << e.name;
    EXPECT_EQ(control->bounds(), e.bounds) << e.name;
    const int textPlace = e.kind == Kind::ComboboxEx ? ui::ComboboxEx::kCurrentText : 8;
    EXPECT_EQ(control->readText(textPlace), e.text) << e.name;
    EXPECT_EQ(control->readText(ui::place::kFontFace), e.face) << e.name;
    EXPECT_EQ(control->readInt(ui::place::kFontSize), e.size) << e.name;
  }
  EXPECT_EQ(root.controls().size(), std::size(expected) + 2);  // and the frame and the tabs

  EXPECT_EQ(window.tabs->bounds(), ui::Rect::at(8, 32, 472, 280));
  ASSERT_EQ(window.tabs->pages().size(), 3u);
  const struct {
    const wchar_t* caption;
    int size;
  } pages[] = {{L"下载Java", 80}, {L"Paper核心", 100}, {L"Spigot核心", 80}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(window.tabs->pages()[i].caption, pages[i].caption);
    EXPECT_EQ(window.tabs->pages()[i].size, pages[i].size);
    EXPECT_EQ(window.tabs->pages()[i].captionColour, 0xFF000000u);
  }
  EXPECT_EQ(window.frame->readText(ui::WindowEx::kCaption), L"下载Java/服务器核心");
  EXPECT_EQ(window.frame->bounds(), ui::Rect::at(4, 4, 24, 24));
  EXPECT_EQ(kWindowArea, ui::Rect::at(0, 0, 491, 323));
}

TEST_F(MainWindowLayout, ListsOfferTheCatalogueLabelsInOrder) {
  const struct {
    ComponentFamily family;
    std::vector<std::wstring> items;
  } lists[] = {
      {ComponentFamily::Java,
       {L"Java8 32位", L"Java16 32位", L"Java17 32位", L"Java18 32位", L"Java8 64位",
        L"Java16 64位", L"Java17 64位", L"Java18 64位"}},
      {ComponentFamily::Paper,
       {L"Paper 1.8.8", L"Paper 1.9.4", L"Paper 1.10.2", L"Paper 1.11.2", L"Paper 1.12.2",
        L"Paper 1.13.2", L"Paper 1.14.4", L"Paper 1.15.2", L"Paper 1.16.5", L"Paper 1.17.1",
        L"Paper 1.18.2", L"Paper 1.19.2"}},
      {ComponentFamily::Spigot,
       {L"Spigot 1.7.10", L"Spigot 1.8.9", L"Spigot 1.9.4", L"Spigot 1.10.2", L"Spigot 1.11.2",
        L"Spigot 1.12.2", L"Spigot 1.13.2", L"Spigot 1.14.4", L"Spigot 1.15.2", L"Spigot 1.16.5",
        L"Spigot 1.17.1", L"Spigot 1.18.2", L"Spigot 1.19.2"}},
  };
  for (const auto& l : lists) {
    const ui::ComboboxEx* list = window.list(l.family);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->items().size(), l.items.size());
    for (std::size_t i = 0; i < l.items.size(); ++i) {
      EXPECT_EQ(list->items()[i].title, l.items[i]);
      EXPECT_EQ(list->items()[i].colour, 0xFFE9ECEFu);
    }
    EXPECT_EQ(list->chosenIndex(), -1);
    EXPECT_EQ(list->currentText(), L"---------请选择---------");
    EXPECT_EQ(list->readText(ui::ComboboxEx::kPasswordChar), L"*");
  }
}

TEST_F(MainWindowLayout, StartupAppearanceWritesItsStepsOnceAndForAll) {
  const auto designed = snapshot();
  const auto colourAt = [&](const wchar_t* name, int place) {
    return static_cast<ui::Argb>(root.find(name)->readInt(place));
  };
  // As designed: black texts, the lists' place 18 at 4 (Java) and 0.
  EXPECT_EQ(colourAt(L"标签EX1", 19), 0xFE000000u);
  EXPECT_EQ(colourAt(L"下载Paper", 18), 0xFE000000u);
  EXPECT_EQ(colourAt(L"窗口EX1", 19), 0xFE000000u);
  EXPECT_EQ(root.find(L"Java")->readInt(18), 4);
  EXPECT_EQ(root.find(L"Paper核心")->readInt(18), 0);
  const std::int32_t listColours[] = {21, 23, 24, 25, 31, 32};
  const ui::Argb designedListColours[] = {0xFE000000, 0xFE000000, 0xFEFFFFFF,
                                          0xE60088FF, 0xFE000000, 0xFE000000};
  for (const wchar_t* list : {L"Java", L"Paper核心", L"Spigot核心"}) {
    for (int i = 0; i < 6; ++i) EXPECT_EQ(colourAt(list, listColours[i]), designedListColours[i]);
  }

  applyStartupAppearance(window);
  const auto applied = snapshot();

  for (const wchar_t* label :
       {L"标签EX1", L"标签EX2", L"标签EX3", L"标签EX4", L"标签EX5", L"标签EX6", L"标签EX7"}) {
    EXPECT_EQ(colourAt(label, 19), 0xFFFFFFFFu) << label;
  }
  for (const wchar_t* button : {L"下载Java", L"下载Paper", L"下载Spigot"}) {
    EXPECT_EQ(colourAt(button, 18), 0xFFFFFFFFu) << button;
  }
  for (const wchar_t* list : {L"Java", L"Paper核心", L"Spigot核心"}) {
    EXPECT_EQ(root.find(list)->readInt(18), 1) << list;
    EXPECT_EQ(colourAt(list, 23), 0xFFFFFFFFu) << list;
  }
  EXPECT_EQ(colourAt(L"Paper核心", 31), 0xFFFFFFFFu);
  EXPECT_EQ(colourAt(L"Spigot核心", 31), 0xFFFFFFFFu);
  EXPECT_EQ(colourAt(L"Java", 31), 0xFE000000u);  // the Java list gets no write at place 31
  EXPECT_EQ(colourAt(L"窗口EX1", 19), 0xFFFFFFFFu);
  for (const auto& page : window.tabs->pages()) EXPECT_EQ(page.captionColour, 0xFFFFFFFFu);

  // Exactly those settings changed: 19 writes (the tab colours are no settings) and 3 tabs.
  int changed = 0;
  for (const auto& [name, settings] : applied) {
    for (std::size_t place = 0; place < settings.size(); ++place) {
      changed += settings[place] != designed.at(name)[place];
    }
  }
  EXPECT_EQ(changed, 19 + 3);

  applyStartupAppearance(window);
  EXPECT_EQ(snapshot(), applied);
}

}  // namespace
}  // namespace app
