#include "UnArh.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"

namespace {

QListWidget* MakeList(const char* name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setMinimumSize(220, 260);
  return list;
}

TOrnBitBtn* MakeMoveButton(const char* name, const QString& caption, const QString& hint, QWidget* parent) {
  auto* button = new TOrnBitBtn(parent);
  button->setObjectName(name);
  button->SetCaption(caption);
  button->setToolTip(hint);
  button->setFixedWidth(44);
  button->setAutoDefault(false);
  return button;
}

void Fill(QListWidget* list, const std::vector<std::string>& names) {
  list->clear();
  for (const std::string& name : names) list->addItem(QString::fromStdString(name));
}

}  // namespace

TFormUnAr::TFormUnAr(orn::FileChooserModel& model, QWidget* parent) : TOrnForm(parent), model_(model) {
  setObjectName("FormUnAr");
  setWindowTitle("Failu atjaunošana");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* savedLabel = new TOrnLabel("Saglabātie faili:", this);
  savedLabel->setObjectName("LblSavedFiles");
  auto* restoreLabel = new TOrnLabel("Atjaunot failus:", this);
  restoreLabel->setObjectName("LblUnSaveFiles");
  lbSavedFiles_ = MakeList("LBSavedFiles", this);
  lbUnSaveFiles_ = MakeList("LBUnSaveFiles", this);
  // Each list is named by its heading, for a screen reader.
  savedLabel->setBuddy(lbSavedFiles_);
  restoreLabel->setBuddy(lbUnSaveFiles_);
  includeBtn_ = MakeMoveButton("IncludeBtn", ">", "Pārnest vienu", this);
  incAllBtn_ = MakeMoveButton("IncAllBtn", ">>", "Pārnest visus", this);
  excludeBtn_ = MakeMoveButton("ExcludeBtn", "<", "Atcelt vienu", this);
  exAllBtn_ = MakeMoveButton("ExAllBtn", "<<", "Atcelt visus", this);
  excludeBtn_->setEnabled(false);
  exAllBtn_->setEnabled(false);
  okButton_ = new TOrnButton(this);
  okButton_->setObjectName("OrnButton1wss");
  okButton_->SetKind(OrnTypes::bkOK);
  okButton_->SetCaption("OK");
  cancelButton_ = new TOrnButton(this);
  cancelButton_->setObjectName("OrnButton2sss");
  cancelButton_->SetKind(OrnTypes::bkCancel);
  cancelButton_->SetCaption("Cancel");

  auto* moves = new QVBoxLayout;
  moves->addStretch();
  for (TOrnBitBtn* b : {includeBtn_, incAllBtn_, excludeBtn_, exAllBtn_}) moves->addWidget(b);
  moves->addStretch();
  auto* lists = new QGridLayout;
  lists->addWidget(savedLabel, 0, 0);
  lists->addWidget(restoreLabel, 0, 2);
  lists->addWidget(lbSavedFiles_, 1, 0);
  lists->addLayout(moves, 1, 1);
  lists->addWidget(lbUnSaveFiles_, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* root = new QVBoxLayout(this);
  root->addLayout(lists, 1);
  root->addLayout(buttons);

  connect(includeBtn_, &QPushButton::clicked, this, &TFormUnAr::IncludeBtnClick);
  connect(incAllBtn_, &QPushButton::clicked, this, &TFormUnAr::IncAllBtnClick);
  connect(excludeBtn_, &QPushButton::clicked, this, &TFormUnAr::ExcludeBtnClick);
  connect(exAllBtn_, &QPushButton::clicked, this, &TFormUnAr::ExAllBtnClick);
  connect(lbSavedFiles_, &QListWidget::itemDoubleClicked, this, &TFormUnAr::IncludeBtnClick);
  connect(lbUnSaveFiles_, &QListWidget::itemDoubleClicked, this, &TFormUnAr::ExcludeBtnClick);
  connect(okButton_, &QPushButton::clicked, this, &TFormUnAr::OkClick);
  connect(cancelButton_, &QPushButton::clicked, this, &TFormUnAr::CancelClick);

  FormCreate();
  // A small dialog: the window title is caption enough.
  GradientCaption()->SetActive(false);
  ShowModel();
  adjustSize();
  // Centred on the screen, not on the main window.
  if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

std::vector<size_t> TFormUnAr::SelectedRows(const QListWidget* list) {
  std::vector<size_t> rows;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) rows.push_back(static_cast<size_t>(i));
  return rows;
}

void TFormUnAr::ShowModel() {
  Fill(lbSavedFiles_, model_.Saved());
  Fill(lbUnSaveFiles_, model_.ToRestore());
  UpdateButtons();
}

void TFormUnAr::SelectRow(QListWidget* list, std::optional<size_t> row) {
  list->setFocus();
  if (!row || list->count() == 0) return;
  list->setCurrentRow(static_cast<int>(*row), QItemSelectionModel::ClearAndSelect);
}

void TFormUnAr::UpdateButtons() {
  includeBtn_->setEnabled(model_.CanInclude());
  incAllBtn_->setEnabled(model_.CanInclude());
  excludeBtn_->setEnabled(model_.CanExclude());
  exAllBtn_->setEnabled(model_.CanExclude());
}

void TFormUnAr::IncludeBtnClick() {
  const std::optional<size_t> next = model_.Include(SelectedRows(lbSavedFiles_));
  ShowModel();
  SelectRow(lbSavedFiles_, next);
}

void TFormUnAr::ExcludeBtnClick() {
  const std::optional<size_t> next = model_.Exclude(SelectedRows(lbUnSaveFiles_));
  ShowModel();
  SelectRow(lbUnSaveFiles_, next);
}

void TFormUnAr::IncAllBtnClick() {
  model_.IncludeAll();
  ShowModel();
  lbSavedFiles_->setFocus();
}

void TFormUnAr::ExAllBtnClick() {
  model_.ExcludeAll();
  ShowModel();
  lbUnSaveFiles_->setFocus();
}

void TFormUnAr::OkClick() { accept(); }

void TFormUnAr::CancelClick() { reject(); }
