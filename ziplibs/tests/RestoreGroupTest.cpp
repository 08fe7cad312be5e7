// A table restored with its companion files comes back whole: the
// extraction, compiled in here so that the file-step seam reaches it, is
// killed at every step, and the next restore into the folder finds the
// table, its index and its memo all old or all new, and nothing of the
// program's own beside them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "OrnZipLib.h"

namespace {

int stepsLeft = 0;
void KillAtStep(orn::FileStep, const std::string&) {
  if (--stepsLeft == 0) ::raise(SIGKILL);
}

struct Scratch {
  std::string path;
  Scratch() {
    char tmpl[] = "/tmp/orn-restore-XXXXXX";
    path = std::string(::mkdtemp(tmpl)) + "/";
  }
  ~Scratch() { std::system(("rm -rf '" + path + "'").c_str()); }
  void Write(const std::string& rel, const std::string& bytes) const {
    orn::ForceDirectories(orn::ExtractFilePath(path + rel));
    ASSERT_TRUE(orn::WriteFileAtomically(path + rel, bytes));
  }
};

int Zip(const std::string& archive, const std::string& root, const std::string& line, int level = 6) {
  OrnZipFileData fd{};
  fd.fFileSpec = line.c_str();
  fd.fRecurse = -1;
  fd.fRootDir = root.c_str();
  OrnZipParams p{};
  p.Version = ORN_ZIP_INTERFACE_VERSION;
  p.fQuiet = -1;
  p.fLevel = level;
  p.fNoDirEntries = -1;
  p.Argc = 1;
  p.pZipFN = archive.c_str();
  p.FDs = &fd;
  p.fSeven = ORN_BLOCK_END_MARK;
  return OrnZipExec(&p);
}

int Unzip(const std::string& archive, const std::string& baseDir, const std::vector<std::string>& names) {
  std::vector<OrnUnzipFileData> fds(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) fds[i].fFileSpec = names[i].c_str();
  OrnUnzipParams p{};
  p.Version = ORN_ZIP_INTERFACE_VERSION;
  p.fQuiet = -1;
  p.fDirectories = -1;
  p.fOverwrite = -1;
  p.Argc = static_cast<int32_t>(fds.size());
  p.FDs = fds.data();
  p.pZipFN = archive.c_str();
  p.ExtrBaseDir = baseDir.c_str();
  p.fSeven = ORN_BLOCK_END_MARK;
  return OrnUnzExec(&p);
}

// The files of a folder, each with its contents.
std::string Contents(const std::string& dir) {
  std::string all;
  for (const orn::FoundFile& f : orn::FindFiles(dir, "*"))
    all += f.name + "=" + orn::ReadWholeFile(dir + f.name).value_or("?") + " ";
  return all;
}

TEST(RestoreGroup, KilledAtEveryStepATableComesBackWholeOldOrNew) {
  const std::string oldFiles = "KONTI.DB=old table KONTI.MB=old memo KONTI.PX=old index note.txt=note ";
  const std::string newFiles = "KONTI.DB=new table KONTI.MB=new memo KONTI.PX=new index note.txt=note ";
  bool finished = false;
  int step = 1;
  for (; !finished && step < 60; ++step) {
    SCOPED_TRACE("killed at step " + std::to_string(step));
    Scratch s;
    s.Write("src/DATA/KONTI.DB", "new table");
    s.Write("src/DATA/KONTI.PX", "new index");
    s.Write("src/DATA/KONTI.MB", "new memo");
    s.Write("src/DATA/note.txt", "note");
    ASSERT_EQ(Zip(s.path + "a.zip", s.path + "src", "DATA"), 4);
    s.Write("dest/DATA/KONTI.DB", "old table");
    s.Write("dest/DATA/KONTI.PX", "old index");
    s.Write("dest/DATA/KONTI.MB", "old memo");

    pid_t pid = ::fork();
    if (pid == 0) {
      stepsLeft = step;
      orn::SetFileStepHook(&KillAtStep);
      Unzip(s.path + "a.zip", s.path + "dest", {"DATA/KONTI.*"});
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    finished = !WIFSIGNALED(status);

    // The next restore into the folder completes or rolls back the table.
    EXPECT_EQ(Unzip(s.path + "a.zip", s.path + "dest", {"DATA/note.txt"}), 1);
    const std::string now = Contents(s.path + "dest/DATA/");
    EXPECT_TRUE(now == oldFiles || now == newFiles) << now;
    if (finished) {
      EXPECT_EQ(now, newFiles);
    }
  }
  EXPECT_TRUE(finished);
  EXPECT_GT(step, 8) << "too few steps to have killed the restore in each phase";
}

TEST(RestoreGroup, ATableWhoseIndexFailsIsNotRestoredAlone) {
  Scratch s;
  s.Write("src/DATA/KONTI.DB", "new table");
  s.Write("src/DATA/KONTI.PX", std::string(4000, 'i'));
  s.Write("src/DATA/other.txt", "other");
  ASSERT_EQ(Zip(s.path + "a.zip", s.path + "src", "DATA", 0), 3);
  // The index's data damaged in the archive (stored as it is): its CRC fails.
  std::string zip = orn::ReadWholeFile(s.path + "a.zip").value();
  const std::size_t at = zip.find("KONTI.PX") + 8;
  zip[at + 40] = static_cast<char>(zip[at + 40] ^ 0x55);
  ASSERT_TRUE(orn::WriteFileAtomically(s.path + "a.zip", zip));
  s.Write("dest/DATA/KONTI.DB", "old table");
  s.Write("dest/DATA/KONTI.PX", "old index");
  EXPECT_EQ(Unzip(s.path + "a.zip", s.path + "dest", {}), 1);
  EXPECT_EQ(Contents(s.path + "dest/DATA/"), "KONTI.DB=old table KONTI.PX=old index other.txt=other ");
}

}  // namespace
