// OrnSFX.bin: the stub of a self-extracting archive. It reads the archive
// stored behind it in its own file and extracts every entry, recreating the
// stored folders. No windows and no Qt: with a terminal it shows the
// archive's message and asks what the header tells it to ask; without one it
// extracts into the default folder (or the current one) and answers every
// overwrite question with "skip".
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "ByteStream.h"
#include "Decompressors.h"
#include "ExtractGuard.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "SfxWriter.h"
#include "ZipDirReader.h"
#include "ZipNames.h"
#include "ZipSource.h"

namespace {

enum Status { kAllExtracted = 0, kSkippedExisting = 1, kEntriesFailed = 2, kCannotRun = 3 };

enum class Overwrite { Ask, Always, Never };

void Help() {
  std::fputs(
      "usage: ARCHIVE.exe [-d FOLDER] [--help]\n"
      "Extracts the archive held in this file, with its folders, into FOLDER;\n"
      "without -d into the archive's default folder, or else the current folder.\n"
      "Files that exist already are overwritten, skipped or asked about, as the\n"
      "archive says; without a terminal to ask, they are skipped.\n"
      "Exit status: 0 every entry extracted; 1 some files skipped because they\n"
      "exist; 2 some entries could not be extracted; 3 the archive cannot be read.\n",
      stdout);
}

bool AskYes(const std::string& question, char& answer) {
  std::cout << question << std::flush;
  std::string line;
  if (!std::getline(std::cin, line) || line.empty()) return false;
  answer = line[0];
  return true;
}

// The entry's data, read from this program's own file.
class EntryBytes : public orn::zipfmt::ByteStream {
 public:
  EntryBytes(const orn::ZipSource& source, std::uint64_t at, std::uint64_t size)
      : source_(source), at_(at), left_(size) {}
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left_));
    const std::size_t n = want > 0 ? source_.ReadAt(at_, out, want) : 0;
    if (n < want) throw orn::zipfmt::DecodeError(ORN_ZE_EOF, "the archive is cut short");
    at_ += n;
    left_ -= n;
    return n;
  }

 private:
  const orn::ZipSource& source_;
  std::uint64_t at_;
  std::uint64_t left_;
};

// Decompresses and checks one entry into `out` through the unzip library's
// stream layers (every method it reads); an error text or "".
std::string Decode(const orn::ZipSource& source, std::uint64_t dataAt, const ZipDirEntry& e, FILE* out) {
  if (e.IsEncrypted) return "encrypted entries are not extracted by this self-extractor";
  if (!orn::zipfmt::MethodSupported(e.Method))
    return "compression method " + orn::zipfmt::MethodDescription(e.Method) + " is not known";
  try {
    EntryBytes bytes(source, dataAt, e.PackedSize64);
    auto decoder = orn::zipfmt::OpenDecompressor(e.Method, bytes, e.UnpackedSize64, e.GeneralFlags);
    std::vector<std::uint8_t> buf(256 * 1024);
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t written = 0;
    while (const std::size_t n = decoder->Read(buf.data(), buf.size())) {
      written += n;
      if (written > e.UnpackedSize64) return "the data is longer than recorded";
      crc = crc32(crc, buf.data(), static_cast<uInt>(n));
      if (std::fwrite(buf.data(), 1, n, out) != n) return std::strerror(errno);
    }
    if (crc != e.Crc32 || written != e.UnpackedSize64) return "CRC error";
  } catch (const orn::zipfmt::DecodeError& error) {
    return error.what();
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Help();
      return kAllExtracted;
    }
    if (arg == "-d" && i + 1 < argc) {
      folder = argv[++i];
    } else {
      std::fprintf(stderr, "unknown argument: %s (see --help)\n", arg.c_str());
      return kCannotRun;
    }
  }

  const std::string self = "/proc/self/exe";
  orn::FileZipSource source(self);
  if (!source.Ok()) {
    std::fprintf(stderr, "this program cannot read itself: %s\n", source.Error().c_str());
    return kCannotRun;
  }
  std::vector<ZipDirEntry> entries;
  orn::ZipDirectoryInfo info;
  orn::SfxHeaderInfo header;
  try {
    orn::ZipDirReader reader(source, orn::ZipDirOptions{{cpAuto, 775, 1257}, true, 0});
    reader.Read(entries, info);
    // The header stands right before the archive's first record.
    const std::uint64_t anchor = info.firstLocalOffset;
    const std::uint64_t from = anchor > 1100 ? anchor - 1100 : 0;
    const std::string before = source.Read(from, static_cast<std::size_t>(anchor - from));
    bool found = false;
    for (std::size_t pos = before.rfind("OZX"); pos != std::string::npos && !found;
         pos = pos == 0 ? std::string::npos : before.rfind("OZX", pos - 1))
      found = orn::ParseSfxHeader(std::string_view(before).substr(pos), header) && pos + header.length == before.size();
    if (!found) throw EZipEngine(11036, "no self-extractor header before the archive", true);
  } catch (const EZipEngine& e) {
    std::fprintf(stderr, "[%d] %s\n", e.Ident(), e.what());
    return kCannotRun;
  }

  const bool terminal = ::isatty(0) && ::isatty(1);
  Overwrite overwrite = (header.flags & orn::kSfxOverwriteAlways)  ? Overwrite::Always
                        : (header.flags & orn::kSfxOverwriteNever) ? Overwrite::Never
                                                                   : Overwrite::Ask;
  if (overwrite == Overwrite::Ask && !terminal) overwrite = Overwrite::Never;
  if (folder.empty()) folder = header.texts.defaultDir;
  if (terminal) {
    if (!header.texts.caption.empty()) std::cout << header.texts.caption << "\n";
    if (!header.texts.message.empty()) std::cout << header.texts.message << "\n";
    if (header.flags & (orn::kSfxAskCmdLine | orn::kSfxAskFiles)) {
      std::cout << "Extract into folder [" << (folder.empty() ? "." : folder) << "]: " << std::flush;
      std::string line;
      if (std::getline(std::cin, line) && !line.empty()) folder = line;
    }
  }
  if (folder.empty()) folder = orn::CurrentDir();
  if (!orn::DirectoryExists(folder) && !orn::ForceDirectories(folder)) {
    std::fprintf(stderr, "the folder %s cannot be made\n", folder.c_str());
    return kCannotRun;
  }
  folder = orn::IncludeTrailingDelimiter(folder);

  const std::vector<std::string> unsafe = orn::UnsafeEntryReasons(entries, folder, true);
  int failed = 0, skipped = 0, extracted = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ZipDirEntry& e = entries[i];
    const orn::SafeName safe = orn::CheckEntryName(e.Name, true);
    if (safe.verdict == orn::NameVerdict::SkipQuiet) continue;
    if (safe.verdict == orn::NameVerdict::Unsafe || !unsafe[i].empty()) {
      std::fprintf(stderr, "not extracted: %s (%s)\n", e.Name.c_str(),
                   (unsafe[i].empty() ? safe.reason : unsafe[i]).c_str());
      ++failed;
      continue;
    }
    const std::string target = folder + safe.path;
    const bool isDir = !e.Name.empty() && e.Name.back() == '/';
    if (isDir) {
      if (!orn::ForceDirectories(target)) {
        std::fprintf(stderr, "not extracted: %s (the folder cannot be made)\n", e.Name.c_str());
        ++failed;
      } else {
        ++extracted;
      }
      continue;
    }
    if (e.HostSystem == 3 && ((e.ExternalAttr >> 16) & S_IFMT) == S_IFLNK) {
      std::fprintf(stderr, "not extracted: %s (links are not restored by a self-extractor)\n", e.Name.c_str());
      ++failed;
      continue;
    }
    if (orn::FileExists(target)) {
      bool replace = overwrite == Overwrite::Always;
      if (overwrite == Overwrite::Ask) {
        char answer = 'n';
        AskYes(safe.path + " exists. Overwrite? [y]es, [n]o, [A]ll, [N]one: ", answer);
        replace = answer == 'y' || answer == 'A';
        if (answer == 'A') overwrite = Overwrite::Always;
        if (answer == 'N') overwrite = Overwrite::Never;
      }
      if (!replace) {
        std::fprintf(stderr, "skipped, it exists: %s\n", safe.path.c_str());
        ++skipped;
        continue;
      }
    }
    const std::string parent = orn::ExtractFilePath(target);
    if (!orn::DirectoryExists(parent) && !orn::ForceDirectories(parent)) {
      std::fprintf(stderr, "not extracted: %s (its folder cannot be made)\n", e.Name.c_str());
      ++failed;
      continue;
    }
    // The local header tells where the data starts.
    const std::uint64_t local = e.LocalHeaderOffset64 + static_cast<std::uint64_t>(info.offsetShift);
    const std::string lh = source.Read(local, 30);
    std::string error;
    std::uint64_t dataAt = 0;
    if (lh.size() != 30 || lh.compare(0, 4, "PK\3\4") != 0) {
      error = "its local header is missing";
    } else {
      const auto u16 = [&lh](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(lh[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(lh[at + 1])) << 8;
      };
      dataAt = local + 30 + u16(26) + u16(28);
    }
    // Written under a temporary name; only a whole, checked file gets its own.
    const std::string temp = parent + ".~orn-" + orn::ExtractFileName(target);
    if (error.empty()) {
      FILE* out = std::fopen(temp.c_str(), "wb");
      if (!out) {
        error = std::strerror(errno);
      } else {
        error = Decode(source, dataAt, e, out);
        if (std::fclose(out) != 0 && error.empty()) error = std::strerror(errno);
      }
      if (error.empty() && std::rename(temp.c_str(), target.c_str()) != 0) error = std::strerror(errno);
      if (!error.empty()) std::remove(temp.c_str());
    }
    if (!error.empty()) {
      std::fprintf(stderr, "not extracted: %s (%s)\n", e.Name.c_str(), error.c_str());
      ++failed;
      continue;
    }
    if (e.HostSystem == 3 && (e.ExternalAttr >> 16) != 0) ::chmod(target.c_str(), (e.ExternalAttr >> 16) & 0777);
    ++extracted;
  }
  if (terminal && !(header.flags & orn::kSfxNoSuccessMessage) && failed == 0)
    std::cout << extracted << " entries extracted into " << folder << "\n";
  if (failed > 0) return kEntriesFailed;
  return skipped > 0 ? kSkippedExisting : kAllExtracted;
}
