#include "downloads/http_fields.h"

#include <algorithm>
#include <cstddef>

namespace dl {
namespace {

constexpr std::string_view kSpaces = " \t";

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

bool isAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return lower(x) == lower(y); });
}

// An address or a relative reference taken apart; the fragment is dropped.
struct Reference {
  std::optional<std::string_view> scheme;
  std::optional<std::string_view> authority;
  std::string_view path;
  std::optional<std::string_view> query;
};

Reference split(std::string_view text) {
  Reference parts;
  text = text.substr(0, text.find('#'));
  const std::size_t colon = text.find_first_of(":/?");
  if (colon != std::string_view::npos && colon > 0 && text[colon] == ':' && isAlpha(text[0]) &&
      std::all_of(text.begin() + 1, text.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
      })) {
    parts.scheme = text.substr(0, colon);
    text.remove_prefix(colon + 1);
  }
  if (text.starts_with("//")) {
    text.remove_prefix(2);
    const std::size_t end = std::min(text.find_first_of("/?"), text.size());
    parts.authority = text.substr(0, end);
    text.remove_prefix(end);
  }
  const std::size_t question = text.find('?');
  parts.path = text.substr(0, question);
  if (question != std::string_view::npos) parts.query = text.substr(question + 1);
  return parts;
}

// Drops "." and ".." segments, as RFC 3986 section 5.2.4 describes.
std::string removeDotSegments(std::string_view in) {
  std::string out;
  const auto dropLastSegment = [&out] {
    const std::size_t slash = out.rfind('/');
    out.erase(slash == std::string::npos ? 0 : slash);
  };
  while (!in.empty()) {
    if (in.starts_with("../")) {
      in.remove_prefix(3);
    } else if (in.starts_with("./") || in.starts_with("/./")) {
      in.remove_prefix(2);
    } else if (in == "/.") {
      in = "/";
    } else if (in.starts_with("/../")) {
      in.remove_prefix(3);
      dropLastSegment();
    } else if (in == "/..") {
      in = "/";
      dropLastSegment();
    } else if (in == "." || in == "..") {
      in = {};
    } else {
      const std::size_t end = std::min(in.find('/', 1), in.size());
      out.append(in.substr(0, end));
      in.remove_prefix(end);
    }
  }
  return out;
}

// The host of an authority ("user:password@host:port") is not empty, and a port is digits.
bool hasHost(std::string_view authority) {
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::size_t portColon = authority.rfind(':');
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    if (portColon < close) portColon = std::string_view::npos;
  }
  if (portColon == 0) return false;
  if (portColon == std::string_view::npos) return !authority.empty();
  return std::all_of(authority.begin() + static_cast<std::ptrdiff_t>(portColon) + 1,
                     authority.end(), isDigit);
}

// Nothing that could end or split the request line: no control character, no space.
bool sendable(std::string_view text) {
  return std::none_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
  });
}

bool isWebScheme(std::optional<std::string_view> scheme) {
  return scheme && (equalsIgnoringCase(*scheme, "http") || equalsIgnoringCase(*scheme, "https"));
}

}  // namespace

std::optional<std::uint64_t> parseContentLength(std::string_view value) {
  value = trimmed(value);
  if (value.empty()) return std::nullopt;
  std::uint64_t length = 0;
  for (const char c : value) {
    if (!isDigit(c)) return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (length > (UINT64_MAX - digit) / 10) return std::nullopt;
    length = length * 10 + digit;
  }
  return length;
}

bool isRedirectStatus(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

RedirectTarget redirectTarget(std::string_view current, std::string_view location) {
  using Kind = RedirectTarget::Kind;
  location = trimmed(location);
  const Reference base = split(current);
  if (location.empty() || !sendable(location) || !isWebScheme(base.scheme) || !base.authority) {
    return {};
  }

  // RFC 3986 section 5.2.2, with the fragment left out.
  const Reference ref = split(location);
  std::string_view scheme = *base.scheme;
  std::string_view authority = *base.authority;
  std::string path;
  std::optional<std::string_view> query = ref.query;
  if (ref.scheme) {
    scheme = *ref.scheme;
    if (!ref.authority) return {};  // "http:path" names no host
    authority = *ref.authority;
    path = removeDotSegments(ref.path);
  } else if (ref.authority) {
    authority = *ref.authority;
    path = removeDotSegments(ref.path);
  } else if (ref.path.empty()) {
    path = base.path;
    if (!query) query = base.query;
  } else if (ref.path.starts_with('/')) {
    path = removeDotSegments(ref.path);
  } else {
    const std::size_t slash = base.path.rfind('/');
    const std::string_view directory =
        slash == std::string_view::npos ? std::string_view() : base.path.substr(0, slash);
    path = removeDotSegments(std::string(directory) + "/" + std::string(ref.path));
  }
  if (!isWebScheme(scheme) || !hasHost(authority)) return {};

  RedirectTarget target;
  const bool secureNow = equalsIgnoringCase(*base.scheme, "https");
  const bool secureNext = equalsIgnoringCase(scheme, "https");
  target.kind = secureNow && !secureNext ? Kind::Downgrade : Kind::Follow;
  if (target.kind == Kind::Downgrade) return target;
  target.address = secureNext ? "https://" : "http://";
  target.address.append(authority);
  target.address.append(path.empty() ? "/" : path);
  if (query) target.address.append("?").append(*query);
  // What the current address lends the result must be sendable too.
  if (!sendable(target.address)) return {};
  return target;
}

}  // namespace dl
