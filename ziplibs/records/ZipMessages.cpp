// Texts of the engine's messages. The identifiers with texts given by the
// original design keep them word for word; the others say briefly what went
// wrong so that a user reading the log knows where to look.
#include "ZipMessages.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <regex>

namespace orn {
namespace {

struct MessageText {
  int ident;
  const char* text;
};

// Sorted by identifier (looked up by binary search).
constexpr MessageText kTexts[] = {
    {10101, "Error while adding to the archive"},
    {10102, "No archive name given, or the archive does not exist"},
    {10103, "Out of memory"},
    {10104, "The two passwords differ"},
    {10105, "Copying: "},
    {10150, "A password is needed to add, but nobody can type it"},
    {10151, "A password is needed to extract, but nobody can type it"},
    {10152, "OK"},
    {10153, "Cancel"},
    {10154, "Password"},
    {10155, "Enter the password:"},
    {10156, "Enter the password again:"},
    {10157, "The password is wrong. Enter the password:"},
    {10201, "Seek or read error in the central directory"},
    {10202, "Error while reading the archive's directory: "},
    {10203, "The central directory is not where the end record puts it (data in front of the archive)"},
    {10204, "There are extra bytes after the end of the archive"},
    {10301, "Nothing to add"},
    {10302, "Encryption asked for, but no password given"},
    {10303, "Volumes cannot be combined with freshen or update"},
    {10304, "Creating the self-extractor failed, code %d"},
    {10305, "The archive would pass the limits of the zip format (4 GiB, 65535 entries)"},
    {10501, "Error while extracting from the archive"},
    {10502, "Encrypted entries are skipped: no password given"},
    {10503, "The decompression library is too old for this extraction"},
    {10504, "Entries skipped, their names are unsafe"},
    {10505, "No entry of the archive matches"},
    {10510, "not newer"},
    {10511, "a file of that name exists"},
    {10512, "wrong password"},
    {10513, "encrypted, no password"},
    {10514, "strong encryption, not supported"},
    {10515, "AES-encrypted with a method not supported"},
    {10516, "compression method %s, not supported"},
    {10517, "compression method not supported"},
    {10518, "unknown host system"},
    {10519, "damaged entry"},
    {10520, "could not be written"},
    {10521, "unsafe name"},
    {10522, "unsafe name: %s"},
    {10523, "skipped"},
    {10601, "Compression library loaded"},
    {10602, "The compression library lacks its entry point OrnZipExec"},
    {10603, "The compression library lacks its entry point GetOrnZipVersion"},
    {10604, "The compression library libornzip could not be loaded"},
    {10701, "Decompression library loaded"},
    {10702, "The decompression library lacks its entry point OrnUnzExec"},
    {10703, "The decompression library lacks its entry point GetOrnUnzVersion"},
    {10704, "The decompression library libornunz could not be loaded"},
    {10801, "Self-extractor texts are too long"},
    {10802, "The self-extractor stub was not found"},
    {10803, "Only a .ZIP archive can become a self-extractor"},
    {11001, "The archive cannot be opened"},
    {11002, "The archive cannot be opened"},
    {11003, "Bad drive: %s"},
    {11004, "Drive %s is not ready"},
    {11005, "The volume label cannot be set"},
    {11006, "The disk question failed"},
    {11007, "Aborted by the user"},
    {11008, "Seek error in the archive"},
    {11009, "The output file cannot be created"},
    {11010, "Write error"},
    {11011, "Read error in the archive"},
    {11012, "Error copying a local header"},
    {11013, "Error reading a central header"},
    {11014, "Bad local header signature"},
    {11015, "Bad central header signature"},
    {11016, "Error copying a local name"},
    {11017, "Error reading an entry name"},
    {11018, "Error copying an extra field"},
    {11019, "Error copying a central extra field"},
    {11020, "Error copying a data descriptor"},
    {11021, "Error copying entry data"},
    {11022, "Error reading an entry comment"},
    {11023, "Error copying the archive comment"},
    {11024, "Error while splitting or joining volumes: "},
    {11025, "A disk is needed, but nobody can insert it"},
    {11026, "A central entry has no matching local entry"},
    {11027, "No temporary file name could be made"},
    {11028, "Write error in the entry data"},
    {11029, "Write error in a central header"},
    {11030, "Write error in the end record"},
    {11031, "The span marker is missing on the first volume"},
    {11032, "This disk has not enough free space available"},
    {11033, "Please insert last disk in set"},
    {11034, "Please insert disk volume %.1d of %.1d"},
    {11035, "\r\nin drive: %s"},
    {11036, "This file is not a zip archive (no end of central directory)"},
    {11037, "This is the first volume of a set; open the last volume"},
    {11038, "This is volume %d of a set; open the last volume"},
    {11039, "Overwrite previous file %s"},
    {11040, "Overwrite previous disk no %d"},
    {11041, "A spanned archive cannot be a .EXE"},
    {11042, "Error copying the self-extractor stub"},
    {11043, "Error writing the self-extractor header"},
    {11044, "Error copying the archive into the self-extractor"},
    {11045, "This is a middle volume of a set; open the last volume"},
    {11046, "Please insert disk volume %.1d"},
    {11047, "Central directory"},
    {11048, "Entries of the archive share or overlap their data; the archive is refused"},
    {11049, "The directory holds more entries than its end record counts; every entry found is listed"},
    {11050, "An entry of the archive has no name"},
    {11051, "Remove the %d files in %s for good, to make room?"},
    {12001, "Wrong password, not extracted: %1"},
    {12002, "Encrypted and no password given, not extracted: %1"},
    {12003, "Wrong password: %1"},
    {12004, "Wrong password or damaged data: %1"},
    {12005, "Damaged data: %1"},
    {12006, "Damaged entry (stored sizes differ): %1"},
    {12007, "Damaged data (longer than recorded): %1"},
    {12008, "Damaged data (stream ends early): %1"},
    {12009, "Damaged encrypted entry: %1"},
    {12010, "Damaged AES-encrypted entry: %1"},
    {12011, "Archive ends early: %1"},
    {12012, "Local header missing: %1"},
    {12013, "Unsafe name (%1), not extracted: %2"},
    {12014, "Compression method %1 not supported: %2"},
    {12015, "Encrypted in a way this program does not know, not extracted: %1"},
    {12016, "AES-encrypted without its extra field, not extracted: %1"},
    {12017, "A symbolic link is on the way, not extracted: %1"},
    {12018, "The target is a symbolic link, not extracted: %1"},
    {12019, "Something other than a file is in the way: %1"},
    {12020, "CRC error: %1"},
    {12021, "Cannot write %1 (disk full?)"},
    {12022, "Cannot open %1: %2"},
};

constexpr int kFirstLibraryText = 12001;

const MessageText* Find(int ident) {
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), ident,
                             [](const MessageText& m, int id) { return m.ident < id; });
  return it != std::end(kTexts) && it->ident == ident ? it : nullptr;
}

ZipTextSource translation = nullptr;

// "%1" ... "%9" replaced by `args` in one pass, so that an argument holding
// "%2" is never filled in itself.
std::string Fill(const std::string& pattern, const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const std::size_t digit = i + 1;
    if (pattern[i] == '%' && digit < pattern.size() && pattern[digit] >= '1' && pattern[digit] <= '9' &&
        static_cast<std::size_t>(pattern[digit] - '1') < args.size()) {
      out += args[static_cast<std::size_t>(pattern[digit] - '1')];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

// The library's English texts as patterns that give back what was filled in.
struct LibraryPattern {
  int ident;
  std::regex pattern;
};

const std::vector<LibraryPattern>& LibraryPatterns() {
  static const std::vector<LibraryPattern> patterns = [] {
    std::vector<LibraryPattern> list;
    const auto first = std::lower_bound(std::begin(kTexts), std::end(kTexts), kFirstLibraryText,
                                        [](const MessageText& m, int id) { return m.ident < id; });
    for (auto it = first; it != std::end(kTexts); ++it) {
      std::string expression;
      for (const char* c = it->text; *c; ++c) {
        if (c[0] == '%' && c[1] >= '1' && c[1] <= '9') {
          expression += "(.*)";
          ++c;
        } else if (std::strchr("\\^$.|?*+()[]{}", *c)) {
          expression += '\\';
          expression += *c;
        } else {
          expression += *c;
        }
      }
      list.push_back({it->ident, std::regex(expression)});
    }
    return list;
  }();
  return patterns;
}

}  // namespace

std::string LibraryMessage(ZipMsg ident, const std::vector<std::string>& args) {
  const MessageText* m = Find(ident);
  return m ? Fill(m->text, args) : std::string();
}

std::string TranslateLibraryMessage(const std::string& text) {
  if (!translation) return text;
  for (const LibraryPattern& p : LibraryPatterns()) {
    std::smatch match;
    if (!std::regex_match(text, match, p.pattern)) continue;
    const std::string translated = translation(p.ident);
    if (translated.empty()) return text;
    std::vector<std::string> args;
    for (std::size_t i = 1; i < match.size(); ++i) args.push_back(match[i].str());
    return Fill(translated, args);
  }
  return text;
}

void SetZipMessageTexts(ZipTextSource source) { translation = source; }

bool HasZipMessageText(int ident) { return Find(ident) != nullptr; }

std::string ZipMessageText(int ident) {
  if (translation) {
    if (std::string text = translation(ident); !text.empty()) return text;
  }
  if (const MessageText* m = Find(ident)) return m->text;
  return "Message resource is probably not linked to the executable\nMissing String ID is: " + std::to_string(ident);
}

std::string FormatZipMessage(const std::string& text, const std::string& value) {
  for (const char* placeholder : {"%.1d", "%d", "%s"}) {
    auto pos = text.find(placeholder);
    if (pos != std::string::npos)
      return text.substr(0, pos) + value + text.substr(pos + std::string(placeholder).size());
  }
  return text + " " + value;
}

}  // namespace orn
