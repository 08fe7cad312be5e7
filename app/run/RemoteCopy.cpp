#include "RemoteCopy.h"

#include <nettle/md5.h>
#include <nettle/sha1.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <optional>
#include <set>

#include "FileReplace.h"
#include "FileSystem.h"
#include "MessageLog.h"
#include "RunNames.h"
#include "TextUtil.h"

namespace orn {

namespace {

constexpr char kJournalHeader[] = "ORN REMOTE SET CHANGE";
// A journal's name: the prefix, then the first file's name.
constexpr char kJournalPrefix[] = ".~orn-journal.";

std::string Hex(const unsigned char* bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

// The name a temporary name stands for (".~orn-0123abcd.Buh.zip" -> "Buh.zip").
std::string StandsFor(const std::string& temporaryName) {
  const size_t dot = temporaryName.find('.', 6);
  return dot == std::string::npos ? std::string() : temporaryName.substr(dot + 1);
}

// Whether `name` is `wanted` or another volume of the same set.
bool SameSet(const std::string& name, const std::string& wanted) {
  if (name == wanted) return true;
  return VolumeNumber(name) && VolumeNumber(wanted) && WithVolumeNumber(name, 1) == WithVolumeNumber(wanted, 1);
}

bool PlainName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

struct SetChange {
  std::vector<std::pair<std::string, std::string>> moves;  // temporary name, final name
  std::vector<std::string> deletes;
};

std::string JournalText(const SetChange& change) {
  std::string text = std::string(kJournalHeader) + "\n";
  for (const auto& [from, to] : change.moves) text += "move\t" + from + "\t" + to + "\n";
  for (const std::string& name : change.deletes) text += "delete\t" + name + "\n";
  return text;
}

// A journal that names anything but temporary names moved onto plain names
// of the same folder is not one of ours: it is left alone.
bool ParseJournal(const std::string& text, SetChange& change) {
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty() || lines.front() != kJournalHeader) return false;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = lines[i].find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(lines[i].substr(start, tab - start));
    fields.push_back(lines[i].substr(start));
    if (fields.size() == 3 && fields[0] == "move" && PlainName(fields[1]) && IsTemporaryName(fields[1]) &&
        PlainName(fields[2]) && !IsTemporaryName(fields[2]))
      change.moves.emplace_back(fields[1], fields[2]);
    else if (fields.size() == 2 && fields[0] == "delete" && PlainName(fields[1]) && !IsTemporaryName(fields[1]))
      change.deletes.push_back(fields[1]);
    else
      return false;
  }
  return true;
}

// The renames and removals of a set change whose files are all up and
// checked. Steps already made (a renamed file, a removed one) are passed
// over, so that a change cut short anywhere is finished by running it again.
void ApplyChange(const Rclone& rclone, const std::string& folder, const SetChange& change,
                 const std::set<std::string>& present) {
  for (const auto& [from, to] : change.moves)
    if (present.count(from)) rclone.MoveTo(RemoteJoin(folder, from), RemoteJoin(folder, to));
  for (const std::string& name : change.deletes)
    if (present.count(name)) rclone.Delete(RemoteJoin(folder, name));
}

std::set<std::string> Names(const std::vector<RemoteEntry>& entries) {
  std::set<std::string> names;
  for (const RemoteEntry& e : entries)
    if (!e.isDirectory) names.insert(e.name);
  return names;
}

// Removes the temporary files of `uploaded`, as far as the remote lets us;
// what stays is removed by the next run.
void RemoveUploaded(const Rclone& rclone, const std::vector<std::string>& uploaded) {
  for (const std::string& path : uploaded) {
    try {
      rclone.Delete(path);
    } catch (const RcloneError&) {
    }
  }
}

// The hash type to check the copy by: one the remote keeps, else md5 of the
// bytes read back.
std::pair<std::string, bool> CheckMethod(const Rclone& rclone, const std::string& remote) {
  const std::vector<std::string> kept = rclone.HashTypes(RemoteNameOf(remote) + ":");
  for (const char* type : {"md5", "sha1"})
    if (std::find(kept.begin(), kept.end(), type) != kept.end()) return {type, false};
  return {"md5", true};
}

}  // namespace

std::chrono::seconds RemoteTimeLimit::For(std::int64_t bytes) const {
  return base +
         std::chrono::seconds(std::max<std::int64_t>(bytes, 0) / std::max<std::int64_t>(slowestBytesPerSecond, 1));
}

std::string LocalFileHash(const std::string& type, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot read file \"" + path + "\"");
  std::vector<char> buffer(1 << 20);
  md5_ctx md5;
  sha1_ctx sha1;
  md5_init(&md5);
  sha1_init(&sha1);
  const bool useMd5 = type == "md5";
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto n = static_cast<size_t>(in.gcount());
    const auto* data = reinterpret_cast<const uint8_t*>(buffer.data());
    if (useMd5)
      md5_update(&md5, n, data);
    else
      sha1_update(&sha1, n, data);
  }
  if (in.bad()) throw std::runtime_error("Cannot read file \"" + path + "\"");
  unsigned char digest[SHA1_DIGEST_SIZE];
  if (useMd5) {
    md5_digest(&md5, MD5_DIGEST_SIZE, digest);
    return Hex(digest, MD5_DIGEST_SIZE);
  }
  sha1_digest(&sha1, SHA1_DIGEST_SIZE, digest);
  return Hex(digest, SHA1_DIGEST_SIZE);
}

void FinishRemoteChanges(const Rclone& rclone, const std::string& folder, const std::vector<std::string>& names) {
  std::vector<RemoteEntry> entries = rclone.List(folder);
  bool finished = false;
  for (const RemoteEntry& e : entries) {
    if (e.isDirectory || e.name.rfind(kJournalPrefix, 0) != 0) continue;
    SetChange change;
    if (!ParseJournal(rclone.Read(RemoteJoin(folder, e.name)), change)) continue;
    ApplyChange(rclone, folder, change, Names(entries));
    rclone.Delete(RemoteJoin(folder, e.name));
    finished = true;
  }
  if (finished) entries = rclone.List(folder);
  for (const RemoteEntry& e : entries) {
    if (e.isDirectory || !IsTemporaryName(e.name) || e.name.rfind(kJournalPrefix, 0) == 0) continue;
    const std::string standsFor = StandsFor(e.name);
    for (const std::string& name : names)
      if (SameSet(standsFor, name)) {
        rclone.Delete(RemoteJoin(folder, e.name));
        break;
      }
  }
}

bool PlaceRemoteCopy(const std::vector<CopyItem>& items, bool volumeSet, const Rclone& rclone, MessageLog& log,
                     const RemoteCopyOptions& options) {
  if (items.empty()) return false;
  const std::string& target = items.front().to;
  const std::string folder = RemoteFolderOf(target);
  auto fail = [&](const std::string& why) {
    log.Error(log.Texts().Text("msg_NoRemoteCopy") + " \"" + target + "\": " + why);
    return false;
  };
  if (std::string missing = rclone.Missing(); !missing.empty()) return fail(missing);

  std::vector<std::string> uploaded;
  // Whether the remote is configured is asked only once something failed:
  // the question costs a process start on every good upload.
  auto unknownRemote = [&]() -> std::optional<std::string> {
    const std::string remote = RemoteNameOf(target);
    try {
      const std::vector<std::string> remotes = rclone.Remotes();
      if (std::find(remotes.begin(), remotes.end(), remote) != remotes.end()) return std::nullopt;
    } catch (const RcloneError&) {
      return std::nullopt;
    }
    return "rclone has no remote named \"" + remote + "\" (see rclone listremotes, rclone config)";
  };
  try {
    std::vector<std::string> finalNames;
    for (const CopyItem& item : items) finalNames.push_back(RemoteFileName(item.to));
    // Two independent questions to the remote, each a process and a login:
    // asked at once, the upload starts one wait sooner.
    auto method = std::async(std::launch::async, [&rclone, &target] { return CheckMethod(rclone, target); });
    try {
      FinishRemoteChanges(rclone, folder, finalNames);
    } catch (...) {
      method.wait();
      throw;
    }
    const auto [hashType, download] = method.get();
    std::int64_t total = 0;
    for (const CopyItem& item : items) total += FileSize(item.from).value_or(0);

    // The local hashes are taken while the files go up.
    std::vector<std::future<std::string>> localHashes;
    for (const CopyItem& item : items)
      localHashes.push_back(std::async(std::launch::async, LocalFileHash, hashType, item.from));

    std::int64_t before = 0;
    bool stopped = false;
    Rclone::Watch watch;
    watch.stop = [&] { return stopped; };
    std::vector<std::string> temporary;
    for (const CopyItem& item : items) {
      const std::string name = TemporaryNameBeside(RemoteFileName(item.to), temporary.empty() ? "" : temporary.front());
      temporary.push_back(name);
      const std::string path = RemoteJoin(folder, name);
      const std::int64_t size = FileSize(item.from).value_or(0);
      watch.bytes = [&](std::int64_t bytes) {
        if (options.copying && !options.copying(item.to, before + std::min(bytes, size), total)) stopped = true;
      };
      uploaded.push_back(path);
      rclone.CopyTo(item.from, path, options.timeLimit.For(size), watch);
      before += size;
      if (options.copying && !options.copying(item.to, before, total)) throw RcloneError("stopped by the user", true);
    }

    for (size_t i = 0; i < items.size(); ++i) {
      const std::string expected = localHashes[i].get();
      const std::int64_t size = FileSize(items[i].from).value_or(0);
      const std::string found = rclone.Hash(hashType, uploaded[i], download, options.timeLimit.For(size));
      if (found != expected) {
        RemoveUploaded(rclone, uploaded);
        log.Error(log.Texts().Text("msg_BadCopy") + " \"" + items[i].to + "\": the remote holds other bytes (" +
                  hashType + " " + found + ", sent " + expected + ")");
        return false;
      }
    }

    if (!volumeSet) {
      rclone.MoveTo(uploaded.front(), target);
      return true;
    }
    // Higher volumes of an older, longer set belong to no set once this one
    // is in place.
    SetChange change;
    for (size_t i = 0; i < items.size(); ++i) change.moves.emplace_back(temporary[i], finalNames[i]);
    const std::set<std::string> present = Names(rclone.List(folder));
    if (std::optional<int> last = VolumeNumber(finalNames.back()))
      for (int n = *last + 1; n <= 999; ++n) {
        const std::string stale = WithVolumeNumber(finalNames.back(), n);
        if (!present.count(stale)) break;
        change.deletes.push_back(stale);
      }
    const std::string journal = RemoteJoin(folder, kJournalPrefix + finalNames.front());
    rclone.Write(journal, JournalText(change));
    // From here on the new set is the one the remote holds: a failure leaves
    // the journal, and the next run to this folder completes the change.
    uploaded.clear();
    std::set<std::string> all = present;
    all.insert(temporary.begin(), temporary.end());
    ApplyChange(rclone, folder, change, all);
    rclone.Delete(journal);
    return true;
  } catch (const RcloneError& e) {
    if (std::optional<std::string> unknown = unknownRemote()) return fail(*unknown);
    // A remote that did not answer would keep the run waiting as long again;
    // the next run to this folder removes what is left.
    if (!e.Unanswered()) RemoveUploaded(rclone, uploaded);
    return fail(e.what());
  } catch (const std::exception& e) {
    RemoveUploaded(rclone, uploaded);
    return fail(e.what());
  }
}

}  // namespace orn
