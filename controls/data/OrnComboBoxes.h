// The combo boxes with list files: TOrnSingleComboBox (items, own drop-down
// window, keyboard selection, type-ahead), TOrnComboBox (adds the list file,
// filter, Add / Edit menu and list editor), and their data-aware twins
// TOrnSingleDBComboBox and TOrnDBNComboBox (with the Filtered mode). The
// controls are set up by their properties and then Loaded, as a form
// resource would do.
#pragma once

#include "ComboEdit.h"
#include "ComboList.h"
#include "ComboSource.h"

class TOrnSingleComboBox : public TComboEdit {
  Q_OBJECT
  Q_PROPERTY(bool ShowHinting READ ShowHinting WRITE SetShowHinting)
  Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)
  Q_PROPERTY(OrnTypes::TCharSetStyle3 CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
  Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
  Q_PROPERTY(OrnData::TComboBoxStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
  Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)

 public:
  explicit TOrnSingleComboBox(QWidget* parent = nullptr);

  bool ShowHinting() const { return list_->showHinting; }
  void SetShowHinting(bool on) { list_->showHinting = on; }
  int DropDownCount() const { return list_->dropDownCount; }
  void SetDropDownCount(int rows) { list_->dropDownCount = rows; }
  TCharSetStyle3 CharSetStyle() const { return TOrnEdit::CharSetStyle(); }
  void SetCharSetStyle(TCharSetStyle3 style) { TOrnEdit::SetCharSetStyle(style); }
  int ItemHeight() const { return list_->RowHeight(); }
  void SetItemHeight(int height) { list_->itemHeight = height; }
  TComboBoxStyle Style() const { return list_->style; }
  void SetStyle(TComboBoxStyle style) { list_->style = style; }
  QStringList Items() const { return list_->Items(); }
  void SetItems(const QStringList& items) { list_->SetItems(items); }
  bool Sorted() const { return list_->sorted; }
  void SetSorted(bool sorted) { list_->sorted = sorted; }
  int ItemIndex() const { return list_->ItemIndex(); }
  void SetItemIndex(int index) { list_->SetItemIndex(index); }

  orn::ComboList* List() const { return list_; }
  void DropDown() { list_->DropDown(); }

 signals:
  void OnDropDown();
  void OnCloseUp();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  orn::ComboList* list_;
};

class TOrnComboBox : public TOrnSingleComboBox {
  Q_OBJECT
  Q_PROPERTY(bool Right READ Right WRITE SetRight)
  Q_PROPERTY(bool ShowPopupMenu READ ShowPopupMenu WRITE SetShowPopupMenu)
  Q_PROPERTY(OrnData::TCharSetStyle CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
  Q_PROPERTY(OrnData::TLoadStyle LoadStyle READ LoadStyle WRITE SetLoadStyle)
  Q_PROPERTY(QString SourceFile READ SourceFile WRITE SetSourceFile)
  Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
  Q_PROPERTY(int MaxWidth MEMBER maxWidth_)
  Q_PROPERTY(QString PathFromFileAlias MEMBER pathFromFileAlias_)
  Q_PROPERTY(int HeightUserDef MEMBER heightUserDef_)
  Q_PROPERTY(int NumGlyphs MEMBER numGlyphs_)

 public:
  explicit TOrnComboBox(QWidget* parent = nullptr);

  bool Right() const { return right_; }
  void SetRight(bool right) { right_ = right; }
  bool ShowPopupMenu() const { return source_->showPopupMenu; }
  void SetShowPopupMenu(bool show) { source_->showPopupMenu = show; }
  TCharSetStyle CharSetStyle() const { return charSetStyle_; }
  void SetCharSetStyle(TCharSetStyle style) { charSetStyle_ = style; }
  TLoadStyle LoadStyle() const { return source_->loadStyle; }
  void SetLoadStyle(TLoadStyle style) { source_->loadStyle = style; }
  QString SourceFile() const { return source_->sourceFile; }
  void SetSourceFile(const QString& name) { source_->sourceFile = name; }
  QString Filter() const { return source_->filter; }
  void SetFilter(const QString& filter) { source_->filter = filter; }
  // The table whose alias names the folder for lsFromAliasPath.
  TTable* AlFromTable() const { return alFromTable_; }
  void SetAlFromTable(TTable* table) { alFromTable_ = table; }

  // Reads the list file once the properties are set.
  void Loaded();
  // Adds the current text to the list and the file (WM_COMMAND 2000).
  void Add();
  // Opens the list editor (WM_COMMAND 2001).
  void Edit();
  orn::ComboSource* Source() const { return source_; }
  Q_INVOKABLE void ChangeLanguage() { source_->Messages().ChangeLanguage(); }

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  orn::ComboSource* source_;
  QPointer<TTable> alFromTable_;
  bool right_ = false;
  TCharSetStyle charSetStyle_ = OrnData::csAsEdit;
  int maxWidth_ = 0;
  QString pathFromFileAlias_;
  int heightUserDef_ = 0;
  int numGlyphs_ = 1;
};

class TOrnSingleDBComboBox : public TDBComboEdit {
  Q_OBJECT
  Q_PROPERTY(bool ShowHinting READ ShowHinting WRITE SetShowHinting)
  Q_PROPERTY(int DropDownCount READ DropDownCount WRITE SetDropDownCount)
  Q_PROPERTY(OrnTypes::TCharSetStyle3 CharSetStyle READ CharSetStyle WRITE SetCharSetStyle)
  Q_PROPERTY(OrnData::TComboBoxStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(QStringList Items READ Items WRITE SetItems)

 public:
  explicit TOrnSingleDBComboBox(QWidget* parent = nullptr);

  bool ShowHinting() const { return list_->showHinting; }
  void SetShowHinting(bool on) { list_->showHinting = on; }
  int DropDownCount() const { return list_->dropDownCount; }
  void SetDropDownCount(int rows) { list_->dropDownCount = rows; }
  TCharSetStyle3 CharSetStyle() const { return TOrnEdit::CharSetStyle(); }
  void SetCharSetStyle(TCharSetStyle3 style) { TOrnEdit::SetCharSetStyle(style); }
  TComboBoxStyle Style() const { return list_->style; }
  void SetStyle(TComboBoxStyle style) { list_->style = style; }
  QStringList Items() const { return list_->Items(); }
  void SetItems(const QStringList& items) { list_->SetItems(items); }
  int ItemIndex() const { return list_->ItemIndex(); }
  void SetItemIndex(int index) { list_->SetItemIndex(index); }
  orn::ComboList* List() const { return list_; }
  void DropDown() { list_->DropDown(); }

 signals:
  void OnDropDown();
  void OnCloseUp();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  orn::ComboList* list_;
};

class TOrnDBNComboBox : public TOrnSingleDBComboBox {
  Q_OBJECT
  Q_PROPERTY(bool ShowPopupMenu READ ShowPopupMenu WRITE SetShowPopupMenu)
  Q_PROPERTY(OrnData::TLoadStyle LoadStyle READ LoadStyle WRITE SetLoadStyle)
  Q_PROPERTY(QString SourceFile READ SourceFile WRITE SetSourceFile)
  Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
  Q_PROPERTY(bool Filtered READ Filtered WRITE SetFiltered)
  Q_PROPERTY(int MaxWidth MEMBER maxWidth_)
  Q_PROPERTY(QString PathFromFileAlias MEMBER pathFromFileAlias_)
  Q_PROPERTY(int HeightUserDef MEMBER heightUserDef_)

 public:
  explicit TOrnDBNComboBox(QWidget* parent = nullptr);

  bool ShowPopupMenu() const { return source_->showPopupMenu; }
  void SetShowPopupMenu(bool show) { source_->showPopupMenu = show; }
  TLoadStyle LoadStyle() const { return source_->loadStyle; }
  void SetLoadStyle(TLoadStyle style) { source_->loadStyle = style; }
  QString SourceFile() const { return source_->sourceFile; }
  void SetSourceFile(const QString& name) { source_->sourceFile = name; }
  QString Filter() const { return source_->filter; }
  void SetFilter(const QString& filter) { source_->filter = filter; }
  bool Filtered() const { return filtered_; }
  // On: the items become those of the full list that the filter keeps, the
  // item as the field "Value". Off: the full list again.
  void SetFiltered(bool on);
  QStringList FullList() const { return fullList_; }

  void Loaded();
  void Add();
  void Edit();
  orn::ComboSource* Source() const { return source_; }
  // The key that closed the drop-down list last (Enter), or 0.
  int ClosingKey() const { return closingKey_; }
  Q_INVOKABLE void ChangeLanguage() { source_->Messages().ChangeLanguage(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  orn::ComboSource* source_;
  QStringList fullList_;
  bool filtered_ = false;
  int closingKey_ = 0;
  int maxWidth_ = 0;
  QString pathFromFileAlias_;
  int heightUserDef_ = 0;
};
