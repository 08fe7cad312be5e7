// Disk spanning: copying an ordinary zip file onto a set of volumes and
// rebuilding one ordinary zip file from such a set. On this platform every
// volume is a file in one folder whose name carries the three-digit volume
// number before the extension ("ARCH001.zip", "ARCH002.zip" ...).
//
// Both directions stream through bounded buffers: headers are read one record
// at a time and file data in pieces, so memory stays flat in the archive size.
// Every failure is an EZipEngine with the identifier of the step that failed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "EZipEngine.h"
#include "ZipMessages.h"
#include "ZipTypes.h"

namespace orn {

constexpr int kMaxVolumes = 999;

// The file of volume `volume` (counted from 0) of the set named `target`: the
// three digits of volume + 1 inserted before the extension. When `target`
// already ends in three digits before the extension (a volume's own name),
// they are replaced.
std::string VolumeFileName(const std::string& target, int volume, bool replaceDigits = false);

struct SpanSettings {
  std::int64_t maxVolumeSize = 0;  // 0: as much as the disk holds
  std::int64_t keepFreeOnDisk1 = 0;
  std::int64_t minFreeVolumeSize = 65536;
};

struct SpanEvents {
  // "Copying: " + name, sent as each entry starts.
  std::function<void(const std::string& text)> message;
  std::function<void(ProgressType, const std::string& name, std::int64_t size)> progress;
  // Asked between pieces of work; true stops with 11007.
  std::function<bool()> cancelled;
  // A volume file of the set is already there: answers true to overwrite it;
  // false stops with 11007. Unset: overwriting is refused with 11025.
  std::function<bool(const std::string& file)> overwrite;
};

// Copies the ordinary zip `source` onto the volumes of `target`. Answers the
// number of volumes written. On failure the volumes written are removed.
int SplitZipToVolumes(const std::string& source, const std::string& target, const SpanSettings& settings,
                      const SpanEvents& events);

// Rebuilds at `output` one ordinary zip from the set whose last volume is
// `lastVolume`: every header says disk 0 and offsets count from the file's
// start. The result is written under a temporary name beside `output` and
// renamed only when complete; on failure nothing is left.
void JoinZipVolumes(const std::string& lastVolume, const std::string& output, const SpanEvents& events);

}  // namespace orn
