#include "MessageLog.h"

#include <cstdio>
#include <map>

#include "Clock.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "RunNames.h"

namespace orn {

std::string MessageTexts::Text(const std::string& labelName) const { return DefaultText(labelName); }

std::string MessageTexts::DefaultText(const std::string& labelName) {
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
      {"msg_NotZipped", "The archive was not made"},
      {"msg_NotAdded", "Files not added to the archive"},
      {"msg_NoArchivePath", "No archive directory is set"},
      {"msg_TempBusy", "Another archive run is using the temporary directory"},
      {"msg_UnsafeEntry", "Entry not restored, its name leads outside the base directory"},
  };
  auto it = texts.find(labelName);
  return it == texts.end() ? labelName : it->second;
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
  std::string path = LogFilePath();
  if (path.empty()) return;
  std::string line = FormatLogLine(title, Now(), text) + "\r\n";
  if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
}

void MessageLog::DirectoryNotCreated(const std::string& directory) {
  Log(texts_.Text("msg_FSError"), texts_.Text("msg_NoMakeDir") + " \"" + directory + "\"\"");
}

void MessageLog::FileNotCopied(const std::string& from, const std::string& to) {
  Log(texts_.Text("msg_FSError"), texts_.Text("msg_NoCopyFile") + " \"" + from + "\"->\"" + to + "\"");
}

// A warning, not a problem: a job without a second copy logs it on every run.
void MessageLog::PlusPathMissing() { Write(texts_.Text("msg_Warning"), texts_.Text("msg_NOPlus"), false); }

void MessageLog::Error(const std::string& message) { Log("ERROR", message); }

}  // namespace orn
