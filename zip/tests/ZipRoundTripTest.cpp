// Through the real compression libraries: add, list, extract and compare;
// archives written by other tools listed and extracted; a cancelled add
// leaves no archive behind. Skipped when the libraries or tools are missing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "FileSystem.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

bool RealLibraries() {
  return orn::FileExists(std::string(ORN_BIN_DIR) + "/libornzip.so") &&
         orn::FileExists(std::string(ORN_BIN_DIR) + "/libornunz.so");
}

bool HaveTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

class ZipEngineRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RealLibraries()) GTEST_SKIP() << "compression libraries not built";
    zip.SetUnattended(true);
    zip.SetLibDirectory(ORN_BIN_DIR);
    log.Attach(zip);
    WriteFile(scratch / "src/one.txt", "the first file\n");
    WriteFile(scratch / "src/sub/two.bin", std::string(70000, '\x07') + "tail");
    WriteFile(scratch / "src/sub/deeper/three.txt", "");
  }
  void ExpectSameTree(const std::string& extracted) {
    EXPECT_EQ(ReadFile(extracted + "/one.txt"), ReadFile(scratch / "src/one.txt"));
    EXPECT_EQ(ReadFile(extracted + "/sub/two.bin"), ReadFile(scratch / "src/sub/two.bin"));
    EXPECT_TRUE(orn::FileExists(extracted + "/sub/deeper/three.txt"));
  }

  ScratchDir scratch;
  TZipEngine zip;
  MessageLog log;
};

TEST_F(ZipEngineRoundTrip, AddListExtract) {
  zip.SetAddOptions({AddDirNames, AddRecurseDirs});
  zip.SetRootDir(scratch / "src");
  zip.SetZipFileName(scratch / "out.zip");
  zip.FSpecArgs = {"*.*"};
  zip.Add();
  ASSERT_EQ(zip.SuccessCount(), 3) << zip.LastMessage();
  EXPECT_TRUE(zip.FSpecArgs.empty());
  std::vector<std::string> names;
  for (const ZipDirEntry& e : zip.DirEntries()) names.push_back(e.Name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one.txt", "sub/deeper/three.txt", "sub/two.bin"}));

  zip.SetExtrBaseDir(scratch / "x");
  ASSERT_TRUE(orn::ForceDirectories(scratch / "x"));
  zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
  zip.Extract();
  EXPECT_EQ(zip.SuccessCount(), 3) << zip.LastMessage();
  ExpectSameTree(scratch / "x");
}

TEST_F(ZipEngineRoundTrip, CancelledAddLeavesTheOldArchive) {
  WriteFile(scratch / "out.zip", MakeZip({{"old.txt", "old"}}));
  const std::string before = ReadFile(scratch / "out.zip");
  zip.SetAddOptions({AddDirNames, AddRecurseDirs});
  zip.SetRootDir(scratch / "src");
  zip.SetZipFileName(scratch / "out.zip");
  zip.OnProgress = [](TZipEngine& z, ProgressType type, const std::string&, std::int64_t) {
    if (type == FileStarted) z.SetCancel(true);
  };
  zip.FSpecArgs = {"*.*"};
  zip.Add();
  EXPECT_EQ(zip.SuccessCount(), 0);
  EXPECT_EQ(ReadFile(scratch / "out.zip"), before);
  for (const auto& f : std::filesystem::directory_iterator(scratch.Path()))
    EXPECT_TRUE(f.path().filename() == "out.zip" || f.path().filename() == "src") << f.path();
}

TEST_F(ZipEngineRoundTrip, ArchivesOfOtherToolsListAndExtract) {
  struct Tool {
    const char* name;
    std::string command;
  } tools[] = {
      {"zip", "cd '" + scratch / "src" + "' && zip -qr '" + scratch / "t.zip" + "' ."},
      {"7z", "cd '" + scratch / "src" + "' && 7z a -tzip -bd '" + scratch / "t.zip" + "' . >/dev/null"},
      {"python3", "cd '" + scratch / "src" + "' && python3 -c \"import zipfile,os\nz=zipfile.ZipFile('" +
                      scratch / "t.zip" +
                      "','w',zipfile.ZIP_DEFLATED)\nfor d,_,fs in os.walk('.'):\n  for f in fs: "
                      "z.write(os.path.join(d,f))\nz.close()\""},
  };
  for (const Tool& t : tools) {
    SCOPED_TRACE(t.name);
    if (!HaveTool(t.name)) {
      std::printf("skipped: %s missing\n", t.name);
      continue;
    }
    std::filesystem::remove(scratch / "t.zip");
    std::filesystem::remove_all(scratch / "x");
    ASSERT_EQ(std::system(t.command.c_str()), 0);
    zip.SetZipFileName(scratch / "t.zip");
    EXPECT_EQ(zip.Count(), 3) << zip.LastMessage();
    ASSERT_TRUE(orn::ForceDirectories(scratch / "x"));
    zip.SetExtrBaseDir(scratch / "x");
    zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
    zip.Extract();
    EXPECT_EQ(zip.SuccessCount(), 3) << zip.LastMessage();
    ExpectSameTree(scratch / "x");
  }
}

TEST_F(ZipEngineRoundTrip, PeerReadsWhatWeWrite) {
  if (!HaveTool("unzip")) GTEST_SKIP() << "unzip missing";
  zip.SetAddOptions({AddDirNames, AddRecurseDirs});
  zip.SetRootDir(scratch / "src");
  zip.SetZipFileName(scratch / "out.zip");
  zip.FSpecArgs = {"*.*"};
  zip.Add();
  ASSERT_EQ(zip.SuccessCount(), 3) << zip.LastMessage();
  EXPECT_EQ(std::system(("unzip -tq '" + scratch / "out.zip" + "' >/dev/null").c_str()), 0);
}

}  // namespace

namespace {

TEST_F(ZipEngineRoundTrip, UnsafeEntriesAreSkippedTheRestExtracted) {
  ASSERT_TRUE(orn::ForceDirectories(scratch / "base"));
  const std::string absolute = scratch / "abs-escape.txt";
  WriteFile(scratch / "evil.zip", MakeZip({{"ok.txt", "fine"}, {"../escaped.txt", "bad"}, {absolute, "bad"}}));
  zip.SetZipFileName(scratch / "evil.zip");
  ASSERT_EQ(zip.Count(), 3);
  zip.SetExtrBaseDir(scratch / "base");
  zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
  int skipped = 0;
  zip.OnExtractSkipped = [&](TZipEngine&, const std::string&, UnZipSkipTypes, int) { ++skipped; };
  zip.Extract();
  EXPECT_EQ(zip.SuccessCount(), 1);
  EXPECT_EQ(skipped, 2);
  EXPECT_EQ(ReadFile(scratch / "base/ok.txt"), "fine");
  EXPECT_FALSE(orn::FileExists(scratch / "escaped.txt"));
  EXPECT_FALSE(orn::FileExists(absolute));
}

// Every file under `dir`, relative, "/" between parts, sorted.
std::vector<std::string> FilesUnder(const std::string& dir) {
  std::vector<std::string> files;
  if (!std::filesystem::exists(dir)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), dir).string());
  std::sort(files.begin(), files.end());
  return files;
}

// Every file and empty folder under `dir`, relative, "/" between parts,
// folders ending in "/", sorted.
std::vector<std::string> PathsUnder(const std::string& dir) {
  std::vector<std::string> paths;
  if (!std::filesystem::exists(dir)) return paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    if (!entry.is_directory() || std::filesystem::is_empty(entry.path()))
      paths.push_back(std::filesystem::relative(entry.path(), dir).string() + (entry.is_directory() ? "/" : ""));
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Names as their writers meant them: what is listed is what is written and
// what can be asked for by name, for DOS names in each OEM page (the
// language's, or the one their letters show), Windows names in an ANSI page,
// UTF-8 with and without the flag, a Linux name that is no UTF-8 (its bytes
// come back as they were), control bytes, a zero byte (refused as unsafe)
// and a DOS folder stored without its "/".
TEST_F(ZipEngineRoundTrip, NamesAreReadAsTheirWritersMeantThemAndWrittenSo) {
  struct Case {
    const char* what;
    MemEntry entry;
    int charset;  // of the interface language
    CodePageOpts codePage;
    int chosenPage;
    std::string listed;
    const char* written;  // under the folder, as PathsUnder shows it; nullptr: refused
  } cases[] = {
      {"cp437", {"DATI\\\x94.txt", "a", 0}, 255, cpAuto, 0, "DATI/ö.txt", "DATI/ö.txt"},
      {"cp775 in Latvian",
       {"DATI\\\xc7"
        "dens.txt",
        "b", 0},
       186,
       cpAuto,
       0,
       "DATI/Ūdens.txt",
       "DATI/Ūdens.txt"},
      {"cp866 in Russian", {"\x82\xae\xa4\xa0.txt", "c", 0}, 204, cpAuto, 0, "Вода.txt", "Вода.txt"},
      {"cp866 in Latvian: detected",
       {"\x81\xa0\xab\xa0\xad\xe1.txt", "c", 0},
       186,
       cpAuto,
       0,
       "Баланс.txt",
       "Баланс.txt"},
      {"cp866 in Latvian: chosen", {"\xa0.txt", "c", 0}, 186, cpAuto, 866, "а.txt", "а.txt"},
      {"cp775 forced on a Unix name",
       {"\xc7"
        "dens.txt",
        "d", 3, 30},
       186,
       cpOEM,
       0,
       "Ūdens.txt",
       "Ūdens.txt"},
      {"cp1257 from Windows",
       {"dir/\xdb"
        "dens.txt",
        "e", 11, 20},
       186,
       cpAuto,
       0,
       "dir/Ūdens.txt",
       "dir/Ūdens.txt"},
      {"cp1251 from Windows in Russian", {"\xc2\xee\xe4\xe0.txt", "f", 11, 20}, 204, cpAuto, 0, "Вода.txt", "Вода.txt"},
      {"cp1251 from Windows in Latvian: detected",
       {"\xc1\xe0\xeb\xe0\xed\xf1.txt", "f", 11, 20},
       186,
       cpAuto,
       0,
       "Баланс.txt",
       "Баланс.txt"},
      {"UTF-8 with the flag",
       {"Вода/Ūdens.txt", "g", 0, 20, 0x0800},
       186,
       cpOEM,
       0,
       "Вода/Ūdens.txt",
       "Вода/Ūdens.txt"},
      {"UTF-8 without the flag from Unix", {"Ūdens.txt", "h", 3, 30}, 204, cpAuto, 0, "Ūdens.txt", "Ūdens.txt"},
      {"Linux bytes that are no UTF-8",
       {"lat\xe9\xe4.txt", "i", 3, 30},
       186,
       cpAuto,
       0,
       "lat\xe9\xe4.txt",
       "lat\xe9\xe4.txt"},
      {"Unix name with a backslash", {"a\\b.txt", "j", 3, 30}, 186, cpAuto, 0, "a\\b.txt", "a\\b.txt"},
      {"control bytes", {"tab\there\x01.txt", "k", 3, 30}, 186, cpAuto, 0, "tab\there\x01.txt", "tab\there\x01.txt"},
      {"a zero byte", {std::string("nul\0.txt", 8), "l", 3, 30}, 186, cpAuto, 0, std::string("nul\0.txt", 8), nullptr},
      {"DOS folder without \"/\"", {"def", "", 0, 20, 0, 0x10}, 186, cpAuto, 0, "def/", "def/"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string tag = std::to_string(++n);
    WriteFile(scratch / (tag + ".zip"), MakeZip({c.entry, {"plain.txt", "p"}}));
    TZipEngine engine;
    engine.SetUnattended(true);
    engine.SetLibDirectory(ORN_BIN_DIR);
    engine.SetUseDirOnlyEntries(true);
    engine.SetNamesCharset(c.charset);
    engine.SetCodePage(c.codePage);
    engine.SetNamesCodePage(c.chosenPage);
    engine.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
    engine.SetZipFileName(scratch / (tag + ".zip"));
    // list
    ASSERT_EQ(engine.Count(), 2) << c.what;
    const std::string listed = engine.DirEntries()[0].Name;
    EXPECT_EQ(listed, c.listed) << c.what;
    // extract all
    engine.SetExtrBaseDir(scratch / ("all" + tag));
    engine.Extract();
    std::vector<std::string> expected{"plain.txt"};
    if (c.written) expected.push_back(c.written);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(PathsUnder(scratch / ("all" + tag)), expected) << c.what;
    EXPECT_EQ(engine.SuccessCount(), c.written && !engine.DirEntries()[0].IsFolder() ? 2 : 1) << c.what;
    if (!c.written || engine.DirEntries()[0].IsFolder()) continue;
    // extract by the listed name
    engine.SetExtrBaseDir(scratch / ("one" + tag));
    engine.FSpecArgs = {listed};
    engine.Extract();
    EXPECT_EQ(engine.SuccessCount(), 1) << c.what;
    EXPECT_EQ(PathsUnder(scratch / ("one" + tag)), std::vector<std::string>{c.written}) << c.what;
    EXPECT_EQ(ReadFile(scratch / ("one" + tag) + "/" + c.written), c.entry.data) << c.what;
    // test
    engine.SetExtrOptions({ExtrTest, ExtrDirNames});
    engine.Extract();
    EXPECT_EQ(engine.SuccessCount(), 2) << c.what;
  }
}

// Zip64 archives written by a peer: Zip64 extra fields on every entry, and
// more than 65,535 entries behind Zip64 end records.
TEST_F(ZipEngineRoundTrip, PeersZip64ArchivesListAndTest) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
  const std::string script = scratch / "make.py";
  WriteFile(script,
            "import sys,zipfile\n"
            "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
            "  for i in range(3):\n"
            "    with z.open('f%d.txt' % i, 'w', force_zip64=True) as f: f.write(b'zip64 %d' % i)\n"
            "with zipfile.ZipFile(sys.argv[2], 'w') as z:\n"
            "  for i in range(65600): z.writestr('d/%05d' % i, '')\n");
  ASSERT_EQ(std::system(("python3 '" + script + "' '" + scratch / "forced.zip' '" + scratch / "many.zip'").c_str()), 0);
  struct Case {
    const char* archive;
    int entries;
  } cases[] = {{"forced.zip", 3}, {"many.zip", 65600}};
  for (const Case& c : cases) {
    TZipEngine engine;
    engine.SetUnattended(true);
    engine.SetLibDirectory(ORN_BIN_DIR);
    engine.SetZipFileName(scratch / c.archive);
    EXPECT_EQ(engine.Count(), c.entries) << c.archive;
    engine.SetExtrOptions({ExtrTest, ExtrDirNames});
    engine.Extract();
    EXPECT_EQ(engine.SuccessCount(), c.entries) << c.archive << ": " << engine.LastMessage();
  }
}

// Each engine owns its library handles: another engine unloading its own
// while this one's job runs inside the library changes nothing for it.
TEST_F(ZipEngineRoundTrip, AnotherEngineUnloadingLeavesThisJobAlone) {
  WriteFile(scratch / "two.zip", MakeZip({{"a.txt", "alpha"}, {"b.txt", "beta"}}));
  TZipEngine other;
  other.SetUnattended(true);
  other.SetLibDirectory(ORN_BIN_DIR);
  ASSERT_TRUE(other.LoadUnzLib());
  zip.SetZipFileName(scratch / "two.zip");
  zip.SetExtrBaseDir(scratch / "x");
  zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
  int unloads = 0;
  zip.OnProgress = [&](TZipEngine&, ProgressType type, const std::string&, std::int64_t) {
    if (type == FileStarted) {
      other.UnloadUnzLib();
      ASSERT_TRUE(other.LoadUnzLib());
      other.UnloadUnzLib();
      ++unloads;
    }
  };
  zip.Extract();
  EXPECT_EQ(unloads, 2);
  EXPECT_EQ(zip.SuccessCount(), 2) << zip.LastMessage();
  EXPECT_EQ(ReadFile(scratch / "x/b.txt"), "beta");
}

// Real archives of other tools: every listed name is the name written by
// extracting all, is found when asked for by itself, and tests good.
TEST_F(ZipEngineRoundTrip, FixturesListExtractAndFindTheSameNames) {
  struct Case {
    const char* path;
    CodePageOpts codePage;
    int charset;
  } cases[] = {
      {"libarchive/test_read_format_zip_filename_cp866.zip", cpOEM, 204},
      {"cpython/zip_cp437_header.zip", cpOEM, 255},
      {"go-archive-zip/subdir.zip", cpAuto, 186},
      {"go-archive-zip/test.zip", cpAuto, 186},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = std::string(ORN_FIXTURES_DIR) + "/zip/" + c.path;
    if (!orn::FileExists(path)) GTEST_SKIP() << "fixture missing: " << path;
    const std::string tag = "f" + std::to_string(++n);
    TZipEngine engine;
    engine.SetUnattended(true);
    engine.SetLibDirectory(ORN_BIN_DIR);
    engine.SetNamesCharset(c.charset);
    engine.SetCodePage(c.codePage);
    engine.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
    engine.SetZipFileName(path);
    ASSERT_GT(engine.Count(), 0) << c.path;
    std::vector<std::string> listed;
    for (const ZipDirEntry& e : engine.DirEntries()) listed.push_back(e.Name);
    std::sort(listed.begin(), listed.end());
    engine.SetExtrBaseDir(scratch / (tag + "all"));
    engine.Extract();
    EXPECT_EQ(FilesUnder(scratch / (tag + "all")), listed) << c.path;
    for (std::size_t k = 0; k < listed.size(); ++k) {
      const std::string dir = scratch / (tag + "one" + std::to_string(k));
      engine.SetExtrBaseDir(dir);
      engine.FSpecArgs = {listed[k]};
      engine.Extract();
      EXPECT_EQ(FilesUnder(dir), std::vector<std::string>{listed[k]}) << c.path;
    }
    engine.SetExtrOptions({ExtrTest, ExtrDirNames});
    engine.Extract();
    EXPECT_EQ(engine.SuccessCount(), engine.Count()) << c.path;
  }
}

}  // namespace

namespace {

struct CliRun {
  int status;
  std::string output;  // standard output and standard error together
};

// `messagesLocale`, when given, is the LC_ALL the program sees.
CliRun RunOrnzip(const std::string& arguments, const std::string& inDir = "", const std::string& messagesLocale = "") {
  CliRun run{-1, ""};
  const std::string cd = inDir.empty() ? "" : "cd '" + inDir + "' && ";
  const std::string locale = messagesLocale.empty() ? "" : "LC_ALL='" + messagesLocale + "' ";
  FILE* pipe = ::popen((cd + locale + std::string(ORN_BIN_DIR) + "/ornzip " + arguments + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) run.output.append(buf, n);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(ZipEngineCli, ListAndFailuresWithIdentifiers) {
  if (!orn::FileExists(std::string(ORN_BIN_DIR) + "/ornzip")) GTEST_SKIP() << "ornzip not built";
  const std::string fixtures = std::string(ORN_FIXTURES_DIR) + "/zip/";
  if (!orn::FileExists(fixtures + "go-archive-zip/test.zip")) GTEST_SKIP() << "test data missing: " << fixtures;
  ScratchDir scratch;
  WriteFile(scratch / "odd.zip", MakeZip({{std::string("nul\0\nline.txt", 13), "x", 3, 30}, {"\xa0.txt", "a", 0}}));
  struct Case {
    std::string arguments;
    int status;
    std::string output;  // expected exactly, or contained when `contains`
    bool contains;
  } cases[] = {
      {"list '" + fixtures + "go-archive-zip/test.zip'", 0, "test.txt\ngophercolor16x16.png\n", false},
      {"list '" + scratch / "odd.zip'", 0, "nul\\x00\\x0aline.txt\n\xc4\x80.txt\n", false},
      {"list -O 866 '" + scratch / "odd.zip'", 0, "nul\\x00\\x0aline.txt\n\xd0\xb0.txt\n", false},
      {"list -O CP9999 '" + scratch / "odd.zip'", 2, "unknown code page", true},
      {"test -O '" + scratch / "odd.zip'", 2, "unknown code page", true},
      {"list '" + fixtures + "libzip/testempty.zip'", 0, "", false},
      {"list '" + fixtures + "libzip/bogus.zip'", 1, "[11036]", true},
      {"list '" + scratch / "absent.zip'", 1, "[10102]", true},
      {"add '" + scratch / "a.zip'", 2, "usage:", true},
      {"frobnicate x", 2, "usage:", true},
  };
  for (const Case& c : cases) {
    // Without Params.ini the locale decides the language: Latvian here.
    CliRun run = RunOrnzip(c.arguments, "", "lv_LV.UTF-8");
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
    if (c.contains)
      EXPECT_NE(run.output.find(c.output), std::string::npos) << c.arguments << "\n" << run.output;
    else
      EXPECT_EQ(run.output, c.output) << c.arguments;
  }
}

// Runs ornzip with standard output and standard error apart.
struct CliStreams {
  int status = -1;
  std::string out;
  std::string err;
};

CliStreams RunOrnzipApart(const std::string& arguments, const std::string& errFile) {
  CliStreams run;
  FILE* pipe = ::popen((std::string(ORN_BIN_DIR) + "/ornzip " + arguments + " 2>'" + errFile + "'").c_str(), "r");
  if (!pipe) return run;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) run.out.append(buf, n);
  int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadFile(errFile);
  return run;
}

// Every command tells the truth: what did less than asked exits 1 and says
// what was not done on standard error; results alone go to standard output.
TEST(ZipEngineCli, EveryOutcomeIsTold) {
  if (!RealLibraries() || !orn::FileExists(std::string(ORN_BIN_DIR) + "/ornzip"))
    GTEST_SKIP() << "ornzip or the compression libraries not built";
  ScratchDir scratch;
  WriteFile(scratch / "good.zip", MakeZip({{"a.txt", "alpha"}, {"d/b.txt", "beta"}}));
  WriteFile(scratch / "Buh2024.zip", std::string(300, 'j'));
  std::string bad = MakeZip({{"GOOD.txt", "BAD!"}});
  bad[bad.find("PK\x01\x02") + 16] ^= 0x55;  // the directory's CRC no longer fits the data
  WriteFile(scratch / "crc.zip", bad);
  WriteFile(scratch / "keep/GOOD.txt", "GOOD");
  WriteFile(scratch / "bsd.zip", MakeZip({{"./", "", 3, 30}, {"f.txt", "f", 3, 30}}));
  WriteFile(scratch / "evil.zip", MakeZip({{"../evil.txt", "x"}, {"ok.txt", "ok"}}));
  // Other tools' archives: a directory that counts 2 of its 3 entries, an
  // empty name, local sizes that disagree with the directory's (its sizes
  // and the CRC decide), data that is no deflate stream, a method not read,
  // a zero byte in a name.
  std::string more = MakeZip({{"1.txt", "1"}, {"2.txt", "2"}, {"3.txt", "3"}});
  more[more.rfind("PK\x05\x06") + 8] = more[more.rfind("PK\x05\x06") + 10] = 2;
  WriteFile(scratch / "more.zip", more);
  WriteFile(scratch / "empty.zip", MakeZip({{"", "e"}, {"f.txt", "f"}}));
  std::string sizes = MakeZip({{"s.txt", "sizes"}});
  sizes.replace(18, 8, "\x05\x00\x00\x01\x05\x00\x00\x01", 8);  // each 16 MiB more than the data
  WriteFile(scratch / "sizes.zip", sizes);
  auto withMethod = [](std::string zip, char method) {
    zip[8] = zip[zip.find("PK\x01\x02") + 10] = method;
    return zip;
  };
  WriteFile(scratch / "damaged.zip", withMethod(MakeZip({{"d.txt", "alpha"}}), 8));
  WriteFile(scratch / "ppmd.zip", withMethod(MakeZip({{"p.txt", "p"}}), 98));
  WriteFile(scratch / "nul.zip", MakeZip({{std::string("n\0.txt", 6), "n", 3, 30}, {"ok.txt", "ok"}}));
  const std::string q = "'" + scratch.Path() + "/";
  struct Case {
    std::string arguments;
    int status;
    std::string out;  // contained in standard output ("" : must be empty)
    std::string err;  // contained in standard error ("" : must be empty)
  } cases[] = {
      {"--help", 0, "usage:", ""},
      {"--version", 0, "ornzip 1.60", ""},
      {"--frobnicate", 2, "", "usage:"},
      {"list -x " + q + "good.zip'", 2, "", "usage:"},
      {"list -v " + q + "good.zip'", 0, "           5            5 ", ""},
      {"test " + q + "missing.zip'", 1, "", "[10102]"},
      {"extract " + q + "missing.zip' " + q + "out'", 1, "", "[10102]"},
      {"list " + q + "Buh2024.zip'", 1, "", "[11036]"},
      {"test " + q + "good.zip'", 0, "2 entries tested good of 2", ""},
      {"extract " + q + "good.zip' " + q + "x1' a.txt nothing.txt", 1, "", "nothing.txt"},
      {"extract " + q + "crc.zip' " + q + "keep'", 1, "", "not extracted: GOOD.txt (CRC error)"},
      {"test " + q + "crc.zip'", 1, "0 entries tested good of 1", "CRC"},
      {"extract " + q + "bsd.zip' " + q + "x2'", 0, "", ""},
      {"test " + q + "bsd.zip'", 0, "1 entries tested good of 1", ""},
      {"extract " + q + "evil.zip' " + q + "x3'", 1, "", "not extracted: ../evil.txt (unsafe name"},
      {"list " + q + "more.zip'", 1, "1.txt\n2.txt\n3.txt\n", "[11049]"},
      {"test " + q + "more.zip'", 1, "3 entries tested good of 3", "[11049]"},
      {"list " + q + "empty.zip'", 1, "f.txt", "[11050]"},
      {"extract " + q + "sizes.zip' " + q + "x4'", 0, "", ""},
      {"test " + q + "damaged.zip'", 1, "0 entries tested good of 1", "not tested: d.txt (damaged entry)"},
      {"test " + q + "ppmd.zip'", 1, "0 entries tested good of 1",
       "p.txt (compression method 98, PPMd, not supported)"},
      {"extract " + q + "nul.zip' " + q + "x5'", 1, "", "(unsafe name"},
  };
  for (const Case& c : cases) {
    CliStreams run = RunOrnzipApart(c.arguments, scratch / "stderr.txt");
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.out << run.err;
    if (c.out.empty())
      EXPECT_EQ(run.out, "") << c.arguments;
    else
      EXPECT_NE(run.out.find(c.out), std::string::npos) << c.arguments << "\n" << run.out;
    if (c.err.empty())
      EXPECT_EQ(run.err, "") << c.arguments;
    else
      EXPECT_NE(run.err.find(c.err), std::string::npos) << c.arguments << "\n" << run.err;
  }
  EXPECT_EQ(ReadFile(scratch / "keep/GOOD.txt"), "GOOD");
  EXPECT_EQ(ReadFile(scratch / "x1/a.txt"), "alpha");
  EXPECT_EQ(ReadFile(scratch / "x2/f.txt"), "f");
  EXPECT_EQ(ReadFile(scratch / "x4/s.txt"), "sizes");
  EXPECT_EQ(ReadFile(scratch / "x5/ok.txt"), "ok");
}

// The OEM page of DOS names follows the language chosen in Params.ini, and
// before one is chosen the locale's, as the windows do. A name that reads as
// meant in the language's OEM page is read in it; one that does not is read
// in the page its letters show.
TEST(ZipEngineCli, NamesFollowTheLanguageOfParamsIniOrTheirLetters) {
  if (!RealLibraries() || !orn::FileExists(std::string(ORN_BIN_DIR) + "/RadEzaZuvev.ini"))
    GTEST_SKIP() << "ornzip or its language file not built";
  ScratchDir scratch;
  WriteFile(scratch / "either.zip", MakeZip({{"\xa0.txt", "a", 0}}));
  WriteFile(scratch / "cp866.zip", MakeZip({{"\x82\xae\xa4\xa0.txt", "water", 0}}));
  struct Case {
    const char* params;  // nullptr: no Params.ini
    const char* locale;
    const char* archive;
    const char* listed;
  } cases[] = {
      {nullptr, "lv_LV.UTF-8", "either.zip", "Ā.txt\n"},
      {nullptr, "ru_RU.UTF-8", "either.zip", "а.txt\n"},
      {nullptr, "C.UTF-8", "either.zip", "á.txt\n"},
      {"Language=1\r\n", "ru_RU.UTF-8", "either.zip", "Ā.txt\n"},
      {"Language=2\r\n", "C.UTF-8", "either.zip", "а.txt\n"},
      {"Language=3\r\n", "lv_LV.UTF-8", "either.zip", "á.txt\n"},
      {"Language=1\r\n", "C.UTF-8", "cp866.zip", "Вода.txt\n"},
      {"Language=2\r\n", "lv_LV.UTF-8", "cp866.zip", "Вода.txt\n"},
  };
  for (const Case& c : cases) {
    if (c.params)
      WriteFile(scratch / "Params.ini", c.params);
    else
      orn::DeleteFileAt(scratch / "Params.ini");
    CliRun run = RunOrnzip(std::string("list ") + c.archive, scratch.Path(), c.locale);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, c.listed) << (c.params ? c.params : "no Params.ini") << " " << c.locale << " " << c.archive;
  }
}

TEST(ZipEngineCli, AddTestExtract) {
  if (!RealLibraries() || !orn::FileExists(std::string(ORN_BIN_DIR) + "/ornzip"))
    GTEST_SKIP() << "ornzip or the compression libraries not built";
  ScratchDir scratch;
  WriteFile(scratch / "src/a.txt", "alpha");
  WriteFile(scratch / "src/d/b.txt", "beta");
  EXPECT_EQ(RunOrnzip("add -r -6 '" + scratch / "t.zip' '" + scratch / "src'").status, 0);
  CliRun test = RunOrnzip("test '" + scratch / "t.zip'");
  EXPECT_EQ(test.status, 0) << test.output;
  EXPECT_EQ(RunOrnzip("extract -j '" + scratch / "t.zip' '" + scratch / "out'").status, 0);
  EXPECT_EQ(ReadFile(scratch / "out/b.txt"), "beta");
  EXPECT_EQ(RunOrnzip("add '" + scratch / "t.zip' '" + scratch / "nothing-here*'").status, 1);
}

// AES from the command line: passwords from -P or from a file only its
// owner may read, archives the peers read, and a wrong password that writes
// nothing.
TEST(ZipEngineCli, AesWithPasswordsFromTheCommandLineOrAPrivateFile) {
  if (!RealLibraries() || !orn::FileExists(std::string(ORN_BIN_DIR) + "/ornzip"))
    GTEST_SKIP() << "ornzip or the compression libraries not built";
  ScratchDir scratch;
  WriteFile(scratch / "src/KONTI.DB", std::string(100000, 'k'));
  WriteFile(scratch / "open.pw", "Secret\n");
  WriteFile(scratch / "private.pw", "Secret\r\nsecond line\n");
  WriteFile(scratch / "empty.pw", "\n");
  ::chmod((scratch / "open.pw").c_str(), 0644);
  ::chmod((scratch / "private.pw").c_str(), 0600);
  ::chmod((scratch / "empty.pw").c_str(), 0600);
  const std::string q = "'" + scratch.Path() + "/";
  const std::string src = q + "src/KONTI.DB'";
  struct Case {
    std::string arguments;
    int status;
    std::string err;  // contained in standard error ("" : must be empty)
  } cases[] = {
      {"add --password-file " + q + "open.pw' " + q + "a.zip' " + src, 2, "chmod 600"},
      {"add --password-file " + q + "empty.pw' " + q + "a.zip' " + src, 2, "no password"},
      {"add --password-file " + q + "none.pw' " + q + "a.zip' " + src, 2, "cannot read the password file"},
      {"add --aes 256 " + q + "a.zip' " + src, 2, "--aes needs a password"},
      {"add --aes 100 -P x " + q + "a.zip' " + src, 2, "usage:"},
      {"add -P '" + std::string(81, 'p') + "' " + q + "a.zip' " + src, 2, "at most 80 characters"},
      {"add --password-file " + q + "private.pw' " + q + "a.zip' " + src, 0, ""},
      {"add --aes 128 -P Secret " + q + "b.zip' " + src, 0, ""},
      {"test -P Secret " + q + "a.zip'", 0, ""},
      {"list --password-file " + q + "private.pw' " + q + "a.zip'", 0, ""},
      {"extract -P Wrong " + q + "b.zip' " + q + "wrong'", 1, "Wrong password"},
      {"test " + q + "b.zip'", 1, "[10502]"},
      {"extract -j --password-file " + q + "private.pw' " + q + "b.zip' " + q + "right'", 0, ""},
  };
  for (const Case& c : cases) {
    CliStreams run = RunOrnzipApart(c.arguments, scratch / "stderr.txt");
    EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.out << run.err;
    if (c.err.empty())
      EXPECT_EQ(run.err, "") << c.arguments;
    else
      EXPECT_NE(run.err.find(c.err), std::string::npos) << c.arguments << "\n" << run.err;
  }
  EXPECT_FALSE(orn::FileExists(scratch / "wrong/KONTI.DB"));
  EXPECT_TRUE(ReadFile(scratch / "right/KONTI.DB") == std::string(100000, 'k'));
  if (HaveTool("7z")) {
    for (const char* zip : {"a.zip", "b.zip"}) {
      const std::string command = "7z t -pSecret '" + scratch / zip + "' >/dev/null 2>&1";
      EXPECT_EQ(std::system(command.c_str()), 0) << zip;
    }
  }
}

}  // namespace
