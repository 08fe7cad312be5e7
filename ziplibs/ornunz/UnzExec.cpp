// OrnUnzExec: one extract or test job. This thread decides, per entry, where
// it may go (names are checked and every directory is opened relative to
// the base directory without following symbolic links), asks the host its
// questions and opens the output file; the worker threads decode entries
// into those files in parallel.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <new>
#include <random>

#include "DosTime.h"
#include "EntryDecoder.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "Reporter.h"
#include "UniqueFd.h"
#include "WorkerPool.h"
#include "ZipCrypto.h"
#include "ZipRecords.h"

namespace orn::zipfmt {

namespace {

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

// Whether an entry is chosen by the lines given; marks each line that chose
// something in `used`.
bool Selected(const std::string& name, const std::vector<std::string>& patterns, std::vector<bool>* used = nullptr) {
  if (patterns.empty()) return true;
  const std::string n = MatchingForm(name);
  bool chosen = false;
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    const std::string& s = patterns[i];
    if (n == s || MatchesMask(n, s) || (!s.empty() && s.back() == '/' && n.compare(0, s.size(), s) == 0)) {
      chosen = true;
      if (!used) break;
      (*used)[i] = true;
    }
  }
  return chosen;
}

NameDecoding DecodingOf(const OrnUnzipParams& p) {
  NameDecoding names;
  if (p.NamesCodePage >= cpAuto && p.NamesCodePage <= cpOEM) names.codePage = CodePageOpts(p.NamesCodePage);
  if (p.NamesOemCodePage > 0) names.oemCodePage = p.NamesOemCodePage;
  if (p.NamesAnsiCodePage > 0) names.ansiCodePage = p.NamesAnsiCodePage;
  return names;
}

// Opens (and creates) the directories of a relative path under the base,
// one level at a time, never through a symbolic link.
class DirOpener {
 public:
  explicit DirOpener(int baseFd) : baseFd_(baseFd) {}
  enum class Status { Ok, Unsafe, Failed };
  // `relDir` may be empty (the base itself).
  Status Open(const std::string& relDir, bool create, std::shared_ptr<UniqueFd>& out, std::string& error) {
    if (cached_ && relDir == cachedPath_) {
      out = cached_;
      return Status::Ok;
    }
    UniqueFd cur(::dup(baseFd_));
    std::size_t i = 0;
    while (i < relDir.size()) {
      std::size_t j = relDir.find('/', i);
      if (j == std::string::npos) j = relDir.size();
      std::string part = relDir.substr(i, j - i);
      int fd = ::openat(cur.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(cur.Get(), part.c_str(), 0777) != 0 && errno != EEXIST) {
          error = std::strerror(errno);
          return Status::Failed;
        }
        fd = ::openat(cur.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      }
      if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR) {
          struct stat st {};
          if (::fstatat(cur.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            return Status::Unsafe;
        }
        error = std::strerror(errno);
        return Status::Failed;
      }
      cur = UniqueFd(fd);
      i = j + 1;
    }
    cached_ = std::make_shared<UniqueFd>(std::move(cur));
    cachedPath_ = relDir;
    out = cached_;
    return Status::Ok;
  }

 private:
  int baseFd_;
  std::shared_ptr<UniqueFd> cached_;
  std::string cachedPath_;
};

struct Pending {
  const CentralEntry* entry = nullptr;
  std::string shownName;
  std::shared_ptr<UniqueFd> dir;
  std::string leaf;
  std::string tempLeaf;                                 // set when an existing file is replaced
  std::shared_future<std::vector<DecodeResult>> batch;  // the batch this entry went with
  std::size_t index = 0;                                // its place in the batch
  std::uint64_t weight = 0;
};

// What a worker needs for one entry.
struct DecodeTask {
  DecodeJob job;
  std::shared_ptr<UniqueFd> out;
  std::time_t mtime = 0;
};

DecodeResult RunTask(DecodeTask& t) {
  t.job.outFd = t.out->Get();
  DecodeResult r = DecodeEntry(t.job);
  if (t.job.outFd >= 0) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = t.mtime;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::futimens(t.job.outFd, times);
    if (!t.out->Close() && r.ok) {
      r.ok = false;
      r.errorCode = ORN_ZE_WRITE;
      r.error = "Cannot write " + t.job.entry->name + " (disk full?)";
    }
  }
  return r;
}

std::string TempLeafFor(const std::string& leaf) {
  thread_local std::mt19937 gen{std::random_device{}()};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", unsigned(gen()));
  return "." + leaf.substr(0, 200) + ".orn" + buf;
}

int RunUnzJob(const OrnUnzipParams& p) {
  Reporter rep(p.ZCallbackFunc, p.Handle, p.Caller, false, p.fVerbose || p.fTraceEnabled);
  const std::string zipPath = Str(p.pZipFN);
  if (zipPath.empty()) {
    rep.Message(ORN_ZE_PARMS, "No archive name given");
    return 0;
  }
  UniqueFd zfd(::open(zipPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!zfd) {
    rep.Message(ORN_ZE_OPEN, "Cannot open " + zipPath + ": " + std::strerror(errno));
    return 0;
  }
  CentralDirectory cd;
  try {
    cd = ReadCentralDirectory(zfd.Get(), zipPath, DecodingOf(p));
  } catch (const ZipError& e) {
    rep.Message(e.Code(), e.what());
    return 0;
  }

  const bool test = p.fTest != 0;
  const bool keepDirs = p.fDirectories != 0;
  const bool update = p.fUpdate != 0;
  const bool freshen = p.fFreshen != 0 && !update;
  const bool overwrite = p.fOverwrite != 0;

  std::vector<std::string> patterns;
  for (int i = 0; p.FDs && i < p.Argc; ++i)
    if (p.FDs[i].fFileSpec && *p.FDs[i].fFileSpec) patterns.push_back(MatchingForm(p.FDs[i].fFileSpec));

  std::string base = Str(p.ExtrBaseDir);
  if (base.empty()) base = ".";
  UniqueFd baseFd;
  if (!test && !p.fExtractToMemory) {
    if (!DirectoryExists(base)) ForceDirectories(base);
    baseFd = UniqueFd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!baseFd) {
      rep.Message(ORN_ZE_CREATE, "Cannot open the directory to extract into, " + base + ": " + std::strerror(errno));
      return 0;
    }
  }
  DirOpener dirs(baseFd.Get());

  std::vector<const CentralEntry*> chosen;
  std::int64_t total = 0;
  std::vector<bool> used(patterns.size(), false);
  for (const auto& e : cd.entries)
    if (Selected(e.name, patterns, &used)) {
      chosen.push_back(&e);
      if (!e.IsDirectory()) total += std::int64_t(e.uncompressedSize);
    }
  // Every line that names nothing is told, also when other lines chose
  // entries: the caller asked for it and does not get it.
  for (std::size_t i = 0; i < patterns.size(); ++i)
    if (!used[i]) rep.Message(ORN_ZE_NAME, "No entry of " + zipPath + " matches " + patterns[i]);
  if (chosen.empty()) return 0;
  if (!rep.ItemCount(std::int64_t(chosen.size())) || !rep.TotalSize(total)) return 0;

  std::uint32_t pwRequests = std::min<std::uint32_t>(p.fPWReqCount, 15);
  std::string goodPassword;
  const std::string givenPassword = Str(p.pZipPassword);
  auto passwordFits = [&](const std::string& pw, const CentralEntry& e, const std::uint8_t header[12]) {
    std::uint8_t h[12];
    std::memcpy(h, header, 12);
    ZipCrypto c(pw);
    c.Decrypt(h, 12);
    return h[11] == e.CryptCheckByte();
  };

  // Finds the password for an encrypted entry: the last one that fitted, the
  // one given, then as many questions as allowed. -1 when found, else why not.
  auto findPassword = [&](const CentralEntry& e, std::uint64_t dataOffset, std::string& password) -> int {
    std::uint8_t header[12];
    if (!ReadAt(zfd.Get(), header, 12, dataOffset)) return ORN_SKIP_ZIP_FORMAT_WRONG;
    for (const std::string& pw : {goodPassword, givenPassword})
      if (!pw.empty() && passwordFits(pw, e, header)) {
        password = pw;
        goodPassword = pw;
        return -1;
      }
    bool tried = !givenPassword.empty() || !goodPassword.empty();
    while (pwRequests > 0) {
      std::uint32_t repeat = pwRequests;
      auto answer = rep.AskPassword(e.name, false, repeat);
      if (!answer) {
        pwRequests = 0;  // the user declined: no more questions in this job
        break;
      }
      pwRequests = repeat > 0 ? repeat - 1 : 0;
      tried = true;
      if (passwordFits(*answer, e, header)) {
        password = goodPassword = *answer;
        pwRequests = std::min<std::uint32_t>(p.fPWReqCount, 15);
        return -1;
      }
    }
    return tried ? ORN_SKIP_BAD_PASSWORD : ORN_SKIP_NO_ENCRYPTION_KEY;
  };

  if (p.fExtractToMemory) {
    // The memory variant: the first file entry the first line names, into
    // the host's buffer, which must be large enough.
    const CentralEntry* target = nullptr;
    std::vector<std::string> first(patterns.begin(), patterns.begin() + std::min<std::size_t>(1, patterns.size()));
    for (const CentralEntry* e : chosen)
      if (!e->IsDirectory() && Selected(e->name, first)) {
        target = e;
        break;
      }
    if (!target) return 0;
    if (!p.pExtractBuffer || target->uncompressedSize > p.ExtractBufferSize) {
      rep.Message(ORN_ZE_PARMS, "The buffer is too small for " + target->name);
      return 0;
    }
    if (!rep.ItemStart(target->name, std::int64_t(target->uncompressedSize))) return 0;
    DecodeJob job;
    job.archiveFd = zfd.Get();
    job.entry = target;
    job.outBuffer = static_cast<char*>(p.pExtractBuffer);
    job.outCapacity = p.ExtractBufferSize;
    if (target->IsEncrypted()) {
      try {
        job.dataOffset = LocalDataOffset(zfd.Get(), *target, zipPath);
      } catch (const ZipError& err) {
        rep.Message(err.Code(), err.what());
        return 0;
      }
      int skip = findPassword(*target, job.dataOffset, job.password);
      if (skip >= 0) {
        rep.Skipped(target->name, skip, ORN_ZE_PASSWORD);
        return 0;
      }
    }
    DecodeResult r = DecodeEntry(job);
    if (!r.ok || r.crc != target->crc) {
      rep.Message(r.ok ? ORN_ZE_CRC : r.errorCode, r.ok ? "CRC error: " + target->name : r.error);
      return 0;
    }
    rep.BytesDone(std::int64_t(target->uncompressedSize));
    rep.BatchEnd();
    return 1;
  }

  WorkerPool pool(WorkerPool::ThreadsFor(0));
  std::deque<Pending> inflight;
  std::uint64_t weightInFlight = 0;
  const std::uint64_t maxWeight = 160u << 20;
  int done = 0;

  // Small entries go to the workers in batches, so that thousands of tiny
  // files do not cost a thread hand-over each.
  constexpr std::size_t kBatchEntries = 32;
  constexpr std::uint64_t kBatchBytes = 1u << 20;
  std::vector<DecodeTask> building;
  std::uint64_t buildingBytes = 0;
  auto flush = [&] {
    if (building.empty()) return;
    std::size_t first = inflight.size() - building.size();
    auto fut = pool.Submit([tasks = std::move(building)]() mutable {
                     std::vector<DecodeResult> results;
                     results.reserve(tasks.size());
                     for (DecodeTask& t : tasks) results.push_back(RunTask(t));
                     return results;
                   })
                   .share();
    for (std::size_t k = first; k < inflight.size(); ++k) {
      inflight[k].batch = fut;
      inflight[k].index = k - first;
    }
    building.clear();
    buildingBytes = 0;
  };

  auto finish = [&](Pending& pend) {
    DecodeResult r = pend.batch.get()[pend.index];
    weightInFlight -= pend.weight;
    const CentralEntry& e = *pend.entry;
    int dirFd = pend.dir ? pend.dir->Get() : -1;
    const std::string& written = pend.tempLeaf.empty() ? pend.leaf : pend.tempLeaf;
    bool keep = false;
    if (!r.ok) {
      rep.Message(r.errorCode, r.error);
      rep.Skipped(pend.shownName,
                  r.errorCode == ORN_ZE_PASSWORD ? ORN_SKIP_BAD_PASSWORD : ORN_SKIP_GENERAL_EXTRACT_ERROR, r.errorCode);
    } else if (r.crc != e.crc) {
      rep.Message(ORN_ZE_CRC, "CRC error: " + pend.shownName);
      keep = !test && rep.AskKeepOnCrcError(pend.shownName, r.crc, e.crc);
    } else {
      keep = true;
      ++done;
    }
    if (!test) {
      if (keep && !pend.tempLeaf.empty() && ::renameat(dirFd, pend.tempLeaf.c_str(), dirFd, pend.leaf.c_str()) != 0) {
        rep.Message(ORN_ZE_WRITE, "Cannot replace " + pend.shownName + ": " + std::strerror(errno));
        if (r.ok && r.crc == e.crc) --done;
        keep = false;
      }
      if (!keep) ::unlinkat(dirFd, written.c_str(), 0);
    }
    rep.BytesDone(std::int64_t(e.uncompressedSize));
  };
  auto drainTo = [&](std::uint64_t limit, std::size_t count) {
    while (!inflight.empty() && (weightInFlight > limit || inflight.size() > count)) {
      if (!inflight.front().batch.valid()) flush();
      finish(inflight.front());
      inflight.pop_front();
    }
  };

  for (const CentralEntry* ep : chosen) {
    const CentralEntry& e = *ep;
    if (rep.Stopped()) break;
    drainTo(maxWeight, 256);
    SafeName safe = CheckEntryName(e.name, keepDirs);
    if (safe.verdict == NameVerdict::SkipQuiet) continue;
    if (safe.verdict == NameVerdict::Unsafe) {
      rep.Skipped(e.name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
      rep.Message(ORN_ZE_UNSAFE, "Unsafe name (" + safe.reason + "), not extracted: " + e.name);
      continue;
    }
    const std::string* rel = &safe.path;
    if (e.IsDirectory()) {
      if (!test && keepDirs) {
        std::shared_ptr<UniqueFd> d;
        std::string err;
        auto st = dirs.Open(*rel, true, d, err);
        if (st == DirOpener::Status::Unsafe)
          rep.Skipped(e.name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
        else if (st == DirOpener::Status::Failed)
          rep.Message(ORN_ZE_CREATE, "Cannot create " + *rel + ": " + err);
      }
      continue;
    }
    if (!rep.ItemStart(e.name, std::int64_t(e.uncompressedSize))) break;
    if (e.flags & kFlagStrongEncryption || e.method == 99) {
      rep.Skipped(e.name, ORN_SKIP_COMPRESSION_UNKNOWN, ORN_ZE_FORMAT);
      continue;
    }
    if (e.method != kMethodStore && e.method != kMethodDeflate) {
      rep.Message(ORN_ZE_FORMAT, "Compression method " + std::to_string(e.method) + " not supported: " + e.name);
      rep.Skipped(e.name, ORN_SKIP_COMPRESSION_UNKNOWN, ORN_ZE_FORMAT);
      continue;
    }
    if (!test && e.IsSymlink()) {
      rep.Message(ORN_ZE_UNSAFE, "Symbolic link not extracted: " + e.name);
      rep.Skipped(e.name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
      continue;
    }
    // The data offset is found by the worker, except for encrypted entries,
    // whose header this thread checks against the password first.
    std::uint64_t dataOffset = 0;
    if (e.IsEncrypted()) {
      try {
        dataOffset = LocalDataOffset(zfd.Get(), e, zipPath);
      } catch (const ZipError& err) {
        rep.Message(err.Code(), err.what());
        rep.Skipped(e.name, ORN_SKIP_ZIP_FORMAT_WRONG, err.Code());
        continue;
      }
    }
    std::string password;
    if (e.IsEncrypted()) {
      int skip = findPassword(e, dataOffset, password);
      if (skip >= 0) {
        rep.Skipped(e.name, skip, skip == ORN_SKIP_ZIP_FORMAT_WRONG ? ORN_ZE_EOF : ORN_ZE_PASSWORD);
        continue;
      }
    }

    Pending pend;
    pend.entry = &e;
    pend.shownName = e.name;
    DecodeJob job;
    job.archiveFd = zfd.Get();
    job.entry = &e;
    job.dataOffset = dataOffset;
    job.password = password;
    UniqueFd out;
    if (!test) {
      std::size_t slash = rel->rfind('/');
      std::string relDir = slash == std::string::npos ? "" : rel->substr(0, slash);
      pend.leaf = slash == std::string::npos ? *rel : rel->substr(slash + 1);
      std::string err;
      auto st = dirs.Open(relDir, true, pend.dir, err);
      if (st == DirOpener::Status::Unsafe) {
        rep.Message(ORN_ZE_UNSAFE, "A symbolic link is on the way, not extracted: " + e.name);
        rep.Skipped(e.name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
        continue;
      }
      if (st == DirOpener::Status::Failed) {
        rep.Message(ORN_ZE_CREATE, "Cannot create the directory of " + e.name + ": " + err);
        rep.Skipped(e.name, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE);
        continue;
      }
      int dirFd = pend.dir->Get();
      struct stat st0 {};
      bool exists = ::fstatat(dirFd, pend.leaf.c_str(), &st0, AT_SYMLINK_NOFOLLOW) == 0;
      if (exists && S_ISLNK(st0.st_mode)) {
        rep.Message(ORN_ZE_UNSAFE, "The target is a symbolic link, not extracted: " + e.name);
        rep.Skipped(e.name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
        continue;
      }
      if (exists && !S_ISREG(st0.st_mode)) {
        rep.Message(ORN_ZE_CREATE, "Something other than a file is in the way: " + e.name);
        rep.Skipped(e.name, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE);
        continue;
      }
      bool older = exists && ToDosDateTime(st0.st_mtime) < e.DosDateTime();
      if (!exists && freshen) {
        rep.Skipped(e.name, ORN_SKIP_ON_FRESHEN, 0);
        continue;
      }
      if (exists && (freshen || update) && !older) {
        rep.Skipped(e.name, ORN_SKIP_ON_FRESHEN, 0);
        continue;
      }
      if (exists && !overwrite) {
        if (!rep.AskOverwrite(e.name, older, freshen || update)) {
          if (rep.Stopped()) break;
          rep.Skipped(e.name, rep.HasCallback() ? ORN_SKIP_NO_OVERWRITE : ORN_SKIP_FILE_EXISTS, 0);
          continue;
        }
      }
      // A file being replaced is written beside it first, so a failure
      // leaves the old one intact.
      if (exists) pend.tempLeaf = TempLeafFor(pend.leaf);
      const std::string& target = exists ? pend.tempLeaf : pend.leaf;
      out = UniqueFd(::openat(dirFd, target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
      if (!out) {
        rep.Message(ORN_ZE_CREATE, "Cannot create " + e.name + ": " + std::strerror(errno));
        rep.Skipped(e.name, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE);
        continue;
      }
    }
    pend.weight = std::min<std::uint64_t>(e.compressedSize, kWholeEntryLimit) +
                  std::min<std::uint64_t>(e.uncompressedSize, kWholeEntryLimit) + 4096;
    weightInFlight += pend.weight;
    std::time_t mtime = FromDosDateTime(e.DosDateTime());
    building.push_back({job, std::make_shared<UniqueFd>(std::move(out)), mtime});
    buildingBytes += e.uncompressedSize;
    inflight.push_back(std::move(pend));
    if (building.size() >= kBatchEntries || buildingBytes >= kBatchBytes) flush();
  }
  flush();
  drainTo(0, 0);
  if (rep.Stopped()) {
    rep.Message(ORN_ZE_ABORT, "Cancelled");
    return done;
  }
  rep.BatchEnd();
  return done;
}

}  // namespace
}  // namespace orn::zipfmt

extern "C" {

ORN_ZIPLIB_EXPORT int32_t GetOrnUnzVersion(void) { return ORN_UNZLIB_VERSION; }

ORN_ZIPLIB_EXPORT int32_t OrnUnzExec(OrnUnzipParams* params) {
  if (!params) return 0;
  try {
    return orn::zipfmt::RunUnzJob(*params);
  } catch (const std::bad_alloc&) {
    orn::zipfmt::Reporter rep(params->ZCallbackFunc, params->Handle, params->Caller, false, false);
    rep.Message(ORN_ZE_MEMORY, "Out of memory");
  } catch (const std::exception& e) {
    orn::zipfmt::Reporter rep(params->ZCallbackFunc, params->Handle, params->Caller, false, false);
    rep.Message(ORN_ZE_LOGIC, e.what());
  } catch (...) {
  }
  return 0;
}
}
