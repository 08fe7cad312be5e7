#include "UnitMessanger.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "GradCaption.h"
#include "MessageDialog.h"
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
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (int i = 0; i < 3; ++i) {
    buttons_[i] = new TOrnButton(this);
    buttons_[i]->setObjectName(QString("BitBtn%1").arg(i + 1));
    // Enter presses the button that has the focus.
    buttons_[i]->setAutoDefault(true);
    connect(buttons_[i], &QPushButton::clicked, this, [this, i] {
      answer_ = i;
      accept();
    });
    buttons->addWidget(buttons_[i]);
  }
  buttons->addStretch();

  auto* top = new QHBoxLayout;
  top->addWidget(icon);
  top->addWidget(label_, 1);
  auto* root = new QVBoxLayout(this);
  root->addLayout(top);
  root->addSpacing(8);
  root->addLayout(buttons);
}

void TfrmMessager::reject() {
  answer_ = cancelButton_;
  TOrnForm::reject();
}

void TfrmMessager::Prepare(const QString& text, const QString& yesCaption, const QString& noCaption) {
  QStringList captions{yesCaption};
  if (!noCaption.isEmpty()) captions << noCaption;
  PrepareChoice(QString(), text, captions, 0, 1);
}

bool TfrmMessager::Ask(const QString& text, const QString& yesCaption, const QString& noCaption) {
  Prepare(text, yesCaption, noCaption);
  buttons_[0]->setFocus();
  return exec() == QDialog::Accepted && answer_ == 0;
}

void TfrmMessager::PrepareChoice(const QString& caption, const QString& text, const QStringList& buttons,
                                 int defaultButton, int cancelButton) {
  // The window keeps its translated caption unless the question names one.
  if (!caption.isEmpty()) setWindowTitle(caption);
  label_->setText(text);
  for (int i = 0; i < 3; ++i) {
    // Standard answers ("Yes", "No", "OK") speak the window's language.
    buttons_[i]->setText(i < buttons.size() ? orn::ButtonCaption(buttons[i]) : QString());
    buttons_[i]->setVisible(i < buttons.size());
    buttons_[i]->setDefault(i == defaultButton);
  }
  answer_ = cancelButton;
  cancelButton_ = cancelButton;
  layout()->activate();  // the buttons take their places before the window shows
  adjustSize();
}

int TfrmMessager::AskChoice(const QString& caption, const QString& text, const QStringList& buttons, int defaultButton,
                            int cancelButton) {
  const QString title = windowTitle();
  PrepareChoice(caption, text, buttons, defaultButton, cancelButton);
  if (defaultButton >= 0 && defaultButton < 3) buttons_[defaultButton]->setFocus();
  exec();
  setWindowTitle(title);
  return answer_;
}

TfrmMessager* FrmMessager() {
  if (!instance) instance = new TfrmMessager();
  return instance;
}

void SetFrmMessager(TfrmMessager* window) { instance = window; }
