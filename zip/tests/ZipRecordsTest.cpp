// The record layer on its own: the one safe-name rule, name decoding by host
// and code page, and the refusal of entries that share their data.
#include <gtest/gtest.h>

#include "ZipDirReader.h"
#include "ZipMessages.h"
#include "ZipNames.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

TEST(ZipNameRule, EachCaseOfTheOneRule) {
  struct Case {
    const char* what;
    const char* name;
    orn::NameVerdict verdict;
    const char* path;  // what is written, with stored folders
  } cases[] = {
      {"plain", "DATI/KONTI.DB", orn::NameVerdict::Write, "DATI/KONTI.DB"},
      {"absolute", "/etc/passwd", orn::NameVerdict::Unsafe, ""},
      {"drive letter", "C:/Windows/x", orn::NameVerdict::Unsafe, ""},
      {"drive without separator", "c:x", orn::NameVerdict::Unsafe, ""},
      {"digit and colon", "1:", orn::NameVerdict::Unsafe, ""},
      {"climbing", "a/../../evil", orn::NameVerdict::Unsafe, ""},
      {"climbing at the end", "a/..", orn::NameVerdict::Unsafe, ""},
      {"empty", "", orn::NameVerdict::Unsafe, ""},
      {"the target itself", ".", orn::NameVerdict::SkipQuiet, ""},
      {"the target folder entry", "./", orn::NameVerdict::SkipQuiet, ""},
      {"dots and doubled separators", "./a//b/./c.txt", orn::NameVerdict::Write, "a/b/c.txt"},
      {"dots inside a name", "srv/buh/..KONTI.DB", orn::NameVerdict::Write, "srv/buh/..KONTI.DB"},
      {"a backslash is part of the name", "a\\b.txt", orn::NameVerdict::Write, "a\\b.txt"},
      {"climbing between backslashes", "..\\evil", orn::NameVerdict::Unsafe, ""},
      {"absolute with a backslash", "\\abs", orn::NameVerdict::Unsafe, ""},
  };
  for (const Case& c : cases) {
    orn::SafeName safe = orn::CheckEntryName(c.name, true);
    EXPECT_EQ(safe.verdict, c.verdict) << c.what;
    EXPECT_EQ(safe.path, c.path) << c.what;
    if (c.verdict == orn::NameVerdict::Unsafe) {
      EXPECT_FALSE(safe.reason.empty()) << c.what;
    }
  }
  // A zero byte inside the stored bytes is refused.
  EXPECT_EQ(orn::CheckEntryName(std::string("a\0/../b", 7), true).verdict, orn::NameVerdict::Unsafe);
  EXPECT_EQ(orn::CheckEntryName("deep/dir/x.db", false).path, "x.db");
}

TEST(ZipNameRule, LinksStayInsideOrAreRefused) {
  struct Case {
    const char* link;
    const char* target;
    bool inside;
  } cases[] = {
      {"bin/run", "../lib/run.sh", true},  // a link in
      {"run", "lib/run.sh", true},
      {"a/b/c", "../../x", true},
      {"run", "../outside", false},  // a link out
      {"bin/run", "../../x", false},
      {"run", "/etc/passwd", false},
      {"run", "C:/x", false},
      {"run", "", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(orn::LinkStaysInside(c.link, c.target), c.inside) << c.link << " -> " << c.target;
}

TEST(ZipNameDecoding, CodePagesHostsAndTheFlag) {
  // "Ūdens" and "Вода" as DOS (775, 866) and Windows (1257, 1251) bytes.
  struct Case {
    const char* what;
    std::string stored;
    std::uint8_t host;
    std::uint8_t madeBy;
    std::uint16_t flags;
    orn::NameDecoding decoding;
    std::string name;
  } cases[] = {
      {"OEM 775 from DOS",
       "\xc7"
       "dens.txt",
       orn::kHostDos,
       20,
       0,
       {cpAuto, 775, 1257},
       "Ūdens.txt"},
      {"OEM 866 from DOS", "\x82\xae\xa4\xa0.txt", orn::kHostDos, 20, 0, {cpAuto, 866, 1251}, "Вода.txt"},
      {"OEM 437 from DOS", "\x94.txt", orn::kHostDos, 20, 0, {cpAuto, 437, 1252}, "ö.txt"},
      {"Windows 1257 from NTFS",
       "\xdb"
       "dens.txt",
       orn::kHostNtfs,
       20,
       0,
       {cpAuto, 775, 1257},
       "Ūdens.txt"},
      {"Windows 1251 from NTFS", "\xc2\xee\xe4\xe0.txt", orn::kHostNtfs, 20, 0, {cpAuto, 866, 1251}, "Вода.txt"},
      {"NTFS made by 5.0 is OEM", "\x82\xae\xa4\xa0.txt", orn::kHostNtfs, 50, 0, {cpAuto, 866, 1251}, "Вода.txt"},
      {"flagged UTF-8 whatever the pages",
       "Вода.txt",
       orn::kHostDos,
       20,
       orn::kFlagUtf8Name,
       {cpOEM, 866, 1251},
       "Вода.txt"},
      {"unflagged UTF-8 from Unix", "Ūdens.txt", orn::kHostUnix, 30, 0, {cpAuto, 775, 1257}, "Ūdens.txt"},
      {"DOS backslashes are separators", "DATI\\KONTI.DB", orn::kHostDos, 20, 0, {}, "DATI/KONTI.DB"},
      {"Unix backslash stays", "a\\b.txt", orn::kHostUnix, 30, 0, {}, "a\\b.txt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(orn::DecodeEntryName(c.stored, c.flags, c.madeBy, c.host, c.decoding), c.name) << c.what;
}

// Whether a decoded name reads as its page's languages write: what makes
// the reader look for another page.
TEST(ZipNameDecoding, LikelyLettersForEachPage) {
  struct Case {
    const char* name;
    int codePage;
    bool likely;
  } cases[] = {
      {"KONTI.DB", 775, true},          {"Grāmatvedība.db", 775, true},
      {"Žalgiris ąžuolas", 1257, true}, {"üĀ½ĀŁß.txt", 775, false},
      {"Āīäą.txt", 1257, false},        {"Баланс.txt", 866, true},
      {"GrГmata.txt", 866, false},      {"╟dens.txt", 866, false},
      {"Müller Öl.txt", 850, true},     {"Résumé – final.doc", 1252, true},
      {"Łódź.txt", 852, true},          {"ΑΒΓ.txt", 737, true},
  };
  for (const Case& c : cases) EXPECT_EQ(orn::LikelyName(c.name, c.codePage), c.likely) << c.name << " " << c.codePage;
}

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + k])) << (8 * k);
  return v;
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>(v >> (8 * k));
}

// Offsets of the central headers in `bytes`.
std::vector<std::size_t> CentralHeaders(const std::string& bytes) {
  std::vector<std::size_t> at;
  for (std::size_t pos = bytes.find("PK\x01\x02"); pos != std::string::npos; pos = bytes.find("PK\x01\x02", pos + 4))
    at.push_back(pos);
  return at;
}

TEST(ZipOverlap, EntriesSharingDataAreRefusedWhenTheDirectoryIsRead) {
  const std::string good = MakeZip({{"a.txt", std::string(100, 'a')}, {"b.txt", std::string(100, 'b')}});
  std::string shared = good;  // the second entry points at the first one's data
  Put32(shared, CentralHeaders(shared)[1] + 42, 0);
  std::string inside = good;  // the second entry starts inside the first one's data
  Put32(inside, CentralHeaders(inside)[1] + 42, 40);
  std::string intoDirectory = good;  // the last entry claims more than lies before the directory
  Put32(intoDirectory, CentralHeaders(intoDirectory)[1] + 20, Get32(intoDirectory, CentralHeaders(good)[1] + 20) + 50);
  std::string withStub = MakeZip({{"a.txt", "x"}, {"b.txt", "y"}}, "", std::string(5000, 'S'));
  struct Case {
    const char* what;
    std::string bytes;
    int failure;
  } cases[] = {
      {"apart", good, 0},
      {"behind a stub", withStub, 0},
      {"shared data", shared, orn::kZipOverlappingEntries},
      {"starts inside another", inside, orn::kZipOverlappingEntries},
      {"reaches into the directory", intoDirectory, orn::kZipOverlappingEntries},
  };
  for (const Case& c : cases) {
    orn::MemoryZipSource source(c.bytes);
    orn::ZipDirReader reader(source, {});
    reader.OnWarning([](int, const std::string&) {});
    std::vector<ZipDirEntry> entries;
    orn::ZipDirectoryInfo info;
    int failure = 0;
    try {
      reader.Read(entries, info);
    } catch (const EZipEngine& e) {
      failure = e.Ident();
    }
    EXPECT_EQ(failure, c.failure) << c.what;
  }
}

}  // namespace
