// ornzip: the zip engine from a terminal. Lists, adds, extracts and tests
// through TZipEngine with Unattended set, so nothing ever waits for a person;
// every message goes to standard error with its identifier, and the exit
// status is 0 only when the command did what it was asked.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "ZipEngine.h"
#include "ZipMessages.h"

namespace {

int Usage() {
  std::fputs(
      "usage: ornzip list ARCHIVE\n"
      "       ornzip add [-r] [-y] [-0..-9 | --best] [-s SIZE] ARCHIVE FILE...\n"
      "           -y: store symbolic links as links; --best: smallest archive, slowest\n"
      "           -s: volumes of at most SIZE bytes (ARCHIVE001.zip, ARCHIVE002.zip ...)\n"
      "       ornzip extract [-j] ARCHIVE DIR [NAME...]   (a volume set: its last volume)\n"
      "       ornzip test ARCHIVE\n"
      "       ornzip sfx [--message TEXT] [--dir FOLDER] [--always | --never] ARCHIVE.zip\n"
      "           makes ARCHIVE.exe, which extracts itself (add to a new .exe does the same)\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  const std::string command = args[0];
  args.erase(args.begin());

  TZipEngine zip;
  zip.SetUnattended(true);
  bool failed = false;
  zip.OnMessage = [&failed](TZipEngine& sender, int errCode, const std::string& message) {
    // Progress of splitting and joining ("Copying: ...") is no failure.
    static const std::string copying = orn::ZipMessageText(orn::kZipCopying);
    if (errCode == 0 && message.compare(0, copying.size(), copying) == 0) return;
    const int ident = errCode != 0 ? errCode : sender.LastErrCode();
    // Warnings about data around the archive do not make a listing fail.
    if (ident != 10203 && ident != 10204) failed = true;
    std::fprintf(stderr, "ornzip: [%d] %s\n", ident, message.c_str());
  };

  if (command == "list") {
    if (args.size() != 1) return Usage();
    if (!orn::FileExists(args[0])) {
      zip.ShowZipMessage(10102, ": " + args[0]);
      return 1;
    }
    zip.SetZipFileName(args[0]);
    if (zip.ZipFileName().empty()) return 1;
    std::string out;
    out.reserve(zip.DirEntries().size() * 24);
    for (const ZipDirEntry& e : zip.DirEntries()) {
      out += e.Name;
      out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return failed ? 1 : 0;
  }

  if (command == "add") {
    AddOpts options{AddDirNames};
    std::size_t i = 0;
    for (; i < args.size() && args[i].size() >= 2 && args[i][0] == '-'; ++i) {
      if (args[i] == "-r")
        options.Include(AddRecurseDirs);
      else if (args[i] == "-y")
        zip.SetAddStoreLinks(true);
      else if (args[i] == "--best")
        zip.SetAddBest(true);
      else if (args[i] == "-s" && i + 1 < args.size()) {
        char* end = nullptr;
        const long long size = std::strtoll(args[++i].c_str(), &end, 10);
        if (size <= 0 || end == nullptr || *end != '\0') return Usage();
        options.Include(AddDiskSpan);
        zip.SetMaxVolumeSize(size);
        // The free-room floor is meant for disks; a chosen size below it stands.
        if (size < zip.MinFreeVolumeSize()) zip.SetMinFreeVolumeSize(size);
      } else if (args[i].size() == 2 && args[i][1] >= '0' && args[i][1] <= '9')
        zip.SetAddCompLevel(args[i][1] - '0');
      else
        return Usage();
    }
    if (args.size() - i < 2) return Usage();
    zip.SetAddOptions(options);
    zip.SetZipFileName(args[i]);
    if (zip.ZipFileName().empty()) zip.SetZipFileName(args[i]);  // a listing failure already reported
    if (zip.ZipFileName().empty()) return 1;
    failed = false;
    zip.FSpecArgs.assign(args.begin() + static_cast<long>(i) + 1, args.end());
    zip.Add();
    return zip.SuccessCount() > 0 && !failed ? 0 : 1;
  }

  if (command == "extract" || command == "test") {
    ExtrOpts options{ExtrDirNames, ExtrOverWrite};
    std::size_t i = 0;
    if (command == "extract" && i < args.size() && args[i] == "-j") {
      options.Exclude(ExtrDirNames);
      ++i;
    }
    const std::size_t needed = command == "extract" ? 2 : 1;
    if (args.size() - i < needed || (command == "test" && args.size() - i != 1)) return Usage();
    if (command == "test") options = ExtrOpts{ExtrTest, ExtrDirNames};
    zip.SetExtrOptions(options);
    zip.SetZipFileName(args[i]);
    if (zip.ZipFileName().empty()) return 1;
    if (zip.Count() == 0) {
      // Nothing in the archive: nothing to extract or test, and nothing wrong.
      if (command == "test") std::printf("0 entries tested good of 0\n");
      return failed ? 1 : 0;
    }
    if (command == "extract") zip.SetExtrBaseDir(args[i + 1]);
    zip.FSpecArgs.assign(args.begin() + static_cast<long>(i + needed), args.end());
    zip.Extract();
    if (command == "test") std::printf("%d entries tested good of %d\n", zip.SuccessCount(), zip.Count());
    if (failed) return 1;
    if (zip.Count() > 0 && zip.SuccessCount() == 0) return 1;
    if (command == "test" && zip.SuccessCount() < zip.Count()) return 1;
    return 0;
  }
  if (command == "sfx") {
    std::size_t i = 0;
    for (; i + 1 < args.size() && args[i].size() > 2 && args[i].compare(0, 2, "--") == 0; ++i) {
      if (args[i] == "--message" && i + 2 < args.size())
        zip.SetSFXMessage(args[++i]);
      else if (args[i] == "--dir" && i + 2 < args.size())
        zip.SetSFXDefaultDir(args[++i]);
      else if (args[i] == "--always")
        zip.SetSFXOverWriteMode(OvrAlways);
      else if (args[i] == "--never")
        zip.SetSFXOverWriteMode(OvrNever);
      else
        return Usage();
    }
    if (args.size() - i != 1) return Usage();
    zip.SetZipFileName(args[i]);
    if (zip.ZipFileName().empty()) return 1;
    return zip.ConvertToSFX() == 0 && !failed ? 0 : 1;
  }
  return Usage();
}
