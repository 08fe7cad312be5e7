#include "OrnLookList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "ComboEdit.h"
#include "TableError.h"

namespace {

// Spaces of the search text are kept as this character (code 149 of the
// design's code page), so that they show in the panel.
constexpr QChar kSpaceMark(u'\u2022');

QString Spaces(int n) { return QString(qMax(0, n), QLatin1Char(' ')); }
QString Unmarked(QString text) { return text.replace(kSpaceMark, QLatin1Char(' ')); }

// The final letters whose other case is tried when a seek fails.
QChar OtherCaseLatvian(QChar c) {
  static const QString lower = QStringLiteral("ēūīāšģķļžčņ");
  static const QString upper = QStringLiteral("ĒŪĪĀŠĢĶĻŽČŅ");
  if (int i = lower.indexOf(c); i >= 0) return upper[i];
  if (int i = upper.indexOf(c); i >= 0) return lower[i];
  return QChar();
}

// The "FIND" picture: a magnifying glass.
QPixmap FindPicture() {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 0, 128), 2));
  p.drawEllipse(QRectF(2, 2, 8, 8));
  p.drawLine(QPointF(9, 9), QPointF(14, 14));
  return picture;
}

QFont LookFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(9);
  return font;
}

}  // namespace

TOrnLookList::TOrnLookList(QWidget* parent)
    : TOrnCustomDBGrid(parent), link_(new TFieldDataLink(this)), titleFont_(LookFont()), tableFont_(LookFont()) {
  orn::SetCharset(this, 186);
  setFont(tableFont_);
  horizontalHeader()->setFont(titleFont_);
  horizontalHeader()->setSectionsClickable(true);
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &TOrnLookList::SetSearchColumn);
  connect(link_, &TFieldDataLink::DataChanged, this, &TOrnLookList::FollowField);
  SetOptions({});
}

void TOrnLookList::SetLookDispLabel(const QString& labels) {
  lookDispLabel_ = labels;
  RebuildTitles();
}

void TOrnLookList::SetLookTitleFont(const QFont& font) {
  titleFont_ = font;
  horizontalHeader()->setFont(font);
  RebuildTitles();
}

void TOrnLookList::SetLookTableFont(const QFont& font) {
  tableFont_ = font;
  setFont(font);
  RebuildTitles();
}

void TOrnLookList::SetLookupSource(TDataSource* source) {
  SetGridSource(source);
  if (source) connect(source, &TDataSource::DataChanged, this, &TOrnLookList::RebuildTitles, Qt::UniqueConnection);
  RebuildTitles();
}

void TOrnLookList::SetLookupDisplay(const QString& fields) {
  lookupDisplay_ = fields;
  QStringList columns;
  for (const QString& f : fields.split(';')) columns << f.trimmed();
  SetColumns(columns);
  RebuildTitles();
}

void TOrnLookList::SetOptions(OrnData::TLookListOptions options) {
  options_ = options;
  setShowGrid(options.testFlag(OrnData::lloColLines) || options.testFlag(OrnData::lloRowLines));
  horizontalHeader()->setVisible(options.testFlag(OrnData::lloTitles));
  RebuildTitles();
}

void TOrnLookList::RebuildTitles() {
  // Room for the column marker: spaces until they are 20 pixels wide.
  const QFontMetrics metrics(titleFont_);
  QString prefix;
  for (int i = 0; i < 11 && metrics.horizontalAdvance(prefix) < 20; ++i) prefix += ' ';
  const QStringList labels = lookDispLabel_.split(';');
  titles_.clear();
  TTable* table = GridTable();
  for (int i = 0; i < Columns().size(); ++i) {
    QString label = i < labels.size() ? labels[i] : QString();
    if (label.isEmpty()) {
      // The table's own label, which is its field name.
      label = Columns()[i];
      if (table && table->Active())
        for (const QString& name : table->FieldNames())
          if (name.compare(label, Qt::CaseInsensitive) == 0) label = name;
    }
    titles_ << prefix + label;
  }
  GridModel()->SetTitles(titles_);
  GridModel()->SetMarkedColumn(searchColumn_);
}

QString TOrnLookList::ColumnField(int column) const {
  return column >= 0 && column < Columns().size() ? Columns()[column] : QString();
}

QString TOrnLookList::KeyField() const {
  TTable* t = GridTable();
  const QStringList fields = t ? t->CurrentIndexFields() : QStringList();
  const int i = useMaster_ ? 1 : 0;
  return i < fields.size() ? fields[i] : QString();
}

void TOrnLookList::ChooseIndex() {
  TTable* t = GridTable();
  indexed_ = false;
  if (!t || !t->Active()) return;
  if (useMaster_ && t->MasterSource()) {
    const QStringList current = t->CurrentIndexFields();
    masterField_ = current.isEmpty() ? QString() : current.front();
    masterValue_ = t->MasterValue();
  }
  const QString field = ColumnField(searchColumn_);
  if (field.isEmpty()) return;
  const QString wanted = (useMaster_ && !masterField_.isEmpty() ? masterField_ + ';' : QString()) + field + ';';
  for (const QString& def : t->IndexDefs()) {
    if (!(def + ';').startsWith(wanted, Qt::CaseInsensitive)) continue;
    try {
      if (t->IndexFieldNames().compare(def, Qt::CaseInsensitive) != 0) t->SetIndexFieldNames(def);
      indexed_ = true;
    } catch (const orn::TableError&) {
      indexed_ = false;
    }
    return;
  }
}

void TOrnLookList::SetSearchColumn(int column) {
  if (column != searchColumn_) columnChanged_ = true;
  searchColumn_ = column;
  ChooseIndex();
  RebuildTitles();
}

void TOrnLookList::focusInEvent(QFocusEvent* event) {
  TOrnCustomDBGrid::focusInEvent(event);
  if (currentIndex().isValid() && currentIndex().column() != searchColumn_) {
    searchColumn_ = currentIndex().column();
    columnChanged_ = true;
  }
  ChooseIndex();
  RebuildTitles();
}

bool TOrnLookList::Accepts(QChar typed) const {
  TTable* t = GridTable();
  const QString field = ColumnField(searchColumn_);
  if (!t || !t->Active() || !t->HasField(field)) return false;
  const std::string type = const_cast<TTable*>(t)->FieldByName(field).DataType();
  if (type == "Short" || type == "Long" || type == "Autoincrement" || type == "Number" || type == "Currency" ||
      type == "BCD")
    return typed.isDigit() || typed == '-' || typed == '+' || typed == '.' || typed == ' ';
  if (type == "Date" || type == "Time" || type == "Timestamp")
    return typed.isDigit() || typed == '.' || typed == ':' || typed == ' ';
  return true;
}

bool TOrnLookList::Seek(QChar& typed) {
  TTable* t = GridTable();
  const QString keyField = KeyField();
  if (keyField.isEmpty()) return false;
  const orn::Field field = t->FieldByName(keyField);
  const QString candidate = Unmarked(searchText_) + typed;
  // Right-aligned codes: the text is tried after as many blanks as leave it
  // room in the field, then after fewer, down to none.
  const int pad = field.DataType() == "Alpha" ? field.Size() - static_cast<int>(candidate.size()) : 0;
  auto tryAt = [&](int blanks, const QString& text) {
    const QString padded = Spaces(blanks) + text;
    try {
      t->SetKey();
      if (useMaster_ && !masterField_.isEmpty()) t->SetKeyValue(0, masterValue_);
      t->SetKeyValue(useMaster_ && !masterField_.isEmpty() ? 1 : 0, padded);
      t->GotoNearest();
    } catch (const orn::TableError&) {
      return false;  // a text the key field cannot hold matches nothing
    }
    return !t->IsEmpty() && t->FieldText(keyField).left(padded.size()).toUpper() == padded.toUpper();
  };
  for (int blanks = pad; blanks >= 0; --blanks) {
    if (tryAt(blanks, candidate)) return true;
    const QChar other = OtherCaseLatvian(typed);
    if (!other.isNull() && tryAt(blanks, candidate.left(candidate.size() - 1) + other)) {
      typed = other;
      return true;
    }
  }
  return false;
}

void TOrnLookList::TypeCharacter(QChar typed) {
  TTable* t = GridTable();
  if (!t || !t->Active()) return;
  if (!Accepts(typed)) {
    QApplication::beep();
    return;
  }
  if (!indexed_) {
    searchText_ += typed == ' ' ? kSpaceMark : typed;
    return;
  }
  t->DisableControls();
  const TBookmark bookmark = t->GetBookmark();
  if (Seek(typed))
    searchText_ += typed == ' ' ? kSpaceMark : typed;
  else
    t->GotoBookmark(bookmark);
  t->EnableControls();
  RebuildTitles();
}

void TOrnLookList::ContinueSearch() {
  TTable* t = GridTable();
  if (!t || !t->Active() || searchText_.isEmpty()) return;
  if (indexed_) {
    // Re-seek the whole text from its start.
    QString text = searchText_;
    searchText_.clear();
    for (QChar c : text) TypeCharacter(c == kSpaceMark ? QChar(' ') : c);
    ShowSearch();
    return;
  }
  const QString field = ColumnField(searchColumn_);
  const QString wanted = Unmarked(searchText_).toUpper();
  t->DisableControls();
  const TBookmark bookmark = t->GetBookmark();
  if (columnChanged_)
    t->First();
  else
    t->Next();
  columnChanged_ = false;
  bool found = false;
  for (; !t->Eof(); t->Next()) {
    if (t->FieldText(field).toUpper().startsWith(wanted)) {
      found = true;
      break;
    }
  }
  if (!found) t->GotoBookmark(bookmark);
  t->EnableControls();
  RebuildTitles();
}

// The list shows the record whose lookup field holds the edited field's
// value.
void TOrnLookList::FollowField() {
  TTable* t = GridTable();
  const QString value = link_->Text();
  if (!t || !t->Active() || value.isEmpty() || lookupField_.isEmpty() || !t->HasField(lookupField_)) return;
  if (t->FieldText(lookupField_) == value) return;
  for (const TTable::Row& row : t->Snapshot({lookupField_})) {
    if (row.texts.value(0) == value) {
      t->GotoBookmark(row.bookmark);
      return;
    }
  }
}

bool TOrnLookList::Choose() {
  TTable* t = GridTable();
  if (readOnly_ || !link_->Active() || !t || !t->Active() || t->IsEmpty() || lookupField_.isEmpty()) return false;
  return link_->Store(t->FieldText(lookupField_), orn::OwnerCaption(this));
}

bool TOrnLookList::SearchPanelShown() const { return panel_ && panel_->isVisible(); }

void TOrnLookList::ShowSearch() {
  if (!parentWidget()) return;
  if (!panel_) {
    panel_ = new QFrame(parentWidget());
    panel_->setObjectName(objectName() + QStringLiteral("SearchPanel"));
    panel_->setFrameStyle(QFrame::Box | QFrame::Sunken);
    panel_->setLineWidth(1);
    panel_->setAutoFillBackground(true);
    auto* picture = new QLabel(panel_);
    picture->setPixmap(FindPicture());
    picture->setAccessibleName(QStringLiteral("Find"));
    picture->move(4, 6);
    panelText_ = new QLabel(panel_);
    panelText_->setObjectName(QStringLiteral("SearchText"));
    panelText_->move(24, 3);
  }
  panelText_->setFont(font());
  panelText_->setText(searchText_);
  panelText_->setAccessibleName(searchText_);
  panelText_->resize(qMax(10, width() - 28), 22);
  panel_->setGeometry(x() - 2, y() + height() - 2, width(), 28);
  panel_->setVisible(!searchText_.isEmpty());
  if (panel_->isVisible()) panel_->raise();
}

void TOrnLookList::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Choose();
    return;
  }
  if (key == Qt::Key_Escape) {
    if (!isVisible()) link_->Reset();
    if (SearchPanelShown()) {
      searchText_.clear();
      panel_->hide();
    }
    return;
  }
  if (key == Qt::Key_Backspace) {
    searchText_.chop(1);
    ShowSearch();
    RebuildTitles();
    return;
  }
  const QString text = event->text();
  if (text.size() == 1 && text[0].isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    TypeCharacter(text[0]);
    ShowSearch();
    return;
  }
  const int column = currentIndex().column();
  TOrnCustomDBGrid::keyPressEvent(event);
  if (currentIndex().column() != column) SetSearchColumn(currentIndex().column());
}

void TOrnLookList::mousePressEvent(QMouseEvent* event) {
  const int column = currentIndex().column();
  TOrnCustomDBGrid::mousePressEvent(event);
  if (currentIndex().isValid() && currentIndex().column() != column) SetSearchColumn(currentIndex().column());
  if (!searchText_.isEmpty()) {
    ContinueSearch();
    ShowSearch();
  }
  Choose();
}

void TOrnLookList::moveEvent(QMoveEvent* event) {
  TOrnCustomDBGrid::moveEvent(event);
  if (SearchPanelShown()) ShowSearch();
}

void TOrnLookList::resizeEvent(QResizeEvent* event) {
  TOrnCustomDBGrid::resizeEvent(event);
  if (SearchPanelShown()) ShowSearch();
}
