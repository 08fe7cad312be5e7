// OrnZipExec: one add job. Reads the old archive's directory, gathers the
// files the lines name, decides what replaces what (freshen, update), writes
// the new archive into a temporary file and puts it in place only when
// everything went well, so a failed or cancelled job leaves the old archive
// as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <unordered_map>

#include "AddPlan.h"
#include "ArchiveWriter.h"
#include "DosTime.h"
#include "FileCollector.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "Reporter.h"
#include "UniqueFd.h"
#include "WorkerPool.h"
#include "ZipRecords.h"

namespace orn::zipfmt {

namespace {

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

bool CopyFileContents(int from, int to) {
  std::string buf(1u << 20, '\0');
  if (::lseek(from, 0, SEEK_SET) < 0) return false;
  for (;;) {
    ssize_t n = ::read(from, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(to, buf.data() + done, std::size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
  }
}

// Puts the finished temporary file in place of the archive. Across file
// systems the file is first copied beside the archive, then renamed.
bool PutInPlace(int tmpFd, const std::string& tmpPath, const std::string& zipPath, mode_t mode, std::string& error) {
  if (::rename(tmpPath.c_str(), zipPath.c_str()) == 0) return true;
  if (errno != EXDEV) {
    error = std::strerror(errno);
    return false;
  }
  const std::string near = TemporaryNameBeside(zipPath);
  UniqueFd nearFd(::open(near.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!nearFd) {
    error = std::strerror(errno);
    return false;
  }
  ::fchmod(nearFd.Get(), mode);
  bool ok = CopyFileContents(tmpFd, nearFd.Get()) && ::fsync(nearFd.Get()) == 0 && nearFd.Close() &&
            ::rename(near.c_str(), zipPath.c_str()) == 0;
  if (!ok) {
    error = std::strerror(errno);
    ::unlink(near.c_str());
    return false;
  }
  ::unlink(tmpPath.c_str());
  return true;
}

// The archive the job adds to, when there is one.
struct OldArchive {
  UniqueFd fd;
  ZipDirectory dir;
  struct stat st {};
  bool present = false;
};

// Opens and reads the old archive; false (reported) when a file is there
// that cannot be read as an archive, which is then left alone.
bool ReadOldArchive(const std::string& zipPath, Reporter& rep, OldArchive& old) {
  old.fd = UniqueFd(::open(zipPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!old.fd) {
    if (errno == ENOENT) return true;
    rep.Message(ORN_ZE_OPEN, "Cannot open " + zipPath + ": " + std::strerror(errno));
    return false;
  }
  if (::fstat(old.fd.Get(), &old.st) != 0 || !S_ISREG(old.st.st_mode) || old.st.st_size == 0) return true;
  try {
    old.dir = ReadCentralDirectory(old.fd.Get(), zipPath);
    old.present = true;
    return true;
  } catch (const EZipEngine& e) {
    rep.Message(ProtocolCode(e.Ident()), std::string(e.what()) + "; the file was left unchanged");
    return false;
  }
}

// Gathers the files of every line, asking once for a password when a line
// is to be encrypted without one. False (reported) when the job cannot go on.
bool CollectFiles(const OrnZipParams& p, Reporter& rep, FileCollector& collector) {
  std::string askedPassword;
  for (int i = 0; i < p.Argc; ++i) {
    const OrnZipFileData& fd = p.FDs[i];
    std::string pattern = Str(fd.fFileSpec);
    if (pattern.empty()) continue;
    bool encrypt = fd.fEncrypt != 0;
    std::string password = Str(fd.fPassword);
    if (encrypt && password.empty()) password = Str(p.pZipPassword);
    if (encrypt && password.empty()) {
      if (askedPassword.empty()) {
        std::uint32_t repeat = 1;
        askedPassword = rep.AskPassword(pattern, true, repeat).value_or("");
      }
      password = askedPassword;
      if (password.empty()) {
        rep.Message(ORN_ZE_PASSWORD, "No password given for encrypting " + pattern + "; the archive was not changed");
        return false;
      }
    }
    std::size_t matched = collector.AddLine(pattern, Str(fd.fRootDir), fd.fRecurse != 0, encrypt, password);
    if (matched == 0) rep.Message(ORN_ZE_NAME, "Name not matched: " + pattern);
    if (rep.Stopped()) return false;
  }
  return true;
}

CollectOptions CollectOptionsOf(const OrnZipParams& p) {
  CollectOptions co;
  co.junkDirs = p.fJunkDir != 0;
  co.hidden = p.fSystem != 0;
  co.dirEntries = p.fNoDirEntries == 0;
  co.force83 = p.fForce != 0;
  co.storeLinks = p.fStoreLinks != 0;
  for (int i = 0; p.ExFiles && i < p.TotExFileSpecs; ++i)
    if (p.ExFiles[i]) co.excludes.push_back(NormalizeSeparators(p.ExFiles[i]));
  return co;
}

// The temporary archive, beside the target (or in the block's folder); it
// goes away with this object unless it was renamed into place.
struct TempArchive {
  UniqueFd fd;
  std::string path;
  mode_t mode = 0;
  ~TempArchive() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

// The folder the temporary archive is made in: the block's, or the archive's.
std::string TempFolder(const OrnZipParams& p, const std::string& zipPath) {
  std::string dir = Str(p.pTempDir);
  if (dir.empty()) {
    std::size_t slash = zipPath.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : zipPath.substr(0, slash));
  }
  return dir.back() == '/' ? dir : dir + "/";
}

bool CreateTempArchive(const OrnZipParams& p, const std::string& zipPath, const OldArchive& old,
                       const std::vector<FileToAdd>& files, Reporter& rep, TempArchive& tmp) {
  const std::string dir = TempFolder(p, zipPath);
  // The program's one temporary name, so that a later job tells a killed
  // job's file from a running one's.
  const std::string path = TemporaryNameBeside(dir + ExtractFileName(zipPath));
  tmp.fd = UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!tmp.fd) {
    rep.Message(ORN_ZE_TEMP, "Cannot create a temporary file in " + dir + ": " + std::strerror(errno));
    return false;
  }
  tmp.path = path;
  // The new archive keeps the old one's permissions, or gets the usual ones,
  // and allows nobody more than every file it takes allows.
  std::vector<unsigned> modes;
  for (const FileToAdd& f : files)
    if (!f.isDirectory && !f.isLink) modes.push_back(f.mode);
  tmp.mode = NarrowedMode(old.present ? (old.st.st_mode & 07777) : UsualFileMode(), modes);
  ::fchmod(tmp.fd.Get(), tmp.mode);
  rep.Info("Temporary archive: " + tmp.path);
  return true;
}

// Writes the planned items into the temporary archive and makes it durable.
bool WriteArchive(const OrnZipParams& p, const std::string& zipPath, const OldArchive& old, const AddPlan& plan,
                  Reporter& rep, TempArchive& tmp, std::vector<const FileToAdd*>& added, std::uint32_t& newest) {
  WriterOptions wo;
  wo.zipLevel = std::clamp(p.fLevel, 0, 9);
  wo.best = p.fBest != 0 && wo.zipLevel > 0;
  wo.aesStrength = p.AesStrength;
  WorkerPool pool(WorkerPool::ThreadsFor(p.MaxThreads));
  ArchiveWriter writer(tmp.fd.Get(), old.fd.Get(), zipPath, rep, pool, wo);
  const std::string comment = p.pZipComment && *p.pZipComment ? std::string(p.pZipComment) : old.dir.info.comment;
  // A self-extractor's stub in front of the old archive stays in front.
  std::uint64_t leading = old.present ? old.dir.info.directoryPosition : 0;
  for (const ZipDirEntry& e : old.dir.entries) leading = std::min(leading, e.LocalHeaderPosition);
  if (!writer.Write(plan.items, comment, leading)) return false;
  added = writer.Added();
  newest = writer.NewestDosTime();
  if (::fsync(tmp.fd.Get()) != 0) {
    rep.Message(ORN_ZE_WRITE, "Cannot write the new archive: " + std::string(std::strerror(errno)));
    return false;
  }
  return true;
}

// After the archive is in place: its time, and the moved files deleted.
void FinishJob(const OrnZipParams& p, const std::string& zipPath, const std::vector<const FileToAdd*>& added,
               std::uint32_t newest, Reporter& rep) {
  if (p.fLatestTime && newest != 0) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = FromDosDateTime(newest);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, zipPath.c_str(), times, 0);
  }
  if (p.fMove) {
    // Only files now safely inside the archive are deleted.
    for (const FileToAdd* f : added)
      if (::unlink(f->diskPath.c_str()) != 0)
        rep.Message(ORN_ZE_WRITE, "Cannot delete " + f->diskPath + ": " + std::strerror(errno));
  }
}

int RunZipJob(const OrnZipParams& p) {
  Reporter rep(p.ZCallbackFunc, p.Handle, p.Caller, true, p.fVerbose || p.fTraceEnabled);
  const std::string zipPath = Str(p.pZipFN);
  if (zipPath.empty()) {
    rep.Message(ORN_ZE_PARMS, "No archive name given");
    return 0;
  }
  if (p.AesStrength < 0 || p.AesStrength > 3) {
    rep.Message(ORN_ZE_PARMS, "Unknown AES key size " + std::to_string(p.AesStrength) + " (1, 2 or 3)");
    return 0;
  }
  if (p.Argc <= 0 || !p.FDs) {
    rep.Message(ORN_ZE_NONE, "Nothing to do: no file named for " + zipPath);
    return 0;
  }
  OldArchive old;
  if (!ReadOldArchive(zipPath, rep, old)) return 0;

  FileCollector collector(CollectOptionsOf(p), rep);
  if (!CollectFiles(p, rep, collector)) return 0;
  // Never add the archive to itself.
  std::vector<FileToAdd>& files = collector.Files();
  if (old.present)
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const FileToAdd& f) { return f.dev == old.st.st_dev && f.ino == old.st.st_ino; }),
                files.end());

  const AddPlan plan = PlanAdd(old.dir.entries, files, p.fUpdate != 0, p.fFreshen != 0, SplitSuffixes(Str(p.pSuffix)));
  if (plan.newCount == 0) {
    rep.Message(ORN_ZE_NONE, "Nothing to do for " + zipPath + "; the archive was not changed");
    return 0;
  }
  if (!rep.ItemCount(plan.newCount) || !rep.TotalSize(plan.totalBytes)) return 0;

  // What a job killed before left in these folders goes, never what a
  // running job is writing.
  RemoveStaleTemporaries(TempFolder(p, zipPath));
  RemoveStaleTemporaries(ExtractFilePath(zipPath));
  TempArchive tmp;
  if (!CreateTempArchive(p, zipPath, old, files, rep, tmp)) return 0;
  std::vector<const FileToAdd*> added;
  std::uint32_t newest = 0;
  if (!WriteArchive(p, zipPath, old, plan, rep, tmp, added, newest)) return 0;
  std::string error;
  if (!PutInPlace(tmp.fd.Get(), tmp.path, zipPath, tmp.mode, error)) {
    rep.Message(ORN_ZE_CREATE, "Cannot replace " + zipPath + ": " + error + "; the old archive was kept");
    return 0;
  }
  tmp.path.clear();  // renamed into place
  tmp.fd.Reset();
  old.fd.Reset();

  FinishJob(p, zipPath, added, newest, rep);
  rep.BatchEnd();
  return int(added.size());
}

}  // namespace
}  // namespace orn::zipfmt

extern "C" {

ORN_ZIPLIB_EXPORT int32_t GetOrnZipVersion(void) { return ORN_ZIPLIB_VERSION; }

ORN_ZIPLIB_EXPORT int32_t OrnZipExec(OrnZipParams* params) {
  if (!params) return 0;
  try {
    return orn::zipfmt::RunZipJob(*params);
  } catch (const std::bad_alloc&) {
    orn::zipfmt::Reporter rep(params->ZCallbackFunc, params->Handle, params->Caller, true, false);
    rep.Message(ORN_ZE_MEMORY, "Out of memory; the archive was not changed");
  } catch (const std::exception& e) {
    orn::zipfmt::Reporter rep(params->ZCallbackFunc, params->Handle, params->Caller, true, false);
    rep.Message(ORN_ZE_LOGIC, std::string(e.what()) + "; the archive was not changed");
  } catch (...) {
  }
  return 0;
}
}
