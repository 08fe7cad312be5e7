// TOrnLookList: a row-select grid over a lookup table for picking a record,
// with translated column titles and a search by typing. The search follows
// the column the person is in: with an index that starts with that column's
// field it seeks through the index (the typed text right-aligned within the
// field, and the final Latvian letter tried in both cases); otherwise typing
// collects the text and a click scans the records for it. The typed text
// shows in a small search panel below the list.
#pragma once

#include <QFont>
#include <QFrame>

#include "DataTypes.h"
#include "OrnDBGrid.h"
#include "OrnTypes.h"

class QLabel;

class TOrnLookList : public TOrnCustomDBGrid {
  Q_OBJECT
  Q_PROPERTY(bool UseMaster READ UseMaster WRITE SetUseMaster)
  Q_PROPERTY(QString LookDispLabel READ LookDispLabel WRITE SetLookDispLabel)
  Q_PROPERTY(QFont LookTitleFont READ LookTitleFont WRITE SetLookTitleFont)
  Q_PROPERTY(QFont LookTableFont READ LookTableFont WRITE SetLookTableFont)
  Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
  Q_PROPERTY(QString LookupDisplay READ LookupDisplay WRITE SetLookupDisplay)
  Q_PROPERTY(QString LookupField READ LookupField WRITE SetLookupField)
  Q_PROPERTY(OrnData::TLookListOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(OrnTypes::TCharSetStyle3 CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
  Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)

 public:
  explicit TOrnLookList(QWidget* parent = nullptr);

  bool UseMaster() const { return useMaster_; }
  void SetUseMaster(bool on) { useMaster_ = on; }
  QString LookDispLabel() const { return lookDispLabel_; }
  void SetLookDispLabel(const QString& labels);
  QFont LookTitleFont() const { return titleFont_; }
  void SetLookTitleFont(const QFont& font);
  QFont LookTableFont() const { return tableFont_; }
  void SetLookTableFont(const QFont& font);
  TDataSource* DataSource() const { return link_->DataSource(); }
  void SetDataSource(TDataSource* source) { link_->SetDataSource(source); }
  QString DataField() const { return link_->FieldName(); }
  void SetDataField(const QString& field) { link_->SetFieldName(field); }
  TDataSource* LookupSource() const { return GridSource(); }
  void SetLookupSource(TDataSource* source);
  QString LookupDisplay() const { return lookupDisplay_; }
  void SetLookupDisplay(const QString& fields);
  QString LookupField() const { return lookupField_; }
  void SetLookupField(const QString& field) { lookupField_ = field; }
  OrnData::TLookListOptions Options() const { return options_; }
  void SetOptions(OrnData::TLookListOptions options);
  TCharSetStyle3 CharSetStyle() const { return charSetStyle_; }
  void SetCharSetStyle(TCharSetStyle3 style) { charSetStyle_ = style; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on) { readOnly_ = on; }

  // The typed text as the panel shows it (spaces as "•").
  QString SearchText() const { return searchText_; }
  bool SearchIndexed() const { return indexed_; }
  bool SearchPanelShown() const;
  int SearchColumn() const { return searchColumn_; }
  // Makes `column` the search column and chooses its index, as a click
  // into its title does.
  void SetSearchColumn(int column);
  // The titles as shown: the marker room and each column's label.
  QStringList Titles() const { return titles_; }
  void RebuildTitles();
  // What a click into a data row does for the search: an unindexed search
  // scans on from the next record (from the first after a column change).
  void ContinueSearch();
  // Writes the lookup field of the current record into DataField.
  bool Choose();

  Q_INVOKABLE void ChangeLanguage() { RebuildTitles(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ChooseIndex();
  void FollowField();
  void TypeCharacter(QChar typed);
  bool Seek(QChar& typed);
  bool Accepts(QChar typed) const;
  void ShowSearch();
  QString ColumnField(int column) const;
  QString KeyField() const;

  TFieldDataLink* link_;
  bool useMaster_ = false;
  QString lookDispLabel_;
  QFont titleFont_;
  QFont tableFont_;
  QString lookupDisplay_;
  QString lookupField_;
  OrnData::TLookListOptions options_;
  TCharSetStyle3 charSetStyle_ = OrnTypes::cssAsEdit;
  bool readOnly_ = false;
  QStringList titles_;

  QString searchText_;
  int searchColumn_ = 0;
  bool indexed_ = false;
  bool columnChanged_ = true;
  QString masterField_;
  QString masterValue_;
  QFrame* panel_ = nullptr;
  QLabel* panelText_ = nullptr;
};
