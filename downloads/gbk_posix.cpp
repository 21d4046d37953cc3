// Native builds (the unit tests) convert through iconv.
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "downloads/gbk.h"

namespace dl {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; an input sequence that cannot be converted is skipped by `skip` bytes and
  // replaced by `replacement`.
  std::string run(std::string_view in, std::size_t skip, std::string_view replacement) {
    std::string out;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return out;
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t done = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
        const std::size_t step = std::min(skip, srcLeft);
        src += step;
        srcLeft -= step;
        out += replacement;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::u16string gbkToUtf16(std::string_view gbk) {
  static constexpr char16_t kReplacement = u'\uFFFD';
  std::string replacement(reinterpret_cast<const char*>(&kReplacement), sizeof kReplacement);
  const std::string bytes = Converter("UTF-16LE", "GBK").run(gbk, 1, replacement);
  std::u16string out(bytes.size() / 2, u'\0');
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

std::string utf16ToGbk(std::u16string_view utf16) {
  const std::string_view bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
  return Converter("GBK", "UTF-16LE").run(bytes, 2, "?");
}

}  // namespace dl
