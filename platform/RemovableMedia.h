// Removable media as the desktop mounts them (USB sticks, memory cards):
// which medium holds a path, and waiting until another medium takes the
// place of one that was filled. What stands for the design's disk in a
// drive: the mount point stands for the drive, the medium's identity (its
// file system's UUID or serial number, else the device and the mount) for
// the disk's serial number.
//
// Tests put a MediaProbe of their own in place: the folders that stand for
// mount points and the identity of the medium "in" each.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orn {

struct Medium {
  std::string mountPoint;  // with a trailing delimiter
  std::string identity;    // changes when another medium is put in
  std::int64_t totalBytes = -1;
  std::int64_t freeBytes = -1;
};

class MediaProbe {
 public:
  virtual ~MediaProbe() = default;
  // The removable media mounted now.
  virtual std::vector<Medium> Mounted() = 0;
  // Waits a moment before the next look (a quarter of a second).
  virtual void Pause();
};

// The process's probe: the system's mount table unless a test set another.
MediaProbe& Media();
std::unique_ptr<MediaProbe> SetMedia(std::unique_ptr<MediaProbe> probe);

// The removable medium whose mount point holds `path`; nothing for a path
// on a fixed disk.
std::optional<Medium> MediumHolding(const std::string& path);

// The identities of the media mounted now.
std::vector<std::string> MediaIdentities();

// The medium to write on once `previous` is full: another medium at the same
// mount point, or one the desktop mounted beside it after `mountedBefore`
// was taken (a stick of another label gets another folder under
// /media/USER; one that was there all along is not the next disk). Looks
// until `seconds` have passed or `stop` answers true; nothing then.
std::optional<Medium> WaitForOtherMedium(const Medium& previous, const std::vector<std::string>& mountedBefore,
                                         int seconds, const std::function<bool()>& stop);

// `path` on `medium` as it lies on `previous` ("/media/u/A/arh/x.zip" with
// previous "/media/u/A/" and medium "/media/u/B/" -> "/media/u/B/arh/x.zip").
std::string OnMedium(const std::string& path, const Medium& previous, const Medium& medium);

}  // namespace orn
