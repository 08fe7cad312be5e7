// The field rules of the main window, as a user types into the fields.
#include <gtest/gtest.h>

#include "JobEdits.h"

namespace orn {
namespace {

TEST(JobEditsTest, ArchiveNameRules) {
  EXPECT_EQ(ArchiveNameWhileTyping("Buh.2005"), "Buh");
  EXPECT_EQ(ArchiveNameWhileTyping(".zip"), "");
  EXPECT_EQ(ArchiveNameWhileTyping("Buh"), "Buh");
  EXPECT_EQ(ArchiveNameOnExit("Buh(1)"), "Buh[1]");
  EXPECT_EQ(ArchiveNameOnExit("(a)(b)"), "[a][b]");
}

TEST(JobEditsTest, TidyJobFields) {
  struct Row {
    const char *directory, *plus, *name;
    const char *tidyDirectory, *tidyPlus, *tidyName;
  } rows[] = {
      {"/b", "/c", "Buh", "/b/", "/c/", "Buh"},
      {"/b/", "", "Buh.2005.zip", "/b/", "", "Buh"},
      {"", "/c/", "", "", "/c/", ""},
  };
  for (const Row& row : rows) {
    Job job;
    job.archiveDirectory = row.directory;
    job.plusPath = row.plus;
    job.archiveName = row.name;
    TidyJobFields(job);
    EXPECT_EQ(job.archiveDirectory, row.tidyDirectory) << row.directory;
    EXPECT_EQ(job.plusPath, row.tidyPlus) << row.plus;
    EXPECT_EQ(job.archiveName, row.tidyName) << row.name;
  }
}

TEST(JobEditsTest, VolumeSizeField) {
  struct Row {
    const char* text;
    std::optional<int> size;
  } rows[] = {
      {"1.44", 1440},
      {" 1.36 ", 1360},
      {"2", 2000},
      {"0.1", 100},
      {"0.05", std::nullopt},
      {"0.0995", 100},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"1,44", std::nullopt},
      {"1e3", std::nullopt},
      {"1.2.3", std::nullopt},
      {"-5", std::nullopt},
      {"99999999", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(VolumeSizeFromField(row.text), row.size) << row.text;

  Job job;
  job.volumesOn = true;
  ApplyVolumeSizeField(job, "4");
  EXPECT_TRUE(job.volumesOn);
  EXPECT_EQ(job.volumeSize, 4000);
  ApplyVolumeSizeField(job, "0.05");
  EXPECT_FALSE(job.volumesOn);
  EXPECT_EQ(job.volumeSize, 0);

  EXPECT_EQ(VolumeSizeFieldText(1400), "1.4");
  EXPECT_EQ(VolumeSizeFieldText(10000), "10");
  EXPECT_EQ(VolumeSizeFieldText(0), "0");
}

TEST(JobEditsTest, FloppyChoiceIsTheRoomAFloppyReallyHas) {
  int count = 0;
  const VolumeChoice* choices = VolumeChoices(&count);
  ASSERT_EQ(count, 4);
  EXPECT_STREQ(choices[0].caption, "1.44 MB (FDD)");
  for (int i = 0; i < count; ++i) EXPECT_EQ(VolumeSizeFromField(choices[i].fieldText), choices[i].volumeSize);
  EXPECT_EQ(choices[0].volumeSize, 1360);
}

}  // namespace
}  // namespace orn
