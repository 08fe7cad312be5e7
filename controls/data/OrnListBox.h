// TOrnListBox: an owner-drawn list box with its own list file in the
// program's folder and, when AllowEditing is set, a list editing window on
// right-click. The combo boxes' drop-down window shows one too.
#pragma once

#include <QListWidget>

#include "OrnTypes.h"
#include "SourceList.h"

class TOrnListBox : public QListWidget {
  Q_OBJECT
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)
  Q_PROPERTY(OrnTypes::TCharSetStyle3 CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
  Q_PROPERTY(QString SourceFile READ SourceFile WRITE SetSourceFile)
  Q_PROPERTY(bool AllowEditing READ AllowEditing WRITE SetAllowEditing)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)

 public:
  explicit TOrnListBox(QWidget* parent = nullptr);

  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs kind) { loadAs_ = kind; }
  TCharSetStyle3 CharSetStyle() const { return charSetStyle_; }
  void SetCharSetStyle(TCharSetStyle3 style) { charSetStyle_ = style; }
  QString SourceFile() const { return sourceFile_; }
  // Loads the items from the program's folder + the name (+ ".mnu" without
  // an extension) when that file exists.
  void SetSourceFile(const QString& name);
  bool AllowEditing() const { return allowEditing_; }
  void SetAllowEditing(bool allow) { allowEditing_ = allow; }
  QStringList Items() const;
  void SetItems(const QStringList& items);
  // The full name of the list file ("" without a SourceFile).
  QString SourcePath() const;

  // The list editing window ("Labot sarakstu"); on "Saglabāt" the items
  // are replaced and saved to the list file.
  void EditList();
  // What the editing window does when saved; tests call it directly.
  bool SaveEditedList(const QStringList& lines);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  TLoadAs loadAs_ = OrnTypes::AsEdit;
  TCharSetStyle3 charSetStyle_ = OrnTypes::cssAsEdit;
  QString sourceFile_;
  bool allowEditing_ = false;
  orn::ComboMessages messages_;
};
