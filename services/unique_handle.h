// One move-only owner for every kind of Windows handle, over a traits type that names the handle,
// its invalid value and how to close it. Closing keeps GetLastError intact.
#pragma once

#include <objbase.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <utility>

namespace dl {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

  // Closes what is held and hands out the slot, for out-parameters.
  Handle* put() noexcept {
    reset();
    return &handle_;
  }
  Handle release() noexcept { return std::exchange(handle_, Traits::invalid()); }
  void reset(Handle handle = Traits::invalid()) noexcept {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::invalid()) {
      const DWORD error = GetLastError();
      Traits::close(old);
      SetLastError(error);
    }
  }

 private:
  Handle handle_ = Traits::invalid();
};

struct InternetTraits {
  using Handle = HINTERNET;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { InternetCloseHandle(handle); }
};

struct FileTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) noexcept { CloseHandle(handle); }
};

struct CoTaskMemTraits {
  using Handle = void*;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle memory) noexcept { CoTaskMemFree(memory); }
};

using UniqueInternet = UniqueHandle<InternetTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueCoTaskMem = UniqueHandle<CoTaskMemTraits>;

// The wide API takes the UTF-16 that PathText holds.
inline const wchar_t* wide(const std::u16string& text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace dl
