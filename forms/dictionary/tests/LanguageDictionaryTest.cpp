#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "CodePage.h"
#include "FileSystem.h"
#include "LanguageDictionary.h"

using namespace orn;

namespace {
LanguageDictionary Sample() {
  return LanguageDictionary({
      "* CHARSETINI",
      "BALTIC_CHARSET",
      "RUSSIAN_CHARSET",
      " ",
      "* MainForm",
      "* MainForm2",
      FromUtf8("Arhivators", 1257),
      FromUtf8("Архиватор", 1251),
      "",
      "* LanguageName_1",
      FromUtf8("Latviešu", 1257),
      FromUtf8("Латышский", 1251),
      "",
      "* Blank",
      "   ",
      "  Lead",
      "",
      "$ Language",
      "2",
  });
}
}  // namespace

TEST(DictionaryLookup, AliasesCaseAndIndexes) {
  LanguageDictionary d = Sample();
  EXPECT_EQ(d.Lookup("MainForm2", 2), "Архиватор");
  EXPECT_EQ(d.Lookup("MAINFORM", 1), "Arhivators");
  EXPECT_EQ(d.Lookup("mainform", 2), "Архиватор");
  // Past the entry's two languages: the closing line, then the next entry's key.
  EXPECT_EQ(d.Lookup("MainForm", 3), "");
  EXPECT_EQ(d.Lookup("Missing", 1), "");
  EXPECT_EQ(d.Lookup("Blank", 1), "   ");
  EXPECT_EQ(d.Lookup("Blank", 2), "  Lead");
  // Latvian and Russian lines in one file decode with their own code pages.
  EXPECT_EQ(d.Lookup("LanguageName_1", 1), "Latviešu");
  EXPECT_EQ(d.Lookup("LanguageName_1", 2), "Латышский");
  EXPECT_EQ(d.Setting("Language"), std::optional<std::string>("2"));
  EXPECT_FALSE(d.Setting("FonForForm").has_value());
}

TEST(DictionaryCharsets, FromText) {
  EXPECT_EQ(CharsetFromText("BALTIC_CHARSET"), 186);
  EXPECT_EQ(CharsetFromText("russian_charset"), 204);
  EXPECT_EQ(CharsetFromText("204"), 204);
  EXPECT_EQ(CharsetFromText("x"), 186);
  EXPECT_EQ(CharsetFromText(""), 186);
}

TEST(DictionaryAdd, AliasAppendAndGuard) {
  LanguageDictionary d = Sample();
  size_t before = d.Lines().size();
  // A caption that already stands as another entry's first translation: key line only.
  d.AddTextEntry("Form7", "Arhivators");
  EXPECT_EQ(d.Lines().size(), before + 1);
  EXPECT_EQ(d.Lookup("Form7", 2), "Архиватор");
  d.AddTextEntry("Form7", "Arhivators");
  EXPECT_EQ(d.Lines().size(), before + 1);
  // A text found only as a later language's line must not break that entry.
  LanguageDictionary two({"* X", "Alpha", "Beta", "", "* Z", "Gamma", "Delta", ""});
  two.AddTextEntry("Y", "beta");
  EXPECT_EQ(two.Lookup("X", 2), "Beta");
  EXPECT_EQ(two.Lookup("Z", 1), "Gamma");
  EXPECT_EQ(two.Lookup("Y", 1), "beta");
  // A new text: key, text, empty line at the end.
  d.AddTextEntry("Fresh", "New text");
  ASSERT_GE(d.Lines().size(), 3u);
  EXPECT_EQ(d.Lines()[d.Lines().size() - 3], "* Fresh");
  EXPECT_EQ(d.Lookup("Fresh", 1), "New text");
}

TEST(DictionaryBuiltIns, InsertedOnceInOrderAndSavedStable) {
  LanguageDictionary d({"* Form1", "Forma", ""});
  d.InsertBuiltInEntries();
  ASSERT_GE(d.Lines().size(), 15u);
  EXPECT_EQ(d.Lines()[0], "* CHARSETINI");
  EXPECT_EQ(d.Lines()[5], "* ORNCBPOPUPMENU_1");
  EXPECT_EQ(d.Lines()[10], "* ORNCBPOPUPMENU_2");
  EXPECT_EQ(d.Lookup("ORNCBPOPUPMENU_2", 1), "Rediģēt");
  EXPECT_EQ(d.Lookup("ORNCBPOPUPMENU_1", 2), "Добавить");
  EXPECT_EQ(d.Lookup("ORNCBPOPUPMENU_1", 3), "Add");
  EXPECT_EQ(d.CharsetOf(3), 0);

  char tmpl[] = "/tmp/orn-dict-XXXXXX";
  std::string dir = ::mkdtemp(tmpl);
  std::string file = dir + "/RadEzaZuvev.ini";
  ASSERT_TRUE(d.Save(file));
  std::string first = *ReadWholeFile(file);
  LanguageDictionary again;
  ASSERT_TRUE(again.Load(file));
  again.InsertBuiltInEntries();
  again.AddTextEntry("Form1", "Forma");
  ASSERT_TRUE(again.Save(file));
  EXPECT_EQ(*ReadWholeFile(file), first);
  std::system(("rm -rf '" + dir + "'").c_str());
}
