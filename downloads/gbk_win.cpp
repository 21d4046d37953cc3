#include <windows.h>

#include "downloads/gbk.h"

namespace dl {
namespace {

constexpr UINT kGbk = 936;

}  // namespace

std::u16string gbkToUtf16(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int inLength = static_cast<int>(gbk.size());
  const int length = MultiByteToWideChar(kGbk, 0, gbk.data(), inLength, nullptr, 0);
  std::u16string out(static_cast<std::size_t>(length), u'\0');
  MultiByteToWideChar(kGbk, 0, gbk.data(), inLength, reinterpret_cast<wchar_t*>(out.data()),
                      length);
  return out;
}

std::string utf16ToGbk(std::u16string_view utf16) {
  if (utf16.empty()) return {};
  const auto* in = reinterpret_cast<const wchar_t*>(utf16.data());
  const int inLength = static_cast<int>(utf16.size());
  const int length = WideCharToMultiByte(kGbk, 0, in, inLength, nullptr, 0, "?", nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kGbk, 0, in, inLength, out.data(), length, "?", nullptr);
  return out;
}

}  // namespace dl
