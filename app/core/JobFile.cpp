#include "JobFile.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "Clock.h"
#include "CodePage.h"
#include "FileReplace.h"
#include "FileSystem.h"
#include "TextUtil.h"

namespace orn {

namespace {

const char* const kCrLf = "\r\n";
const char* const kFrame = "{********************************************************}";
const char* const kTitle = "{*               ORN Archivator INI file                *}";
const char* const kVersion = "{*                                   New Version 2001  *}";

// The part after the first '=', empty when there is none.
std::string ValueOf(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void ReadDate(Job& job, const std::string& line) {
  std::vector<std::string> items = SplitCommaText(line.size() > 5 ? line.substr(5) : std::string());
  std::optional<DateTime> date;
  if (items.size() >= 3) {
    auto day = ParseInt32(items[0]), month = ParseInt32(items[1]), year = ParseInt32(items[2]);
    if (day && month && year) date = EncodeDate(*year, *month, *day);
  }
  job.lastArchivingDate = date ? *date : Today();
}

void ReadArhiveLine(Job& job, const std::string& line) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return;
  std::string key = line.substr(0, eq), value = line.substr(eq + 1);
  if (key == "ARHIVE DIRECTORY") {
    job.archiveDirectory = value;
  } else if (key == "ARHIVE NAME") {
    job.archiveName = value;
  } else if (key == "ARHIVE PARAMS") {
    size_t bar = value.find('|');
    job.uniqueFolder = value.substr(0, bar);
    if (bar == std::string::npos) return;
    std::string letters = value.substr(bar + 1);
    if (letters.size() > 0 && IsSchemeLetter(letters[0])) job.rotationScheme = letters[0];
    if (letters.size() > 1 && IsSchemeLetter(letters[1])) job.uniqueScheme = letters[1];
  }
}

void ReadVolumeLine(Job& job, const std::string& line) {
  std::string value = ValueOf(line);
  if (value == "FALSE") {
    job.volumesOn = false;
  } else if (value == "TRUE") {
    job.volumesOn = true;
    job.volumeSize = 1400;
  } else if (auto size = ParseInt32(value)) {
    job.volumesOn = true;
    job.volumeSize = *size;
  } else {
    job.volumesOn = false;
  }
}

// Bytes that no text file holds: NUL and the control characters other than
// tab, line breaks, form feed and the old end-of-file mark.
bool LooksBinary(const std::string& bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    return c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != 0x1A;
  });
}

bool HasJobFileLine(const std::vector<std::string>& lines) {
  static const char* const kKeys[] = {"INITIALIZATION", "DATE", "ARHI", "FLOP", "DB F", "LOAD", "+FOL", "LIST"};
  return std::any_of(lines.begin(), lines.end(), [](const std::string& raw) {
    std::string line = Trim(raw);
    return std::any_of(std::begin(kKeys), std::end(kKeys), [&](const char* key) { return line.rfind(key, 0) == 0; });
  });
}

}  // namespace

std::string FormatJobFile(const Job& job) {
  DateParts date = DecodeDate(job.lastArchivingDate);
  std::string text;
  auto line = [&](const std::string& s) { text += s + kCrLf; };
  line("");
  line(kFrame);
  line(kTitle);
  line(kVersion);
  line(kFrame);
  line("INITIALIZATION");
  line("DATE=" + std::to_string(date.day) + "," + std::to_string(date.month) + "," + std::to_string(date.year));
  line("ARHIVE DIRECTORY=" + job.archiveDirectory);
  line("ARHIVE NAME=" + job.archiveName);
  line("LOAD FROM=DB");
  line("DB FILE=" + job.registerFile);
  line(std::string("FLOPY 144=") + (job.volumesOn ? std::to_string(job.volumeSize) : "FALSE"));
  line("ARHIVE PARAMS=" + job.uniqueFolder + "|" + job.rotationScheme + job.uniqueScheme);
  line("+FOLDER=" + job.plusPath);
  if (job.copyToFloppies) line("ADSK");
  line("LIST");
  for (const std::string& entry : job.jobList) line(entry);
  return text;
}

void ParseJobFile(Job& job, const std::string& text) {
  job.saved = true;
  job.archiveDirectory.clear();
  job.archiveName.clear();
  job.registerFile.clear();
  job.plusPath.clear();
  job.uniqueFolder = "New_Folder";
  job.volumesOn = false;
  job.copyToFloppies = false;
  job.loadFromRegister = false;
  job.rotationScheme = job.uniqueScheme = 'N';

  std::vector<std::string> lines = SplitLines(text);
  std::optional<size_t> listStart;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = Trim(lines[i]);
    if (line.empty()) continue;
    std::string head = line.substr(0, 4);
    if (head == "DATE")
      ReadDate(job, line);
    else if (head == "ARHI")
      ReadArhiveLine(job, line);
    else if (head == "FLOP")
      ReadVolumeLine(job, line);
    else if (head == "DB F")
      job.registerFile = ValueOf(line);
    else if (head == "LOAD")
      job.loadFromRegister = job.loadFromRegister || ValueOf(line) == "DB";
    else if (head == "ADSK")
      job.copyToFloppies = true;
    else if (head == "+FOL")
      job.plusPath = ValueOf(line);
    else if (head == "LIST")
      listStart = i + 1;
  }
  job.jobList.clear();
  if (listStart) job.jobList.assign(lines.begin() + static_cast<long>(std::min(*listStart, lines.size())), lines.end());
  if (!job.archiveDirectory.empty()) job.archiveDirectory = IncludeTrailingDelimiter(job.archiveDirectory);
}

namespace {

// Job files written on the original platform carry Baltic 8-bit text. A
// line that is no UTF-8 but whose path (the whole line, or what follows
// "=") exists as its bytes stand is a Linux file name, and its bytes are
// the name: it is kept as it is.
std::string JobFileText(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  std::string text;
  for (const std::string& line : SplitLines(bytes)) {
    const std::size_t equals = line.find('=');
    const std::string path = equals == std::string::npos ? line : line.substr(equals + 1);
    const bool linuxName = !IsValidUtf8(line) && !path.empty() && path[0] == '/' &&
                           (FileExists(path) || DirectoryExists(path) || DirectoryExists(ExtractFilePath(path)));
    text += (IsValidUtf8(line) || linuxName ? line : ToUtf8(line, 1257)) + "\r\n";
  }
  return text;
}

}  // namespace

Job ReadJobFile(const std::string& path, const Job& previous) {
  std::string error;
  std::optional<std::string> bytes = ReadWholeFile(path, &error);
  if (!bytes) throw EJobFile(error.empty() ? "Cannot read job file \"" + path + "\"" : error);
  if (LooksBinary(*bytes)) throw EJobFile("\"" + path + "\" is not a job file: it holds binary data");
  const std::string text = JobFileText(*bytes);
  if (!HasJobFileLine(SplitLines(text))) throw EJobFile("\"" + path + "\" is not a job file: no job settings found");
  Job job = previous;
  job.jobFilePath = path;
  ParseJobFile(job, text);
  return job;
}

std::string WriteJobFile(Job& job, const std::string& path) {
  const std::string text = FormatJobFile(job);
  std::string error;
  std::string note;
  if (!WriteFileAtomically(path, text, &error)) {
    // A job file handed to the user in a folder of someone else's can be
    // written only in place; its old contents stay in a copy meanwhile.
    const std::string dir = ExtractFilePath(path).empty() ? "." : ExtractFilePath(path);
    if (!FileExists(path) || ::access(dir.c_str(), W_OK) == 0 || ::access(path.c_str(), W_OK) != 0)
      throw EJobFile(error.empty() ? "Cannot write job file \"" + path + "\"" : error);
    std::error_code ec;
    std::string copyDir = std::filesystem::temp_directory_path(ec).string();
    if (ec || copyDir.empty()) copyDir = "/tmp";
    if (!WriteFileInPlace(path, text, copyDir, &error)) throw EJobFile(error);
    note = "The folder of job file \"" + path + "\" cannot be written; the job file was written in place";
  }
  job.saved = true;
  return note;
}

std::string WithArhExtension(const std::string& name) {
  if (name.size() >= 4 && name[name.size() - 4] == '.') return name;
  return name + ".arh";
}

}  // namespace orn
