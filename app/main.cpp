// The archiver's entry point: idle priority, the application, the main
// window, the message and question windows, and the message loop. Without a
// display it runs on the offscreen platform and never waits for an answer.
// "--help", "--version" and "--check-tables" answer before any window
// exists; a command line that cannot run ends with status 3 and creates
// nothing.
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "ArchivatorDialogs.h"
#include "ArchivatorWindow.h"
#include "Calculat.h"
#include "CheckTables.h"
#include "CommandLine.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "Soobchen.h"
#include "TopLevelHandler.h"
#include "UnitMessanger.h"

namespace {

const char* const kProgramName = "archivator";

bool Unset(const char* name) {
  const char* value = std::getenv(name);
  return !value || !*value;
}

// Nobody can answer a window: a platform that shows nothing, also when the
// caller chose it, or no display for the desktop platforms (a scheduler's
// environment may name "xcb" without a display; Qt would abort, and the
// scheduler would get no status it can read).
bool NoDisplay() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string name = platform ? platform : "";
  if (name == "offscreen" || name == "minimal") return true;
  const bool desktop = name.empty() || name.rfind("xcb", 0) == 0 || name.rfind("wayland", 0) == 0;
  return desktop && Unset("DISPLAY") && Unset("WAYLAND_DISPLAY");
}

// An unattended run prints one summary line for the scheduler's mail; Qt's
// start-up notes ("XDG_RUNTIME_DIR not set", "This plugin does not support
// ...") are not for it. Critical and fatal messages still pass.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// The table checks alone: a line per table on standard output, why they
// could not run on standard error.
int CheckTables(const std::string& jobFile) {
  std::ostringstream why;
  const int status = orn::CheckTablesCommand(jobFile, std::cout, why);
  if (!why.str().empty()) std::fprintf(stderr, "%s: %s", kProgramName, why.str().c_str());
  return status;
}

std::vector<std::string> Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts: no display needed, nothing created.
  const orn::StartupCommand early = orn::ParseCommandLine(Arguments(argc, argv), [](const std::string&) {
    return true;  // existence is checked once Qt has taken its own options
  });
  if (early.help) {
    std::fputs(orn::UsageText(kProgramName).c_str(), stdout);
    return 0;
  }
  if (early.version) {
    std::fputs(orn::VersionText(kProgramName).c_str(), stdout);
    return 0;
  }
  if (!early.checkTables.empty() && early.error.empty()) return CheckTables(early.checkTables);

  orn::SetIdlePriority();
  const bool headless = NoDisplay();
  if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (headless || early.exitAfterCommand) qInstallMessageHandler(QuietQtMessages);
  TOrnApplication app(argc, argv);
  orn::SetIdlePriority();
  app.setApplicationName("Ombrelant ZIP archivator");
  app.setApplicationDisplayName("Ombrelant ZIP archivator");
  orn::SetIdlePriority();
  orn::InstallCalculator();

  // Qt has taken its own options ("-platform", ...); what is left is ours.
  std::vector<std::string> args;
  const QStringList all = app.arguments();
  for (int i = 1; i < all.size(); ++i) args.push_back(all[i].toStdString());
  const orn::StartupCommand startup = orn::ParseCommandLine(args);
  if (!startup.error.empty()) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, startup.error.c_str());
    if (startup.usage) std::fputs(orn::UsageText(kProgramName).c_str(), stderr);
    return orn::kCommandNotRun;
  }
  if (!startup.checkTables.empty()) return CheckTables(startup.checkTables);
  if (!headless) orn::SetDialogs(std::make_unique<ArchivatorDialogService>());
  UseDictionaryForZipMessages();
  const QString grabFile = QString::fromStdString(startup.grabFile);

  int status = 0;
  const bool ran = orn::Guarded([&] {
    TArchivatorWindow mainForm(args);
    TFormSoobchen formSoobchen;
    SetFormSoobchen(&formSoobchen);
    orn::SetIdlePriority();
    TfrmMessager frmMessager;
    SetFrmMessager(&frmMessager);
    orn::SetIdlePriority();
    if (headless) mainForm.NobodyAtTheScreen();
    mainForm.show();
    if (!grabFile.isEmpty()) {
      QTimer::singleShot(500, &mainForm, [&] {
        if (!mainForm.grab().save(grabFile)) orn::Diagnostic("Cannot save " + grabFile.toStdString());
        QCoreApplication::exit(0);
      });
    }
    status = app.exec();
    if (mainForm.TerminationRequested()) status = mainForm.ExitStatus();
    SetFrmMessager(nullptr);
    SetFormSoobchen(nullptr);
  });
  return ran ? status : orn::kCommandNotRun;
}
