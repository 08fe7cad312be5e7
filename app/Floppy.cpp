#include "Floppy.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "DialogService.h"
#include "FileSystem.h"
#include "GradCaption.h"
#include "OrnAccessible.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "OrnTabs.h"
#include "TextLookups.h"

namespace orn {

std::string FloppyMountPoint(char letter) {
  const char* value = std::getenv(letter == 'B' ? "ORN_DRIVE_B" : "ORN_DRIVE_A");
  if (value == nullptr || *value == '\0' || !DirectoryExists(value)) return {};
  return IncludeTrailingDelimiter(value);
}

}  // namespace orn

namespace {

const QColor kNavy(0, 0, 128);
const QColor kGreen(0, 128, 0);

TOrnLabel* NewLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new TOrnLabel(parent);
  label->setObjectName(name);
  label->SetCaption(text);
  return label;
}

// A sunken box showing a count.
TOrnLabel* CountBox(const char* name, const QString& text, QWidget* parent) {
  TOrnLabel* box = NewLabel(name, text, parent);
  box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  box->setAlignment(Qt::AlignCenter);
  box->setFixedWidth(56);
  box->setAutoFillBackground(true);
  // Counts are not translated.
  box->SetLoadAs(OrnTypes::AsSystem);
  return box;
}

void SetTextColor(QWidget* w, const QColor& color) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, color);
  w->setPalette(p);
}

void LetWindowsRun() { QApplication::processEvents(); }

}  // namespace

TFormCopyToFlop::TFormCopyToFlop(std::vector<std::string> files, std::string archiveName, QWidget* parent)
    : TOrnForm(parent), created_(std::move(files)), archiveName_(std::move(archiveName)) {
  setObjectName("FormCopyToFlop");
  setWindowTitle(QString::fromUtf8("Arhīva kopēšana uz disketēm"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* lblKolvoArh = NewLabel("LblKolvoArh", QString::fromUtf8("Izveidoto arhīvu skaits"), this);
  lblNumArh_ = CountBox("LblNumArh", "1", this);
  auto* lblKolvoKop = NewLabel("LblKolvoKop", QString::fromUtf8("Nokopēto arhīvu skaits"), this);
  lblNumKop_ = CountBox("LblNumKop", "0", this);
  // The counts are values a screen reader reads under their captions.
  lblKolvoArh->setBuddy(lblNumArh_);
  lblKolvoKop->setBuddy(lblNumKop_);
  orn::SetReadOnlyText(lblNumArh_);
  orn::SetReadOnlyText(lblNumKop_);

  lblInsert_ = NewLabel("LblInsert", "Ielieciet", this);
  lblNumDisk_ = NewLabel("LblNumDisk", "1", this);
  lblDiskInDrive_ = NewLabel("LblDiskInDrive", "disketi diskierīce ", this);
  QFont big = lblNumDisk_->font();
  big.setPixelSize(28);
  big.setBold(true);
  lblNumDisk_->setFont(big);
  for (TOrnLabel* l : {lblInsert_, lblNumDisk_, lblDiskInDrive_}) SetTextColor(l, kGreen);
  lblNumDisk_->setAccessibleName("Diskete nr.");  // translated as Acc_LblNumDisk
  orn::SetReadOnlyText(lblNumDisk_);
  lblNumDisk_->SetLoadAs(OrnTypes::AsSystem);
  lblAllFilesCopy_ = NewLabel("LblAllFilesCopy", QString::fromUtf8("Visi faili nokopēti sekmīgi"), this);
  SetTextColor(lblAllFilesCopy_, kGreen);
  fileNam_ = NewLabel("FileNam", "", this);
  fileNam_->SetLoadAs(OrnTypes::AsSystem);
  fileNam_->setAccessibleName("Kopējamais fails");  // translated as Acc_FileNam
  orn::SetReadOnlyText(fileNam_);
  fileNam_->setMinimumWidth(260);
  lblWaitDisk_ = NewLabel("LblWaitDisk", QString::fromUtf8("Gaida, kamēr tiks pievienots nākamais disks"), this);
  SetTextColor(lblWaitDisk_, kNavy);
  lblWaitDisk_->hide();
  diskTimer_ = new QTimer(this);
  diskTimer_->setInterval(500);
  connect(diskTimer_, &QTimer::timeout, this, &TFormCopyToFlop::LookForNextDisk);

  auto* gbDisk = new TOrnGroupBox(this);
  gbDisk->setObjectName("GBDisk");
  gbDisk->SetCaption("Disks");
  rbDiskA_ = new TOrnRadioButton(gbDisk);
  rbDiskA_->setObjectName("RBDiskA");
  rbDiskA_->SetCaption("  A:");
  rbDiskA_->SetChecked(true);
  rbDiskB_ = new TOrnRadioButton(gbDisk);
  rbDiskB_->setObjectName("RBDiskB");
  rbDiskB_->SetCaption("  B:");
  rbDiskA_->setAccessibleName("A:");
  rbDiskB_->setAccessibleName("B:");
  connect(rbDiskA_, &TOrnRadioButton::Clicked, this, [this] { rbDiskB_->SetChecked(false); });
  connect(rbDiskB_, &TOrnRadioButton::Clicked, this, [this] { rbDiskA_->SetChecked(false); });
  auto* disks = new QVBoxLayout(gbDisk);
  disks->addWidget(rbDiskA_);
  disks->addWidget(rbDiskB_);

  btnCopyTo_ = new TOrnBitBtn(this);
  btnCopyTo_->setObjectName("BtnCopyTo");
  btnCopyTo_->SetCaption(QString::fromUtf8("Kopēt uz"));
  btnCopyTo_->SetGlyph(style()->standardPixmap(QStyle::SP_ArrowRight));
  btnCopyTo_->SetLayout(OrnTypes::blGlyphRight);
  btnExit_ = new TOrnBitBtn(this);
  btnExit_->setObjectName("BtnExit");
  btnExit_->SetCaption("Close");
  connect(btnCopyTo_, &QPushButton::clicked, this, &TFormCopyToFlop::BtnCopyToClick);
  connect(btnExit_, &QPushButton::clicked, this, &TFormCopyToFlop::BtnExitClick);

  auto* counts = new QGridLayout;
  counts->addWidget(lblKolvoArh, 0, 0);
  counts->addWidget(lblNumArh_, 0, 1);
  counts->addWidget(lblKolvoKop, 1, 0);
  counts->addWidget(lblNumKop_, 1, 1);
  auto* insert = new QHBoxLayout;
  insert->addWidget(lblInsert_);
  insert->addWidget(lblNumDisk_);
  insert->addWidget(lblDiskInDrive_);
  insert->addStretch();
  auto* middle = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addLayout(counts);
  left->addLayout(insert);
  left->addWidget(lblAllFilesCopy_);
  left->addWidget(lblWaitDisk_);
  left->addWidget(fileNam_);
  middle->addLayout(left, 1);
  middle->addWidget(gbDisk);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnCopyTo_);
  buttons->addWidget(btnExit_);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(16, 12, 16, 12);
  root->addLayout(middle);
  root->addLayout(buttons);

  FormCreate();
  GradientCaption()->SetActive(false);
  adjustSize();
  setFixedSize(sizeHint());
}

void TFormCopyToFlop::showEvent(QShowEvent* event) {
  TOrnForm::showEvent(event);
  FormShow();
}

void TFormCopyToFlop::ShowInsertLabels(bool on) {
  for (TOrnLabel* l : {lblInsert_, lblNumDisk_, lblDiskInDrive_}) l->setVisible(on);
}

void TFormCopyToFlop::SetCountColor(const QColor& color) {
  SetTextColor(lblNumArh_, color);
  SetTextColor(lblNumKop_, color);
}

void TFormCopyToFlop::FormShow() {
  const bool haveA = !orn::FloppyMountPoint('A').empty();
  const bool haveB = !orn::FloppyMountPoint('B').empty();
  rbDiskA_->setEnabled(haveA);
  rbDiskB_->setEnabled(haveB);
  rbDiskA_->SetChecked(haveA);
  rbDiskB_->SetChecked(!haveA && haveB);
  lblNumDisk_->SetCaption("1");
  lblNumKop_->SetCaption("0");
  pending_ = created_;
  full_ = created_;
  lblNumArh_->SetCaption(QString::number(full_.size()));
  btnCopyTo_->setEnabled(!full_.empty() && (rbDiskA_->Checked() || rbDiskB_->Checked()));
  lblAllFilesCopy_->hide();
  ShowInsertLabels(btnCopyTo_->isEnabled());
  SetCountColor(kNavy);
}

std::string TFormCopyToFlop::Drive(char letter) const {
  if (!letter) return {};
  const std::string& replaced = replacedDrive_[letter == 'B' ? 1 : 0];
  return replaced.empty() || !orn::DirectoryExists(replaced) ? orn::FloppyMountPoint(letter) : replaced;
}

bool TFormCopyToFlop::WaitingForDisk() const { return diskTimer_->isActive(); }

void TFormCopyToFlop::WaitForNextDisk(const orn::Medium& filled) {
  filled_ = filled;
  mountedBefore_ = orn::MediaIdentities();
  btnCopyTo_->setEnabled(false);
  lblWaitDisk_->show();
  diskTimer_->start();
}

void TFormCopyToFlop::LookForNextDisk() {
  if (!filled_) return;
  std::optional<orn::Medium> next = orn::WaitForOtherMedium(*filled_, mountedBefore_, 0, {});
  if (!next) return;
  // A stick of another label is mounted beside the first one: the files go
  // into the same folder on it.
  const char letter = rbDiskA_->Checked() ? 'A' : 'B';
  replacedDrive_[letter == 'B' ? 1 : 0] = orn::OnMedium(Drive(letter), *filled_, *next);
  filled_.reset();
  diskTimer_->stop();
  lblWaitDisk_->hide();
  btnCopyTo_->setEnabled(true);
  btnCopyTo_->setFocus();
}

// Copies `file` onto the disk; a disk too full for it whose folder holds
// other files may have them removed (they cannot go to a trash on the same
// disk and make room), after a question.
bool TFormCopyToFlop::CopyMakingRoom(const std::string& file, const std::string& drive) {
  const std::string target = drive + orn::ExtractFileName(file);
  std::string error;
  if (orn::CopyFileAtomically(file, target, &error)) return true;
  if (error.find(std::strerror(ENOSPC)) == std::string::npos) return false;
  std::vector<orn::FoundFile> others = orn::FindFiles(drive, "*", orn::FindWhat::Files);
  if (others.empty()) return false;
  std::string question = orn::LabelText("msg_DiskFull");
  if (question.empty()) question = "The disk has not enough free space for %1. Remove the %2 files on it for good?";
  question.replace(question.find("%1"), 2, orn::ExtractFileName(file));
  question.replace(question.find("%2"), 2, std::to_string(others.size()));
  if (orn::Dialogs().MessageDialog(question, windowTitle().toStdString(), orn::DialogType::Warning,
                                   orn::kBtnYes | orn::kBtnNo) != orn::kMrYes)
    return false;
  for (const orn::FoundFile& f : others) orn::DeleteFileAt(drive + f.name);
  return orn::CopyFileAtomically(file, target);
}

void TFormCopyToFlop::BtnCopyToClick() {
  const char letter = rbDiskA_->Checked() ? 'A' : rbDiskB_->Checked() ? 'B' : 0;
  const std::string drive = Drive(letter);
  ShowInsertLabels(true);
  // The medium that took the last file is still in: the next one is awaited.
  const std::optional<orn::Medium> medium = drive.empty() ? std::nullopt : orn::MediumHolding(drive);
  if (!pending_.empty() && medium && filled_ && medium->identity == filled_->identity) {
    WaitForNextDisk(*medium);
    return;
  }
  bool copiedOnMedium = false;
  if (!pending_.empty()) {
    const std::string file = pending_.front();
    fileNam_->SetCaption(QString::fromStdString(orn::ExtractFileName(file)));
    btnCopyTo_->setEnabled(false);
    bool copied = false;
    if (!drive.empty()) {
      // Earlier archives of this job on the disk make room for this one.
      for (const orn::FoundFile& old : orn::FindFiles(drive, archiveName_ + "*.zip"))
        orn::DeleteFileAt(drive + old.name);
      LetWindowsRun();
      copied = CopyMakingRoom(file, drive);
    }
    if (copied) {
      fileNam_->SetCaption("");
      btnCopyTo_->setEnabled(true);
      pending_.erase(pending_.begin());
      lblNumKop_->SetCaption(QString::number(lblNumKop_->text().toInt() + 1));
      lblNumDisk_->SetCaption(QString::number(lblNumDisk_->text().toInt() + 1));
      copiedOnMedium = medium.has_value();
      LetWindowsRun();
      if (lblNumArh_->text() == lblNumKop_->text()) {
        lblAllFilesCopy_->show();
        ShowInsertLabels(false);
        SetCountColor(kGreen);
        btnCopyTo_->setEnabled(false);
      }
    }
  } else {
    // A new pass: the same files onto another set of disks.
    pending_ = full_;
    lblNumKop_->SetCaption("0");
    SetTextColor(lblNumKop_, Qt::white);
    ShowInsertLabels(true);
    lblAllFilesCopy_->hide();
    lblNumDisk_->SetCaption("1");
  }
  fileNam_->SetCaption("");
  btnCopyTo_->setEnabled(!full_.empty() && !drive.empty());
  if (copiedOnMedium) {
    filled_ = medium;
    if (!pending_.empty()) WaitForNextDisk(*medium);
  }
  LetWindowsRun();
}

void TFormCopyToFlop::BtnExitClick() {
  diskTimer_->stop();
  btnCopyTo_->setEnabled(false);
  close();
}

void TFormCopyToFlop::closeEvent(QCloseEvent* event) {
  // While copying is possible the close box does nothing; "Close" always closes.
  if (btnCopyTo_->isEnabled()) {
    event->ignore();
    return;
  }
  TOrnForm::closeEvent(event);
  done(0);
}

void TFormCopyToFlop::reject() {
  if (btnCopyTo_->isEnabled()) return;
  TOrnForm::reject();
}
