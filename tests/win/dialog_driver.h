// Answers the modal dialogs that the code under test opens on the main thread, from a second
// thread, as a user would: a folder browser gets a selection and OK (or Cancel), a message box
// gets OK. What each dialog showed is recorded for the test to check afterwards.
#pragma once

#include <shlobj.h>
#include <windows.h>

#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace dl::testing {

struct DialogAnswer {
  enum Kind { SelectFolder, Cancel, PressOk } kind;
  std::wstring folder;  // for SelectFolder
};

inline DialogAnswer selectFolder(std::wstring folder) {
  return {DialogAnswer::SelectFolder, std::move(folder)};
}
inline DialogAnswer cancel() {
  return {DialogAnswer::Cancel, {}};
}
inline DialogAnswer pressOk() {
  return {DialogAnswer::PressOk, {}};
}

struct SeenDialog {
  bool found = false;
  std::wstring caption;
  std::wstring texts;  // the texts of its static controls, one per line
  bool hasOwner = false;
  bool watchedWindowEnabled = true;  // the state of the watched window while the dialog was up
};

class DialogDriver {
 public:
  // Answers the dialogs in order; `watched` is a window whose enabled state is recorded.
  explicit DialogDriver(std::initializer_list<DialogAnswer> answers, HWND watched = nullptr)
      : answers_(std::move(answers)), watched_(watched), seen_(answers_.size()) {
    thread_ = std::thread([this] { run(); });
  }
  ~DialogDriver() {
    if (thread_.joinable()) thread_.join();
  }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // Waits for the driver to finish and returns what each dialog showed.
  const std::vector<SeenDialog>& seen() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  static constexpr DWORD kWaitMs = 30000;

  static HWND findDialog(HWND notThis) {
    struct Search {
      HWND found;
      HWND skip;
    } search{nullptr, notThis};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(param);
          DWORD process = 0;
          GetWindowThreadProcessId(window, &process);
          wchar_t className[16] = {};
          GetClassNameW(window, className, 16);
          if (process == GetCurrentProcessId() && window != s.skip && IsWindowVisible(window) &&
              std::wstring(className) == L"#32770") {
            s.found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  static std::wstring textOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
  }

  static std::wstring staticTexts(HWND dialog) {
    std::wstring texts;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) -> BOOL {
          wchar_t className[16] = {};
          GetClassNameW(child, className, 16);
          if (_wcsicmp(className, L"Static") == 0) {
            const std::wstring text = textOf(child);
            if (!text.empty()) *reinterpret_cast<std::wstring*>(param) += text + L"\n";
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
  }

  void run() {
    HWND previous = nullptr;
    for (std::size_t i = 0; i < answers_.size(); ++i) {
      HWND dialog = nullptr;
      for (DWORD waited = 0; waited < kWaitMs && dialog == nullptr; waited += 20) {
        if (previous != nullptr && IsWindow(previous)) {
          Sleep(20);
          continue;
        }
        dialog = findDialog(previous);
        if (dialog == nullptr) Sleep(20);
      }
      if (dialog == nullptr) return;  // the test sees found == false
      Sleep(100);                     // let the dialog finish initialising
      SeenDialog& seen = seen_[i];
      seen.found = true;
      seen.caption = textOf(dialog);
      seen.texts = staticTexts(dialog);
      seen.hasOwner = GetWindow(dialog, GW_OWNER) != nullptr;
      if (watched_ != nullptr) seen.watchedWindowEnabled = IsWindowEnabled(watched_);

      const DialogAnswer& answer = answers_[i];
      if (answer.kind == DialogAnswer::SelectFolder) {
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                     reinterpret_cast<LPARAM>(answer.folder.c_str()));
        Sleep(100);
      }
      PostMessageW(dialog, WM_COMMAND, answer.kind == DialogAnswer::Cancel ? IDCANCEL : IDOK, 0);
      previous = dialog;
    }
  }

  std::vector<DialogAnswer> answers_;
  HWND watched_;
  std::vector<SeenDialog> seen_;
  std::thread thread_;
};

}  // namespace dl::testing
