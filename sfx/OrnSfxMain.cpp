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

#include "FileSystem.h"
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

// Reads, inflates and checks one entry into `out`; an error text or "".
std::string Decode(const orn::ZipSource& source, std::uint64_t dataAt, const ZipDirEntry& e, int out) {
  if (e.IsEncrypted) return "encrypted entries are not extracted by this self-extractor";
  if (e.Method != orn::kMethodStore && e.Method != orn::kMethodDeflate)
    return "compression method " + std::to_string(e.Method) + " (" + orn::MethodName(e.Method) + ") is not known";
  z_stream z{};
  if (e.Method == orn::kMethodDeflate && inflateInit2(&z, -MAX_WBITS) != Z_OK) return "out of memory";
  std::vector<unsigned char> in(64 * 1024), buf(256 * 1024);
  uLong crc = crc32(0, nullptr, 0);
  std::uint64_t left = e.PackedSize64, written = 0;
  bool streamEnd = e.Method == orn::kMethodStore;
  std::string error;
  while (error.empty() && (left > 0 || (!streamEnd && z.avail_in > 0))) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, in.size()));
    if (want > 0 && source.ReadAt(dataAt, in.data(), want) != want) {
      error = "the archive is cut short";
      break;
    }
    dataAt += want;
    left -= want;
    if (e.Method == orn::kMethodStore) {
      crc = crc32(crc, in.data(), static_cast<uInt>(want));
      written += want;
      if (!WriteAll(out, in.data(), want)) error = std::strerror(errno);
      continue;
    }
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(want);
    do {
      z.next_out = buf.data();
      z.avail_out = static_cast<uInt>(buf.size());
      const int r = inflate(&z, Z_NO_FLUSH);
      if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) {
        error = "the compressed data is damaged";
        break;
      }
      const std::size_t n = buf.size() - z.avail_out;
      crc = crc32(crc, buf.data(), static_cast<uInt>(n));
      written += n;
      if (n > 0 && !WriteAll(out, buf.data(), n)) error = std::strerror(errno);
      if (r == Z_STREAM_END) streamEnd = true;
      if (r == Z_BUF_ERROR && z.avail_in == 0) break;
    } while (error.empty() && !streamEnd && (z.avail_in > 0 || z.avail_out == 0));
    if (streamEnd) break;
  }
  if (e.Method == orn::kMethodDeflate) inflateEnd(&z);
  if (error.empty() && !streamEnd) error = "the compressed data ends early";
  if (error.empty() && (crc != e.Crc32 || written != e.UnpackedSize64)) error = "CRC error";
  return error;
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
