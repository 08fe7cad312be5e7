#include <gtest/gtest.h>

#include "CodePage.h"

using namespace orn;

TEST(CodePage, LatvianAndRussianLetters) {
  // "Latviešu" in 1257 and "Русский" in 1251.
  EXPECT_EQ(ToUtf8("Latvie\xF0u", 1257), "Latviešu");
  EXPECT_EQ(ToUtf8("\xD0\xF3\xF1\xF1\xEA\xE8\xE9", 1251), "Русский");
  EXPECT_EQ(FromUtf8("Latviešu", 1257), "Latvie\xF0u");
  EXPECT_EQ(FromUtf8("日本", 1257), "??");
  EXPECT_EQ(ToUtf8("\x8F\x90\x88\x82\x85\x92", 866), "ПРИВЕТ");
  EXPECT_EQ(CharsetToCodePage(186), 1257);
  EXPECT_EQ(CharsetToCodePage(204), 1251);
  EXPECT_EQ(CharsetToOemCodePage(186), 775);
  EXPECT_EQ(CharsetToOemCodePage(204), 866);
}

TEST(CodePage, Utf8Checks) {
  EXPECT_TRUE(IsValidUtf8("Grønland"));
  EXPECT_FALSE(IsValidUtf8("Gr\xF8nland"));
  EXPECT_TRUE(IsPlainAscii("abc"));
  EXPECT_FALSE(IsPlainAscii("Grønland"));
}
