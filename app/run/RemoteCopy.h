// The second copy when the plus path names an rclone remote ("NAME:path"):
// the finished, tested archive goes up under temporary names, is checked on
// the remote (a hash the remote keeps, else by reading it back), and only
// then takes its names there. A volume set goes up as a set: a small journal
// on the remote names the renames before the first one is made, so that a
// set cut short half way is completed by the next run to that folder, and
// the remote always holds the old set or the new one whole.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Rclone.h"
#include "RunFiles.h"

namespace orn {

class MessageLog;

// How long one upload (or one read-back) may take: a base plus the time
// the file needs at the slowest rate still worth waiting for. A transfer
// that stalls is ended by rclone's own idle limit long before.
struct RemoteTimeLimit {
  std::chrono::seconds base{300};
  std::int64_t slowestBytesPerSecond = 128 * 1024;
  std::chrono::seconds For(std::int64_t bytes) const;
};

struct RemoteCopyOptions {
  RemoteTimeLimit timeLimit;
  // Hears the target and the bytes sent so far of the archive's total;
  // false stops the upload (the person pressed Cancel).
  std::function<bool(const std::string& target, std::int64_t copied, std::int64_t total)> copying;
};

// Places the files of one archive (`items`: local file, remote name; one
// file, or every volume of a set in order) on the remote. Every failure is
// logged with rclone's reason, what went up under temporary names is
// removed, and the remote keeps what it had. Returns true when every file
// is in place and checked.
bool PlaceRemoteCopy(const std::vector<CopyItem>& items, bool volumeSet, const Rclone& rclone, MessageLog& log,
                     const RemoteCopyOptions& options = RemoteCopyOptions());

// Completes the set changes whose journal remains in the remote `folder`
// and removes what uploads of `names` (and of the other volumes of their
// sets) left there under temporary names. Throws RcloneError.
void FinishRemoteChanges(const Rclone& rclone, const std::string& folder, const std::vector<std::string>& names);

// The hash of a local file in lower-case hex: "md5" or "sha1".
std::string LocalFileHash(const std::string& type, const std::string& path);

}  // namespace orn
