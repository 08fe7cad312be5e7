#include "UnitProgress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "DialogService.h"
#include "FileSystem.h"
#include "FrameworkState.h"
#include "LangTranslation.h"
#include "MessageDialog.h"
#include "TextLookups.h"

namespace {
// The bar's resolution when it moves by bytes (sizes overflow an int).
constexpr int kBarSteps = 1000;
}  // namespace

TfrmProgress::TfrmProgress(QWidget* parent) : QDialog(parent) {
  setObjectName("frmProgress");
  setWindowTitle("progress");
  setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  setModal(false);

  label1_ = new QLabel(orn::TranslatedOr("prg_Processing", "processing"), this);
  label1_->setObjectName("Label1");
  label1_->setAlignment(Qt::AlignCenter);
  QFont titleFont = label1_->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
  label1_->setFont(titleFont);

  // The copying animation: a busy bar until a job says how long it is.
  animate1_ = new QProgressBar(this);
  animate1_->setObjectName("Animate1");
  animate1_->setRange(0, 0);
  animate1_->setTextVisible(false);
  animate1_->setMinimumWidth(320);

  label2_ = new QLabel(orn::TranslatedOr("prg_Wait", "WAIT please"), this);
  label2_->setObjectName("Label2");
  label2_->setAlignment(Qt::AlignCenter);
  label2_->setTextFormat(Qt::PlainText);
  // A long path is cut in the middle rather than widening the window.
  label2_->setMinimumWidth(320);
  label2_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  lblCount_ = new QLabel(this);
  lblCount_->setObjectName("lblCount");
  lblCount_->setAlignment(Qt::AlignCenter);
  lblTime_ = new QLabel(this);
  lblTime_->setObjectName("lblTime");
  lblTime_->setAlignment(Qt::AlignCenter);

  cancel_ = new QPushButton(orn::ButtonCaption("Cancel"), this);
  cancel_->setObjectName("btnCancel");
  cancel_->setAutoDefault(false);
  cancel_->setEnabled(false);
  connect(cancel_, &QPushButton::clicked, this, &TfrmProgress::RequestCancel);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(16, 12, 16, 12);
  root->setSpacing(8);
  root->addWidget(label1_);
  root->addWidget(animate1_);
  root->addWidget(label2_);
  root->addWidget(lblCount_);
  root->addWidget(lblTime_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  buttons->addStretch();
  root->addLayout(buttons);
  resize(380, sizeHint().height());
  // A plain window, not a form: it is translated once, when it is made.
  if (orn::Framework().dictionary && !orn::Framework().dictionary->Empty()) orn::TranslateForm(this);
}

void TfrmProgress::SetBusy(bool busy) {
  busy_ = busy;
  cancel_->setEnabled(busy && !cancelRequested_);
  if (busy) cancel_->setFocus(Qt::OtherFocusReason);
}

void TfrmProgress::RequestCancel() {
  if (!busy_ || cancelRequested_) return;
  cancelRequested_ = true;
  cancel_->setEnabled(false);
  lblTime_->setText(orn::TranslatedOr("prg_Cancelling", "Stopping..."));
  emit CancelClicked();
}

void TfrmProgress::SetTitle(const QString& title) { label1_->setText(title); }

void TfrmProgress::SetFileName(const QString& fileName) {
  if (fileName.isEmpty()) return;
  const QString shown = label2_->fontMetrics().elidedText(fileName, Qt::ElideMiddle, qMax(label2_->width(), 320));
  label2_->setText(shown);
  label2_->setToolTip(fileName);
}

void TfrmProgress::StartJob(int files, std::int64_t bytes) {
  filesTotal_ = files > 0 ? files : 0;
  filesDone_ = 0;
  bytesTotal_ = bytes;
  bytesDone_ = 0;
  started_.start();
  // The bar moves by bytes when the job knows them, else by items.
  if (filesTotal_ > 0) {
    animate1_->setRange(0, bytesTotal_ > 0 ? kBarSteps : filesTotal_);
    animate1_->setValue(0);
  } else {
    animate1_->setRange(0, 0);
  }
  ShowCounts();
}

void TfrmProgress::ItemStarted(std::int64_t bytesBefore) {
  if (filesDone_ < filesTotal_) ++filesDone_;
  bytesDone_ = std::max(bytesDone_, bytesBefore);
  // The bar counts what is finished: the item just started is still under way.
  if (filesTotal_ > 0)
    animate1_->setValue(bytesTotal_ > 0 ? static_cast<int>(bytesDone_ * kBarSteps / bytesTotal_) : filesDone_ - 1);
  ShowCounts();
}

void TfrmProgress::BytesDone(std::int64_t bytesDone) {
  if (bytesTotal_ <= 0 || bytesDone <= bytesDone_) return;
  bytesDone_ = std::min(bytesDone, bytesTotal_);
  if (filesTotal_ > 0) animate1_->setValue(static_cast<int>(bytesDone_ * kBarSteps / bytesTotal_));
  ShowCounts();
}

void TfrmProgress::EndJob() {
  if (filesTotal_ > 0) animate1_->setValue(animate1_->maximum());
  filesDone_ = filesTotal_;
  if (bytesTotal_ >= 0) bytesDone_ = bytesTotal_;
  ShowCounts();
}

void TfrmProgress::ShowCounts() {
  if (filesTotal_ <= 0) {
    lblCount_->clear();
    if (!cancelRequested_) lblTime_->clear();
    return;
  }
  QString text = QString("%1 / %2").arg(filesDone_).arg(filesTotal_);
  if (bytesTotal_ >= 0)
    text += QString("   (%1 / %2)")
                .arg(QString::fromStdString(orn::WindowSizeText(bytesDone_)),
                     QString::fromStdString(orn::WindowSizeText(bytesTotal_)));
  lblCount_->setText(text);
  if (cancelRequested_) return;
  const std::int64_t left = bytesTotal_ > 0 ? orn::SecondsLeft(bytesDone_, bytesTotal_, started_.elapsed())
                                            : orn::SecondsLeft(filesDone_ - 1, filesTotal_, started_.elapsed());
  lblTime_->setText(left < 0 ? QString()
                             : orn::TranslatedOr("prg_TimeLeft", "Time left:") + " " +
                                   QString::fromStdString(orn::DurationText(left)));
}

void TfrmProgress::closeEvent(QCloseEvent* event) {
  if (busy_)
    event->ignore();
  else
    QDialog::closeEvent(event);
}

void TfrmProgress::keyPressEvent(QKeyEvent* event) {
  // Escape would reject the dialog under the running job; it cancels the job.
  if (busy_ && event->key() == Qt::Key_Escape) return RequestCancel();
  QDialog::keyPressEvent(event);
}

namespace orn {

QString TranslatedOr(const char* key, const char* fallback) {
  const std::string text = LabelText(key);
  return text.empty() ? QString::fromUtf8(fallback) : QString::fromStdString(text);
}

QString StageTitle(ProgressStage stage) { return TranslatedOr(StageKey(stage), StageEnglish(stage)); }

std::string WindowSizeText(std::int64_t bytes) {
  return SizeText(bytes, [](const char* key, const char* english) { return TranslatedOr(key, english).toStdString(); });
}

class ProgressObserver::CloseBlocker : public QObject {
 public:
  explicit CloseBlocker(QWidget* window) : QObject(window), window_(window) { window_->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Close) {
      event->ignore();
      return true;
    }
    return false;
  }

 private:
  QWidget* window_;
};

ProgressObserver::ProgressObserver(QWidget* parent) : parent_(parent) {}

ProgressObserver::~ProgressObserver() {
  delete closeBlocker_.data();
  delete window_.data();
}

// The libraries call back for every piece of every file: letting the windows
// run on each call would cost more than the compression itself, and a person
// sees no difference above some twenty-five repaints a second.
void LetWindowsRun() {
  static QElapsedTimer since;
  if (since.isValid() && since.elapsed() < 40) return;
  QCoreApplication::processEvents();
  since.restart();
}

void ProgressObserver::Cancel() {
  cancelled_ = true;
  if (cancelEngine) cancelEngine();
}

void ProgressObserver::RunStarted() {
  copyTarget_.clear();
  if (!window_) {
    window_ = new TfrmProgress(parent_);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    QObject::connect(window_, &TfrmProgress::CancelClicked, window_, [this] { Cancel(); });
  }
  window_->SetBusy(true);
  if (parent_ && !closeBlocker_) closeBlocker_ = new CloseBlocker(parent_->window());
  window_->show();
  window_->raise();
  // The keyboard goes to the window whose Escape stops the job.
  window_->activateWindow();
  QCoreApplication::processEvents();
}

void ProgressObserver::RunFinished() {
  delete closeBlocker_.data();
  closeBlocker_ = nullptr;
  if (!window_) return;
  window_->SetBusy(false);
  if (keepWindow_) return;
  window_->close();
  delete window_.data();
}

void ProgressObserver::SetTitle(const std::string& title) {
  if (!window_) return;
  // The run names its waits and checks in English; the window says them in
  // its language.
  if (title == "CHECKING")
    window_->SetTitle(TranslatedOr("prg_Checking", "CHECKING"));
  else if (title == "WAITING")
    window_->SetTitle(TranslatedOr("prg_Waiting", "WAITING"));
  else
    window_->SetTitle(QString::fromStdString(title));
}

void ProgressObserver::SetFileName(const std::string& fileName) {
  if (window_) window_->SetFileName(QString::fromStdString(fileName));
}

void ProgressObserver::ProcessMessages() { LetWindowsRun(); }

bool ProgressObserver::Copying(const std::string& target, std::int64_t copied, std::int64_t total) {
  if (window_) {
    if (target != copyTarget_ || copied == 0) {
      copyTarget_ = target;
      window_->SetTitle(StageTitle(ProgressStage::Copying));
      window_->SetFileName(QString::fromStdString(target));
      window_->StartJob(1, total);
      window_->ItemStarted(0);
    }
    window_->BytesDone(copied);
  }
  LetWindowsRun();
  return !cancelled_;
}

bool ProgressObserver::AskCopyToFloppies(const std::string& text) {
  // The question must not hide behind the progress window, which stays on top.
  if (window_) window_->hide();
  const bool yes = Dialogs().Question(text, "Yes", "No");
  if (window_) window_->show();
  return yes;
}

void ProgressObserver::CopyToFloppies(const std::vector<std::string>& zipFiles) {
  if (!copyToFloppies) return;
  if (window_) window_->hide();
  copyToFloppies(zipFiles);
  if (window_) window_->show();
}

void ProgressObserver::StageStarted(ProgressStage stage, int files, std::int64_t bytes) {
  if (!window_) return;
  window_->SetTitle(StageTitle(stage));
  window_->StartJob(files, bytes);
}

void ProgressObserver::ItemStarted(std::int64_t bytesBefore) {
  if (window_) window_->ItemStarted(bytesBefore);
}

void ProgressObserver::StageSized(int files, std::int64_t bytes) {
  if (window_) window_->StartJob(files, bytes);
}

void ProgressObserver::BytesDone(std::int64_t bytesDone) {
  if (window_) window_->BytesDone(bytesDone);
}

void ProgressObserver::StageEnded(ProgressStage stage) {
  if (!window_) return;
  window_->EndJob();
  // After zipping and after each copy is read back, the run copies.
  if (stage != ProgressStage::Restoring) window_->SetTitle(StageTitle(ProgressStage::Copying));
}

}  // namespace orn
