#include "OrnListBox.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "OrnBitBtn.h"
#include "OrnEdits.h"

namespace {

// White background and the font colour; the selection in the highlight
// colours; text 1 pixel from the left edge.
class ListBoxDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight) : QColor(Qt::white));
    painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());
  }
};

}  // namespace

TOrnListBox::TOrnListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new ListBoxDelegate(this));
  setUniformItemSizes(true);
  messages_.ChangeLanguage();
}

QStringList TOrnListBox::Items() const {
  QStringList items;
  for (int i = 0; i < count(); ++i) items << item(i)->text();
  return items;
}

void TOrnListBox::SetItems(const QStringList& items) {
  clear();
  addItems(items);
}

QString TOrnListBox::SourcePath() const {
  if (sourceFile_.isEmpty()) return QString();
  const QString path = orn::ProgramFolder() + '/' + sourceFile_;
  if (sourceFile_.contains('.')) return path;
  // Lists copied from Windows keep whatever letter case their extension had.
  const QString upper = path + QStringLiteral(".MNU");
  return QFileInfo::exists(upper) && !QFileInfo::exists(path + QStringLiteral(".mnu")) ? upper
                                                                                       : path + QStringLiteral(".mnu");
}

void TOrnListBox::SetSourceFile(const QString& name) {
  const QString trimmed = name.trimmed();
  if (trimmed == sourceFile_) return;
  sourceFile_ = trimmed;
  if (sourceFile_.isEmpty() || !QFileInfo::exists(SourcePath())) return;
  QStringList items;
  QString failed;
  if (orn::ListFile::Load(SourcePath(), &items, &failed))
    SetItems(items);
  else
    orn::ShowComboMessage(this, messages_, failed, SourcePath());
}

bool TOrnListBox::SaveEditedList(const QStringList& lines) {
  SetItems(lines);
  QString failed;
  if (orn::ListFile::Save(SourcePath(), lines, &failed)) return true;
  orn::ShowComboMessage(this, messages_, failed, SourcePath());
  return false;
}

void TOrnListBox::EditList() {
  QDialog editor(this, Qt::Tool);
  editor.setObjectName(QStringLiteral("frmEditList"));
  editor.setWindowTitle(QStringLiteral("Labot sarakstu"));
  auto* memo = new TOrnMemo(&editor);
  memo->setObjectName(QStringLiteral("memEdList"));
  memo->setAccessibleName(QStringLiteral("Labot sarakstu"));
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->SetWordWrap(false);
  memo->setFont(font());
  memo->SetLines(Items());
  auto* save = new TOrnButton(&editor);
  save->setObjectName(QStringLiteral("btnSaglabat"));
  save->SetCaption(QStringLiteral("Saglabāt"));
  auto* cancel = new TOrnButton(&editor);
  cancel->setObjectName(QStringLiteral("btnAtcelt"));
  cancel->SetCaption(QStringLiteral("Atcelt"));
  connect(save, &TOrnButton::clicked, &editor, &QDialog::accept);
  connect(cancel, &TOrnButton::clicked, &editor, &QDialog::reject);
  auto* layout = new QVBoxLayout(&editor);
  layout->addWidget(memo);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(save);
  row->addWidget(cancel);
  layout->addLayout(row);
  editor.resize(qMax(width(), 220), qMax(height(), 200));
  if (editor.exec() == QDialog::Accepted) SaveEditedList(memo->Lines());
}

void TOrnListBox::contextMenuEvent(QContextMenuEvent* event) {
  if (!allowEditing_ || sourceFile_.isEmpty()) return QListWidget::contextMenuEvent(event);
  QMenu menu(this);
  menu.addAction(QStringLiteral("Labot"), this, &TOrnListBox::EditList);
  menu.exec(event->globalPos());
}
