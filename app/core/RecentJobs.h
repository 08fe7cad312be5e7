// The File menu's list of recently used job files. It is the user's own
// list, kept in a text file of the user's configuration folder (one path a
// line, the latest first), never in the framework settings.
#pragma once

#include <string>
#include <vector>

namespace orn {

constexpr int kRecentJobCount = 5;

// `recent` with `path` moved to the front, at most kRecentJobCount paths;
// the same file under another spelling of its folder counts once.
std::vector<std::string> WithRecentJob(const std::vector<std::string>& recent, const std::string& path);
std::vector<std::string> WithoutRecentJob(const std::vector<std::string>& recent, const std::string& path);

// An unreadable or missing file is an empty list; blank lines are skipped.
std::vector<std::string> ReadRecentJobs(const std::string& file);
// False, with the reason in `error`, when the file could not be written.
bool WriteRecentJobs(const std::string& file, const std::vector<std::string>& recent, std::string* error = nullptr);

}  // namespace orn
