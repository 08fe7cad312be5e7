#include "SprAdm.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "TopLevelHandler.h"

TfrmSPRAdmin::TfrmSPRAdmin(WriteMarks writeMarks, QWidget* parent)
    : TOrnForm(parent), writeMarks_(std::move(writeMarks)) {
  setObjectName("frmSPRAdmin");
  setWindowTitle("SPR");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  spr_ = new QListWidget(this);
  spr_->setObjectName("SPR");
  // The lines are padded columns: they only line up in a fixed-pitch font.
  spr_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  spr_->setMinimumSize(640, 320);
  dbbuOk_ = new TOrnBitBtn(this);
  dbbuOk_->setObjectName("DBbuOk");
  dbbuOk_->SetKind(OrnTypes::bkOK);
  dbbuOk_->SetCaption("OK");
  dbbuNo_ = new TOrnBitBtn(this);
  dbbuNo_->setObjectName("DBbuNo");
  dbbuNo_->SetKind(OrnTypes::bkCancel);
  dbbuNo_->SetCaption("Cancel");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(dbbuOk_);
  buttons->addWidget(dbbuNo_);
  auto* root = new QVBoxLayout(this);
  root->addWidget(spr_, 1);
  root->addLayout(buttons);

  connect(dbbuOk_, &QPushButton::clicked, this, &TfrmSPRAdmin::DBbuOkClick);
  connect(dbbuNo_, &QPushButton::clicked, this, &TfrmSPRAdmin::DBbuNoClick);
  FormCreate();
  // A small dialog: the window title is caption enough.
  GradientCaption()->SetActive(false);
  adjustSize();
}

void TfrmSPRAdmin::SetLines(const std::vector<orn::MarkingLine>& lines) {
  lines_ = lines;
  spr_->clear();
  for (const orn::MarkingLine& line : lines_) {
    auto* item = new QListWidgetItem(QString::fromStdString(line.text), spr_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(line.checked ? Qt::Checked : Qt::Unchecked);
  }
}

std::vector<orn::MarkingLine> TfrmSPRAdmin::Lines() const {
  std::vector<orn::MarkingLine> lines = lines_;
  for (size_t i = 0; i < lines.size() && static_cast<int>(i) < spr_->count(); ++i)
    lines[i].checked = spr_->item(static_cast<int>(i))->checkState() == Qt::Checked;
  return lines;
}

void TfrmSPRAdmin::DBbuOkClick() {
  if (orn::Guarded([this] { written_ = writeMarks_ ? writeMarks_(Lines()) : 0; })) accept();
}

void TfrmSPRAdmin::DBbuNoClick() { reject(); }
