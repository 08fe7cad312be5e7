// OrnUnzExec: one extract or test job. This thread decides, per entry, where
// it may go (names are checked by the record layer's one rule and every
// directory is opened relative to the base directory without following
// symbolic links), asks the host its questions and opens a temporary file
// beside the final name; the worker threads decode entries into those files
// in parallel, and each is renamed into place once its CRC checked.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <deque>
#include <future>
#include <memory>
#include <new>
#include <random>
#include <set>

#include "Decompressors.h"
#include "DosTime.h"
#include "EntryDecoder.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "Reporter.h"
#include "UniqueFd.h"
#include "WinZipAes.h"
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
  std::shared_ptr<UniqueFd> dir;
  std::string leaf;
  std::string tempLeaf;                                 // what the data is written to until its CRC is checked
  std::shared_future<std::vector<DecodeResult>> batch;  // the batch this entry went with
  std::size_t index = 0;                                // its place in the batch
  std::uint64_t weight = 0;
};

// What a worker needs for one entry.
struct DecodeTask {
  DecodeJob job;
  std::shared_ptr<UniqueFd> out;
  std::time_t mtime = 0;
  mode_t mode = 0;  // permissions to give the file; 0 leaves the default
};

DecodeResult RunTask(DecodeTask& t) {
  t.job.outFd = t.out->Get();
  DecodeResult r = DecodeEntry(t.job);
  if (t.job.outFd >= 0) {
    if (t.mode != 0) ::fchmod(t.job.outFd, t.mode);
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

// The program's one temporary-name pattern, so that runs and extractions
// recognise each other's leftovers. Long names are cut so that the prefix
// still fits the file system's name limit.
std::string TempLeafFor(const std::string& leaf) { return ExtractFileName(TemporaryNameBeside(leaf.substr(0, 200))); }

// The permissions a Unix host stored with a file (no set-id or sticky bits:
// a restore must not hand out privileges); 0 when none were stored.
mode_t StoredMode(const CentralEntry& e) {
  if ((e.versionMadeBy >> 8) != kHostUnix) return 0;
  const std::uint32_t unixMode = e.externalAttr >> 16;
  if ((unixMode & 0170000) != 0100000) return 0;
  return mode_t(unixMode & 0777);
}

constexpr std::uint64_t kMaxLinkTarget = 4095;

struct timespec Now() {
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

// One extract or test job, in the steps it takes: open the archive, choose
// the entries, then per entry decide where it goes, hand it to a worker and
// finish it (CRC, rename) in order.
class UnzJob {
 public:
  explicit UnzJob(const OrnUnzipParams& p)
      : p_(p), rep_(p.ZCallbackFunc, p.Handle, p.Caller, false, p.fVerbose || p.fTraceEnabled) {}

  int Run() {
    if (!OpenArchive() || !ChooseEntries()) return 0;
    if (p_.fExtractToMemory) return ExtractToMemory();
    if (!OpenBase()) return 0;
    for (const CentralEntry* e : chosen_) {
      if (rep_.Stopped()) break;
      DrainTo(kMaxWeight, kMaxInFlight);
      if (!StartEntry(*e)) break;
    }
    Flush();
    DrainTo(0, 0);
    if (rep_.Stopped()) {
      rep_.Message(ORN_ZE_ABORT, "Cancelled");
      return done_;
    }
    rep_.BatchEnd();
    return done_;
  }

 private:
  static constexpr std::uint64_t kMaxWeight = 160u << 20;
  static constexpr std::size_t kMaxInFlight = 256;
  // Small entries go to the workers in batches, so that thousands of tiny
  // files do not cost a thread hand-over each.
  static constexpr std::size_t kBatchEntries = 32;
  static constexpr std::uint64_t kBatchBytes = 1u << 20;

  bool OpenArchive() {
    zipPath_ = Str(p_.pZipFN);
    if (zipPath_.empty()) {
      rep_.Message(ORN_ZE_PARMS, "No archive name given");
      return false;
    }
    zfd_ = UniqueFd(::open(zipPath_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!zfd_) {
      rep_.Message(ORN_ZE_OPEN, "Cannot open " + zipPath_ + ": " + std::strerror(errno));
      return false;
    }
    try {
      cd_ = ReadCentralDirectory(zfd_.Get(), zipPath_, DecodingOf(p_));
    } catch (const ZipError& e) {
      rep_.Message(e.Code(), e.what());
      return false;
    }
    return true;
  }

  bool ChooseEntries() {
    for (int i = 0; p_.FDs && i < p_.Argc; ++i)
      if (p_.FDs[i].fFileSpec && *p_.FDs[i].fFileSpec) patterns_.push_back(MatchingForm(p_.FDs[i].fFileSpec));
    std::int64_t total = 0;
    std::vector<bool> used(patterns_.size(), false);
    for (const auto& e : cd_.entries)
      if (Selected(e.name, patterns_, &used)) {
        chosen_.push_back(&e);
        if (!e.IsDirectory()) total += std::int64_t(e.uncompressedSize);
      }
    // Every line that names nothing is told, also when other lines chose
    // entries: the caller asked for it and does not get it.
    for (std::size_t i = 0; i < patterns_.size(); ++i)
      if (!used[i]) rep_.Message(ORN_ZE_NAME, "No entry of " + zipPath_ + " matches " + patterns_[i]);
    if (chosen_.empty()) return false;
    return rep_.ItemCount(std::int64_t(chosen_.size())) && rep_.TotalSize(total);
  }

  bool OpenBase() {
    if (test_) return true;
    std::string base = Str(p_.ExtrBaseDir);
    if (base.empty()) base = ".";
    if (!DirectoryExists(base)) ForceDirectories(base);
    baseFd_ = UniqueFd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!baseFd_) {
      rep_.Message(ORN_ZE_CREATE, "Cannot open the directory to extract into, " + base + ": " + std::strerror(errno));
      return false;
    }
    dirs_ = std::make_unique<DirOpener>(baseFd_.Get());
    for (const CentralEntry* e : chosen_) {
      SafeName link = CheckEntryName(e->name, keepDirs_);
      if (e->IsSymlink() && link.verdict == NameVerdict::Write) archiveLinks_.insert(link.path);
    }
    return true;
  }

  // What an encrypted entry's data begins with: the 12-byte header of the
  // traditional encryption, or an AES entry's salt and verifier.
  struct CryptHead {
    std::uint8_t bytes[16 + kAesVerifierSize];
    std::optional<AesExtra> aes;
  };

  bool PasswordFits(const std::string& pw, const CentralEntry& e, const CryptHead& head) const {
    if (head.aes) {
      // Deriving the key is slow on purpose (1000 rounds of PBKDF2).
      AesCtrHmac keys(pw, head.bytes, head.aes->strength);
      return std::memcmp(keys.Verifier(), head.bytes + AesSaltSize(head.aes->strength), kAesVerifierSize) == 0;
    }
    std::uint8_t h[kCryptHeaderSize];
    std::memcpy(h, head.bytes, sizeof h);
    ZipCrypto c(pw);
    c.Decrypt(h, sizeof h);
    return h[11] == e.CryptCheckByte();
  }

  // Finds the password for an encrypted entry: the last one that fitted, the
  // one given, then as many questions as allowed (after a wrong answer the
  // host is told so). -1 when found, else why not.
  int FindPassword(const CentralEntry& e, std::uint64_t dataOffset, std::string& password) {
    CryptHead head;
    head.aes = e.method == kMethodAes ? FindAesExtra(e.extra) : std::nullopt;
    const std::size_t headSize = head.aes ? AesSaltSize(head.aes->strength) + kAesVerifierSize : kCryptHeaderSize;
    if (!ReadAt(zfd_.Get(), head.bytes, headSize, dataOffset)) return ORN_SKIP_ZIP_FORMAT_WRONG;
    const std::string given = Str(p_.pZipPassword);
    for (const std::string& pw : {goodPassword_, given})
      if (!pw.empty() && PasswordFits(pw, e, head)) {
        password = goodPassword_ = pw;
        return -1;
      }
    bool tried = !given.empty() || !goodPassword_.empty();
    bool wrongAnswer = false;
    while (pwRequests_ > 0) {
      std::uint32_t repeat = pwRequests_;
      auto answer = rep_.AskPassword(e.name, false, repeat, wrongAnswer);
      if (!answer) {
        pwRequests_ = 0;  // the user declined: no more questions in this job
        break;
      }
      pwRequests_ = repeat > 0 ? repeat - 1 : 0;
      tried = true;
      if (PasswordFits(*answer, e, head)) {
        password = goodPassword_ = *answer;
        pwRequests_ = std::min<std::uint32_t>(p_.fPWReqCount, 15);
        return -1;
      }
      wrongAnswer = true;
    }
    return tried ? ORN_SKIP_BAD_PASSWORD : ORN_SKIP_NO_ENCRYPTION_KEY;
  }

  // The data offset and password of an encrypted entry; false (reported)
  // when the entry cannot be read. An AES entry with a password that fitted
  // before is left to the worker, where its slow key derivation runs in
  // parallel with the others; `checkHere` checks it on this thread instead.
  bool UnlockEntry(const CentralEntry& e, DecodeJob& job, bool checkHere = false) {
    if (!e.IsEncrypted()) return true;
    if (e.method == kMethodAes && !goodPassword_.empty() && !checkHere) {
      job.password = goodPassword_;
      return true;
    }
    try {
      job.dataOffset = LocalDataOffset(zfd_.Get(), e, zipPath_);
    } catch (const ZipError& err) {
      rep_.Message(err.Code(), err.what());
      rep_.Skipped(e.name, ORN_SKIP_ZIP_FORMAT_WRONG, err.Code());
      return false;
    }
    int skip = FindPassword(e, job.dataOffset, job.password);
    if (skip >= 0) {
      // Said once per job; every entry left out is reported as skipped.
      if (skip != ORN_SKIP_ZIP_FORMAT_WRONG && !toldPassword_) {
        rep_.Message(ORN_ZE_PASSWORD, skip == ORN_SKIP_BAD_PASSWORD
                                          ? "Wrong password, not extracted: " + e.name
                                          : "Encrypted and no password given, not extracted: " + e.name);
        toldPassword_ = true;
      }
      rep_.Skipped(e.name, skip, skip == ORN_SKIP_ZIP_FORMAT_WRONG ? ORN_ZE_EOF : ORN_ZE_PASSWORD);
      return false;
    }
    return true;
  }

  // The memory variant: the first file entry the first line names, into the
  // host's buffer, which must be large enough.
  int ExtractToMemory() {
    const CentralEntry* target = nullptr;
    std::vector<std::string> first(patterns_.begin(), patterns_.begin() + std::min<std::size_t>(1, patterns_.size()));
    for (const CentralEntry* e : chosen_)
      if (!e->IsDirectory() && Selected(e->name, first)) {
        target = e;
        break;
      }
    if (!target) return 0;
    if (!p_.pExtractBuffer || target->uncompressedSize > p_.ExtractBufferSize) {
      rep_.Message(ORN_ZE_PARMS, "The buffer is too small for " + target->name);
      return 0;
    }
    if (!rep_.ItemStart(target->name, std::int64_t(target->uncompressedSize))) return 0;
    DecodeJob job;
    job.archiveFd = zfd_.Get();
    job.entry = target;
    job.outBuffer = static_cast<char*>(p_.pExtractBuffer);
    job.outCapacity = p_.ExtractBufferSize;
    if (!UnlockEntry(*target, job)) return 0;
    DecodeResult r = DecodeEntry(job);
    if (!r.ok || r.crc != target->crc) {
      rep_.Message(r.ok ? ORN_ZE_CRC : r.errorCode, r.ok ? "CRC error: " + target->name : r.error);
      return 0;
    }
    rep_.BytesDone(std::int64_t(target->uncompressedSize));
    rep_.BatchEnd();
    return 1;
  }

  // Refuses an entry with a message and the skip report.
  void Refuse(const CentralEntry& e, int skipType, int code, const std::string& why) {
    if (!why.empty()) rep_.Message(code, why + ": " + e.name);
    rep_.Skipped(e.name, skipType, code);
  }

  // The folder an entry's relative path goes into, opened without following
  // links; false (reported) when it cannot be.
  bool OpenFolderOf(const CentralEntry& e, const std::string& rel, Pending& pend) {
    std::size_t slash = rel.rfind('/');
    std::string relDir = slash == std::string::npos ? "" : rel.substr(0, slash);
    pend.leaf = slash == std::string::npos ? rel : rel.substr(slash + 1);
    std::string err;
    auto st = dirs_->Open(relDir, true, pend.dir, err);
    if (st == DirOpener::Status::Unsafe) {
      Refuse(e, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE, "A symbolic link is on the way, not extracted");
      return false;
    }
    if (st == DirOpener::Status::Failed) {
      Refuse(e, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE, "Cannot create the directory (" + err + ")");
      return false;
    }
    if (cleaned_.insert(relDir).second) RemoveStaleTemporaries(pend.dir->Get());
    return true;
  }

  // Temporary files an earlier, killed extraction left in a folder this job
  // writes to: only names of this library's own pattern, last changed
  // before this job began (a running job keeps changing its own).
  void RemoveStaleTemporaries(int dirFd) {
    int fd = ::dup(dirFd);
    DIR* d = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!d) {
      if (fd >= 0) ::close(fd);
      return;
    }
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(d)) {
      const std::string name = entry->d_name;
      if (!IsTemporaryName(name)) continue;
      struct stat st {};
      if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) continue;
      const bool before = st.st_ctim.tv_sec < started_.tv_sec ||
                          (st.st_ctim.tv_sec == started_.tv_sec && st.st_ctim.tv_nsec < started_.tv_nsec);
      if (before) stale.push_back(name);
    }
    ::closedir(d);
    for (const std::string& name : stale)
      if (::unlinkat(dirFd, name.c_str(), 0) == 0)
        rep_.Info("Removed a temporary file left by an earlier run: " + name);
  }

  enum class Decision { Write, Skip, Stop };

  // Whether an entry may replace what stands under its name, by the job's
  // freshen, update and overwrite rules and the host's answer.
  Decision MayWrite(const CentralEntry& e, const Pending& pend, bool isLink) {
    struct stat st {};
    const int dirFd = pend.dir->Get();
    const bool exists = ::fstatat(dirFd, pend.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISLNK(st.st_mode) && !isLink) {
      Refuse(e, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE, "The target is a symbolic link, not extracted");
      return Decision::Skip;
    }
    if (exists && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
      Refuse(e, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE, "Something other than a file is in the way");
      return Decision::Skip;
    }
    const bool older = exists && ToDosDateTime(st.st_mtime) < e.DosDateTime();
    if ((!exists && freshen_) || (exists && (freshen_ || update_) && !older)) {
      rep_.Skipped(e.name, ORN_SKIP_ON_FRESHEN, 0);
      return Decision::Skip;
    }
    if (exists && !overwrite_ && !rep_.AskOverwrite(e.name, older, freshen_ || update_)) {
      if (rep_.Stopped()) return Decision::Stop;
      rep_.Skipped(e.name, rep_.HasCallback() ? ORN_SKIP_NO_OVERWRITE : ORN_SKIP_FILE_EXISTS, 0);
      return Decision::Skip;
    }
    return Decision::Write;
  }

  // A symbolic link of the archive, restored as a link when it and its
  // target stay inside the extraction folder and the target does not lead
  // through another link; refused otherwise.
  void RestoreLink(const CentralEntry& e, const std::string& rel) {
    if (e.uncompressedSize > kMaxLinkTarget) {
      Refuse(e, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE, "Symbolic link with an overlong target, not extracted");
      return;
    }
    std::string target(std::size_t(e.uncompressedSize), '\0');
    DecodeJob job;
    job.archiveFd = zfd_.Get();
    job.entry = &e;
    job.outBuffer = target.data();
    job.outCapacity = target.size();
    if (!UnlockEntry(e, job)) return;
    DecodeResult r = DecodeEntry(job);
    if (!r.ok || r.crc != e.crc) {
      rep_.Message(r.ok ? ORN_ZE_CRC : r.errorCode, r.ok ? "CRC error: " + e.name : r.error);
      rep_.Skipped(e.name, ORN_SKIP_GENERAL_EXTRACT_ERROR, r.ok ? ORN_ZE_CRC : r.errorCode);
      return;
    }
    std::vector<std::string> visited;
    if (!LinkStaysInside(rel, target, &visited) || ThroughLink(visited)) {
      Refuse(e, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE, "Symbolic link pointing outside, not extracted (" + target + ")");
      return;
    }
    Pending pend;
    if (!OpenFolderOf(e, rel, pend)) return;
    Decision d = MayWrite(e, pend, true);
    if (d != Decision::Write) return;
    const int dirFd = pend.dir->Get();
    // Made beside its name and renamed over it; a name left by an earlier,
    // killed run is never reused.
    std::string temp;
    bool made = false;
    for (int attempt = 0; attempt < 16 && !made; ++attempt) {
      temp = TempLeafFor(pend.leaf);
      made = ::symlinkat(target.c_str(), dirFd, temp.c_str()) == 0;
      if (!made && errno != EEXIST) break;
    }
    if (!made || ::renameat(dirFd, temp.c_str(), dirFd, pend.leaf.c_str()) != 0) {
      const std::string why = std::strerror(errno);
      if (made) ::unlinkat(dirFd, temp.c_str(), 0);
      Refuse(e, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE, "Cannot create the symbolic link (" + why + ")");
      return;
    }
    ++done_;
    rep_.BytesDone(std::int64_t(e.uncompressedSize));
  }

  // True when resolving a link's target passes through another link: one
  // the archive restores or one already on disk under the base.
  bool ThroughLink(const std::vector<std::string>& visited) const {
    for (const std::string& path : visited) {
      struct stat st {};
      if (archiveLinks_.count(path) ||
          (::fstatat(baseFd_.Get(), path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)))
        return true;
    }
    return false;
  }

  // Why an entry's data cannot be decoded at all; empty when it can.
  static std::string Unreadable(const CentralEntry& e) {
    if (e.flags & kFlagStrongEncryption) return "Encrypted in a way this program does not know, not extracted";
    std::uint16_t method = e.method;
    if (method == kMethodAes) {
      const std::optional<AesExtra> aes = FindAesExtra(e.extra);
      if (!aes) return "AES-encrypted without its extra field, not extracted";
      method = aes->method;
    }
    if (!MethodSupported(method)) return "Compression method " + MethodDescription(method) + " not supported";
    return {};
  }

  // Decides one entry and hands it to the workers; false when the job stops.
  bool StartEntry(const CentralEntry& e) {
    SafeName safe = CheckEntryName(e.name, keepDirs_);
    if (safe.verdict == NameVerdict::SkipQuiet) return true;
    if (safe.verdict == NameVerdict::Unsafe) {
      rep_.Skipped(e.name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
      rep_.Message(ORN_ZE_UNSAFE, "Unsafe name (" + safe.reason + "), not extracted: " + e.name);
      return true;
    }
    if (e.IsDirectory()) {
      if (!test_ && keepDirs_) {
        std::shared_ptr<UniqueFd> d;
        std::string err;
        auto st = dirs_->Open(safe.path, true, d, err);
        if (st == DirOpener::Status::Unsafe)
          rep_.Skipped(e.name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
        else if (st == DirOpener::Status::Failed)
          rep_.Message(ORN_ZE_CREATE, "Cannot create " + safe.path + ": " + err);
      }
      return true;
    }
    if (!rep_.ItemStart(e.name, std::int64_t(e.uncompressedSize))) return false;
    if (std::string why = Unreadable(e); !why.empty()) {
      Refuse(e, ORN_SKIP_COMPRESSION_UNKNOWN, ORN_ZE_FORMAT, why);
      return true;
    }
    if (!test_ && e.IsSymlink()) {
      RestoreLink(e, safe.path);
      return !rep_.Stopped();
    }
    // The data offset is found by the worker, except for encrypted entries,
    // whose header this thread checks against the password first.
    DecodeJob job;
    job.archiveFd = zfd_.Get();
    job.entry = &e;
    job.decoded = &decoded_;
    if (!UnlockEntry(e, job)) return true;

    Pending pend;
    pend.entry = &e;
    UniqueFd out;
    if (!test_) {
      if (!OpenFolderOf(e, safe.path, pend)) return true;
      Decision d = MayWrite(e, pend, false);
      if (d == Decision::Stop) return false;
      if (d == Decision::Skip) return true;
      // Every file is written beside its final name and renamed over it only
      // when its CRC checked: a failure or a kill never leaves a truncated or
      // bad file under the real name, nor touches the file it replaces.
      // A name left by an earlier, killed run is never reused.
      for (int attempt = 0; attempt < 16 && !out; ++attempt) {
        pend.tempLeaf = TempLeafFor(pend.leaf);
        out = UniqueFd(::openat(pend.dir->Get(), pend.tempLeaf.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out && errno != EEXIST) break;
      }
      if (!out) {
        Refuse(e, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE,
               std::string("Cannot create (") + std::strerror(errno) + ")");
        return true;
      }
    }
    pend.weight = std::min<std::uint64_t>(e.compressedSize, kWholeEntryLimit) +
                  std::min<std::uint64_t>(e.uncompressedSize, kWholeEntryLimit) + 4096;
    weightInFlight_ += pend.weight;
    building_.push_back({job, std::make_shared<UniqueFd>(std::move(out)), FromDosDateTime(e.DosDateTime()),
                         test_ ? mode_t(0) : StoredMode(e)});
    buildingBytes_ += e.uncompressedSize;
    inflight_.push_back(std::move(pend));
    if (building_.size() >= kBatchEntries || buildingBytes_ >= kBatchBytes) Flush();
    return true;
  }

  void Flush() {
    if (building_.empty()) return;
    std::size_t first = inflight_.size() - building_.size();
    auto fut = pool_
                   .Submit([tasks = std::move(building_)]() mutable {
                     std::vector<DecodeResult> results;
                     results.reserve(tasks.size());
                     for (DecodeTask& t : tasks) results.push_back(RunTask(t));
                     return results;
                   })
                   .share();
    for (std::size_t k = first; k < inflight_.size(); ++k) {
      inflight_[k].batch = fut;
      inflight_[k].index = k - first;
    }
    building_.clear();
    buildingBytes_ = 0;
  }

  // An entry's data is decoded: keep it under its name when its CRC checked
  // (or the host wants bad data kept), else remove it.
  void Finish(Pending& pend) {
    // A large entry takes a while: the host hears how far it has come, and
    // its windows stay alive meanwhile.
    while (pend.batch.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) ReportDecoded();
    DecodeResult r = pend.batch.get()[pend.index];
    weightInFlight_ -= pend.weight;
    const CentralEntry& e = *pend.entry;
    const bool refused = !r.ok && r.wrongPassword && !DecodeAgain(pend, r);
    bool keep = false;
    bool good = false;
    if (refused) {
      // UnlockEntry has told why.
    } else if (!r.ok) {
      rep_.Message(r.errorCode, r.error);
      rep_.Skipped(e.name, SkipTypeOf(r.errorCode), r.errorCode);
    } else if (r.crc != e.crc) {
      rep_.Message(ORN_ZE_CRC, "CRC error: " + e.name);
      keep = !test_ && rep_.AskKeepOnCrcError(e.name, r.crc, e.crc);
    } else {
      keep = good = true;
    }
    if (!test_) {
      const int dirFd = pend.dir->Get();
      if (keep && ::renameat(dirFd, pend.tempLeaf.c_str(), dirFd, pend.leaf.c_str()) != 0) {
        rep_.Message(ORN_ZE_WRITE, "Cannot put " + e.name + " in place: " + std::strerror(errno));
        keep = good = false;
      }
      if (!keep) ::unlinkat(dirFd, pend.tempLeaf.c_str(), 0);
    }
    if (good) ++done_;
    ReportDecoded();
  }

  // Bytes the workers decoded since the last report.
  void ReportDecoded() {
    const std::uint64_t decoded = decoded_.load(std::memory_order_relaxed);
    if (decoded <= reported_) return;
    rep_.BytesDone(std::int64_t(decoded - reported_));
    reported_ = decoded;
  }

  // Why an entry that failed while decoding was skipped: damaged data is
  // not a file that could not be written.
  static int SkipTypeOf(int errorCode) {
    switch (errorCode) {
      case ORN_ZE_PASSWORD:
        return ORN_SKIP_BAD_PASSWORD;
      case ORN_ZE_FORMAT:
      case ORN_ZE_EOF:
      case ORN_ZE_CRC:
        return ORN_SKIP_ZIP_FORMAT_WRONG;
      default:
        return ORN_SKIP_GENERAL_EXTRACT_ERROR;
    }
  }

  // An AES entry went to a worker with the password that fitted the entries
  // before it, and this one's verifier says it does not fit: the password is
  // looked for again here, asking when allowed, and the entry decoded at
  // once into its temporary file. False when no password fits (reported).
  bool DecodeAgain(const Pending& pend, DecodeResult& r) {
    const CentralEntry& e = *pend.entry;
    DecodeTask t{DecodeJob{}, nullptr, FromDosDateTime(e.DosDateTime()), test_ ? mode_t(0) : StoredMode(e)};
    t.job.archiveFd = zfd_.Get();
    t.job.entry = &e;
    if (!UnlockEntry(e, t.job, true)) return false;
    t.out = std::make_shared<UniqueFd>(
        test_ ? -1 : ::openat(pend.dir->Get(), pend.tempLeaf.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
    if (!test_ && !*t.out) {
      r.errorCode = ORN_ZE_CREATE;
      r.error = "Cannot create (" + std::string(std::strerror(errno)) + "): " + e.name;
      r.wrongPassword = false;
      return true;
    }
    r = RunTask(t);
    return true;
  }

  void DrainTo(std::uint64_t limit, std::size_t count) {
    while (!inflight_.empty() && (weightInFlight_ > limit || inflight_.size() > count)) {
      if (!inflight_.front().batch.valid()) Flush();
      Finish(inflight_.front());
      inflight_.pop_front();
    }
  }

  const OrnUnzipParams& p_;
  Reporter rep_;
  const bool test_ = p_.fTest != 0;
  const bool keepDirs_ = p_.fDirectories != 0;
  const bool update_ = p_.fUpdate != 0;
  const bool freshen_ = p_.fFreshen != 0 && !update_;
  const bool overwrite_ = p_.fOverwrite != 0;

  std::string zipPath_;
  UniqueFd zfd_;
  CentralDirectory cd_;
  std::vector<std::string> patterns_;
  std::vector<const CentralEntry*> chosen_;
  UniqueFd baseFd_;
  std::unique_ptr<DirOpener> dirs_;
  std::set<std::string> archiveLinks_;
  std::set<std::string> cleaned_;  // folders whose stale temporary files are gone
  const struct timespec started_ = Now();

  std::uint32_t pwRequests_ = std::min<std::uint32_t>(p_.fPWReqCount, 15);
  std::string goodPassword_;
  bool toldPassword_ = false;  // a wrong or missing password was reported

  // Decoded by the workers, and reported to the host; the pool below ends
  // before the counter does.
  std::atomic<std::uint64_t> decoded_{0};
  std::uint64_t reported_ = 0;
  WorkerPool pool_{WorkerPool::ThreadsFor(0)};
  std::deque<Pending> inflight_;
  std::uint64_t weightInFlight_ = 0;
  std::vector<DecodeTask> building_;
  std::uint64_t buildingBytes_ = 0;
  int done_ = 0;
};

}  // namespace
}  // namespace orn::zipfmt

extern "C" {

ORN_ZIPLIB_EXPORT int32_t GetOrnUnzVersion(void) { return ORN_UNZLIB_VERSION; }

ORN_ZIPLIB_EXPORT int32_t OrnUnzExec(OrnUnzipParams* params) {
  if (!params) return 0;
  try {
    return orn::zipfmt::UnzJob(*params).Run();
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
