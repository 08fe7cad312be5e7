#include "frmSimpleZipper.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTemporaryFile>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <map>

#include "DialogService.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "ProcessMessages.h"
#include "TopLevelHandler.h"
#include "UnitProgress.h"
#include "ZipEngine.h"
#include "ZipEngineBackend.h"

namespace {

const char* const kIdle = "..........";

TOrnRadioButton* Radio(const char* name, const QString& caption, QWidget* parent) {
  auto* radio = new TOrnRadioButton(parent);
  radio->setObjectName(name);
  radio->SetCaption(caption);
  radio->setMinimumHeight(21);
  return radio;
}

QGroupBox* Group(const char* name, const QString& caption, TOrnRadioButton** first, TOrnRadioButton** second,
                 const char* firstName, const QString& firstCaption, const char* secondName,
                 const QString& secondCaption, QWidget* parent) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(name);
  *first = Radio(firstName, firstCaption, group);
  *second = Radio(secondName, secondCaption, group);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(*first);
  layout->addWidget(*second);
  (*first)->SetChecked(true);
  return group;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A message of the window: the caption of a hidden label, translated like
// any other caption.
TOrnLabel* HiddenLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new TOrnLabel(parent);
  label->setObjectName(name);
  label->SetCaption(text);
  label->hide();
  return label;
}

// The file names that more than one of `entries` would write, in order.
std::vector<std::string> SameFileNames(const std::vector<std::string>& entries) {
  std::map<std::string, int> seen;
  std::vector<std::string> same;
  for (const std::string& entry : entries) {
    const std::size_t cut = entry.find_last_of("/\\");
    const std::string name = cut == std::string::npos ? entry : entry.substr(cut + 1);
    if (++seen[name] == 2) same.push_back(name);
  }
  return same;
}

}  // namespace

// ---- TFormBefPars ---------------------------------------------------------

TFormBefPars::TFormBefPars(QWidget* parent) : TOrnForm(parent) {
  setObjectName("FormBefPars");
  setWindowTitle("Izveleties");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  QGroupBox* which = Group("OrnGrpKoIst", "Failu izvele", &ornLabVisif_, &ornLabIzvelF_, "OrnLabVisif", "Visus failus",
                           "OrnLabIzvelF", "Izveletos failus (faili bus jaiezime saraksta)", this);
  QGroupBox* how =
      Group("OrnGrpKaatodar", "Izvilksanas parametri", &ornRadioUzToDir_, &ornRadioPaDirKakNado_, "OrnRadioUzToDir",
            "Iesviest failus direktorija", "OrnRadioPaDirKakNado", "Veikt sadali pa direktorijam", this);
  ornButtOK_ = new TOrnButton(this);
  ornButtOK_->setObjectName("OrnButtOK");
  ornButtOK_->SetKind(OrnTypes::bkOK);
  ornButtOK_->SetCaption("OK");
  ornButtOK_->setDefault(true);
  connect(ornButtOK_, &QPushButton::clicked, this, &TFormBefPars::OrnButtOKClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ornButtOK_);
  buttons->addStretch();
  auto* root = new QVBoxLayout(this);
  root->addWidget(which);
  root->addWidget(how);
  root->addLayout(buttons);

  FormCreate();
}

void TFormBefPars::FormCreate() {
  TOrnForm::FormCreate();
  GradientCaption()->SetActive(false);
  adjustSize();
  setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

bool TFormBefPars::AllFiles() const { return ornLabVisif_->Checked(); }
bool TFormBefPars::WithFolders() const { return ornRadioPaDirKakNado_->Checked(); }

// ---- TfrmSimplyZIP --------------------------------------------------------

TfrmSimplyZIP::TfrmSimplyZIP(QWidget* parent) : TOrnForm(parent), zipper_(std::make_unique<TZipEngine>()) {
  setObjectName("frmSimplyZIP");
  setWindowTitle("Unzip files");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  // The component's stored settings; its add settings are never used.
  orn::ApplyArchiverSettings(*zipper_);
  zipper_->SetExtrBaseDir(orn::PathRoot(orn::CurrentDir()));
  zipper_->OnProgress = [this](TZipEngine&, ProgressType, const std::string& fileName, std::int64_t) {
    ZipperProgress(fileName);
  };
  zipper_->OnMessage = [this](TZipEngine& zip, int, const std::string& text) {
    engineReported_ = true;
    if (zip.ExtractRunning()) extractReports_.push_back(text);
  };

  speedButton3_ = new TOrnBitBtn(this);
  speedButton3_->setObjectName("SpeedButton3");
  speedButton3_->SetGlyph(style()->standardPixmap(QStyle::SP_DialogSaveButton));
  speedButton3_->SetCaption(QString());
  speedButton3_->setFixedSize(40, 32);
  speedButton3_->setEnabled(false);
  connect(speedButton3_, &QPushButton::clicked, this, [this] { orn::Guarded([this] { SpeedButton3Click(); }); });

  ornLabNotShow_ = HiddenLabel("OrnLabNotShow", "Iezimejiet failus kurus vajag izvilkt", this);

  box_ = new QListWidget(this);
  box_->setObjectName("Box");
  box_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  box_->setSortingEnabled(true);
  box_->setMinimumSize(280, 300);

  directoryModel_ = new QFileSystemModel(this);
  directoryModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  directoryModel_->setRootPath(QDir::rootPath());
  directoryListBox1_ = new QTreeView(this);
  directoryListBox1_->setObjectName("DirectoryListBox1");
  directoryListBox1_->setModel(directoryModel_);
  for (int c = 1; c < directoryModel_->columnCount(); ++c) directoryListBox1_->hideColumn(c);
  directoryListBox1_->header()->hide();
  directoryListBox1_->setMinimumSize(240, 270);
  // The folders load in the background; the chosen one is shown once its
  // neighbours are there.
  connect(directoryModel_, &QFileSystemModel::directoryLoaded, this,
          [this] { QTimer::singleShot(0, this, [this] { ShowTargetDirectory(); }); });
  connect(directoryListBox1_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            if (!index.isValid()) return;
            targetDir_ = directoryModel_->filePath(index).toStdString();
            UpdateExtractButton();
          });

  ornButChooseDirec_ = new TOrnButton(this);
  ornButChooseDirec_->setObjectName("OrnButChooseDirec");
  ornButChooseDirec_->SetCaption("Izveleties direktoriju");
  connect(ornButChooseDirec_, &QPushButton::clicked, this, [this] { orn::Guarded([this] { SpeedButton2Click(); }); });

  statProg_ = new QStatusBar(this);
  statProg_->setObjectName("StatProg");
  statProg_->setSizeGripEnabled(false);
  statText_ = new QLabel(kIdle);
  statText_->setObjectName("StatProgText");
  statProg_->addWidget(statText_, 1);

  // Messages of the window, translated like any caption.
  msgExtract_ = HiddenLabel("msg_ExtractFiles", "Izvilkt failus", this);
  speedButton3_->setToolTip(msgExtract_->text());
  speedButton3_->setAccessibleName(msgExtract_->text());
  msgNotZip_ = HiddenLabel("msg_NotZipArchive", "Fails nav ZIP arhīvs", this);
  msgNoFile_ = HiddenLabel("msg_FileNotFound", "Fails nav atrasts", this);
  msgNoFolder_ = HiddenLabel("msg_NoTargetFolder", "Direktorija nav atrasta", this);
  msgNotWritable_ = HiddenLabel("msg_FolderNotWritable", "Direktorijā nevar ierakstīt failus", this);
  msgSameNames_ =
      HiddenLabel("msg_SameFileNames", "Vairākiem failiem ir viens vārds; direktorijā palika tikai pēdējais", this);
  msgNotAll_ = HiddenLabel("msg_NotAllExtracted", "Ne visi faili tika izvilkti", this);
  msgFinish_ = HiddenLabel("msg_Finish", "Finish", this);
  dlgOpen_ = HiddenLabel("dlg_OpenZip", "Open", this);
  dlgDirectory_ = HiddenLabel("dlg_Directory", "Directory", this);

  // The two lists are named by their headings, for the eye and for a
  // screen reader alike.
  auto* filesHeading = new TOrnLabel(this);
  filesHeading->setObjectName("LblZipFiles");
  filesHeading->SetCaption("Arhīva faili:");
  filesHeading->setBuddy(box_);
  auto* targetHeading = new TOrnLabel(this);
  targetHeading->setObjectName("LblZipTarget");
  targetHeading->SetCaption("Izvilkt direktorijā:");
  targetHeading->setBuddy(directoryListBox1_);

  auto* top = new QHBoxLayout;
  top->addWidget(speedButton3_);
  top->addWidget(ornLabNotShow_, 1);
  auto* left = new QVBoxLayout;
  left->addWidget(filesHeading);
  left->addWidget(box_, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(targetHeading);
  right->addWidget(directoryListBox1_, 1);
  right->addWidget(ornButChooseDirec_);
  auto* middle = new QHBoxLayout;
  middle->addLayout(left, 1);
  middle->addLayout(right);
  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addLayout(middle, 1);
  root->addWidget(statProg_);

  FormCreate();
}

TfrmSimplyZIP::~TfrmSimplyZIP() = default;

void TfrmSimplyZIP::ChangeLanguage() {
  TOrnForm::ChangeLanguage();
  // SpeedButton3 shares its name with the main window's "add files" button,
  // whose caption and hint are not this button's: it shows a picture only
  // and is named by its own message label.
  speedButton3_->SetCaption(QString());
  speedButton3_->setToolTip(msgExtract_->text());
  speedButton3_->setAccessibleName(msgExtract_->text());
}

void TfrmSimplyZIP::FormCreate() {
  TOrnForm::FormCreate();
  GradientCaption()->SetActive(false);
  // Names written by DOS programs are read in the OEM code page of the
  // interface language (Baltic or Cyrillic).
  zipper_->SetNamesCharset(orn::Framework().values.labelCharset);
  extractAll_ = false;
  flat_ = true;
  adjustSize();
}

bool TfrmSimplyZIP::Execute() {
  orn::FileDialogRequest request;
  request.caption = dlgOpen_->text().toStdString();
  request.filter = "ZIP files|*.zip";
  request.defaultExt = "zip";
  const std::optional<std::string> chosen = orn::Dialogs().OpenFile(request);
  if (!chosen) {
    close();
    return false;
  }
  OpenArchive(*chosen);
  {
    TFormBefPars choice(this);
    // This window is not shown yet: the choice opens where it will appear,
    // over the window that opened it.
    orn::CentreOn(&choice, parentWidget() ? parentWidget() : this);
    choice.exec();
    SetChoices(choice.AllFiles(), !choice.WithFolders());
  }
  exec();
  return true;
}

void TfrmSimplyZIP::OpenArchive(const std::string& path) {
  box_->clear();
  engineReported_ = false;
  zipper_->SetZipFileName(path);
  for (const ZipDirEntry& entry : zipper_->DirEntries()) box_->addItem(Q(entry.Name));
  // The engine reports a damaged archive itself; a file that it could not
  // read without saying why is reported here, so that nobody waits for a
  // list that never comes.
  if (!engineReported_ && !orn::FileExists(path))
    orn::Dialogs().MessageDialog(msgNoFile_->text().toStdString() + ":\n" + path, "", orn::DialogType::Warning,
                                 orn::kBtnOK);
  else if (!engineReported_ && zipper_->ZipFileName().empty())
    orn::Dialogs().MessageDialog(msgNotZip_->text().toStdString() + ":\n" + path, "", orn::DialogType::Warning,
                                 orn::kBtnOK);
  UpdateExtractButton();
}

void TfrmSimplyZIP::SetChoices(bool allFiles, bool flat) {
  extractAll_ = allFiles;
  flat_ = flat;
  ornLabNotShow_->setVisible(!extractAll_);
}

void TfrmSimplyZIP::SetTargetDirectory(const std::string& directory) {
  targetDir_ = directory;
  ShowTargetDirectory();
  UpdateExtractButton();
}

void TfrmSimplyZIP::ShowTargetDirectory() {
  if (targetDir_.empty()) return;
  const QModelIndex index = directoryModel_->index(Q(targetDir_));
  if (!index.isValid()) return;
  for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
    directoryListBox1_->expand(parent);
  directoryListBox1_->setCurrentIndex(index);
  directoryListBox1_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TfrmSimplyZIP::SpeedButton2Click() {
  const std::string start = targetDir_.empty() ? QDir::homePath().toStdString() : targetDir_;
  const std::optional<std::string> chosen = orn::Dialogs().ChooseDirectory(dlgDirectory_->text().toStdString(), start);
  if (chosen) SetTargetDirectory(*chosen);
  UpdateExtractButton();
}

void TfrmSimplyZIP::UpdateExtractButton() {
  speedButton3_->setEnabled(box_->count() > 0 && !targetDir_.empty() && !zipper_->ExtractRunning());
}

void TfrmSimplyZIP::SpeedButton3Click() {
  lastRequested_ = 0;
  lastExtracted_ = 0;
  // A folder removed since it was chosen, or one that takes no files: the
  // library would fail on every file without saying why.
  TOrnLabel* problem = nullptr;
  if (!orn::DirectoryExists(targetDir_)) {
    problem = msgNoFolder_;
  } else {
    QTemporaryFile probe(Q(orn::IncludeTrailingDelimiter(targetDir_)) + "ornXXXXXX.tmp");
    if (!probe.open()) problem = msgNotWritable_;
  }
  if (problem) {
    orn::Dialogs().MessageDialog(problem->text().toStdString() + ":\n" + targetDir_, "", orn::DialogType::Warning,
                                 orn::kBtnOK);
    return;
  }
  const std::string target = orn::IncludeTrailingDelimiter(targetDir_);
  zipper_->FSpecArgs.clear();
  zipper_->SetExtrBaseDir(target);
  for (int i = 0; i < box_->count(); ++i)
    if (extractAll_ || box_->item(i)->isSelected()) zipper_->FSpecArgs.push_back(box_->item(i)->text().toStdString());
  ExtrOpts options{ExtrDirNames, ExtrOverWrite};
  if (flat_) options.Exclude(ExtrDirNames);
  zipper_->SetExtrOptions(options);

  lastRequested_ = static_cast<int>(zipper_->FSpecArgs.size());
  lastExtracted_ = 0;
  extractReports_.clear();
  const std::vector<std::string> clashes = flat_ ? SameFileNames(zipper_->FSpecArgs) : std::vector<std::string>();
  if (lastRequested_ > 0) {
    speedButton3_->setEnabled(false);
    // The status bar follows the files while the library works.
    orn::SetProcessMessagesHook([] { orn::LetWindowsRun(); });
    struct Idle {
      TfrmSimplyZIP* window;
      ~Idle() {
        orn::SetProcessMessagesHook(nullptr);
        window->statText_->setText(kIdle);
        window->UpdateExtractButton();
      }
    } idle{this};
    zipper_->Extract();
    lastExtracted_ = zipper_->SuccessCount();
  }
  // "Finish" alone only when every file asked for is there; what went wrong
  // was reported by the engine as it happened.
  std::string text = msgFinish_->text().toStdString();
  const bool incomplete = lastExtracted_ < lastRequested_;
  if (incomplete) {
    text += "\n" + msgNotAll_->text().toStdString() + " (" + std::to_string(lastExtracted_) + " / " +
            std::to_string(lastRequested_) + ")";
    // Why, as the library said it; the first few are enough to act on.
    constexpr std::size_t kShown = 5;
    for (std::size_t i = 0; i < extractReports_.size() && i < kShown; ++i) text += "\n" + extractReports_[i];
    if (extractReports_.size() > kShown) text += "\n...";
  }
  // Flat into one folder, files of the same name replace each other: only
  // the last of each is there, and the person has to know it.
  if (!clashes.empty()) {
    text += "\n" + msgSameNames_->text().toStdString() + ":";
    for (const std::string& name : clashes) text += "\n" + name;
  }
  orn::Dialogs().MessageDialog(
      text, "", incomplete || !clashes.empty() ? orn::DialogType::Warning : orn::DialogType::Information, orn::kBtnOK);
}

// The window stays while the library writes into the chosen folder.
void TfrmSimplyZIP::reject() {
  if (!zipper_->ExtractRunning()) TOrnForm::reject();
}

void TfrmSimplyZIP::closeEvent(QCloseEvent* event) {
  if (zipper_->ExtractRunning()) return event->ignore();
  TOrnForm::closeEvent(event);
}

void TfrmSimplyZIP::ZipperProgress(const std::string& fileName) { statText_->setText(Q(fileName)); }

namespace orn {

void UnzipFromWindow(QWidget* parent) {
  TfrmSimplyZIP window(parent);
  window.Execute();
}

}  // namespace orn
