// The name rules of both libraries: what an entry may be called when it is
// written, and where an entry may go when it is extracted.
#include <gtest/gtest.h>
#include <zlib.h>

#include "ChunkDeflater.h"
#include "FileCollector.h"
#include "ZipNames.h"

namespace orn::zipfmt {
namespace {

TEST(ZipLibNames, ExtractedNamesStayInsideTheBaseDirectory) {
  struct Case {
    const char* stored;
    const char* withDirs;  // nullptr: refused
    const char* flat;
  } cases[] = {
      {"DATI/KONTI.DB", "DATI/KONTI.DB", "KONTI.DB"},
      {"DATI\\sub\\x.db", "DATI/sub/x.db", "x.db"},
      {"./a//b/./c.txt", "a/b/c.txt", "c.txt"},
      {"dots..in..name", "dots..in..name", "dots..in..name"},
      {"../evil", nullptr, nullptr},
      {"a/../../evil", nullptr, nullptr},
      {"a/..", nullptr, nullptr},
      {"..\\evil", nullptr, nullptr},
      {"/etc/passwd", nullptr, nullptr},
      {"\\abs", nullptr, nullptr},
      {"C:/Windows/x", nullptr, nullptr},
      {"c:x", nullptr, nullptr},
      {"", nullptr, nullptr},
  };
  // Names as a DOS-family host stores them: decoded first, as the library
  // does, then put through the one rule.
  for (const auto& c : cases) {
    std::string name = DecodeEntryName(c.stored, 0, 20, kHostDos, NameDecoding{});
    SafeName dirs = CheckEntryName(name, true);
    SafeName flat = CheckEntryName(name, false);
    if (!c.withDirs) {
      EXPECT_EQ(dirs.verdict, NameVerdict::Unsafe) << c.stored;
      EXPECT_EQ(flat.verdict, NameVerdict::Unsafe) << c.stored;
    } else {
      EXPECT_EQ(dirs.path, c.withDirs) << c.stored;
      EXPECT_EQ(flat.path, c.flat) << c.stored;
    }
  }
  EXPECT_EQ(CheckEntryName("./", true).verdict, NameVerdict::SkipQuiet);
}

TEST(ZipLibNames, StoredNamesAreRelativeAndShortNamesFollowDosRules) {
  struct Case {
    const char* path;
    const char* stored;
    const char* shortName;
  } cases[] = {
      {"/home/buh/DATI/KONTI.DB", "home/buh/DATI/KONTI.DB", "HOME/BUH/DATI/KONTI.DB"},
      {"C:/Buh/Dati/konti.db", "Buh/Dati/konti.db", "BUH/DATI/KONTI.DB"},
      {"../up/./file.text", "up/file.text", "UP/FILE.TEX"},
      {"Gramatvediba/ilgs nosaukums.dati", "Gramatvediba/ilgs nosaukums.dati", "GRAMATVE/ILGS_NOS.DAT"},
  };
  for (const auto& c : cases) {
    std::string stored = StoredNameFor(c.path);
    EXPECT_EQ(stored, c.stored) << c.path;
    EXPECT_EQ(ShortDosName(stored), c.shortName) << c.path;
  }
}

// Pieces deflated apart must join into one stream that inflates to the whole.
TEST(ZipLibNames, DeflatedPiecesJoinIntoOneStream) {
  std::string data;
  for (int i = 0; i < 60000; ++i) data += "row " + std::to_string(i * 7919 % 10007) + ";";
  for (std::size_t firstSize : {std::size_t(1), std::size_t(4096), std::size_t(99999), data.size()}) {
    std::size_t pieceSize = firstSize;
    std::string joined;
    for (std::size_t off = 0; off < data.size(); off += pieceSize) {
      if (firstSize == 1 && off > 64) pieceSize = data.size();  // a few tiny pieces, then the rest
      std::size_t n = std::min(pieceSize, data.size() - off);
      std::string piece;
      ASSERT_TRUE(
          DeflatePiece(9, reinterpret_cast<const std::uint8_t*>(data.data() + off), n, off + n == data.size(), piece));
      joined += piece;
    }
    z_stream zs{};
    ASSERT_EQ(inflateInit2(&zs, -15), Z_OK);
    std::string out(data.size() + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(joined.data());
    zs.avail_in = uInt(joined.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&zs, Z_FINISH), Z_STREAM_END) << firstSize;
    EXPECT_EQ(zs.avail_in, 0u) << "bytes after the final block";
    out.resize(zs.total_out);
    inflateEnd(&zs);
    EXPECT_TRUE(out == data) << firstSize << ": " << out.size() << " of " << data.size() << " bytes";
  }
}

}  // namespace
}  // namespace orn::zipfmt
