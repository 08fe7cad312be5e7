// Entry names: how stored bytes become the name a user sees, and the one
// rule for where an entry may be written. The engine, both libraries and the
// archiver's restore all decide through these functions, so what is listed
// is what is written and what can be asked for by name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ZipFormat.h"

enum CodePageOpts { cpAuto, cpNone, cpOEM };

namespace orn {

// How one archive's names are decoded. The engine decides it once per
// archive (the reader finds the pages the names were written in when asked
// to) and hands the pages decided to the libraries.
struct NameDecoding {
  CodePageOpts codePage = cpAuto;
  int oemCodePage = 437;    // names from DOS-family hosts
  int ansiCodePage = 1252;  // names from Windows hosts that are not valid UTF-8
  // A page chosen for this archive by the user: every name without the
  // UTF-8 flag is read in it, except a Unix host's name that is valid UTF-8.
  // 0: none.
  int chosenCodePage = 0;
  // When the pages above give letters unlikely for them, look for the page
  // the names were written in: the detector's answer for their bytes (a code
  // page, 0 when it has none), then the pages of the program's languages.
  bool detect = false;
  int (*detector)(std::string_view bytes) = nullptr;
};

// Which page a stored name is read in.
enum class NameKind {
  AsStored,  // ASCII, flagged UTF-8, or a Unix host's name: its bytes are the name
  Oem,       // a DOS-family host's name: the OEM page
  Ansi,      // a Windows host's name that is no UTF-8: the ANSI page
  Chosen     // the page the user chose
};
NameKind KindOfName(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy, std::uint8_t hostSystem,
                    const NameDecoding& decoding);

// Stored text (a name or an entry comment) as the program keeps it: UTF-8,
// decoded by the code page the host and the archive's decoding call for; a
// Unix host's name that is no UTF-8 keeps its bytes, which are the file name
// there and here.
std::string DecodeEntryText(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy,
                            std::uint8_t hostSystem, const NameDecoding& decoding);

// The stored bytes of a name decoded, with "/" separators. A
// name from a host whose file names cannot hold a backslash (DOS, Windows,
// OS/2) has its backslashes read as separators; on a Unix host a backslash
// is part of the file name and stays.
std::string DecodeEntryName(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy,
                            std::uint8_t hostSystem, const NameDecoding& decoding);

// The decoded name turned into the form a name given by a user is compared
// in: every "\" counts as "/", so "DATI\KONTI.DB" finds "DATI/KONTI.DB"
// (and a Unix name "a\b" is found as "a/b" too). Used for matching only,
// never for writing.
std::string MatchingForm(const std::string& name);

enum class NameVerdict {
  Write,      // `path` holds the relative path to write
  SkipQuiet,  // the name is the target folder itself ("./", "."): nothing to do
  Unsafe      // would leave the target folder, or is no name at all
};

struct SafeName {
  NameVerdict verdict = NameVerdict::Unsafe;
  std::string path;    // relative, "/" between parts, no "." or empty parts
  std::string reason;  // why it is unsafe
};

// The one rule for a decoded entry name ("/" separators): refused when it
// is empty, absolute, has a drive ("C:", also "1:"), has a ".." part (also
// between backslashes) or holds a zero byte; a name that is only the target
// folder itself ("./", ".") is skipped quietly; any other backslash is part
// of a file name. With `keepDirs` false only the last part is kept.
SafeName CheckEntryName(const std::string& name, bool keepDirs);

// The part of a safe path a flat extraction writes: its last part.
std::string FlatPath(const SafeName& name);

// True when `name` (UTF-8, decoded from `codePage`) holds only letters
// likely for that page: the letters of one language written in it, no
// symbols or box-drawing characters, and, for Cyrillic or Greek pages, no
// such letter right beside a Latin one. ASCII alone is always likely.
bool LikelyName(const std::string& name, int codePage);

// A name for a listing: control bytes (NUL, newline ...) shown as "\xNN".
std::string PrintableName(const std::string& name);
void AppendPrintable(std::string& out, const std::string& name);

// True when a symbolic link stored at `linkPath` (a safe relative path) with
// the target `target` resolves inside the extraction folder. Absolute
// targets and targets that climb out are refused.
// `visited` receives every path, relative to the folder, that resolving the
// target passes through (a link among them could lead elsewhere).
bool LinkStaysInside(const std::string& linkPath, const std::string& target,
                     std::vector<std::string>* visited = nullptr);

}  // namespace orn
