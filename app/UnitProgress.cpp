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
#include <filesystem>
#include <system_error>

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
  if (bytesTotal_ >= 0) text += QString("   (%1 / %2)").arg(orn::SizeText(bytesDone_), orn::SizeText(bytesTotal_));
  lblCount_->setText(text);
  if (cancelRequested_) return;
  const std::int64_t left = bytesTotal_ > 0 ? orn::SecondsLeft(bytesDone_, bytesTotal_, started_.elapsed())
                                            : orn::SecondsLeft(filesDone_ - 1, filesTotal_, started_.elapsed());
  lblTime_->setText(left < 0 ? QString()
                             : orn::TranslatedOr("prg_TimeLeft", "Time left:") + " " + orn::DurationText(left));
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

QString StageTitle(ProgressStage stage) {
  switch (stage) {
    case ProgressStage::Zipping:
      return TranslatedOr("prg_Zipping", "ZIPPING");
    case ProgressStage::Verifying:
      return TranslatedOr("prg_Verifying", "VERIFYING");
    case ProgressStage::Copying:
      return TranslatedOr("prg_Copying", "COPYING");
    case ProgressStage::Restoring:
      return TranslatedOr("prg_Restoring", "RESTORING");
  }
  return {};
}

QString DurationText(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const std::int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  if (h > 0) return QString("%1:%2:%3").arg(h).arg(m, 2, 10, QChar('0')).arg(s, 2, 10, QChar('0'));
  return QString("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

std::int64_t SecondsLeft(std::int64_t done, std::int64_t total, std::int64_t elapsedMs) {
  // Too early to say: nothing done, or under a second of experience.
  if (done <= 0 || total <= 0 || elapsedMs < 1000) return -1;
  if (done >= total) return 0;
  const double perUnit = static_cast<double>(elapsedMs) / static_cast<double>(done);
  return static_cast<std::int64_t>(perUnit * static_cast<double>(total - done) / 1000.0 + 0.5);
}

QString SizeText(std::int64_t bytes) {
  // The units speak the window's language as everything else does.
  if (bytes < 1024) return QString("%1 %2").arg(bytes).arg(TranslatedOr("unit_Bytes", "bytes"));
  static const std::pair<const char*, const char*> units[] = {
      {"unit_KB", "KB"}, {"unit_MB", "MB"}, {"unit_GB", "GB"}, {"unit_TB", "TB"}};
  double value = static_cast<double>(bytes);
  int unit = -1;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  return QString("%1 %2")
      .arg(value, 0, 'f', value < 10 ? 1 : 0)
      .arg(TranslatedOr(units[unit].first, units[unit].second));
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

CountingBackend::CountingBackend(ArchiveBackend& inner, ProgressObserver& progress)
    : inner_(inner), progress_(progress) {
  inner_.SetObserver(this);
}

CountingBackend::~CountingBackend() { inner_.SetObserver(nullptr); }

int CountingBackend::Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) {
  std::vector<std::int64_t> sizes;
  std::int64_t total = 0;
  for (const std::string& spec : fileSpecs) {
    const std::string path = orn::IsAbsolutePath(spec) || rootDir_.empty() ? spec : rootDir_ + spec;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    sizes.push_back(ec ? 0 : static_cast<std::int64_t>(size));
    total += sizes.back();
  }
  if (progress_.Cancelled()) return NothingAfterCancel();
  Start(ProgressStage::Zipping, static_cast<int>(fileSpecs.size()), total, std::move(sizes));
  struct Ender {
    CountingBackend* self;
    ~Ender() { self->End(); }
  } ender{this};
  const int added = inner_.Add(fileSpecs, zipFileName);
  // A cancelled archive is no archive, however much of it was written.
  return progress_.Cancelled() ? NothingAfterCancel() : added;
}

int CountingBackend::NothingAfterCancel() {
  const std::string text = TranslatedOr("msg_Cancelled", "Cancelled by the user").toStdString();
  if (outer_) outer_->OnMessage(0, text);
  return 0;
}

bool CountingBackend::Test(const std::vector<std::string>& archiveFiles, std::string* error) {
  // After Cancel no copy is placed: a copy is placed only once it has been
  // read back, and it is not read back.
  if (progress_.Cancelled()) {
    if (error) *error = TranslatedOr("msg_Cancelled", "Cancelled by the user").toStdString();
    return false;
  }
  // Reading a copy back: the bar shows activity until the archive has been
  // read and the engine says how much it holds (OnTotals).
  Start(ProgressStage::Verifying, 0, -1, {});
  if (TfrmProgress* w = progress_.Window(); w && !archiveFiles.empty())
    w->SetFileName(QString::fromStdString(archiveFiles.back()));
  struct Ender {
    CountingBackend* self;
    ~Ender() { self->End(); }
  } ender{this};
  const bool ok = inner_.Test(archiveFiles, error);
  if (progress_.Cancelled()) {
    if (error) *error = TranslatedOr("msg_Cancelled", "Cancelled by the user").toStdString();
    return false;
  }
  return ok;
}

int CountingBackend::Extract(const std::string& archivePath, const std::vector<std::string>& entries,
                             const std::string& baseDir) {
  if (progress_.Cancelled()) return NothingAfterCancel();
  Start(ProgressStage::Restoring, static_cast<int>(entries.size()), -1, {});
  struct Ender {
    CountingBackend* self;
    ~Ender() { self->End(); }
  } ender{this};
  return inner_.Extract(archivePath, entries, baseDir);
}

void CountingBackend::Start(ProgressStage stage, int files, std::int64_t bytes, std::vector<std::int64_t> sizes) {
  counting_ = files > 0;
  knowsBytes_ = bytes >= 0;
  stage_ = stage;
  sizes_ = std::move(sizes);
  started_ = 0;
  bytesBefore_ = 0;
  bytesDone_ = 0;
  if (TfrmProgress* w = progress_.Window()) {
    w->SetTitle(StageTitle(stage));
    w->StartJob(files, bytes);
  }
}

void CountingBackend::End() {
  if (TfrmProgress* w = progress_.Window()) {
    if (counting_) w->EndJob();
    // After zipping and after each copy is read back, the run copies.
    if (stage_ != ProgressStage::Restoring) w->SetTitle(StageTitle(ProgressStage::Copying));
  }
  counting_ = false;
}

void CountingBackend::OnProgress(const std::string& fileName) {
  if (counting_ && !fileName.empty()) {
    if (started_ > 0 && started_ - 1 < sizes_.size()) bytesBefore_ += sizes_[started_ - 1];
    ++started_;
    if (TfrmProgress* w = progress_.Window()) w->ItemStarted(bytesBefore_);
  }
  if (outer_) outer_->OnProgress(fileName);
}

void CountingBackend::OnBytes(std::int64_t bytes) {
  bytesDone_ += bytes;
  if (TfrmProgress* w = progress_.Window(); w && counting_) w->BytesDone(bytesDone_);
  if (outer_) outer_->OnBytes(bytes);
}

void CountingBackend::OnTotals(int files, std::int64_t bytes) {
  // A test or a restore learns its size from the archive: from here on the
  // bar counts, where it only showed activity.
  if (TfrmProgress* w = progress_.Window(); w && files > 0 && (!counting_ || !knowsBytes_)) {
    counting_ = true;
    knowsBytes_ = bytes >= 0;
    started_ = 0;
    bytesBefore_ = 0;
    bytesDone_ = 0;
    w->StartJob(files, bytes);
  }
  if (outer_) outer_->OnTotals(files, bytes);
}

void CountingBackend::OnMessage(int code, const std::string& text) {
  if (outer_) outer_->OnMessage(code, text);
}

}  // namespace orn
