// libFuzzer target: the Content-Length and Location values of a response, which the server
// chooses. The input is "<current address>\n<Location value>"; both parsers see all of it too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "downloads/http_fields.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

void checkContentLength(std::string_view value) {
  const std::optional<std::uint64_t> length = dl::parseContentLength(value);
  // A length read from the value reads back the same from its plain spelling.
  if (length) check(dl::parseContentLength(std::to_string(*length)) == length);
}

bool isSecure(std::string_view address) {
  return address.size() >= 6 && (address[0] | 0x20) == 'h' && (address[1] | 0x20) == 't' &&
         (address[2] | 0x20) == 't' && (address[3] | 0x20) == 'p' && (address[4] | 0x20) == 's' &&
         address[5] == ':';
}

// Properties of a redirect that is followed: an address that can go out as a request (absolute,
// web scheme, no fragment, nothing that could end the request line early) and never a step from
// https down to http.
void checkFollowed(std::string_view current, const dl::RedirectTarget& target) {
  const std::string& address = target.address;
  check(address.starts_with("http://") || address.starts_with("https://"));
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    check(byte > 0x20 && byte != 0x7F && c != '#');
  }
  if (isSecure(current)) check(address.starts_with("https://"));
}

void checkRedirect(std::string_view current, std::string_view location) {
  using Kind = dl::RedirectTarget::Kind;
  const dl::RedirectTarget target = dl::redirectTarget(current, location);
  if (target.kind != Kind::Follow) {
    check(target.address.empty());
    return;
  }
  checkFollowed(current, target);

  // The client only ever resolves against an address that is itself resolved (a first address
  // may keep dot segments, which a reference without a path inherits as they are). From there the
  // result is resolved too: resolving it against itself changes nothing.
  const dl::RedirectTarget base = dl::redirectTarget(current, current);
  if (base.kind != Kind::Follow) return;
  const dl::RedirectTarget next = dl::redirectTarget(base.address, location);
  if (next.kind != Kind::Follow) return;
  checkFollowed(base.address, next);
  const dl::RedirectTarget again = dl::redirectTarget(next.address, next.address);
  check(again.kind == Kind::Follow && again.address == next.address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkContentLength(input);
  const std::size_t newline = input.find('\n');
  if (newline == std::string_view::npos) {
    checkRedirect("https://127.0.0.1:8443/dir/file.jar?x=1", input);
  } else {
    checkRedirect(input.substr(0, newline), input.substr(newline + 1));
  }
  return 0;
}
