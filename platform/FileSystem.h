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
// Creates one directory level with the permissions `mode` (less the umask);
// false when it failed (parent missing, no right).
bool CreateDir(const std::string& path, unsigned mode = 0777);
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
// Whether the block device `device` (a dev_t) is a medium the user takes
// out: the kernel's removable flag, a memory card, or a disk on the USB bus.
bool IsRemovableDevice(std::uint64_t device);
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
// Copies `from` into a new file `to` (which must not exist yet) with the
// permissions `mode` when it is not negative (else the usual ones) and
// flushes it to the disk; on failure the partial file is removed.
// `progress`, when given, hears how many bytes are copied after each piece;
// answering false stops the copy, which then fails like any other.
using CopyProgress = std::function<bool(std::int64_t bytesCopied)>;
bool CopyToNewFile(const std::string& from, const std::string& to, std::string* error = nullptr, int mode = -1,
                   const CopyProgress& progress = {});
// Flushes a folder's entries (renames, new and removed names) to the disk.
bool SyncDirectory(const std::string& directory);

// --- permissions --------------------------------------------------------------
// What a file made from other files (an archive of them) may allow: `base`
// less every group and others bit that one of `sourceModes` (st_mode values)
// lacks. The owner's bits stay: 0600 sources give a 0600 archive.
unsigned NarrowedMode(unsigned base, const std::vector<unsigned>& sourceModes);
// The process's umask, and the usual permissions of a new file: 0666 less it.
unsigned FileCreationMask();
unsigned UsualFileMode();
// The permissions of a folder made to hold files of `fileMode`: all the
// owner's, and for group and others what the files allow plus the search
// right where they may read.
unsigned FolderModeFor(unsigned fileMode);

// --- the program's temporary names ------------------------------------------
// Every file the program writes under a temporary name is named
// ".~orn-XXXXXXXX-HHHHHHHHPPPPPPPP.NAME": eight random hex digits, the owner
// (eight hex digits naming this machine and eight the process), then the
// name it stands for. Leftovers of a run that was killed are recognised and
// never taken for the user's data, the name keeps its extension and volume
// number, and whoever finds the file can tell whether its writer still runs.
// With `sameAs` (a temporary name made before), the new name shares its
// random digits: the volumes of one set stay named alike.
std::string TemporaryNameBeside(const std::string& path, const std::string& sameAs = std::string());
// True for the names above, for the journals of paired replacements, and for
// the temporary names older versions of the program left behind:
// ".~orn-XXXXXXXX.NAME", ".NAME.XXXXXXXX.tmp", "~orn-NAME", "NAME.ornXXXXXX"
// and "ornzXXXXXX".
bool IsTemporaryName(const std::string& fileName);
// The name a temporary name of the two ".~orn-" forms stands for; empty for
// any other name.
std::string FinalNameOfTemporary(const std::string& fileName);
// True for the form with an owner.
bool HasTemporaryOwner(const std::string& fileName);
// Whether the writer of a temporary file may still be at work on it, given
// the file's modification and status change times: its owner is a running
// process on this machine that started before the file last changed; a file
// of another machine counts as alive for a day. Without an owner in the name
// (older versions), a file written since this process started may be alive.
bool TemporaryOwnerAlive(const std::string& fileName, double written, double changed);
// True when `fileName` in the folder open as `dirFd` is a temporary file (or
// link) of this program whose writer is gone: it may be removed.
bool IsStaleTemporaryAt(int dirFd, const std::string& fileName);

// The time the running process started, in seconds since the epoch, to the
// clock tick.
double ProcessStartTime();

// --- the fault seam ----------------------------------------------------------
// Tests stop the program on purpose at a chosen step of writing a file; the
// hook sees every write, fsync and rename of the platform layer's writers,
// and the removals of a change of several files, before it happens.
// Production code never sets it.
enum class FileStep { Write, Fsync, Rename, Remove };
using FileStepHook = void (*)(FileStep step, const std::string& path);
void SetFileStepHook(FileStepHook hook);
void AtFileStep(FileStep step, const std::string& path);

// --- process ----------------------------------------------------------------
// The idle priority class: nice 19, and SCHED_IDLE where allowed.
void SetIdlePriority();

}  // namespace orn
