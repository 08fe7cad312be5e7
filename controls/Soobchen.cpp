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
constexpr int kWidestPanel = 640;
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
  // Enter presses the button that has the focus.
  for (TOrnButton* b : {btnOk_, btnCancel_}) {
    b->setAutoDefault(true);
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
                            int defaultButton, int buttons, const QString& okCaption, const QString& cancelCaption) {
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

  btnOk_->setText(!okCaption.isEmpty() ? okCaption : orn::ButtonCaption(buttons == 6 ? "Yes" : "OK"));
  btnCancel_->setText(!cancelCaption.isEmpty() ? cancelCaption : orn::ButtonCaption(buttons == 6 ? "No" : "Cancel"));
  // A caption that says what the button does may be longer than "OK"; the
  // panel widens so that the two buttons keep their places and their gap.
  int w = 84;
  for (TOrnButton* b : {btnOk_, btnCancel_}) w = qMax(w, b->sizeHint().width());
  int panelWidth = qMax(kPanelWidth, w * 5 / 2 + 2 * kMargin);

  // Geometry inside the panel: icon at the left, texts beside it, the edit
  // or second line below, the buttons at the bottom.
  const int textLeft = input ? kMargin : kMargin + 32 + kMargin;
  // A message that names files and says why they failed is given room, so
  // that its paths are not broken into pieces, up to a width that still
  // reads as one message.
  int longest = 0;
  for (const QString& line : (message + '\n' + extra).split('\n'))
    longest = qMax(longest, lblSoob_->fontMetrics().horizontalAdvance(line));
  panelWidth = qMax(panelWidth, qMin(kWidestPanel, textLeft + longest + kMargin + 4));
  const int textWidth = panelWidth - textLeft - kMargin;
  image_->setGeometry(kMargin, kMargin, 32, 32);
  int y = kMargin;
  const int msgHeight = qMax(32, lblSoob_->heightForWidth(textWidth));
  lblSoob_->setGeometry(textLeft, y, textWidth, msgHeight);
  y += msgHeight + 8;
  if (input) {
    editStroka_->setGeometry(kMargin, y, panelWidth - 2 * kMargin, editStroka_->sizeHint().height());
    y += editStroka_->height() + 8;
  } else if (lblDopInform_->isVisibleTo(this)) {
    const int h = lblDopInform_->heightForWidth(textWidth);
    lblDopInform_->setGeometry(textLeft, y, textWidth, h);
    y += h + 8;
  }
  btnOk_->resize(w, btnOk_->height());
  btnCancel_->resize(w, btnCancel_->height());
  btnOk_->move(0, y);
  btnCancel_->move(btnCancel_->x(), y);
  if (buttons == 0) {
    btnOk_->show();
    btnOk_->move((panelWidth - w) / 2, y);
    btnCancel_->hide();
  } else if (buttons == 1 || buttons == 6) {
    btnOk_->show();
    btnCancel_->show();
    btnOk_->move((panelWidth - w) / 2 - w * 3 / 4, y);
    btnCancel_->move((panelWidth + w) / 2 - w / 4, y);
  } else {
    btnOk_->hide();
  }
  btnOk_->setDefault(defaultButton != 256 || !btnCancel_->isVisibleTo(this));
  btnCancel_->setDefault(defaultButton == 256 && btnCancel_->isVisibleTo(this));
  y += btnOk_->height() + kMargin;
  panel_->setFixedSize(panelWidth, y);
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
                                  int defaultButton, int buttons, const QString& okCaption,
                                  const QString& cancelCaption) {
  Prepare(caption, message, extra, iconIndex, defaultButton, buttons, okCaption, cancelCaption);
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
                   int buttons, const QString& okCaption, const QString& cancelCaption) {
  return FormSoobchen()->ShowMessageBox(caption, message, extra, iconIndex, defaultButton, buttons, okCaption,
                                        cancelCaption);
}
