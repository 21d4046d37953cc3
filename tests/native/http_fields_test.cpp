#include "downloads/http_fields.h"

#include <gtest/gtest.h>

namespace dl {
namespace {

using Kind = RedirectTarget::Kind;

TEST(ContentLength, OnlyPlainDecimalDigitsAreALength) {
  const struct {
    const char* value;
    std::optional<std::uint64_t> length;
  } cases[] = {
      {"0", 0},
      {"268435456", 268435456},
      {" \t42 ", 42},
      {"007", 7},
      {"18446744073709551615", UINT64_MAX},
      {"18446744073709551616", std::nullopt},  // one past 64 bits
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"-1", std::nullopt},
      {"+1", std::nullopt},
      {"1 2", std::nullopt},
      {"12a", std::nullopt},
      {"0x10", std::nullopt},
      {"42, 42", std::nullopt},
      {"42\r\n", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseContentLength(c.value), c.length) << c.value;
}

TEST(Redirect, OnlyTheRedirectStatusesAreFollowed) {
  for (const int status : {301, 302, 303, 307, 308}) EXPECT_TRUE(isRedirectStatus(status));
  for (const int status : {200, 300, 304, 305, 306, 309, 404}) {
    EXPECT_FALSE(isRedirectStatus(status)) << status;
  }
}

// The reference resolution examples of RFC 3986 section 5.4, normal and abnormal, against its
// base address. The fragment is always left out, and an empty path goes out as "/".
TEST(Redirect, RelativeReferencesResolveAgainstTheCurrentAddress) {
  constexpr const char* kBase = "http://a/b/c/d;p?q";
  const struct {
    const char* location;
    const char* address;
  } cases[] = {
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g/"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q"},
      {"g#s", "http://a/b/c/g"},
      {"g?y#s", "http://a/b/c/g?y"},
      {";x", "http://a/b/c/;x"},
      {"g;x", "http://a/b/c/g;x"},
      {"g;x?y#s", "http://a/b/c/g;x?y"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../", "http://a/"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"../../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g#s/../x", "http://a/b/c/g"},
  };
  for (const auto& c : cases) {
    const RedirectTarget target = redirectTarget(kBase, c.location);
    EXPECT_EQ(target.kind, Kind::Follow) << c.location;
    EXPECT_EQ(target.address, c.address) << c.location;
  }
}

TEST(Redirect, SchemesHostsAndBytesDecideWhetherToFollow) {
  constexpr const char* kSecure = "https://127.0.0.1:8443/dir/file.jar?x=1#part";
  const struct {
    const char* current;
    const char* location;
    Kind kind;
    const char* address;  // for Follow
  } cases[] = {
      {kSecure, "https://mirror.example:9443/a%20b.jar?y", Kind::Follow,
       "https://mirror.example:9443/a%20b.jar?y"},
      {kSecure, "HTTPS://Mirror.example/a", Kind::Follow, "https://Mirror.example/a"},
      {kSecure, "//other.example/a", Kind::Follow, "https://other.example/a"},
      {kSecure, "https://[::1]:8443/a", Kind::Follow, "https://[::1]:8443/a"},
      {kSecure, "https://user:pw@host/a", Kind::Follow, "https://user:pw@host/a"},
      {kSecure, " \t/trimmed \t", Kind::Follow, "https://127.0.0.1:8443/trimmed"},
      {kSecure, "/caf\xC3\xA9.jar", Kind::Follow, "https://127.0.0.1:8443/caf\xC3\xA9.jar"},
      {"http://127.0.0.1/a", "https://127.0.0.1/b", Kind::Follow, "https://127.0.0.1/b"},
      {"http://127.0.0.1/a", "http://other/b", Kind::Follow, "http://other/b"},
      // A downgrade, however it is spelt.
      {kSecure, "http://127.0.0.1:8080/file.jar", Kind::Downgrade, ""},
      {kSecure, "HTTP://127.0.0.1/file.jar", Kind::Downgrade, ""},
      // Nothing to follow.
      {kSecure, "", Kind::Unusable, ""},
      {kSecure, " ", Kind::Unusable, ""},
      {kSecure, "ftp://127.0.0.1/file.jar", Kind::Unusable, ""},
      {kSecure, "javascript:alert(1)", Kind::Unusable, ""},
      {kSecure, "https:relative", Kind::Unusable, ""},
      {kSecure, "https://", Kind::Unusable, ""},
      {kSecure, "https:///path", Kind::Unusable, ""},
      {kSecure, "https://:443/path", Kind::Unusable, ""},
      {kSecure, "https://user@/path", Kind::Unusable, ""},
      {kSecure, "https://host:44x3/path", Kind::Unusable, ""},
      {kSecure, "https://[::1/path", Kind::Unusable, ""},
      {kSecure, "/a\r\nX-Injected: 1", Kind::Unusable, ""},
      {kSecure, "/a b", Kind::Unusable, ""},
      {"ftp://127.0.0.1/a", "/b", Kind::Unusable, ""},
      {"/relative/current", "/b", Kind::Unusable, ""},
  };
  for (const auto& c : cases) {
    const RedirectTarget target = redirectTarget(c.current, c.location);
    EXPECT_EQ(target.kind, c.kind) << c.current << " -> " << c.location;
    EXPECT_EQ(target.address, c.address) << c.current << " -> " << c.location;
  }
  // A zero byte inside the value counts, even though a C string would end there; and one that
  // the current address would lend a relative reference counts too.
  EXPECT_EQ(redirectTarget(kSecure, std::string_view("/a\0b", 4)).kind, Kind::Unusable);
  EXPECT_EQ(redirectTarget(std::string_view("https://h\0st/a", 15), "b").kind, Kind::Unusable);
}

}  // namespace
}  // namespace dl
