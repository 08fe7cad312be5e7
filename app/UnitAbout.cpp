#include "UnitAbout.h"

#include <QDesktopServices>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QUrl>
#include <QVBoxLayout>

#include "DialogService.h"
#include "GradCaption.h"
#include "OrnBitBtn.h"
#include "OrnLabel.h"

namespace {

TOrnLabel* Line(const char* name, const QString& text, QWidget* parent, int pixelSize = 0, bool bold = false) {
  auto* label = new TOrnLabel(parent);
  label->setObjectName(name);
  label->SetCaption(text);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  if (pixelSize || bold) {
    QFont f = label->font();
    if (pixelSize) f.setPixelSize(pixelSize);
    f.setBold(bold);
    label->setFont(f);
  }
  return label;
}

TOrnLabel* Link(const char* name, const QString& text, QWidget* parent) {
  auto* label = new TOrnLabel(parent);
  label->setObjectName(name);
  label->SetCaption(text);
  // The address is the label's text and is not translated.
  label->SetLoadAs(OrnTypes::AsSystem);
  label->setCursor(Qt::PointingHandCursor);
  label->setFocusPolicy(Qt::StrongFocus);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, QColor(0, 0, 160));
  label->setPalette(p);
  label->setAccessibleName(text);
  return label;
}

void Underline(QWidget* label, bool on) {
  QFont f = label->font();
  f.setUnderline(on);
  label->setFont(f);
}

}  // namespace

QString TFormA::HomePage() { return QStringLiteral("https://www.ombrelant.example/"); }
QString TFormA::MailAddress() { return QStringLiteral("archivator@ombrelant.example"); }

TFormA::TFormA(QWidget* parent) : TOrnForm(parent) {
  setObjectName("FormA");
  setWindowTitle("About");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);

  auto* title = Line("LblAboutTitle", "Ombrelant ZIP archivator", this, 16, true);
  auto* version = Line("LblAboutVersion", "Version 2.5", this);
  auto* purpose = Line("LblAboutPurpose",
                       "Programma saglabā grāmatvedības sistēmas datu failus un citus izvēlētus failus ZIP arhīvos "
                       "un atjauno tos no tiem.",
                       this);
  auto* disclaimer =
      Line("LblAboutDisclaimer", "Programmas autors neatbild par arhivētās informācijas pareizību.", this);
  auto* homeLabel = new TOrnLabel(this);
  homeLabel->setObjectName("LblHomePage");
  homeLabel->SetCaption("HomePage");
  hp_ = Link("HP", HomePage(), this);
  auto* mailLabel = new TOrnLabel(this);
  mailLabel->setObjectName("LblAuthorEmail");
  mailLabel->SetCaption("Author e-mail");
  at_ = Link("AT", MailAddress(), this);
  homeLabel->setBuddy(hp_);
  mailLabel->setBuddy(at_);
  msgNoLink_ = new TOrnLabel(this);
  msgNoLink_->setObjectName("msg_NoLink");
  msgNoLink_->SetCaption("Nevar atvērt adresi");
  msgNoLink_->hide();

  lokbu_ = new TOrnButton(this);
  lokbu_->setObjectName("LOKBU");
  lokbu_->SetKind(OrnTypes::bkOK);
  lokbu_->SetCaption("OK");
  lokbu_->setDefault(true);
  connect(lokbu_, &QPushButton::clicked, this, &TFormA::LOKBUClick);
  connect(hp_, &TOrnLabel::Clicked, this, &TFormA::HPClick);
  connect(at_, &TOrnLabel::Clicked, this, &TFormA::ATClick);

  auto* links = new QGridLayout;
  links->addWidget(homeLabel, 0, 0, Qt::AlignRight);
  links->addWidget(hp_, 0, 1, Qt::AlignLeft);
  links->addWidget(mailLabel, 1, 0, Qt::AlignRight);
  links->addWidget(at_, 1, 1, Qt::AlignLeft);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(lokbu_);
  buttons->addStretch();
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(20, 16, 20, 12);
  root->addWidget(title);
  root->addWidget(version);
  root->addSpacing(8);
  root->addWidget(purpose);
  root->addWidget(disclaimer);
  root->addSpacing(8);
  root->addLayout(links);
  root->addSpacing(8);
  root->addLayout(buttons);

  FormCreate();
  GradientCaption()->SetActive(false);
  // The link labels are not translated; the buddy labels and lines are.
  title->setMinimumWidth(380);
  adjustSize();
  setFixedSize(sizeHint());
  lokbu_->setFocus();
}

void TFormA::OpenLink(const QString& url) {
  if (!QDesktopServices::openUrl(QUrl(url)))
    orn::Dialogs().MessageDialog((msgNoLink_->text() + ": " + url).toStdString(), "", orn::DialogType::Warning,
                                 orn::kBtnOK);
}

void TFormA::HPClick() { OpenLink(HomePage()); }
void TFormA::ATClick() { OpenLink(QStringLiteral("mailto:") + MailAddress()); }

bool TFormA::eventFilter(QObject* watched, QEvent* event) {
  if (watched == hp_ || watched == at_) {
    auto* link = static_cast<QWidget*>(watched);
    switch (event->type()) {
      case QEvent::Enter:
        Underline(link, true);
        break;
      case QEvent::Leave:
        Underline(link, false);
        break;
      case QEvent::KeyPress: {
        // A link with the keyboard focus opens with Enter or Space.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
          watched == hp_ ? HPClick() : ATClick();
          return true;
        }
        break;
      }
      default:
        break;
    }
  }
  return TOrnForm::eventFilter(watched, event);
}
