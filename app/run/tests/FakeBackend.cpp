#include "FakeBackend.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "FileSystem.h"
#include "RunNames.h"
#include "ZipNames.h"

namespace orn::test {

namespace {
std::uint32_t Checksum(const std::string& data) {
  std::uint32_t h = 2166136261u;
  for (unsigned char c : data) h = (h ^ c) * 16777619u;
  return h;
}

// Stored names lose the root, as the engine's directory names do.
std::string StoredName(const std::string& path) {
  std::string root = PathRoot(path);
  return path.substr(root.size());
}

std::string Container(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string out = "ORNFAKE\n";
  for (const auto& [name, data] : entries)
    out += name + "\t" + std::to_string(data.size()) + "\t" + std::to_string(Checksum(data)) + "\n" + data;
  return out + "END\n";
}

// The volumes of the set that `path` belongs to, in order; just `path` when
// it is a single archive.
std::vector<std::string> SetOf(const std::string& path) {
  std::string name = ExtractFileName(path);
  if (!VolumeNumber(name) || FileExists(path) == false) return {path};
  std::vector<std::string> files;
  for (int n = 1; n <= 999; ++n) {
    std::string volume = ExtractFilePath(path) + WithVolumeNumber(name, n);
    if (!FileExists(volume)) break;
    files.push_back(volume);
  }
  return files.empty() ? std::vector<std::string>{path} : files;
}
}  // namespace

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) { return ReadWholeFile(path).value_or(std::string()); }

std::string MakeScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ornrunXXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  return IncludeTrailingDelimiter(made ? made : "");
}

void RemoveTree(const std::string& dir) {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

void FakeBackend::WriteArchive(const std::string& path,
                               const std::vector<std::pair<std::string, std::string>>& entries) {
  WriteFile(path, Container(entries));
}

bool FakeBackend::ReadArchive(const std::vector<std::string>& files,
                              std::vector<std::pair<std::string, std::string>>* entries, std::string* error) {
  std::string all;
  for (const std::string& f : files) {
    std::optional<std::string> bytes = ReadWholeFile(f);
    if (!bytes) {
      if (error) *error = "cannot read " + f;
      return false;
    }
    all += *bytes;
  }
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (all.rfind("ORNFAKE\n", 0) != 0) return fail("not an archive");
  size_t pos = 8;
  for (;;) {
    size_t eol = all.find('\n', pos);
    if (eol == std::string::npos) return fail("cut short");
    std::string line = all.substr(pos, eol - pos);
    pos = eol + 1;
    if (line == "END") return pos == all.size() ? true : fail("bytes after the end");
    std::istringstream in(line);
    std::string name, size, sum;
    if (!std::getline(in, name, '\t') || !std::getline(in, size, '\t') || !std::getline(in, sum))
      return fail("bad header");
    size_t n = std::stoul(size);
    if (pos + n > all.size()) return fail("cut short");
    std::string data = all.substr(pos, n);
    pos += n;
    if (std::to_string(Checksum(data)) != sum) return fail("bad checksum of " + name);
    if (entries) entries->emplace_back(name, data);
  }
}

int FakeBackend::Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) {
  addedUnattended.push_back(unattended);
  if (!failAddMessage.empty()) {
    if (observer_) observer_->OnMessage(10101, failAddMessage);
    return 0;
  }
  std::vector<std::pair<std::string, std::string>> entries;
  std::set<std::string> added;  // a file named twice is stored once
  if (observer_) {
    // As the engine does: once it has looked at the files, how much is to do.
    std::int64_t total = 0;
    for (const std::string& f : fileSpecs)
      total += FileSize(IsAbsolutePath(f) || rootDir_.empty() ? f : IncludeTrailingDelimiter(rootDir_) + f).value_or(0);
    observer_->OnTotals(static_cast<int>(fileSpecs.size()), total);
  }
  for (const std::string& f : fileSpecs) {
    const std::string disk = IsAbsolutePath(f) || rootDir_.empty() ? f : IncludeTrailingDelimiter(rootDir_) + f;
    std::optional<std::string> data = ReadWholeFile(disk);
    if (!data || (skipFile && skipFile(f))) {
      if (observer_) observer_->OnMessage(10306, "Cannot open file \"" + f + "\"");
      continue;
    }
    if (!added.insert(std::filesystem::weakly_canonical(disk).string()).second) continue;
    progress.push_back(f);
    if (observer_) observer_->OnProgress(f);
    if (observer_) observer_->OnBytes(static_cast<std::int64_t>(data->size()));
    entries.emplace_back(StoredName(f), *data);
  }
  if (entries.empty()) {
    if (observer_) observer_->OnMessage(10301, "nothing to add");
    return 0;
  }
  std::string bytes = Container(entries);
  if (!volumes_ || maxVolumeSize_ <= 0) {
    WriteFile(zipFileName, bytes);
    return static_cast<int>(entries.size());
  }
  std::string ext = ExtractFileExt(zipFileName);
  std::string base = zipFileName.substr(0, zipFileName.size() - ext.size());
  int volume = 1;
  for (size_t at = 0; at < bytes.size(); at += maxVolumeSize_, ++volume)
    WriteFile(ExtractFilePath(base) + WithVolumeNumber(ExtractFileName(base) + "000" + ext, volume),
              bytes.substr(at, maxVolumeSize_));
  return static_cast<int>(entries.size());
}

bool FakeBackend::Test(const std::vector<std::string>& archiveFiles, std::string* error) {
  for (const std::string& f : archiveFiles)
    if (failTest && failTest(f)) {
      if (error) *error = "bad checksum";
      return false;
    }
  return ReadArchive(archiveFiles, nullptr, error);
}

std::vector<std::string> FakeBackend::List(const std::string& archivePath) {
  std::vector<std::pair<std::string, std::string>> entries;
  std::vector<std::string> names;
  if (!ReadArchive(SetOf(archivePath), &entries, nullptr)) return names;
  for (const auto& e : entries) names.push_back(e.first);
  return names;
}

ArchiveListing FakeBackend::ListEntries(const std::string& archivePath, int codePage) {
  ArchiveListing listing = ArchiveBackend::ListEntries(archivePath, codePage);
  for (ListedEntry& entry : listing.entries) {
    const SafeName target = CheckEntryName(entry.name, true);
    if (target.verdict == NameVerdict::Unsafe) entry.unsafe = target.reason;
    if (target.verdict == NameVerdict::SkipQuiet) entry.folder = true;
  }
  return listing;
}

FakeBackend::~FakeBackend() {
  if (!scratchRoot_.empty()) RemoveTree(scratchRoot_);
}

int FakeBackend::Extract(const std::string& archivePath, const std::vector<std::string>& wanted,
                         const std::string& baseDir) {
  if (redirectRoot.empty()) {
    if (scratchRoot_.empty()) scratchRoot_ = MakeScratchDir();
    redirectRoot = scratchRoot_;
  }
  extracted.push_back(wanted);
  extractBaseDirs.push_back(baseDir);
  if (onExtract) onExtract(archivePath, wanted);
  std::vector<std::pair<std::string, std::string>> entries;
  if (!ReadArchive(SetOf(archivePath), &entries, nullptr)) return 0;
  int written = 0;
  for (const auto& [name, data] : entries)
    for (const std::string& w : wanted)
      if (w == name) {
        WriteFile(redirectRoot + JoinPath(baseDir, name), data);
        ++written;
        break;
      }
  return written;
}

}  // namespace orn::test
