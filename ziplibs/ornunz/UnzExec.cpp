// OrnUnzExec: one extract or test job. The entries come as the host chose
// them, indexes into the directory it read (handed over when the host shares
// this record layer, so it is neither read nor decoded again); each carries
// the reader's one decision on where it may go, which this thread binds to
// the writing by opening every folder below the target without following
// links (SafeFolder). It asks the host its questions and opens a temporary
// file beside the final name; the worker threads decode entries into those
// files in parallel, and each is renamed into place once its CRC checked.
// Files of one folder that differ only in their extension (a table with its
// index and memo files) are put in place together, under a journal, or not
// at all.
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
#include <unordered_map>
#include <unordered_set>

#include "Decompressors.h"
#include "DosTime.h"
#include "EntryChoice.h"
#include "EntryDecoder.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "Reporter.h"
#include "SafeFolder.h"
#include "UniqueFd.h"
#include "WinZipAes.h"
#include "WorkerPool.h"
#include "ZipCrypto.h"
#include "ZipMessages.h"
#include "ZipRecords.h"

namespace orn::zipfmt {

namespace {

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

NameDecoding DecodingOf(const OrnUnzipParams& p) {
  NameDecoding names;
  if (p.NamesCodePage >= cpAuto && p.NamesCodePage <= cpOEM) names.codePage = CodePageOpts(p.NamesCodePage);
  if (p.NamesOemCodePage > 0) names.oemCodePage = p.NamesOemCodePage;
  if (p.NamesAnsiCodePage > 0) names.ansiCodePage = p.NamesAnsiCodePage;
  if (p.NamesChosenCodePage > 0) names.chosenCodePage = p.NamesChosenCodePage;
  return names;
}

struct Pending {
  const ZipDirEntry* entry = nullptr;
  std::shared_ptr<UniqueFd> dir;
  std::string relDir;  // the folder below the target
  std::string rel;     // the path under the target
  std::string leaf;
  std::string tempLeaf;                                 // what the data is written to until its CRC is checked
  std::shared_future<std::vector<DecodeResult>> batch;  // the batch this entry went with
  std::size_t index = 0;                                // its place in the batch
  std::uint64_t weight = 0;
};

// Files put in place together (a table and its companions).
struct Group {
  std::size_t expected = 0;  // members among the chosen entries
  std::size_t decided = 0;
  bool failed = false;
  std::string failure;         // the member that failed first
  std::vector<Pending> ready;  // members written and checked, waiting
};

// What a worker needs for one entry.
struct DecodeTask {
  DecodeJob job;
  std::shared_ptr<UniqueFd> out;
  std::time_t mtime = 0;
  mode_t mode = 0;    // permissions to give the file; 0 leaves the default
  bool sync = false;  // on the disk before it is put in place with others
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
    if (t.sync && r.ok && ::fsync(t.job.outFd) != 0) {
      r.ok = false;
      r.errorCode = ORN_ZE_WRITE;
      r.error = "Cannot write " + t.job.entry->Name + ": " + std::strerror(errno);
    }
    if (!t.out->Close() && r.ok) {
      r.ok = false;
      r.errorCode = ORN_ZE_WRITE;
      r.error = LibraryMessage(kUnzDiskFull, {t.job.entry->Name});
    }
  }
  return r;
}

// The key of the group a file belongs to: its folder and its name without
// the extension, letter case ignored, as a table's companions are found.
std::string GroupKey(const std::string& relPath) {
  const std::size_t slash = relPath.rfind('/');
  const std::size_t dot = relPath.rfind('.');
  std::string key =
      dot == std::string::npos || (slash != std::string::npos && dot < slash) ? relPath : relPath.substr(0, dot);
  for (char& ch : key) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return key;
}

// The permissions a Unix host stored with a file (no set-id or sticky bits:
// a restore must not hand out privileges); 0 when none were stored.
mode_t StoredMode(const ZipDirEntry& e) {
  if (e.HostSystem != kHostUnix) return 0;
  const std::uint32_t unixMode = e.ExternalAttr >> 16;
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
    PlanGroups();
    for (const ZipDirEntry* e : chosen_) {
      if (rep_.Stopped()) break;
      DrainTo(kMaxWeight, kMaxInFlight);
      outcome_ = Outcome::Failed;
      const bool goOn = StartEntry(*e);
      if (outcome_ != Outcome::Queued) MemberDecided(*e, outcome_ == Outcome::Failed, nullptr);
      if (!goOn) break;
    }
    Flush();
    DrainTo(0, 0);
    DropUnfinishedGroups();
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
      rep_.Message(ORN_ZE_OPEN, LibraryMessage(kUnzCannotOpen, {zipPath_, std::strerror(errno)}));
      return false;
    }
    struct stat st {};
    if (::fstat(zfd_.Get(), &st) == 0) zipSize_ = std::uint64_t(st.st_size);
    if (p_.HostDirectory && p_.HostDirectoryLayout == RecordLayout()) {
      dir_ = static_cast<const ZipDirectory*>(p_.HostDirectory);
      return true;
    }
    try {
      own_ = ReadCentralDirectory(zfd_.Get(), zipPath_, DecodingOf(p_));
    } catch (const EZipEngine& e) {
      rep_.Message(ProtocolCode(e.Ident()), e.what());
      return false;
    }
    dir_ = &own_;
    return true;
  }

  // The lines of the block, as given.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (int i = 0; p_.FDs && i < p_.Argc; ++i)
      if (p_.FDs[i].fFileSpec && *p_.FDs[i].fFileSpec) lines.push_back(p_.FDs[i].fFileSpec);
    return lines;
  }

  bool ChooseEntries() {
    const std::vector<ZipDirEntry>& entries = dir_->entries;
    if (p_.Entries && p_.EntryCount > 0) {
      for (int k = 0; k < p_.EntryCount; ++k) {
        if (p_.Entries[k] >= entries.size()) {
          rep_.Message(ORN_ZE_PARMS, "Entry " + std::to_string(p_.Entries[k]) + " is not in " + zipPath_);
          return false;
        }
        chosen_.push_back(&entries[p_.Entries[k]]);
      }
    } else {
      EntryChoice choice = EntryChooser(entries).Choose(Lines());
      // Every line that names nothing is told, also when other lines chose
      // entries: the caller asked for it and does not get it.
      for (const std::string& line : choice.unmatched)
        rep_.Message(ORN_ZE_NAME, "No entry of " + zipPath_ + " matches " + line);
      for (std::size_t i : choice.indexes) chosen_.push_back(&entries[i]);
    }
    std::int64_t total = 0;
    for (const ZipDirEntry* e : chosen_)
      if (!e->IsFolder()) total += std::int64_t(e->UnpackedSize64);
    if (chosen_.empty()) return false;
    return rep_.ItemCount(std::int64_t(chosen_.size())) && rep_.TotalSize(total);
  }

  bool OpenBase() {
    if (test_) return true;
    const std::string base = Str(p_.ExtrBaseDir);
    folder_ = std::make_unique<SafeFolder>(base);
    if (!folder_->Ok()) {
      rep_.Message(ORN_ZE_CREATE, "Cannot open the directory to extract into, " + (base.empty() ? "." : base) + ": " +
                                      folder_->Error());
      return false;
    }
    for (const ZipDirEntry* e : chosen_)
      if (e->IsSymlink() && e->Target.verdict == NameVerdict::Write) archiveLinks_.insert(PathOf(*e));
    return true;
  }

  // Where an entry goes below the target: its stored folders too, or not.
  std::string PathOf(const ZipDirEntry& e) const { return keepDirs_ ? e.Target.path : FlatPath(e.Target); }

  // What an encrypted entry's data begins with: the 12-byte header of the
  // traditional encryption, or an AES entry's salt and verifier.
  struct CryptHead {
    std::uint8_t bytes[16 + kAesVerifierSize];
    std::optional<AesExtra> aes;
  };

  bool PasswordFits(const std::string& pw, const ZipDirEntry& e, const CryptHead& head) const {
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
  int FindPassword(const ZipDirEntry& e, std::uint64_t dataOffset, std::string& password) {
    CryptHead head;
    head.aes = e.Method == kMethodAes ? FindAesExtra(e.Extra) : std::nullopt;
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
      auto answer = rep_.AskPassword(e.Name, false, repeat, wrongAnswer);
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
  bool UnlockEntry(const ZipDirEntry& e, DecodeJob& job, bool checkHere = false) {
    if (!e.IsEncrypted) return true;
    if (e.Method == kMethodAes && !goodPassword_.empty() && !checkHere) {
      job.password = goodPassword_;
      return true;
    }
    try {
      job.dataOffset = LocalDataOffset(FdZipSource(zfd_.Get(), zipSize_), e);
    } catch (const EZipEngine& err) {
      const int code = ProtocolCode(err.Ident());
      rep_.Message(code, std::string(err.what()) + " (" + zipPath_ + ")");
      rep_.Skipped(e.Name, ORN_SKIP_ZIP_FORMAT_WRONG, code);
      return false;
    }
    int skip = FindPassword(e, job.dataOffset, job.password);
    if (skip >= 0) {
      // Said once per job; every entry left out is reported as skipped.
      if (skip != ORN_SKIP_ZIP_FORMAT_WRONG && !toldPassword_) {
        rep_.Message(
            ORN_ZE_PASSWORD,
            LibraryMessage(skip == ORN_SKIP_BAD_PASSWORD ? kUnzWrongPasswordSkipped : kUnzNoPasswordSkipped, {e.Name}));
        toldPassword_ = true;
      }
      rep_.Skipped(e.Name, skip, skip == ORN_SKIP_ZIP_FORMAT_WRONG ? ORN_ZE_EOF : ORN_ZE_PASSWORD);
      return false;
    }
    return true;
  }

  // The memory variant: the first file entry the first line names, into the
  // host's buffer, which must be large enough.
  int ExtractToMemory() {
    const ZipDirEntry* target = nullptr;
    std::vector<const ZipDirEntry*> candidates = chosen_;
    if (!(p_.Entries && p_.EntryCount > 0)) {
      const std::vector<std::string> lines = Lines();
      candidates.clear();
      for (std::size_t i : EntryChooser(dir_->entries).Choose({lines.empty() ? "*" : lines.front()}).indexes)
        candidates.push_back(&dir_->entries[i]);
    }
    for (const ZipDirEntry* e : candidates)
      if (!e->IsFolder()) {
        target = e;
        break;
      }
    if (!target) return 0;
    if (!p_.pExtractBuffer || target->UnpackedSize64 > p_.ExtractBufferSize) {
      rep_.Message(ORN_ZE_PARMS, "The buffer is too small for " + target->Name);
      return 0;
    }
    if (!rep_.ItemStart(target->Name, std::int64_t(target->UnpackedSize64))) return 0;
    DecodeJob job;
    job.archiveFd = zfd_.Get();
    job.entry = target;
    job.outBuffer = static_cast<char*>(p_.pExtractBuffer);
    job.outCapacity = p_.ExtractBufferSize;
    if (!UnlockEntry(*target, job)) return 0;
    DecodeResult r = DecodeEntry(job);
    if (!r.ok || r.crc != target->Crc32) {
      rep_.Message(r.ok ? ORN_ZE_CRC : r.errorCode, r.ok ? LibraryMessage(kUnzCrcError, {target->Name}) : r.error);
      return 0;
    }
    rep_.BytesDone(std::int64_t(target->UnpackedSize64));
    rep_.BatchEnd();
    return 1;
  }

  // Refuses an entry with a message and the skip report: `why`, then the
  // entry's name, or one of the library's texts about the entry.
  void Refuse(const ZipDirEntry& e, int skipType, int code, const std::string& why) {
    if (!why.empty()) rep_.Message(code, why + ": " + e.Name);
    rep_.Skipped(e.Name, skipType, code);
  }
  void Refuse(const ZipDirEntry& e, int skipType, int code, ZipMsg text) {
    rep_.Message(code, LibraryMessage(text, {e.Name}));
    rep_.Skipped(e.Name, skipType, code);
  }

  // The folder an entry's relative path goes into, opened without following
  // links; false (reported) when it cannot be.
  bool OpenFolderOf(const ZipDirEntry& e, const std::string& rel, Pending& pend) {
    std::size_t slash = rel.rfind('/');
    const std::string relDir = slash == std::string::npos ? "" : rel.substr(0, slash);
    pend.relDir = relDir;
    pend.rel = rel;
    pend.leaf = slash == std::string::npos ? rel : rel.substr(slash + 1);
    std::string err;
    auto st = folder_->Open(relDir, true, pend.dir, err);
    if (st == SafeFolder::Status::Unsafe) {
      Refuse(e, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE, kUnzLinkOnTheWay);
      return false;
    }
    if (st == SafeFolder::Status::Failed) {
      Refuse(e, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE, "Cannot create the directory (" + err + ")");
      return false;
    }
    if (cleaned_.insert(relDir).second) RemoveStaleTemporaries(pend.dir->Get(), relDir);
    return true;
  }

  // What an earlier, killed extraction left in a folder this job writes
  // to: a group cut short while being put in place is completed, and
  // temporary files whose writers are gone are removed.
  void RemoveStaleTemporaries(int dirFd, const std::string& relDir) {
    std::vector<std::string> problems;
    const int removed = RemoveStaleTemporariesAt(dirFd, FolderName(relDir), &problems);
    if (removed > 0) rep_.Info("Removed " + std::to_string(removed) + " temporary files left by an earlier run");
    for (const std::string& problem : problems) rep_.Message(ORN_ZE_CREATE, problem);
  }

  // The folder of a relative directory, as messages and journals name it.
  std::string FolderName(const std::string& relDir) const {
    const std::string base = IncludeTrailingDelimiter(Str(p_.ExtrBaseDir).empty() ? "." : Str(p_.ExtrBaseDir));
    return relDir.empty() ? base : base + relDir + "/";
  }

  // Files of one folder sharing a name but for the extension go in place
  // together: a table never comes back with an index of another day.
  void PlanGroups() {
    if (test_) return;
    std::unordered_map<std::string, std::size_t> count;
    std::unordered_map<std::string, std::set<std::string>> paths;
    std::set<std::string> ambiguous;
    for (const ZipDirEntry* e : chosen_) {
      if (e->IsFolder() || e->IsSymlink()) continue;
      if (e->Target.verdict != NameVerdict::Write) continue;
      const std::string path = PathOf(*e);
      // A name too long for a journal beside it is put in place alone.
      const std::size_t slash = path.rfind('/');
      if (path.size() - (slash == std::string::npos ? 0 : slash + 1) > 200) continue;
      const std::string key = GroupKey(path);
      groupOf_[e] = key;
      ++count[key];
      // Two entries for one file (a flat extraction of several folders) are
      // no table with its companions: each is asked about on its own.
      if (!paths[key].insert(path).second) ambiguous.insert(key);
    }
    for (auto it = groupOf_.begin(); it != groupOf_.end();) {
      if (count[it->second] < 2 || ambiguous.count(it->second)) {
        it = groupOf_.erase(it);
        continue;
      }
      groups_[it->second].expected = count[it->second];
      ++it;
    }
  }

  // A member of a group is decided: put in place later with the others
  // (`ready`, its CRC checked), failed, or left alone by the job's rules.
  void MemberDecided(const ZipDirEntry& e, bool failed, Pending* ready) {
    auto found = groupOf_.find(&e);
    if (found == groupOf_.end()) return;
    Group& g = groups_[found->second];
    ++g.decided;
    if (ready) g.ready.push_back(std::move(*ready));
    if (failed && !g.failed) {
      g.failed = true;
      g.failure = e.Name;
    }
    if (g.decided == g.expected) FinishGroup(g);
  }

  void FinishGroup(Group& g) {
    if (g.ready.empty()) return;
    const int dirFd = g.ready.front().dir->Get();
    std::string error;
    if (!g.failed) {
      std::vector<PreparedFile> files;
      for (const Pending& m : g.ready) files.push_back({m.tempLeaf, m.leaf});
      const std::size_t slash = g.ready.front().rel.rfind('/');
      const std::string folder = FolderName(slash == std::string::npos ? "" : g.ready.front().rel.substr(0, slash));
      if (PutInPlaceTogetherAt(dirFd, folder, files, {}, &error)) {
        for (const Pending& m : g.ready) {
          ++done_;
          rep_.BytesDone(std::int64_t(m.entry->UnpackedSize64));
        }
        g.ready.clear();
        return;
      }
    }
    // Nothing of the group replaces what is there.
    for (const Pending& m : g.ready) {
      ::unlinkat(dirFd, m.tempLeaf.c_str(), 0);
      Refuse(*m.entry, ORN_SKIP_GENERAL_EXTRACT_ERROR, g.failed ? ORN_ZE_CRC : ORN_ZE_WRITE,
             g.failed ? "Not put in place, as " + g.failure + " of the same table could not be"
                      : "Cannot put the files of one table in place (" + error + ")");
      rep_.BytesDone(std::int64_t(m.entry->UnpackedSize64));
    }
    g.ready.clear();
  }

  // A job that stopped before a group was whole leaves the old files.
  void DropUnfinishedGroups() {
    for (auto& [key, g] : groups_)
      for (const Pending& m : g.ready) ::unlinkat(m.dir->Get(), m.tempLeaf.c_str(), 0);
  }

  enum class Decision { Write, Skip, Stop };

  // Whether an entry may replace what stands under its name, by the job's
  // freshen, update and overwrite rules and the host's answer.
  Decision MayWrite(const ZipDirEntry& e, Pending& pend, bool isLink) {
    struct stat st {};
    const int dirFd = pend.dir->Get();
    const bool onDisk = ::fstatat(dirFd, pend.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (onDisk && S_ISLNK(st.st_mode) && !isLink) {
      Refuse(e, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE, kUnzTargetIsLink);
      return Decision::Skip;
    }
    if (onDisk && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
      Refuse(e, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE, kUnzNotAFileInTheWay);
      return Decision::Skip;
    }
    // An entry of this job under the same name (a flat extraction of
    // same-named files from different folders) may not be renamed into
    // place yet: it counts as there.
    const bool ours = planned_.count(PlannedKey(pend)) > 0;
    const bool exists = onDisk || ours;
    const bool older = onDisk && !ours && ToDosDateTime(st.st_mtime) < e.DosDateTime();
    if ((!exists && freshen_) || (exists && (freshen_ || update_) && !older)) {
      rep_.Skipped(e.Name, ORN_SKIP_ON_FRESHEN, 0);
      return Decision::Skip;
    }
    if (exists && !overwrite_) {
      switch (rep_.AskOverwrite(e.Name, older, ours, freshen_ || update_)) {
        case Reporter::Overwrite::Yes:
          break;
        case Reporter::Overwrite::KeepBoth:
          pend.leaf = FreeLeaf(pend);
          break;
        case Reporter::Overwrite::No:
          if (rep_.Stopped()) return Decision::Stop;
          rep_.Skipped(e.Name, rep_.HasCallback() ? ORN_SKIP_NO_OVERWRITE : ORN_SKIP_FILE_EXISTS, 0);
          return Decision::Skip;
      }
    }
    planned_.insert(PlannedKey(pend));
    return Decision::Write;
  }

  static std::string PlannedKey(const Pending& pend) { return pend.relDir + "/" + pend.leaf; }

  // A name beside `pend.leaf` that is neither on disk nor written by this
  // job: "NAME (2).EXT", "NAME (3).EXT" ...
  std::string FreeLeaf(Pending& pend) const {
    const std::size_t dot = pend.leaf.rfind('.');
    const bool hasExt = dot != std::string::npos && dot > 0;
    const std::string stem = hasExt ? pend.leaf.substr(0, dot) : pend.leaf;
    const std::string ext = hasExt ? pend.leaf.substr(dot) : std::string();
    for (int n = 2;; ++n) {
      Pending probe = pend;
      probe.leaf = stem + " (" + std::to_string(n) + ")" + ext;
      struct stat st {};
      if (::fstatat(pend.dir->Get(), probe.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 &&
          !planned_.count(PlannedKey(probe)))
        return probe.leaf;
    }
  }

  // A symbolic link of the archive, restored as a link when it and its
  // target stay inside the extraction folder and the target does not lead
  // through another link; refused otherwise.
  void RestoreLink(const ZipDirEntry& e, const std::string& rel) {
    if (e.UnpackedSize64 > kMaxLinkTarget) {
      Refuse(e, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE, "Symbolic link with an overlong target, not extracted");
      return;
    }
    std::string target(std::size_t(e.UnpackedSize64), '\0');
    DecodeJob job;
    job.archiveFd = zfd_.Get();
    job.entry = &e;
    job.outBuffer = target.data();
    job.outCapacity = target.size();
    if (!UnlockEntry(e, job)) return;
    DecodeResult r = DecodeEntry(job);
    if (!r.ok || r.crc != e.Crc32) {
      rep_.Message(r.ok ? ORN_ZE_CRC : r.errorCode, r.ok ? LibraryMessage(kUnzCrcError, {e.Name}) : r.error);
      rep_.Skipped(e.Name, ORN_SKIP_GENERAL_EXTRACT_ERROR, r.ok ? ORN_ZE_CRC : r.errorCode);
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
      temp = ExtractFileName(TemporaryNameBeside(pend.leaf.substr(0, 200)));
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
    rep_.BytesDone(std::int64_t(e.UnpackedSize64));
  }

  // True when resolving a link's target passes through another link: one
  // the archive restores or one already on disk under the base.
  bool ThroughLink(const std::vector<std::string>& visited) const {
    for (const std::string& path : visited) {
      struct stat st {};
      if (archiveLinks_.count(path) ||
          (::fstatat(folder_->Fd(), path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)))
        return true;
    }
    return false;
  }

  // What the library says when an entry's data cannot be decoded at all;
  // empty when it can.
  static std::string Unreadable(const ZipDirEntry& e) {
    if (e.GeneralFlags & kFlagStrongEncryption) return LibraryMessage(kUnzUnknownEncryption, {e.Name});
    std::uint16_t method = e.Method;
    if (method == kMethodAes) {
      const std::optional<AesExtra> aes = FindAesExtra(e.Extra);
      if (!aes) return LibraryMessage(kUnzAesNoExtra, {e.Name});
      method = aes->method;
    }
    if (!MethodSupported(method)) return LibraryMessage(kUnzMethodUnsupported, {MethodDescription(method), e.Name});
    return {};
  }

  // Decides one entry and hands it to the workers; false when the job stops.
  bool StartEntry(const ZipDirEntry& e) {
    // The reader decided once where the entry may go; here that is bound to
    // the writing.
    if (e.Target.verdict == NameVerdict::SkipQuiet) return true;
    if (e.Target.verdict == NameVerdict::Unsafe) {
      rep_.Message(ORN_ZE_UNSAFE, LibraryMessage(kUnzUnsafeName, {e.Target.reason, PrintableName(e.Name)}));
      rep_.Skipped(e.Name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
      return true;
    }
    const std::string rel = PathOf(e);
    if (e.IsFolder()) {
      if (!test_ && keepDirs_) {
        std::shared_ptr<UniqueFd> d;
        std::string err;
        auto st = folder_->Open(rel, true, d, err);
        if (st == SafeFolder::Status::Unsafe)
          rep_.Skipped(e.Name, ORN_SKIP_UNSAFE_PATH, ORN_ZE_UNSAFE);
        else if (st == SafeFolder::Status::Failed)
          rep_.Message(ORN_ZE_CREATE, "Cannot create " + rel + ": " + err);
      }
      return true;
    }
    if (!rep_.ItemStart(e.Name, std::int64_t(e.UnpackedSize64))) return false;
    if (std::string why = Unreadable(e); !why.empty()) {
      rep_.Message(ORN_ZE_FORMAT, why);
      rep_.Skipped(e.Name, ORN_SKIP_COMPRESSION_UNKNOWN, ORN_ZE_FORMAT);
      return true;
    }
    if (!test_ && e.IsSymlink()) {
      RestoreLink(e, rel);
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
      if (!OpenFolderOf(e, rel, pend)) return true;
      Decision d = MayWrite(e, pend, false);
      if (d == Decision::Stop) return false;
      if (d == Decision::Skip) {
        outcome_ = Outcome::Skipped;
        return true;
      }
      // Every file is written beside its final name and renamed over it only
      // when its CRC checked: a failure or a kill never leaves a truncated or
      // bad file under the real name, nor touches the file it replaces.
      out = CreateTemporaryBeside(pend.dir->Get(), pend.leaf, pend.tempLeaf);
      if (!out) {
        Refuse(e, ORN_SKIP_GENERAL_EXTRACT_ERROR, ORN_ZE_CREATE,
               std::string("Cannot create (") + std::strerror(errno) + ")");
        return true;
      }
      AtFileStep(FileStep::Write, FolderName("") + pend.rel);
    }
    pend.weight = std::min<std::uint64_t>(e.PackedSize64, kWholeEntryLimit) +
                  std::min<std::uint64_t>(e.UnpackedSize64, kWholeEntryLimit) + 4096;
    weightInFlight_ += pend.weight;
    // A test writes no file to date; the local-time conversion would cost
    // a look at the system's time zone for every entry.
    building_.push_back({job, std::make_shared<UniqueFd>(std::move(out)), test_ ? 0 : FromDosDateTime(e.DosDateTime()),
                         test_ ? mode_t(0) : StoredMode(e), groupOf_.count(&e) > 0});
    buildingBytes_ += e.UnpackedSize64;
    inflight_.push_back(std::move(pend));
    outcome_ = Outcome::Queued;
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
    const ZipDirEntry& e = *pend.entry;
    const bool refused = !r.ok && r.wrongPassword && !DecodeAgain(pend, r);
    bool keep = false;
    bool good = false;
    if (refused) {
      // UnlockEntry has told why.
    } else if (!r.ok) {
      rep_.Message(r.errorCode, r.error);
      rep_.Skipped(e.Name, SkipTypeOf(r.errorCode), r.errorCode);
    } else if (r.crc != e.Crc32) {
      rep_.Message(ORN_ZE_CRC, LibraryMessage(kUnzCrcError, {e.Name}));
      keep = !test_ && rep_.AskKeepOnCrcError(e.Name, r.crc, e.Crc32);
    } else {
      keep = good = true;
    }
    if (!test_ && groupOf_.count(&e)) {
      // Put in place with the rest of its group, or removed with it.
      if (!keep) ::unlinkat(pend.dir->Get(), pend.tempLeaf.c_str(), 0);
      if (!keep) rep_.BytesDone(std::int64_t(e.UnpackedSize64));
      MemberDecided(e, !keep, keep ? &pend : nullptr);
      return;
    }
    if (!test_) {
      const int dirFd = pend.dir->Get();
      if (keep && ::renameat(dirFd, pend.tempLeaf.c_str(), dirFd, pend.leaf.c_str()) != 0) {
        rep_.Message(ORN_ZE_WRITE, "Cannot put " + e.Name + " in place: " + std::strerror(errno));
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
    const ZipDirEntry& e = *pend.entry;
    DecodeTask t{DecodeJob{}, nullptr, test_ ? 0 : FromDosDateTime(e.DosDateTime()), test_ ? mode_t(0) : StoredMode(e)};
    t.job.archiveFd = zfd_.Get();
    t.job.entry = &e;
    t.sync = groupOf_.count(&e) > 0;
    if (!UnlockEntry(e, t.job, true)) return false;
    t.out = std::make_shared<UniqueFd>(
        test_ ? -1 : ::openat(pend.dir->Get(), pend.tempLeaf.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC));
    if (!test_ && !*t.out) {
      r.errorCode = ORN_ZE_CREATE;
      r.error = "Cannot create (" + std::string(std::strerror(errno)) + "): " + e.Name;
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
  std::uint64_t zipSize_ = 0;
  const ZipDirectory* dir_ = nullptr;  // the host's, or own_
  ZipDirectory own_;
  std::vector<const ZipDirEntry*> chosen_;
  std::unique_ptr<SafeFolder> folder_;
  std::set<std::string> archiveLinks_;
  std::unordered_set<std::string> planned_;  // where this job writes, "folder/name"
  std::set<std::string> cleaned_;            // folders whose stale temporary files are gone
  const struct timespec started_ = Now();
  enum class Outcome { Queued, Skipped, Failed };
  Outcome outcome_ = Outcome::Failed;  // what StartEntry did with the last entry
  std::unordered_map<const ZipDirEntry*, std::string> groupOf_;
  std::unordered_map<std::string, Group> groups_;

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
