// The text rules the settings and job file readers rely on.
#include <gtest/gtest.h>

#include "TextUtil.h"

namespace orn {
namespace {

TEST(TextUtilTest, IntegersAreReadStrictly) {
  struct Row {
    const char* text;
    std::optional<int> value;
  } rows[] = {{"12", 12},
              {" -7 ", -7},
              {"+3", 3},
              {"", std::nullopt},
              {"1.5", std::nullopt},
              {"12a", std::nullopt},
              {"-", std::nullopt},
              {"2147483648", std::nullopt},
              {"-2147483648", -2147483647 - 1}};
  for (const Row& row : rows) EXPECT_EQ(ParseInt32(row.text), row.value) << row.text;
}

TEST(TextUtilTest, LinesAndCommaText) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
  EXPECT_EQ(SplitCommaText("7,12,2026"), (std::vector<std::string>{"7", "12", "2026"}));
  EXPECT_EQ(SplitCommaText(" 7 12, \"a, b\" ,"), (std::vector<std::string>{"7", "12", "a, b", ""}));
  EXPECT_EQ(SplitCommaText("a,,b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(UpperAscii("auto Ā"), "AUTO Ā");
  // Separators: Windows ones turn, the rest stays byte for byte.
  struct {
    const char *in, *out;
  } paths[] = {{"a\\b\\c.txt", "a/b/c.txt"}, {"a/b", "a/b"}, {"\\\\srv\\Ā", "//srv/Ā"}, {"", ""}};
  for (const auto& p : paths) EXPECT_EQ(ForwardSlashes(p.in), p.out) << p.in;
  EXPECT_TRUE(EqualsIgnoringCase("Font For Grid", "FONT FOR GRID"));
  EXPECT_EQ(Trim("\t x y \r"), "x y");
}

}  // namespace
}  // namespace orn
