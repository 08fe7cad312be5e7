// The file-system part of the platform layer: paths, wildcard search, drives,
// free space and safe whole-file writes. Code that needs a separator, a root or
// a drive asks here, never a literal, so that a Windows build stays possible.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orn {

constexpr char kPathDelim = '/';

// --- path text -------------------------------------------------------------
std::string IncludeTrailingDelimiter(const std::string& path);
std::string ExcludeTrailingDelimiter(const std::string& path);
bool HasTrailingDelimiter(const std::string& path);
// Directory part with its trailing delimiter ("" when there is none).
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);
// From the last '.' of the file name on (".DB"); empty when the name has none.
std::string ExtractFileExt(const std::string& path);
// The path cut at the first '.' of its file name, never inside a directory
// name: "/srv/buh.data/KONTI.DB" -> "/srv/buh.data/KONTI".
std::string CutAtFirstDotOfName(const std::string& path);
// The root a path starts from ("/" here; "X:\" on Windows); empty when relative.
std::string PathRoot(const std::string& path);
bool IsAbsolutePath(const std::string& path);
std::string JoinPath(const std::string& dir, const std::string& name);

// --- existence and directories --------------------------------------------
bool FileExists(const std::string& path);  // a regular file (or link to one)
bool DirectoryExists(const std::string& path);
bool PathExists(const std::string& path);
// Creates one directory level; false when it failed (parent missing, no right).
bool CreateDir(const std::string& path);
// Creates every missing level; false on the first level that cannot be made.
bool ForceDirectories(const std::string& path);
bool DeleteFileAt(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
std::optional<std::int64_t> FileSize(const std::string& path);
// Modification time as seconds since the epoch.
std::optional<std::int64_t> FileMTime(const std::string& path);

// The folder of the running executable, with a trailing delimiter.
std::string ExecutableDir();
std::string CurrentDir();

// --- wildcard search --------------------------------------------------------
// Windows find-file matching: '*' and '?', letter case ignored, "*.*" matches
// every name, and a mask "NAME.*" also matches "NAME" without extension.
bool MatchesMask(const std::string& name, const std::string& mask);

struct FoundFile {
  std::string name;  // file name only
  bool isDirectory = false;
  std::int64_t size = 0;
  std::int64_t mtime = 0;
};

enum class FindWhat { Files, Directories, Both };

// Entries of `dir` whose names match `mask`, sorted by name; "." and ".." are
// never returned. An unreadable or missing directory gives an empty list.
std::vector<FoundFile> FindFiles(const std::string& dir, const std::string& mask, FindWhat what = FindWhat::Files);
// `pattern` is a directory plus a mask ("/data/KONTI.*"); true when any file matches.
bool AnyFileMatches(const std::string& pattern);

// --- drives -----------------------------------------------------------------
enum class DriveKind { Unknown, Removable, Fixed, Network };
DriveKind DriveKindOf(const std::string& path);
// Bytes free for an ordinary user on the file system holding `path`.
std::optional<std::int64_t> FreeSpace(const std::string& path);

// --- whole-file I/O ---------------------------------------------------------
// Reads a whole file; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string* error = nullptr);
// Writes `bytes` beside `path` under a temporary name, flushes and renames it
// over `path`, so that a failure never leaves a half-written file behind.
// On failure returns false, removes the temporary file and leaves `path` as
// it was; `error` receives a message naming the file.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error = nullptr);
// Copies through a temporary name in the target's directory and renames it
// over the target; an interrupted copy leaves the old target intact.
bool CopyFileAtomically(const std::string& from, const std::string& to, std::string* error = nullptr);

// Writes `bytes` into a new file `path` (which must not exist yet) with the
// permissions of `modeLike` when that exists, and flushes it to the disk; on
// failure the partial file is removed.
bool WriteNewFile(const std::string& path, const std::string& bytes, const std::string& modeLike,
                  std::string* error = nullptr);
// Copies `from` into a new file `to` (which must not exist yet) and flushes
// it to the disk; on failure the partial file is removed. `progress`, when
// given, hears how many bytes are copied after each piece; answering false
// stops the copy, which then fails like any other.
using CopyProgress = std::function<bool(std::int64_t bytesCopied)>;
bool CopyToNewFile(const std::string& from, const std::string& to, std::string* error = nullptr,
                   const CopyProgress& progress = {});
// Flushes a folder's entries (renames, new and removed names) to the disk.
bool SyncDirectory(const std::string& directory);

// --- the program's temporary names ------------------------------------------
// Every file the program writes under a temporary name is named
// ".~orn-XXXXXXXX.NAME" (eight hex digits, then the name it stands for), so
// that leftovers of a run that was killed are recognised and never taken for
// the user's data, and the name keeps its extension and volume number.
// With `sameAs` (a temporary name made before), the new name shares its
// digits: the volumes of one set stay named alike.
std::string TemporaryNameBeside(const std::string& path, const std::string& sameAs = std::string());
// True for the names above, for the journals of paired replacements, and for
// the temporary names older versions of the program left behind:
// ".NAME.XXXXXXXX.tmp", "~orn-NAME" and "NAME.ornXXXXXX".
bool IsTemporaryName(const std::string& fileName);

// The time the running process started, in seconds since the epoch.
double ProcessStartTime();

// --- the fault seam ----------------------------------------------------------
// Tests stop the program on purpose at a chosen step of writing a file; the
// hook sees every write, fsync and rename of the platform layer's writers
// before it happens. Production code never sets it.
enum class FileStep { Write, Fsync, Rename };
using FileStepHook = void (*)(FileStep step, const std::string& path);
void SetFileStepHook(FileStepHook hook);
void AtFileStep(FileStep step, const std::string& path);

// --- process ----------------------------------------------------------------
// The idle priority class: nice 19, and SCHED_IDLE where allowed.
void SetIdlePriority();

}  // namespace orn
