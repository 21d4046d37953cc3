// The main window on screen: what it draws before and after the start-up appearance, and the
// mouse and keyboard reaching the download procedure through the binding table.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/startup.h"
#include "tests/win/test_support.h"

namespace app {
namespace {

using dl::ComponentFamily;
using dl::DownloadCatalogue;

// Records what the download procedure asks of its services. The folder choice returns a folder
// and the fetch fails, so a run shows which entry it served without touching the network.
class RecordingServices final : public dl::DownloadServices {
 public:
  std::vector<std::string> fetched;
  std::vector<std::string> notices;

  dl::PathText chooseFolder(const char*) override { return u"C:\\unused"; }
  dl::FetchResult fetchUrl(const char* address) override {
    fetched.push_back(address);
    return {};
  }
  bool writeWholeFile(const dl::PathText&, std::span<const std::byte>) override { return false; }
  dl::NoticeResult showNotice(const char* text, std::uint32_t, const char* caption) override {
    notices.push_back(std::string(caption) + "|" + text);
    return dl::NoticeResult::Ok;
  }
};

// The window's pixels, drawn off screen exactly as WM_PAINT draws them.
class Snapshot {
 public:
  explicit Snapshot(MainWindow& window) : dpi_(window.host().dpi()) {
    RECT client;
    GetClientRect(window.handle(), &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    window.host().render(dc);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(pixels, pixels + static_cast<std::size_t>(width_) * height_);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }

  // Pixels of a layout rectangle that are of the colour `rgb`.
  int count(const ui::Rect& layout, std::uint32_t rgb) const {
    const ui::Rect r = ui::scale(layout, dpi_);
    int found = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, height_); ++y) {
      for (int x = std::max(r.left, 0); x < std::min(r.right, width_); ++x) {
        found += (pixels_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFF) == rgb;
      }
    }
    return found;
  }

  // Kept beside the test run for a person to look at.
  void save(const std::string& name) const {
    std::ofstream out(name, std::ios::binary);
    const auto imageSize = static_cast<DWORD>(pixels_.size() * 4);
    constexpr DWORD kHeaders = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPFILEHEADER file{0x4D42, kHeaders + imageSize, 0, 0, kHeaders};
    BITMAPINFOHEADER header{sizeof header, width_, -height_, 1, 32, BI_RGB, imageSize, 0, 0, 0, 0};
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    std::vector<std::uint32_t> opaque(pixels_);
    for (std::uint32_t& pixel : opaque) pixel |= 0xFF000000;  // GDI leaves alpha at 0
    out.write(reinterpret_cast<const char*>(opaque.data()), imageSize);
  }

 private:
  int dpi_;
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

class MainWindowOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(window().host().dpi(), 96) << "the pixel checks assume 96 DPI";
  }

  MainWindow& window() { return program.window(); }
  ui::Root& root() { return *window().controls().root; }
  const MainWindowControls& controls() { return window().controls(); }

  void start() {
    program.raise(L"窗口", Event::Creation);
    ShowWindow(window().handle(), SW_SHOWNORMAL);
    pump();
  }

  // Handles whatever the window's queue holds, as the event loop would.
  static void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  void click(ui::Point p) {
    const LPARAM at = MAKELPARAM(window().host().toPixels(p.x), window().host().toPixels(p.y));
    PostMessageW(window().handle(), WM_MOUSEMOVE, 0, at);
    PostMessageW(window().handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window().handle(), WM_LBUTTONUP, 0, at);
    pump();
  }
  void click(const ui::Rect& r) {
    click(ui::Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }

  void key(WPARAM virtualKey, std::initializer_list<int> held = {}) {
    BYTE state[256] = {};
    for (const int modifier : held) state[modifier] = 0x80;
    SetKeyboardState(state);
    PostMessageW(window().handle(), WM_KEYDOWN, virtualKey, 1);
    pump();
    BYTE none[256] = {};
    SetKeyboardState(none);
  }

  std::string urlOf(ComponentFamily family, std::size_t index) {
    return DownloadCatalogue::sourceUrl(DownloadCatalogue::entriesOf(family)[index]);
  }

  RecordingServices services;
  Program program{services};
};

TEST_F(MainWindowOnScreen, CreationAppliesTheAppearanceThenShowsTheNotice) {
  EXPECT_FALSE(IsWindowVisible(window().handle()));  // built hidden
  program.raise(L"窗口", Event::Creation);
  EXPECT_EQ(services.notices, std::vector<std::string>{"下载提示|下载时程序将未响应，等待即可"});
  EXPECT_EQ(controls().frame->readInt(ui::WindowEx::kCaptionColour), -1);
  EXPECT_FALSE(IsWindowVisible(window().handle()));
}

TEST_F(MainWindowOnScreen, TextsTurnWhiteWithTheStartupAppearance) {
  const auto textParts = [&](int page) {
    std::vector<std::pair<std::wstring, ui::Rect>> parts;
    for (const ui::Control* member : controls().tabs->pages()[page].members) {
      if (member->kind() != ui::Kind::ComboboxEx)
        parts.emplace_back(member->name(), member->screenRect());
    }
    parts.emplace_back(L"tab caption", controls().tabs->tabRect(page));
    return parts;
  };
  const ui::Rect caption = controls().frame->partRect(ui::WindowEx::Part::Caption);
  const ui::Rect captionText{caption.left + 30, caption.top, caption.right - 100, caption.bottom};

  for (int page = 0; page < 3; ++page) {
    controls().tabs->select(page);
    const Snapshot designed(window());
    for (const auto& [name, rect] : textParts(page)) {
      EXPECT_EQ(designed.count(rect, kWhite), 0)
          << "page " << page << ": " << testing::PrintToString(name);
    }
    EXPECT_EQ(designed.count(captionText, kWhite), 0);
  }

  start();
  const struct {
    ComponentFamily family;
    int page;
    bool whiteArrow;
  } lists[] = {{ComponentFamily::Java, 0, false},
               {ComponentFamily::Paper, 1, true},
               {ComponentFamily::Spigot, 2, true}};
  for (const auto& l : lists) {
    controls().tabs->select(l.page);
    const Snapshot shown(window());
    shown.save("main-window-page" + std::to_string(l.page) + ".bmp");
    for (const auto& [name, rect] : textParts(l.page)) {
      EXPECT_GT(shown.count(rect, kWhite), 0)
          << "page " << l.page << ": " << testing::PrintToString(name);
    }
    EXPECT_GT(shown.count(captionText, kWhite), 0);
    // The list's field text is white on every list; its arrow white except on the Java list.
    const ui::Rect field = controls().list(l.family)->screenRect();
    const int arrowWidth = ui::skin::kList.arrowWidth;
    const ui::Rect text{field.left, field.top, field.right - arrowWidth, field.bottom};
    const ui::Rect arrow{field.right - arrowWidth + 2, field.top + 2, field.right - 2,
                         field.bottom - 2};
    EXPECT_GT(shown.count(text.inset(2, 2), kWhite), 0) << l.page;
    EXPECT_EQ(shown.count(arrow, kWhite) > 0, l.whiteArrow) << l.page;
    EXPECT_EQ(shown.count(arrow, kBlack) > 0, !l.whiteArrow) << l.page;
  }
}

TEST_F(MainWindowOnScreen, MouseChoosesAVersionAndPressesTheButton) {
  start();
  // A press before any choice serves nothing: no label is "---------请选择---------".
  click(controls().button(ComponentFamily::Java)->screenRect());
  EXPECT_TRUE(services.fetched.empty());

  click(controls().tabs->tabRect(1));
  EXPECT_EQ(controls().tabs->selected(), 1);
  ui::ComboboxEx& list = *controls().list(ComponentFamily::Paper);
  click(list.screenRect());
  ASSERT_TRUE(list.isOpen());
  const ui::Rect drop = list.dropRect();
  click(ui::Point{drop.left + 20, drop.top + 1 + ui::skin::kList.itemHeight * 2 + 5});
  EXPECT_FALSE(list.isOpen());
  EXPECT_EQ(list.currentText(), L"Paper 1.10.2");

  click(controls().button(ComponentFamily::Paper)->screenRect());
  EXPECT_EQ(services.fetched, std::vector<std::string>{urlOf(ComponentFamily::Paper, 2)});
  // The same press again serves the same entry again: the list keeps its text.
  click(controls().button(ComponentFamily::Paper)->screenRect());
  EXPECT_EQ(services.fetched.size(), 2u);
  EXPECT_EQ(services.fetched.back(), urlOf(ComponentFamily::Paper, 2));
}

TEST_F(MainWindowOnScreen, FollowsTheDpiOfItsScreen) {
  start();
  // What the system sends when the window moves to a screen at 150 %.
  RECT suggested{60, 60, 60 + ui::scale(491, 144), 60 + ui::scale(323, 144)};
  SendMessageW(window().handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  pump();
  EXPECT_EQ(window().host().dpi(), 144);
  RECT client;
  GetClientRect(window().handle(), &client);
  EXPECT_EQ(client.right, suggested.right - suggested.left);
  EXPECT_EQ(client.bottom, suggested.bottom - suggested.top);

  // The layout scales with it: a click lands where the control now is, and texts are drawn there.
  click(controls().tabs->tabRect(2));
  EXPECT_EQ(controls().tabs->selected(), 2);
  const Snapshot shown(window());
  EXPECT_GT(shown.count(root().find(L"标签EX3")->screenRect(), kWhite), 0);
  EXPECT_GT(shown.count(controls().button(ComponentFamily::Spigot)->screenRect(), kWhite), 0);
}

TEST_F(MainWindowOnScreen, KeyboardAloneDownloadsAJavaPackage) {
  start();
  key(VK_TAB, {VK_CONTROL});
  key(VK_TAB, {VK_CONTROL, VK_SHIFT});
  EXPECT_EQ(controls().tabs->selected(), 0);
  EXPECT_EQ(program.window().controls().root->focused(), controls().list(ComponentFamily::Java));
  key(VK_F4);
  ASSERT_TRUE(controls().list(ComponentFamily::Java)->isOpen());
  key(VK_DOWN);  // from the first item to "Java16 32位"
  key(VK_RETURN);
  EXPECT_EQ(controls().list(ComponentFamily::Java)->currentText(), L"Java16 32位");
  key(VK_TAB);
  key(VK_SPACE);
  EXPECT_EQ(services.fetched, std::vector<std::string>{urlOf(ComponentFamily::Java, 1)});
}

}  // namespace
}  // namespace app

namespace app {
namespace {

TEST(Startup, WorkingDirectoryBecomesTheProgramsFolder) {
  wchar_t own[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring folder = own;
  folder.resize(folder.find_last_of(L'\\'));

  ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
  enterProgramFolder();
  wchar_t now[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, now);
  EXPECT_EQ(std::wstring(now), folder);
}

}  // namespace
}  // namespace app
