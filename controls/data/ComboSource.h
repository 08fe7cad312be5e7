// The list file side of TOrnComboBox and TOrnDBNComboBox: loading the list
// once (load style, creating the file, the filter), adding the typed text,
// the Add / Edit popup menu and the small list editor window with its
// questions.
#pragma once

#include <QFrame>
#include <QPointer>
#include <functional>

#include "SourceList.h"

class QLineEdit;
class QMenu;
class TOrnButton;
class TOrnMemo;

namespace orn {

// The list editor: a borderless window under (or above) the control with a
// memo of the items and Ok / Cancel. Leaving it counts as Cancel.
class ListEditor : public QFrame {
  Q_OBJECT
 public:
  ListEditor(QLineEdit* control, const ComboMessages* messages);
  // Lays the editor out for `items` and shows it; `save` receives the
  // edited lines when the person keeps them.
  void Open(const QStringList& items, std::function<void(const QStringList&)> save);
  TOrnMemo* Memo() const { return memo_; }
  void Ok();
  void Cancel();

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Finish(bool keep);

  QLineEdit* control_;
  const ComboMessages* messages_;
  QFrame* panel_;
  TOrnMemo* memo_;
  TOrnButton* ok_;
  TOrnButton* cancel_;
  std::function<void(const QStringList&)> save_;
  QPointer<QWidget> previousFocus_;
  bool closing_ = false;
};

class ComboSource : public QObject {
  Q_OBJECT
 public:
  explicit ComboSource(QLineEdit* control);

  TLoadStyle loadStyle = OrnData::lsFromExePath;
  QString sourceFile;
  QString filter;
  bool showPopupMenu = true;

  bool Usable() const { return usable_; }
  QString Folder() const { return folder_; }
  QString FullName() const { return fullName_; }
  ComboMessages& Messages() { return messages_; }

  // Steps 3 to 7 of loading. `items` holds the design-time items and
  // receives the list; `fullList` (the data-aware twin) the unfiltered one.
  // `aliasDatabase` names the folder for lsFromAliasPath.
  void Load(QStringList& items, QStringList* fullList, const QString& aliasDatabase);
  // Adds `text` to the items and the file unless it is there already
  // (letter case ignored). False when nothing was added.
  bool Add(const QString& text, QStringList& items);
  // Opens the list editor over `items`; `save` gets the kept lines.
  void Edit(const QStringList& items, std::function<void(const QStringList&)> save);
  // Writes the edited list to the file; false (message shown) on failure.
  bool Save(const QStringList& items);
  ListEditor* Editor() const { return editor_; }
  // The Add / Edit menu with fresh captions, or null when it does not open.
  QMenu* PopupMenu(std::function<void()> add, std::function<void()> edit);

 private:
  QLineEdit* control_;
  QString folder_;
  QString fullName_;
  bool usable_ = false;
  ComboMessages messages_;
  QPointer<ListEditor> editor_;
  QPointer<QMenu> menu_;
};

// The DatabaseName of the main window's "TablSprFiles" table, if any.
QString RegisterDatabaseName();

}  // namespace orn
