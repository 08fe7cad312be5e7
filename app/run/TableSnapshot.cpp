#include "TableSnapshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "CompanionFiles.h"
#include "FileSystem.h"
#include "Job.h"
#include "MessageLog.h"
#include "Register.h"
#include "RunObserver.h"

namespace orn {

namespace {

// The lock files by which the accounting program's table engine says that
// it has a table open: the table's own, and the folder's shared ones.
const char* const kSharedLockFiles[] = {"PARADOX.LCK", "PDOXUSRS.LCK", "PDOXUSRS.NET"};

// Copies `from` into a new file `to`, keeping its permissions and its
// modification time, which the archive records for the entry. Not flushed:
// the copy lives for the length of the run. Returns the system's reason on
// failure, empty on success.
std::string CopyKeepingTimes(const std::string& from, const std::string& to) {
  // Not blocking, so that a pipe put in a table's place cannot hold the run.
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return std::strerror(errno);
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return "not a plain file";
  }
  ::unlink(to.c_str());
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    const int e = errno;
    ::close(in);
    return std::strerror(e);
  }
  int error = 0;
  bool kernelCopy = true;
  std::vector<char> buffer;
  for (;;) {
    ssize_t n;
    if (kernelCopy) {
      n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
      if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
        kernelCopy = false;  // the offsets stay where the last call left them
        buffer.resize(1 << 20);
        continue;
      }
    } else {
      n = ::read(in, buffer.data(), buffer.size());
      for (ssize_t done = 0; n > 0 && done < n;) {
        const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
          n = -1;
          if (w == 0) errno = ENOSPC;
          break;
        }
        done += w;
      }
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
  }
  if (!error && ::fstat(in, &st) == 0) {
    ::fchmod(out, st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  if (::close(out) != 0 && !error) error = errno;
  ::close(in);
  if (error) ::unlink(to.c_str());
  return error ? std::strerror(error) : std::string();
}

// A table's path below the copies' folder: without empty, "." and ".."
// parts (so without its root), so that no copy lands outside the folder. The
// zip engine drops the same parts from a stored name, so the copy's entry
// has the name the live file's would have.
std::string PathBelow(const std::string& path) {
  std::string out;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find(kPathDelim, i);
    if (j == std::string::npos) j = path.size();
    const std::string part = path.substr(i, j - i);
    if (!part.empty() && part != "." && part != "..") out += (out.empty() ? "" : std::string(1, kPathDelim)) + part;
    i = j + 1;
  }
  return out;
}

// The files of one table as the run list names them: the .DB first.
struct TableGroup {
  std::vector<std::string> files;
  TablePaths parts;
};

// A table and its companions share their folder and their name without the
// extension, in any letter case.
std::string GroupKey(const std::string& path) {
  return ExtractFilePath(path) + ListKey(ExtractFileName(WithoutExtension(path)));
}

std::vector<TableGroup> TablesOf(const std::vector<std::string>& runList) {
  std::vector<TableGroup> groups;
  std::map<std::string, std::size_t> byKey;
  std::set<std::string> seen;
  for (const std::string& f : runList)
    if (ListKey(ExtractFileExt(f)) == ".DB" && !byKey.count(GroupKey(f))) {
      byKey[GroupKey(f)] = groups.size();
      groups.push_back({{f}, {f, "", ""}});
    }
  for (const std::string& f : runList) {
    auto it = byKey.find(GroupKey(f));
    if (it == byKey.end() || !IsCompanionFile(f) || !seen.insert(f).second) continue;
    TableGroup& g = groups[it->second];
    g.files.push_back(f);
    const std::string ext = ListKey(ExtractFileExt(f));
    if (ext == ".PX") g.parts.px = f;
    if (ext == ".MB") g.parts.mb = f;
  }
  return groups;
}

// The lock files beside `dbPath` that say the table is open.
std::vector<std::string> LockFilesBeside(const std::string& dbPath,
                                         std::map<std::string, std::vector<std::string>>& cache) {
  const std::string dir = ExtractFilePath(dbPath);
  auto it = cache.find(dir);
  if (it == cache.end()) {
    std::vector<std::string> names;
    for (const FoundFile& f : FindFiles(dir.empty() ? "." : dir, "*.*")) {
      const std::string ext = ListKey(ExtractFileExt(f.name));
      if (ext == ".LCK" || ext == ".NET") names.push_back(f.name);
    }
    it = cache.emplace(dir, std::move(names)).first;
  }
  std::vector<std::string> found;
  const std::string own = ListKey(ExtractFileName(WithoutExtension(dbPath))) + ".LCK";
  for (const std::string& name : it->second) {
    const std::string key = ListKey(name);
    if (key == own ||
        std::find(std::begin(kSharedLockFiles), std::end(kSharedLockFiles), key) != std::end(kSharedLockFiles))
      found.push_back(dir + name);
  }
  return found;
}

void SleepWhileMessagesRun(int milliseconds, RunObserver& observer) {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < until) {
    observer.ProcessMessages();
    std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(200), until - Clock::now()));
  }
}

}  // namespace

TableSnapshots::TableSnapshots(std::string folder) : folder_(std::move(folder)) {
  if (folder_.empty()) return;
  folder_ = IncludeTrailingDelimiter(folder_);
  // What a killed run left; the run holds its temporary directory's lock.
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

TableSnapshots::~TableSnapshots() { RemoveCopies(); }

void TableSnapshots::RemoveCopies() {
  if (folder_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

std::string TableSnapshots::Root() const { return copied_ ? folder_ : std::string(); }

std::vector<std::string> TableSnapshots::Torn() const {
  std::vector<std::string> torn;
  for (const TableVerdict& v : verdicts_)
    if (v.copyError.empty() && !v.check.sound) torn.push_back(v.path);
  return torn;
}

bool TableSnapshots::SnapshotOne(const std::vector<std::string>& files, const TablePaths& parts, int attempt,
                                 TableVerdict& v) const {
  v.tries = attempt;
  v.copyError.clear();
  TablePaths checked = parts;
  bool copied = false;
  if (!folder_.empty()) {
    // Every file of the table is copied again: what belongs together
    // comes from one moment as nearly as can be.
    for (const std::string& f : files) {
      const std::string to = folder_ + PathBelow(f);
      std::string error;
      if (!ForceDirectories(ExtractFilePath(to)))
        error = std::strerror(errno);
      else
        error = CopyKeepingTimes(f, to);
      if (!error.empty()) {
        v.copyError = "\"" + f + "\" -> \"" + to + "\": " + error;
        return copied;  // archived as it is, unchecked
      }
      copied = true;
    }
    for (std::string* part : {&checked.db, &checked.px, &checked.mb})
      if (!part->empty()) *part = folder_ + PathBelow(*part);
  }
  v.check = CheckTableFiles(checked);
  return copied;
}

std::vector<std::string> TableSnapshots::Take(const std::vector<std::string>& runList,
                                              const std::function<bool(const std::string&)>& registerFiles,
                                              const TableCheckOptions& options, RunObserver& observer) {
  verdicts_.clear();
  std::vector<TableGroup> tables;
  std::map<std::string, std::vector<std::string>> lockCache;
  for (TableGroup& g : TablesOf(runList)) {
    // A .DB that is no Paradox table (another program's database) is an
    // ordinary file, unless the register says it is a table.
    if (!ReadsAsParadoxTable(g.parts.db) && !(registerFiles && registerFiles(g.parts.db))) continue;
    TableVerdict v;
    v.path = g.parts.db;
    v.lockFiles = LockFilesBeside(g.parts.db, lockCache);
    verdicts_.push_back(v);
    tables.push_back(std::move(g));
  }
  if (tables.empty()) return runList;

  std::vector<std::size_t> pending(tables.size());
  for (std::size_t i = 0; i < pending.size(); ++i) pending[i] = i;
  observer.SetTitle("CHECKING");
  for (int attempt = 1; attempt <= std::max(1, options.tries) && !pending.empty(); ++attempt) {
    if (attempt > 1) {
      // The tables that are being written, while the run waits for them.
      std::string names;
      for (std::size_t i : pending) names += (names.empty() ? "" : ", ") + ExtractFileName(tables[i].parts.db);
      observer.SetTitle("WAITING");
      observer.SetFileName(names);
      if (options.wait)
        options.wait(options.waitMilliseconds);
      else
        SleepWhileMessagesRun(options.waitMilliseconds, observer);
      observer.SetTitle("CHECKING");
    }
    // Each table is copied and checked on its own; two at a time keep both
    // cores busy while the window hears of each table in the list's order.
    std::vector<std::promise<void>> done(pending.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> copiedAny{false};
    auto work = [&] {
      for (std::size_t k; (k = next++) < pending.size();) {
        try {
          if (SnapshotOne(tables[pending[k]].files, tables[pending[k]].parts, attempt, verdicts_[pending[k]]))
            copiedAny = true;
          done[k].set_value();
        } catch (...) {
          done[k].set_exception(std::current_exception());
        }
      }
    };
    std::vector<std::thread> workers;
    // However this thread leaves, the workers it started end first.
    struct Joined {
      std::vector<std::thread>& threads;
      ~Joined() {
        for (std::thread& t : threads)
          if (t.joinable()) t.join();
      }
    } joined{workers};
    const std::size_t threads = std::min<std::size_t>(pending.size(), kSnapshotThreads);
    for (std::size_t t = 0; t < threads; ++t) workers.emplace_back(work);
    std::vector<std::size_t> failing;
    for (std::size_t k = 0; k < pending.size(); ++k) {
      observer.SetFileName(tables[pending[k]].parts.db);
      std::future<void> f = done[k].get_future();
      do observer.ProcessMessages();
      while (f.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready);
      f.get();  // what went wrong on a worker goes on from here
      const TableVerdict& v = verdicts_[pending[k]];
      if (v.copyError.empty() && !v.check.sound) failing.push_back(pending[k]);
    }
    if (copiedAny) copied_ = true;
    pending = std::move(failing);
  }

  if (folder_.empty()) return runList;
  std::map<std::string, std::string> copyOf;  // live path -> its copy below the folder
  for (std::size_t i = 0; i < tables.size(); ++i)
    if (verdicts_[i].copyError.empty())
      for (const std::string& f : tables[i].files) copyOf[f] = PathBelow(f);
  std::vector<std::string> zipList;
  zipList.reserve(runList.size());
  for (const std::string& f : runList) {
    auto it = copyOf.find(f);
    zipList.push_back(it == copyOf.end() ? f : it->second);
  }
  return zipList;
}

std::function<bool(const std::string&)> RegisterFilesOf(const Job& job) {
  auto known = std::make_shared<std::optional<std::set<std::string>>>();
  return [known, registerFile = job.registerFile](const std::string& path) {
    if (!known->has_value()) {
      std::set<std::string> keys;
      try {
        if (!registerFile.empty())
          for (const std::string& f : BuildRegisterList(registerFile)) keys.insert(ListKey(f));
      } catch (const std::exception&) {
        // The run gathered its files from this register already; should it
        // fail now, its files count as what their bytes say.
      }
      *known = std::move(keys);
    }
    return (*known)->count(ListKey(path)) > 0;
  };
}

void LogTableVerdicts(const std::vector<TableVerdict>& verdicts, MessageLog& log) {
  const MessageTexts& texts = log.Texts();
  std::string open;
  for (const TableVerdict& v : verdicts) {
    if (!v.copyError.empty())
      log.Error(texts.Text("msg_TableNotCopied") + ": " + v.copyError);
    else if (!v.check.sound)
      log.Error(texts.Format("msg_TableTorn", {std::to_string(v.tries)}) + " \"" + v.path + "\", " + v.check.check +
                ": " + ExtractFileName(v.path) + ": " + v.check.detail);
    else if (!v.lockFiles.empty())
      open += (open.empty() ? " \"" : ", \"") + v.path + "\"";
  }
  if (!open.empty()) log.Note("NOTE", texts.Text("msg_TablesOpen") + ":" + open);
}

std::string DescribeVerdict(const TableVerdict& v) {
  if (!v.copyError.empty()) return v.path + ": not checked, " + v.copyError;
  if (!v.check.sound)
    return v.path + ": NOT CONSISTENT (" + v.check.check + "): " + v.check.detail +
           (v.tries > 1 ? " (checked " + std::to_string(v.tries) + " times)" : "");
  return v.path + ": consistent, " + std::to_string(v.check.records) + (v.check.records == 1 ? " record" : " records") +
         (v.lockFiles.empty() ? "" : ", open in the accounting program");
}

}  // namespace orn
