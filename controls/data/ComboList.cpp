#include "ComboList.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "OrnListBox.h"

namespace orn {

QRect DropDownGeometry(const DropDownInput& in) {
  const int width = qMax(in.control.width(), in.listTextWidth + 40);
  const int rows = in.dropDownCount > 7 ? qMin(in.dropDownCount, in.itemCount) : in.itemCount;
  int height = (in.dropDownCount < 8 ? in.itemCount : in.dropDownCount) * in.itemHeight + 20;

  int left = in.control.x() - 2;
  if (left + width > in.screen.right() + 1) left = in.screen.right() + 1 - width;
  if (left < in.screen.left()) left = in.screen.left();

  int top = in.control.y() - 3 + in.control.height();
  const int spaceBelow = in.screen.bottom() + 1 - top;
  const int spaceAbove = in.control.y() - in.screen.top();
  const bool upwards = spaceBelow < spaceAbove / 4;
  if (upwards)
    height = qMin(height, in.control.y() - in.screen.top() - 10);
  else
    height = qMin(height, in.screen.height() - (top - in.screen.top()) - in.control.height() - 30);
  // Whole rows only, never more than the list has.
  height = qMin(height, rows * in.itemHeight + 20);
  if (in.itemHeight > 0) height = qMax(0, (height - 20) / in.itemHeight) * in.itemHeight + 20;
  if (upwards) top = qMax(in.screen.top() + 10, in.control.y() - height);
  return QRect(left, top, width, height);
}

std::optional<QString> CompletionFor(const QString& text, const QStringList& items) {
  for (const QString& item : items)
    if (item.size() > text.size() && item.startsWith(text, Qt::CaseSensitive)) return item;
  return std::nullopt;
}

DropDownWindow::DropDownWindow(QWidget* owner) : QFrame(owner, Qt::Popup | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("DropDownList"));
  setAccessibleName(owner ? owner->accessibleName() : QString());
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::WindowText));  // clWindowFrame
  setPalette(pal);
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  list_ = new TOrnListBox(this);
  list_->setObjectName(QStringLiteral("DropDownListBox"));
  list_->setAccessibleName(accessibleName());
  list_->SetLoadAs(OrnTypes::AsLabel);
  list_->SetCharSetStyle(OrnTypes::cssAsLabel);
  list_->setFrameShape(QFrame::NoFrame);
  layout->addWidget(list_);
  list_->installEventFilter(this);
  connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int row = list_->row(item);
    hide();
    emit Chosen(row);
  });
}

bool DropDownWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const int row = list_->currentRow();
      hide();
      if (row >= 0) emit Chosen(row);
      return true;
    }
    if (key == Qt::Key_Escape) {
      hide();
      return true;
    }
  }
  return QFrame::eventFilter(watched, event);
}

void DropDownWindow::hideEvent(QHideEvent* event) {
  QFrame::hideEvent(event);
  emit Closed();
}

ComboList::ComboList(QLineEdit* edit) : QObject(edit), edit_(edit) {}

void ComboList::SetItems(const QStringList& items) {
  items_ = items;
  if (sorted) items_.sort(Qt::CaseInsensitive);
  itemIndex_ = items_.indexOf(edit_->text());
  RecomputeWidth();
}

void ComboList::SetItemIndex(int index) {
  if (index >= 0 && index < items_.size()) {
    itemIndex_ = index;
    edit_->setText(items_[index]);
    return;
  }
  itemIndex_ = -1;
  if (style != OrnData::csDropDown) edit_->clear();
}

void ComboList::RecomputeWidth() {
  const QFontMetrics metrics(edit_->font());
  int width = edit_->width() - 23;
  for (const QString& item : items_) width = qMax(width, metrics.horizontalAdvance(item.trimmed()));
  listTextWidth_ = width;
}

int ComboList::RowHeight() const { return itemHeight > 0 ? itemHeight : QFontMetrics(edit_->font()).height() + 2; }

bool ComboList::KeyPress(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Down:
      if (event->modifiers() & Qt::AltModifier) {
        DropDown();
      } else if (!items_.isEmpty()) {
        SetItemIndex(qMin(itemIndex_ + 1, static_cast<int>(items_.size()) - 1));
      }
      return true;
    case Qt::Key_Up:
      if (!items_.isEmpty()) SetItemIndex(qMax(itemIndex_ - 1, 0));
      return true;
    case Qt::Key_F4:
      DropDown();
      return true;
    default:
      return false;
  }
}

void ComboList::KeyRelease(QKeyEvent* event) {
  if (!showHinting) return;
  const int key = event->key();
  if (edit_->hasSelectedText()) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      edit_->deselect();
      edit_->setCursorPosition(edit_->text().size());
      return;
    }
    if (key == Qt::Key_Escape) {
      edit_->del();
      return;
    }
  }
  // Character keys only (the design's key codes above 47); Qt's own codes
  // for the other keys start at 0x01000000.
  const QString text = edit_->text();
  if (key <= 47 || key >= 0x01000000 || text.isEmpty() || edit_->cursorPosition() != text.size()) return;
  if (const auto item = CompletionFor(text, items_)) {
    edit_->setText(*item);
    edit_->setSelection(text.size(), item->size() - text.size());
  }
}

void ComboList::DropDown() {
  if (items_.isEmpty() || DroppedDown() || !edit_->isVisible()) return;
  if (!window_) {
    window_ = new DropDownWindow(edit_);
    connect(window_, &DropDownWindow::Chosen, this, [this](int row) {
      SetItemIndex(row);
      emit ItemChosen(row);
    });
    connect(window_, &DropDownWindow::Closed, this, &ComboList::ClosedUp);
  }
  TOrnListBox* list = window_->List();
  QFont font = edit_->font();
  list->setFont(font);
  list->setPalette(edit_->palette());  // clWindow and clWindowText
  list->SetItems(items_);
  for (int i = 0; i < list->count(); ++i) list->item(i)->setSizeHint(QSize(0, RowHeight()));
  list->setCurrentRow(itemIndex_ >= 0 ? itemIndex_ : 0);

  DropDownInput in;
  in.control = QRect(edit_->mapToGlobal(QPoint(0, 0)), edit_->size());
  const QScreen* screen = edit_->screen() ? edit_->screen() : QGuiApplication::primaryScreen();
  in.screen = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  in.itemCount = static_cast<int>(items_.size());
  in.itemHeight = RowHeight();
  in.dropDownCount = dropDownCount;
  in.listTextWidth = listTextWidth_;
  window_->setGeometry(DropDownGeometry(in));
  window_->show();
  list->setFocus();
  emit DroppedDownSignal();
}

void ComboList::CloseUp() {
  if (DroppedDown()) window_->hide();
}

}  // namespace orn
