// The archiver's entry point: idle priority, the application, the main
// window, the message and question windows, and the message loop. Without a
// display it runs on the offscreen platform and never waits for an answer.
#include <QTimer>
#include <cstdlib>

#include "ArchivatorDialogs.h"
#include "ArchivatorWindow.h"
#include "Calculat.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "Soobchen.h"
#include "TopLevelHandler.h"
#include "UnitMessanger.h"

namespace {

bool NoDisplay() {
  auto unset = [](const char* name) {
    const char* value = std::getenv(name);
    return !value || !*value;
  };
  return unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  orn::SetIdlePriority();
  const bool headless = NoDisplay();
  if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  TOrnApplication app(argc, argv);
  orn::SetIdlePriority();
  app.setApplicationName("Ombrelant ZIP archivator");
  app.setApplicationDisplayName("Ombrelant ZIP archivator");
  orn::SetIdlePriority();
  if (!headless) orn::SetDialogs(std::make_unique<ArchivatorDialogService>());
  orn::InstallCalculator();

  // "--grab FILE" saves a picture of the main window once it is shown and ends.
  std::vector<std::string> args;
  QString grabFile;
  const QStringList all = app.arguments();
  for (int i = 1; i < all.size(); ++i) {
    if (all[i] == "--grab" && i + 1 < all.size()) {
      grabFile = all[++i];
      continue;
    }
    args.push_back(all[i].toStdString());
  }

  int status = 0;
  const bool ran = orn::Guarded([&] {
    TArchivatorWindow mainForm(args);
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
    if (mainForm.TerminationRequested()) status = mainForm.ExitStatus();
    SetFrmMessager(nullptr);
    SetFormSoobchen(nullptr);
  });
  return ran ? status : 1;
}
