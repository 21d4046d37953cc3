#include "services/dialogs.h"

#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "services/unique_handle.h"

namespace dl {
namespace {

// The calling thread's top-level windows and whether each was enabled, noted before a modal
// browser takes over; restored in reverse once it has closed.
class DisabledTopLevelWindows {
 public:
  DisabledTopLevelWindows() {
    EnumThreadWindows(GetCurrentThreadId(), &DisabledTopLevelWindows::note,
                      reinterpret_cast<LPARAM>(this));
    for (const Noted& window : windows_) EnableWindow(window.handle, FALSE);
  }
  ~DisabledTopLevelWindows() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
      if (IsWindow(it->handle)) EnableWindow(it->handle, it->wasEnabled);
    }
  }
  DisabledTopLevelWindows(const DisabledTopLevelWindows&) = delete;
  DisabledTopLevelWindows& operator=(const DisabledTopLevelWindows&) = delete;

 private:
  struct Noted {
    HWND handle;
    BOOL wasEnabled;
  };

  static BOOL CALLBACK note(HWND window, LPARAM self) {
    if (GetParent(window) == nullptr) {
      reinterpret_cast<DisabledTopLevelWindows*>(self)->windows_.push_back(
          {window, IsWindowEnabled(window)});
    }
    return TRUE;
  }

  std::vector<Noted> windows_;
};

constexpr NoticeResult resultOf(int button) {
  switch (button) {
    case IDCANCEL:
      return NoticeResult::Cancel;
    case IDABORT:
      return NoticeResult::Abort;
    case IDRETRY:
      return NoticeResult::Retry;
    case IDIGNORE:
      return NoticeResult::Ignore;
    case IDYES:
      return NoticeResult::Yes;
    case IDNO:
      return NoticeResult::No;
    default:
      return NoticeResult::Ok;
  }
}

}  // namespace

PathText chooseFolder(const char* prompt) {
  HWND active = GetActiveWindow();
  if (!IsWindow(active)) active = nullptr;
  HWND foreground = GetForegroundWindow();

  const std::u16string title = gbkToUtf16(prompt == nullptr ? "" : prompt);
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW browse{};
  browse.hwndOwner = active;
  browse.pidlRoot = nullptr;  // the desktop: the whole shell namespace
  browse.pszDisplayName = displayName;
  browse.lpszTitle = wide(title);
  browse.ulFlags = BIF_EDITBOX;

  UniqueCoTaskMem item;
  {
    const DisabledTopLevelWindows disabled;
    item.reset(SHBrowseForFolderW(&browse));
  }
  if (IsWindow(foreground)) SetForegroundWindow(foreground);
  if (IsWindow(active)) SetActiveWindow(active);

  if (!item) return {};
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(item.get()), path) || path[0] == L'\0') {
    return {};
  }
  return PathText(reinterpret_cast<const char16_t*>(path));
}

NoticeResult showNotice(const char* text, std::uint32_t style, const char* caption) {
  if ((style & MB_SYSTEMMODAL) == 0) style |= MB_TASKMODAL;
  const std::u16string message = gbkToUtf16(text == nullptr ? "" : text);
  const std::u16string title = gbkToUtf16(caption == nullptr ? "" : caption);
  // The box has no owner and enables the thread's windows again only after it has gone, so by
  // then nothing of ours could take the activation: give it back to the window that had it.
  HWND active = GetActiveWindow();
  const int button = MessageBoxW(nullptr, wide(message), wide(title), style);
  if (IsWindow(active)) SetForegroundWindow(active);
  return resultOf(button);
}

}  // namespace dl
