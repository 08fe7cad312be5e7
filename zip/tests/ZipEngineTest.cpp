// The component's properties, its reporting and the checks it makes before
// a library is ever called.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "FileSystem.h"
#include "OrnZipLib.h"
#include "ZipMessages.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

TEST(ZipEngineProperties, DefaultsAtCreation) {
  TZipEngine zip;
  EXPECT_EQ(zip.AddCompLevel(), 9);
  EXPECT_EQ(zip.PasswordReqCount(), 1u);
  EXPECT_EQ(zip.SFXPath(), "OrnSFX.bin");
  EXPECT_EQ(zip.SFXCaption(), "Self-extracting Archive");
  EXPECT_EQ(zip.SFXOptions(), SFXOpts{SFXCheckSize});
  EXPECT_EQ(zip.SFXOverWriteMode(), OvrConfirm);
  EXPECT_EQ(zip.MinFreeVolumeSize(), 65536);
  EXPECT_EQ(zip.MaxVolumeSize(), 0);
  EXPECT_TRUE(zip.ConfirmErase());
  EXPECT_EQ(zip.CodePage(), cpAuto);
  EXPECT_EQ(zip.HowToDelete(), htdAllowUndo);
  EXPECT_FALSE(zip.UseDirOnlyEntries());
  EXPECT_EQ(zip.VersionInfo(), "1.60");
  EXPECT_EQ(zip.SuccessCount(), 0);
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_FALSE(zip.Unattended());
}

TEST(ZipEngineProperties, AssignmentRules) {
  TZipEngine zip;
  zip.SetPasswordReqCount(20);
  EXPECT_EQ(zip.PasswordReqCount(), 15u);
  zip.SetVersionInfo("9.99");
  EXPECT_EQ(zip.VersionInfo(), "1.60");
  zip.SetPassword(std::string(300, 'x'));
  EXPECT_EQ(zip.Password().size(), 255u);
  struct {
    const char* given;
    const char* stored;
  } libDirs[] = {{"/opt/orn\\", "/opt/orn"},
                 {"/opt/orn\\\\", "/opt/orn\\"},
                 {"/opt/orn/", "/opt/orn"},
                 {"/opt/orn", "/opt/orn"},
                 {"", ""}};
  for (const auto& c : libDirs) {
    zip.SetLibDirectory(c.given);
    EXPECT_EQ(zip.LibDirectory(), c.stored) << c.given;
  }
  zip.SetRootDir("/data");
  EXPECT_EQ(zip.RootDir(), "/data/");
  zip.SetAddOptions({AddFreshen, AddUpdate});
  EXPECT_TRUE(zip.AddOptions().Has(AddUpdate));
}

TEST(ZipEngineList, MissingArchiveListsNothing) {
  ScratchDir scratch;
  TZipEngine zip;
  int updates = 0;
  zip.OnDirUpdate = [&](TZipEngine&) { ++updates; };
  zip.SetZipFileName(scratch / "absent.zip");
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_EQ(zip.ZipFileName(), scratch / "absent.zip");
  EXPECT_EQ(updates, 1);
}

TEST(ZipEngineList, NewNameFollowsEachKeptRecord) {
  ScratchDir scratch;
  WriteFile(scratch / "a.zip", MakeZip({{"d/", ""}, {"d/one", "1"}, {"two", "2"}}));
  TZipEngine zip;
  std::vector<int> seq;
  zip.OnNewName = [&](TZipEngine&, int n, const ZipDirEntry&) { seq.push_back(n); };
  zip.SetZipFileName(scratch / "a.zip");
  EXPECT_EQ(seq, (std::vector<int>{2, 3}));
  EXPECT_EQ(zip.DirOnlyCount(), 1);
}

TEST(ZipEngineReport, UnattendedShowsNothingButStillReports) {
  ScratchDir scratch;
  WriteFile(scratch / "bad.zip", "not an archive at all");
  for (bool unattended : {true, false}) {
    ScriptedDialogs dialogs;
    TZipEngine zip;
    zip.SetQuestions(&dialogs);
    MessageLog log;
    log.Attach(zip);
    zip.SetUnattended(unattended);
    zip.SetZipFileName(scratch / "bad.zip");  // 11036
    zip.Add();                                // 10301
    zip.FSpecArgs = {"x"};
    zip.Add();      // 10102: listing failed, name emptied
    zip.Extract();  // 10102
    EXPECT_EQ(log.idents, (std::vector<int>{11036, 10301, 10102, 10102}));
    EXPECT_EQ(dialogs->asked.size(), unattended ? 0u : 4u);
    EXPECT_TRUE(zip.FSpecArgs.empty());
  }
}

TEST(ZipEngineReport, TextsAndTheMissingTextForm) {
  EXPECT_EQ(orn::ZipMessageText(11033), "Please insert last disk in set");
  EXPECT_EQ(orn::ZipMessageText(10105), "Copying: ");
  EXPECT_EQ(orn::ZipMessageText(99999),
            "Message resource is probably not linked to the executable\nMissing String ID is: 99999");
  EXPECT_EQ(EZipEngine(11046, 3LL).what(), std::string("Please insert disk volume 3"));
  EXPECT_EQ(EZipEngine(11039, std::string("A.ZIP")).what(), std::string("Overwrite previous file A.ZIP"));
  EXPECT_EQ(EZipEngine(11038, 2LL).Ident(), 11038);
  EXPECT_FALSE(EZipEngine(11007, "x", false).Display());
  for (int id = 10101; id <= 11047; ++id)
    if (orn::HasZipMessageText(id)) {
      EXPECT_FALSE(orn::ZipMessageText(id).empty()) << id;
    }
}

// The decompression library speaks English; the engine says its texts
// again in the program's language, with the names and reasons in place.
TEST(ZipEngineReport, LibraryTextsAreSaidInTheProgramsLanguage) {
  static const std::map<int, std::string> latvian = {
      {orn::kUnzWrongPasswordSkipped, "Nepareiza parole, netika izvilkts: %1"},
      {orn::kUnzUnsafeName, "Nedrošs nosaukums (%1), netika izvilkts: %2"},
      {orn::kUnzCannotOpen, "Nevar atvērt %1: %2"},
      {orn::kZipSkipDamaged, "bojāts ieraksts"},
  };
  struct Row {
    std::string sent;  // as the library sends it
    std::string said;  // as the windows and the log show it
  } rows[] = {
      {orn::LibraryMessage(orn::kUnzWrongPasswordSkipped, {"dir/a (1).txt"}),
       "Nepareiza parole, netika izvilkts: dir/a (1).txt"},
      {orn::LibraryMessage(orn::kUnzUnsafeName, {"leads outside", "../x: y"}),
       "Nedrošs nosaukums (leads outside), netika izvilkts: ../x: y"},
      {orn::LibraryMessage(orn::kUnzCannotOpen, {"/a/b.zip", "Permission denied"}),
       "Nevar atvērt /a/b.zip: Permission denied"},
      {"Damaged data: a.txt", "Damaged data: a.txt"},  // no translation: English stands
      {"Something else entirely", "Something else entirely"},
  };
  EXPECT_EQ(rows[0].sent, "Wrong password, not extracted: dir/a (1).txt");
  orn::SetZipMessageTexts([](int ident) {
    auto it = latvian.find(ident);
    return it == latvian.end() ? std::string() : it->second;
  });
  for (const Row& row : rows) EXPECT_EQ(orn::TranslateLibraryMessage(row.sent), row.said) << row.sent;
  EXPECT_EQ(orn::ZipMessageText(orn::kZipSkipDamaged), "bojāts ieraksts");
  orn::SetZipMessageTexts(nullptr);
  EXPECT_EQ(orn::TranslateLibraryMessage(rows[0].sent), rows[0].sent);
}

TEST(ZipEngineAdd, RefusalsBeforeAnyLibrary) {
  ScratchDir scratch;
  struct Case {
    const char* what;
    AddOpts options;
    std::string archive;
    std::string password;
    int ident;
  } cases[] = {
      {"encrypt without password", {AddEncrypt}, "a.zip", "", 10302},
      {"span with update", {AddDiskSpan, AddUpdate}, "a.zip", "", 10303},
      {"span with freshen", {AddDiskSpanErase, AddFreshen}, "a.zip", "", 10303},
      {"span to exe", {AddDiskSpan}, "a.EXE", "", 11041},
  };
  for (const Case& c : cases) {
    TZipEngine zip;
    zip.SetUnattended(true);
    zip.SetLibDirectory(scratch.Path());  // nothing there: a library call would report 10604
    zip.SetAddOptions(c.options);
    zip.SetPassword(c.password);
    zip.SetZipFileName(scratch / c.archive);
    zip.FSpecArgs = {"x"};
    zip.Add();
    EXPECT_EQ(zip.LastErrCode(), c.ident) << c.what;
    EXPECT_TRUE(zip.FSpecArgs.empty()) << c.what;
    EXPECT_EQ(zip.SuccessCount(), 0);
  }
}

TEST(ZipEngineAdd, MissingLibraryReports10604) {
  ScratchDir scratch;
  WriteFile(scratch / "f.txt", "data");
  TZipEngine zip;
  zip.SetUnattended(true);
  zip.SetLibDirectory(scratch.Path());
  zip.SetZipFileName(scratch / "a.zip");
  zip.FSpecArgs = {scratch / "f.txt"};
  zip.Add();
  EXPECT_EQ(zip.LastErrCode(), 10604);
  EXPECT_EQ(zip.SuccessCount(), 0);
  EXPECT_TRUE(zip.FSpecArgs.empty());
  EXPECT_FALSE(zip.LoadUnzLib());
  EXPECT_EQ(zip.LastErrCode(), 10704);
  EXPECT_EQ(zip.UnzLibVersion(), 0);
}

// Zip64 records take any size, so a large file reaches the library like
// any other instead of being refused beforehand.
int32_t CountZipJobs(void*, int isZip) {
  static int jobs = 0;
  return isZip ? ++jobs : 0;
}

TEST(ZipEngineAdd, FileOf4GiBIsHandedToTheLibrary) {
  ScratchDir scratch;
  const std::string big = scratch / "big.db";
  int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  if (::ftruncate(fd, 0x100000000LL) != 0) {
    ::close(fd);
    GTEST_SKIP() << "no sparse 4 GiB file here";
  }
  ::close(fd);
  TZipEngine zip;
  zip.SetUnattended(true);
  zip.SetLibDirectory(FakeDir("fake160"));
  ASSERT_TRUE(zip.LoadZipLib());
  ASSERT_TRUE(SetFakeHook(FakeDir("fake160") + "/libornzip.so", &CountZipJobs));
  zip.SetZipFileName(scratch / "a.zip");
  zip.FSpecArgs = {scratch / "*.db"};
  zip.Add();
  EXPECT_NE(zip.LastErrCode(), orn::kZipTooLarge);
  EXPECT_GT(zip.SuccessCount(), 0);
  EXPECT_TRUE(SetFakeHook(FakeDir("fake160") + "/libornzip.so", nullptr));
  zip.UnloadZipLib();
}

// The two additions of the add block: links stored as links, and the
// tightest level; both off unless asked for.
OrnZipParams g_lastZipBlock;
int32_t KeepZipBlock(void* block, int isZip) {
  if (isZip) g_lastZipBlock = *static_cast<OrnZipParams*>(block);
  return 0;
}

TEST(ZipEngineAdd, StoreLinksAndBestReachTheBlock) {
  ScratchDir scratch;
  WriteFile(scratch / "f.txt", "data");
  struct Case {
    bool links, best;
    int32_t fStoreLinks, fBest;
  } cases[] = {{false, false, 0, 0}, {true, false, -1, 0}, {false, true, 0, -1}, {true, true, -1, -1}};
  TZipEngine zip;
  zip.SetUnattended(true);
  zip.SetLibDirectory(FakeDir("fake160"));
  ASSERT_TRUE(zip.LoadZipLib());
  ASSERT_TRUE(SetFakeHook(FakeDir("fake160") + "/libornzip.so", &KeepZipBlock));
  for (const Case& c : cases) {
    g_lastZipBlock = OrnZipParams{};
    g_lastZipBlock.fStoreLinks = g_lastZipBlock.fBest = 99;
    zip.SetAddStoreLinks(c.links);
    zip.SetAddBest(c.best);
    zip.SetZipFileName(scratch / "a.zip");
    zip.FSpecArgs = {scratch / "f.txt"};
    zip.Add();
    EXPECT_EQ(g_lastZipBlock.fStoreLinks, c.fStoreLinks) << c.links << c.best;
    EXPECT_EQ(g_lastZipBlock.fBest, c.fBest) << c.links << c.best;
    EXPECT_EQ(g_lastZipBlock.fLevel, 9);
  }
  EXPECT_TRUE(SetFakeHook(FakeDir("fake160") + "/libornzip.so", nullptr));
  zip.UnloadZipLib();
}

}  // namespace
