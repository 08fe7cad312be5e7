// The job file as users keep it: written byte for byte, read back into the
// same job, read tolerantly from hand-edited files, and never damaged by a
// failed read or write.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "Clock.h"
#include "FileSystem.h"
#include "JobFile.h"

namespace orn {
namespace {

class JobFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "jobfileXXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    previousClock_ = SetClock(std::make_unique<FixedClock>(*EncodeDate(2026, 12, 7)));
  }
  void TearDown() override {
    SetClock(std::move(previousClock_));
    chmod(dir_.c_str(), 0700);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void Put(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(WriteFileAtomically(Path(name), bytes));
  }
  Job Read(const std::string& text) const {
    Put("read.arh", text);
    return ReadJobFile(Path("read.arh"), Job());
  }

  std::string dir_;
  std::unique_ptr<Clock> previousClock_;
};

Job SampleJob() {
  Job job;
  job.archiveDirectory = "/srv/backup/";
  job.archiveName = "Buh";
  job.registerFile = "/srv/buh/SprFiles.db";
  job.uniqueFolder = "Unique";
  job.plusPath = "/mnt/copy/";
  job.rotationScheme = 'W';
  job.uniqueScheme = 'M';
  job.volumesOn = true;
  job.volumeSize = 1360;
  job.copyToFloppies = true;
  job.lastArchivingDate = *EncodeDate(2026, 12, 7);
  job.jobList = {"/srv/buh/extra/KONTI.DB", "/srv/buh/docs/*.TXT", "/home/a b/Report (1).doc"};
  return job;
}

TEST_F(JobFileTest, WriterProducesTheExactText) {
  const std::string expected =
      "\r\n"
      "{********************************************************}\r\n"
      "{*               ORN Archivator INI file                *}\r\n"
      "{*                                   New Version 2001  *}\r\n"
      "{********************************************************}\r\n"
      "INITIALIZATION\r\n"
      "DATE=7,12,2026\r\n"
      "ARHIVE DIRECTORY=/srv/backup/\r\n"
      "ARHIVE NAME=Buh\r\n"
      "LOAD FROM=DB\r\n"
      "DB FILE=/srv/buh/SprFiles.db\r\n"
      "FLOPY 144=1360\r\n"
      "ARHIVE PARAMS=Unique|WM\r\n"
      "+FOLDER=/mnt/copy/\r\n"
      "ADSK\r\n"
      "LIST\r\n"
      "/srv/buh/extra/KONTI.DB\r\n"
      "/srv/buh/docs/*.TXT\r\n"
      "/home/a b/Report (1).doc\r\n";
  EXPECT_EQ(FormatJobFile(SampleJob()), expected);

  Job empty;
  empty.uniqueFolder.clear();
  const std::string emptyText = FormatJobFile(empty);
  EXPECT_NE(emptyText.find("\r\nDATE=30,12,1899\r\nARHIVE DIRECTORY=\r\n"), std::string::npos);
  EXPECT_NE(emptyText.find("\r\nFLOPY 144=FALSE\r\nARHIVE PARAMS=|NN\r\n+FOLDER=\r\nLIST\r\n"), std::string::npos);
  EXPECT_EQ(emptyText.find("ADSK"), std::string::npos);
  EXPECT_EQ(emptyText.substr(emptyText.size() - 6), "LIST\r\n");

  // The file on disk holds exactly the formatted bytes.
  Job job = SampleJob();
  job.saved = false;
  WriteJobFile(job, Path("job.arh"));
  EXPECT_TRUE(job.saved);
  EXPECT_EQ(ReadWholeFile(Path("job.arh")), FormatJobFile(job));
}

TEST_F(JobFileTest, ReadingAWrittenFileGivesBackTheSameJob) {
  for (bool volumes : {true, false}) {
    for (bool floppies : {true, false}) {
      Job job = SampleJob();
      job.volumesOn = volumes;
      job.copyToFloppies = floppies;
      WriteJobFile(job, Path("round.arh"));
      Job back = ReadJobFile(Path("round.arh"), Job());
      SCOPED_TRACE(testing::Message() << "volumes " << volumes << " floppies " << floppies);
      EXPECT_EQ(back.jobFilePath, Path("round.arh"));
      EXPECT_TRUE(back.saved);
      EXPECT_EQ(back.archiveDirectory, job.archiveDirectory);
      EXPECT_EQ(back.archiveName, job.archiveName);
      EXPECT_EQ(back.registerFile, job.registerFile);
      EXPECT_EQ(back.uniqueFolder, job.uniqueFolder);
      EXPECT_EQ(back.plusPath, job.plusPath);
      EXPECT_EQ(back.rotationScheme, 'W');
      EXPECT_EQ(back.uniqueScheme, 'M');
      EXPECT_EQ(back.volumesOn, volumes);
      if (volumes) {
        EXPECT_EQ(back.volumeSize, 1360);
      }
      EXPECT_EQ(back.copyToFloppies, floppies);
      EXPECT_TRUE(back.loadFromRegister);
      EXPECT_DOUBLE_EQ(back.lastArchivingDate, job.lastArchivingDate);
      EXPECT_EQ(back.jobList, job.jobList);
    }
  }
}

struct ReadCase {
  const char* name;
  std::string text;
  std::function<void(const Job&)> check;
};

TEST_F(JobFileTest, ReadsHandEditedFilesTolerantly) {
  const DateTime today = *EncodeDate(2026, 12, 7);
  Put("lat\xE9\xE4.db", "x");
  const std::string linuxName = Path("lat\xE9\xE4.db");
  const std::vector<ReadCase> cases = {
      {"FLOPY 144=TRUE is 1400", "FLOPY 144=TRUE\r\n",
       [](const Job& j) {
         EXPECT_TRUE(j.volumesOn);
         EXPECT_EQ(j.volumeSize, 1400);
       }},
      {"a bad volume size turns volumes off", "FLOPY 144=1.4\r\n", [](const Job& j) { EXPECT_FALSE(j.volumesOn); }},
      {"no ARHIVE PARAMS", "ARHIVE NAME=Buh\r\nDB FILE=x\r\n",
       [](const Job& j) {
         EXPECT_EQ(j.uniqueFolder, "New_Folder");
         EXPECT_EQ(j.rotationScheme, 'N');
         EXPECT_EQ(j.uniqueScheme, 'N');
         EXPECT_EQ(j.archiveName, "Buh");
       }},
      {"Arh|XW keeps N and sets W", "ARHIVE PARAMS=Arh|XW\r\n",
       [](const Job& j) {
         EXPECT_EQ(j.uniqueFolder, "Arh");
         EXPECT_EQ(j.rotationScheme, 'N');
         EXPECT_EQ(j.uniqueScheme, 'W');
       }},
      {"31 February is today", "DATE=31,2,2026\r\n",
       [today](const Job& j) { EXPECT_DOUBLE_EQ(j.lastArchivingDate, today); }},
      {"a date with blanks and quotes", "DATE= 5, \"11\" ,2024\n",
       [](const Job& j) { EXPECT_DOUBLE_EQ(j.lastArchivingDate, *EncodeDate(2024, 11, 5)); }},
      {"a date with text is today", "DATE=a,b,c\r\n",
       [today](const Job& j) { EXPECT_DOUBLE_EQ(j.lastArchivingDate, today); }},
      {"lines in any order, blanks trimmed, LF only", "  +FOLDER=/p  \nLIST\nx\n\n  y  \nARHIVE DIRECTORY=/a\n",
       [](const Job& j) {
         EXPECT_EQ(j.plusPath, "/p");
         EXPECT_EQ(j.archiveDirectory, "/a/");  // gains its trailing delimiter
         // Every line after LIST is kept as stored (the key line too).
         EXPECT_EQ(j.jobList, (std::vector<std::string>{"x", "", "  y  ", "ARHIVE DIRECTORY=/a"}));
       }},
      {"a later LIST moves the list", "LIST\r\na\r\nLIST\r\nb\r\n",
       [](const Job& j) { EXPECT_EQ(j.jobList, std::vector<std::string>{"b"}); }},
      {"keys are case-sensitive", "arhive name=Low\r\nARHIVE NAME=Up\r\nadsk\r\n",
       [](const Job& j) {
         EXPECT_EQ(j.archiveName, "Up");
         EXPECT_FALSE(j.copyToFloppies);
       }},
      {"Baltic 8-bit text is decoded", std::string("ARHIVE NAME=Gr\xE2mata\r\n"),
       [](const Job& j) { EXPECT_EQ(j.archiveName, "Gr\xC4\x81mata"); }},
      {"a Linux name that is no UTF-8 keeps its bytes", "LIST\r\n" + linuxName + "\r\n/nowhere/Gr\xE2mata.db\r\n",
       [linuxName](const Job& j) {
         EXPECT_EQ(j.jobList, (std::vector<std::string>{linuxName, "/nowhere/Gr\xC4\x81mata.db"}));
       }},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(Read(c.text));
  }
}

TEST_F(JobFileTest, VolumeSizeAndDateKeepTheirValuesUntilALineSetsThem) {
  Job previous;
  previous.volumeSize = 4000;
  previous.lastArchivingDate = 45000;
  previous.archiveName = "Old";
  Put("keep.arh", "INITIALIZATION\r\n");
  Job job = ReadJobFile(Path("keep.arh"), previous);
  EXPECT_EQ(job.volumeSize, 4000);
  EXPECT_DOUBLE_EQ(job.lastArchivingDate, 45000);
  EXPECT_EQ(job.archiveName, "");
}

TEST_F(JobFileTest, UnreadableOrForeignFilesAreRefusedWithTheirName) {
  Put("binary.arh", std::string("PK\x03\x04\0\0DATE=1,1,2020\r\n", 20));
  Put("garbage.arh", "Dear diary,\r\ntoday nothing happened.\r\n");
  Put("empty.arh", "");
  for (const char* name : {"binary.arh", "garbage.arh", "empty.arh", "missing.arh"}) {
    SCOPED_TRACE(name);
    Job previous = SampleJob();
    try {
      ReadJobFile(Path(name), previous);
      ADD_FAILURE() << "no error";
    } catch (const EJobFile& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
}

TEST_F(JobFileTest, AFailedWriteLeavesTheFileAsItWas) {
  Job job = SampleJob();
  WriteJobFile(job, Path("kept.arh"));
  const std::string before = *ReadWholeFile(Path("kept.arh"));

  job.archiveName = "Changed";
  job.saved = false;
  if (geteuid() != 0) {
    // Neither the folder nor the file may be written.
    ASSERT_EQ(chmod(dir_.c_str(), 0500), 0);
    ASSERT_EQ(chmod(Path("kept.arh").c_str(), 0400), 0);
    EXPECT_THROW(WriteJobFile(job, Path("kept.arh")), EJobFile);
    chmod(dir_.c_str(), 0700);
    EXPECT_EQ(ReadWholeFile(Path("kept.arh")), before);
    EXPECT_FALSE(job.saved);
  }
  // A directory that does not exist: the message names the file.
  try {
    WriteJobFile(job, Path("no/such/dir/job.arh"));
    ADD_FAILURE() << "no error";
  } catch (const EJobFile& e) {
    EXPECT_NE(std::string(e.what()).find("job.arh"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(job.saved);
}

TEST_F(JobFileTest, AFolderThatTakesNoNewFileGetsTheJobFileWrittenInPlace) {
  struct Case {
    mode_t fileMode;
    bool written;
  } cases[] = {{0666, true}, {0444, false}};
  chmod(dir_.c_str(), 0777);
  for (const Case& c : cases) {
    Job job = SampleJob();
    const std::string path = Path("jobs/shared.arh");
    mkdir(Path("jobs").c_str(), 0777);
    WriteJobFile(job, path);
    const std::string before = *ReadWholeFile(path);
    chmod(path.c_str(), c.fileMode);
    chmod(Path("jobs").c_str(), 0555);
    job.archiveName = "Changed";
    job.saved = false;

    // Folder permissions do not bind root: the write runs as an ordinary user.
    pid_t pid = fork();
    if (pid == 0) {
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
      try {
        const std::string note = WriteJobFile(job, path);
        _exit(note.find("written in place") != std::string::npos && job.saved ? 0 : 3);
      } catch (const EJobFile&) {
        _exit(4);
      }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    chmod(Path("jobs").c_str(), 0777);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.written ? 0 : 4) << std::oct << c.fileMode;
    EXPECT_EQ(ReadJobFile(path, Job()).archiveName, c.written ? "Changed" : "Buh") << std::oct << c.fileMode;
    if (!c.written) {
      EXPECT_EQ(*ReadWholeFile(path), before);
    }
    chmod(path.c_str(), 0666);
    unlink(path.c_str());
  }
}

TEST_F(JobFileTest, ArhExtensionIsAddedUnlessTheNameHasAThreeLetterOne) {
  EXPECT_EQ(WithArhExtension("copy"), "copy.arh");
  EXPECT_EQ(WithArhExtension("/d/copy.arh"), "/d/copy.arh");
  EXPECT_EQ(WithArhExtension("/d/copy.txt"), "/d/copy.txt");
  EXPECT_EQ(WithArhExtension("/d/copy.ar"), "/d/copy.ar.arh");
}

}  // namespace
}  // namespace orn
