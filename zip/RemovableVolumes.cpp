#include "RemovableVolumes.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

#include "FileSystem.h"
#include "ZipMessages.h"

namespace orn {

namespace {

[[noreturn]] void Fail(int ident, const std::string& detail = std::string()) {
  throw EZipEngine(ident, ZipMessageText(ident) + (detail.empty() ? "" : ": " + detail), ident != kZipAborted);
}

std::string ThreeDigits(int volume) { return std::to_string(volume + 1001).substr(1); }

// A question as one line of the log.
std::string OneLine(std::string text) {
  for (const char* lineBreak : {"\r\n", "\n"})
    for (std::size_t at; (at = text.find(lineBreak)) != std::string::npos;)
      text.replace(at, std::string(lineBreak).size(), " ");
  return text;
}

// "in drive: %s" on a line of its own; a translation cannot carry the line
// break the built-in text begins with.
std::string InDrive(const std::string& mountPoint) {
  std::string text = ZipMessageText(kZipInDrive);
  text.erase(0, text.find_first_not_of("\r\n"));
  return "\r\n" + FormatZipMessage(text, mountPoint);
}

bool SameTime(const std::string& file, const struct timespec& stamp) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && st.st_mtim.tv_sec == stamp.tv_sec;
}

// The plain files directly in `folder`.
std::vector<std::string> FilesOf(const std::string& folder) {
  std::vector<std::string> files;
  for (const FoundFile& f : FindFiles(folder, "*", FindWhat::Files)) files.push_back(JoinPath(folder, f.name));
  return files;
}

// The medium's free bytes as they are now.
std::int64_t FreeBytesOf(const Medium& medium) {
  for (const Medium& m : Media().Mounted())
    if (m.identity == medium.identity && m.mountPoint == medium.mountPoint) return m.freeBytes;
  return medium.freeBytes;
}

}  // namespace

int VolumeLabelNumber(const std::string& mountPoint) {
  std::ifstream in(JoinPath(mountPoint, kVolumeLabelFile));
  std::string label;
  std::getline(in, label);
  if (label.rfind("PKBACK# ", 0) != 0) return 0;
  return std::atoi(label.c_str() + 8);
}

RemovableVolumes::RemovableVolumes(std::string target, Medium medium, const SpanSettings& settings,
                                   const SpanEvents& events, std::int64_t sourceSize, struct timespec stamp)
    : target_(std::move(target)),
      first_(medium),
      current_(std::move(medium)),
      settings_(settings),
      events_(events),
      sourceSize_(sourceSize),
      stamp_(stamp) {}

int RemovableVolumes::DiskTotal(int volume) const {
  std::int64_t capacity = current_.totalBytes;
  if (settings_.maxVolumeSize > 0 && (capacity <= 0 || settings_.maxVolumeSize < capacity))
    capacity = settings_.maxVolumeSize;
  if (capacity <= 0) return 0;
  const std::int64_t last = (sourceSize_ + settings_.keepFreeOnDisk1 + 4) / capacity;
  return static_cast<int>(std::max<std::int64_t>(volume, last)) + 1;
}

void RemovableVolumes::AskForDisk(int volume) {
  while (true) {
    const int total = DiskTotal(volume);
    std::string text =
        total > 0 ? FormatZipMessage(FormatZipMessage(ZipMessageText(kZipInsertDiskOf), std::to_string(volume + 1)),
                                     std::to_string(total))
                  : FormatZipMessage(ZipMessageText(kZipInsertDisk), std::to_string(volume + 1));
    text += InDrive(current_.mountPoint);
    // The log says which disk was wanted, whoever could not give it.
    if (!events_.nextDisk) Fail(kZipDiskUnattended, OneLine(text));
    if (!events_.nextDisk(volume + 1, total, current_.mountPoint, text)) Fail(kZipAborted, OneLine(text));
    // The person says the disk is in; it counts once the desktop has it
    // mounted. A disk that does not come is asked for again.
    std::optional<Medium> next =
        WaitForOtherMedium(current_, mountedBefore_, events_.mediumWaitSeconds, events_.cancelled);
    if (events_.cancelled && events_.cancelled()) Fail(kZipAborted);
    if (next) {
      current_ = *next;
      needDisk_ = false;
      return;
    }
  }
}

// Questions 11040 and 11039: false when another disk is wanted.
bool RemovableVolumes::AnswerWhatTheDiskHolds(int volume, const std::string& file) {
  int earlier = 0;
  for (int n = 0; n < volume; ++n) {
    const std::string name = OnMedium(VolumeFileName(target_, n), first_, current_);
    if (FileExists(name) && SameTime(name, stamp_)) earlier = n + 1;
  }
  const bool sameName = FileExists(file);
  if (earlier == 0 && !sameName) return true;
  if (!events_.diskStatus) Fail(kZipDiskUnattended, file);
  TZipDiskStatus status = current_.totalBytes > 0 && current_.totalBytes == current_.freeBytes ? zdsEmpty : zdsHasFiles;
  std::string text;
  int disk = VolumeLabelNumber(current_.mountPoint);
  if (earlier > 0) {
    disk = earlier;
    status |= zdsPreviousDisk;
    text = FormatZipMessage(ZipMessageText(kZipOverwriteDisk), std::to_string(disk));
  } else {
    status |= zdsSameFileName;
    text = FormatZipMessage(ZipMessageText(kZipOverwriteFile), file);
  }
  switch (events_.diskStatus(disk > 0 ? disk : 1, file, status, text)) {
    case zdaCancel:
      Fail(kZipAborted);
    case zdaReject:
      return false;
    default:
      return true;
  }
}

// Too little room: the files in the target's folder may go, or another disk
// is wanted (false), or the split stops.
bool RemovableVolumes::MakeRoom(int volume, const std::string& file, std::int64_t& room) {
  while (true) {
    std::int64_t free = FreeBytesOf(current_);
    if (free < 0) free = std::numeric_limits<std::int64_t>::max();
    // A file of this volume's name stays until the new volume is whole
    // beside it, so its room does not count.
    room = free;
    if (settings_.maxVolumeSize > 0 && settings_.maxVolumeSize < room) room = settings_.maxVolumeSize;
    if (volume == 0) room -= settings_.keepFreeOnDisk1;
    if (room > 0 && room >= settings_.minFreeVolumeSize) return true;

    if (!events_.diskStatus) Fail(kZipDiskUnattended, file);
    std::vector<std::string> others = FilesOf(ExtractFilePath(file));
    std::string text = ZipMessageText(kZipNoRoom);
    TZipDiskStatus status = zdsNotEnoughSpace | (others.empty() ? zdsEmpty : zdsHasFiles);
    if (!others.empty())
      text += "\r\n" +
              FormatZipMessage(FormatZipMessage(ZipMessageText(kZipRemoveToMakeRoom), std::to_string(others.size())),
                               ExtractFilePath(file));
    const TZipDiskAction action =
        events_.diskStatus(std::max(1, VolumeLabelNumber(current_.mountPoint)), file, status, text);
    if (action == zdaCancel) Fail(kZipAborted);
    if (action != zdaErase || others.empty()) return false;
    // A stick's trash lies on the stick itself: only removing makes room.
    for (const std::string& f : others)
      if (!DeleteFileAt(f)) Fail(kZipCreateError, f + ": " + std::strerror(errno));
  }
}

void RemovableVolumes::WriteLabel(int volume) {
  const std::string label = JoinPath(current_.mountPoint, kVolumeLabelFile);
  std::string error;
  if (!WriteFileAtomically(label, "PKBACK# " + ThreeDigits(volume) + "\r\n", &error)) Fail(kZipLabelNotSet, error);
}

RemovableVolumes::Place RemovableVolumes::Prepare(int volume) {
  while (true) {
    if (needDisk_) AskForDisk(volume);
    Place place;
    place.file = OnMedium(VolumeFileName(target_, volume), first_, current_);
    ForceDirectories(ExtractFilePath(place.file));
    if (!AnswerWhatTheDiskHolds(volume, place.file) || !MakeRoom(volume, place.file, place.room)) {
      needDisk_ = true;
      mountedBefore_ = MediaIdentities();
      continue;
    }
    WriteLabel(volume);
    return place;
  }
}

void RemovableVolumes::Finished(int /*volume*/) {
  needDisk_ = true;
  mountedBefore_ = MediaIdentities();
}

}  // namespace orn
