#include "frmSimpleZipper.h"

#include <QCloseEvent>
#include <QComboBox>
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

#include "CodePage.h"
#include "DialogService.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "TopLevelHandler.h"
#include "UnitProgress.h"
#include "UnzipSession.h"
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

// The pages a person may choose for an archive's names: the OEM and ANSI
// pages of the program's languages and their neighbours, KOI8-R and UTF-8.
constexpr int kCodePages[] = {437, 850, 775, 852, 866, 1250, 1251, 1252, 1257, 20866, 65001};

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
  // Two choices and OK: Enter answers with what is chosen, as a desktop
  // dialog does, instead of walking the radio buttons.
  SetEnterToTab(false);
  adjustSize();
  setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
}

bool TFormBefPars::AllFiles() const { return ornLabVisif_->Checked(); }
bool TFormBefPars::WithFolders() const { return ornRadioPaDirKakNado_->Checked(); }

// ---- TfrmSimplyZIP --------------------------------------------------------

TfrmSimplyZIP::TfrmSimplyZIP(QWidget* parent)
    : TOrnForm(parent),
      zipper_(std::make_unique<TZipEngine>()),
      // The component's stored settings (the back-end applies them); its
      // add settings are never used.
      backend_(std::make_unique<orn::ZipEngineBackend>(*zipper_)),
      session_(std::make_unique<orn::UnzipSession>(*backend_)) {
  setObjectName("frmSimplyZIP");
  setWindowTitle("Unzip files");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  zipper_->SetExtrBaseDir(orn::PathRoot(orn::CurrentDir()));
  session_->onProgress = [this](const std::string& fileName) { ZipperProgress(fileName); };
  session_->letWindowsRun = [] { orn::LetWindowsRun(); };

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

  codePageLabel_ = new TOrnLabel(this);
  codePageLabel_->setObjectName("OrnLabCodePage");
  codePageLabel_->SetCaption(QString::fromUtf8("Kodu tabula:"));
  codePage_ = new QComboBox(this);
  codePage_->setObjectName("CodePage");
  codePage_->setAccessibleName(QString::fromUtf8("Kodu tabula"));
  codePageLabel_->setBuddy(codePage_);
  connect(codePage_, &QComboBox::activated, this, [this] {
    if (!session_->Archive().empty()) orn::Guarded([this] { OpenArchive(session_->Archive(), ChosenCodePage()); });
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
  msgReplace_ = HiddenLabel("msg_ReplaceFile", "Fails jau ir direktorijā. Aizstāt to?", this);
  msgKeptExisting_ = HiddenLabel("msg_KeptExisting", "Esošie faili palika, kā bija", this);
  msgAutomatic_ = HiddenLabel("msg_CodePageAuto", "Automātiski", this);

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
  auto* codePageRow = new QHBoxLayout;
  codePageRow->addWidget(codePageLabel_);
  codePageRow->addWidget(codePage_, 1);
  left->addLayout(codePageRow);
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
  // interface language (Baltic or Cyrillic), unless they show another or one
  // is chosen.
  zipper_->SetNamesCharset(orn::Framework().values.labelCharset);
  FillCodePages();
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

void TfrmSimplyZIP::OpenArchive(const std::string& path, int codePage) {
  box_->clear();
  session_->Open(path, codePage);
  const orn::ArchiveListing& listing = session_->Listing();
  // Filled whole, then sorted once: a sorted insertion per entry takes
  // several times as long with 100,000 entries.
  box_->setSortingEnabled(false);
  for (std::size_t i = 0; i < listing.entries.size(); ++i) {
    const orn::ListedEntry& entry = listing.entries[i];
    if (entry.folder) continue;
    auto* item = new QListWidgetItem(Q(entry.name));
    item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(i));
    if (!entry.unsafe.empty()) item->setToolTip(Q(entry.unsafe));
    box_->addItem(item);
  }
  box_->setSortingEnabled(true);
  box_->sortItems();
  FillCodePages();
  // The engine reports a damaged archive itself; a file that it could not
  // read without saying why is reported here, so that nobody waits for a
  // list that never comes.
  if (!orn::FileExists(path))
    orn::Dialogs().MessageDialog(msgNoFile_->text().toStdString() + ":\n" + path, "", orn::DialogType::Warning,
                                 orn::kBtnOK);
  else if (!listing.readable && listing.problem.empty())
    orn::Dialogs().MessageDialog(msgNotZip_->text().toStdString() + ":\n" + path, "", orn::DialogType::Warning,
                                 orn::kBtnOK);
  UpdateExtractButton();
}

// "Automatic (CP866)": the page the names were read in shows beside the
// automatic choice; the pages to choose follow.
void TfrmSimplyZIP::FillCodePages() {
  const orn::ArchiveListing& listing = session_->Listing();
  const int chosen = listing.chosenCodePage;
  QSignalBlocker quiet(codePage_);
  codePage_->clear();
  QString automatic = msgAutomatic_->text();
  if (listing.readable && chosen == 0 && listing.oemCodePage != 0)
    automatic += " (" + Q(orn::CodePageName(listing.oemCodePage)) + ")";
  codePage_->addItem(automatic, 0);
  for (int page : kCodePages) codePage_->addItem(Q(orn::CodePageName(page)), page);
  const int at = codePage_->findData(chosen);
  codePage_->setCurrentIndex(at < 0 ? 0 : at);
}

int TfrmSimplyZIP::ChosenCodePage() const { return codePage_->currentData().toInt(); }

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
  speedButton3_->setEnabled(box_->count() > 0 && !targetDir_.empty() && !running_);
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
  std::vector<std::size_t> chosen;
  for (int i = 0; i < box_->count(); ++i)
    if (extractAll_ || box_->item(i)->isSelected())
      chosen.push_back(static_cast<std::size_t>(box_->item(i)->data(Qt::UserRole).toULongLong()));
  lastRequested_ = static_cast<int>(chosen.size());
  orn::UnzipSession::Outcome outcome;
  if (!chosen.empty()) {
    // Each file that would be replaced is asked about; "to all" holds for
    // the rest of this extraction.
    session_->askReplace = [this](const std::string& file, bool mayKeepBoth) {
      unsigned buttons = orn::kBtnYes | orn::kBtnYesToAll | orn::kBtnNo | orn::kBtnNoToAll | orn::kBtnCancel;
      if (mayKeepBoth) buttons |= orn::kBtnKeepBoth;
      switch (orn::Dialogs().MessageDialog(msgReplace_->text().toStdString() + "\n" + file, "",
                                           orn::DialogType::Confirmation, buttons)) {
        case orn::kMrYes:
          return orn::UnzipSession::Answer::Yes;
        case orn::kMrYesToAll:
          return orn::UnzipSession::Answer::YesToAll;
        case orn::kMrNo:
          return orn::UnzipSession::Answer::No;
        case orn::kMrNoToAll:
          return orn::UnzipSession::Answer::NoToAll;
        case orn::kMrKeepBoth:
          return orn::UnzipSession::Answer::KeepBoth;
        default:
          return orn::UnzipSession::Answer::Cancel;
      }
    };
    speedButton3_->setEnabled(false);
    running_ = true;
    // The status bar follows the files while the library works.
    struct Idle {
      TfrmSimplyZIP* window;
      ~Idle() {
        window->running_ = false;
        window->statText_->setText(kIdle);
        window->UpdateExtractButton();
      }
    } idle{this};
    outcome = session_->Extract(extractAll_ ? std::vector<std::size_t>() : chosen, extractAll_, target, flat_);
    lastExtracted_ = outcome.extracted;
  }
  // "Finish" alone only when every file asked for is there; what went wrong
  // was reported by the engine as it happened.
  std::string text = msgFinish_->text().toStdString();
  const bool incomplete = lastExtracted_ + outcome.keptExisting < lastRequested_;
  if (incomplete)
    text += "\n" + msgNotAll_->text().toStdString() + " (" + std::to_string(lastExtracted_) + " / " +
            std::to_string(lastRequested_) + ")";
  if (outcome.keptExisting > 0)
    text += "\n" + msgKeptExisting_->text().toStdString() + " (" + std::to_string(outcome.keptExisting) + ")";
  // Why, as the engine said it; the first few are enough to act on.
  constexpr std::size_t kShown = 5;
  for (std::size_t i = 0; i < outcome.failures.size() && i < kShown; ++i) text += "\n" + outcome.failures[i];
  if (outcome.failures.size() > kShown) text += "\n...";
  orn::Dialogs().MessageDialog(text, "", incomplete ? orn::DialogType::Warning : orn::DialogType::Information,
                               orn::kBtnOK);
}

// The window stays while the library writes into the chosen folder.
void TfrmSimplyZIP::reject() {
  if (!running_) TOrnForm::reject();
}

void TfrmSimplyZIP::closeEvent(QCloseEvent* event) {
  if (running_) return event->ignore();
  TOrnForm::closeEvent(event);
}

void TfrmSimplyZIP::ZipperProgress(const std::string& fileName) { statText_->setText(Q(fileName)); }

namespace orn {

void UnzipFromWindow(QWidget* parent) {
  TfrmSimplyZIP window(parent);
  window.Execute();
}

}  // namespace orn
