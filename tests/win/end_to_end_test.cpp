// The real ServerCoreDownloader.exe, driven from outside as a user drives it: started as its own
// process, its notices and folder browser found by process id and answered, its main window
// worked with real mouse and keyboard input (SendInput, which Wine routes through its server like
// hardware input, so a disabled window does not get it), its files compared with what the
// loopback server served.
#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/win/test_support.h"

namespace dl {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::makeZip;
using testing::readFile;
using testing::runnerSetting;
using testing::ScratchFolder;
using testing::ServedFile;

constexpr DWORD kWaitMs = 30'000;  // for anything the program is expected to do

// Polls `done` until it holds or `limitMs` has passed; says whether it came to hold.
bool waitUntil(const std::function<bool()>& done, DWORD limitMs = kWaitMs) {
  const ULONGLONG end = GetTickCount64() + limitMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(20);
  }
}

fs::path fromUnix(const std::string& unixPath) {
  std::wstring path(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, unixPath.data(),
                                                   static_cast<int>(unixPath.size()), nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, unixPath.data(), static_cast<int>(unixPath.size()), path.data(),
                      static_cast<int>(path.size()));
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return L"Z:" + path;  // Wine shows the Unix root as drive Z:
}

// DL_APP_EXE is the exe's Unix path.
const fs::path& programFile() {
  static const fs::path file = fromUnix(DL_APP_EXE);
  return file;
}

std::wstring windowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::vector<HWND> childrenOf(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

// --- Real input -----------------------------------------------------------------------------

void send(std::vector<INPUT> inputs) {
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  ASSERT_EQ(sent, inputs.size()) << "SendInput failed: " << GetLastError();
}

INPUT mouse(DWORD flags, LONG x = 0, LONG y = 0, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = x;
  input.mi.dy = y;
  input.mi.mouseData = data;
  input.mi.dwFlags = flags;
  return input;
}

INPUT keyboard(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Absolute mouse coordinates run from 0 to 65535 across the primary screen; rounding up lands
// every pixel exactly.
LONG absolute(int pixel, int screenSize) {
  return static_cast<LONG>((static_cast<std::int64_t>(pixel) * 65536 + screenSize - 1) /
                           screenSize);
}

// A mouse event at a point of the screen.
INPUT mouseAt(POINT screen, DWORD buttons = 0) {
  return mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons,
               absolute(screen.x, GetSystemMetrics(SM_CXSCREEN)),
               absolute(screen.y, GetSystemMetrics(SM_CYSCREEN)));
}

void moveMouse(POINT screen) {
  // Wine's X11 side may still warp the pointer to where an earlier move put it, undoing a newer
  // one: move again until the cursor is seen where it was sent.
  const bool arrived = waitUntil(
      [&] {
        send({mouseAt(screen)});
        Sleep(30);
        POINT at{};
        GetCursorPos(&at);
        return at.x == screen.x && at.y == screen.y;
      },
      3000);
  ASSERT_TRUE(arrived) << "the mouse does not stay at " << screen.x << "," << screen.y;
}

// Press and release carry the point too, so they land there whatever moved the cursor meanwhile.
void click(POINT screen) {
  moveMouse(screen);
  send({mouseAt(screen, MOUSEEVENTF_LEFTDOWN), mouseAt(screen, MOUSEEVENTF_LEFTUP)});
}

void wheelDown(int notches) {
  for (int i = 0; i < notches; ++i) {
    send({mouse(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(-WHEEL_DELTA))});
  }
}

// Presses `key` with the modifiers held, then lets everything go.
void press(WORD key, std::initializer_list<WORD> held = {}) {
  std::vector<INPUT> inputs;
  for (const WORD modifier : held) inputs.push_back(keyboard(modifier, false));
  inputs.push_back(keyboard(key, false));
  inputs.push_back(keyboard(key, true));
  for (auto it = std::rbegin(held); it != std::rend(held); ++it) {
    inputs.push_back(keyboard(*it, true));
  }
  send(std::move(inputs));
}

POINT centreOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Clicks a dialog's button, then waits until the dialog has gone and the main window is enabled
// again (or gone too).
void clickAway(HWND dialog, int button, HWND window) {
  HWND target = GetDlgItem(dialog, button);
  ASSERT_NE(target, nullptr) << "the dialog has no button " << button;
  click(centreOf(target));
  ASSERT_TRUE(waitUntil([&] {
    return !IsWindow(dialog) && (IsWindowEnabled(window) || !IsWindow(window));
  })) << "the dialog stays, or the window stays disabled";
}

// --- The program's windows --------------------------------------------------------------------

// Points of the main window's client area, 96-DPI layout units (the window is checked to be at
// that scale before they are used).
constexpr POINT kCloseButton{475, 15};
constexpr POINT kJavaTab{48, 46};
constexpr POINT kPaperTab{138, 46};
constexpr POINT kSpigotTab{228, 46};
constexpr POINT kListField{248, 164};
constexpr POINT kDownloadButton{248, 248};
constexpr int kFirstItemTop = 181;
constexpr int kItemHeight = 20;

POINT listRow(int row) {
  return {kListField.x, kFirstItemTop + row * kItemHeight + kItemHeight / 2};
}

enum class Icon { None, Information, Warning, Error, Question, Unknown };

const char* nameOf(Icon icon) {
  switch (icon) {
    case Icon::None:
      return "no icon";
    case Icon::Information:
      return "information";
    case Icon::Warning:
      return "warning";
    case Icon::Error:
      return "error";
    case Icon::Question:
      return "question";
    case Icon::Unknown:
      break;
  }
  return "an icon that is none of the system's four";
}

// The pixels of a screen rectangle, as 0xRRGGBB.
std::vector<std::uint32_t> screenPixels(const RECT& r) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> out(pixels, pixels + static_cast<std::size_t>(width) * height);
  for (std::uint32_t& pixel : out) pixel &= 0xFFFFFF;
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return out;
}

// A system icon drawn as a message box draws it: at the given size, over the given background.
std::vector<std::uint32_t> iconPixels(LPCWSTR which, int width, int height,
                                      std::uint32_t background) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  auto* pixels = static_cast<std::uint32_t*>(bits);
  std::fill(pixels, pixels + static_cast<std::size_t>(width) * height, background);
  DrawIconEx(dc, 0, 0, LoadIconW(nullptr, which), width, height, 0, nullptr, DI_NORMAL);
  GdiFlush();
  std::vector<std::uint32_t> out(pixels, pixels + static_cast<std::size_t>(width) * height);
  for (std::uint32_t& pixel : out) pixel &= 0xFFFFFF;
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return out;
}

// Which of the four system icons a message box shows, told from its pixels on screen: the icon
// control's picture must match one of them (almost) exactly.
Icon iconShownBy(HWND box) {
  HWND iconControl = nullptr;
  for (HWND child : childrenOf(box)) {
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (className(child) == L"Static" && (style & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child)) {
      iconControl = child;
    }
  }
  if (iconControl == nullptr) return Icon::None;
  RECT r{};
  GetWindowRect(iconControl, &r);
  const std::vector<std::uint32_t> shown = screenPixels(r);
  if (shown.empty()) return Icon::Unknown;
  const struct {
    Icon icon;
    LPCWSTR resource;
  } candidates[] = {{Icon::Information, IDI_INFORMATION},
                    {Icon::Warning, IDI_WARNING},
                    {Icon::Error, IDI_ERROR},
                    {Icon::Question, IDI_QUESTION}};
  Icon best = Icon::Unknown;
  std::size_t bestSame = 0;
  for (const auto& candidate : candidates) {
    const std::vector<std::uint32_t> drawn =
        iconPixels(candidate.resource, r.right - r.left, r.bottom - r.top, shown.front());
    std::size_t same = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) same += shown[i] == drawn[i];
    if (same > bestSame) bestSame = same, best = candidate.icon;
  }
  return bestSame * 100 >= shown.size() * 98 ? best : Icon::Unknown;
}

// What a message box shows: its caption, its text, its icon and its buttons.
struct Notice {
  std::wstring caption;
  std::wstring text;
  bool owned = false;
  Icon icon = Icon::Unknown;
  std::vector<int> buttons;  // the visible buttons' command IDs
};

Notice readNotice(HWND box) {
  Notice notice;
  notice.caption = windowText(box);
  notice.owned = GetWindow(box, GW_OWNER) != nullptr;
  for (HWND child : childrenOf(box)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring kind = className(child);
    if (kind == L"Button") notice.buttons.push_back(GetDlgCtrlID(child));
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (kind == L"Static" && (style & SS_TYPEMASK) != SS_ICON) notice.text += windowText(child);
  }
  notice.icon = iconShownBy(box);
  return notice;
}

// The program running as its own process; ended by force if a test leaves it running.
class RunningProgram {
 public:
  explicit RunningProgram(const fs::path& startIn) {
    std::wstring commandLine = L"\"" + programFile().wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(programFile().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                              nullptr, startIn.c_str(), &startup, &process_) != FALSE;
    if (started_) CloseHandle(process_.hThread);
  }
  ~RunningProgram() {
    if (!started_) return;
    if (running()) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, kWaitMs);
    }
    CloseHandle(process_.hProcess);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return started_; }
  bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

  // Waits for the process to end and gives its exit code; STILL_ACTIVE if it did not end.
  DWORD exitCode(DWORD waitMs = kWaitMs) const {
    WaitForSingleObject(process_.hProcess, waitMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

  // The process's top-level windows of a class, visible or not.
  std::vector<HWND> windows(const std::wstring& ofClass) const {
    struct Search {
      DWORD process;
      const std::wstring* ofClass;
      std::vector<HWND> found;
    } search{process_.dwProcessId, &ofClass, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner == s.process && className(window) == *s.ofClass) s.found.push_back(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HWND mainWindow() const {
    const std::vector<HWND> found = windows(L"ServerCoreDownloaderWindow");
    return found.empty() ? nullptr : found.front();
  }

  // The visible dialogs (message boxes and folder browsers) of the process.
  std::vector<HWND> dialogs() const {
    std::vector<HWND> found = windows(L"#32770");
    std::erase_if(found, [](HWND w) { return !IsWindowVisible(w); });
    return found;
  }

  // Waits for a visible dialog other than `earlier`, once `earlier` has gone; nullptr if none
  // came, or the process ended first.
  HWND waitForDialog(HWND earlier = nullptr) const {
    HWND found = nullptr;
    waitUntil([&] {
      const std::vector<HWND> shown = dialogs();
      if (!shown.empty() && !IsWindow(earlier)) found = shown.front();
      return found != nullptr || !running();
    });
    if (found != nullptr) Sleep(200);  // let it finish laying itself out and drawing
    return found;
  }

  // A point of the main window's client area on the screen.
  POINT onMainWindow(POINT client) const {
    ClientToScreen(mainWindow(), &client);
    return client;
  }

  // Selects `folder` in the open folder browser and presses its OK. The classic browser under
  // Wine has no edit box, so the selection goes in as the browser's own message, its text
  // written into the program's memory.
  void chooseFolder(HWND browser, const fs::path& folder) const {
    const std::wstring text = folder.wstring();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    void* remote =
        VirtualAllocEx(process_.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr) << "VirtualAllocEx failed: " << GetLastError();
    ASSERT_TRUE(WriteProcessMemory(process_.hProcess, remote, text.c_str(), bytes, nullptr));
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    click(centreOf(GetDlgItem(browser, IDOK)));
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

constexpr wchar_t kStartupCaption[] = L"下载提示";
constexpr wchar_t kStartupText[] = L"下载时程序将未响应，等待即可";
constexpr wchar_t kDoneCaption[] = L"下载完成";
constexpr wchar_t kFailedCaption[] = L"下载失败";
constexpr wchar_t kCorePrompt[] = L"核心保存位置";
constexpr wchar_t kJavaPrompt[] = L"Java保存位置";

// Text of a dialog's static controls, all of them, for finding a prompt among them.
std::wstring staticTexts(HWND dialog) {
  std::wstring texts;
  for (HWND child : childrenOf(dialog)) {
    if (className(child) == L"Static") texts += windowText(child) + L"\n";
  }
  return texts;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(runnerSetting("DL_TEST_SERVED_DIR").empty()) << "run through winetest.py";
    ASSERT_TRUE(fs::is_regular_file(programFile())) << programFile();
  }

  // Starts the program, answers its start-up notice with OK and waits for the main window.
  void startPastTheNotice(RunningProgram& program) {
    ASSERT_TRUE(program.started()) << "cannot start " << programFile();
    HWND notice = program.waitForDialog();
    ASSERT_NE(notice, nullptr) << "no start-up notice";
    ASSERT_EQ(windowText(notice), kStartupCaption);
    click(centreOf(GetDlgItem(notice, IDOK)));
    // Shown, then brought to the front, where keys go.
    ASSERT_TRUE(waitUntil([&] {
      return IsWindowVisible(program.mainWindow()) && GetForegroundWindow() == program.mainWindow();
    })) << "the main window did not come up in front";
    RECT r{};
    GetClientRect(program.mainWindow(), &r);
    ASSERT_TRUE(r.right == 491 && r.bottom == 323) << "the layout points assume 96 DPI";
  }
};

// --- Start-up ---------------------------------------------------------------------------------

TEST_F(EndToEnd, StartsWithTheNoticeAloneThenShowsTheWindowAfterOk) {
  ScratchFolder elsewhere(L"e2e-start");
  RunningProgram program(elsewhere.path());
  ASSERT_TRUE(program.started());
  HWND box = program.waitForDialog();
  ASSERT_NE(box, nullptr) << "no start-up notice";

  // The notice stands alone: the main window exists but is not shown, and owns nothing.
  HWND window = program.mainWindow();
  ASSERT_NE(window, nullptr) << "the main window is not built before the notice";
  EXPECT_FALSE(IsWindowVisible(window));
  const Notice notice = readNotice(box);
  EXPECT_EQ(notice.caption, kStartupCaption);
  EXPECT_EQ(notice.text, kStartupText);
  EXPECT_FALSE(notice.owned);
  EXPECT_EQ(notice.icon, Icon::Information) << "shows " << nameOf(notice.icon);
  EXPECT_EQ(notice.buttons, std::vector<int>{IDOK});
  EXPECT_FALSE(IsWindowVisible(window));

  click(centreOf(GetDlgItem(box, IDOK)));
  ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(window) != FALSE; }));
  EXPECT_FALSE(IsWindow(box)) << "the window appeared while the notice was still up";
  EXPECT_TRUE(waitUntil([&] { return GetForegroundWindow() == window; })) << "not in front";
  EXPECT_EQ(windowText(window), L"下载Java/服务器核心");
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_TRUE(r.left == 50 && r.top == 50 && r.right - r.left == 491 && r.bottom - r.top == 323)
      << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
}

// --- Downloads --------------------------------------------------------------------------------

enum class Way { Keyboard, Mouse };

struct DownloadCase {
  const char* name;
  Way way;
  int page;  // in tab order: Java, Paper, Spigot
  int item;  // in the page's list
  const char* servedPath;
  const wchar_t* fileName;
  const wchar_t* prompt;
  const wchar_t* doneText;
};

void PrintTo(const DownloadCase& c, std::ostream* out) {
  *out << c.name;
}

// clang-format off
constexpr DownloadCase kPaper{"Paper_1_16_5_ByKeyboard", Way::Keyboard, 1, 8,
    "/Vordu/QORB_PaperCoreDownload/releases/download/Publish/paper-1.16.5-794.jar",
    L"Paper_1.16.5.jar", kCorePrompt, L"Paper核心下载完成"};
constexpr DownloadCase kJava{"Java8_32bit_ByMouse", Way::Mouse, 0, 0,
    "/Adoptium/8/jre/x32/windows/OpenJDK8U-jre_x86-32_windows_hotspot_8u345b01.zip",
    L"Java8 32位.zip", kJavaPrompt, L"下载完成！"};
constexpr DownloadCase kSpigot{"Spigot_1_19_2_ByMouseAndWheel", Way::Mouse, 2, 12,
    "/Vordu/QORB_SpigotCoreDownload/releases/download/Publish/spigot-1.19.2.jar",
    L"Spigot_1.19.2.jar", kCorePrompt, L"Spigot核心下载完成"};
// clang-format on

constexpr int kVisibleRows = 6;  // what the drop list has room for below the field

// Picks the case's item on its page and presses the page's button, as a user would.
void chooseAndPress(const RunningProgram& program, const DownloadCase& c) {
  if (c.way == Way::Keyboard) {
    // Focus starts on the first page's list; a new page puts it on that page's list.
    for (int page = 0; page < c.page; ++page) press(VK_TAB, {VK_CONTROL});
    press(VK_HOME);
    for (int item = 0; item < c.item; ++item) press(VK_DOWN);
    press(VK_TAB);
    press(VK_RETURN);
    return;
  }
  const POINT tabs[] = {kJavaTab, kPaperTab, kSpigotTab};
  click(program.onMainWindow(tabs[c.page]));
  click(program.onMainWindow(kListField));
  const int scrolled = std::max(0, c.item - (kVisibleRows - 1));
  wheelDown(scrolled);
  click(program.onMainWindow(listRow(c.item - scrolled)));
  click(program.onMainWindow(kDownloadButton));
}

// A small but real archive, different for every case.
Bytes archiveFor(const DownloadCase& c) {
  return makeZip({{"name.txt", c.name}, {"filler.bin", std::string(250'000, c.name[0])}});
}

class Downloads : public EndToEnd, public ::testing::WithParamInterface<DownloadCase> {};

TEST_P(Downloads, FileLandsWithTheServedBytesThenTheNoticeSaysSo) {
  const DownloadCase& c = GetParam();
  const Bytes served = archiveFor(c);
  ServedFile file(c.servedPath, served);
  ScratchFolder folder(L"e2e-save");
  RunningProgram program(folder.path());
  startPastTheNotice(program);

  chooseAndPress(program, c);
  HWND browser = program.waitForDialog();
  ASSERT_NE(browser, nullptr) << "no folder browser";
  EXPECT_NE(staticTexts(browser).find(c.prompt), std::wstring::npos) << "not the prompt expected";
  program.chooseFolder(browser, folder.path());

  HWND box = program.waitForDialog(browser);
  ASSERT_NE(box, nullptr) << "no notice after the download";
  // The file is in place before the notice is shown.
  EXPECT_EQ(folder.entries(), std::vector<std::wstring>{c.fileName});
  const Bytes saved = readFile(folder.path() / c.fileName);
  EXPECT_TRUE(saved == served) << "saved " << saved.size() << " bytes, served " << served.size();
  const Notice notice = readNotice(box);
  EXPECT_EQ(notice.caption, kDoneCaption);
  EXPECT_EQ(notice.text, c.doneText);
  EXPECT_EQ(notice.icon, Icon::Information) << "shows " << nameOf(notice.icon);
  EXPECT_EQ(notice.buttons, std::vector<int>{IDOK});

  clickAway(box, IDOK, program.mainWindow());
  EXPECT_TRUE(program.running());
  click(program.onMainWindow(kCloseButton));
  EXPECT_EQ(program.exitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, Downloads, ::testing::Values(kPaper, kJava, kSpigot),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(EndToEnd, NotFoundLeavesTheExistingFileAsItWasAndSaysTheDownloadFailed) {
  ScratchFolder folder(L"e2e-404");
  const Bytes existing = makeZip({{"old.txt", "the copy that was already there"}});
  testing::writeFile(folder.path() / kPaper.fileName, existing);
  std::error_code ignored;
  fs::remove(fs::path(runnerSetting("DL_TEST_SERVED_DIR")) / (kPaper.servedPath + 1), ignored);

  RunningProgram program(folder.path());
  startPastTheNotice(program);
  chooseAndPress(program, kPaper);
  HWND browser = program.waitForDialog();
  ASSERT_NE(browser, nullptr) << "no folder browser";
  program.chooseFolder(browser, folder.path());

  HWND box = program.waitForDialog(browser);
  ASSERT_NE(box, nullptr) << "no notice after the download";
  const Notice notice = readNotice(box);
  EXPECT_EQ(notice.caption, kFailedCaption);
  EXPECT_EQ(notice.text, L"Paper 1.16.5 下载失败：服务器返回 HTTP 404。");
  EXPECT_EQ(notice.icon, Icon::Error) << "shows " << nameOf(notice.icon);
  EXPECT_EQ(notice.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(folder.entries(), std::vector<std::wstring>{kPaper.fileName});
  EXPECT_TRUE(readFile(folder.path() / kPaper.fileName) == existing);

  clickAway(box, IDOK, program.mainWindow());
  click(program.onMainWindow(kCloseButton));
  EXPECT_EQ(program.exitCode(), 0u);
}

// --- Modal states -----------------------------------------------------------------------------

// Moves a dialog clear of the main window, so that clicks meant for the window reach it.
void moveClear(HWND dialog, HWND window) {
  RECT main{};
  GetWindowRect(window, &main);
  SetWindowPos(dialog, nullptr, main.right + 20, main.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT moved{};
  GetWindowRect(dialog, &moved);
  RECT overlap{};
  ASSERT_FALSE(IntersectRect(&overlap, &moved, &main)) << "the dialog still covers the window";
}

// What a user might click on the main window: its close button, another page, its button.
void clickAround(const RunningProgram& program) {
  for (const POINT p : {kCloseButton, kJavaTab, kDownloadButton}) click(program.onMainWindow(p));
}

TEST_F(EndToEnd, ClicksOnTheWindowDoNothingWhileTheBrowserOrANoticeIsUp) {
  ServedFile file(kPaper.servedPath, archiveFor(kPaper));
  ScratchFolder folder(L"e2e-modal");
  RunningProgram program(folder.path());
  startPastTheNotice(program);
  HWND window = program.mainWindow();

  chooseAndPress(program, kPaper);
  HWND browser = program.waitForDialog();
  ASSERT_NE(browser, nullptr) << "no folder browser";
  moveClear(browser, window);
  EXPECT_FALSE(IsWindowEnabled(window));
  clickAround(program);
  // Input is handled in order: by the time the browser takes this OK, the clicks are done with.
  program.chooseFolder(browser, folder.path());

  HWND box = program.waitForDialog(browser);
  ASSERT_NE(box, nullptr) << "no notice after the download";
  EXPECT_EQ(program.dialogs(), std::vector<HWND>{box}) << "a second download was started";
  EXPECT_EQ(windowText(box), kDoneCaption);
  moveClear(box, window);
  EXPECT_FALSE(IsWindowEnabled(window));
  clickAround(program);
  clickAway(box, IDOK, window);

  // Not closed, still on the Paper page with its button focused, and active again: Enter
  // downloads again.
  ASSERT_TRUE(IsWindow(window) && IsWindowVisible(window)) << "the window was closed";
  EXPECT_EQ(program.dialogs(), std::vector<HWND>{});
  EXPECT_EQ(GetForegroundWindow(), window) << "the window is not active after the notice";
  press(VK_RETURN);
  browser = program.waitForDialog();
  ASSERT_NE(browser, nullptr) << "Enter does not reach the Paper page's button";
  EXPECT_NE(staticTexts(browser).find(kCorePrompt), std::wstring::npos);
  clickAway(browser, IDCANCEL, window);

  // The same click on the close button, now that nothing is in the way, closes the window.
  click(program.onMainWindow(kCloseButton));
  EXPECT_EQ(program.exitCode(), 0u);
}

TEST_F(EndToEnd, CannotBeClosedWhileADownloadRuns) {
  const Bytes served = archiveFor(kPaper);
  ServedFile file(kPaper.servedPath, served);
  const ServedFile late = testing::serverFault("late 4\n");
  ScratchFolder folder(L"e2e-busy");
  RunningProgram program(folder.path());
  startPastTheNotice(program);
  HWND window = program.mainWindow();

  chooseAndPress(program, kPaper);
  HWND browser = program.waitForDialog();
  ASSERT_NE(browser, nullptr) << "no folder browser";
  program.chooseFolder(browser, folder.path());
  ASSERT_TRUE(waitUntil([&] { return !IsWindow(browser); }));

  // The server holds the file back for a few seconds: the close button is clicked meanwhile.
  click(program.onMainWindow(kCloseButton));
  ASSERT_TRUE(folder.entries().empty() && program.dialogs().empty())
      << "the download was over before the attempt to close";

  HWND box = program.waitForDialog();
  ASSERT_NE(box, nullptr) << "the program ended before the download was done";
  EXPECT_EQ(windowText(box), kDoneCaption);
  EXPECT_TRUE(readFile(folder.path() / kPaper.fileName) == served);
  clickAway(box, IDOK, window);

  // Still open and working: its button starts another download.
  ASSERT_TRUE(IsWindow(window) && IsWindowVisible(window)) << "the window was closed";
  click(program.onMainWindow(kDownloadButton));
  browser = program.waitForDialog();
  ASSERT_NE(browser, nullptr) << "the window no longer takes clicks";
  EXPECT_NE(staticTexts(browser).find(kCorePrompt), std::wstring::npos);
  clickAway(browser, IDCANCEL, window);
  click(program.onMainWindow(kCloseButton));
  EXPECT_EQ(program.exitCode(), 0u);
}

// --- Closing ----------------------------------------------------------------------------------

// Every file and folder under `root`, one line each: its name, size and last write time.
std::vector<std::string> filesUnder(const fs::path& root) {
  std::vector<std::string> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(root, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    // Wine shows a link to a Unix folder as a reparse point: not followed.
    if (GetFileAttributesW(it->path().c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) {
      it.disable_recursion_pending();
    }
    const std::uintmax_t size = it->is_regular_file() ? it->file_size() : 0;
    const std::u8string name = it->path().u8string();
    files.push_back(std::string(name.begin(), name.end()) + ": " + std::to_string(size) +
                    " bytes, written " +
                    std::to_string(it->last_write_time().time_since_epoch().count()));
  }
  return files;
}

// Saving a registry key needs the backup privilege, held but not enabled by default.
bool enableBackupPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const bool enabled =
      LookupPrivilegeValueW(nullptr, SE_BACKUP_NAME, &privileges.Privileges[0].Luid) &&
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
      GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return enabled;
}

// The live registry as Wine's server holds it (its files on disk are written only now and then),
// saved as text through the registry API.
std::vector<std::string> registryLines(HKEY root, const fs::path& file) {
  static const bool privileged = enableBackupPrivilege();
  EXPECT_TRUE(privileged) << "cannot enable the backup privilege";
  std::error_code ignored;
  fs::remove(file, ignored);
  const LSTATUS saved = RegSaveKeyW(root, file.c_str(), nullptr);
  EXPECT_EQ(saved, ERROR_SUCCESS) << "RegSaveKey failed";
  const Bytes bytes = readFile(file);
  fs::remove(file, ignored);
  std::vector<std::string> lines;
  std::string line;
  for (const std::byte b : bytes) {
    if (b == std::byte{'\n'}) {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line.push_back(static_cast<char>(b));
    }
  }
  return lines;
}

struct Snapshot {
  std::vector<std::string> files;
  std::vector<std::string> machine;
  std::vector<std::string> users;
};

Snapshot snapshot(const std::vector<fs::path>& folders, const fs::path& scratch) {
  Snapshot taken;
  for (const fs::path& folder : folders) {
    const std::vector<std::string> files = filesUnder(folder);
    taken.files.insert(taken.files.end(), files.begin(), files.end());
  }
  taken.machine = registryLines(HKEY_LOCAL_MACHINE, scratch / L"machine.reg");
  taken.users = registryLines(HKEY_USERS, scratch / L"users.reg");
  return taken;
}

// The lines only one side has, marked - or +.
std::string difference(const std::vector<std::string>& before,
                       const std::vector<std::string>& after) {
  std::vector<std::string> a(before), b(after), gone, added;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
  std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(added));
  std::string text;
  for (const std::string& line : gone) text += "- " + line + "\n";
  for (const std::string& line : added) text += "+ " + line + "\n";
  return text;
}

struct CloseCase {
  const char* name;
  std::function<void(const RunningProgram&)> close;
};

void PrintTo(const CloseCase& c, std::ostream* out) {
  *out << c.name;
}

class Closing : public EndToEnd, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(Closing, EndsTheProcessWithZeroAndWritesNothing) {
  ScratchFolder startIn(L"e2e-close");
  ScratchFolder scratch(L"e2e-registry");
  // The user profile's own folders; its Desktop, Documents and the like are links to the Unix
  // home, outside the prefix.
  const fs::path profile = _wgetenv(L"USERPROFILE");
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::vector<fs::path> watched{programFile().parent_path(), startIn.path(),
                                      profile / L"AppData", temp, L"C:\\users\\Public"};
  const Snapshot before = snapshot(watched, scratch.path());
  ASSERT_FALSE(before.files.empty() || before.machine.empty() || before.users.empty())
      << "nothing to compare";

  {
    RunningProgram program(startIn.path());
    startPastTheNotice(program);
    GetParam().close(program);
    EXPECT_EQ(program.exitCode(), 0u);
  }

  const Snapshot after = snapshot(watched, scratch.path());
  EXPECT_EQ(difference(before.files, after.files), "") << "files changed";
  EXPECT_EQ(difference(before.machine, after.machine), "") << "HKEY_LOCAL_MACHINE changed";
  EXPECT_EQ(difference(before.users, after.users), "") << "HKEY_USERS changed";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Closing,
    ::testing::Values(CloseCase{"CloseButton",
                                [](const RunningProgram& program) {
                                  click(program.onMainWindow(kCloseButton));
                                }},
                      CloseCase{"AltF4", [](const RunningProgram&) { press(VK_F4, {VK_MENU}); }}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace dl
