// The window refresh: every command ends here, and every control's content
// and enabling is derived from the job in this one function, in a fixed
// order of steps.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolButton>

#include "Extraction.h"
#include "FileSystem.h"
#include "JobEdits.h"
#include "JobGrid.h"
#include "MainUnit.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

int SchemeIndex(char letter) {
  switch (letter) {
    case 'W':
      return 1;
    case 'M':
      return 2;
    case 'Y':
      return 3;
    default:
      return 0;
  }
}

void SetText(QLineEdit* edit, const std::string& text) {
  if (edit->text() != Q(text)) edit->setText(Q(text));
}

}  // namespace

void TMainForm::RefreshWindow() {
  if (refreshing_) return;
  refreshing_ = true;
  const bool open = job_.IsOpen();

  // 1. Directories keep their trailing delimiter.
  if (!job_.archiveDirectory.empty()) job_.archiveDirectory = orn::IncludeTrailingDelimiter(job_.archiveDirectory);
  if (!job_.plusPath.empty()) job_.plusPath = orn::IncludeTrailingDelimiter(job_.plusPath);

  // 2. The last archiving date, when there is a real one.
  label1_->setText(job_.lastArchivingDate > 100 ? Q(orn::FormatShortDate(job_.lastArchivingDate)) : QString());

  // The fields edit the open job only.
  for (QWidget* w : {static_cast<QWidget*>(edit1_), static_cast<QWidget*>(edit2_), static_cast<QWidget*>(edit4_),
                     static_cast<QWidget*>(edit5_), static_cast<QWidget*>(edit6_), static_cast<QWidget*>(checkBox1_)})
    w->setEnabled(open);

  if (open) {
    // 3. A job is open.
    speedButton_[10]->setEnabled(!job_.archiveDirectory.empty());
    for (QAction* a : {fileListMenu_->menuAction(), archiveMenu_->menuAction(), save1_, saveAs1_}) a->setEnabled(true);
    checkBox2_->setEnabled(true);
    SetText(edit1_, job_.archiveName);
    checkBox1_->setChecked(job_.volumesOn);
    volumeGroup_->setEnabled(job_.volumesOn);
    SetText(edit3_, orn::VolumeSizeFieldText(job_.volumeSize));
    SetText(edit2_, job_.archiveDirectory);
    zipOptions_.addVolume = zipOptions_.addDiskSpan = job_.volumesOn;
    zipOptions_.maxVolumeSize = job_.volumesOn ? static_cast<std::int64_t>(job_.volumeSize) * 1000 : 0;
    SetText(edit6_, job_.registerFile);
    SetText(edit4_, job_.uniqueFolder);
    SetText(edit5_, job_.plusPath);
    // A restore is wanted most when only the unique saves are left: what
    // the archive chooser offers, rotating or unique, enables it.
    const orn::ArchiveChoices choices = orn::ListArchives(job_);
    const bool archived = !choices.rotating.empty() || !choices.unique.empty();
    speedButton_[8]->setEnabled(archived);
    speedButton_[9]->setEnabled(archived);
    if (job_.jobList.empty()) {
      list_->setEnabled(true);
      pageControl1_->setEnabled(true);
    } else if (job_.archiveName.empty()) {
      speedButton_[10]->setEnabled(false);
    }
    list_->clearContents();
    std::vector<std::pair<std::string, std::string>> rows;
    for (const std::string& entry : job_.jobList)
      if (!orn::HiddenInJobGrid(entry)) rows.emplace_back(orn::ExtractFileName(entry), orn::ExtractFilePath(entry));
    list_->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      list_->setItem(r, 0, new QTableWidgetItem(Q(rows[r].first)));
      list_->setItem(r, 1, new QTableWidgetItem(Q(rows[r].second)));
    }
    checkBox2_->setChecked(job_.copyToFloppies);
    rotation_[SchemeIndex(job_.rotationScheme)]->setChecked(true);
    unique_[SchemeIndex(job_.uniqueScheme)]->setChecked(true);
    rx_->setText(Q(job_.jobFilePath));
    for (QWidget* w :
         {static_cast<QWidget*>(pageControl1_), static_cast<QWidget*>(panel9_), static_cast<QWidget*>(panel8_),
          static_cast<QWidget*>(speedButton_[1]), static_cast<QWidget*>(speedButton_[2]),
          static_cast<QWidget*>(speedButton_[3]), static_cast<QWidget*>(speedButton_[6]),
          static_cast<QWidget*>(sbSave_), static_cast<QWidget*>(speedButton_[4])})
      w->setEnabled(true);
  } else {
    // 4. No job: nothing but New and Open; the fields show nothing.
    checkBox2_->setEnabled(false);
    checkBox2_->setChecked(false);
    for (QWidget* w : {static_cast<QWidget*>(list_), static_cast<QWidget*>(pageControl1_),
                       static_cast<QWidget*>(panel9_), static_cast<QWidget*>(panel8_),
                       static_cast<QWidget*>(speedButton_[1]), static_cast<QWidget*>(speedButton_[2]),
                       static_cast<QWidget*>(speedButton_[3]), static_cast<QWidget*>(speedButton_[5]),
                       static_cast<QWidget*>(speedButton_[6]), static_cast<QWidget*>(speedButton_[10]),
                       static_cast<QWidget*>(speedButton_[9]), static_cast<QWidget*>(speedButton_[8]),
                       static_cast<QWidget*>(speedButton_[4]), static_cast<QWidget*>(sbSave_)})
      w->setEnabled(false);
    for (QAction* a : {fileListMenu_->menuAction(), archiveMenu_->menuAction(), save1_, saveAs1_}) a->setEnabled(false);
    checkBox1_->setChecked(false);
    volumeGroup_->setEnabled(false);
    edit3_->setText("1.44");
    for (QLineEdit* e : {edit1_, edit2_, edit4_, edit5_, edit6_}) e->clear();
    list_->clearContents();
    list_->setRowCount(1);
    rx_->clear();
    sbOpen_->setEnabled(true);
    sbNew_->setEnabled(true);
  }

  // 5. Menu items follow their buttons.
  new1_->setEnabled(sbNew_->isEnabled());
  save1_->setEnabled(sbSave_->isEnabled());
  saveAs1_->setEnabled(speedButton_[4]->isEnabled());
  extractAll1_->setEnabled(speedButton_[8]->isEnabled());
  extract1_->setEnabled(speedButton_[9]->isEnabled());
  add1_->setEnabled(speedButton_[10]->isEnabled());

  // 6. Marking needs the register table.
  const bool registerExists = orn::FileExists(job_.registerFile);
  speedButton_[5]->setEnabled(registerExists);
  refreshDB1_->setEnabled(speedButton_[5]->isEnabled());
  addToFileList1_->setEnabled(speedButton_[3]->isEnabled());

  // 7. The volume size field looks editable only while volumes are on.
  QPalette palette = edit3_->palette();
  palette.setColor(QPalette::Base,
                   job_.volumesOn ? this->palette().color(QPalette::Base) : this->palette().color(QPalette::Button));
  edit3_->setPalette(palette);

  // 8. The archive name carries no extension.
  job_.archiveName = orn::ArchiveNameWhileTyping(job_.archiveName);

  // 9. Reselect the row pending after a deletion.
  if (pendingRow_ > 0 && pendingRow_ < list_->rowCount()) {
    list_->setRangeSelected(QTableWidgetSelectionRange(pendingRow_, 0, pendingRow_, 1), true);
    list_->setCurrentCell(pendingRow_, 0);
    list_->verticalScrollBar()->setValue(list_->verticalScrollBar()->value() + pendingRow_);
    pendingRow_ = 0;
  }

  // 10. Final enabling: archiving needs a job list or a register table.
  if (!job_.jobList.empty()) {
    list_->setEnabled(true);
    speedButton_[10]->setEnabled(true);
  }
  if (!registerExists) {
    speedButton_[5]->setEnabled(false);
    if (job_.jobList.empty()) speedButton_[10]->setEnabled(false);
  }
  if (job_.jobList.empty() && registerExists) speedButton_[10]->setEnabled(true);
  refreshing_ = false;
}
