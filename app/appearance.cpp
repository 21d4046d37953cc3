#include "app/appearance.h"

#include <array>
#include <cstdint>

namespace app {
namespace {

enum class Operation {
  WriteSetting,      // an integer setting of a control, by place
  TabCaptionColour,  // the caption colour of one tab, by index
};

struct Step {
  Operation operation;
  const wchar_t* control;
  int placeOrTab;
  std::int32_t value;
};

constexpr std::int32_t kWhite = -1;  // 0xFFFFFFFF as a signed setting
constexpr Operation kSet = Operation::WriteSetting;
constexpr Operation kTab = Operation::TabCaptionColour;

// clang-format off
constexpr std::array kSteps{
    //   operation  control          place/tab  value
    Step{kSet,      L"Paper核心",    18,        1},       //  1
    Step{kSet,      L"Spigot核心",   18,        1},       //  2
    Step{kSet,      L"Java",         18,        1},       //  3
    Step{kSet,      L"标签EX1",      19,        kWhite},  //  4
    Step{kSet,      L"标签EX2",      19,        kWhite},  //  5
    Step{kSet,      L"标签EX3",      19,        kWhite},  //  6
    Step{kSet,      L"标签EX4",      19,        kWhite},  //  7
    Step{kSet,      L"标签EX5",      19,        kWhite},  //  8
    Step{kSet,      L"标签EX6",      19,        kWhite},  //  9
    Step{kSet,      L"标签EX7",      19,        kWhite},  // 10
    Step{kSet,      L"Paper核心",    23,        kWhite},  // 11
    Step{kSet,      L"Spigot核心",   23,        kWhite},  // 12
    Step{kSet,      L"Java",         23,        kWhite},  // 13
    Step{kSet,      L"Paper核心",    31,        kWhite},  // 14
    Step{kSet,      L"Spigot核心",   31,        kWhite},  // 15
    Step{kSet,      L"下载Java",     18,        kWhite},  // 16
    Step{kSet,      L"下载Paper",    18,        kWhite},  // 17
    Step{kSet,      L"下载Spigot",   18,        kWhite},  // 18
    Step{kSet,      L"窗口EX1",      19,        kWhite},  // 19
    Step{kTab,      L"选择夹EX1",    0,         kWhite},  // 20
    Step{kTab,      L"选择夹EX1",    1,         kWhite},  // 21
    Step{kTab,      L"选择夹EX1",    2,         kWhite},  // 22
};
// clang-format on

}  // namespace

void applyStartupAppearance(const MainWindowControls& window) {
  for (const Step& step : kSteps) {
    ui::Control* control = window.root->find(step.control);
    if (control == nullptr) continue;
    if (step.operation == Operation::WriteSetting) {
      control->writeInt(step.placeOrTab, step.value);
    } else if (control->kind() == ui::Kind::SelectthefolderEx) {
      ui::SetTabFontColor_SelectthefolderEx(static_cast<ui::SelectthefolderEx&>(*control),
                                            step.placeOrTab, static_cast<ui::Argb>(step.value));
    }
  }
}

}  // namespace app
