// The archiver's entry point. The command line is read once, here, and
// handed to the job session. Without a display (or with "--no-window") the
// session runs the command with no window, no Qt application and no platform
// plugin, so that nothing of the window system can fail a scheduled backup.
// With a display: idle priority, the application, the main window over the
// session, the message and question windows, and the message loop.
// "--help", "--version" and "--check-tables" answer before anything else;
// a command line that cannot run ends with status 3 and creates nothing.
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
#include "DesktopTrash.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "JobSession.h"
#include "Soobchen.h"
#include "TopLevelHandler.h"
#include "Unattended.h"
#include "UnitMessanger.h"
#include "ZipEngine.h"
#include "ZipEngineBackend.h"

namespace {

const char* const kProgramName = "archivator";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A run the program ends after prints one summary line for the scheduler's
// mail; Qt's start-up notes ("XDG_RUNTIME_DIR not set", ...) are not for it.
// Critical and fatal messages still pass.
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

int RunWithWindow(const orn::StartupCommand& startup, char* programPath) {
  // A picture of the window ("--grab") is taken without a display too.
  const std::string platform = Environment("QT_QPA_PLATFORM");
  if (Environment("DISPLAY").empty() && Environment("WAYLAND_DISPLAY").empty() &&
      (platform.empty() || platform.rfind("xcb", 0) == 0 || platform.rfind("wayland", 0) == 0))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (startup.exitAfterCommand) qInstallMessageHandler(QuietQtMessages);
  // The command line is ours alone: Qt gets only the program's name.
  static int qtArgc = 1;
  static char* qtArgv[] = {programPath, nullptr};
  TOrnApplication app(qtArgc, qtArgv);
  orn::SetIdlePriority();
  app.setApplicationName("Ombrelant ZIP archivator");
  app.setApplicationDisplayName("Ombrelant ZIP archivator");
  orn::SetIdlePriority();
  orn::InstallCalculator();
  orn::SetDialogs(std::make_unique<ArchivatorDialogService>());
  UseDictionaryForZipMessages();
  TZipEngine engine;
  // A missing library is reported by the engine; start-up goes on.
  engine.LoadZipLib();
  engine.LoadUnzLib();
  orn::ZipEngineBackend backend(engine);
  orn::JobSession session(startup, /*withWindow=*/true);
  session.SetBackend(&backend);
  const QString grabFile = QString::fromStdString(startup.grabFile);

  int status = 0;
  const bool ran = orn::Guarded([&] {
    TArchivatorWindow mainForm(session);
    TFormSoobchen formSoobchen;
    SetFormSoobchen(&formSoobchen);
    orn::SetIdlePriority();
    TfrmMessager frmMessager;
    SetFrmMessager(&frmMessager);
    orn::SetIdlePriority();
    mainForm.show();
    if (!grabFile.isEmpty()) {
      QTimer::singleShot(500, &mainForm, [&] {
        if (!mainForm.grab().save(grabFile)) orn::Diagnostic("Cannot save " + grabFile.toStdString());
        QCoreApplication::exit(0);
      });
    }
    status = app.exec();
    if (session.EndRequested()) status = session.ExitStatus();
    SetFrmMessager(nullptr);
    SetFormSoobchen(nullptr);
  });
  return ran ? status : orn::kCommandNotRun;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const orn::StartupCommand startup = orn::ParseCommandLine(args);
  orn::UseDesktopTrash();
  if (startup.help) {
    std::fputs(orn::UsageText(kProgramName).c_str(), stdout);
    return 0;
  }
  if (startup.version) {
    std::fputs(orn::VersionText(kProgramName).c_str(), stdout);
    return 0;
  }
  if (!startup.error.empty()) {
    // Nothing is created or run for a command line that cannot run.
    std::fprintf(stderr, "%s: %s\n", kProgramName, startup.error.c_str());
    if (startup.usage) std::fputs(orn::UsageText(kProgramName).c_str(), stderr);
    return orn::kCommandNotRun;
  }
  if (!startup.checkTables.empty()) return CheckTables(startup.checkTables);
  orn::SetIdlePriority();
  if (orn::RunsWithoutWindow(startup, Environment)) return orn::RunWithoutWindow(startup);
  return RunWithWindow(startup, argv[0]);
}
