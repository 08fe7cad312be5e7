#include "ZipLister.h"

#include <sys/stat.h>

#include "FileReplace.h"
#include "FileSystem.h"
#include "ZipEngine.h"
#include "ZipMessages.h"
#include "ZipSource.h"
#include "ZipSpanner.h"

namespace orn {

void ZipLister::List() {
  stamp_.clear();
  entries_.Clear();
  directory_ = ZipDirectory();
  const std::string name = engine_.ZipFileName();
  // A set whose replacement was cut short is completed before it is read:
  // its names then hold the whole old set or the whole new one.
  if (!name.empty()) FinishInterruptedReplaces(ExtractFilePath(name));
  if (name.empty() || !FileExists(name)) {
    if (engine_.OnDirUpdate) engine_.OnDirUpdate(engine_);
    return;
  }
  if (engine_.Guarded([this] { Read(); }, kZipListException, "\n" + name)) {
    Publish();
    stamp_ = Stamp();
  } else {
    engine_.zipFileName_.clear();
    directory_.info.firstLocalOffset = 0;
  }
  if (engine_.OnDirUpdate) engine_.OnDirUpdate(engine_);
}

void ZipLister::Read() {
  const std::string& name = engine_.ZipFileName();
  FileZipSource source(name);
  if (!source.Ok()) throw EZipEngine(kZipOpenRaised, ZipMessageText(kZipOpenRaised) + ": " + source.Error(), true);
  // Every entry is kept, folders too: DirEntries leaves out what the
  // component's setting says, extracting everything makes the folders.
  ZipDirOptions options;
  options.names = engine_.NamesDecoding();
  options.useDirOnlyEntries = true;
  options.labelVolume = VolumeNumberInSet(name);
  ZipEndRecord end;
  ZipDirectoryInfo probe;
  // A quiet look first: the reader reports its warnings once, when it reads.
  if (ZipDirReader(source, options).FindEndOfDirectory(end, probe, false) && end.directoryDisk < end.thisDisk &&
      !end.zip64) {
    // A directory larger than the room on the last volume starts on an
    // earlier one: the set is joined and the joined archive listed.
    ReadJoined(options, end);
    return;
  }
  ZipDirReader reader(source, options);
  reader.OnWarning([this, &name](int ident, const std::string& detail) {
    engine_.ShowZipMessage(ident, (detail.empty() ? "" : ": " + detail) + "\n" + name);
  });
  reader.Read(directory_.entries, directory_.info);
}

void ZipLister::ReadJoined(const ZipDirOptions& options, const ZipEndRecord& end) {
  const std::string joined = ZipSpanner(engine_).JoinIntoTemporary(engine_.ZipFileName());
  struct Remove {
    std::string path;
    ~Remove() { DeleteFileAt(path); }
  } remove{joined};
  FileZipSource source(joined);
  ZipDirReader(source, options).Read(directory_.entries, directory_.info);
  // What the listing says about the set, not about the joined copy.
  directory_.info.volumeCount = static_cast<int>(end.thisDisk);
  directory_.info.spanned = true;
}

void ZipLister::Publish() {
  const std::vector<ZipDirEntry>& all = directory_.entries;
  const bool everything = engine_.UseDirOnlyEntries();
  std::vector<std::size_t> kept;
  if (!everything) {
    kept.reserve(all.size());
    for (std::size_t i = 0; i < all.size(); ++i)
      if (!all[i].IsFolder()) kept.push_back(i);
    directory_.info.dirOnlyCount = static_cast<int>(all.size() - kept.size());
  }
  entries_.Assign(&all, std::move(kept), everything);
  if (engine_.OnNewName)
    for (std::size_t i = 0; i < entries_.size(); ++i)
      engine_.OnNewName(engine_, static_cast<int>(entries_.DirectoryIndex(i) + 1), entries_[i]);
}

std::string ZipLister::Stamp() const {
  struct stat st {};
  if (::stat(engine_.ZipFileName().c_str(), &st) != 0) return std::string();
  return std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec) + ":" + std::to_string(st.st_ino);
}

bool ZipLister::StillListed() const { return !stamp_.empty() && Stamp() == stamp_; }

}  // namespace orn
