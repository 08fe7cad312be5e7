#include "RemovableMedia.h"

#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "FileSystem.h"

namespace orn {

namespace {

// Mount points in the mount table escape blanks and a few other bytes as
// three octal digits ("\040").
std::string Unescaped(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string::npos) {
        out += static_cast<char>(std::strtol(digits.c_str(), nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

// The file system's UUID (a FAT or exFAT serial number, an ext4 UUID) as
// udev links it under /dev/disk/by-uuid; empty when it has none.
std::string FileSystemId(const std::string& device) {
  char wanted[PATH_MAX];
  if (device.empty() || !::realpath(device.c_str(), wanted)) return {};
  for (const FoundFile& link : FindFiles("/dev/disk/by-uuid/", "*", FindWhat::Both)) {
    char target[PATH_MAX];
    const std::string path = "/dev/disk/by-uuid/" + link.name;
    if (::realpath(path.c_str(), target) && std::string(target) == wanted) return link.name;
  }
  return {};
}

class SystemMedia : public MediaProbe {
 public:
  std::vector<Medium> Mounted() override {
    std::vector<Medium> media;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
      // id parent major:minor root mount-point options [optional...] - type source super-options
      std::istringstream in(line);
      std::string id, parent, numbers, root, mountPoint;
      in >> id >> parent >> numbers >> root >> mountPoint;
      const size_t dash = line.find(" - ");
      if (dash == std::string::npos) continue;
      std::istringstream tail(line.substr(dash + 3));
      std::string type, source;
      tail >> type >> source;
      unsigned major = 0, minor = 0;
      if (std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) != 2 || major == 0) continue;
      if (!IsRemovableDevice(makedev(major, minor))) continue;
      Medium m;
      m.mountPoint = IncludeTrailingDelimiter(Unescaped(mountPoint));
      const std::string uuid = FileSystemId(source);
      // Without a UUID, each mount counts as another medium.
      m.identity = uuid.empty() ? numbers + " mount " + id : "uuid " + uuid;
      struct statvfs st {};
      if (::statvfs(m.mountPoint.c_str(), &st) == 0) {
        m.totalBytes = static_cast<std::int64_t>(st.f_blocks) * static_cast<std::int64_t>(st.f_frsize);
        m.freeBytes = static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
      }
      media.push_back(m);
    }
    return media;
  }
};

std::unique_ptr<MediaProbe>& Installed() {
  static std::unique_ptr<MediaProbe> probe = std::make_unique<SystemMedia>();
  return probe;
}

bool Holds(const std::string& mountPoint, const std::string& path) {
  return IncludeTrailingDelimiter(path).rfind(mountPoint, 0) == 0;
}

}  // namespace

void MediaProbe::Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

MediaProbe& Media() { return *Installed(); }

std::unique_ptr<MediaProbe> SetMedia(std::unique_ptr<MediaProbe> probe) {
  std::unique_ptr<MediaProbe> previous = std::move(Installed());
  Installed() = probe ? std::move(probe) : std::make_unique<SystemMedia>();
  return previous;
}

std::optional<Medium> MediumHolding(const std::string& path) {
  char resolved[PATH_MAX];
  std::string real = path;
  // The folder may not exist yet; its nearest existing parent decides.
  for (std::string p = ExcludeTrailingDelimiter(path); !p.empty(); p = ExcludeTrailingDelimiter(ExtractFilePath(p))) {
    if (::realpath(p.c_str(), resolved)) {
      real = std::string(resolved) + path.substr(std::min(path.size(), p.size()));
      break;
    }
    if (ExtractFilePath(p) == p) break;
  }
  std::optional<Medium> best;
  for (const Medium& m : Media().Mounted())
    if ((Holds(m.mountPoint, real) || Holds(m.mountPoint, path)) &&
        (!best || m.mountPoint.size() > best->mountPoint.size()))
      best = m;
  return best;
}

std::vector<std::string> MediaIdentities() {
  std::vector<std::string> identities;
  for (const Medium& m : Media().Mounted()) identities.push_back(m.identity);
  return identities;
}

std::optional<Medium> WaitForOtherMedium(const Medium& previous, const std::vector<std::string>& mountedBefore,
                                         int seconds, const std::function<bool()>& stop) {
  const std::string parent = ExtractFilePath(ExcludeTrailingDelimiter(previous.mountPoint));
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (true) {
    std::optional<Medium> beside;
    for (const Medium& m : Media().Mounted()) {
      if (m.identity == previous.identity) continue;
      if (m.mountPoint == previous.mountPoint) return m;
      const bool wasThere = std::find(mountedBefore.begin(), mountedBefore.end(), m.identity) != mountedBefore.end();
      if (!wasThere && ExtractFilePath(ExcludeTrailingDelimiter(m.mountPoint)) == parent && !beside) beside = m;
    }
    if (beside) return beside;
    if (std::chrono::steady_clock::now() >= until || (stop && stop())) return std::nullopt;
    Media().Pause();
  }
}

std::string OnMedium(const std::string& path, const Medium& previous, const Medium& medium) {
  if (path.rfind(previous.mountPoint, 0) != 0) return path;
  return medium.mountPoint + path.substr(previous.mountPoint.size());
}

}  // namespace orn
