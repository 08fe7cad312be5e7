#include "Unattended.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "DialogService.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "LanguageFileSettings.h"
#include "ProgramFolders.h"
#include "RunProgress.h"
#include "TextLookups.h"
#include "TextUtil.h"
#include "ZipEngine.h"
#include "ZipEngineBackend.h"
#include "ZipMessages.h"

namespace orn {

std::string DictionaryTexts::Text(const std::string& labelName) const {
  const std::string text = LabelText(labelName);
  return text.empty() ? DefaultText(labelName) : text;
}

// --- the progress line -------------------------------------------------------

namespace {
std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
constexpr std::int64_t kRedrawMs = 200;
}  // namespace

TerminalProgress::TerminalProgress(std::FILE* out, std::function<std::int64_t()> nowMs, UnitWord words)
    : out_(out), nowMs_(nowMs ? std::move(nowMs) : SteadyMs), words_(std::move(words)) {
  if (!words_)
    words_ = [](const char* key, const char* english) {
      const std::string text = LabelText(key);
      return text.empty() ? std::string(english) : text;
    };
}

TerminalProgress::~TerminalProgress() {
  if (active_) RunFinished();
}

void TerminalProgress::RunStarted() {
  active_ = true;
  SetBeforeDiagnostic([this] { Wipe(); });
}

void TerminalProgress::RunFinished() {
  Wipe();
  active_ = false;
  SetBeforeDiagnostic(nullptr);
}

void TerminalProgress::SetTitle(const std::string& title) {
  if (title == "CHECKING")
    title_ = words_("prg_Checking", "CHECKING TABLES");
  else if (title == "WAITING")
    title_ = words_("prg_Waiting", "WAITING");
  else
    return;  // a stage's own title comes with the stage
  files_ = 0;
  bytes_ = -1;
  Draw(true);
}

void TerminalProgress::StageStarted(ProgressStage stage, int files, std::int64_t bytes) {
  title_.clear();
  stage_ = stage;
  files_ = files > 0 ? files : 0;
  filesDone_ = 0;
  bytes_ = bytes;
  bytesDone_ = 0;
  stageStartMs_ = nowMs_();
  Draw(true);
}

void TerminalProgress::ItemStarted(std::int64_t bytesBefore) {
  if (filesDone_ < files_) ++filesDone_;
  bytesDone_ = std::max(bytesDone_, bytesBefore);
  Draw(false);
}

void TerminalProgress::StageSized(int files, std::int64_t bytes) {
  files_ = files > 0 ? files : 0;
  filesDone_ = 0;
  bytes_ = bytes;
  bytesDone_ = 0;
  Draw(true);
}

void TerminalProgress::BytesDone(std::int64_t bytesDone) {
  if (bytes_ < 0 || bytesDone <= bytesDone_) return;
  bytesDone_ = std::min(bytesDone, bytes_);
  Draw(false);
}

void TerminalProgress::StageEnded(ProgressStage stage) {
  filesDone_ = files_;
  if (bytes_ >= 0) bytesDone_ = bytes_;
  // After zipping and after each copy is read back, the run copies.
  if (stage != ProgressStage::Restoring) {
    stage_ = ProgressStage::Copying;
    files_ = 0;
    bytes_ = -1;
  }
  Draw(true);
}

// Worded as the progress window words it, in the reader's language.
std::string TerminalProgress::Line() const {
  std::string line = title_.empty() ? words_(StageKey(stage_), StageEnglish(stage_)) : title_;
  if (files_ <= 0) return line;
  line += "  " + std::to_string(filesDone_) + " / " + std::to_string(files_);
  if (bytes_ >= 0) line += "  (" + SizeText(bytesDone_, words_) + " / " + SizeText(bytes_, words_) + ")";
  const std::int64_t elapsed = nowMs_() - stageStartMs_;
  const std::int64_t left = bytes_ > 0 ? SecondsLeft(bytesDone_, bytes_, elapsed)
                                       : SecondsLeft(filesDone_ > 0 ? filesDone_ - 1 : 0, files_, elapsed);
  if (left >= 0) line += "  " + words_("prg_TimeLeft", "Time left:") + " " + DurationText(left);
  return line;
}

void TerminalProgress::Draw(bool force) {
  if (!active_ || !out_) return;
  const std::int64_t now = nowMs_();
  if (!force && now - lastDrawMs_ < kRedrawMs) return;
  lastDrawMs_ = now;
  // Back to the start of the line, the text, the rest of the old text erased.
  std::fprintf(out_, "\r%s\033[K", Line().c_str());
  std::fflush(out_);
  shown_ = true;
}

void TerminalProgress::Wipe() {
  if (!shown_ || !out_) return;
  std::fputs("\r\033[K", out_);
  std::fflush(out_);
  shown_ = false;
}

// --- the front ---------------------------------------------------------------

TerminalFront::TerminalFront(const MessageTexts& texts, std::FILE* terminal, std::FILE* answers)
    : texts_(texts), terminal_(terminal), answers_(answers), progress_(terminal) {}

std::string TerminalFront::ChooseArchive(const Job& job) {
  const std::string newest = NewestArchive(job);
  if (newest.empty()) Diagnostic("No archive of the job to restore from in \"" + job.archiveDirectory + "\"");
  return newest;
}

bool TerminalFront::ChooseFiles(FileChooserModel&) {
  Diagnostic("UNARHIV: no file named; name the files to restore after the command (UNARHIVALL restores them all)");
  return false;
}

bool TerminalFront::ConfirmOverwrite(const std::vector<std::string>& existing) {
  if (!CanAsk()) return false;
  const std::string question = texts_.Text("msg_Overwrite") + " " + OverwriteWhere(texts_, existing);
  progress_.RunFinished();  // the question needs the line
  std::fprintf(terminal_, "%s [y/N] ", question.c_str());
  std::fflush(terminal_);
  char answer[64] = {};
  const bool read = std::fgets(answer, sizeof answer, answers_) != nullptr;
  if (!read) std::fputc('\n', terminal_);
  progress_.RunStarted();
  const std::string given = UpperAscii(Trim(answer));
  return given == "Y" || given == "YES";
}

// --- the program -------------------------------------------------------------

int RunWithoutWindow(const StartupCommand& startup) {
  const std::string paramsFile = SettingsFilePath("Params.ini", CurrentDir());
  // Params.ini is written when it was missing or incomplete, as the window's
  // closing writes it.
  struct HeldFramework {
    FrameworkOwnership ownership;
    const std::string& paramsFile;
    ~HeldFramework() { ReleaseFramework(ownership, paramsFile); }
  } framework{AcquireFrameworkWithoutWindow(paramsFile, ProgramDataDir() + "RadEzaZuvev.ini"), paramsFile};

  // The zip engine's messages speak the dictionary's language, as in the window.
  SetZipMessageTexts([](int ident) { return SystemText("ZipMsg_" + std::to_string(ident)); });
  // A missing library is reported by the engine; the session reports what
  // could then not be done.
  TZipEngine engine;
  engine.LoadZipLib();
  engine.LoadUnzLib();
  ZipEngineBackend backend(engine);
  JobSession session(startup, /*withWindow=*/false);
  session.SetBackend(&backend);
  try {
    session.ReadStartupJob();
  } catch (const std::exception& e) {
    Diagnostic(e.what());
    return session.ExitStatus();
  }
  if (startup.listArchives) {
    std::fputs(ListingOfArchives(session.CurrentJob(), backend).c_str(), stdout);
    return session.ExitStatus();
  }
  if (!session.CommandPending()) return session.ExitStatus();

  std::this_thread::sleep_for(std::chrono::milliseconds(JobSession::kStartDelayMs));
  const DictionaryTexts texts;
  // A person at a terminal sees the progress and can answer; a scheduler's
  // standard error stays quiet but for the problems and the summary.
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  TerminalFront front(texts, terminal ? stderr : nullptr, terminal && ::isatty(STDIN_FILENO) == 1 ? stdin : nullptr);
  try {
    session.RunPendingCommand(front);
  } catch (const std::exception& e) {
    Diagnostic(e.what());
  }
  return session.ExitStatus();
}

}  // namespace orn
