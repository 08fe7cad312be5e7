// TMainForm, the archiver's main window: a view over the job session
// (JobSession), which holds the job, the command line's pending command and
// the status the program ends with. The window shows the job in its fields,
// keeps it in its job file as the user edits it, and derives the state of
// every control from the job in one place, the window refresh
// (RefreshWindow). Timer1 gives the command line's command its start delay
// and hands it to the session.
//
// The components and their layout live in MainLayout.cpp; the signal
// wiring, the job commands, the field rules, the outcome of a run, help and
// the event filter in MainCommands.cpp; the refresh and what the job may do
// now in MainRefresh.cpp; start-up, the language chooser, the command line's
// command, the timer, the keys and closing in MainUnit.cpp; the file list's
// editing, recent jobs, the busy window, the user guide's path and the texts
// outside components in MainEditing.cpp. The program's own commands (archive, extract, add files,
// mark) are TArchivatorWindow's, in ArchivatorWindow.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Job.h"
#include "JobCommands.h"
#include "JobSession.h"
#include "OrnForma.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QTimer;
class QToolButton;

class TMainForm : public TOrnForm {
  Q_OBJECT

 private:
  std::unique_ptr<orn::JobSession> ownSession_;  // for a window over a session of its own

 public:
  // The program's window over its session.
  explicit TMainForm(orn::JobSession& session, QWidget* parent = nullptr);
  // A window over a session of its own, for these command-line parameters
  // (without the program name); for tests and pictures.
  explicit TMainForm(const std::vector<std::string>& args, QWidget* parent = nullptr);
  ~TMainForm() override;

  void FormCreate() override;

  // The window refresh: re-derives every control from the job.
  void RefreshWindow();
  // What the job may do now, from the job and the files it has on disk.
  orn::JobCommands AllowedCommands() const;

  // Removes the chosen rows of the file list with their companion files.
  void RemoveChosenRows();
  // Adds dropped files and folders to the job list as "Add files" does.
  void AddDroppedFiles(const std::vector<std::string>& paths);

  // The user guide in the chosen language (else English); empty when none
  // is shipped beside the program.
  static std::string UserGuidePath();

  // Job commands (speed buttons and the "File" menu).
  void SBNewClick();
  void SBOpenClick();
  void SBSaveClick();
  void SpeedButton4Click();

  // Runs the pending command (Timer1, 3000 ms after start-up).
  void Timer1Timer();
  QTimer* Timer() const { return timer1_; }

  const orn::Job& CurrentJob() const { return job_; }
  orn::Job& CurrentJob() { return job_; }
  orn::JobSession& Session() { return session_; }
  const orn::JobSession& Session() const { return session_; }

  // The zip engine's volume options as the refresh sets them.
  struct ZipOptions {
    bool addVolume = false;
    bool addDiskSpan = false;
    std::int64_t maxVolumeSize = 0;  // bytes
  };
  const ZipOptions& ZipOptionsForRun() const { return zipOptions_; }

 protected:
  // The archive run (SpeedButton10) and the extractions (SpeedButton9: chosen
  // files, SpeedButton8: a whole archive). Return the status a command on
  // the command line ends with (CommandLine.h).
  virtual int RunArchive();
  virtual int ExtractChosen();
  virtual int ExtractWhole();
  // The register marking window (SpeedButton5), adding files to the job list
  // (SpeedButton3), the unzip window (SpeedButton77), help, About.
  virtual void MarkRegister();
  virtual void AddFiles();
  virtual void SpeedButton77Action();
  virtual void OpenUserGuide();
  virtual void AboutAction();
  // Ends the application after an unattended command.
  virtual void TerminateApplication(int status);
  // After every archive run and restore: the status bar's summary panel
  // shows `shown` (the summary in the window's language) until the next
  // one. A failure also opens the message window with the summary, what
  // failed, on which file and why (the first `problems` the log has), and
  // where the log is, with a button that opens it; so a failure started
  // from the window is never silent. Not when "DOSHOWMESSAGES" has shown
  // every problem already, nor for a command the program ends after
  // ("AUTO", or no display), which ends without waiting. A command from the
  // command line prints the English `summary` as its last line on standard
  // error.
  void ReportOutcome(const std::string& summary, const std::string& shown, bool failed, bool nothingMade,
                     const std::string& logFile, const std::vector<std::string>& problems = {});
  // Opens the log in the desktop's viewer for text files.
  virtual void OpenLogFile(const std::string& logFile);

  // After the form base has translated the window: names for screen
  // readers, the texts kept outside the components, the window's size.
  void ChangeLanguage() override;

  // Runs a command that works on the job while the progress window lets
  // events run: the window's controls stay disabled until it returns, and
  // the focus goes back where it was (not to the first enabled button).
  bool RunWhileBusy(const std::function<bool()>& action);

  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  orn::JobSession& session_;
  orn::Job& job_;  // the session's
  // Pending grid row to reselect at the next refresh (set by deletions).
  int pendingRow_ = 0;

 private:
  TMainForm(orn::JobSession* session, std::unique_ptr<orn::JobSession> own, QWidget* parent);

  // MainLayout.cpp
  void BuildWindow();
  void BuildMenus(QMenuBar* bar);
  QToolButton* SpeedButton(const char* name, const QString& text, int icon, const QString& hint);

  // MainCommands.cpp
  void ConnectSignals();
  // The save question with Yes, No and Cancel; Escape and the close box
  // answer Cancel. Yes writes the job file, or with `chooseFile` the file
  // the save dialog names. Returns false when the user cancelled or the job
  // was not written: the caller then keeps the window and the job as they are.
  bool SaveChangesOrCancel(bool chooseFile = false);
  void MarkEdited();
  void OpenRecentJob(const std::string& path);
  // The job file's reader and writer; a failure names the file and what
  // went wrong under a headline in the chosen language.
  void WriteJob(const std::string& path);
  orn::Job ReadJob(const std::string& path) const;
  void Edit1Changed(const QString& text);
  void Edit1Exit();
  void Edit3Apply();
  void ChooseDirectory(bool plusPath);
  // SpeedButton6: the folder chooser, or a menu of it and the rclone remotes.
  void ChoosePlusPath();
  void ChooseRegister();
  void SchemeClicked(QRadioButton* button);
  void FlopMenuChoice(int index);
  void LanguageChosen(int index);
  void NotAvailableYet(const char* what);
  // The file list's context menu, from the keyboard (Shift+F10, Menu).
  void OpenListMenu();

  // MainEditing.cpp
  QString WindowText(const char* key, const char* fallback) const;
  void UpdateAccessibleNames();
  void FitToTexts();
  void RememberRecentJob(const std::string& path);
  void FillRecentMenu();

  // MainUnit.cpp
  void ReadCommandLine();
  void FillLanguageChooser();

  bool refreshing_ = false;
  ZipOptions zipOptions_;
  QTimer* timer1_ = nullptr;

  // Controls, named as the window's components.
  QLabel* panel6_ = nullptr;
  QLabel* rx_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* box_ = nullptr;
  QLabel* lblSummary_ = nullptr;  // the last outcome, in a panel of its own
  QLabel* labSav_ = nullptr;
  QLabel* ornLabel8_ = nullptr;
  QLineEdit *edit1_ = nullptr, *edit2_ = nullptr, *edit3_ = nullptr, *edit4_ = nullptr, *edit5_ = nullptr,
            *edit6_ = nullptr;
  QToolButton *sbNew_ = nullptr, *sbOpen_ = nullptr, *sbSave_ = nullptr;
  QToolButton* speedButton_[11] = {};  // SpeedButton1 .. SpeedButton10
  QToolButton *speedButton77_ = nullptr, *speedButton732_ = nullptr;
  QStackedWidget* pageControl1_ = nullptr;
  QToolButton *panel9_ = nullptr, *panel8_ = nullptr;
  QRadioButton* rotation_[4] = {};  // nsv edw edm edy
  QRadioButton* unique_[4] = {};    // nus WEK MON YEA
  QCheckBox *checkBox1_ = nullptr, *checkBox2_ = nullptr;
  QGroupBox* volumeGroup_ = nullptr;
  QMenu* flopMenu_ = nullptr;
  QTableWidget* list_ = nullptr;
  QComboBox* cbLabelLang_ = nullptr;
  QMenu *fileListMenu_ = nullptr, *archiveMenu_ = nullptr;
  QAction *new1_ = nullptr, *open1_ = nullptr, *save1_ = nullptr, *saveAs1_ = nullptr, *exit1_ = nullptr;
  QAction *addToFileList1_ = nullptr, *refreshDB1_ = nullptr;
  QAction *add1_ = nullptr, *extract1_ = nullptr, *extractAll1_ = nullptr, *unzip1_ = nullptr;
  QAction *help2_ = nullptr, *about2_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QAction* removeRows_ = nullptr;
};
