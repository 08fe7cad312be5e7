// The archiver's message log: one line per problem appended to
// "ZuzIzu_log.txt" in the archive directory, and a message window only when
// the program was started with "DOSHOWMESSAGES". When the archive directory
// cannot take the line (none set, not made, read-only, or its log is a
// symbolic link or no plain file) the line goes to the per-user log
// (UserLogPath), after one line saying which directory failed and why: a
// failure must not vanish because the place for failures failed. The texts are captions of
// hidden labels of the main window; MessageTexts gives their resource texts,
// and the main window hands a provider of the translated ones.
#pragma once

#include <string>
#include <vector>

#include "DateTime.h"

namespace orn {

// Label texts by the label's name (msg_NoCopyFile, msg_NoMakeDir,
// msg_FSError, msg_Warning, msg_NOPlus, ToFlop, ...). The base class answers
// the resource texts; a translation overrides Text.
class MessageTexts {
 public:
  virtual ~MessageTexts() = default;
  virtual std::string Text(const std::string& labelName) const;
  // Text(labelName) with "%1", "%2", ... replaced by `args` in order.
  std::string Format(const std::string& labelName, const std::vector<std::string>& args) const;
  // The resource text of a label; the name itself when it is unknown.
  static std::string DefaultText(const std::string& labelName);
  // Every label name DefaultText knows, for the window's hidden labels.
  static std::vector<std::string> LabelNames();
};

// The end of a run's or a restore's one-line outcome: how many problems were
// logged and, when the archive directory's log could not be used, why and
// where the log went.
// `logFailure` is why the archive directory's log was not used, as the log
// says it; with its label name `logFailureKey` the reason is said in the
// summary's own language (label text + `logFailureDetail`).
std::string OutcomeTail(const MessageTexts& texts, int problems, const std::string& logFailure,
                        const std::string& logFailureKey, const std::string& logFailureDetail,
                        const std::string& logFile);

class MessageLog {
 public:
  // `archiveDirectory` is the text of the archive path field; with an empty
  // one nothing is written.
  MessageLog(const MessageTexts& texts, std::string archiveDirectory, bool showMessages);

  void SetArchiveDirectory(const std::string& directory) { archiveDirectory_ = directory; }
  const std::string& ArchiveDirectory() const { return archiveDirectory_; }
  // The log file's full path; empty when there is no archive directory.
  std::string LogFilePath() const;
  // Where the lines went: LogFilePath(), the per-user log, or empty while
  // nothing has been written (or nothing could be).
  const std::string& WrittenTo() const { return writtenTo_; }
  // Why the archive directory's log was not used ("" when it was, or when
  // nothing was written); says which directory failed.
  const std::string& LogFailure() const { return logFailure_; }
  // The label name of LogFailure() and what follows the label's text.
  const std::string& LogFailureKey() const { return logFailureKey_; }
  const std::string& LogFailureDetail() const { return logFailureDetail_; }

  // Appends "title : dd.mm.yyyy hh:nn:ss : text" + CR LF; shows the message
  // window first when `show` is set and messages are on. The log file is
  // opened without following a symbolic link. Every call but the plus path
  // warning counts as a problem, and so does a log that had to go to the
  // per-user log although an archive directory was set.
  void Log(const std::string& title, const std::string& text, bool show = true);
  // A line that reports no problem: logged only, never shown or counted.
  void Note(const std::string& title, const std::string& text) { Write(title, text, false); }

  // `cause` is the system's reason ("No space left on device"), when known.
  void DirectoryNotCreated(const std::string& directory, const std::string& cause = "");
  void FileNotCopied(const std::string& from, const std::string& to, const std::string& cause = "");
  void PlusPathMissing();
  void Error(const std::string& message);
  // The person stopped the run: `what` (an archive, a copy) was not made.
  // A problem like any other (the run is not complete), said as what it is.
  void Cancelled(const std::string& what);
  // Sources the run could not take: a job list file that is not there, the
  // missing folder of a job list pattern, a file that cannot be read.
  void SourceNotFound(const std::string& path);
  void SourceFolderNotFound(const std::string& folder);
  void SourceNotRead(const std::string& path, const std::string& cause);

  int ProblemCount() const { return problems_; }
  // What each problem said (the text after the title), in order: what the
  // window shows when a run or restore ends with problems.
  const std::vector<std::string>& Problems() const { return problemTexts_; }
  const MessageTexts& Texts() const { return texts_; }

 private:
  void Write(const std::string& title, const std::string& text, bool show);

  const MessageTexts& texts_;
  std::string archiveDirectory_;
  bool showMessages_;
  int problems_ = 0;
  std::vector<std::string> problemTexts_;
  std::string writtenTo_;
  std::string logFailure_;
  std::string logFailureKey_, logFailureDetail_;
};

// Appends `bytes` to the file at `path`, creating it when missing, without
// following a symbolic link and only into a plain file. False with the
// system's reason in `cause` otherwise.
bool AppendToFileNoFollow(const std::string& path, const std::string& bytes, std::string* cause);

// The system's reason at the end of a platform error message
// ("Cannot write file "x": No space left on device" -> "No space left on
// device"); the whole message when it has no such end.
std::string CauseOf(const std::string& errorMessage);

// The line as it is written, without the line end.
std::string FormatLogLine(const std::string& title, DateTime when, const std::string& text);

}  // namespace orn
