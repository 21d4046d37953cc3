#include "app/window_description.h"

#include <array>
#include <string>

#include "downloads/gbk.h"

namespace app {
namespace {

using dl::ComponentFamily;
using ui::Kind;

struct PageRow {
  const wchar_t* caption;
  ComponentFamily family;
  int tabSize;
  ui::Argb captionColour;
};

// clang-format off
constexpr std::array kPages{
    //      caption        family                   tab size  caption colour as designed
    PageRow{L"下载Java",   ComponentFamily::Java,   80,       0xFF000000},
    PageRow{L"Paper核心",  ComponentFamily::Paper,  100,      0xFF000000},
    PageRow{L"Spigot核心", ComponentFamily::Spigot, 80,       0xFF000000},
};
// clang-format on

struct ControlRow {
  int page;
  const wchar_t* name;
  Kind kind;
  int left, top, width, height;
  const wchar_t* text;  // a list's initial text
  const wchar_t* face;  // empty: the default face
  int fontSize;         // 0: the default size
};

constexpr const wchar_t* kDefault = L"";
constexpr wchar_t kDownloadCaption[] = L"选择保存位置&下载";  // "&" is text

// Page controls; their positions are measured in the tab control's page area.
// clang-format off
constexpr std::array kControls{
    //         page  control         kind              left top  width height text                                                  face         size
    ControlRow{0,    L"标签EX7",     Kind::LabelEx,    16,  16,  424,  48,    L"Tips：下载的是AdoptOpenJDK,下载后解压即可",          kDefault,    15},
    ControlRow{0,    L"标签EX5",     Kind::LabelEx,    40,  88,  104,  32,    L"选择版本：",                                         kDefault,    17},
    ControlRow{0,    L"Java",        Kind::ComboboxEx, 144, 88,  192,  32,    kListInitialText,                                      kDefault,    0},
    ControlRow{0,    L"标签EX6",     Kind::LabelEx,    8,   168, 192,  64,    L"Java8支持1.0-1.1.16.x\r\nJava16支持1.17.x\r\n"
                                                                              L"Java17支持1.17.x-1.18.x\r\nJava18支持1.19.x",        L"@微软雅黑", 9},
    ControlRow{0,    L"下载Java",    Kind::ButtonEx,   160, 168, 160,  40,    kDownloadCaption,                                      kDefault,    15},
    ControlRow{1,    L"标签EX1",     Kind::LabelEx,    24,  16,  424,  48,    L"Tips：下载的是Paper核心，目前只支持Spigot和Paper",   kDefault,    15},
    ControlRow{1,    L"标签EX2",     Kind::LabelEx,    40,  88,  104,  32,    L"请选择：",                                           kDefault,    15},
    ControlRow{1,    L"Paper核心",   Kind::ComboboxEx, 144, 88,  192,  32,    kListInitialText,                                      kDefault,    0},
    ControlRow{1,    L"下载Paper",   Kind::ButtonEx,   160, 168, 160,  40,    kDownloadCaption,                                      kDefault,    15},
    ControlRow{2,    L"标签EX3",     Kind::LabelEx,    24,  16,  424,  48,    L"Tips：下载的是Spigot核心，目前只支持Spigot和Paper",  kDefault,    15},
    ControlRow{2,    L"标签EX4",     Kind::LabelEx,    40,  88,  104,  32,    L"请选择：",                                           kDefault,    15},
    ControlRow{2,    L"Spigot核心",  Kind::ComboboxEx, 144, 88,  192,  32,    kListInitialText,                                      kDefault,    0},
    ControlRow{2,    L"下载Spigot",  Kind::ButtonEx,   160, 168, 160,  40,    kDownloadCaption,                                      kDefault,    15},
};
// clang-format on

// Each family's list and button, by name.
struct FamilyControls {
  ComponentFamily family;
  const wchar_t* list;
  const wchar_t* button;
  std::int32_t listPlace18;  // the lists' integer setting at place 18, as designed
};

constexpr std::array kFamilyControls{
    FamilyControls{ComponentFamily::Java, L"Java", L"下载Java", 4},
    FamilyControls{ComponentFamily::Paper, L"Paper核心", L"下载Paper", 0},
    FamilyControls{ComponentFamily::Spigot, L"Spigot核心", L"下载Spigot", 0},
};

const FamilyControls& familyControls(ComponentFamily family) {
  for (const FamilyControls& f : kFamilyControls) {
    if (f.family == family) return f;
  }
  return kFamilyControls.front();
}

// A family's list items are its catalogue labels, in table order.
std::vector<ui::ListItem> itemsOf(ComponentFamily family) {
  std::vector<ui::ListItem> items;
  for (const dl::CatalogueEntry& entry : dl::DownloadCatalogue::entriesOf(family)) {
    const std::u16string title = dl::gbkToUtf16(entry.label);
    items.push_back({std::wstring(title.begin(), title.end())});
  }
  return items;
}

void place(ui::Control& control, const ControlRow& row) {
  control.writeInt(ui::place::kLeft, row.left);
  control.writeInt(ui::place::kTop, row.top);
  control.writeInt(ui::place::kWidth, row.width);
  control.writeInt(ui::place::kHeight, row.height);
  control.writeText(ui::place::kFontFace, row.face);
  control.writeInt(ui::place::kFontSize, row.fontSize);
}

}  // namespace

int pageOf(ComponentFamily family) {
  for (int i = 0; i < static_cast<int>(kPages.size()); ++i) {
    if (kPages[i].family == family) return i;
  }
  return 0;
}

ui::ComboboxEx* MainWindowControls::list(ComponentFamily family) const {
  return static_cast<ui::ComboboxEx*>(root->find(familyControls(family).list));
}

ui::ButtonEx* MainWindowControls::button(ComponentFamily family) const {
  return static_cast<ui::ButtonEx*>(root->find(familyControls(family).button));
}

MainWindowControls buildMainWindow(ui::Root& root) {
  auto& frame = root.add<ui::WindowEx>(nullptr, L"窗口EX1");
  frame.writeInt(ui::place::kLeft, 4);
  frame.writeInt(ui::place::kTop, 4);
  frame.writeInt(ui::place::kWidth, 24);
  frame.writeInt(ui::place::kHeight, 24);
  frame.writeText(ui::WindowEx::kCaption, kWindowCaption);

  auto& tabs = root.add<ui::SelectthefolderEx>(nullptr, L"选择夹EX1");
  place(tabs, {0, L"选择夹EX1", Kind::SelectthefolderEx, 8, 32, 472, 280, L"", kDefault, 0});
  for (const PageRow& page : kPages) tabs.addPage(page.caption, page.tabSize, page.captionColour);

  for (const ControlRow& row : kControls) {
    ui::Control* control = nullptr;
    switch (row.kind) {
      case Kind::LabelEx: {
        auto& label = root.add<ui::LabelEx>(&tabs, row.name);
        label.writeText(ui::LabelEx::kText, row.text);
        // The compatibility label keeps 0 at place 16; every other label holds 4.
        label.writeInt(ui::LabelEx::kAlignment, std::wstring(row.name) == L"标签EX6" ? 0 : 4);
        control = &label;
        break;
      }
      case Kind::ButtonEx: {
        auto& button = root.add<ui::ButtonEx>(&tabs, row.name);
        button.writeText(ui::ButtonEx::kCaption, row.text);
        control = &button;
        break;
      }
      case Kind::ComboboxEx: {
        auto& list = root.add<ui::ComboboxEx>(&tabs, row.name);
        list.writeText(ui::ComboboxEx::kCurrentText, row.text);
        list.setItems(itemsOf(kPages[row.page].family));
        list.writeInt(ui::ComboboxEx::kAlignment,
                      familyControls(kPages[row.page].family).listPlace18);
        control = &list;
        break;
      }
      default:
        break;
    }
    place(*control, row);
    tabs.addMember(row.page, *control);
  }
  tabs.select(0);
  return {&frame, &tabs, &root};
}

}  // namespace app
