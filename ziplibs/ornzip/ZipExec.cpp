// OrnZipExec: one add job. Reads the old archive's directory, gathers the
// files the lines name, decides what replaces what (freshen, update), checks
// the zip limits before anything is written, writes the new archive into a
// temporary file and puts it in place only when everything went well, so a
// failed or cancelled job leaves the old archive as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <unordered_map>

#include "ArchiveWriter.h"
#include "DosTime.h"
#include "FileCollector.h"
#include "OrnZipLib.h"
#include "Reporter.h"
#include "UniqueFd.h"
#include "WorkerPool.h"
#include "ZipRecords.h"

namespace orn::zipfmt {

namespace {

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> SplitSuffixes(const std::string& list) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i <= list.size()) {
    std::size_t j = list.find(':', i);
    if (j == std::string::npos) j = list.size();
    std::string s = Lower(list.substr(i, j - i));
    if (!s.empty()) out.push_back(s[0] == '.' ? s : "." + s);
    i = j + 1;
  }
  return out;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

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
  std::string near = zipPath + ".ornXXXXXX";
  UniqueFd nearFd(::mkstemp(near.data()));
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

int RunZipJob(const OrnZipParams& p) {
  Reporter rep(p.ZCallbackFunc, p.Handle, p.Caller, true, p.fVerbose || p.fTraceEnabled);
  const std::string zipPath = Str(p.pZipFN);
  if (zipPath.empty()) {
    rep.Message(ORN_ZE_PARMS, "No archive name given");
    return 0;
  }
  if (p.Argc <= 0 || !p.FDs) {
    rep.Message(ORN_ZE_NONE, "Nothing to do: no file named for " + zipPath);
    return 0;
  }

  // The old archive, when there is one.
  UniqueFd oldFd(::open(zipPath.c_str(), O_RDONLY | O_CLOEXEC));
  CentralDirectory old;
  struct stat oldSt {};
  bool haveOld = false;
  if (oldFd && ::fstat(oldFd.Get(), &oldSt) == 0 && S_ISREG(oldSt.st_mode) && oldSt.st_size > 0) {
    try {
      old = ReadCentralDirectory(oldFd.Get(), zipPath);
      haveOld = true;
    } catch (const ZipError& e) {
      rep.Message(e.Code(), std::string(e.what()) + "; the file was left unchanged");
      return 0;
    }
  } else if (!oldFd && errno != ENOENT) {
    rep.Message(ORN_ZE_OPEN, "Cannot open " + zipPath + ": " + std::strerror(errno));
    return 0;
  }

  CollectOptions co;
  co.junkDirs = p.fJunkDir != 0;
  co.hidden = p.fSystem != 0;
  co.dirEntries = p.fNoDirEntries == 0;
  co.force83 = p.fForce != 0;
  co.storeLinks = p.fStoreLinks != 0;
  for (int i = 0; p.ExFiles && i < p.TotExFileSpecs; ++i)
    if (p.ExFiles[i]) co.excludes.push_back(NormalizeSeparators(p.ExFiles[i]));
  FileCollector collector(co, rep);

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
        return 0;
      }
    }
    std::size_t matched = collector.AddLine(pattern, Str(fd.fRootDir), fd.fRecurse != 0, encrypt, password);
    if (matched == 0) rep.Message(ORN_ZE_NAME, "Name not matched: " + pattern);
    if (rep.Stopped()) return 0;
  }

  // Never add the archive to itself.
  std::vector<FileToAdd>& files = collector.Files();
  if (haveOld)
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const FileToAdd& f) { return f.dev == oldSt.st_dev && f.ino == oldSt.st_ino; }),
                files.end());

  const bool update = p.fUpdate != 0;
  const bool freshen = p.fFreshen != 0 && !update;
  std::unordered_map<std::string, std::size_t> oldIndex;
  for (std::size_t i = 0; i < old.entries.size(); ++i) oldIndex.emplace(old.entries[i].name, i);
  std::vector<FileToAdd*> replacing(old.entries.size(), nullptr);
  std::vector<FileToAdd*> appended;
  for (FileToAdd& f : files) {
    auto it = oldIndex.find(f.storedName);
    if (it == oldIndex.end()) {
      if (!freshen) appended.push_back(&f);
      continue;
    }
    if ((freshen || update) && ToDosDateTime(f.mtime) <= old.entries[it->second].DosDateTime()) continue;
    replacing[it->second] = &f;
  }

  const std::vector<std::string> suffixes = SplitSuffixes(Str(p.pSuffix));
  std::vector<WriteItem> items;
  std::int64_t totalBytes = 0;
  std::int64_t newCount = 0;
  auto addItem = [&](FileToAdd* f) {
    WriteItem w;
    w.add = f;
    std::string lower = Lower(f->storedName);
    w.store = std::any_of(suffixes.begin(), suffixes.end(), [&](const std::string& s) { return EndsWith(lower, s); });
    items.push_back(w);
    totalBytes += std::int64_t(f->size);
    ++newCount;
  };
  for (std::size_t i = 0; i < old.entries.size(); ++i) {
    if (replacing[i]) {
      addItem(replacing[i]);
    } else {
      WriteItem w;
      w.keep = &old.entries[i];
      items.push_back(w);
    }
  }
  for (FileToAdd* f : appended) addItem(f);

  if (newCount == 0) {
    rep.Message(ORN_ZE_NONE, "Nothing to do for " + zipPath + "; the archive was not changed");
    return 0;
  }
  if (!rep.ItemCount(newCount) || !rep.TotalSize(totalBytes)) return 0;

  std::string dir = Str(p.pTempDir);
  if (dir.empty()) {
    std::size_t slash = zipPath.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : zipPath.substr(0, slash));
  }
  std::string tmpPath = (dir.back() == '/' ? dir : dir + "/") + "ornzXXXXXX";
  UniqueFd tmpFd(::mkstemp(tmpPath.data()));
  if (!tmpFd) {
    rep.Message(ORN_ZE_TEMP, "Cannot create a temporary file in " + dir + ": " + std::strerror(errno));
    return 0;
  }
  // Whatever happens from here on, a half-written temporary file goes away.
  struct TempGuard {
    std::string path;
    ~TempGuard() { ::unlink(path.c_str()); }
  } guard{tmpPath};
  mode_t mode = haveOld ? (oldSt.st_mode & 07777) : [] {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mode_t(0666 & ~mask);
  }();
  ::fchmod(tmpFd.Get(), mode);
  rep.Info("Temporary archive: " + tmpPath);

  WriterOptions wo;
  wo.zipLevel = std::clamp(p.fLevel, 0, 9);
  wo.best = p.fBest != 0 && wo.zipLevel > 0;
  bool ok;
  std::vector<const FileToAdd*> added;
  std::uint32_t newest = 0;
  {
    WorkerPool pool(WorkerPool::ThreadsFor(p.MaxThreads));
    ArchiveWriter writer(tmpFd.Get(), oldFd.Get(), zipPath, rep, pool, wo);
    std::string comment = p.pZipComment && *p.pZipComment ? std::string(p.pZipComment) : old.comment;
    std::uint64_t leading = haveOld ? old.cdStart : 0;
    for (const CentralEntry& e : old.entries) leading = std::min(leading, e.localOffset);
    ok = writer.Write(items, comment, leading);
    added = writer.Added();
    newest = writer.NewestDosTime();
  }
  if (ok && ::fsync(tmpFd.Get()) != 0) {
    rep.Message(ORN_ZE_WRITE, "Cannot write the new archive: " + std::string(std::strerror(errno)));
    ok = false;
  }
  std::string error;
  if (ok && !PutInPlace(tmpFd.Get(), tmpPath, zipPath, mode, error)) {
    rep.Message(ORN_ZE_CREATE, "Cannot replace " + zipPath + ": " + error + "; the old archive was kept");
    ok = false;
  }
  if (!ok) return 0;
  tmpFd.Reset();
  oldFd.Reset();

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
