#include "downloads/text.h"

#include <gtest/gtest.h>

namespace dl {
namespace {

TEST(Text, CompareIsByteExactAndTreatsAbsentAsEmpty) {
  const struct {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {
      {nullptr, nullptr, 0}, {nullptr, "", 0},
      {"", nullptr, 0},      {nullptr, "a", -1},
      {"a", nullptr, 1},     {"", "", 0},
      {"abc", "abc", 0},     {"abc", "abd", -1},
      {"abd", "abc", 1},     {"ab", "abc", -1},  // a prefix sorts first
      {"abc", "ab", 1},      {"A", "a", -1},     // no case folding
      {"a ", "a", 1},                            // no trimming
      {"\xCE\xBB", "a", 1},                      // bytes compare unsigned
      {"a", "\xCE\xBB", -1}, {"Java8 32\xCE\xBB", "Java8 32\xCE\xBB", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compareText(c.a, c.b), c.expected)
        << (c.a ? c.a : "(absent)") << " vs " << (c.b ? c.b : "(absent)");
  }
}

TEST(Text, LengthCountsBytesBeforeTheZero) {
  EXPECT_EQ(textLength(nullptr), 0u);
  EXPECT_EQ(textLength(""), 0u);
  EXPECT_EQ(textLength("Paper 1.8.8"), 11u);
  EXPECT_EQ(textLength("下载完成！"), 10u);
  EXPECT_EQ(textLength("ab\0cd"), 2u);
}

TEST(Text, ConcatJoinsInOrderWithNothingInBetween) {
  EXPECT_EQ(concatText({"D:\\Servers", "\\Paper_1.8.8.jar"}), "D:\\Servers\\Paper_1.8.8.jar");
  EXPECT_EQ(concatText({"D:\\", "\\Paper_1.8.8.jar"}), "D:\\\\Paper_1.8.8.jar");
  EXPECT_EQ(concatText({nullptr, "\\Paper_1.8.8.jar"}), "\\Paper_1.8.8.jar");
  EXPECT_EQ(concatText({"a", nullptr, "", "b", "c"}), "abc");
  EXPECT_EQ(concatText({nullptr, nullptr}), "");
  EXPECT_EQ(concatText({""}), "");
}

}  // namespace
}  // namespace dl
