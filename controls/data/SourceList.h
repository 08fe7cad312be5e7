// The list files behind the combo boxes: where a control's list file lives
// (its load style), reading it whole, creating it empty, adding a line,
// saving the edited list, and the item filter through the evaluator. The
// combo boxes and the list box share these; the messages a person sees are
// the controls' own ("ORNCB..." keys of the dictionary, English fallback).
//
// A list file is text, one item per line, in code page 1257 as the system
// keeps it (a file that is UTF-8 already stays UTF-8). A file that is not
// text (control bytes) is not taken as a list, so that saving cannot
// overwrite it with something else.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "DataTypes.h"

class QWidget;

namespace orn {

class ExprForm;

// The controls' message list: Name=Value lines filled from the dictionary's
// system texts by ChangeLanguage; a blank entry falls back to English.
class ComboMessages {
 public:
  void ChangeLanguage();
  QString Text(const QString& key) const;
  const QStringList& Lines() const { return lines_; }

 private:
  QStringList lines_;
};

// Shows a combo box message in the message window: caption of the owner
// window, %S replaced by `file`. Questions answer true for Yes.
void ShowComboMessage(const QWidget* owner, const ComboMessages& messages, const QString& key,
                      const QString& file = QString());
bool AskComboQuestion(const QWidget* owner, const ComboMessages& messages, const QString& key);

// The folder (with a trailing separator) a list file is looked for in, as
// the load style decides. `sourceFile` is reduced to its file name for
// lsFromExePath. `aliasDatabase` is the DatabaseName of the alias table,
// `registerDatabase` that of the main window's "TablSprFiles" (empty when
// there is none). Throws orn::TableError for an alias that cannot be read.
QString SourceFolder(TLoadStyle style, QString& sourceFile, const QString& aliasDatabase,
                     const QString& registerDatabase, const QString& exeFolder);
// folder + file, with ".MNU" added when the name has no ".".
QString SourceFileName(const QString& folder, const QString& sourceFile);

// The list file operations. Each returns false and fills `failedKey` with
// the message key when it fails; the file is then as it was.
struct ListFile {
  // Creates the file empty when it is missing.
  static bool Ensure(const QString& path, QString* failedKey);
  static bool Load(const QString& path, QStringList* items, QString* failedKey);
  static bool Save(const QString& path, const QStringList& items, QString* failedKey);
  // Adds one line at the end, keeping the file's encoding.
  static bool AppendLine(const QString& path, const QString& item, QString* failedKey);
};

// The items for which `filter`, with every "%S" replaced by the quoted item,
// evaluates to "T", in their order. When the filter does not evaluate for
// an item the evaluator shows its message once, filtering stops and the
// items are kept unfiltered (`failed` set).
QStringList FilterItems(const QStringList& items, const QString& filter, ExprForm* form, bool* failed = nullptr);
// The Filtered mode: the items as the field "Value" of a one-field table,
// kept where `filter` evaluates to "T" over that record.
QStringList FilterItemsAsValue(const QStringList& items, const QString& filter, bool* failed = nullptr);

// Case-insensitive membership, as Add and the double-click test it.
bool ContainsItem(const QStringList& items, const QString& text);

// The program's folder, where lsFromExePath and the list box look for their
// list files; a test may point it elsewhere.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);

// The form of the window a control sits in, as the evaluator sees it.
ExprForm* ExprFormOf(const QWidget* control);

}  // namespace orn
