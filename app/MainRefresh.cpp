// The window refresh: every command ends here, and every control's content
// and enabling is derived from the job in this one function, in a fixed
// order of steps. What the job may do comes from CommandsForJob; the refresh
// only paints it and never changes the job.
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

#include "FileSystem.h"
#include "JobCommands.h"
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

orn::JobCommands TMainForm::AllowedCommands() const { return session_.AllowedCommands(); }

void TMainForm::RefreshWindow() {
  if (refreshing_) return;
  refreshing_ = true;
  const bool open = job_.IsOpen();
  const orn::JobCommands allowed = AllowedCommands();

  // 1. The last archiving date, when there is a real one.
  label1_->setText(open && job_.lastArchivingDate > 100 ? Q(orn::FormatShortDate(job_.lastArchivingDate)) : QString());

  // 2. The fields show the open job, or nothing.
  if (open) {
    SetText(edit1_, job_.archiveName);
    checkBox1_->setChecked(job_.volumesOn);
    SetText(edit3_, orn::VolumeSizeFieldText(job_.volumeSize));
    SetText(edit2_, job_.archiveDirectory);
    SetText(edit6_, job_.registerFile);
    SetText(edit4_, job_.uniqueFolder);
    SetText(edit5_, job_.plusPath);
    checkBox2_->setChecked(job_.copyToFloppies);
    rotation_[SchemeIndex(job_.rotationScheme)]->setChecked(true);
    unique_[SchemeIndex(job_.uniqueScheme)]->setChecked(true);
    rx_->setText(Q(job_.jobFilePath));
  } else {
    checkBox2_->setChecked(false);
    checkBox1_->setChecked(false);
    edit3_->setText("1.44");
    for (QLineEdit* e : {edit1_, edit2_, edit4_, edit5_, edit6_}) e->clear();
    rx_->clear();
  }
  zipOptions_.addVolume = zipOptions_.addDiskSpan = open && job_.volumesOn;
  zipOptions_.maxVolumeSize = open && job_.volumesOn ? static_cast<std::int64_t>(job_.volumeSize) * 1000 : 0;

  // 3. The file list.
  list_->clearContents();
  std::vector<std::pair<std::string, std::string>> rows;
  if (open)
    for (const std::string& entry : job_.jobList)
      if (!orn::HiddenInJobGrid(entry)) rows.emplace_back(orn::ExtractFileName(entry), orn::ExtractFilePath(entry));
  list_->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    list_->setItem(r, 0, new QTableWidgetItem(Q(rows[r].first)));
    list_->setItem(r, 1, new QTableWidgetItem(Q(rows[r].second)));
  }

  // 4. Every command's button and menu item as the job allows it.
  for (QWidget* w :
       {static_cast<QWidget*>(edit1_), static_cast<QWidget*>(edit2_), static_cast<QWidget*>(edit4_),
        static_cast<QWidget*>(edit5_), static_cast<QWidget*>(edit6_), static_cast<QWidget*>(checkBox1_),
        static_cast<QWidget*>(checkBox2_), static_cast<QWidget*>(list_), static_cast<QWidget*>(pageControl1_),
        static_cast<QWidget*>(panel9_), static_cast<QWidget*>(panel8_), static_cast<QWidget*>(speedButton_[1]),
        static_cast<QWidget*>(speedButton_[2]), static_cast<QWidget*>(speedButton_[3]),
        static_cast<QWidget*>(speedButton_[6]), static_cast<QWidget*>(sbSave_), static_cast<QWidget*>(speedButton_[4])})
    w->setEnabled(allowed.editJob);
  volumeGroup_->setEnabled(allowed.editJob && job_.volumesOn);
  for (QAction* a : {fileListMenu_->menuAction(), archiveMenu_->menuAction(), save1_, saveAs1_, addToFileList1_})
    a->setEnabled(allowed.editJob);
  sbNew_->setEnabled(allowed.newJob);
  sbOpen_->setEnabled(allowed.newJob);
  new1_->setEnabled(allowed.newJob);
  speedButton_[10]->setEnabled(allowed.archive);
  add1_->setEnabled(allowed.archive);
  speedButton_[8]->setEnabled(allowed.extract);
  speedButton_[9]->setEnabled(allowed.extract);
  extractAll1_->setEnabled(allowed.extract);
  extract1_->setEnabled(allowed.extract);
  speedButton_[5]->setEnabled(allowed.markRegister);
  refreshDB1_->setEnabled(allowed.markRegister);

  // 5. The volume size field looks editable only while volumes are on.
  QPalette palette = edit3_->palette();
  palette.setColor(QPalette::Base, open && job_.volumesOn ? this->palette().color(QPalette::Base)
                                                          : this->palette().color(QPalette::Button));
  edit3_->setPalette(palette);

  // 6. Reselect the row pending after a deletion.
  if (pendingRow_ > 0 && pendingRow_ < list_->rowCount()) {
    list_->setRangeSelected(QTableWidgetSelectionRange(pendingRow_, 0, pendingRow_, 1), true);
    list_->setCurrentCell(pendingRow_, 0);
    list_->verticalScrollBar()->setValue(list_->verticalScrollBar()->value() + pendingRow_);
    pendingRow_ = 0;
  }
  refreshing_ = false;
}
