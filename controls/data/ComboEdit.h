// The edit bases of the data-aware controls: an edit with a drop-down button
// (TComboEdit), its data-aware twin (TDBComboEdit) and the data-aware edit
// (TDBEdit). The data-aware ones show their field, follow the data set's
// moves and write a changed text back through the field data link when the
// person leaves them.
#pragma once

#include <QToolButton>

#include "DataSet.h"
#include "OrnEdits.h"

class TComboEdit : public TOrnEdit {
  Q_OBJECT
 public:
  explicit TComboEdit(QWidget* parent = nullptr);
  QToolButton* Button() const { return button_; }

 signals:
  void ButtonClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* button_;
};

// The field link of the data-aware edits, shared by the two bases below.
class DataFieldEditor : public QObject {
  Q_OBJECT
 public:
  explicit DataFieldEditor(QLineEdit* edit);
  TFieldDataLink* Link() const { return link_; }
  // Writes the edit's text when it differs from the field; false when the
  // layer refused it (the message has been shown).
  bool Commit();
  void Refresh();

 private:
  QLineEdit* edit_;
  TFieldDataLink* link_;
};

class TDBComboEdit : public TComboEdit {
  Q_OBJECT
 public:
  explicit TDBComboEdit(QWidget* parent = nullptr);
  TDataSource* DataSource() const { return editor_->Link()->DataSource(); }
  void SetDataSource(TDataSource* source) { editor_->Link()->SetDataSource(source); }
  QString DataField() const { return editor_->Link()->FieldName(); }
  void SetDataField(const QString& name) { editor_->Link()->SetFieldName(name); }
  TFieldDataLink* FieldLink() const { return editor_->Link(); }
  TTable* DataSet() const { return editor_->Link()->DataSet(); }
  bool UpdateRecord() { return editor_->Commit(); }

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  DataFieldEditor* editor_;
};

class TDBEdit : public TOrnEdit {
  Q_OBJECT
 public:
  explicit TDBEdit(QWidget* parent = nullptr);
  TDataSource* DataSource() const { return editor_->Link()->DataSource(); }
  void SetDataSource(TDataSource* source) { editor_->Link()->SetDataSource(source); }
  QString DataField() const { return editor_->Link()->FieldName(); }
  void SetDataField(const QString& name) { editor_->Link()->SetFieldName(name); }
  TFieldDataLink* FieldLink() const { return editor_->Link(); }
  bool UpdateRecord() { return editor_->Commit(); }

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  DataFieldEditor* editor_;
};

namespace orn {
// The caption of the window a control sits in, for its messages.
QString OwnerCaption(const QWidget* control);
}  // namespace orn
