#include "text/text_compare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zeldrium {
namespace {

int Sign(int r) { return (r > 0) - (r < 0); }

TEST(TextCompareTest, Order) {
  const struct {
    std::string_view a, b;
    int sensitive, ignoring;
  } cases[] = {
      {"", "", 0, 0},
      {"abc", "abc", 0, 0},
      {"abc", "ABC", -1, 0},  // small letters first, as Windows
      {"a", "A", -1, 0},
      {"A", "b", -1, -1},
      {"ab", "Aa", 1, 1},   // case decides only between texts equal but for case
      {"aB", "Ab", -1, 0},  // and then the first difference decides
      {"abc", "abd", -1, -1},
      {"ab", "abc", -1, -1},
      {"\x82\x81", "\x82\x60", -1, 0},  // ａ and Ａ
      {std::string_view("a\0b", 3), std::string_view("a\0c", 3), -1, -1},
      {"a", std::string_view("a\0", 2), -1, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Sign(CompareText(c.a, c.b)), c.sensitive) << c.a << " " << c.b;
    EXPECT_EQ(Sign(CompareText(c.b, c.a)), -c.sensitive) << c.a << " " << c.b;
    EXPECT_EQ(Sign(CompareTextIgnoreCase(c.a, c.b)), c.ignoring) << c.a << " " << c.b;
    EXPECT_EQ(Sign(CompareTextIgnoreCase(c.b, c.a)), -c.ignoring) << c.a << " " << c.b;
  }
}

TEST(TextCompareTest, IsAConsistentOrder) {
  // A sort needs transitivity; check it over every triple of a mixed set.
  const std::vector<std::string> texts = {"",
                                          "a",
                                          "A",
                                          "b",
                                          "B",
                                          "ab",
                                          "aB",
                                          "Ab",
                                          "AB",
                                          "a b",
                                          "a-b",
                                          "_",
                                          "1",
                                          "\x82\x81",
                                          "\x82\x60",
                                          "\xB1",
                                          std::string("a\0", 2),
                                          "Zapple",
                                          "zoo"};
  for (auto* cmp : {&CompareText, &CompareTextIgnoreCase}) {
    for (const auto& a : texts) {
      for (const auto& b : texts) {
        for (const auto& c : texts) {
          if (cmp(a, b) <= 0 && cmp(b, c) <= 0) {
            ASSERT_LE(cmp(a, c), 0) << a << "|" << b << "|" << c;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace zeldrium
