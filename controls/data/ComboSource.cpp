#include "ComboSource.h"

#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTextDocument>

#include "ComboEdit.h"
#include "DataSet.h"
#include "LangComponents.h"
#include "OrnBitBtn.h"
#include "OrnEdits.h"

namespace orn {

namespace {
constexpr int kMemoLeft = 3;
constexpr int kMemoTop = 3;
constexpr int kButtonWidth = 60;

QString Translated(const QString& key, const QString& fallback) {
  const std::string text = TextOf(TextKind::Label, key.toStdString());
  return IsBlank(text) ? fallback : QString::fromStdString(text);
}
}  // namespace

// --- the list editor -------------------------------------------------------

ListEditor::ListEditor(QLineEdit* control, const ComboMessages* messages)
    : QFrame(control, Qt::Tool | Qt::FramelessWindowHint), control_(control), messages_(messages) {
  setObjectName(QStringLiteral("OrnListEditor"));
  resize(150, 250);
  panel_ = new QFrame(this);
  panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel_->setLineWidth(1);
  memo_ = new TOrnMemo(panel_);
  memo_->SetWordWrap(false);
  memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo_->SetCharSetStyle(OrnTypes::cssAsEdit);
  ok_ = new TOrnButton(panel_);
  cancel_ = new TOrnButton(panel_);
  for (TOrnButton* b : {ok_, cancel_}) {
    QFont f = b->font();
    f.setPointSize(10);
    f.setBold(true);
    b->setFont(f);
    b->resize(kButtonWidth, b->sizeHint().height());
  }
  ok_->setObjectName(QStringLiteral("BtnOk"));
  ok_->SetCaption(QStringLiteral("Ok"));
  cancel_->setObjectName(QStringLiteral("BtnCancel"));
  cancel_->SetCaption(QStringLiteral("Cancel"));
  connect(ok_, &TOrnButton::clicked, this, &ListEditor::Ok);
  connect(cancel_, &TOrnButton::clicked, this, &ListEditor::Cancel);
}

void ListEditor::Open(const QStringList& items, std::function<void(const QStringList&)> save) {
  save_ = std::move(save);
  const QString name = control_->objectName();
  memo_->setObjectName(QStringLiteral("MemoEditFrom") + name);
  memo_->setAccessibleName(control_->accessibleName());
  ok_->setObjectName(QStringLiteral("BtnOkFrom") + name);
  cancel_->setObjectName(QStringLiteral("BtnCancelFrom") + name);
  ok_->SetCaption(Translated(ok_->objectName(), QStringLiteral("Ok")));
  cancel_->SetCaption(Translated(cancel_->objectName(), QStringLiteral("Cancel")));
  memo_->SetLines(items);
  memo_->document()->setModified(false);

  // About four text lines of memo over a row of buttons, at least as wide
  // as the control.
  QFont font = control_->font();
  memo_->setFont(font);
  QPalette pal = memo_->palette();
  pal.setColor(QPalette::Text, control_->palette().color(QPalette::Text));
  pal.setColor(QPalette::Base, control_->palette().color(QPalette::Base));
  memo_->setPalette(pal);
  const int width = qMax(150, control_->width());
  const int memoHeight = 6 + 4 * (QFontInfo(font).pixelSize() * 125 / 100);
  const int memoWidth = width - 2 * kMemoLeft - 4;
  memo_->setGeometry(kMemoLeft, kMemoTop, memoWidth, memoHeight);
  const int buttonTop = kMemoTop + memoHeight + 4;
  cancel_->move(kMemoLeft + memoWidth - 1 - cancel_->width(), buttonTop);
  ok_->move(cancel_->x() - 4 - ok_->width(), buttonTop);
  const int height = memoHeight + ok_->height() + kMemoTop + 12;
  resize(width, height);
  panel_->setGeometry(rect());

  const QPoint origin = control_->mapToGlobal(QPoint(2, 0));
  const QScreen* screen = control_->screen() ? control_->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  int top = origin.y() + control_->height();
  if (top + height > area.bottom() + 1) top = origin.y() - height;
  move(origin.x(), top);

  previousFocus_ = QApplication::focusWidget();
  show();
  raise();
  activateWindow();
  memo_->setFocus();
}

void ListEditor::Ok() {
  if (closing_) return;
  closing_ = true;
  const bool keep = memo_->document()->isModified() && AskComboQuestion(control_, *messages_, "ORNCBSaveChanges");
  Finish(keep);
}

void ListEditor::Cancel() {
  if (closing_) return;
  closing_ = true;
  const bool keep = memo_->document()->isModified() && !AskComboQuestion(control_, *messages_, "ORNCBCancelChanges");
  Finish(keep);
}

void ListEditor::Finish(bool keep) {
  if (keep && save_) save_(memo_->Lines());
  move(2000, y());
  hide();
  if (previousFocus_) {
    previousFocus_->activateWindow();
    previousFocus_->setFocus();
  }
  closing_ = false;
}

void ListEditor::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  // Leaving the editor for another window counts as Cancel.
  if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow() && !closing_) Cancel();
}

// --- the list file side of the combo boxes -----------------------------------------

ComboSource::ComboSource(QLineEdit* control) : QObject(control), control_(control) { messages_.ChangeLanguage(); }

void ComboSource::Load(QStringList& items, QStringList* fullList, const QString& aliasDatabase) {
  usable_ = false;
  if (fullList) *fullList = items;
  if (loadStyle != OrnData::lsStandart) {
    folder_.clear();
    bool folderKnown = true;
    try {
      folder_ = SourceFolder(loadStyle, sourceFile, aliasDatabase, RegisterDatabaseName(), ProgramFolder());
    } catch (const std::exception& e) {
      ShowTableError(OwnerCaption(control_), e);
      folderKnown = false;
    }
    fullName_ = SourceFileName(folder_, sourceFile);
    usable_ = folderKnown && !sourceFile.trimmed().isEmpty();
    QString failed;
    if (usable_ && !(loadStyle == OrnData::lsFromFilePath && folder_.isEmpty()) &&
        !ListFile::Ensure(fullName_, &failed)) {
      ShowComboMessage(control_, messages_, failed, fullName_);
      usable_ = false;
    }
    QStringList loaded;
    if (usable_ && !ListFile::Load(fullName_, &loaded, &failed)) {
      ShowComboMessage(control_, messages_, failed, fullName_);
      usable_ = false;
    }
    if (usable_) {
      items = loaded;
      if (fullList) *fullList = loaded;
    }
  }
  items = FilterItems(items, filter, ExprFormOf(control_));
}

bool ComboSource::Add(const QString& text, QStringList& items) {
  if (!usable_ || text.isEmpty() || ContainsItem(items, text)) return false;
  QString failed;
  if (!ListFile::AppendLine(fullName_, text, &failed)) {
    ShowComboMessage(control_, messages_, failed, fullName_);
    return false;
  }
  items << text;
  return true;
}

void ComboSource::Edit(const QStringList& items, std::function<void(const QStringList&)> save) {
  if (!usable_) return;
  if (!editor_) editor_ = new ListEditor(control_, &messages_);
  editor_->Open(items, std::move(save));
}

bool ComboSource::Save(const QStringList& items) {
  QString failed;
  if (ListFile::Save(fullName_, items, &failed)) return true;
  ShowComboMessage(control_, messages_, failed, fullName_);
  return false;
}

QMenu* ComboSource::PopupMenu(std::function<void()> add, std::function<void()> edit) {
  if (!showPopupMenu || loadStyle == OrnData::lsNone) return nullptr;
  if (!menu_) menu_ = new QMenu(control_);
  menu_->clear();
  menu_->addAction(messages_.Text("OrnCBPopupMenu_1"), control_, std::move(add));
  menu_->addAction(messages_.Text("OrnCBPopupMenu_2"), control_, std::move(edit));
  return menu_;
}

QString RegisterDatabaseName() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() != QLatin1String("MainForm")) continue;
    if (auto* table = w->findChild<TTable*>(QStringLiteral("TablSprFiles"))) return table->DatabaseName();
  }
  return QString();
}

}  // namespace orn
