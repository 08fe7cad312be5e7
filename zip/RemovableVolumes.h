// The removable side of splitting: when the target lies on a USB stick or a
// memory card, each volume goes on a medium of its own. Before every volume
// after the first, the person is asked for the next disk, and the split
// waits until another medium is mounted where the last one was (or beside
// it); a disk that holds a volume of this set or a file of the same name,
// and a disk too full for a volume, are asked about as the design asks.
// There is no formatting here: a full disk with files on it may have them
// removed instead. The volume label is written as a text file on the medium,
// since a mounted stick's own label cannot be set by the user.
//
// Volumes keep the fixed-disk names ("ARCH001.zip" on the first disk,
// "ARCH002.zip" on the second), so that copied together into one folder
// they form the set again.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "RemovableMedia.h"
#include "Spanning.h"

namespace orn {

// The name of the text file that carries a medium's volume label.
constexpr char kVolumeLabelFile[] = "DISKLABEL.TXT";

class RemovableVolumes {
 public:
  // `target` lies on `medium`; `sourceSize` is the size of the zip being
  // split (for the number of disks in the prompt), `stamp` its date, which
  // every volume of the set carries.
  RemovableVolumes(std::string target, Medium medium, const SpanSettings& settings, const SpanEvents& events,
                   std::int64_t sourceSize, struct timespec stamp);

  struct Place {
    std::string file;
    std::int64_t room = 0;
  };
  // The file volume `volume` (from 0) is written to and the room it has,
  // once the disk for it is in and every question about it is answered.
  // Raises 11007 when the person cancels, 11025 when nobody can be asked.
  Place Prepare(int volume);
  // Volume `volume` is complete on its medium; the next needs another disk.
  void Finished(int volume);

 private:
  void AskForDisk(int volume);
  int DiskTotal(int volume) const;
  bool AnswerWhatTheDiskHolds(int volume, const std::string& file);
  bool MakeRoom(int volume, const std::string& file, std::int64_t& room);
  void WriteLabel(int volume);

  std::string target_;
  Medium first_;
  Medium current_;
  const SpanSettings& settings_;
  const SpanEvents& events_;
  std::int64_t sourceSize_;
  struct timespec stamp_;
  bool needDisk_ = false;
  std::vector<std::string> mountedBefore_;
};

// The volume number a medium's label file carries ("PKBACK# 002" -> 2); 0
// when the medium has none.
int VolumeLabelNumber(const std::string& mountPoint);

}  // namespace orn
