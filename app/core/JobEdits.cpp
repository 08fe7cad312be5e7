#include "JobEdits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "FileSystem.h"
#include "Rclone.h"
#include "TextUtil.h"

namespace orn {

std::string ArchiveNameWhileTyping(const std::string& text) { return text.substr(0, text.find('.')); }

std::string ArchiveNameOnExit(const std::string& text) {
  std::string name = text;
  for (char& c : name) {
    if (c == '(') c = '[';
    if (c == ')') c = ']';
  }
  return name;
}

std::optional<int> VolumeSizeFromField(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  // Only plain decimal numbers: no exponent, hex or "inf" that strtod accepts.
  bool digit = false;
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9')
      digit = true;
    else if (!(c == '.' || ((c == '-' || c == '+') && i == 0)))
      return std::nullopt;
  }
  if (!digit || t.find('.') != t.rfind('.')) return std::nullopt;
  double mb = std::strtod(t.c_str(), nullptr);
  double size = std::round(mb * 1000.0);
  if (size < 100 || size > 2147483647.0) return std::nullopt;
  return static_cast<int>(size);
}

std::string VolumeSizeFieldText(int volumeSize) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", volumeSize / 1000.0);
  return buf;
}

const VolumeChoice* VolumeChoices(int* count) {
  static const VolumeChoice kChoices[] = {
      {"1.44 MB (FDD)", "1.36", 1360},
      {"2 MB", "2", 2000},
      {"4 MB", "4", 4000},
      {"10 MB", "10", 10000},
  };
  *count = static_cast<int>(std::size(kChoices));
  return kChoices;
}

void ApplyVolumeSizeField(Job& job, const std::string& text) {
  if (auto size = VolumeSizeFromField(text)) {
    job.volumeSize = *size;
  } else {
    job.volumesOn = false;
    job.volumeSize = 0;
  }
}

std::string DirectoryField(const std::string& text) {
  if (text.empty() || (IsRemotePath(text) && text.back() == ':')) return text;
  return IncludeTrailingDelimiter(text);
}

void TidyJobFields(Job& job) {
  job.archiveDirectory = DirectoryField(job.archiveDirectory);
  job.plusPath = DirectoryField(job.plusPath);
  job.archiveName = ArchiveNameWhileTyping(job.archiveName);
}

void ClearJobForNew(Job& job) {
  job.archiveDirectory.clear();
  job.archiveName.clear();
  job.registerFile.clear();
  job.uniqueFolder.clear();
  job.plusPath.clear();
  job.rotationScheme = job.uniqueScheme = 'N';
  job.jobList.clear();
}

}  // namespace orn
