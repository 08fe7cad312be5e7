#include "RecentJobs.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "FileSystem.h"

namespace orn {

namespace {
std::string Normal(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }
}  // namespace

std::vector<std::string> WithoutRecentJob(const std::vector<std::string>& recent, const std::string& path) {
  std::vector<std::string> out;
  const std::string key = Normal(path);
  for (const std::string& p : recent)
    if (Normal(p) != key) out.push_back(p);
  return out;
}

std::vector<std::string> WithRecentJob(const std::vector<std::string>& recent, const std::string& path) {
  std::vector<std::string> out = WithoutRecentJob(recent, path);
  out.insert(out.begin(), Normal(path));
  if (out.size() > static_cast<size_t>(kRecentJobCount)) out.resize(kRecentJobCount);
  return out;
}

std::vector<std::string> ReadRecentJobs(const std::string& file) {
  std::vector<std::string> recent;
  const std::optional<std::string> text = ReadWholeFile(file);
  if (!text) return recent;
  std::istringstream lines(*text);
  std::string line;
  while (std::getline(lines, line) && recent.size() < static_cast<size_t>(kRecentJobCount)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) recent.push_back(line);
  }
  return recent;
}

bool WriteRecentJobs(const std::string& file, const std::vector<std::string>& recent, std::string* error) {
  std::string text;
  for (const std::string& p : recent) text += p + "\n";
  ForceDirectories(ExtractFilePath(file));
  return WriteFileAtomically(file, text, error);
}

}  // namespace orn
