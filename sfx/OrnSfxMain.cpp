// OrnSFX.bin: the stub of a self-extracting archive. It reads the archive
// stored behind it in its own file and extracts every entry, recreating the
// stored folders. No windows and no Qt: with a terminal it shows the
// archive's message and asks what the header tells it to ask; without one it
// extracts into the default folder (or the current one) and answers every
// overwrite question with "skip".
#include <fcntl.h>
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
#include "DosTime.h"
#include "FileSystem.h"
#include "OrnZipLib.h"
#include "SafeFolder.h"
#include "SfxWriter.h"
#include "ZipDirReader.h"
#include "ZipMessages.h"
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

bool WriteAll(int fd, const unsigned char* data, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::write(fd, data, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    count -= static_cast<std::size_t>(n);
  }
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
std::string Decode(const orn::ZipSource& source, std::uint64_t dataAt, const ZipDirEntry& e, int out) {
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
      if (!WriteAll(out, buf.data(), n)) return std::strerror(errno);
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
    if (!found) throw EZipEngine(orn::kZipNotAnArchive, "no self-extractor header before the archive", true);
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

  // The reader decided where each entry may go; the folders below the
  // target are opened without following links, so none leads out of it.
  orn::SafeFolder target(folder);
  if (!target.Ok()) {
    std::fprintf(stderr, "the folder %s cannot be opened: %s\n", folder.c_str(), target.Error().c_str());
    return kCannotRun;
  }
  int failed = 0, skipped = 0, extracted = 0;
  auto fail = [&failed](const ZipDirEntry& e, const std::string& why) {
    std::fprintf(stderr, "not extracted: %s (%s)\n", orn::PrintableName(e.Name).c_str(), why.c_str());
    ++failed;
  };
  for (const ZipDirEntry& e : entries) {
    if (e.Target.verdict == orn::NameVerdict::SkipQuiet) continue;
    if (e.Target.verdict == orn::NameVerdict::Unsafe) {
      fail(e, "unsafe name: " + e.Target.reason);
      continue;
    }
    const std::string& path = e.Target.path;
    const std::size_t slash = path.rfind('/');
    const std::string parent = e.IsFolder() ? path : slash == std::string::npos ? "" : path.substr(0, slash);
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    std::shared_ptr<orn::UniqueFd> dir;
    std::string why;
    const orn::SafeFolder::Status opened = target.Open(parent, true, dir, why);
    if (opened != orn::SafeFolder::Status::Ok) {
      fail(e, opened == orn::SafeFolder::Status::Unsafe ? "a symbolic link is on the way" : "its folder: " + why);
      continue;
    }
    if (e.IsFolder()) {
      ++extracted;
      continue;
    }
    if (e.IsSymlink()) {
      fail(e, "links are not restored by a self-extractor");
      continue;
    }
    struct stat st {};
    if (::fstatat(dir->Get(), leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (!S_ISREG(st.st_mode)) {
        fail(e, "something other than a file is in the way");
        continue;
      }
      bool replace = overwrite == Overwrite::Always;
      if (overwrite == Overwrite::Ask) {
        char answer = 'n';
        AskYes(path + " exists. Overwrite? [y]es, [n]o, [A]ll, [N]one: ", answer);
        replace = answer == 'y' || answer == 'A';
        if (answer == 'A') overwrite = Overwrite::Always;
        if (answer == 'N') overwrite = Overwrite::Never;
      }
      if (!replace) {
        std::fprintf(stderr, "skipped, it exists: %s\n", path.c_str());
        ++skipped;
        continue;
      }
    }
    // The local header tells where the data starts.
    std::string error;
    std::uint64_t dataAt = 0;
    try {
      dataAt = orn::LocalDataOffset(source, e);
    } catch (const EZipEngine& failure) {
      error = failure.what();
    }
    // Written under a temporary name; only a whole, checked file gets its own.
    std::string temp;
    if (error.empty()) {
      orn::UniqueFd out = orn::CreateTemporaryBeside(dir->Get(), leaf, temp);
      if (!out) {
        error = std::strerror(errno);
      } else {
        error = Decode(source, dataAt, e, out.Get());
        if (error.empty() && e.HostSystem == orn::kHostUnix && (e.ExternalAttr >> 16) != 0)
          ::fchmod(out.Get(), (e.ExternalAttr >> 16) & 0777);
        // The entry's date, as every other restore gives it.
        const std::time_t date = orn::zipfmt::FromDosDateTime((std::uint32_t{e.ModDate} << 16) | e.ModTime);
        const struct timespec times[2] = {{date, 0}, {date, 0}};
        if (error.empty()) ::futimens(out.Get(), times);
        if (!out.Close() && error.empty()) error = std::strerror(errno);
        if (error.empty() && ::renameat(dir->Get(), temp.c_str(), dir->Get(), leaf.c_str()) != 0)
          error = std::strerror(errno);
        if (!error.empty()) ::unlinkat(dir->Get(), temp.c_str(), 0);
      }
    }
    if (!error.empty()) {
      fail(e, error);
      continue;
    }
    ++extracted;
  }
  if (terminal && !(header.flags & orn::kSfxNoSuccessMessage) && failed == 0)
    std::cout << extracted << " entries extracted into " << folder << "\n";
  if (failed > 0) return kEntriesFailed;
  return skipped > 0 ? kSkippedExisting : kAllExtracted;
}
