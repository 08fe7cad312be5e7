#include "addfiles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "DialogService.h"
#include "FileSystem.h"
#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"
#include "TextLookups.h"

TAddForm::TAddForm(const std::string& startDirectory, QWidget* parent) : TOrnForm(parent) {
  setObjectName("AddForm");
  setWindowTitle("Add files");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  label2_ = new TOrnLabel(this);
  label2_->setObjectName("Label2");
  label2_->setTextFormat(Qt::PlainText);
  speedButton1_ = new QToolButton(this);
  speedButton1_->setObjectName("SpeedButton1");
  speedButton1_->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  speedButton1_->setToolTip("Select Directory");
  speedButtonUp_ = new QToolButton(this);
  speedButtonUp_->setObjectName("SpeedButton1ffvffd");
  speedButtonUp_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  // The two lists have no heading on the screen; a screen reader hears
  // them by these names (translated as "Acc_" + Name).
  drc_ = new QListWidget(this);
  drc_->setObjectName("DRC");
  drc_->setAccessibleName("Mapes");
  drc_->setMinimumSize(180, 260);
  lb_ = new QListWidget(this);
  lb_->setObjectName("LB");
  lb_->setAccessibleName("Faili un mapes");
  lb_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lb_->setMinimumSize(240, 260);
  auto* maskLabel = new TOrnLabel("Mask:", this);
  maskLabel->setObjectName("Label1");
  edit_ = new QLineEdit(this);
  edit_->setObjectName("Edit");
  maskLabel->setBuddy(edit_);
  ok_ = new TOrnButton(this);
  ok_->setObjectName("Button1ssssx");
  ok_->SetKind(OrnTypes::bkOK);
  ok_->SetCaption("OK");
  cancel_ = new TOrnButton(this);
  cancel_->setObjectName("Button2dffcvc");
  cancel_->SetKind(OrnTypes::bkCancel);
  cancel_->SetCaption("Cancel");

  auto* top = new QHBoxLayout;
  top->addWidget(speedButton1_);
  top->addWidget(speedButtonUp_);
  top->addWidget(label2_, 1);
  auto* lists = new QHBoxLayout;
  lists->addWidget(drc_, 2);
  lists->addWidget(lb_, 3);
  auto* mask = new QHBoxLayout;
  mask->addWidget(maskLabel);
  mask->addWidget(edit_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addLayout(lists, 1);
  root->addLayout(mask);
  root->addLayout(buttons);

  drc_->installEventFilter(this);
  connect(drc_, &QListWidget::itemDoubleClicked, this, &TAddForm::DRCDblClick);
  connect(speedButton1_, &QToolButton::clicked, this, &TAddForm::SpeedButton1Click);
  connect(speedButtonUp_, &QToolButton::clicked, this, &TAddForm::SpeedButton1ffvffdClick);
  connect(ok_, &QPushButton::clicked, this, &TAddForm::Button1ssssxClick);
  connect(cancel_, &QPushButton::clicked, this, &TAddForm::Button2dffcvcClick);

  FormCreate();
  // "Label1" names run-time texts in other windows, so the dictionary
  // cannot translate it by name.
  if (const std::string mask = orn::LabelText("AddForm_Mask"); !mask.empty())
    maskLabel->SetCaption(QString::fromStdString(mask));
  if (const std::string select = orn::LabelText("OrnLabel8"); !select.empty()) selectCaption_ = select;
  speedButton1_->setToolTip(QString::fromStdString(selectCaption_));
  speedButton1_->setAccessibleName(QString::fromStdString(selectCaption_));
  if (const std::string up = orn::LabelText("Hint_SpeedButton1ffvffd"); !up.empty())
    speedButtonUp_->setAccessibleName(QString::fromStdString(up));
  // A small dialog: the window title is caption enough.
  GradientCaption()->SetActive(false);
  Fill(orn::IncludeTrailingDelimiter(startDirectory));
  adjustSize();
  if (parent) move(parent->window()->geometry().center() - rect().center());
}

void TAddForm::Fill(const std::string& dir) {
  directory_ = dir;
  label2_->SetCaption(QString::fromStdString(dir));
  listing_ = orn::ListForAddFiles(dir);
  drc_->clear();
  lb_->clear();
  // Names as they are on disk: on this platform a name shown in other
  // letter case is another name. Folders among the files keep their blank.
  for (const auto& f : listing_.folders) drc_->addItem(QString::fromStdString(f.name));
  for (const auto& e : listing_.entries) lb_->addItem(QString::fromStdString(e.isDirectory ? " " + e.name : e.name));
}

void TAddForm::DRCDblClick() {
  const int row = drc_->currentRow();
  if (row < 0 || row >= static_cast<int>(listing_.folders.size())) return;
  Fill(directory_ + listing_.folders[static_cast<size_t>(row)].name + orn::kPathDelim);
  drc_->setFocus();
}

void TAddForm::SpeedButton1Click() {
  std::optional<std::string> chosen = orn::Dialogs().ChooseDirectory(selectCaption_, directory_);
  // A cancelled chooser keeps the folder shown; there is no current drive
  // to fall back to here.
  if (!chosen || chosen->empty()) return;
  Fill(orn::IncludeTrailingDelimiter(*chosen));
}

void TAddForm::SpeedButton1ffvffdClick() { Fill(orn::UpOneLevel(directory_)); }

void TAddForm::Button1ssssxClick() {
  std::vector<orn::AddFilesItem> selected;
  for (int i = 0; i < lb_->count() && i < static_cast<int>(listing_.entries.size()); ++i)
    if (lb_->item(i)->isSelected()) selected.push_back(listing_.entries[static_cast<size_t>(i)]);
  result_ = orn::AddFilesResult(directory_, edit_->text().toStdString(), selected);
  accept();
}

void TAddForm::Button2dffcvcClick() {
  result_.clear();
  reject();
}

bool TAddForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == drc_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Backspace) {
      SpeedButton1ffvffdClick();
      drc_->setFocus();
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && drc_->currentItem()) {
      DRCDblClick();
      return true;
    }
  }
  return TOrnForm::eventFilter(watched, event);
}
