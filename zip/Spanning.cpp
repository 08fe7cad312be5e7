// Splitting a zip file into volumes and joining a volume set into one zip.
// The end record is found by the record layer's reader; the headers are
// copied as they stand, with only their disk numbers and offsets rewritten.
#include "Spanning.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

#include "ByteCursor.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "UniqueFd.h"
#include "ZipDirReader.h"
#include "ZipHeaders.h"
#include "ZipMessages.h"
#include "ZipSource.h"

namespace orn {

namespace {

// One buffer for file data; headers are read a record at a time.
constexpr std::size_t kCopyBuffer = 256 * 1024;

[[noreturn]] void Fail(int ident, const std::string& detail = std::string()) {
  const std::string text = ZipMessageText(ident);
  const bool joined = text.size() >= 2 && text.compare(text.size() - 2, 2, ": ") == 0;
  throw EZipEngine(ident, text + (detail.empty() ? "" : (joined ? "" : ": ") + detail), ident != kZipAborted);
}

std::string ErrnoText() { return std::strerror(errno); }

// Reads exactly `count` bytes at `offset`; answers how many were read.
std::size_t ReadFully(int fd, std::uint64_t offset, void* out, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fd, static_cast<char*>(out) + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

bool WriteFully(int fd, const char* data, std::size_t count) {
  while (count > 0) {
    ssize_t n = ::write(fd, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

void CheckCancel(const SpanEvents& events) {
  if (events.cancelled && events.cancelled()) Fail(kZipAborted);
}

void SetFileTime(int fd, const struct timespec& time) {
  struct timespec times[2] = {time, time};
  ::futimens(fd, times);
}

// Free bytes for the caller in the folder of `path`; -1 when unknown.
std::int64_t FreeBytes(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  if (dir.empty()) dir = ".";
  struct statvfs st {};
  if (::statvfs(dir.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}

std::string Lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

// --- splitting -----------------------------------------------------------------

// The output side of a split: opens volume after volume, never lets a record
// cross a volume's end, and cuts data at the exact byte where room ends.
class VolumeWriter {
 public:
  VolumeWriter(std::string target, const SpanSettings& settings, const SpanEvents& events, struct timespec stamp,
               mode_t mode)
      : target_(std::move(target)), settings_(settings), events_(events), stamp_(stamp), mode_(mode) {}
  ~VolumeWriter() {
    if (!finished_) {
      out_.Reset();
      for (const PreparedFile& f : written_) ::unlink(f.temp.c_str());
    }
  }

  int Volume() const { return volume_; }
  std::uint64_t OnVolume() const { return onVolume_; }
  bool LimitedBySize() const { return limitedBySize_; }

  // The chosen volume size, not the disk, leaves no room: said as it is, not
  // as a full disk.
  [[noreturn]] void TooSmall(const std::string& why) const {
    throw EZipEngine(kZipNoRoom, "The volume size of " + std::to_string(settings_.maxVolumeSize) + " bytes is " + why,
                     true);
  }
  int Count() const { return static_cast<int>(written_.size()); }

  // Starts the next volume when `bytes` do not fit on this one but would fit
  // on an empty one: used so that the central directory and the end record
  // share the last volume, which is all a reader of the set opens first.
  void KeepTogether(std::uint64_t bytes) {
    if (!out_) Open();
    const bool fitsEmpty = settings_.maxVolumeSize <= 0 || bytes <= static_cast<std::uint64_t>(settings_.maxVolumeSize);
    if (room_ < bytes && fitsEmpty && onVolume_ > 0) Next();
  }

  // Makes sure `needed` bytes fit on the open volume, starting the next one
  // when they do not.
  void Reserve(std::uint64_t needed) {
    if (!out_) Open();
    if (room_ >= needed) return;
    if (onVolume_ == 0) {
      // A record never crosses a volume's end: a volume too small for one
      // is the chosen size's fault, not the disk's.
      if (LimitedBySize())
        TooSmall("smaller than a header of " + std::to_string(needed) + " bytes, which must fit on one volume");
      Fail(kZipNoRoom, VolumeFileName(target_, volume_) + ": " + std::to_string(room_) + " bytes free");
    }
    Next();
    Reserve(needed);
  }

  // Writes `count` bytes; a record passes its whole length as `needed`.
  void Write(const char* data, std::size_t count, std::uint64_t needed) {
    CheckCancel(events_);
    if (needed > 0) Reserve(needed);
    while (true) {
      if (!out_) Open();
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, room_));
      if (n > 0 && !WriteFully(out_.Get(), data, n))
        Fail(kZipWriteError, VolumeFileName(target_, volume_) + ": " + ErrnoText());
      onVolume_ += n;
      room_ -= n;
      data += n;
      count -= n;
      if (count == 0) return;
      Next();
    }
  }

  // The set is written under temporary names; it replaces the set of the
  // same name whole, with any higher volumes of a longer one (PutInPlaceTogether).
  void Finish() {
    Close();
    std::vector<std::string> stale;
    for (int n = Count(); n < kMaxVolumes && FileExists(VolumeFileName(target_, n)); ++n)
      stale.push_back(VolumeFileName(target_, n));
    finished_ = true;
    std::string error;
    if (!PutInPlaceTogether(written_, stale, &error)) Fail(kZipCreateError, error);
  }

 private:
  void Open() {
    if (volume_ >= kMaxVolumes) Fail(kZipSpanException, "a set holds at most 999 volumes");
    const std::string name = VolumeFileName(target_, volume_);
    if (FileExists(name)) {
      if (!events_.overwrite) Fail(kZipDiskUnattended, FormatZipMessage(ZipMessageText(kZipOverwriteFile), name));
      if (!events_.overwrite(name)) Fail(kZipAborted);
    }
    const std::int64_t free = FreeBytes(name);
    std::int64_t room = free < 0 ? std::numeric_limits<std::int64_t>::max() : free;
    limitedBySize_ = settings_.maxVolumeSize > 0 && settings_.maxVolumeSize < room;
    if (limitedBySize_) room = settings_.maxVolumeSize;
    if (volume_ == 0) room -= settings_.keepFreeOnDisk1;
    // A fixed disk has no other disk to ask for: too little room ends the run.
    if (room <= 0 || room < settings_.minFreeVolumeSize) {
      if (limitedBySize_)
        TooSmall("below the smallest volume size of " +
                 std::to_string(settings_.minFreeVolumeSize + (volume_ == 0 ? settings_.keepFreeOnDisk1 : 0)) +
                 " bytes");
      Fail(kZipNoRoom, name + ": " + std::to_string(free) + " bytes free");
    }
    const std::string temp = TemporaryNameBeside(name, written_.empty() ? std::string() : written_.front().temp);
    AtFileStep(FileStep::Write, temp);
    out_ = UniqueFd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out_) Fail(kZipCreateError, name + ": " + ErrnoText());
    ::fchmod(out_.Get(), mode_);
    written_.push_back({temp, name});
    room_ = static_cast<std::uint64_t>(room);
    onVolume_ = 0;
  }

  void Close() {
    if (!out_) return;
    SetFileTime(out_.Get(), stamp_);
    const std::string name = VolumeFileName(target_, volume_);
    if (::fsync(out_.Get()) != 0 || !out_.Close()) Fail(kZipWriteError, name + ": " + ErrnoText());
  }

  void Next() {
    Close();
    ++volume_;
    onVolume_ = 0;
    room_ = 0;
  }

  std::string target_;
  const SpanSettings& settings_;
  const SpanEvents& events_;
  struct timespec stamp_;
  mode_t mode_;
  UniqueFd out_;
  int volume_ = 0;
  std::uint64_t onVolume_ = 0;
  std::uint64_t room_ = 0;
  std::vector<PreparedFile> written_;
  bool limitedBySize_ = false;  // the volume's room is the chosen size, not the disk's
  bool finished_ = false;
};

// Reads exactly `count` bytes at `offset` of the source or raises `ident`.
std::string ReadRecord(int fd, std::uint64_t offset, std::size_t count, int ident) {
  std::string bytes(count, '\0');
  if (ReadFully(fd, offset, bytes.data(), count) != count) Fail(ident);
  return bytes;
}

struct Placed {
  std::uint16_t volume;
  std::uint32_t offset;
};

}  // namespace

std::string VolumeFileName(const std::string& target, int volume, bool replaceDigits) {
  const std::string ext = ExtractFileExt(target);
  std::string base = target.substr(0, target.size() - ext.size());
  if (replaceDigits && base.size() >= 3) base.resize(base.size() - 3);
  std::string digits = std::to_string(volume + 1001);
  return base + digits.substr(digits.size() - 3) + ext;
}

int SplitZipToVolumes(const std::string& source, const std::string& target, const SpanSettings& settings,
                      const SpanEvents& events) {
  if (!FileExists(source)) Fail(kZipOpenRaised, source);
  FileZipSource zip(source);
  if (!zip.Ok()) Fail(kZipOpenRaised, source + ": " + zip.Error());
  // The directory through the record layer's reader; the headers are
  // written back from the entries with only their volume and offset changed.
  ZipDirOptions options;
  options.names.codePage = cpNone;
  options.useDirOnlyEntries = true;
  std::vector<ZipDirEntry> entries;
  ZipDirectoryInfo info;
  ZipDirReader(zip, options).Read(entries, info);
  const ZipEndRecord& end = info.end;
  if (end.zip64)
    Fail(kZipSpanException, "archives past 4 GiB or with more than 65535 entries are not split into volumes");
  if (info.spanned || end.thisDisk != 0) Fail(kZipSpanException, source + " is already a volume of a set");
  if (info.hasPrefix || info.offsetShift != 0) Fail(kZipSpanException, source + " has data in front of the archive");

  UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in) Fail(kZipOpenRaised, source + ": " + ErrnoText());
  struct stat st {};
  ::fstat(in.Get(), &st);
  ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  // Where every local header starts.
  std::vector<std::uint32_t> locals;
  locals.reserve(entries.size());
  for (const ZipDirEntry& e : entries) locals.push_back(e.LocalHeaderOffset);
  std::sort(locals.begin(), locals.end());
  locals.erase(std::unique(locals.begin(), locals.end()), locals.end());
  if (!locals.empty() && locals.back() >= end.directoryOffset) Fail(kZipNoLocalEntry);

  // What a split killed before left in the folder goes, and a set change
  // cut short is completed, before this set is written beside it.
  RemoveStaleTemporaries(ExtractFilePath(target));
  // The volumes allow what the archive they are cut from allows.
  VolumeWriter out(target, settings, events, st.st_mtim, st.st_mode & 0777);
  static const char marker[4] = {0x50, 0x4b, 0x07, 0x08};
  out.Write(marker, sizeof marker, 0);
  if (events.progress) {
    events.progress(FileCountKnown, "", static_cast<std::int64_t>(end.totalEntries));
    events.progress(ByteCountKnown, "", static_cast<std::int64_t>(st.st_size));
  }

  std::unordered_map<std::uint32_t, Placed> placed;
  placed.reserve(locals.size());
  std::vector<char> buffer(kCopyBuffer);
  for (std::size_t i = 0; i < locals.size(); ++i) {
    const std::uint64_t start = locals[i];
    const std::uint64_t stop = i + 1 < locals.size() ? locals[i + 1] : end.directoryOffset;
    std::string header = ReadRecord(in.Get(), start, kLocalHeaderSize, kZipLocalHeaderError);
    ByteCursor c(header);
    if (c.U32() != kLocalHeaderSig) Fail(kZipLocalSignature);
    c.Seek(26);
    const std::uint16_t nameLength = c.U16(), extraLength = c.U16();
    const std::string name = ReadRecord(in.Get(), start + kLocalHeaderSize, nameLength, kZipLocalNameError);
    header += name;
    header += ReadRecord(in.Get(), start + kLocalHeaderSize + nameLength, extraLength, kZipLocalExtraError);
    if (start + header.size() > stop) Fail(kZipLocalExtraError, name);
    if (events.message) events.message(ZipMessageText(kZipCopying) + name);
    if (events.progress) events.progress(FileStarted, name, static_cast<std::int64_t>(stop - start));
    out.Reserve(header.size());
    placed[locals[i]] = {static_cast<std::uint16_t>(out.Volume()), static_cast<std::uint32_t>(out.OnVolume())};
    out.Write(header.data(), header.size(), header.size());
    // The data and any data descriptor run up to the next header; they may
    // be cut anywhere.
    for (std::uint64_t pos = start + header.size(); pos < stop;) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), stop - pos));
      if (ReadFully(in.Get(), pos, buffer.data(), want) != want) Fail(kZipDataError, name);
      out.Write(buffer.data(), want, 0);
      if (events.progress) events.progress(BytesDone, name, static_cast<std::int64_t>(want));
      pos += want;
    }
  }

  const std::string directoryName = ZipMessageText(kZipDirectoryName);
  if (events.message) events.message(ZipMessageText(kZipCopying) + directoryName);
  if (events.progress)
    events.progress(FileStarted, directoryName,
                    static_cast<std::int64_t>(end.directorySize + end.commentLength + kEndRecordSize));
  out.KeepTogether(end.directorySize + kEndRecordSize + end.commentLength);
  Placed directory{0, 0};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    ZipDirEntry e = entries[i];
    auto found = placed.find(e.LocalHeaderOffset);
    if (found == placed.end()) Fail(kZipNoLocalEntry, e.RawName);
    e.DiskStart = found->second.volume;
    e.LocalHeaderOffset = found->second.offset;
    std::string header;
    AppendCentralHeader(header, e);
    out.Reserve(header.size());
    if (i == 0) directory = {static_cast<std::uint16_t>(out.Volume()), static_cast<std::uint32_t>(out.OnVolume())};
    out.Write(header.data(), header.size(), header.size());
  }
  if (entries.empty()) {
    out.Reserve(kEndRecordSize + info.comment.size());
    directory = {static_cast<std::uint16_t>(out.Volume()), static_cast<std::uint32_t>(out.OnVolume())};
  }

  std::string record;
  EndRecordFields fields;
  fields.entriesOnDisk = static_cast<std::uint16_t>(end.entriesOnDisk);
  fields.totalEntries = static_cast<std::uint16_t>(end.totalEntries);
  fields.directorySize = static_cast<std::uint32_t>(end.directorySize);
  fields.directoryDisk = directory.volume;
  fields.directoryOffset = directory.offset;
  out.Reserve(kEndRecordSize + info.comment.size());
  fields.thisDisk = static_cast<std::uint16_t>(out.Volume());
  AppendEndRecord(record, fields, info.comment);
  out.Write(record.data(), record.size(), record.size());
  out.Finish();
  if (events.progress) events.progress(BatchEnded, "", 0);
  return out.Count();
}

// --- joining --------------------------------------------------------------------

namespace {

// The input side of a join: the volumes of one set, read in order. Records
// never cross a volume's end; data may.
class VolumeReader {
 public:
  VolumeReader(std::string lastName, int lastVolume) : lastName_(std::move(lastName)), last_(lastVolume) {}

  int Volume() const { return volume_; }
  std::uint64_t Position() const { return pos_; }

  // True when reading has come exactly to `offset` of `volume`; the end of
  // a volume counts as the start of the next one.
  bool At(int volume, std::uint64_t offset) const {
    return (volume == volume_ && offset == pos_) || (offset == 0 && volume == volume_ + 1 && pos_ == size_);
  }

  void Open(int volume) {
    if (volume == volume_ && in_) return;
    in_.Reset();
    volume_ = volume;
    name_ = volume == last_ ? lastName_ : VolumeFileName(lastName_, volume, true);
    in_ = UniqueFd(::open(name_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in_) Fail(kZipOpenRaised, name_ + ": " + ErrnoText());
    struct stat st {};
    ::fstat(in_.Get(), &st);
    size_ = static_cast<std::uint64_t>(st.st_size);
    ::posix_fadvise(in_.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    pos_ = 0;
  }

  void Seek(int volume, std::uint64_t offset, int ident) {
    Open(volume);
    if (offset > size_) Fail(ident, name_);
    pos_ = offset;
  }

  // A whole record: at the very end of a volume it starts on the next one.
  std::string Record(std::size_t count, int ident, bool mayAdvance = true) {
    if (mayAdvance && pos_ == size_ && volume_ < last_) Open(volume_ + 1);
    std::string bytes(count, '\0');
    if (size_ - pos_ < count || ReadFully(in_.Get(), pos_, bytes.data(), count) != count) Fail(ident, name_);
    pos_ += count;
    return bytes;
  }

  // The bytes from `offset` of `volume` up to `endOffset` of the last
  // volume, running on over the volumes between.
  std::string ReadThrough(int volume, std::uint64_t offset, std::uint64_t endOffset, int ident) {
    Seek(volume, offset, kZipSeekError);
    std::string bytes;
    while (true) {
      const std::uint64_t stop = volume_ == last_ ? endOffset : size_;
      if (stop < pos_) Fail(ident, name_);
      const std::size_t start = bytes.size();
      bytes.resize(start + static_cast<std::size_t>(stop - pos_));
      if (ReadFully(in_.Get(), pos_, bytes.data() + start, bytes.size() - start) != bytes.size() - start)
        Fail(ident, name_);
      pos_ = stop;
      if (volume_ >= last_) return bytes;
      Open(volume_ + 1);
    }
  }

  // Data that may run on over the next volumes; answers the bytes read.
  std::size_t Data(char* out, std::size_t count, int ident) {
    std::size_t done = 0;
    while (done < count) {
      if (pos_ == size_) {
        if (volume_ >= last_) Fail(ident, name_);
        Open(volume_ + 1);
        continue;
      }
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, size_ - pos_));
      if (ReadFully(in_.Get(), pos_, out + done, want) != want) Fail(ident, name_);
      pos_ += want;
      done += want;
    }
    return done;
  }

 private:
  std::string lastName_;
  int last_;
  std::string name_;
  UniqueFd in_;
  int volume_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t pos_ = 0;
};

// The joined file, written in order through one buffer.
class JoinWriter {
 public:
  explicit JoinWriter(int fd) : fd_(fd) { buffer_.reserve(kCopyBuffer); }
  std::uint64_t Position() const { return written_ + buffer_.size(); }
  void Write(const char* data, std::size_t count, int ident) {
    if (Position() + count > std::numeric_limits<std::uint32_t>::max())
      Fail(kZipSpanException, "the joined archive would pass 4 GiB");
    if (buffer_.size() + count > kCopyBuffer) Flush(ident);
    if (count >= kCopyBuffer) {
      if (!WriteFully(fd_, data, count)) Fail(ident, ErrnoText());
      written_ += count;
      return;
    }
    buffer_.insert(buffer_.end(), data, data + count);
  }
  void Write(const std::string& bytes, int ident) { Write(bytes.data(), bytes.size(), ident); }
  void Flush(int ident) {
    if (buffer_.empty()) return;
    if (!WriteFully(fd_, buffer_.data(), buffer_.size())) Fail(ident, ErrnoText());
    written_ += buffer_.size();
    buffer_.clear();
  }

 private:
  int fd_;
  std::vector<char> buffer_;
  std::uint64_t written_ = 0;
};

std::uint64_t Key(std::uint32_t volume, std::uint32_t offset) {
  return (static_cast<std::uint64_t>(volume) << 32) | offset;
}

}  // namespace

void JoinZipVolumes(const std::string& lastVolume, const std::string& output, const SpanEvents& events) {
  ZipEndRecord end;
  ZipDirectoryInfo info;
  {
    if (!FileExists(lastVolume)) Fail(kZipOpenRaised, lastVolume);
    FileZipSource zip(lastVolume);
    if (!zip.Ok()) Fail(kZipOpenRaised, lastVolume + ": " + zip.Error());
    ZipDirOptions options;
    options.labelVolume = VolumeNumberOfName(lastVolume);
    ZipDirReader(zip, options).FindEndOfDirectory(end, info, true);
    if (end.zip64) Fail(kZipSpanException, "volume sets with Zip64 records are not joined");
    const int named = VolumeNumberOfName(lastVolume);
    if (end.thisDisk >= static_cast<std::uint32_t>(kMaxVolumes) ||
        (end.thisDisk > 0 && named != static_cast<int>(end.thisDisk) + 1))
      Fail(kZipSpanException, lastVolume + ": the end record names volume " + std::to_string(end.thisDisk + 1) +
                                  " of a set, the file is volume " + std::to_string(named));
    if (end.directoryDisk > end.thisDisk) Fail(kZipCentralHeaderError, lastVolume);
  }
  const int last = static_cast<int>(end.thisDisk);
  VolumeReader in(lastVolume, last);

  // The central directory through the record layer's decoder, read across
  // the volumes it covers.
  std::vector<ZipDirEntry> entries = DecodeCentralDirectory(
      in.ReadThrough(static_cast<int>(end.directoryDisk), end.directoryOffset, end.position, kZipCentralHeaderError),
      end.totalEntries, NameDecoding{cpNone});
  std::vector<std::uint32_t> newOffsets(entries.size(), 0);
  std::unordered_map<std::uint64_t, std::size_t> byPlace;
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ZipDirEntry& e = entries[i];
    if (e.DiskStart > last) Fail(kZipNoLocalEntry, e.RawName);
    if (!byPlace.emplace(Key(e.DiskStart, e.LocalHeaderOffset), i).second) Fail(kZipNoLocalEntry, e.RawName);
    total += e.PackedSize + e.NameLength + e.ExtraLength + e.CommentLength;
  }

  const std::string temp = TemporaryNameBeside(output);
  UniqueFd outFd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!outFd) Fail(kZipCreateError, output + ": " + ErrnoText());
  struct Cleanup {
    std::string path;
    ~Cleanup() {
      if (!path.empty()) ::unlink(path.c_str());
    }
  } cleanup{temp};
  JoinWriter out(outFd.Get());

  if (events.progress) {
    events.progress(FileCountKnown, "", static_cast<std::int64_t>(entries.size()));
    events.progress(ByteCountKnown, "", static_cast<std::int64_t>(total));
  }
  in.Seek(0, 0, kZipSpanMarkerMissing);
  std::string marker = in.Record(4, kZipSpanMarkerMissing, false);
  if (ByteCursor(marker).U32() != kSpanMarkerSig) Fail(kZipSpanMarkerMissing);

  // The local entries, in the order of the set.
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return Key(entries[a].DiskStart, entries[a].LocalHeaderOffset) <
           Key(entries[b].DiskStart, entries[b].LocalHeaderOffset);
  });
  std::vector<char> buffer(kCopyBuffer);
  for (std::size_t n = 0; n < order.size(); ++n) {
    const ZipDirEntry& e = entries[order[n]];
    CheckCancel(events);
    in.Seek(e.DiskStart, e.LocalHeaderOffset, kZipLocalHeaderError);
    std::string header = in.Record(kLocalHeaderSize, kZipLocalHeaderError);
    ByteCursor c(header);
    if (c.U32() != kLocalHeaderSig) Fail(kZipLocalSignature, e.RawName);
    c.Seek(18);
    const std::uint32_t localPacked = c.U32();
    c.Seek(26);
    const std::uint16_t nameLength = c.U16(), extraLength = c.U16();
    const std::string name = in.Record(nameLength, kZipLocalNameError, false);
    // A volume of another set holds other entries where this set's
    // directory expects its own.
    if (Lower(name) != Lower(e.RawName)) Fail(kZipNoLocalEntry, e.RawName);
    const std::string extra = in.Record(extraLength, kZipLocalExtraError, false);
    if (events.message) events.message(ZipMessageText(kZipCopying) + e.RawName);
    if (events.progress)
      events.progress(FileStarted, e.RawName,
                      static_cast<std::int64_t>(e.PackedSize) + nameLength + extraLength + kLocalHeaderSize +
                          ((e.GeneralFlags & kFlagDescriptor) ? 16 : 0));
    newOffsets[order[n]] = static_cast<std::uint32_t>(out.Position());
    out.Write(header + name, kZipWriteLocalError);
    out.Write(extra, kZipWriteLocalError);
    if (localPacked != 0 && localPacked != e.PackedSize) Fail(kZipDataError, e.RawName);
    for (std::uint64_t left = e.PackedSize; left > 0;) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
      in.Data(buffer.data(), want, kZipDataError);
      out.Write(buffer.data(), want, kZipWriteLocalError);
      left -= want;
    }
    if (e.GeneralFlags & kFlagDescriptor) {
      // The descriptor carries its signature or starts with the CRC.
      char descriptor[16];
      in.Data(descriptor, 4, kZipDescriptorError);
      const bool signed_ = ByteCursor(std::string_view(descriptor, 4)).U32() == kDataDescriptorSig;
      const std::size_t rest = signed_ ? 12 : 8;
      in.Data(descriptor + 4, rest, kZipDescriptorError);
      out.Write(descriptor, 4 + rest, kZipWriteLocalError);
    }
    // Data that ran on over a volume's end must end right where the next
    // record begins: a volume cut short or taken from another set does not.
    const bool last = n + 1 == order.size();
    const int nextVolume = last ? static_cast<int>(end.directoryDisk) : entries[order[n + 1]].DiskStart;
    const std::uint64_t nextOffset = last ? end.directoryOffset : entries[order[n + 1]].LocalHeaderOffset;
    if (in.Volume() != e.DiskStart && !in.At(nextVolume, nextOffset)) Fail(kZipDataError, e.RawName);
  }

  // The central directory, every entry on disk 0 at its new offset.
  const std::uint32_t directoryOffset = static_cast<std::uint32_t>(out.Position());
  std::string directory;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    ZipDirEntry e = entries[i];
    e.DiskStart = 0;
    e.LocalHeaderOffset = newOffsets[i];
    directory.clear();
    AppendCentralHeader(directory, e);
    out.Write(directory, kZipWriteCentralError);
  }
  std::string record;
  EndRecordFields fields;
  fields.entriesOnDisk = fields.totalEntries = static_cast<std::uint16_t>(entries.size());
  fields.directorySize = static_cast<std::uint32_t>(out.Position() - directoryOffset);
  fields.directoryOffset = directoryOffset;
  AppendEndRecord(record, fields, info.comment);
  out.Write(record, kZipWriteEndError);
  out.Flush(kZipWriteEndError);

  struct stat st {};
  st.st_mode = 0600;
  if (::stat(lastVolume.c_str(), &st) == 0) SetFileTime(outFd.Get(), st.st_mtim);
  // The joined archive allows what the set allows.
  if (::fchmod(outFd.Get(), st.st_mode & 0777) != 0 || !outFd.Close()) Fail(kZipWriteEndError, output + ": " + ErrnoText());
  if (::rename(temp.c_str(), output.c_str()) != 0) Fail(kZipCreateError, output + ": " + ErrnoText());
  cleanup.path.clear();
  if (events.progress) events.progress(BatchEnded, "", 0);
}

}  // namespace orn
