#include "downloads/archive_check.h"

#include <gtest/gtest.h>

#include "tests/helpers/zip_fixture.h"

namespace dl {
namespace {

using testing::Bytes;
using testing::bytesOf;
using testing::makeZip;

Bytes sampleJar() {
  return makeZip({{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"}});
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Overwrites the byte `fromEnd` places before the end.
Bytes patched(Bytes bytes, std::size_t fromEnd, std::byte value) {
  bytes[bytes.size() - fromEnd] = value;
  return bytes;
}

TEST(ArchiveCheck, AcceptsRealArchives) {
  EXPECT_TRUE(looksLikeZipArchive(sampleJar()));
  EXPECT_TRUE(looksLikeZipArchive(makeZip({{"a.txt", "a"}, {"b/c.txt", std::string(5000, 'x')}})));
  EXPECT_TRUE(looksLikeZipArchive(makeZip({{"a.txt", "a"}}, "an archive comment")));
  // The end record may hide behind a comment of the greatest length.
  EXPECT_TRUE(looksLikeZipArchive(makeZip({{"a.txt", "a"}}, std::string(0xFFFF, 'c'))));
}

TEST(ArchiveCheck, RejectsWhatIsNoWholeArchive) {
  const Bytes jar = sampleJar();
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"nothing", {}},
      {"an HTML error page",
       bytesOf(
           "<!DOCTYPE html><html><head><title>404</title></head><body>Not Found</body></html>")},
      {"the end cut off", Bytes(jar.begin(), jar.end() - 10)},
      {"the start cut off", Bytes(jar.begin() + 30, jar.end())},
      {"bytes after the end record", concat(jar, bytesOf("trailing"))},
      {"an end record whose comment runs past the end", patched(jar, 2, std::byte{5})},
      {"a central directory outside the data", patched(jar, 3, std::byte{0x7F})},
      {"only the local header magic", bytesOf("PK\x03\x04")},
      {"an empty archive (no member, so no local header)", makeZip({})},
  };
  for (const auto& c : cases) EXPECT_FALSE(looksLikeZipArchive(c.bytes)) << c.what;
}

}  // namespace
}  // namespace dl
