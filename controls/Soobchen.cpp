#include "Soobchen.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "DialogService.h"
#include "FrameworkState.h"
#include "GradCaption.h"
#include "MessageDialog.h"
#include "OrnBitBtn.h"
#include "OrnEdits.h"
#include "OrnLabel.h"

namespace {
int lastResult = orn::kMsgClosed;
QPointer<TFormSoobchen> instance;

constexpr int kPanelWidth = 360;
constexpr int kMargin = 12;

QIcon IconOf(const QStyle* style, int index) {
  switch (index) {
    case 0:
      return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case 1:
      return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case 2:
      return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    default:
      return style->standardIcon(QStyle::SP_MessageBoxInformation);
  }
}
}  // namespace

TFormSoobchen::TFormSoobchen(QWidget* parent) : QDialog(parent) {
  setObjectName("FormSoobchen");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  gradCaption_ = new GradCaption(this);
  outer->addWidget(gradCaption_);
  panel_ = new QFrame(this);
  panel_->setObjectName("Panel1");
  panel_->setFrameShape(QFrame::StyledPanel);
  outer->addWidget(panel_);

  image_ = new QLabel(panel_);
  image_->setObjectName("Image");
  lblSoob_ = new TOrnLabel(panel_);
  lblSoob_->setObjectName("LblSoob");
  lblSoob_->setWordWrap(true);
  lblSoob_->setAlignment(Qt::AlignCenter);
  lblDopInform_ = new TOrnLabel(panel_);
  lblDopInform_->setObjectName("LblDopInform");
  // The second line often carries a file name or path: edit character set.
  lblDopInform_->SetLoadAs(OrnTypes::AsEdit);
  lblDopInform_->setWordWrap(true);
  lblDopInform_->setAlignment(Qt::AlignCenter);
  editStroka_ = new TOrnEdit(panel_);
  editStroka_->setObjectName("EditStroka");
  // The answer is typed in the language of the question.
  editStroka_->SetCharSetStyle(OrnTypes::cssAsLabel);
  btnOk_ = new TOrnButton(panel_);
  btnOk_->setObjectName("BtnOK");
  btnOk_->SetCaption("OK");
  btnCancel_ = new TOrnButton(panel_);
  btnCancel_->setObjectName("BtnCancel");
  btnCancel_->SetCaption("Cancel");
  for (TOrnButton* b : {btnOk_, btnCancel_}) {
    b->setAutoDefault(false);
    b->resize(84, 26);
  }
  connect(btnOk_, &QPushButton::clicked, this, [this] { Press(orn::kMsgOk); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { Press(orn::kMsgCancel); });
}

int TFormSoobchen::LastResult() { return lastResult; }

void TFormSoobchen::Press(int result) {
  lastResult = result;
  done(result);
}

void TFormSoobchen::Prepare(const QString& caption, const QString& message, const QString& extra, int iconIndex,
                            int defaultButton, int buttons) {
  setWindowTitle(caption);
  gradCaption_->ClearCaptions();
  gradCaption_->AddCaption(caption);
  lblSoob_->setText(message);
  defaultButton_ = defaultButton;

  const bool input = iconIndex == 99;
  editStroka_->setVisible(input);
  lblDopInform_->setVisible(!input && !extra.isEmpty());
  image_->setVisible(!input);
  if (input) {
    editStroka_->setText(extra);
  } else {
    lblDopInform_->setText(extra);
    image_->setPixmap(IconOf(style(), iconIndex).pixmap(32, 32));
  }

  // Geometry inside the panel: icon at the left, texts beside it, the edit
  // or second line below, the buttons at the bottom.
  const int textLeft = input ? kMargin : kMargin + 32 + kMargin;
  const int textWidth = kPanelWidth - textLeft - kMargin;
  image_->setGeometry(kMargin, kMargin, 32, 32);
  int y = kMargin;
  const int msgHeight = qMax(32, lblSoob_->heightForWidth(textWidth));
  lblSoob_->setGeometry(textLeft, y, textWidth, msgHeight);
  y += msgHeight + 8;
  if (input) {
    editStroka_->setGeometry(kMargin, y, kPanelWidth - 2 * kMargin, editStroka_->sizeHint().height());
    y += editStroka_->height() + 8;
  } else if (lblDopInform_->isVisibleTo(this)) {
    const int h = lblDopInform_->heightForWidth(textWidth);
    lblDopInform_->setGeometry(textLeft, y, textWidth, h);
    y += h + 8;
  }
  const int w = btnOk_->width();
  btnOk_->move(0, y);
  btnCancel_->move(btnCancel_->x(), y);
  if (buttons == 0) {
    btnOk_->setText(orn::ButtonCaption("OK"));
    btnOk_->show();
    btnOk_->move((kPanelWidth - w) / 2, y);
    btnCancel_->hide();
  } else if (buttons == 1 || buttons == 6) {
    btnOk_->setText(orn::ButtonCaption(buttons == 1 ? "OK" : "Yes"));
    btnCancel_->setText(orn::ButtonCaption(buttons == 1 ? "Cancel" : "No"));
    btnOk_->show();
    btnCancel_->show();
    btnOk_->move((kPanelWidth - w) / 2 - w * 3 / 4, y);
    btnCancel_->move((kPanelWidth + w) / 2 - w / 4, y);
  } else {
    btnOk_->hide();
  }
  y += btnOk_->height() + kMargin;
  panel_->setFixedSize(kPanelWidth, y);
  adjustSize();
  setFixedSize(sizeHint());
}

void TFormSoobchen::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The message texts are label texts: they take the label character set.
  const int charset = orn::Framework().values.labelCharset;
  for (QWidget* w :
       {static_cast<QWidget*>(lblSoob_), static_cast<QWidget*>(lblDopInform_), static_cast<QWidget*>(gradCaption_)})
    w->setProperty("Charset", charset);
  if (editStroka_->isVisible()) {
    editStroka_->setFocus();
    editStroka_->selectAll();
  } else if (defaultButton_ == 256 && btnCancel_->isVisible()) {
    btnCancel_->setFocus();
  } else if (btnOk_->isVisible()) {
    btnOk_->setFocus();
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
}

int TFormSoobchen::ShowMessageBox(const QString& caption, const QString& message, QString& extra, int iconIndex,
                                  int defaultButton, int buttons) {
  Prepare(caption, message, extra, iconIndex, defaultButton, buttons);
  lastResult = orn::kMsgClosed;
  exec();
  if (iconIndex == 99) extra = editStroka_->text();
  hide();
  return lastResult;
}

TFormSoobchen* FormSoobchen() {
  if (!instance) instance = new TFormSoobchen();
  return instance;
}

void SetFormSoobchen(TFormSoobchen* window) { instance = window; }

int ShowMessageBox(const QString& caption, const QString& message, QString& extra, int iconIndex, int defaultButton,
                   int buttons) {
  return FormSoobchen()->ShowMessageBox(caption, message, extra, iconIndex, defaultButton, buttons);
}
