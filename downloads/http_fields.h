// The parts of an HTTP response that decide what the client does next: the announced body length
// and where a redirect points. Portable, so they are tested and fuzzed away from WinINet.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dl {

// The value of a Content-Length field: decimal digits, optionally surrounded by spaces or tabs.
// nullopt for anything else (a sign, a list, other characters, a value beyond 64 bits).
std::optional<std::uint64_t> parseContentLength(std::string_view value);

// True for the statuses whose Location the client follows with the same request.
bool isRedirectStatus(int status);

struct RedirectTarget {
  enum class Kind {
    Follow,     // `address` is the absolute http or https address to request next
    Downgrade,  // from https to plain http: never followed
    Unusable,   // no http or https address, or one that cannot be sent as it is
  };
  Kind kind = Kind::Unusable;
  std::string address;  // set for Follow; without a fragment
};

// Where a redirect from `current` (an absolute http or https address) with the Location value
// `location` leads. A relative reference is resolved against `current` as RFC 3986 section 5
// describes. Bytes outside ASCII pass through untouched; control characters and spaces inside
// the reference or the resulting address make it unusable, so nothing can be smuggled into the
// next request.
RedirectTarget redirectTarget(std::string_view current, std::string_view location);

}  // namespace dl
