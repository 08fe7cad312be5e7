// Params.ini as the windows read and write it: defaults, letter case, bad
// values rewritten at the owner's end, sound files left alone.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "FileSystem.h"
#include "FrameworkState.h"

namespace orn {
namespace {

const std::string kSound =
    "{Languages}\r\nlanguage=2\r\nEditLanguage=1\r\nSYSLANGUAGE=2\r\nHelpLanguage=2\r\nPrintLanguage= 1\r\n"
    "{Fonts}\r\nFont For Form=Arial\r\nFONT FOR GRID=Default\r\nFont for grid capture=Tahoma\r\n"
    "FONT FOR PRINT=Default\r\nFONT FOR PRINT "
    "CAPTURE=Default\r\n{Background}\r\nFONFORFORM=\r\nLOGOFORFORM=logo.bmp\r\n"
    "{PageControlStyle}\r\nPAGE CONTROL=\r\n{Beeper}\r\nBEEPER LENGTH=5\r\n";

class ParamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "paramsXXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    file_ = dir_ + "/Params.ini";
    // A first start speaks the locale's language; these cases are Latvian.
    SetLocale("lv_LV.UTF-8", "", "");
  }
  void TearDown() override {
    SetLocale(nullptr, nullptr, nullptr);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  // LC_ALL, LC_MESSAGES, LANG; null unsets.
  static void SetLocale(const char* all, const char* messages, const char* lang) {
    const std::pair<const char*, const char*> vars[] = {{"LC_ALL", all}, {"LC_MESSAGES", messages}, {"LANG", lang}};
    for (auto [name, value] : vars) value ? setenv(name, value, 1) : unsetenv(name);
  }

  // One window's life: acquire, look, release.
  template <typename F>
  void Window(F&& look) {
    FrameworkOwnership own = AcquireFrameworkSettings(file_);
    look(own);
    ReleaseFramework(own, file_);
  }

  std::string dir_, file_;
};

TEST_F(ParamsTest, MissingFileGivesDefaultsAndIsWrittenAtTheEnd) {
  Window([](FrameworkOwnership& own) {
    const FrameworkValues& v = Framework().values;
    EXPECT_TRUE(own.ownsParamList);
    EXPECT_TRUE(own.dirty);
    EXPECT_TRUE(Framework().settingsFromLanguageFile);
    EXPECT_EQ(v.language, 1);
    EXPECT_EQ(v.labelCharset, 186);
    EXPECT_EQ(v.fontForGrid, "Default");
    EXPECT_EQ(v.pageControl, "AS LABEL");
  });
  EXPECT_EQ(ReadWholeFile(file_),
            "{Languages}\r\nLANGUAGE=1\r\nEDITLANGUAGE=1\r\nSYSLANGUAGE=1\r\nHELPLANGUAGE=1\r\nPRINTLANGUAGE=1\r\n"
            "{Fonts}\r\nFONT FOR FORM=Default\r\nFONT FOR GRID=Default\r\nFONT FOR GRID CAPTURE=Default\r\n"
            "FONT FOR PRINT=Default\r\nFONT FOR PRINT CAPTURE=Default\r\n{Background}\r\nFONFORFORM=\r\n"
            "LOGOFORFORM=\r\n{PageControlStyle}\r\nPAGE CONTROL=AS LABEL\r\n{Beeper}\r\nBEEPER LENGTH=0\r\n");
  EXPECT_FALSE(Framework().paramList);
}

TEST_F(ParamsTest, SoundFileIsReadInAnyLetterCaseAndNotRewritten) {
  ASSERT_TRUE(WriteFileAtomically(file_, kSound));
  Window([](FrameworkOwnership& own) {
    const FrameworkValues& v = Framework().values;
    EXPECT_FALSE(own.dirty);
    EXPECT_EQ(v.language, 2);
    EXPECT_EQ(v.sysLanguage, 2);
    EXPECT_EQ(v.printLanguage, 1);
    EXPECT_EQ(v.fontForForm, "Arial");
    EXPECT_EQ(v.fontForGridCapture, "Tahoma");
    EXPECT_EQ(v.logoForForm, "logo.bmp");
    EXPECT_EQ(v.pageControl, "");  // present but blank: kept blank
    EXPECT_EQ(v.beeperLength, 5);
    EXPECT_EQ(ParamValue("font for grid capture"), "Tahoma");
    EXPECT_EQ(ParamValue("NO SUCH KEY"), "");
  });
  EXPECT_EQ(ReadWholeFile(file_), kSound);
}

TEST_F(ParamsTest, BadValuesTakeDefaultsAndAreRewritten) {
  struct Row {
    const char* name;
    std::string from, to;
  } rows[] = {
      {"language not an integer", "LANGUAGE=2\r\n", "LANGUAGE=x\r\n"},
      {"language blank", "LANGUAGE=2\r\n", "LANGUAGE=  \r\n"},
      {"beeper not an integer", "BEEPER LENGTH=5\r\n", "BEEPER LENGTH=5.5\r\n"},
      {"font key missing", "FONT FOR GRID=Default\r\n", ""},
      {"logo key missing", "LOGOFORFORM=logo.bmp\r\n", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string text = kSound;
    text.replace(text.find(row.from), row.from.size(), row.to);
    ASSERT_TRUE(WriteFileAtomically(file_, text));
    Window([](FrameworkOwnership& own) { EXPECT_TRUE(own.dirty); });
    std::string written = *ReadWholeFile(file_);
    EXPECT_NE(written, text);
    EXPECT_EQ(written.find("PAGE CONTROL=\r\n") != std::string::npos, true);
  }
  ASSERT_TRUE(WriteFileAtomically(file_, "LANGUAGE=russian\r\n"));
  Window([](FrameworkOwnership&) { EXPECT_EQ(Framework().values.language, 1); });
  EXPECT_NE(ReadWholeFile(file_)->find("\r\nLANGUAGE=1\r\n"), std::string::npos);
}

TEST_F(ParamsTest, GarbageFileGivesDefaults) {
  ASSERT_TRUE(WriteFileAtomically(file_, std::string("\x89PNG\r\n\x1a\n\0\0=\xff\xfe LANGUAGE", 24)));
  Window([](FrameworkOwnership& own) {
    EXPECT_TRUE(own.dirty);
    EXPECT_EQ(Framework().values.language, 1);
    EXPECT_EQ(Framework().values.fontForForm, "Default");
  });
}

TEST_F(ParamsTest, FirstStartSpeaksTheLocalesLanguageUntilOneIsChosen) {
  struct Row {
    const char* all;
    const char* messages;
    const char* lang;
    const char* params;  // null: no Params.ini
    int label, edit;
  } rows[] = {
      {"", "", "ru_RU.UTF-8", nullptr, kRussian, 1},
      {"", "", "lv_LV.UTF-8", nullptr, kLatvian, 1},
      {"", "", "de_DE@euro", nullptr, kEnglish, 1},
      {"", "", "", nullptr, kEnglish, 1},
      {"C", "lv_LV", "ru_RU", nullptr, kEnglish, 1},  // LC_ALL first
      {"", "ru", "lv_LV", nullptr, kRussian, 1},      // then LC_MESSAGES
      {"", "", "ru_RU.UTF-8", "EDITLANGUAGE=2\r\n", kRussian, 2},
      {"", "", "ru_RU.UTF-8", "LANGUAGE=\r\n", kRussian, 1},
      {"", "", "ru_RU.UTF-8", "LANGUAGE=1\r\nSYSLANGUAGE=1\r\nHELPLANGUAGE=1\r\n", kLatvian, 1},
      {"", "", "lv_LV.UTF-8", "LANGUAGE=3\r\nSYSLANGUAGE=3\r\nHELPLANGUAGE=3\r\n", kEnglish, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.all) + "/" + row.messages + "/" + row.lang + "/" + (row.params ? row.params : "-"));
    SetLocale(row.all, row.messages, row.lang);
    std::filesystem::remove(file_);
    if (row.params) {
      ASSERT_TRUE(WriteFileAtomically(file_, row.params));
    }
    Window([&](FrameworkOwnership& own) {
      const FrameworkValues& v = Framework().values;
      EXPECT_TRUE(own.dirty);
      EXPECT_EQ(v.language, row.label);
      EXPECT_EQ(v.sysLanguage, row.label);
      EXPECT_EQ(v.helpLanguage, row.label);
      EXPECT_EQ(v.editLanguage, row.edit);
    });
    // The language is stored, so the next start keeps it whatever the locale.
    SetLocale("", "", "");
    Window([&](FrameworkOwnership&) { EXPECT_EQ(Framework().values.language, row.label); });
  }
}

TEST_F(ParamsTest, TheFirstWindowOwnsTheStateAndLaterOnesShareIt) {
  ASSERT_TRUE(WriteFileAtomically(file_, kSound));
  FrameworkOwnership first = AcquireFrameworkSettings(file_);
  EXPECT_TRUE(AcquireDictionary(first, dir_ + "/none.ini"));
  FrameworkOwnership second = AcquireFrameworkSettings(file_);
  EXPECT_FALSE(AcquireDictionary(second, dir_ + "/none.ini"));
  EXPECT_TRUE(first.ownsParamList && first.ownsDictionary && first.ownsExpressionCache);
  EXPECT_FALSE(second.ownsParamList || second.ownsDictionary || second.ownsExpressionCache);
  Framework().values.language = 2;
  ReleaseFramework(second, file_);
  EXPECT_TRUE(Framework().paramList && Framework().dictionary && Framework().expressionCache);
  ReleaseFramework(first, file_);
  EXPECT_FALSE(Framework().paramList || Framework().dictionary || Framework().expressionCache);

  // A failed write at the end is reported, not thrown, and leaves no file.
  FrameworkOwnership lone = AcquireFrameworkSettings(dir_ + "/missing/Params.ini");
  EXPECT_TRUE(lone.dirty);
  ReleaseFramework(lone, dir_ + "/missing/Params.ini");
  EXPECT_FALSE(PathExists(dir_ + "/missing"));
}

}  // namespace
}  // namespace orn
