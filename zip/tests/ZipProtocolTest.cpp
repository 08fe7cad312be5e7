// The host side of the call protocol against fake libraries: which block
// each library version receives and what its fields say, and how the
// callback answers every action code.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "OrnZipLib.h"
#include "ZipBlocks.h"
#include "ZipMessages.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

std::function<int32_t(void*, int)> g_action;
int32_t Hook(void* block, int isZip) { return g_action ? g_action(block, isZip) : 0; }

std::string Str(const char* s) { return s ? s : "<null>"; }

class ZipProtocol : public ::testing::Test {
 protected:
  void Use(const std::string& fake) {
    zip.SetQuestions(&dialogs);
    zip.SetUnattended(true);
    zip.SetLibDirectory(FakeDir(fake));
    ASSERT_TRUE(zip.LoadZipLib()) << zip.LastMessage();
    ASSERT_TRUE(zip.LoadUnzLib()) << zip.LastMessage();
    ASSERT_TRUE(SetFakeHook(FakeDir(fake) + "/libornzip.so", &Hook));
    ASSERT_TRUE(SetFakeHook(FakeDir(fake) + "/libornunz.so", &Hook));
    log.Attach(zip);
  }
  void TearDown() override {
    g_action = nullptr;
    zip.UnloadZipLib();
    zip.UnloadUnzLib();
  }
  // Runs an Add whose library answers `result` after `action` saw the block.
  void AddWith(std::function<void(void*)> action, int32_t result = 1) {
    g_action = [action, result](void* block, int isZip) {
      EXPECT_EQ(isZip, 1);
      action(block);
      return result;
    };
    zip.SetZipFileName(scratch / "out.zip");
    zip.Add();
  }
  void ExtractWith(std::function<void(void*)> action, int32_t result = 1) {
    WriteFile(scratch / "in.zip", MakeZip({{"a.txt", "a"}, {"b.txt", "b"}}));
    zip.SetZipFileName(scratch / "in.zip");
    g_action = [action, result](void* block, int isZip) {
      EXPECT_EQ(isZip, 0);
      action(block);
      return result;
    };
    zip.Extract();
  }

  ScratchDir scratch;
  ScriptedDialogs dialogs;
  TZipEngine zip;
  MessageLog log;
};

TEST_F(ZipProtocol, Version160GetsTheWholeZipBlock) {
  Use("fake160");
  zip.SetAddOptions({AddDirNames, AddRecurseDirs, AddFreshen, AddUpdate, AddArchiveOnly, AddResetArchive, AddEncrypt,
                     AddSeparateDirs});
  zip.SetAddStoreSuffixes({assGIF, assPNG, assZ, assZIP, assZOO, assARC, assLZH, assARJ, assTAZ, assTGZ, assLHA});
  zip.SetPassword(std::string(100, 'p'));
  zip.SetTrace(true);
  zip.SetTempDir(scratch.Path());
  zip.SetRootDir(scratch.Path());
  zip.SetAddCompLevel(6);
  zip.FSpecArgs = {"plain.txt", ">deep\\*.*", "|flat/*.db", "secret.txt<pw", "open.txt<"};
  zip.FSpecArgsExcl = {"*.tmp", "*.bak"};
  OrnZipParams b{};
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> excluded;
  AddWith([&](void* block) {
    b = *static_cast<OrnZipParams*>(block);
    for (int i = 0; i < b.Argc; ++i) {
      const OrnZipFileData& fd = b.FDs[i];
      records.push_back({Str(fd.fFileSpec), Str(fd.fPassword), std::to_string(fd.fEncrypt), std::to_string(fd.fRecurse),
                         Str(fd.fRootDir)});
    }
    for (int i = 0; i < b.TotExFileSpecs; ++i) excluded.push_back(b.ExFiles[i]);
    EXPECT_STREQ(b.pSuffix, ".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha");
    EXPECT_EQ(std::strlen(b.pZipPassword), 81u);
    EXPECT_STREQ(b.pTempDir, scratch.Path().c_str());
  });
  EXPECT_EQ(b.Handle, nullptr);
  EXPECT_EQ(b.Caller, &zip);
  EXPECT_EQ(b.Version, 160);
  EXPECT_NE(b.ZCallbackFunc, nullptr);
  EXPECT_EQ(b.fTraceEnabled, -1);
  EXPECT_EQ(b.fVerbose, -1);
  EXPECT_EQ(b.fEncrypt, -1);
  EXPECT_EQ(b.fNoDirEntries, 0);
  EXPECT_EQ(b.fJunkDir, 0);
  EXPECT_EQ(b.fRecurse, -1);
  EXPECT_EQ(b.fQuiet, -1);
  EXPECT_EQ(b.fGrow, -1);
  EXPECT_EQ(b.fLevel, 6);
  EXPECT_EQ(b.fUpdate, -1);
  EXPECT_EQ(b.fFreshen, 0);
  EXPECT_EQ(b.fArchiveFilesOnly, 1);
  EXPECT_EQ(b.fResetArchiveBit, 1);
  EXPECT_EQ(b.fSeven, 7);
  EXPECT_EQ(b.Argc, 5);
  const std::string root = scratch.Path() + "/";
  const std::string pw(81, 'p');
  std::vector<std::vector<std::string>> expected = {
      {"plain.txt", pw, "-1", "-1", root},     {"deep\\*.*", pw, "-1", "-1", root},
      {"flat/*.db", pw, "-1", "0", root},      {"secret.txt", "pw", "65535", "-1", root},
      {"open.txt", "<null>", "0", "-1", root},
  };
  EXPECT_EQ(records, expected);
  EXPECT_EQ(excluded, (std::vector<std::string>{"*.tmp", "*.bak"}));
  EXPECT_TRUE(zip.FSpecArgs.empty());
  EXPECT_TRUE(zip.FSpecArgsExcl.empty());
  EXPECT_EQ(zip.SuccessCount(), 1);
}

TEST_F(ZipProtocol, Version151LeavesOutArchiveBitsAndExclusions) {
  Use("fake151");
  zip.SetAddOptions({AddArchiveOnly, AddResetArchive, AddFreshen});
  zip.SetTempDir(scratch.Path());
  zip.FSpecArgs = {"a.txt"};
  zip.FSpecArgsExcl = {"*.tmp"};
  OrnZipParams b{};
  AddWith([&](void* block) { b = *static_cast<OrnZipParams*>(block); });
  EXPECT_EQ(b.Version, 160);
  EXPECT_NE(b.pTempDir, nullptr);
  EXPECT_EQ(b.fArchiveFilesOnly, 0);
  EXPECT_EQ(b.fResetArchiveBit, 0);
  EXPECT_EQ(b.TotExFileSpecs, 0);
  EXPECT_EQ(b.ExFiles, nullptr);
  EXPECT_EQ(b.fFreshen, -1);
  EXPECT_EQ(b.fJunkDir, -1);
  EXPECT_EQ(b.fNoDirEntries, -1);
  EXPECT_EQ(b.fRecurse, 0);
  EXPECT_EQ(b.fSeven, 7);
}

TEST_F(ZipProtocol, Version150GetsTheLongBlockWithPlainLines) {
  Use("fake150");
  zip.SetTempDir(scratch.Path());
  zip.FSpecArgs = {">deep\\*.*", "secret.txt<pw"};
  std::vector<std::string> lines;
  int32_t argc = 0, seven = 0;
  std::string archive;
  AddWith([&](void* block) {
    auto* b = static_cast<orn::OrnZipParamsLong*>(block);
    argc = b->Argc;
    seven = b->fSeven;
    archive = b->pZipFN;
    for (int i = 0; i < b->Argc; ++i) lines.push_back(b->FNV[i]);
    EXPECT_EQ(b->FNV[b->Argc], nullptr);
  });
  EXPECT_EQ(argc, 2);
  EXPECT_EQ(seven, 7);
  EXPECT_EQ(archive, scratch / "out.zip");
  EXPECT_EQ(lines, (std::vector<std::string>{">deep\\*.*", "secret.txt<pw"}));
}

TEST_F(ZipProtocol, UnzipBlocksByVersion) {
  for (const char* fake : {"fake160", "fake150"}) {
    SCOPED_TRACE(fake);
    Use(fake);
    zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate});
    zip.SetExtrBaseDir(scratch.Path());
    zip.SetPasswordReqCount(20);
    EXPECT_EQ(zip.PasswordReqCount(), 15u);
    zip.FSpecArgs = {"a.txt"};
    std::vector<int32_t> flags;
    std::vector<std::string> fileSpecs;
    uint32_t reqCount = 99;
    ExtractWith([&](void* block) {
      if (std::string(fake) == "fake160") {
        auto* b = static_cast<OrnUnzipParams*>(block);
        flags = {b->fDirectories, b->fOverwrite, b->fUpdate, b->fFreshen, b->fQuiet, b->fSeven, b->Argc};
        for (int i = 0; i < b->Argc; ++i) fileSpecs.push_back(b->FDs[i].fFileSpec);
        reqCount = b->fPWReqCount;
        EXPECT_STREQ(b->ExtrBaseDir, scratch.Path().c_str());
      } else {
        auto* b = static_cast<orn::OrnUnzipParamsLong*>(block);
        flags = {b->fDirectories, b->fOverwrite, b->fUpdate, b->fFreshen, b->fQuiet, b->fSeven, b->Argc};
        for (int i = 0; i < b->Argc; ++i) fileSpecs.push_back(b->FNV[i]);
      }
    });
    EXPECT_EQ(flags, (std::vector<int32_t>{-1, -1, -1, 0, -1, 7, 1}));
    EXPECT_EQ(fileSpecs, std::vector<std::string>{"a.txt"});
    if (std::string(fake) == "fake160") {
      EXPECT_EQ(reqCount, 15u);
    }
    EXPECT_TRUE(zip.FSpecArgs.empty());
    TearDown();
  }
}

// Calls the engine's callback from inside a job, as a library does.
struct Call {
  int32_t action;
  int32_t error;
  int64_t size;
  std::string text;
  int32_t result = 0;
  OrnCallbackStruct rec{};
};
void CallBack(void* block, std::vector<Call>& calls) {
  auto* b = static_cast<OrnZipParams*>(block);
  for (Call& c : calls) {
    std::memset(&c.rec, 0, sizeof c.rec);
    c.rec.Caller = b->Caller;
    c.rec.ActionCode = c.action;
    c.rec.ErrorCode = c.error;
    c.rec.FileSize = c.size;
    std::strncpy(c.rec.FileNameOrMsg, c.text.c_str(), sizeof c.rec.FileNameOrMsg - 1);
    c.result = b->ZCallbackFunc(&c.rec);
  }
}

TEST_F(ZipProtocol, CallbackCodesBecomeEventsAndAnswers) {
  Use("fake160");
  std::vector<std::string> progress;
  zip.OnProgress = [&](TZipEngine&, ProgressType type, const std::string& name, std::int64_t size) {
    progress.push_back(std::to_string(type) + ":" + name + ":" + std::to_string(size));
  };
  zip.OnExtractOverwrite = [](TZipEngine&, const std::string&, bool isOlder, bool& doOverwrite) {
    doOverwrite = isOlder;
  };
  std::vector<std::string> skipped;
  zip.OnExtractSkipped = [&](TZipEngine&, const std::string& f, UnZipSkipTypes t, int e) {
    skipped.push_back(f + ":" + std::to_string(t) + ":" + std::to_string(e));
  };
  zip.OnSetNewName = [](TZipEngine&, std::string& name, bool& changed) {
    name = "renamed.txt";
    changed = true;
  };
  zip.FSpecArgs = {"x"};
  std::vector<Call> calls = {
      {ORN_CB_ITEM_COUNT, 0, 2, ""},     {ORN_CB_TOTAL_SIZE, 0, 300, ""},    {ORN_CB_ITEM_START, 0, 100, "dir/a.txt  "},
      {ORN_CB_BYTES_DONE, 0, 100, ""},   {ORN_CB_BATCH_END, 0, 0, ""},       {ORN_CB_MESSAGE, 0x0113, 0, "bad thing"},
      {ORN_CB_CRC_ERROR, 1, 2, "c.txt"}, {ORN_CB_OVERWRITE, 1, 0, "d.txt"},  {ORN_CB_OVERWRITE, 0, 1, "e.txt"},
      {ORN_CB_SKIPPED, 20, 3, "f.txt"},  {ORN_CB_NEW_NAME, 0, 0, "old.txt"}, {ORN_CB_FILE_COMMENT, 0, 0, "g.txt"},
  };
  AddWith([&](void* block) { CallBack(block, calls); });
  EXPECT_EQ(progress, (std::vector<std::string>{"3::2", "4::300", "0:dir/a.txt:100", "1::100", "2::0"}));
  EXPECT_EQ(calls[6].rec.ErrorCode, 0);  // CRC error without a handler: the bad data is not kept
  EXPECT_EQ(calls[7].rec.FileSize, 1);   // older: overwrite
  EXPECT_EQ(calls[8].rec.FileSize, 0);
  EXPECT_EQ(skipped, std::vector<std::string>{"f.txt:3:20"});
  EXPECT_STREQ(calls[10].rec.FileNameOrMsg, "renamed.txt");
  EXPECT_EQ(calls[10].rec.ErrorCode, 1);
  EXPECT_EQ(calls[11].rec.ErrorCode, 0);  // no handler: comment untouched
  EXPECT_EQ(log.idents, std::vector<int>{0x0113});
  EXPECT_EQ(zip.LastErrCode(), 20);  // low byte of the skip's code, the last one reported
  for (const Call& c : calls) EXPECT_EQ(c.result, 0);
}

TEST_F(ZipProtocol, CrcHandlerAndCancelAnswer) {
  Use("fake160");
  zip.OnCRC32Error = [](TZipEngine& z, const std::string&, unsigned found, unsigned expected, bool& doExtract) {
    doExtract = found == expected;
    z.SetCancel(true);
  };
  zip.FSpecArgs = {"x"};
  std::vector<Call> calls = {{ORN_CB_CRC_ERROR, 5, 6, "c.txt"}, {ORN_CB_ITEM_START, 0, 1, "next"}};
  AddWith([&](void* block) { CallBack(block, calls); }, 0);
  EXPECT_EQ(calls[0].rec.ErrorCode, 0);
  EXPECT_EQ(calls[0].result, -1);
  EXPECT_EQ(calls[1].result, -1);
  EXPECT_FALSE(zip.Cancel());  // cleared when the job ends
}

TEST_F(ZipProtocol, PasswordRequests) {
  struct Case {
    const char* what;
    bool unattended;
    bool handler;
    int32_t addWanted;
    std::vector<std::optional<std::string>> typed;
    std::string answer;
    int32_t flag;
    int64_t repeat;
    int ident;  // reported, 0 when none
  } cases[] = {
      {"handler asks 20 times", true, true, 0, {}, "fromhandler", 1, 15, 0},
      {"unattended extract", true, false, 0, {}, "", 0, 0, 10151},
      {"unattended add", true, false, 1, {}, "", 0, 0, 10150},
      {"dialog extract", false, false, 0, {"secret"}, "secret", 1, 3, 0},
      {"dialog cancelled", false, false, 0, {std::nullopt}, "", 0, 0, 0},
      {"add, both alike", false, false, 1, {"same", "same"}, "same", 1, 3, 0},
      {"add, answers differ", false, false, 1, {"one", "two"}, "", 0, 0, 10104},
  };
  Use("fake160");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    log.idents.clear();
    zip.SetUnattended(c.unattended);
    zip.OnPasswordError = nullptr;
    if (c.handler)
      zip.OnPasswordError = [](TZipEngine&, std::string& pw, const std::string&, unsigned& repeat) {
        pw = "fromhandler";
        repeat = 20;
      };
    dialogs->passwords.assign(c.typed.begin(), c.typed.end());
    zip.FSpecArgs = {"x"};
    std::vector<Call> calls = {{ORN_CB_PASSWORD, c.addWanted, 3, "p.txt"}};
    AddWith([&](void* block) { CallBack(block, calls); });
    EXPECT_STREQ(calls[0].rec.FileNameOrMsg, c.answer.empty() ? "p.txt" : c.answer.c_str());
    EXPECT_EQ(calls[0].rec.ErrorCode, c.flag);
    EXPECT_EQ(calls[0].rec.FileSize, c.repeat);
    EXPECT_EQ(c.ident != 0, log.Has(c.ident));
  }
}

TEST_F(ZipProtocol, HandlerExceptionStopsTheJobAndIsReported) {
  Use("fake160");
  zip.OnProgress = [](TZipEngine&, ProgressType, const std::string&, std::int64_t) {
    throw std::runtime_error("handler failed");
  };
  zip.FSpecArgs = {"x"};
  std::vector<Call> calls = {{ORN_CB_ITEM_START, 0, 1, "a"}, {ORN_CB_ITEM_START, 0, 1, "b"}};
  AddWith([&](void* block) { CallBack(block, calls); }, 1);
  EXPECT_EQ(calls[0].result, -1);
  EXPECT_EQ(calls[1].result, -1);
  EXPECT_EQ(zip.SuccessCount(), 0);
  EXPECT_EQ(zip.LastErrCode(), 10101);
}

// The choice reaches the library once, as places in the directory the
// engine read (handed over with it); entries whose names are unsafe are
// reported and left out. Links on disk and in the archive are the library's
// to refuse where it opens folders (its own tests).
TEST_F(ZipProtocol, TheChoiceReachesTheLibraryAsIndexesWithoutUnsafeNames) {
  Use("fake160");
  WriteFile(scratch / "in.zip", MakeZip({
                                    {"ok.txt", "fine"},
                                    {"../evil.txt", "x"},
                                    {"/abs.txt", "x"},
                                    {"C:/drive.txt", "x"},
                                    {"a/../../up.txt", "x"},
                                    {std::string("nul\0.txt", 8), "x"},
                                    {"sub/ok2.txt", "fine"},
                                }));
  zip.SetZipFileName(scratch / "in.zip");
  zip.SetExtrBaseDir(scratch.Path());
  zip.SetExtrOptions({ExtrDirNames});
  std::vector<std::string> skipped;
  zip.OnExtractSkipped = [&](TZipEngine&, const std::string& f, UnZipSkipTypes t, int) {
    EXPECT_EQ(t, stUnsafePath);
    skipped.push_back(f);
  };
  std::vector<std::string> fileSpecs;
  std::vector<std::uint32_t> entries;
  const void* directory = nullptr;
  g_action = [&](void* block, int) {
    auto* b = static_cast<OrnUnzipParams*>(block);
    fileSpecs.clear();
    for (int i = 0; i < b->Argc; ++i) fileSpecs.push_back(b->FDs[i].fFileSpec);
    entries.assign(b->Entries, b->Entries + b->EntryCount);
    directory = b->HostDirectory;
    EXPECT_EQ(b->HostDirectoryLayout, orn::RecordLayout());
    return b->EntryCount;
  };
  zip.Extract();
  EXPECT_EQ(entries, (std::vector<std::uint32_t>{0, 6}));
  EXPECT_NE(directory, nullptr);
  EXPECT_EQ(fileSpecs, (std::vector<std::string>{"ok.txt", "sub/ok2.txt"}));
  EXPECT_EQ(skipped, (std::vector<std::string>{"../evil.txt", "/abs.txt", "C:/drive.txt", "a/../../up.txt",
                                               std::string("nul\0.txt", 8)}));
  ASSERT_TRUE(log.Has(orn::kZipUnsafeEntry));
  EXPECT_NE(log.texts.back().find("zero byte"), std::string::npos) << log.texts.back();

  // Lines that choose safe entries go through as given, resolved to the
  // same places: a wildcard, a name with "\", letter case ignored.
  zip.FSpecArgs = {"SUB\\ok2.txt", "o*.txt"};
  zip.Extract();
  EXPECT_EQ(entries, (std::vector<std::uint32_t>{0, 6}));
  EXPECT_EQ(fileSpecs, (std::vector<std::string>{"SUB\\ok2.txt", "o*.txt"}));
  // A line that chooses nothing is told.
  zip.FSpecArgs = {"ok.txt", "missing.txt"};
  zip.Extract();
  EXPECT_TRUE(log.Has(orn::kZipNoMatch));
  EXPECT_EQ(entries, (std::vector<std::uint32_t>{0}));
}

TEST_F(ZipProtocol, MissingExportIsReported) {
  zip.SetUnattended(true);
  log.Attach(zip);
  zip.SetLibDirectory(FakeDir("fakenoexec"));
  EXPECT_FALSE(zip.LoadZipLib());
  EXPECT_EQ(zip.LastErrCode(), 10602);
  EXPECT_FALSE(zip.LoadUnzLib());
  EXPECT_EQ(zip.LastErrCode(), 10702);
  EXPECT_EQ(zip.ZipLibVersion(), 0);
}

TEST_F(ZipProtocol, VersionQuestionLoadsAndFreesAgain) {
  zip.SetUnattended(true);
  zip.SetLibDirectory(FakeDir("fake151") + "\\");
  EXPECT_EQ(zip.LibDirectory(), FakeDir("fake151"));
  EXPECT_EQ(zip.ZipLibVersion(), 151);
  EXPECT_EQ(zip.UnzLibVersion(), 151);
  // Freed again: another folder's library answers now.
  zip.SetLibDirectory(FakeDir("fake150"));
  EXPECT_EQ(zip.ZipLibVersion(), 150);
}

}  // namespace
