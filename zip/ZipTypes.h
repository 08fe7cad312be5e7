// The enumerations and option sets of the zip engine's published properties
// and events, with their members in the order the stored windows expect.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace orn {

// A set of enumeration members, as the component's option properties are.
template <class E>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> members) {
    for (E m : members) Include(m);
  }
  constexpr bool Has(E m) const { return (bits_ >> static_cast<unsigned>(m)) & 1u; }
  constexpr void Include(E m) { bits_ |= std::uint32_t{1} << static_cast<unsigned>(m); }
  constexpr void Exclude(E m) { bits_ &= ~(std::uint32_t{1} << static_cast<unsigned>(m)); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  std::uint32_t bits_ = 0;
};

}  // namespace orn

enum AddOptsEnum {
  AddDirNames,
  AddRecurseDirs,
  AddMove,
  AddFreshen,
  AddUpdate,
  AddZipTime,
  AddForceDOS,
  AddHiddenFiles,
  AddArchiveOnly,
  AddResetArchive,
  AddEncrypt,
  AddSeparateDirs,
  AddVolume,
  AddDiskSpan,
  AddDiskSpanErase
};
using AddOpts = orn::EnumSet<AddOptsEnum>;

enum ExtrOptsEnum { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate, ExtrTest };
using ExtrOpts = orn::EnumSet<ExtrOptsEnum>;

enum SFXOptsEnum { SFXAskCmdLine, SFXAskFiles, SFXAutoRun, SFXHideOverWriteBox, SFXCheckSize, SFXNoSuccessMsg };
using SFXOpts = orn::EnumSet<SFXOptsEnum>;

enum AddStoreSuffixEnum {
  assGIF,
  assPNG,
  assZ,
  assZIP,
  assZOO,
  assARC,
  assLZH,
  assARJ,
  assTAZ,
  assTGZ,
  assLHA,
  assEXE
};
using AddStoreExts = orn::EnumSet<AddStoreSuffixEnum>;

enum OvrOpts { OvrConfirm, OvrAlways, OvrNever };
enum DeleteOpts { htdFinal, htdAllowUndo };

enum ProgressType { FileStarted = 0, BytesDone = 1, BatchEnded = 2, FileCountKnown = 3, ByteCountKnown = 4 };

// Why the library skipped an entry (the low byte it reports).
enum UnZipSkipTypes {
  stOnFreshen,
  stNoOverwrite,
  stFileExists,
  stBadPassword,
  stNoEncryptionKey,
  stCompressionUnknown,
  stUnknownZipHost,
  stZipFileFormatWrong,
  stGeneralExtractError,
  stUnsafePath
};

// Status bits of a disk that already holds a file when a volume is written.
using TZipDiskStatus = unsigned;
constexpr TZipDiskStatus zdsEmpty = 1, zdsHasFiles = 2, zdsPreviousDisk = 4, zdsSameFileName = 8,
                         zdsNotEnoughSpace = 16;
// The host's answer to OnStatusDisk: 2 another disk, 3 cancel, anything else overwrite.
enum TZipDiskAction { zdaOk = 0, zdaErase = 1, zdaReject = 2, zdaCancel = 3 };
