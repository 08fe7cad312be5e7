// The zip directory reader: finds the end record of an archive with at most
// two reads, then reads the whole central directory with one more and
// decodes every header through one bounds-checked cursor. It knows nothing of
// the component: it reports warnings and kept records through callbacks and
// raises EZipEngine for failures, leaving what it read so far in place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "EZipEngine.h"
#include "ZipDirEntry.h"
#include "ZipFormat.h"
#include "ZipNames.h"
#include "ZipSource.h"

namespace orn {

// The end record as found, with the Zip64 values folded in when present.
struct ZipEndRecord {
  std::uint32_t thisDisk = 0;
  std::uint32_t directoryDisk = 0;
  std::uint64_t entriesOnDisk = 0;
  std::uint64_t totalEntries = 0;
  std::uint64_t directorySize = 0;
  std::uint64_t directoryOffset = 0;
  std::uint16_t commentLength = 0;
  std::uint64_t position = 0;  // of the classic end record in the file
  // Where the directory ends: the Zip64 end record when there is one.
  std::uint64_t directoryEnd = 0;
  bool zip64 = false;
};

// What a listing learns besides the records.
struct ZipDirectoryInfo {
  std::string comment;   // archive comment, bytes as stored
  int volumeCount = 0;   // number of this disk in the end record
  bool spanned = false;  // a volume of a spanned set
  std::uint64_t firstLocalOffset = 0;
  bool hasPrefix = false;  // the directory is not where the end record says
  int dirOnlyCount = 0;    // directory-only entries left out
  std::uint64_t archiveSize = 0;
  std::uint64_t directoryPosition = 0;
  // What to add to a recorded local header offset to find it in the file
  // (data in front of the archive that the offsets do not count).
  std::int64_t offsetShift = 0;
  bool zip64 = false;  // Zip64 end records were used
  ZipEndRecord end;    // as found
  NameDecoding names;  // the code pages the names were read in
};

// A whole directory as read: the entries in directory order and what the
// reading learned about the archive.
struct ZipDirectory {
  std::vector<ZipDirEntry> entries;
  ZipDirectoryInfo info;
};

struct ZipDirOptions {
  NameDecoding names{cpAuto, 775, 1257};
  bool useDirOnlyEntries = false;
  // The volume number the medium carries (the volume label's number where
  // there are labels; here the number in the file name), 0 when none.
  int labelVolume = 0;
};

class ZipDirReader {
 public:
  using Warning = std::function<void(int ident, const std::string& detail)>;
  using NewName = std::function<void(int seqNo, const ZipDirEntry& entry)>;

  ZipDirReader(const ZipSource& source, ZipDirOptions options) : source_(source), options_(options) {}
  void OnWarning(Warning warning) { warning_ = std::move(warning); }
  void OnNewName(NewName newName) { newName_ = std::move(newName); }

  // Finds the end record. True when found; when not, false in report mode and
  // EZipEngine (11036, 11037, 11038, 11045) in raise mode. Sets the comment,
  // the spanned mark and the archive size in `info`.
  bool FindEndOfDirectory(ZipEndRecord& end, ZipDirectoryInfo& info, bool raise);
  // Lists the whole directory into `entries` (appending) and `info`. Raises
  // EZipEngine on failure, with the records read before it kept; entries
  // whose data overlap one another or the directory are refused (11048)
  // before anything is read from them.
  void Read(std::vector<ZipDirEntry>& entries, ZipDirectoryInfo& info);

 private:
  void ReadZip64End(ZipEndRecord& end);
  void PreferEnclosingEnd(ZipEndRecord& end, ZipDirectoryInfo& info);

  const ZipSource& source_;
  ZipDirOptions options_;
  Warning warning_;
  NewName newName_;
};

// Whether a host and a library may hand each other the directory as read
// (the unzip block's HostDirectory): the same only when both were built from
// this record layer with the same compiler and C++ library. The revision is
// raised when a record type changes its meaning without changing its size.
constexpr std::uint32_t kRecordLayoutRevision = 1;
constexpr std::uint32_t RecordLayout() {
  std::uint32_t hash = 2166136261u;
  auto mix = [&hash](std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
      hash ^= static_cast<std::uint32_t>((value >> (8 * i)) & 0xFF);
      hash *= 16777619u;
    }
  };
  for (const char* p = __VERSION__; *p; ++p) mix(static_cast<unsigned char>(*p));
  mix(sizeof(ZipDirEntry));
  mix(alignof(ZipDirEntry));
  mix(sizeof(ZipDirectory));
  mix(sizeof(ZipDirectoryInfo));
  mix(sizeof(std::string));
  mix(kRecordLayoutRevision);
#ifdef _GLIBCXX_USE_CXX11_ABI
  mix(_GLIBCXX_USE_CXX11_ABI);
#endif
  return hash;
}

// Decodes `count` central headers from `bytes`, the directory as one run of
// bytes (read across the volumes of a set), names as `names` say. Raises
// EZipEngine (11013, 11015, 11017, 11022) for a header cut off or damaged.
std::vector<ZipDirEntry> DecodeCentralDirectory(std::string_view bytes, std::uint64_t count, const NameDecoding& names);

// Where the data of `entry` starts in `source`, from its local header (at
// LocalHeaderPosition). Raises EZipEngine: 11012 when the archive ends inside
// the header, 11014 when no local header is there.
std::uint64_t LocalDataOffset(const ZipSource& source, const ZipDirEntry& entry);

// The volume number a file name carries: three digits before the extension
// ("ARCH002.zip" -> 2) or a split extension (".z01" -> 1); 0 when none.
int VolumeNumberOfName(const std::string& path);
// The volume number of the name when the file can be a volume of a set: a
// number above 1 counts only when the set's first volume lies beside it.
int VolumeNumberInSet(const std::string& path);

}  // namespace orn
