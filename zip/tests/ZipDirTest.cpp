// The directory reader over the third-party fixtures and over broken
// variants of one good archive built in memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "ZipDirReader.h"
#include "ZipMessages.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

struct FixtureCase {
  const char* path;
  int entries;    // records in DirEntries (-1: listing fails)
  int failIdent;  // identifier of the failure, 0 when it lists
  std::vector<int> warnings;
};

const FixtureCase kFixtures[] = {
    {"commons-compress/split_zip_created_by_zip.z01", -1, 11037, {}},
    {"commons-compress/split_zip_created_by_zip.z02", -1, 11038, {}},
    {"commons-compress/split_zip_created_by_zip.zip", 243, 0, {}},  // 272 with its 29 folders
    {"cpython/exe_with_z64", 1, 0, {10203}},
    {"cpython/zip_cp437_header.zip", 2, 0, {}},
    {"cpython/zipdir.zip", 1, 0, {}},
    {"cpython/zipdir_backslash.zip", 1, 0, {}},
    {"go-archive-zip/comment-truncated.zip", 1, 0, {}},
    {"go-archive-zip/crc32-not-streamed.zip", 2, 0, {}},
    {"go-archive-zip/dd.zip", 1, 0, {}},
    {"go-archive-zip/subdir.zip", 1, 0, {}},
    {"go-archive-zip/test-baddirsz.zip", 2, 0, {}},
    {"go-archive-zip/test-prefix.zip", 2, 0, {10204, 10203}},
    {"go-archive-zip/test-trailing-junk.zip", 2, 0, {10204}},
    {"go-archive-zip/test.zip", 2, 0, {}},
    {"go-archive-zip/zip64.zip", 1, 0, {}},
    {"libarchive/test_read_format_zip_filename_cp866.zip", 2, 0, {}},
    {"libarchive/test_read_format_zip_filename_cp932.zip", 2, 0, {}},
    {"libarchive/test_read_format_zip_filename_koi8r.zip", 2, 0, {}},
    {"libarchive/test_read_format_zip_sfx", 2, 0, {10203}},
    {"libzip/bogus.zip", -1, 11036, {}},
    {"libzip/incons-cdoffset.zip", 1, 0, {10203}},
    {"libzip/incons-file-count-high.zip", -1, 11015, {}},
    {"libzip/incons-local-crc.zip", 1, 0, {}},
    {"libzip/junk-at-end.zip", 2, 0, {10204}},
    {"libzip/junk-at-start.zip", 2, 0, {10203}},
    {"libzip/multidisk.zip", 1, 0, {}},
    {"libzip/test-cp437.zip", 16, 0, {}},
    {"libzip/testcomment.zip", 4, 0, {}},
    {"libzip/testempty.zip", 0, 0, {}},
    {"libzip/testfile-truncated.zip", -1, 11036, {}},
    {"libzip/zip-in-archive-comment.zip", 1, 0, {}},
};

void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.path; }

std::string FixtureDir() { return std::string(ORN_FIXTURES_DIR) + "/zip"; }

class ZipDirFixtures : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(ZipDirFixtures, ListsOrReportsTheRightIdentifier) {
  const FixtureCase& c = GetParam();
  const std::string path = FixtureDir() + "/" + c.path;
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "test data missing: " << path;
  ScriptedDialogs dialogs;
  TZipEngine zip;
  zip.SetQuestions(&dialogs);
  zip.SetUnattended(true);
  MessageLog log;
  log.Attach(zip);
  zip.SetZipFileName(path);
  if (c.failIdent != 0) {
    EXPECT_TRUE(zip.ZipFileName().empty());
    EXPECT_EQ(zip.LastErrCode(), c.failIdent) << zip.LastMessage();
    EXPECT_EQ(zip.Count(), 0);
  } else {
    EXPECT_EQ(zip.ZipFileName(), path) << zip.LastMessage();
    EXPECT_EQ(zip.Count(), c.entries);
    EXPECT_EQ(log.idents, c.warnings);
  }
  EXPECT_TRUE(dialogs->asked.empty());
}

INSTANTIATE_TEST_SUITE_P(All, ZipDirFixtures, ::testing::ValuesIn(kFixtures), [](const auto& info) {
  std::string name = std::filesystem::path(info.param.path).filename().string();
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
});

TEST(ZipDirFixtureList, EveryZipFixtureHasAnExpectation) {
  if (!std::filesystem::exists(FixtureDir())) GTEST_SKIP() << "test data missing: " << FixtureDir();
  std::set<std::string> known;
  for (const FixtureCase& c : kFixtures) known.insert(c.path);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(FixtureDir())) {
    if (!entry.is_regular_file()) continue;
    std::string rel = std::filesystem::relative(entry.path(), FixtureDir()).string();
    EXPECT_TRUE(known.count(rel)) << rel << " has no expected result";
  }
}

TEST(ZipDirFixtureNames, ConvertsNamesByCodePageAndFlag) {
  struct Case {
    const char* path;
    CodePageOpts codePage;
    int charset;
    std::vector<std::string> names;
  } cases[] = {
      {"libarchive/test_read_format_zip_filename_cp866.zip", cpOEM, 204, {"ПРИВЕТ", "привет"}},
      {"cpython/zip_cp437_header.zip", cpOEM, 0, {"filename_with_æoå.txt", "filename_without.txt"}},
      {"go-archive-zip/subdir.zip", cpAuto, 186, {"a/b/c"}},
      {"libzip/testcomment.zip", cpAuto, 186, {"file1", "file2", "file3", "file4"}},
  };
  for (const Case& c : cases) {
    const std::string path = FixtureDir() + "/" + c.path;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "test data missing: " << path;
    TZipEngine zip;
    zip.SetUnattended(true);
    zip.SetCodePage(c.codePage);
    zip.SetNamesCharset(c.charset);
    zip.SetZipFileName(path);
    std::vector<std::string> names;
    for (const ZipDirEntry& e : zip.DirEntries()) names.push_back(e.Name);
    EXPECT_EQ(names, c.names) << c.path;
  }
}

TEST(ZipDirFixtureNames, KeepsCommentsAndZip64Sizes) {
  const std::string dir = FixtureDir();
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "test data missing: " << dir;
  TZipEngine zip;
  zip.SetUnattended(true);
  zip.SetZipFileName(dir + "/go-archive-zip/test.zip");
  EXPECT_EQ(zip.ZipComment(), "This is a zipfile comment.");
  zip.SetZipFileName(dir + "/go-archive-zip/zip64.zip");
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.DirEntries()[0].Name, "README");
  EXPECT_EQ(zip.DirEntries()[0].UnpackedSize64, 36u);
  zip.SetZipFileName(dir + "/libzip/zip-in-archive-comment.zip");
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.DirEntries()[0].Name, "test");
  EXPECT_EQ(zip.DirEntries()[0].Crc32, 0x3bb935c6u);
}

// --- broken variants built in memory -----------------------------------------

std::string GoodZip(const std::string& comment = "") {
  return MakeZip({{"alpha.txt", "first file\n"}, {"dir/beta.txt", "second file, a little longer\n"}}, comment);
}

struct Listing {
  std::vector<ZipDirEntry> entries;
  orn::ZipDirectoryInfo info;
  std::vector<int> warnings;
  int failure = 0;
};

Listing ListBytes(const std::string& bytes, orn::ZipDirOptions options = {}) {
  Listing out;
  orn::MemoryZipSource source(bytes);
  orn::ZipDirReader reader(source, options);
  reader.OnWarning([&out](int ident, const std::string&) { out.warnings.push_back(ident); });
  try {
    reader.Read(out.entries, out.info);
  } catch (const EZipEngine& e) {
    out.failure = e.Ident();
  }
  return out;
}

TEST(ZipDirVariants, BrokenArchivesGiveTheirIdentifier) {
  const std::string good = GoodZip();
  std::string garbageAfter = GoodZip("a comment") + "GARBAGE";
  std::string zeroFilled = GoodZip("a comment");
  zeroFilled.resize((zeroFilled.size() / 512 + 1) * 512, '\0');
  std::string zerosOffBlock = GoodZip("a comment") + std::string(7, '\0');
  if (zerosOffBlock.size() % 512 == 0) zerosOffBlock += '\0';
  std::string firstVolume = std::string("PK\x07\x08", 4) + good.substr(0, 60);
  auto patch32 = [&good](std::size_t at, std::uint32_t value) {
    std::string bytes = good;
    for (int k = 0; k < 4; ++k) bytes[good.size() - 22 + at + k] = static_cast<char>(value >> (8 * k));
    return bytes;
  };
  std::string hugeDirectory = patch32(12, 0xFFFFFF00u);
  std::string hugeAndMisplaced = hugeDirectory;
  for (int k = 0; k < 4; ++k) hugeAndMisplaced[good.size() - 22 + 16 + k] = '\x7f';
  struct Case {
    const char* what;
    std::string bytes;
    int entries;
    int failure;
    std::vector<int> warnings;
    int labelVolume = 0;
  } cases[] = {
      {"good", good, 2, 0, {}},
      {"end record only (22 bytes)", MakeZip({}), 0, 0, {}},
      {"no end record", good.substr(0, good.size() - 22), 0, 11036, {}},
      {"empty file", "", 0, 11036, {}},
      {"text", "hello, world", 0, 11036, {}},
      {"garbage after the comment", garbageAfter, 2, 0, {10204}},
      {"zero fill to a 512-byte block", zeroFilled, 2, 0, {}},
      {"zeros not ending on a block", zerosOffBlock, 2, 0, {10204}},
      {"first volume, label 001", firstVolume, 0, 11037, {}, 1},
      {"first volume, label 002", firstVolume, 0, 11045, {}, 2},
      {"middle volume 2", good.substr(30, 40), 0, 11038, {}, 2},
      {"prefix junk", std::string(20000, 'x') + good, 2, 0, {10203}},
      {"directory size past the file, offset good", hugeDirectory, 2, 0, {}},
      {"directory size and offset both wrong", hugeAndMisplaced, 0, 10201, {}},
      {"directory offset wrong, size good", patch32(16, 3), 2, 0, {10203}},
  };
  for (const Case& c : cases) {
    orn::ZipDirOptions options;
    options.labelVolume = c.labelVolume;
    Listing l = ListBytes(c.bytes, options);
    EXPECT_EQ(l.failure, c.failure) << c.what;
    EXPECT_EQ(static_cast<int>(l.entries.size()), c.entries) << c.what;
    EXPECT_EQ(l.warnings, c.warnings) << c.what;
  }
}

TEST(ZipDirVariants, PrefixAndCommentAreFoundAndMeasured) {
  const std::string comment(100, 'c');
  Listing stub = ListBytes(MakeZip({{"a.txt", "aaa"}}, comment, std::string(20000, 's')));
  ASSERT_EQ(stub.failure, 0);
  EXPECT_TRUE(stub.info.hasPrefix);
  EXPECT_EQ(stub.info.firstLocalOffset, 20000u);
  EXPECT_EQ(stub.info.comment, comment);

  Listing empty = ListBytes(MakeZip({}));
  EXPECT_EQ(empty.info.firstLocalOffset, 0u);
  EXPECT_FALSE(empty.info.hasPrefix);
}

TEST(ZipDirVariants, EveryCutFailsCleanly) {
  const std::string good = GoodZip();
  for (std::size_t n = 0; n < good.size(); ++n) {
    Listing l = ListBytes(good.substr(0, n));
    EXPECT_NE(l.failure, 0) << "cut at " << n;
  }
}

TEST(ZipDirVariants, FlippedBytesNeverEscapeOrOverrun) {
  const std::string good = GoodZip("comment");
  for (std::size_t i = 0; i < good.size(); ++i) {
    for (unsigned char mask : {0x01, 0x80, 0xFF}) {
      std::string bytes = good;
      bytes[i] = static_cast<char>(bytes[i] ^ mask);
      Listing l = ListBytes(bytes);
      EXPECT_LE(l.entries.size(), 2u) << "flip at " << i;
    }
  }
}

TEST(ZipDirVariants, DirectoryEntriesAndSeparators) {
  const std::string bytes = MakeZip({{"top/", ""}, {"top/sub/", ""}, {"top/sub/file.txt", "x"}});
  Listing plain = ListBytes(bytes);
  ASSERT_EQ(plain.entries.size(), 1u);
  EXPECT_EQ(plain.entries[0].Name, "top/sub/file.txt");
  EXPECT_EQ(plain.entries[0].RawName, "top/sub/file.txt");
  EXPECT_EQ(plain.info.dirOnlyCount, 2);

  orn::ZipDirOptions options;
  options.useDirOnlyEntries = true;
  Listing all = ListBytes(bytes, options);
  EXPECT_EQ(all.entries.size(), 3u);
  EXPECT_EQ(all.info.dirOnlyCount, 0);
}

TEST(ZipDirVariants, NameConversionFollowsHostAndFlags) {
  struct Case {
    const char* what;
    MemEntry entry;
    CodePageOpts codePage;
    std::string name;
  } cases[] = {
      {"DOS host, automatic", {"\x80.txt", "", 0}, cpAuto, "Ć.txt"},
      {"Unix host, automatic: stays (UTF-8)", {"\xc4\x80.txt", "", 3}, cpAuto, "Ā.txt"},
      {"Unix host, OEM forced", {"\x80.txt", "", 3}, cpOEM, "Ć.txt"},
      {"DOS host, none", {"\xc4\x80.txt", "", 0}, cpNone, "Ā.txt"},
      {"UTF-8 flag", {"\xc4\x80.txt", "", 0, 20, 0x0800}, cpOEM, "Ā.txt"},
      {"HPFS always converts", {"\x80.txt", "", 6}, cpNone, "Ć.txt"},
      {"NTFS made by 5.0 converts", {"\x80.txt", "", 11, 50}, cpNone, "Ć.txt"},
  };
  for (const Case& c : cases) {
    orn::ZipDirOptions options;
    options.names = {c.codePage, 775, 1257};
    Listing l = ListBytes(MakeZip({c.entry}), options);
    ASSERT_EQ(l.entries.size(), 1u) << c.what;
    EXPECT_EQ(l.entries[0].Name, c.name) << c.what;
  }
}

TEST(ZipDirVariants, VolumeNumbersOfNames) {
  EXPECT_EQ(orn::VolumeNumberOfName("/a/ARCH001.zip"), 1);
  EXPECT_EQ(orn::VolumeNumberOfName("/a/ARCH012.zip"), 12);
  EXPECT_EQ(orn::VolumeNumberOfName("/a/set.z02"), 2);
  EXPECT_EQ(orn::VolumeNumberOfName("/a/backup.zip"), 0);
}

}  // namespace
