// Extracting: archives written by the peer tools, unsafe names, overwrite
// questions, freshen, and damaged data.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "ZipLibHarness.h"

namespace ziplibtest {
namespace {

class ZipLibExtract : public ZipLibTest {
 protected:
  void MakeSource() {
    Write("src/top.txt", "top level\n");
    std::string table;
    for (int i = 0; i < 20000; ++i) table += "record " + std::to_string(i) + " Kase;Banka\n";
    Write("src/DATI/KONTI.DB", table);
    Write("src/DATI/empty.dat", "");
    Write("src/DATI/sub/deep.csv", "a;b;c\n1;2;3\n");
  }
  // Compares the tree under `dest` with src/ by content.
  void ExpectSameTree(const std::string& dest, const std::string& what) {
    std::string out;
    EXPECT_EQ(Run("diff -r " + Quote(Path("src")) + " " + Quote(dest), &out), 0) << what << "\n" << out;
  }
};

TEST_F(ZipLibExtract, ArchivesOfPeerToolsExtractCorrectly) {
  MakeSource();
  struct Case {
    const char* tool;
    const char* name;
    std::string command;  // run inside src/, writes ../NAME
  } cases[] = {
      {"zip", "zip-deflated", "zip -qr ../zip-deflated.zip ."},
      {"zip", "zip-stored", "zip -qr0 ../zip-stored.zip ."},
      {"zip", "zip-streamed", "zip -qr - . > ../zip-streamed.zip"},  // data descriptors
      {"zip", "zip-comment", "zip -qr ../zip-comment.zip . && echo 'archive comment' | zip -qz ../zip-comment.zip"},
      {"zip", "zip-prefix", "zip -qr ../p.zip . && (printf 'STUB%.0s' $(seq 1 100); cat ../p.zip) > ../zip-prefix.zip"},
      {"7z", "7z", "7z a -tzip -mx=5 ../7z.zip . >/dev/null"},
      {"python3", "python",
       "python3 -c \"import zipfile,os\nwith zipfile.ZipFile('../python.zip','w',zipfile.ZIP_DEFLATED) as z:\n"
       " for d,_,fs in os.walk('.'):\n  for f in fs: z.write(os.path.join(d,f))\""},
  };
  int ran = 0;
  for (const auto& c : cases) {
    if (!HaveTool(c.tool)) continue;
    std::string out;
    ASSERT_EQ(Run("cd " + Quote(Path("src")) + " && " + c.command, &out), 0) << c.name << ": " << out;
    std::string dest = Path(std::string("out-") + c.name);
    Recorder rec;
    EXPECT_EQ(Extract(Path(std::string(c.name) + ".zip"), dest, ExtractOptions{}, rec), 4) << c.name;
    for (const auto& r : rec.Of(ORN_CB_MESSAGE)) ADD_FAILURE() << c.name << ": " << r.text;
    for (auto id : rec.threads) EXPECT_EQ(id, std::this_thread::get_id()) << "callback off the calling thread";
    ExpectSameTree(dest, c.name);
    Recorder test;
    ExtractOptions t;
    t.test = true;
    EXPECT_EQ(Extract(Path(std::string(c.name) + ".zip"), Path("never"), t, test), 4) << c.name;
    EXPECT_FALSE(Exists(Path("never/top.txt")));
    ++ran;
  }
  if (ran == 0) GTEST_SKIP() << "no peer zip tool";
}

TEST_F(ZipLibExtract, UnsafeNamesAreSkippedAndReportedTheRestExtracted) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
  ASSERT_EQ(Python("import sys,zipfile\n"
                   "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                   "  for n in ['../evil.txt', 'ok/../../evil2.txt', 'C:/drive.txt', 'link/through.txt',\n"
                   "            'linkfile', 'good/fine.txt']:\n"
                   "    i = zipfile.ZipInfo(n); z.writestr(i, 'payload ' + n)\n"
                   "  i = zipfile.ZipInfo('/abs.txt'); i.filename = '/abs.txt'; z.writestr(i, 'x')\n"
                   "  i = zipfile.ZipInfo('x'); i.filename = '..\\\\back.txt'; z.writestr(i, 'x')\n",
                   {Path("evil.zip")}),
            0);
  std::string base = Path("base");
  ASSERT_EQ(Run("mkdir -p " + Quote(base) + " " + Quote(Path("outside")) + " && ln -s ../outside " +
                Quote(base + "/link") + " && ln -s ../outside/victim " + Quote(base + "/linkfile")),
            0);
  Write("outside/victim", "untouched");
  Recorder rec;
  ExtractOptions o;
  o.overwrite = true;
  EXPECT_EQ(Extract(Path("evil.zip"), base, o, rec), 1);
  EXPECT_EQ(Read(base + "/good/fine.txt"), "payload good/fine.txt");
  std::vector<std::string> skipped;
  for (const auto& r : rec.Of(ORN_CB_SKIPPED)) {
    EXPECT_EQ(r.size & 0xFF, ORN_SKIP_UNSAFE_PATH) << r.text;
    skipped.push_back(r.text);
  }
  EXPECT_EQ(skipped.size(), 7u);
  std::string out;
  Run("ls -A " + Quote(Path("outside")) + "; ls -A " + Quote(dir_), &out);
  EXPECT_EQ(out, "victim\nbase\nevil.zip\noutside\n");
  EXPECT_EQ(Read(Path("outside/victim")), "untouched");
}

TEST_F(ZipLibExtract, ExistingFilesFollowOverwriteFreshenAndTheHostsAnswer) {
  Write("src/a.txt", "archived a", 1600000000);
  Write("src/b.txt", "archived b", 1600000000);
  Recorder made;
  ASSERT_EQ(Add(Path("o.zip"), {{"*.txt", false, "", Path("src")}}, AddOptions{}, made), 2);
  struct Case {
    const char* what;
    bool overwrite, freshen, update;
    int answer;          // host's answer to the overwrite question, -1 none
    std::int64_t aTime;  // a.txt exists with this time (b.txt is missing)
    int extracted;
    const char* a;  // a.txt afterwards
    bool bThere;
  } cases[] = {
      {"no overwrite, host says no", false, false, false, 0, 1500000000, 1, "on disk", true},
      {"no overwrite, host says yes", false, false, false, 1, 1500000000, 2, "archived a", true},
      {"overwrite", true, false, false, -1, 1700000000, 2, "archived a", true},
      {"freshen, disk older", false, true, false, -1, 1500000000, 1, "archived a", false},
      {"freshen, disk newer", true, true, false, -1, 1700000000, 0, "on disk", false},
      {"update, disk newer", true, false, true, -1, 1700000000, 1, "on disk", true},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::string dest = "d" + std::to_string(n++);
    Write(dest + "/a.txt", "on disk", c.aTime);
    Recorder rec;
    rec.overwriteAnswer = c.answer;
    ExtractOptions o;
    o.overwrite = c.overwrite;
    o.freshen = c.freshen;
    o.update = c.update;
    EXPECT_EQ(Extract(Path("o.zip"), Path(dest), o, rec), c.extracted) << c.what;
    EXPECT_EQ(Read(Path(dest + "/a.txt")), c.a) << c.what;
    EXPECT_EQ(Exists(Path(dest + "/b.txt")), c.bThere) << c.what;
    std::string out;
    Run("ls -A " + Quote(Path(dest)), &out);
    EXPECT_EQ(out.find(".~orn-"), std::string::npos) << "temporary file left: " << out;
  }
}

TEST_F(ZipLibExtract, DamagedDataIsReportedAndNotCountedNorKept) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "line " + std::to_string(i) + "\n";
  Write("src/t.txt", text);
  Write("src/u.txt", "fine\n");
  Recorder made;
  ASSERT_EQ(Add(Path("c.zip"), {{"*.txt", false, "", Path("src")}}, AddOptions{}, made), 2);
  std::string zip = Read(Path("c.zip"));
  // Flip a byte in the middle of t.txt's compressed data.
  std::size_t pos = zip.find("t.txt") + 5 + 200;
  zip[pos] = char(zip[pos] ^ 0x55);
  Write("c.zip", zip);
  ExtractOptions t;
  t.test = true;
  Recorder test;
  EXPECT_EQ(Extract(Path("c.zip"), Path("none"), t, test), 1);
  EXPECT_FALSE(test.Of(ORN_CB_MESSAGE).empty());
  Recorder x;
  EXPECT_EQ(Extract(Path("c.zip"), Path("x"), ExtractOptions{}, x), 1);
  EXPECT_FALSE(Exists(Path("x/t.txt")));
  EXPECT_EQ(Read(Path("x/u.txt")), "fine\n");
}

TEST_F(ZipLibExtract, ChosenEntriesOnlyAndWithoutDirectories) {
  MakeSource();
  Recorder made;
  ASSERT_EQ(Add(Path("n.zip"), {{"*", true, "", Path("src")}}, AddOptions{}, made), 4);
  Recorder rec;
  ExtractOptions o;
  o.names = {"DATI\\*.DB", "*deep*"};
  o.dirNames = false;
  EXPECT_EQ(Extract(Path("n.zip"), Path("pick"), o, rec), 2);
  std::string out;
  Run("ls -A " + Quote(Path("pick")), &out);
  EXPECT_EQ(out, "KONTI.DB\ndeep.csv\n");
}

}  // namespace
}  // namespace ziplibtest

namespace ziplibtest {
namespace {

TEST_F(ZipLibTest, ExtractsOneEntryIntoTheHostsBuffer) {
  Write("m/plain.txt", "into memory\n");
  Write("m/locked.txt", "locked in memory\n");
  Recorder made;
  ASSERT_EQ(Add(Path("m.zip"), {{"plain.txt", false, "", Path("m")}, {"locked.txt", false, "key", Path("m")}},
                AddOptions{}, made),
            2);
  struct Case {
    const char* name;
    std::size_t buffer;
    const char* password;
    int result;
    const char* content;
  } cases[] = {
      {"plain.txt", 64, "", 1, "into memory\n"},
      {"plain.txt", 5, "", 0, ""},  // too small: refused, nothing written
      {"locked.txt", 64, "key", 1, "locked in memory\n"},
      {"locked.txt", 64, "", 0, ""},
  };
  for (const auto& c : cases) {
    std::string buffer(c.buffer, '\0');
    OrnUnzipFileData fd{};
    fd.fFileSpec = c.name;
    Recorder rec;
    OrnUnzipParams p{};
    p.Caller = &rec;
    p.Version = ORN_ZIP_INTERFACE_VERSION;
    p.ZCallbackFunc = &Recorder::Callback;
    p.pZipPassword = *c.password ? c.password : nullptr;
    p.Argc = 1;
    p.FDs = &fd;
    std::string zip = Path("m.zip");
    p.pZipFN = zip.c_str();
    p.fExtractToMemory = -1;
    p.pExtractBuffer = buffer.data();
    p.ExtractBufferSize = std::uint32_t(buffer.size());
    p.fSeven = ORN_BLOCK_END_MARK;
    EXPECT_EQ(unzExec_(&p), c.result) << c.name << " " << c.buffer;
    EXPECT_EQ(buffer.substr(0, std::strlen(c.content)), c.content);
    if (c.result == 0) {
      EXPECT_EQ(buffer, std::string(c.buffer, '\0'));
    }
  }
  std::string out;
  Run("ls -A " + Quote(dir_), &out);
  EXPECT_EQ(out, "m\nm.zip\n") << "nothing may be written to disk";
}

// Unix permissions come back, and links come back as links when they and
// their targets stay inside the folder; links that lead out are refused.
TEST_F(ZipLibExtract, ModesAndLinksComeBackInsideOnly) {
  if (!HaveTool("zip")) GTEST_SKIP() << "zip missing";
  ASSERT_EQ(Run("cd " + Quote(dir_) + " && mkdir -p src/lib src/bin && printf '#!/bin/sh\\n' > src/lib/run.sh" +
                " && chmod 755 src/lib/run.sh && printf data > src/lib/ro.txt && chmod 444 src/lib/ro.txt" +
                " && ln -s ../lib/run.sh src/bin/run && ln -s ../../etc src/bin/out && ln -s /etc/passwd src/abs" +
                " && ln -s bin src/binlink && ln -s binlink/../../x src/chain && ln -s .. src/bin/up" +
                " && ln -s bin/up/.. src/upchain" + " && cd src && zip -qry ../links.zip ."),
            0);
  Recorder rec;
  ExtractOptions o;
  o.overwrite = true;
  const std::string base = Path("out");
  EXPECT_EQ(Extract(Path("links.zip"), base, o, rec), 5);
  struct Case {
    const char* path;
    const char* kind;  // "file", "link" or "absent"
    unsigned mode;     // for files
    const char* target;
  } cases[] = {
      {"lib/run.sh", "file", 0755, ""},
      {"lib/ro.txt", "file", 0444, ""},
      {"bin/run", "link", 0, "../lib/run.sh"},  // a link in
      {"binlink", "link", 0, "bin"},
      {"bin/out", "absent", 0, ""},  // a link out
      {"abs", "absent", 0, ""},      // an absolute link
      {"chain", "absent", 0, ""},    // leads out through another link
      {"bin/up", "link", 0, ".."},   // the folder itself
      {"upchain", "absent", 0, ""},  // inside read as written, out through bin/up
  };
  for (const Case& c : cases) {
    struct stat st {};
    const std::string path = base + "/" + c.path;
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    if (std::string(c.kind) == "absent") {
      EXPECT_FALSE(exists) << c.path;
    } else if (std::string(c.kind) == "link") {
      ASSERT_TRUE(exists && S_ISLNK(st.st_mode)) << c.path;
      char target[256] = {};
      ASSERT_GT(::readlink(path.c_str(), target, sizeof target - 1), 0);
      EXPECT_STREQ(target, c.target) << c.path;
    } else {
      ASSERT_TRUE(exists && S_ISREG(st.st_mode)) << c.path;
      EXPECT_EQ(st.st_mode & 07777, c.mode) << c.path;
    }
  }
  int unsafe = 0;
  for (const auto& r : rec.Of(ORN_CB_SKIPPED)) unsafe += (r.size & 0xFF) == ORN_SKIP_UNSAFE_PATH;
  EXPECT_EQ(unsafe, 4);
}

// Killed half way through a large entry, an extraction leaves no truncated
// file under the entry's name, and a file it was replacing stays as it was.
TEST_F(ZipLibExtract, KilledHalfWayLeavesNoTruncatedFile) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
  ASSERT_EQ(Python("import sys,zipfile,random\n"
                   "r = random.Random(7)\n"
                   "big = bytes(r.getrandbits(8) for _ in range(1 << 20)) * 48\n"
                   "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                   "  z.writestr('new.bin', big)\n  z.writestr('old.bin', big)\n  z.writestr('last.txt', 'x')\n",
                   {Path("big.zip")}),
            0);
  const std::string base = Path("out");
  Write("out/old.bin", "OLD");
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Recorder rec;
    rec.stopAtItem = 2;  // both large entries are being written when the process dies
    rec.dieAtStop = true;
    ExtractOptions o;
    o.overwrite = true;
    Extract(Path("big.zip"), base, o, rec);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << "the extraction was not cut off";
  EXPECT_FALSE(Exists(base + "/new.bin"));
  EXPECT_EQ(Read(base + "/old.bin"), "OLD");
  std::string left;
  Run("ls -A " + Quote(base), &left);
  EXPECT_NE(left.find(".new.bin"), std::string::npos) << left;
  EXPECT_NE(left.find(".~orn-"), std::string::npos) << left;
  Write("out/.keep.orn-not-ours", "mine");

  // Run again to the end: both files whole.
  Recorder rec;
  ExtractOptions o;
  o.overwrite = true;
  EXPECT_EQ(Extract(Path("big.zip"), base, o, rec), 3);
  for (const std::string& m : rec.Texts(ORN_CB_MESSAGE)) ADD_FAILURE() << m;
  EXPECT_EQ(Read(base + "/new.bin").size(), 48u << 20);
  EXPECT_EQ(Read(base + "/old.bin").size(), 48u << 20);
  // The next run removed what the killed one left, and nothing else.
  Run("ls -A " + Quote(base), &left);
  EXPECT_EQ(left, ".keep.orn-not-ours\nlast.txt\nnew.bin\nold.bin\n");
}

// Archives written by the peers with Zip64 records are read: forced Zip64
// fields on small entries, and more than 65,535 entries.
TEST_F(ZipLibExtract, PeersZip64ArchivesAreRead) {
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 missing";
  ASSERT_EQ(Python("import sys,zipfile\n"
                   "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                   "  for i in range(3):\n"
                   "    with z.open('f%d.txt' % i, 'w', force_zip64=True) as f: f.write(b'zip64 %d' % i)\n"
                   "with zipfile.ZipFile(sys.argv[2], 'w') as z:\n"
                   "  for i in range(65600): z.writestr('d/%05d' % i, '')\n",
                   {Path("forced.zip"), Path("many.zip")}),
            0);
  Recorder rec;
  ExtractOptions o;
  EXPECT_EQ(Extract(Path("forced.zip"), Path("x"), o, rec), 3);
  EXPECT_EQ(Read(Path("x/f2.txt")), "zip64 2");
  ExtractOptions t;
  t.test = true;
  Recorder many;
  EXPECT_EQ(Extract(Path("many.zip"), Path("never"), t, many), 65600);
}

}  // namespace
}  // namespace ziplibtest
