// Self-extractors: the header as written and read, the file the engine
// makes (a zip the standard tools accept), the stub run with no terminal
// into an empty folder and over existing files in each overwrite mode, and
// headers whose lengths lie.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "FileSystem.h"
#include "SfxWriter.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

const std::string kStub = std::string(ORN_BIN_DIR) + "/OrnSFX.bin";

int Shell(const std::string& command) {
  const int status = std::system((command + " </dev/null >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Entries() { return MakeZip({{"top.txt", "top"}, {"dir/", ""}, {"dir/inner.txt", "inner"}}); }

}  // namespace

TEST(ZipSfx, HeaderCarriesFlagsAndTexts) {
  const orn::SfxTexts texts{"Caption", "/opt/x", "", "Hello"};
  const std::string header = orn::SfxHeader(orn::SfxFlagByte({SFXAskFiles}, OvrNever), texts);
  EXPECT_EQ(header.substr(0, 3), "OZX");
  // Ask files 2, never 16, no size check 32.
  EXPECT_EQ(static_cast<unsigned char>(header[3]), 2 + 16 + 32);
  EXPECT_EQ(header.size() % 4, 0u);
  EXPECT_EQ(static_cast<unsigned char>(header[6]) | static_cast<unsigned char>(header[7]) << 8, header.size());
  orn::SfxHeaderInfo info;
  ASSERT_TRUE(orn::ParseSfxHeader(header, info));
  EXPECT_EQ(info.texts.caption, "Caption");
  EXPECT_EQ(info.texts.defaultDir, "/opt/x");
  EXPECT_EQ(info.texts.message, "Hello");
  EXPECT_EQ(orn::SfxFlagByte({SFXCheckSize}, OvrAlways), 8);

  struct Lie {
    const char* what;
    std::size_t at;
    char value;
  } lies[] = {
      {"length beyond the bytes", 6, '\x40'},
      {"length not a multiple of 4", 6, '\x15'},
      {"text longer than the header", 8, '\x7f'},
      {"wrong marker", 1, 'Q'},
      {"wrong version byte", 5, '\2'},
  };
  for (const Lie& lie : lies) {
    std::string bad = header;
    bad[lie.at] = lie.value;
    EXPECT_FALSE(orn::ParseSfxHeader(bad, info)) << lie.what;
  }
}

class ZipSfxRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orn::FileExists(kStub)) GTEST_SKIP() << "the stub is not built";
    zip.SetUnattended(true);
    zip.SetSFXPath(kStub);
    log.Attach(zip);
  }
  // A fresh self-extractor made from the test archive.
  std::string Make(OvrOpts mode) {
    WriteFile(dir / "a.zip", Entries());
    zip.SetSFXOverWriteMode(mode);
    zip.SetZipFileName(dir / "a.zip");
    EXPECT_EQ(zip.ConvertToSFX(), 0) << zip.LastMessage();
    return dir / "a.exe";
  }

  ScratchDir dir;
  TZipEngine zip;
  MessageLog log;
};

TEST_F(ZipSfxRun, MadeFromAnArchiveAndRunWithoutATerminal) {
  const std::string exe = Make(OvrConfirm);
  EXPECT_FALSE(orn::FileExists(dir / "a.zip"));  // the old archive is gone
  EXPECT_EQ(zip.ZipFileName(), exe);
  EXPECT_EQ(zip.Count(), 2);  // the folder entry is not listed
  if (std::system("command -v unzip >/dev/null 2>&1") == 0) {
    EXPECT_EQ(Shell("unzip -tq '" + exe + "'"), 0);
  }
  EXPECT_EQ(Shell("'" + exe + "' -d '" + dir / "out" + "'"), 0);
  EXPECT_EQ(ReadFile(dir / "out/top.txt"), "top");
  EXPECT_EQ(ReadFile(dir / "out/dir/inner.txt"), "inner");

  // Over existing files, in each overwrite mode.
  struct Case {
    OvrOpts mode;
    int status;
    std::string top;
  } cases[] = {{OvrAlways, 0, "top"}, {OvrNever, 1, "mine"}, {OvrConfirm, 1, "mine"}};
  for (const Case& c : cases) {
    WriteFile(dir / "out/top.txt", "mine");
    const std::string again = Make(c.mode);
    EXPECT_EQ(Shell("'" + again + "' -d '" + dir / "out" + "'"), c.status) << c.mode;
    EXPECT_EQ(ReadFile(dir / "out/top.txt"), c.top) << c.mode;
  }
}

// The self-extractor runs as it is made, allows nobody more than its
// archive did, replaces a link planted under its name without writing
// through it, and gives the files their entries' dates.
TEST_F(ZipSfxRun, ExecutableNoWiderThanItsArchiveAndRestoringDates) {
  const mode_t mask = ::umask(022);
  struct Case {
    mode_t archive;
    mode_t exe;
  } cases[] = {{0644, 0755}, {0600, 0700}, {0640, 0750}};
  for (const Case& c : cases) {
    WriteFile(dir / "victim", "untouched");
    ::unlink((dir / "a.exe").c_str());
    ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "a.exe").c_str()), 0);
    WriteFile(dir / "a.zip", Entries());
    ::chmod((dir / "a.zip").c_str(), c.archive);
    zip.SetSFXOverWriteMode(OvrAlways);
    zip.SetZipFileName(dir / "a.zip");
    ASSERT_EQ(zip.ConvertToSFX(), 0) << zip.LastMessage();
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "a.exe").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, c.exe) << std::oct << c.archive;
    EXPECT_EQ(ReadFile(dir / "victim"), "untouched");
  }
  ::umask(mask);
  EXPECT_EQ(Shell("'" + dir / "a.exe" + "' -d '" + dir / "out" + "'"), 0);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "out/top.txt").c_str(), &st), 0);
  EXPECT_LT(st.st_mtime, 631152000) << "the entry's date, 1 January 1980";
  for (const std::string& name : {std::string("out"), std::string(".")})
    for (const auto& e : std::filesystem::directory_iterator(dir / name))
      EXPECT_FALSE(orn::IsTemporaryName(e.path().filename().string())) << e.path();
}

TEST_F(ZipSfxRun, DefaultFolderFromTheHeaderAndNewExeThroughAdd) {
  zip.SetSFXDefaultDir(dir / "default");
  const std::string exe = Make(OvrConfirm);
  EXPECT_EQ(Shell("cd '" + dir.Path() + "' && '" + exe + "'"), 0);
  EXPECT_EQ(ReadFile(dir / "default/dir/inner.txt"), "inner");

  if (!orn::FileExists(std::string(ORN_BIN_DIR) + "/libornzip.so")) GTEST_SKIP() << "libraries not built";
  WriteFile(dir / "src/one.txt", "one");
  WriteFile(dir / "src/sub/two.txt", "two");
  zip.SetLibDirectory(ORN_BIN_DIR);
  zip.SetSFXDefaultDir("");
  zip.SetAddOptions({AddDirNames, AddRecurseDirs});
  zip.SetRootDir(dir / "src");
  zip.SetZipFileName(dir / "new.exe");
  zip.FSpecArgs = {"*.*"};
  zip.Add();
  ASSERT_EQ(zip.SuccessCount(), 2) << zip.LastMessage();
  EXPECT_EQ(Shell("'" + dir / "new.exe" + "' -d '" + dir / "fromadd" + "'"), 0);
  EXPECT_EQ(ReadFile(dir / "fromadd/sub/two.txt"), "two");
}

// The stub reads what the unzip library reads: an archive another
// archiver packed with bzip2 and LZMA extracts as well.
TEST_F(ZipSfxRun, ArchivesInOtherMethodsExtract) {
  if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z missing";
  WriteFile(dir / "src/KONTI.DB", std::string(30000, 'k') + "konti");
  WriteFile(dir / "src/notes.txt", "notes notes notes notes notes");
  ASSERT_EQ(Shell("cd '" + dir / "src" +
                  "' && 7z a -tzip -mm=BZip2 ../m.zip KONTI.DB >/dev/null && "
                  "7z a -tzip -mm=LZMA ../m.zip notes.txt >/dev/null"),
            0);
  zip.SetZipFileName(dir / "m.zip");
  ASSERT_EQ(zip.ConvertToSFX(), 0) << zip.LastMessage();
  EXPECT_EQ(Shell("'" + dir / "m.exe" + "' -d '" + dir / "out" + "'"), 0);
  EXPECT_EQ(ReadFile(dir / "out/KONTI.DB"), std::string(30000, 'k') + "konti");
  EXPECT_EQ(ReadFile(dir / "out/notes.txt"), "notes notes notes notes notes");
}

TEST_F(ZipSfxRun, RefusedInputsLeaveNothing) {
  struct Case {
    const char* what;
    std::function<void()> set;
    std::string archive;
    int ident;
  } cases[] = {
      {"not a .zip", [] {}, "a.tar", 10803},
      {"texts too long", [this] { zip.SetSFXMessage(std::string(300, 'm')); }, "a.zip", 10801},
      {"no stub", [this] { zip.SetSFXPath(dir / "none.bin"); }, "a.zip", 10802},
  };
  for (const Case& c : cases) {
    zip.SetSFXPath(kStub);
    zip.SetSFXMessage("");
    c.set();
    WriteFile(dir / c.archive, Entries());
    zip.SetZipFileName(dir / c.archive);
    EXPECT_EQ(zip.ConvertToSFX(), c.ident) << c.what;
    EXPECT_TRUE(log.Has(c.ident)) << c.what;
    EXPECT_FALSE(orn::FileExists(dir / "a.exe")) << c.what;
    EXPECT_TRUE(orn::FileExists(dir / c.archive)) << c.what;
  }
}

TEST_F(ZipSfxRun, AHeaderWhoseLengthsLieExtractsNothing) {
  const std::string exe = Make(OvrAlways);
  std::string bytes = ReadFile(exe);
  const std::size_t header = bytes.rfind("OZX", bytes.find("PK\3\4", std::filesystem::file_size(kStub)));
  ASSERT_NE(header, std::string::npos);
  for (char lie : {'\x7f', '\x02'}) {
    std::string bad = bytes;
    bad[header + 6] = lie;
    WriteFile(dir / "bad.exe", bad);
    ::chmod((dir / "bad.exe").c_str(), 0755);
    EXPECT_EQ(Shell("'" + dir / "bad.exe" + "' -d '" + dir / "bad" + "'"), 3);
    EXPECT_FALSE(orn::FileExists(dir / "bad/top.txt"));
  }
}
