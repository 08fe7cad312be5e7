// The archiver's message log: one line per problem appended to
// "ZuzIzu_log.txt" in the archive directory, and a message window only when
// the program was started with "DOSHOWMESSAGES". The texts are captions of
// hidden labels of the main window; MessageTexts gives their resource texts,
// and the main window hands a provider of the translated ones.
#pragma once

#include <string>

#include "DateTime.h"

namespace orn {

// Label texts by the label's name (msg_NoCopyFile, msg_NoMakeDir,
// msg_FSError, msg_Warning, msg_NOPlus, ToFlop, ...). The base class answers
// the resource texts; a translation overrides Text.
class MessageTexts {
 public:
  virtual ~MessageTexts() = default;
  virtual std::string Text(const std::string& labelName) const;
  // The resource text of a label; the name itself when it is unknown.
  static std::string DefaultText(const std::string& labelName);
};

class MessageLog {
 public:
  // `archiveDirectory` is the text of the archive path field; with an empty
  // one nothing is written.
  MessageLog(const MessageTexts& texts, std::string archiveDirectory, bool showMessages);

  void SetArchiveDirectory(const std::string& directory) { archiveDirectory_ = directory; }
  const std::string& ArchiveDirectory() const { return archiveDirectory_; }
  // The log file's full path; empty when there is no archive directory.
  std::string LogFilePath() const;

  // Appends "title : dd.mm.yyyy hh:nn:ss : text" + CR LF; shows the message
  // window first when `show` is set and messages are on. A failure to write
  // is swallowed: the log is the last resort. Every call but the plus path
  // warning counts as a problem.
  void Log(const std::string& title, const std::string& text, bool show = true);

  void DirectoryNotCreated(const std::string& directory);
  void FileNotCopied(const std::string& from, const std::string& to);
  void PlusPathMissing();
  void Error(const std::string& message);

  int ProblemCount() const { return problems_; }
  const MessageTexts& Texts() const { return texts_; }

 private:
  void Write(const std::string& title, const std::string& text, bool show);

  const MessageTexts& texts_;
  std::string archiveDirectory_;
  bool showMessages_;
  int problems_ = 0;
};

// The line as it is written, without the line end.
std::string FormatLogLine(const std::string& title, DateTime when, const std::string& text);

}  // namespace orn
