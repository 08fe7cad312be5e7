#include "UnitMessanger.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"

namespace {
QPointer<TfrmMessager> instance;
}

TfrmMessager::TfrmMessager(QWidget* parent) : TOrnForm(parent) {
  setObjectName("frmMessager");
  setWindowTitle("ORN archivator");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  // A question waits for its answer; no calculator over it.
  SetCalculatorKey(false);
  FormCreate();
  GradientCaption()->SetActive(false);

  auto* icon = new QLabel(this);
  icon->setObjectName("Image1");
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  label_ = new TOrnLabel(this);
  label_->setObjectName("Label1");
  label_->setWordWrap(true);
  label_->setMinimumWidth(260);
  yes_ = new TOrnButton(this);
  yes_->setObjectName("BitBtn1");
  no_ = new TOrnButton(this);
  no_->setObjectName("BitBtn2");
  connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
  connect(no_, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(label_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(yes_);
  buttons->addWidget(no_);
  buttons->addStretch();
  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addSpacing(8);
  root->addLayout(buttons);
}

void TfrmMessager::Prepare(const QString& text, const QString& yesCaption, const QString& noCaption) {
  label_->setText(text);
  yes_->setText(yesCaption);
  no_->setText(noCaption);
  no_->setVisible(!noCaption.isEmpty());
  layout()->activate();  // the buttons take their places before the window shows
  adjustSize();
}

bool TfrmMessager::Ask(const QString& text, const QString& yesCaption, const QString& noCaption) {
  Prepare(text, yesCaption, noCaption);
  yes_->setFocus();
  return exec() == QDialog::Accepted;
}

TfrmMessager* FrmMessager() {
  if (!instance) instance = new TfrmMessager();
  return instance;
}

void SetFrmMessager(TfrmMessager* window) { instance = window; }
