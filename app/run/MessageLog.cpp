#include "MessageLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "Clock.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "RunNames.h"

namespace orn {

std::string MessageTexts::Text(const std::string& labelName) const { return DefaultText(labelName); }

namespace {
const std::map<std::string, std::string>& ResourceTexts() {
  static const std::map<std::string, std::string> texts = {
      {"msg_NoCopyFile", "Nevar nokopēt failu"},
      {"msg_NoMakeDir", "Nevar izveidot direktoriju"},
      {"msg_FSError", "Failu sistēmas kļūda"},
      {"msg_Warning", "Brīdinājums"},
      {"msg_NOPlus", "Nav PLUS direktorijas"},
      {"ToFlop", "Copy to flopy"},
      // Texts this build adds for checks the run makes before and after
      // copying; the main window may translate them like any label.
      {"msg_NoSpace", "Not enough free space for the archive in"},
      {"msg_BadCopy", "The copy does not read back correctly"},
      {"msg_NoRemoteCopy", "The second copy could not be sent to"},
      {"msg_NotZipped", "The archive was not made"},
      {"msg_NotAdded", "Files not added to the archive"},
      {"msg_NoArchivePath", "No archive directory is set"},
      {"msg_TempBusy", "Another archive run is using the temporary directory"},
      {"msg_UnsafeEntry", "Entry not restored, its name leads outside the base directory"},
      {"msg_NoSourceFile", "File of the list not found"},
      {"msg_NoSourceFolder", "Folder of the list's pattern not found"},
      {"msg_NoReadFile", "Cannot read file"},
      {"msg_NoCleanRegister", "The register could not be cleaned"},
      {"msg_LogElsewhere", "The log cannot be written in"},
      {"msg_NotGathered", "The files to archive could not be gathered"},
      {"msg_TableTorn", "Table not consistent in any of its %1 copies, the last copy is archived"},
      {"msg_TableNotCopied", "Table not copied for its check, archived unchecked"},
      {"msg_TablesOpen", "Open in the accounting program; its copy checked consistent"},
      {"msg_Overwrite", "Files that exist will be replaced by the archive's copies. Replace them?"},
      {"msg_OverwriteWhere", "Files to replace"},
      {"msg_LogIs", "Log"},
      {"msg_Cancelled", "Cancelled by the user"},
      {"msg_NotMadeNow", "not made"},
      // The window's caption for a run that made nothing, and its button.
      {"msg_Error", "ERROR"},
      {"btn_OpenLog", "Open the log"},
      {"msg_NotInArchive", "No such file in the archive"},
      {"msg_NoSuchArchive", "No archive of that name among the job's generations and unique saves"},
      {"msg_ArchiveUnreadable", "The archive cannot be read"},
      // The one-line outcome of a run or a restore; "%1".. are filled in.
      // Standard error always has these English texts.
      {"sum_Made", "Archive made: %1; verified: %2"},
      {"sum_NotMade", "No generation made, the previous one is kept; verified: %1"},
      {"sum_NoneVerified", "none"},
      {"sum_Torn", "tables not consistent: %1"},
      {"sum_Problem", "%1 problem logged"},
      {"sum_Problems", "%1 problems logged"},
      {"sum_Log", "log: %1"},
      {"sum_LogNotWritten", "not written"},
      {"sum_NoArchive", "Nothing restored: no archive chosen"},
      {"sum_KeptExisting", "Nothing restored from %1: %2 existing files kept, replacing them was declined"},
      {"sum_NoFile", "Nothing restored from %1: no file chosen"},
      {"sum_Restored", "Restored %1 of %2 files from %3 into %4"},
      {"sum_Kept", "%1 existing files kept"},
      {"sum_NoSuchArchive", "Nothing restored: no archive \"%1\" among the job's generations and unique saves"},
      {"sum_FolderNotMade", "Nothing restored from %1: the folder %2 could not be made"},
      {"sum_Unreadable", "Nothing restored from %1: the archive cannot be read"},
      {"sum_NothingToRestore", "Nothing restored from %1: it holds no file that can be restored"},
  };
  return texts;
}
}  // namespace

std::string MessageTexts::DefaultText(const std::string& labelName) {
  auto it = ResourceTexts().find(labelName);
  return it == ResourceTexts().end() ? labelName : it->second;
}

std::string MessageTexts::Format(const std::string& labelName, const std::vector<std::string>& args) const {
  const std::string pattern = Text(labelName);
  std::string out;
  // One pass, so that an argument holding "%2" is never filled in itself.
  for (size_t i = 0; i < pattern.size(); ++i) {
    const size_t digit = i + 1;
    if (pattern[i] == '%' && digit < pattern.size() && pattern[digit] >= '1' && pattern[digit] <= '9' &&
        static_cast<size_t>(pattern[digit] - '1') < args.size()) {
      out += args[static_cast<size_t>(pattern[digit] - '1')];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string OutcomeTail(const MessageTexts& texts, int problems, const std::string& logFailure,
                        const std::string& logFailureKey, const std::string& logFailureDetail,
                        const std::string& logFile) {
  std::string tail = "; " + texts.Format(problems == 1 ? "sum_Problem" : "sum_Problems", {std::to_string(problems)});
  if (!logFailure.empty())
    tail += "; " + (logFailureKey.empty() ? logFailure : texts.Text(logFailureKey) + logFailureDetail) + "; " +
            texts.Format("sum_Log", {logFile.empty() ? texts.Text("sum_LogNotWritten") : logFile});
  return tail;
}

std::vector<std::string> MessageTexts::LabelNames() {
  std::vector<std::string> names;
  for (const auto& [name, text] : ResourceTexts()) names.push_back(name);
  return names;
}

bool AppendToFileNoFollow(const std::string& path, const std::string& bytes, std::string* cause) {
  // Non-blocking, so that a FIFO planted under the log's name cannot hold
  // the run; anything but a plain file is refused.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (cause) *cause = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    if (cause) *cause = "it is not a plain file";
    return false;
  }
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (cause) *cause = std::strerror(n < 0 ? errno : ENOSPC);
      ::close(fd);
      return false;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  if (::close(fd) != 0) {
    if (cause) *cause = std::strerror(errno);
    return false;
  }
  return true;
}

std::string CauseOf(const std::string& errorMessage) {
  size_t at = errorMessage.rfind(": ");
  return at == std::string::npos ? errorMessage : errorMessage.substr(at + 2);
}

std::string FormatLogLine(const std::string& title, DateTime when, const std::string& text) {
  return title + " : " + FormatLogStamp(when) + " : " + text;
}

MessageLog::MessageLog(const MessageTexts& texts, std::string archiveDirectory, bool showMessages)
    : texts_(texts), archiveDirectory_(std::move(archiveDirectory)), showMessages_(showMessages) {}

std::string MessageLog::LogFilePath() const {
  if (archiveDirectory_.empty()) return {};
  return IncludeTrailingDelimiter(archiveDirectory_) + kLogFileName;
}

void MessageLog::Log(const std::string& title, const std::string& text, bool show) {
  ++problems_;
  problemTexts_.push_back(text);
  Write(title, text, show);
}

void MessageLog::Write(const std::string& title, const std::string& text, bool show) {
  if (show && showMessages_) {
    MessageBoxRequest request;
    request.caption = title;
    request.message = text;
    request.iconIndex = 1;
    request.buttons = 0;
    Dialogs().MessageBox(request);
  }
  const DateTime now = Now();
  const std::string line = FormatLogLine(title, now, text) + "\r\n";
  const std::string path = LogFilePath();
  std::string cause;
  if (!path.empty() && AppendToFileNoFollow(path, line, &cause)) {
    writtenTo_ = path;
    return;
  }
  const std::string userLog = UserLogPath();
  std::string note;
  if (logFailure_.empty()) {
    // Said once per run, in the per-user log and to the caller.
    logFailureKey_ = path.empty() ? "msg_NoArchivePath" : "msg_LogElsewhere";
    logFailureDetail_ = path.empty() ? "" : " \"" + archiveDirectory_ + "\": " + cause;
    logFailure_ = texts_.Text(logFailureKey_) + logFailureDetail_;
    if (!path.empty()) {
      ++problems_;
      problemTexts_.push_back(logFailure_);
      note = FormatLogLine("ERROR", now, logFailure_) + "\r\n";
    }
  }
  ForceDirectories(ExtractFilePath(userLog));
  if (AppendToFileNoFollow(userLog, note + line, nullptr)) writtenTo_ = userLog;
}

void MessageLog::DirectoryNotCreated(const std::string& directory, const std::string& cause) {
  Log(texts_.Text("msg_FSError"),
      texts_.Text("msg_NoMakeDir") + " \"" + directory + "\"\"" + (cause.empty() ? "" : ": " + cause));
}

void MessageLog::FileNotCopied(const std::string& from, const std::string& to, const std::string& cause) {
  Log(texts_.Text("msg_FSError"),
      texts_.Text("msg_NoCopyFile") + " \"" + from + "\"->\"" + to + "\"" + (cause.empty() ? "" : ": " + cause));
}

void MessageLog::SourceNotFound(const std::string& path) {
  Log(texts_.Text("msg_FSError"), texts_.Text("msg_NoSourceFile") + " \"" + path + "\"");
}

void MessageLog::SourceFolderNotFound(const std::string& folder) {
  Log(texts_.Text("msg_FSError"), texts_.Text("msg_NoSourceFolder") + " \"" + folder + "\"");
}

void MessageLog::SourceNotRead(const std::string& path, const std::string& cause) {
  Log(texts_.Text("msg_FSError"), texts_.Text("msg_NoReadFile") + " \"" + path + "\": " + cause);
}

// A warning, not a problem: a job without a second copy logs it on every run.
void MessageLog::PlusPathMissing() { Write(texts_.Text("msg_Warning"), texts_.Text("msg_NOPlus"), false); }

void MessageLog::Error(const std::string& message) { Log("ERROR", message); }

void MessageLog::Cancelled(const std::string& what) {
  Log("CANCELLED", texts_.Text("msg_Cancelled") + ": " + texts_.Text("msg_NotMadeNow") + " \"" + what + "\"");
}

}  // namespace orn
