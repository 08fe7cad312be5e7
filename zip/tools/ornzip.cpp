// ornzip: the zip engine from a terminal. Lists, adds, extracts and tests
// through TZipEngine with Unattended set, so nothing ever waits for a person,
// except for the next disk when volumes go onto removable media and a
// person sits at the terminal.
// Results go to standard output; every message goes to standard error with
// its identifier. The exit status is 0 only when the command did all it was
// asked, 1 when it did less (and says what was not done), 2 for a wrong
// command line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "CodePage.h"
#include "DesktopTrash.h"
#include "FileSystem.h"
#include "FrameworkSettings.h"
#include "LanguageDictionary.h"
#include "ProgramFolders.h"
#include "TextUtil.h"
#include "Trash.h"
#include "ZipEngine.h"
#include "ZipMessages.h"
#include "ZipNames.h"

namespace {

constexpr int kDone = 0;
constexpr int kLessThanAsked = 1;
constexpr int kWrongUsage = 2;

const char kUsage[] =
    "usage: ornzip list [-v] [-O CODEPAGE] [PASSWORD] ARCHIVE\n"
    "       ornzip add [-r] [-y] [-0..-9 | --best] [-s SIZE] [--aes 128|192|256] [PASSWORD] ARCHIVE FILE...\n"
    "       ornzip extract [-j] [-O CODEPAGE] [-@] [PASSWORD] ARCHIVE DIR [NAME...]\n"
    "       ornzip test [-O CODEPAGE] [PASSWORD] ARCHIVE\n"
    "       ornzip sfx [--message TEXT] [--dir FOLDER] [--always | --never] ARCHIVE.zip\n"
    "       ornzip --help | --version\n"
    "\n"
    "list -v shows size, packed size, date, time and CRC of each entry.\n"
    "add -y stores symbolic links as links; --best makes the smallest archive, slowest;\n"
    "-s writes volumes of at most SIZE bytes (ARCHIVE001.zip, ARCHIVE002.zip ...);\n"
    "on a USB stick or memory card each volume goes on a disk of its own, asked\n"
    "for on the terminal (without a terminal a second disk ends the job).\n"
    "an ARCHIVE ending in .exe that does not exist becomes a self-extractor.\n"
    "extract and test take a volume set through its last volume.\n"
    "sfx makes ARCHIVE.exe, which extracts itself, and moves ARCHIVE.zip to the trash.\n"
    "extract -j writes every entry into DIR itself, without stored folders;\n"
    "extract -@ also takes the names on standard input, one a line (as list prints them).\n"
    "PASSWORD is -P TEXT or --password-file FILE (its first line; the file must\n"
    "be readable by its owner only). add encrypts with AES (256-bit keys unless\n"
    "--aes says otherwise); extract and test read AES and the traditional zip\n"
    "encryption. Passwords have at most 80 characters.\n"
    "list shows control characters in names as \\xNN.\n"
    "Names without the UTF-8 mark are read in the code page of the language chosen\n"
    "in Params.ini, or the one their letters show; -O reads them in CODEPAGE\n"
    "(866, CP1251, KOI8-R, UTF-8 ...).\n"
    "Exit status: 0 done, 1 less was done than asked (what was not done is on\n"
    "standard error), 2 wrong command line.\n";

// The questions of volumes on removable media, asked on the terminal. A
// line that is not understood asks again; the end of input stops.
char AskOnTerminal(const std::string& text, const std::string& choices, const char* prompt) {
  while (true) {
    std::fprintf(stderr, "%s\n%s ", text.c_str(), prompt);
    std::fflush(stderr);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin)) return 'c';
    const char answer = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
    if (answer == '\n' && choices.find('\n') != std::string::npos) return '\n';
    if (answer != '\n' && choices.find(answer) != std::string::npos) return answer;
  }
}

void AnswerDisksOnTerminal(TZipEngine& zip) {
  if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) return;
  zip.OnGetNextDisk = [](TZipEngine&, int, int, const std::string& drive, bool& abortAction) {
    const std::string text = "ornzip: the disk in " + drive + " is full or not the next one.";
    abortAction = AskOnTerminal(text + "\nPut the next disk in and let the desktop mount it.", "\nq",
                                "Enter when it is in, q to stop:") == 'q';
  };
  zip.OnStatusDisk = [](TZipEngine&, int previousDisk, const std::string& previousFile, TZipDiskStatus status,
                        TZipDiskAction& action) {
    std::string text;
    if (status & zdsNotEnoughSpace)
      text = orn::ZipMessageText(orn::kZipNoRoom) + " (" + previousFile + ")";
    else if (status & zdsPreviousDisk)
      text = orn::FormatZipMessage(orn::ZipMessageText(orn::kZipOverwriteDisk), std::to_string(previousDisk));
    else
      text = orn::FormatZipMessage(orn::ZipMessageText(orn::kZipOverwriteFile), previousFile);
    char answer;
    if ((status & zdsNotEnoughSpace) && (status & zdsHasFiles))
      answer =
          AskOnTerminal("ornzip: " + text, "rnc", "r remove the files in its folder for good, n another disk, c stop:");
    else if (status & zdsNotEnoughSpace)
      answer = AskOnTerminal("ornzip: " + text, "nc", "n another disk, c stop:");
    else
      answer = AskOnTerminal("ornzip: " + text, "ync", "y overwrite, n another disk, c stop:");
    action = answer == 'r' ? zdaErase : answer == 'y' ? zdaOk : answer == 'n' ? zdaReject : zdaCancel;
  };
}

int Usage(bool asked) {
  std::fputs(kUsage, asked ? stdout : stderr);
  return asked ? kDone : kWrongUsage;
}

// The character set of the language chosen in Params.ini (where the windows
// read it), through the language file beside the program; as the windows
// start, the locale's language until one is chosen.
int LanguageCharset() {
  orn::FrameworkValues values;
  const int firstStart = orn::LanguageOfLocale(orn::MessagesLocale());
  values.language = firstStart;
  bool haveParams = false;
  const std::string params = orn::SettingsFilePath("Params.ini", orn::CurrentDir());
  if (orn::FileExists(params))
    if (std::optional<std::string> bytes = orn::ReadWholeFile(params)) {
      orn::ReadParams(orn::SplitLines(*bytes), values, firstStart);
      haveParams = true;
    }
  orn::LanguageDictionary dictionary;
  if (!dictionary.Load(orn::ProgramDataDir() + "RadEzaZuvev.ini")) return values.labelCharset;
  if (!haveParams)
    if (std::optional<std::string> language = dictionary.Setting("Language")) {
      const int number = std::atoi(language->c_str());
      if (number > 0) values.language = number;
    }
  return dictionary.CharsetOf(values.language);
}

constexpr std::size_t kMaxPassword = 80;  // what the password window and the libraries' questions carry

// The password in the first line of `path`. The file must be a plain file
// that only its owner may read or write: a password lying open to others is
// refused, not used. Nothing (said on standard error) when it cannot be.
std::optional<std::string> PasswordFromFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "ornzip: cannot read the password file %s: %s\n", path.c_str(), std::strerror(errno));
    return std::nullopt;
  }
  struct stat st {};
  std::string text;
  const bool plain = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (plain && (st.st_mode & 077) == 0) {
    char buf[4096];
    ssize_t n;
    while (text.size() < 4096 && (n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, std::size_t(n));
  }
  ::close(fd);
  if (!plain) {
    std::fprintf(stderr, "ornzip: the password file %s is not a plain file\n", path.c_str());
    return std::nullopt;
  }
  if ((st.st_mode & 077) != 0) {
    std::fprintf(stderr,
                 "ornzip: the password file %s may be read or changed by others (mode %03o); "
                 "make it private first: chmod 600 %s\n",
                 path.c_str(), unsigned(st.st_mode & 0777), path.c_str());
    return std::nullopt;
  }
  text = text.substr(0, text.find('\n'));
  if (!text.empty() && text.back() == '\r') text.pop_back();
  if (text.empty()) {
    std::fprintf(stderr, "ornzip: the password file %s has no password on its first line\n", path.c_str());
    return std::nullopt;
  }
  return text;
}

// Takes "-P TEXT" or "--password-file FILE" at args[i] (moving i past it).
// Nothing when args[i] is neither; false in `ok` when it is one but unusable.
bool TakePassword(const std::vector<std::string>& args, std::size_t& i, std::string& password, bool& ok) {
  if ((args[i] != "-P" && args[i] != "--password-file") || i + 1 >= args.size()) return false;
  std::optional<std::string> given =
      args[i] == "-P" ? std::optional<std::string>(args[i + 1]) : PasswordFromFile(args[i + 1]);
  i += 1;
  ok = given.has_value() && !given->empty() && given->size() <= kMaxPassword;
  if (given && given->size() > kMaxPassword)
    std::fprintf(stderr, "ornzip: a password has at most %zu characters\n", kMaxPassword);
  if (ok) password = *given;
  return true;
}

std::string TwoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

// One line of `list -v`: size, packed size, date, time, CRC, name.
std::string VerboseLine(const ZipDirEntry& e) {
  char line[96];
  const int day = e.ModDate & 0x1F, month = (e.ModDate >> 5) & 0x0F, year = 1980 + (e.ModDate >> 9);
  const int hour = e.ModTime >> 11, minute = (e.ModTime >> 5) & 0x3F;
  std::snprintf(line, sizeof line, "%12llu %12llu %s.%s.%d %s:%s %08x  ",
                static_cast<unsigned long long>(e.UnpackedSize64), static_cast<unsigned long long>(e.PackedSize64),
                TwoDigits(day).c_str(), TwoDigits(month).c_str(), year, TwoDigits(hour).c_str(),
                TwoDigits(minute).c_str(), e.Crc32);
  return line + orn::PrintableName(e.Name) + "\n";
}

// Takes "-O CODEPAGE" at args[i] (moving i past it) into the engine. Nothing
// when args[i] is not one; false in `ok` for a page this program cannot read.
bool TakeCodePage(const std::vector<std::string>& args, std::size_t& i, TZipEngine& zip, bool& ok) {
  if (args[i] != "-O") return false;
  const int page = i + 1 < args.size() ? orn::CodePageFromName(args[i + 1]) : 0;
  ok = page != 0;
  if (!ok) std::fprintf(stderr, "ornzip: unknown code page %s\n", i + 1 < args.size() ? args[i + 1].c_str() : "");
  zip.SetNamesCodePage(page);
  i += 1;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage(false);
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "--help" || command == "-h") return Usage(true);
  orn::UseDesktopTrash();

  TZipEngine zip;
  if (command == "--version") {
    std::printf("ornzip %s\n", zip.VersionInfo().c_str());
    return kDone;
  }
  zip.SetUnattended(true);
  // Nobody can answer a question here: the password given is the only one tried.
  zip.SetPasswordReqCount(0);
  zip.SetNamesCharset(LanguageCharset());
  bool failed = false;
  zip.OnMessage = [&failed](TZipEngine& sender, int errCode, const std::string& message) {
    // Progress of splitting and joining ("Copying: ...") is no failure.
    static const std::string copying = orn::ZipMessageText(orn::kZipCopying);
    if (errCode == 0 && message.compare(0, copying.size(), copying) == 0) return;
    // Nor is a file removed for good where it could not go to the trash.
    if (errCode == 0 && orn::IsNoTrashNote(message)) {
      std::fprintf(stderr, "ornzip: %s\n", message.c_str());
      return;
    }
    const int ident = errCode != 0 ? errCode : sender.LastErrCode();
    // Warnings about data around the archive do not make a command fail.
    if (ident != orn::kZipDirShifted && ident != orn::kZipTrailingData) failed = true;
    std::fprintf(stderr, "ornzip: [%d] %s\n", ident, message.c_str());
  };
  // Opening the archive for a command that needs one: a missing file is the
  // engine's "no archive" message, not an empty archive.
  auto open = [&zip](const std::string& path) {
    if (!orn::FileExists(path)) {
      zip.ShowZipMessage(orn::kZipNoArchive, ": " + path);
      return false;
    }
    zip.SetZipFileName(path);
    return !zip.ZipFileName().empty();
  };

  std::string password;
  bool passwordOk = true;
  bool codePageOk = true;
  if (command == "list") {
    bool verbose = false;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
      if (args[i] == "-v")
        verbose = true;
      else if (TakeCodePage(args, i, zip, codePageOk))
        continue;
      else if (!TakePassword(args, i, password, passwordOk))  // taken for scripts' sake; listing needs none
        break;
    }
    if (!passwordOk || !codePageOk) return kWrongUsage;
    args.erase(args.begin(), args.begin() + static_cast<long>(i));
    if (args.size() != 1 || args[0].rfind("-", 0) == 0) return Usage(false);
    if (!open(args[0])) return kLessThanAsked;
    std::string out;
    out.reserve(zip.DirEntries().size() * (verbose ? 80 : 24));
    for (const ZipDirEntry& e : zip.DirEntries()) {
      if (verbose) {
        out += VerboseLine(e);
      } else {
        orn::AppendPrintable(out, e.Name);
        out += '\n';
      }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return failed ? kLessThanAsked : kDone;
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
      else if (args[i] == "--aes" && i + 1 < args.size()) {
        const std::string bits = args[++i];
        if (bits != "128" && bits != "192" && bits != "256") return Usage(false);
        zip.SetAddAesKeyBits(std::atoi(bits.c_str()));
      } else if (TakePassword(args, i, password, passwordOk)) {
        if (!passwordOk) return kWrongUsage;
      } else if (args[i] == "-s" && i + 1 < args.size()) {
        char* end = nullptr;
        const long long size = std::strtoll(args[++i].c_str(), &end, 10);
        if (size <= 0 || end == nullptr || *end != '\0') return Usage(false);
        options.Include(AddDiskSpan);
        zip.SetMaxVolumeSize(size);
        // The free-room floor is meant for disks; a chosen size below it stands.
        if (size < zip.MinFreeVolumeSize()) zip.SetMinFreeVolumeSize(size);
      } else if (args[i].size() == 2 && args[i][1] >= '0' && args[i][1] <= '9')
        zip.SetAddCompLevel(args[i][1] - '0');
      else
        return Usage(false);
    }
    if (args.size() - i < 2) return Usage(false);
    if (zip.AddAesKeyBits() != 0 && password.empty()) {
      std::fputs("ornzip: --aes needs a password: -P TEXT or --password-file FILE\n", stderr);
      return kWrongUsage;
    }
    if (!password.empty()) {
      options.Include(AddEncrypt);
      zip.SetPassword(password);
      if (zip.AddAesKeyBits() == 0) zip.SetAddAesKeyBits(256);
    }
    zip.SetAddOptions(options);
    if (options.Has(AddDiskSpan)) AnswerDisksOnTerminal(zip);
    zip.SetZipFileName(args[i]);
    if (zip.ZipFileName().empty()) zip.SetZipFileName(args[i]);  // a listing failure already reported
    if (zip.ZipFileName().empty()) return kLessThanAsked;
    failed = false;
    zip.FSpecArgs.assign(args.begin() + static_cast<long>(i) + 1, args.end());
    zip.Add();
    return zip.SuccessCount() > 0 && !failed ? kDone : kLessThanAsked;
  }

  if (command == "extract" || command == "test") {
    const bool test = command == "test";
    ExtrOpts options{ExtrDirNames, ExtrOverWrite};
    std::size_t i = 0;
    bool namesOnInput = false;
    for (; i < args.size(); ++i) {
      if (!test && args[i] == "-j")
        options.Exclude(ExtrDirNames);
      else if (!test && args[i] == "-@")
        namesOnInput = true;
      else if (TakeCodePage(args, i, zip, codePageOk))
        continue;
      else if (!TakePassword(args, i, password, passwordOk))
        break;
    }
    if (!passwordOk || !codePageOk) return kWrongUsage;
    zip.SetPassword(password);
    const std::size_t needed = test ? 1 : 2;
    if (args.size() - i < needed || (test && args.size() - i != 1)) return Usage(false);
    for (std::size_t k = i; k < i + needed; ++k)
      if (args[k].rfind("-", 0) == 0) return Usage(false);
    if (test) options = ExtrOpts{ExtrTest, ExtrDirNames};
    zip.SetExtrOptions(options);
    if (!open(args[i])) return kLessThanAsked;

    std::vector<std::string> notDone;
    zip.OnExtractSkipped = [&notDone](TZipEngine& sender, const std::string& forFile, UnZipSkipTypes type, int) {
      notDone.push_back(orn::PrintableName(forFile) + " (" + sender.SkipReason(forFile, type) + ")");
    };
    // Data that fails its CRC never replaces a file: the entry is reported.
    zip.OnCRC32Error = [&notDone](TZipEngine&, const std::string& forFile, unsigned, unsigned, bool& doExtract) {
      doExtract = false;
      notDone.push_back(orn::PrintableName(forFile) + " (CRC error)");
    };
    if (!test) zip.SetExtrBaseDir(args[i + 1]);
    zip.FSpecArgs.assign(args.begin() + static_cast<long>(i + needed), args.end());
    if (namesOnInput) {
      char* line = nullptr;
      std::size_t capacity = 0;
      for (ssize_t n; (n = ::getline(&line, &capacity, stdin)) > 0;) {
        std::string name(line, static_cast<std::size_t>(n));
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        if (!name.empty()) zip.FSpecArgs.push_back(std::move(name));
      }
      std::free(line);
      if (zip.FSpecArgs.empty()) {
        std::fprintf(stderr, "ornzip: no names on standard input\n");
        return kLessThanAsked;
      }
    }
    const bool all = zip.FSpecArgs.empty() && !namesOnInput;
    if (zip.Count() > 0) zip.Extract();
    const char* verb = test ? "tested" : "extracted";
    for (const std::string& entry : notDone) std::fprintf(stderr, "ornzip: not %s: %s\n", verb, entry.c_str());
    if (test) std::printf("%d entries tested good of %d\n", zip.SuccessCount(), zip.Count());
    const bool less =
        failed || !notDone.empty() || (all && zip.SuccessCount() < zip.Count()) || (!all && zip.SuccessCount() == 0);
    if (less && !test) std::fprintf(stderr, "ornzip: %d of %d entries extracted\n", zip.SuccessCount(), zip.Count());
    return less ? kLessThanAsked : kDone;
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
        return Usage(false);
    }
    if (args.size() - i != 1) return Usage(false);
    zip.SetZipFileName(args[i]);
    if (zip.ZipFileName().empty()) return kLessThanAsked;
    return zip.ConvertToSFX() == 0 && !failed ? kDone : kLessThanAsked;
  }
  return Usage(false);
}
