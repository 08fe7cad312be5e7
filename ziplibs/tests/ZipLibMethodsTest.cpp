// The other compression methods and AES: archives the peers write (7z,
// Python) extracted byte for byte, our AES archives read by the peers, and
// broken entries (cut streams, streams longer than recorded, bombs, a
// damaged authentication code) that end with a message and leave no file.
#include <zlib.h>
#include <zstd.h>

#include <cstring>

#include "ByteStream.h"
#include "WinZipAes.h"
#include "ZipLibHarness.h"

namespace ziplibtest {
namespace {

using orn::zipfmt::AesCtrHmac;
using orn::zipfmt::AesExtra;

// One entry of an archive put together byte by byte: the data as stored,
// and what the headers say about it.
struct RawEntry {
  std::string name;
  std::uint16_t method = 0;
  std::string data;
  std::uint32_t crc = 0;
  std::uint64_t size = 0;  // uncompressed, as recorded (Zip64 from 4 GiB on)
  std::uint16_t flags = 0;
  std::string extra;
};

RawEntry Entry(std::string name, std::uint16_t method, std::string data, std::uint32_t crc, std::uint64_t size,
               std::uint16_t flags = 0, std::string extra = {}) {
  return {std::move(name), method, std::move(data), crc, size, flags, std::move(extra)};
}

void Le(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string MakeZip(const std::vector<RawEntry>& entries) {
  std::string zip, central;
  for (const RawEntry& e : entries) {
    const bool big = e.size >= 0xFFFFFFFFull;
    std::string zip64;
    if (big) {
      Le(zip64, 1, 2);
      Le(zip64, 16, 2);
      Le(zip64, e.size, 8);
      Le(zip64, e.data.size(), 8);
    }
    const std::string extra = zip64 + e.extra;
    const std::uint64_t offset = zip.size();
    auto fields = [&](std::string& h) {
      Le(h, e.method == 99 ? 51 : big ? 45 : 20, 2);
      Le(h, e.flags, 2);
      Le(h, e.method, 2);
      Le(h, 0x6000, 2);  // 12:00
      Le(h, 0x5A21, 2);  // 1.1.2025
      Le(h, e.crc, 4);
      Le(h, big ? 0xFFFFFFFFu : e.data.size(), 4);
      Le(h, big ? 0xFFFFFFFFu : e.size, 4);
      Le(h, e.name.size(), 2);
      Le(h, extra.size(), 2);
    };
    Le(zip, 0x04034b50, 4);
    fields(zip);
    zip += e.name + extra + e.data;
    Le(central, 0x02014b50, 4);
    Le(central, 0x033F, 2);
    fields(central);
    Le(central, 0, 6);               // comment length, disk, internal attributes
    Le(central, 0100644u << 16, 4);  // a plain file
    Le(central, offset, 4);
    central += e.name + extra;
  }
  const std::uint64_t cdStart = zip.size();
  zip += central;
  Le(zip, 0x06054b50, 4);
  Le(zip, 0, 4);
  Le(zip, entries.size(), 2);
  Le(zip, entries.size(), 2);
  Le(zip, central.size(), 4);
  Le(zip, cdStart, 4);
  Le(zip, 0, 2);
  return zip;
}

std::uint32_t Crc(const std::string& s) {
  return std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(s.data()), uInt(s.size())));
}

std::string Zstd(const std::string& in) {
  std::string out(ZSTD_compressBound(in.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), in.data(), in.size(), 3));
  return out;
}

// An AES entry's data for `plain` stored as it is.
std::string AesData(const std::string& plain, const std::string& password) {
  const std::string salt = orn::zipfmt::NewAesSalt(3);
  AesCtrHmac cipher(password, reinterpret_cast<const std::uint8_t*>(salt.data()), 3);
  std::string body = plain;
  cipher.Encrypt(reinterpret_cast<std::uint8_t*>(body.data()), body.size());
  std::uint8_t mac[orn::zipfmt::kAesMacSize];
  cipher.Mac(mac);
  return salt + std::string(reinterpret_cast<const char*>(cipher.Verifier()), 2) + body +
         std::string(reinterpret_cast<const char*>(mac), sizeof mac);
}

class ZipLibMethods : public ZipLibTest {
 protected:
  void MakeSource() {
    Write("src/top.txt", "top level\n");
    std::string table, big;
    for (int i = 0; i < 20000; ++i) table += "record " + std::to_string(i) + " Kase;Banka\n";
    Write("src/DATI/KONTI.DB", table);
    Write("src/DATI/empty.dat", "");
    Write("src/DATI/sub/deep.csv", "a;b;c\n1;2;3\n");
    // Repeats further apart than deflate's 32 KiB reach, and noise.
    std::uint32_t x = 1;
    std::string block;
    for (int i = 0; i < 50000; ++i) block += char('a' + (x = x * 1103515245 + 12345) % 23);
    for (int i = 0; i < 12; ++i) big += block + std::to_string(i * 7919) + table.substr(std::size_t(i) * 997, 3000);
    Write("src/DATI/BIG.DB", big);
  }
  // Nothing left under `dir` but what `allowed` names (no temporary files).
  std::string Listing(const std::string& dir) {
    std::string out;
    Run("cd " + Quote(dir) + " 2>/dev/null && find . -type f | sort", &out);
    return out;
  }
};

TEST_F(ZipLibMethods, ArchivesOfPeersInEveryMethodExtractByteForByte) {
  MakeSource();
  struct Case {
    const char* tool;
    const char* name;
    std::string command;  // run inside src/, writes ../NAME.zip
    const char* password;
  } cases[] = {
      {"7z", "7z-bzip2", "7z a -tzip -mm=BZip2 ../7z-bzip2.zip . >/dev/null", ""},
      {"7z", "7z-lzma", "7z a -tzip -mm=LZMA ../7z-lzma.zip . >/dev/null", ""},
      {"7z", "7z-deflate64", "7z a -tzip -mm=Deflate64 -mx=9 ../7z-deflate64.zip . >/dev/null", ""},
      {"7z", "7z-xz", "7z a -tzip -mm=XZ ../7z-xz.zip . >/dev/null", ""},
      {"7z", "7z-aes128", "7z a -tzip -mem=AES128 -pSecret ../7z-aes128.zip . >/dev/null", "Secret"},
      {"7z", "7z-aes256-bzip2", "7z a -tzip -mem=AES256 -mm=BZip2 -pSecret ../7z-aes256-bzip2.zip . >/dev/null",
       "Secret"},
      {"7z", "7z-zipcrypto-lzma", "7z a -tzip -mem=ZipCrypto -mm=LZMA -pSecret ../7z-zipcrypto-lzma.zip . >/dev/null",
       "Secret"},
      {"python3", "python-bzip2",
       "python3 -c \"import zipfile,os\nwith zipfile.ZipFile('../python-bzip2.zip','w',zipfile.ZIP_BZIP2) as z:\n"
       " for d,_,fs in os.walk('.'):\n  for f in fs: z.write(os.path.join(d,f))\"",
       ""},
      {"python3", "python-lzma",
       "python3 -c \"import zipfile,os\nwith zipfile.ZipFile('../python-lzma.zip','w',zipfile.ZIP_LZMA) as z:\n"
       " for d,_,fs in os.walk('.'):\n  for f in fs: z.write(os.path.join(d,f))\"",
       ""},
  };
  int ran = 0;
  for (const auto& c : cases) {
    if (!HaveTool(c.tool)) continue;
    std::string out;
    ASSERT_EQ(Run("cd " + Quote(Path("src")) + " && " + c.command, &out), 0) << c.name << ": " << out;
    for (bool test : {false, true}) {
      const std::string dest = Path(std::string(test ? "never-" : "out-") + c.name);
      Recorder rec;
      ExtractOptions o;
      o.test = test;
      o.password = c.password;
      EXPECT_EQ(Extract(Path(std::string(c.name) + ".zip"), dest, o, rec), 5) << c.name;
      for (const auto& r : rec.Of(ORN_CB_MESSAGE)) ADD_FAILURE() << c.name << ": " << r.text;
      if (test) {
        EXPECT_EQ(Listing(dest), "") << c.name;
      } else {
        EXPECT_EQ(Run("diff -r " + Quote(Path("src")) + " " + Quote(dest), &out), 0) << c.name << "\n" << out;
      }
    }
    ++ran;
  }
  // Nobody we can run writes Zstandard into a zip: the archive is made here.
  std::vector<RawEntry> entries;
  for (const char* name : {"top.txt", "DATI/KONTI.DB", "DATI/BIG.DB", "DATI/empty.dat"}) {
    const std::string plain = Read(Path(std::string("src/") + name));
    entries.push_back(Entry(name, 93, Zstd(plain), Crc(plain), plain.size()));
  }
  Write("zstd.zip", MakeZip(entries));
  Recorder rec;
  EXPECT_EQ(Extract(Path("zstd.zip"), Path("out-zstd"), ExtractOptions{}, rec), 4);
  for (const auto& r : rec.Of(ORN_CB_MESSAGE)) ADD_FAILURE() << "zstd: " << r.text;
  EXPECT_TRUE(Read(Path("out-zstd/DATI/BIG.DB")) == Read(Path("src/DATI/BIG.DB")));
  if (ran == 0) GTEST_SKIP() << "7z and python3 missing";
}

TEST_F(ZipLibMethods, PpmdIsRefusedByNameTheRestExtracted) {
  if (!HaveTool("7z")) GTEST_SKIP() << "7z missing";
  Write("src/a.txt", std::string(5000, 'a') + "text that PPMd packs");
  Write("src/b.txt", "short");
  std::string out;
  ASSERT_EQ(Run("cd " + Quote(Path("src")) +
                    " && 7z a -tzip -mm=PPMd ../p.zip a.txt >/dev/null && "
                    "7z a -tzip -mm=Deflate ../p.zip b.txt >/dev/null",
                &out),
            0)
      << out;
  Recorder rec;
  EXPECT_EQ(Extract(Path("p.zip"), Path("out"), ExtractOptions{}, rec), 1);
  EXPECT_EQ(Listing(Path("out")), "./b.txt\n");
  const auto messages = rec.Texts(ORN_CB_MESSAGE);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("98 (PPMd) not supported"), std::string::npos) << messages[0];
  ASSERT_EQ(rec.Of(ORN_CB_SKIPPED).size(), 1u);
  EXPECT_EQ(rec.Of(ORN_CB_SKIPPED)[0].size & 0xFF, ORN_SKIP_COMPRESSION_UNKNOWN);
}

TEST_F(ZipLibMethods, AesPasswordsAreAskedCheckedAndAWrongOneWritesNothing) {
  Write("src/a.txt", std::string(70000, 'x') + "end");
  Write("src/b.txt", "bee");
  Recorder made;
  AddOptions ao;
  ao.aesStrength = 3;
  ASSERT_EQ(Add(Path("aes.zip"), {{"*.txt", false, "Right", Path("src")}}, ao, made), 2);
  struct Case {
    const char* what;
    std::string given;
    std::vector<std::string> answers;  // to the library's questions, in order
    unsigned requests;
    int extracted;
    const char* message;  // part of the one message, "" for none
    int wrongQuestions;   // questions that said the last answer was wrong
  } cases[] = {
      {"given right", "Right", {}, 1, 2, "", 0},
      {"given wrong, nothing asked", "Wrong", {}, 0, 0, "Wrong password", 0},
      {"asked, wrong, then right", "", {"Wrong", "Right"}, 2, 2, "", 1},
      {"asked, wrong twice", "", {"Wrong", "Wronger"}, 2, 0, "Wrong password", 1},
      {"asked, declined", "", {}, 1, 0, "no password given", 0},
  };
  for (const Case& c : cases) {
    Recorder rec;
    rec.passwordAnswers = c.answers;
    ExtractOptions o;
    o.password = c.given;
    o.passwordRequests = c.requests;
    const std::string dest = Path(std::string("out-") + c.what);
    EXPECT_EQ(Extract(Path("aes.zip"), dest, o, rec), c.extracted) << c.what;
    const auto messages = rec.Texts(ORN_CB_MESSAGE);
    if (*c.message) {
      ASSERT_EQ(messages.size(), 1u) << c.what;
      EXPECT_NE(messages[0].find(c.message), std::string::npos) << c.what << ": " << messages[0];
      EXPECT_EQ(Listing(dest), "") << c.what;
    } else {
      EXPECT_TRUE(messages.empty()) << c.what << ": " << messages[0];
      EXPECT_TRUE(Read(dest + "/a.txt") == Read(Path("src/a.txt"))) << c.what;
    }
    int wrong = 0;
    for (const auto& r : rec.Of(ORN_CB_PASSWORD)) wrong += (r.errorCode & 2) ? 1 : 0;
    EXPECT_EQ(wrong, c.wrongQuestions) << c.what;
  }
}

// Once a password fitted, later AES entries are checked on the workers; one
// with another password is caught there and asked for again.
TEST_F(ZipLibMethods, AesEntriesWithAnotherPasswordAreAskedForIt) {
  Write("one/a.db", std::string(3000, 'a'));
  Write("two/b.db", std::string(3000, 'b'));
  Recorder made;
  AddOptions ao;
  ao.aesStrength = 2;
  ASSERT_EQ(Add(Path("two.zip"), {{"*", false, "One", Path("one")}, {"*", false, "Two", Path("two")}}, ao, made), 2);
  for (bool test : {false, true}) {
    Recorder rec;
    rec.passwordAnswers = {"Two"};
    ExtractOptions o;
    o.test = test;
    o.password = "One";
    EXPECT_EQ(Extract(Path("two.zip"), Path("out"), o, rec), 2) << test;
    EXPECT_EQ(rec.Of(ORN_CB_PASSWORD).size(), 1u) << test;
    EXPECT_TRUE(rec.Texts(ORN_CB_MESSAGE).empty()) << test;
  }
  EXPECT_EQ(Read(Path("out/b.db")), std::string(3000, 'b'));
}

TEST_F(ZipLibMethods, OurAesArchivesAreReadByThePeers) {
  Write("src/big.db", std::string(9u << 20, 'q') + "tail");  // more than one piece
  Write("src/tiny.txt", "tiny");                             // AE-2: no CRC
  Write("src/notes.txt", "notes on the backup\n");
  for (int strength : {1, 2, 3}) {
    const std::string zip = Path("ours" + std::to_string(strength) + ".zip");
    Recorder made;
    AddOptions ao;
    ao.aesStrength = strength;
    ASSERT_EQ(Add(zip, {{"*", false, "pa ss", Path("src")}}, ao, made), 3) << strength;
    std::string out;
    if (HaveTool("python3")) {
      ASSERT_EQ(Python("import sys,zipfile\n"
                       "for i in sorted(zipfile.ZipFile(sys.argv[1]).infolist(), key=lambda i: i.filename):\n"
                       " print(i.filename, i.compress_type, i.extra[4:6].hex(), i.extra[8], i.CRC != 0)\n",
                       {zip}, &out),
                0);
      const std::string s = std::to_string(strength);
      EXPECT_EQ(out,
                "big.db 99 0100 " + s + " True\nnotes.txt 99 0100 " + s + " True\ntiny.txt 99 0200 " + s + " False\n");
    }
    if (HaveTool("7z")) {
      EXPECT_EQ(Run("7z t -p'pa ss' " + Quote(zip), &out), 0) << out;
    }
    if (HaveTool("bsdtar")) {
      const std::string dest = Path("bsdtar" + std::to_string(strength));
      EXPECT_EQ(
          Run("mkdir -p " + Quote(dest) + " && bsdtar -xf " + Quote(zip) + " --passphrase 'pa ss' -C " + Quote(dest),
              &out),
          0)
          << out;
      EXPECT_EQ(Run("diff -r " + Quote(Path("src")) + " " + Quote(dest), &out), 0) << out;
    }
    Recorder rec;
    ExtractOptions o;
    o.password = "pa ss";
    EXPECT_EQ(Extract(zip, Path("back" + std::to_string(strength)), o, rec), 3);
    EXPECT_EQ(Run("diff -r " + Quote(Path("src")) + " " + Quote(Path("back" + std::to_string(strength))), &out), 0);
  }
  if (!HaveTool("7z") || !HaveTool("bsdtar")) GTEST_SKIP() << "7z or bsdtar missing";
}

TEST_F(ZipLibMethods, BrokenEntriesEndWithAMessageAndLeaveNoFile) {
  std::string plain;
  for (int i = 0; i < 40000; ++i) plain += "line " + std::to_string(i) + "\n";
  const std::string packed = Zstd(plain);
  // Frames of 16 MiB of zeros, one after the other: 10 GiB from 4 MB.
  const std::string zeros = Zstd(std::string(16u << 20, '\0'));
  std::string bomb;
  for (int i = 0; i < 640; ++i) bomb += zeros;
  const std::string aes = AesData(plain, "pw");
  std::string badMac = aes;
  badMac.back() ^= 1;
  std::string badData = aes;
  badData[badData.size() / 2] ^= 1;
  const std::string aesExtra = orn::zipfmt::AesExtraField(AesExtra{2, 3, 0});
  struct Case {
    const char* what;
    RawEntry entry;
    const char* message;
  } cases[] = {
      {"cut short", Entry("f", 93, packed.substr(0, packed.size() / 2), Crc(plain), plain.size()), "ends early"},
      {"longer than recorded", Entry("f", 93, packed, Crc(plain), plain.size() / 2), "longer than recorded"},
      {"claims 10 GB", Entry("f", 93, packed.substr(0, 1000), Crc(plain), 10ull << 30), "ends early"},
      {"decodes to 10 GB", Entry("f", 93, bomb, 0, 1000), "longer than recorded"},
      {"damaged authentication code", Entry("f", 99, badMac, 0, plain.size(), 1, aesExtra), "authentication code"},
      {"damaged AES data", Entry("f", 99, badData, 0, plain.size(), 1, aesExtra), "authentication code"},
      {"AES without its extra field", Entry("f", 99, aes, 0, plain.size(), 1), "without its extra field"},
  };
  for (const Case& c : cases) {
    Write("broken.zip", MakeZip({c.entry, Entry("good.txt", 0, "fine", Crc("fine"), 4)}));
    Recorder rec;
    ExtractOptions o;
    o.password = "pw";
    const std::string dest = Path(std::string("out-") + c.what);
    EXPECT_EQ(Extract(Path("broken.zip"), dest, o, rec), 1) << c.what;
    EXPECT_EQ(Listing(dest), "./good.txt\n") << c.what;
    const auto messages = rec.Texts(ORN_CB_MESSAGE);
    ASSERT_EQ(messages.size(), 1u) << c.what;
    EXPECT_NE(messages[0].find(c.message), std::string::npos) << c.what << ": " << messages[0];
    ASSERT_EQ(rec.Of(ORN_CB_SKIPPED).size(), 1u) << c.what;
  }
}

}  // namespace
}  // namespace ziplibtest
