// Shared pieces of the Windows tests: scratch folders, whole-file reads, a plain top-level window.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>

#include "tests/helpers/zip_fixture.h"

namespace dl::testing {

namespace fs = std::filesystem;

// A fresh folder under C:\ (the folder browser handles C: paths reliably), removed afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name = L"dl-test") {
    path_ = fs::path(L"C:\\") / (name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(counter()++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const fs::path& path() const { return path_; }
  std::u16string text() const {
    const std::wstring w = path_.wstring();
    return std::u16string(w.begin(), w.end());
  }
  // Names of everything in the folder.
  std::vector<std::wstring> entries() const {
    std::vector<std::wstring> names;
    for (const auto& e : fs::directory_iterator(path_))
      names.push_back(e.path().filename().wstring());
    return names;
  }

 private:
  static int& counter() {
    static int next = 0;
    return next;
  }
  fs::path path_;
};

inline Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytesOf(content);
}

inline void writeFile(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::u16string u16(const std::wstring& w) {
  return std::u16string(w.begin(), w.end());
}

// A plain visible top-level window of the test thread, standing in for the main window.
class TopLevelWindow {
 public:
  TopLevelWindow() {
    window_ =
        CreateWindowExW(0, L"STATIC", L"test main window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                        300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetActiveWindow(window_);
  }
  ~TopLevelWindow() { DestroyWindow(window_); }
  TopLevelWindow(const TopLevelWindow&) = delete;
  TopLevelWindow& operator=(const TopLevelWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

}  // namespace dl::testing

namespace dl::testing {

// A setting that the test runner passes in the environment (ports, the served folder).
inline std::string runnerSetting(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

inline std::string textOf(const Bytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline std::string textOf(std::span<const std::byte> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A file placed where the loopback server serves the address path `addressPath` (it begins with
// a slash), removed again at the end of the scope.
class ServedFile {
 public:
  ServedFile(std::string_view addressPath, const Bytes& bytes)
      : path_(fs::path(runnerSetting("DL_TEST_SERVED_DIR")) / addressPath.substr(1)) {
    writeFile(path_, bytes);
  }
  ~ServedFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  ServedFile(const ServedFile&) = delete;
  ServedFile& operator=(const ServedFile&) = delete;

 private:
  fs::path path_;
};

// Makes the loopback server's trusted listener misbehave as `fault` says (see
// loopback_server.py) while the returned file stands; an empty fault changes nothing.
inline ServedFile serverFault(std::string_view fault) {
  return ServedFile("/loopback-fault.txt", bytesOf(fault));
}

}  // namespace dl::testing
