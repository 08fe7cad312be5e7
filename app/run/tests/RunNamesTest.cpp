// The names of an archive run's files and the unique-save decision, checked
// on chosen dates.
#include <gtest/gtest.h>

#include "RunNames.h"

namespace orn {
namespace {

DateTime Date(int y, int m, int d) { return *EncodeDate(y, m, d); }

TEST(RunNames, SuffixesPerScheme) {
  struct Case {
    const char* what;
    char scheme;
    DateTime date;
    const char* rotation;
    const char* plus;
  };
  const Case cases[] = {
      {"standard keeps one name, its plus copy rotates by weekday", 'N', Date(2026, 12, 9), ".zip", "(Day_3-th).zip"},
      {"weekday on a Wednesday", 'W', Date(2026, 12, 9), "(Day_3-th).zip", "(Day_3-th).zip"},
      {"weekday on a Sunday is the seventh day", 'W', Date(2025, 12, 7), "(Day_7-th).zip", "(Day_7-th).zip"},
      {"weekday on a Monday is the first", 'W', Date(2025, 12, 8), "(Day_1-th).zip", "(Day_1-th).zip"},
      {"day of month", 'M', Date(2026, 12, 5), "(Day_5of_month).zip", "(Day_5of_month).zip"},
      {"day of year", 'Y', Date(2026, 12, 5), "(Day_5of_month_12).zip", "(Day_5of_month_12).zip"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RotationSuffix(c.scheme, c.date), c.rotation) << c.what;
    EXPECT_EQ(PlusSuffix(c.scheme, c.date), c.plus) << c.what;
  }
  EXPECT_EQ(UniqueSuffix(Date(2026, 12, 7)), "(DATE=7,12,2026).zip");
}

TEST(RunNames, TaggedNames) {
  struct Case {
    const char* file;
    const char* tag;
    bool volumeSet;
    const char* expected;
  };
  const Case cases[] = {
      {"Buh.zip", "(DATE=7,12,2026)", false, "Buh(DATE=7,12,2026).zip"},
      {"Buh001.zip", "(DATE=7,12,2026)", true, "Buh(DATE=7,12,2026)001.zip"},
      {"Buh(Day_3-th).zip", "(DATE=7,12,2026)", false, "Buh(DATE=7,12,2026).zip"},
      {"Buh(Day_3-th)002.zip", "(DATE=7,12,2026)", true, "Buh(DATE=7,12,2026)002.zip"},
      {"Buh002.zip", "(Day_3-th)", true, "Buh(Day_3-th)002.zip"},
      // Digits that only end the archive name are no volume number.
      {"Buh2025.zip", "(DATE=7,12,2026)", false, "Buh2025(DATE=7,12,2026).zip"},
      {"Bu.zip", "(Day_1-th)", true, "Bu(Day_1-th).zip"},
  };
  for (const Case& c : cases) EXPECT_EQ(TaggedName(c.file, c.tag, c.volumeSet), c.expected) << c.file;
  EXPECT_EQ(ArchiveTag("Buh(DATE=7,12,2026).zip"), "(DATE=7,12,2026)");
  EXPECT_EQ(ArchiveTag("Buh.zip"), "");
}

TEST(RunNames, UniqueSaveDecision) {
  struct Case {
    const char* what;
    char scheme;
    DateTime today;
    DateTime last;
    bool saves;
  };
  const Case cases[] = {
      {"W: every Monday run saves, even a second one", 'W', Date(2025, 12, 8), Date(2025, 12, 8), true},
      {"W: Sunday of a week already saved", 'W', Date(2025, 12, 7), Date(2025, 12, 1), false},
      {"W: Wednesday after an earlier week", 'W', Date(2025, 12, 10), Date(2025, 12, 1), true},
      {"W: Thursday after Wednesday's save", 'W', Date(2025, 12, 11), Date(2025, 12, 10), false},
      {"M: next month", 'M', Date(2026, 2, 3), Date(2026, 1, 20), true},
      {"M: same month", 'M', Date(2026, 2, 28), Date(2026, 2, 3), false},
      {"M: new year, earlier month", 'M', Date(2027, 1, 2), Date(2026, 2, 3), true},
      {"Y: same year", 'Y', Date(2026, 12, 31), Date(2026, 1, 1), false},
      {"Y: next year", 'Y', Date(2027, 1, 1), Date(2026, 12, 31), true},
      {"never saved, W", 'W', Date(2026, 3, 4), 0, true},
      {"never saved, M", 'M', Date(2026, 3, 4), 0, true},
      {"never saved, Y", 'Y', Date(2026, 3, 4), 0, true},
      {"never saved, N", 'N', Date(2026, 3, 4), 0, false},
  };
  for (const Case& c : cases) {
    std::optional<DateTime> decided = DecideUniqueSave(c.scheme, c.today + 0.5, c.last);
    EXPECT_EQ(decided.has_value(), c.saves) << c.what;
    if (decided) {
      EXPECT_EQ(*decided, c.today) << c.what;
    }
  }
}

}  // namespace
}  // namespace orn
