#include "SourceList.h"

#include <QWidget>

#include "Aliases.h"
#include "CodePage.h"
#include "ComboEdit.h"
#include "DialogService.h"
#include "Evaluator.h"
#include "FileSystem.h"
#include "LangComponents.h"
#include "MemoryDataset.h"
#include "TextUtil.h"

namespace orn {

namespace {

struct MessageDef {
  const char* key;
  const char* fallback;
};

// In the order the language pass fills the message list.
const MessageDef kMessages[] = {
    {"ORNCBCancelChanges", "Cancel changes?"},
    {"ORNCBSaveChanges", "Save changes?"},
    {"OrnCBPopupMenu_1", "Add"},
    {"OrnCBPopupMenu_2", "Edit"},
    {"ORNCBStylePropertyError", "Property Style values csOwnerDrawFixed and csOwnerDrawVariable is not used"},
    {"ORNCBEmptySourceFileValue", "Empty SourceFile value"},
    {"ORNCBCanNotCreteFile", "Can not create file %S"},
    {"ORNCBAddStringToList", "Add string to list?"},
    {"ORNCBCanNotReadFile", "Can not read file %S"},
    {"ORNCBCanNotWriteFile", "Can not write file %S"},
};

constexpr int kCodePage = 1257;

std::string S(const QString& text) { return text.toStdString(); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

bool IsUtf8Text(const std::string& bytes) { return !IsPlainAscii(bytes) && IsValidUtf8(bytes); }

// Control bytes other than tab, line ends and the old end-of-file mark mean
// the file is no list.
bool LooksLikeText(const std::string& bytes) {
  for (unsigned char c : bytes)
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != 0x1A) return false;
  return true;
}

// The bytes of `text` for a file kept in code page 1257, or in UTF-8 when
// the file is UTF-8 already or the code page cannot hold the text.
std::string Encode(const QString& text, bool utf8) {
  const std::string u = S(text);
  if (utf8) return u;
  const std::string cp = FromUtf8(u, kCodePage);
  return ToUtf8(cp, kCodePage) == u ? cp : std::string();
}

std::string WithoutBom(std::string bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
  return bytes;
}

bool Write(const QString& path, const std::string& bytes, QString* failedKey) {
  if (WriteFileAtomically(S(path), bytes)) return true;
  if (failedKey) *failedKey = QStringLiteral("ORNCBCanNotWriteFile");
  return false;
}

std::string ListBytes(const QStringList& items, bool utf8) {
  std::string out;
  for (const QString& item : items) {
    std::string line = Encode(item, utf8);
    if (line.empty() && !item.isEmpty()) return ListBytes(items, true);
    out += line + "\r\n";
  }
  return out;
}

// Double quotes as the design has them; an item holding one goes in single
// quotes, so that it still reads as one text.
QString Quoted(const QString& item) {
  if (item.contains(QLatin1Char('"')) && !item.contains(QLatin1Char('\''))) return QStringLiteral("'%1'").arg(item);
  return QStringLiteral("\"%1\"").arg(item);
}

}  // namespace

void ComboMessages::ChangeLanguage() {
  lines_.clear();
  for (const MessageDef& m : kMessages) {
    const std::string text = TextOf(TextKind::System, m.key);
    if (!IsBlank(text)) lines_ << QString::fromLatin1(m.key) + QLatin1Char('=') + Q(text);
  }
}

QString ComboMessages::Text(const QString& key) const {
  for (const QString& line : lines_) {
    const int eq = line.indexOf('=');
    if (eq > 0 && line.left(eq).compare(key, Qt::CaseInsensitive) == 0 && !line.mid(eq + 1).trimmed().isEmpty())
      return line.mid(eq + 1);
  }
  for (const MessageDef& m : kMessages)
    if (key.compare(QLatin1String(m.key), Qt::CaseInsensitive) == 0) return QLatin1String(m.fallback);
  return key;
}

void ShowComboMessage(const QWidget* owner, const ComboMessages& messages, const QString& key, const QString& file) {
  MessageBoxRequest request;
  request.caption = S(OwnerCaption(owner));
  QString text = messages.Text(key);
  text.replace(QLatin1String("%S"), file, Qt::CaseInsensitive);
  request.message = S(text);
  request.iconIndex = key == QLatin1String("ORNCBStylePropertyError") ? 0 : 1;
  request.buttons = 0;
  Dialogs().MessageBox(request);
}

bool AskComboQuestion(const QWidget* owner, const ComboMessages& messages, const QString& key) {
  MessageBoxRequest request;
  request.caption = S(OwnerCaption(owner));
  request.message = S(messages.Text(key));
  request.iconIndex = 2;
  request.defaultButton = 0;
  request.buttons = 6;
  return Dialogs().MessageBox(request) == kMsgOk;
}

QString SourceFolder(TLoadStyle style, QString& sourceFile, const QString& aliasDatabase,
                     const QString& registerDatabase, const QString& exeFolder) {
  auto aliasPath = [](const QString& alias) {
    for (const std::string& line : GetAliasParams(S(alias)))
      if (UpperAscii(line.substr(0, 5)) == "PATH=") return Q(line.substr(5)).left(100);
    return QString();
  };
  const QChar sep = QLatin1Char(kPathDelim);
  switch (style) {
    case OrnData::lsFromAliasPath:
      if (aliasDatabase.trimmed().isEmpty() || aliasDatabase.contains(sep)) return QString();
      return Q(IncludeTrailingDelimiter(S(aliasPath(aliasDatabase))));
    case OrnData::lsFromExePath: {
      sourceFile = Q(ExtractFileName(S(sourceFile)));
      QString folder = Q(IncludeTrailingDelimiter(S(exeFolder)));
      if (registerDatabase.trimmed().isEmpty()) return folder;
      if (registerDatabase.contains(sep)) return Q(IncludeTrailingDelimiter(S(registerDatabase)));
      // The list files of a register reached by alias live in "Spr_comm"
      // beside the alias's data folder.
      const std::string named = S(aliasPath(registerDatabase).trimmed()) + ".txt";
      return Q(ExtractFilePath(named)) + QStringLiteral("Spr_comm") + sep;
    }
    default:
      return QString();
  }
}

QString SourceFileName(const QString& folder, const QString& sourceFile) {
  return folder + sourceFile + (sourceFile.contains('.') ? QString() : QStringLiteral(".MNU"));
}

bool ListFile::Ensure(const QString& path, QString* failedKey) {
  if (FileExists(S(path))) return true;
  if (!PathExists(S(path)) && WriteFileAtomically(S(path), std::string())) return true;
  if (failedKey) *failedKey = QStringLiteral("ORNCBCanNotCreteFile");
  return false;
}

bool ListFile::Load(const QString& path, QStringList* items, QString* failedKey) {
  std::optional<std::string> bytes;
  if (FileExists(S(path))) bytes = ReadWholeFile(S(path));
  if (!bytes || !LooksLikeText(*bytes)) {
    if (failedKey) *failedKey = QStringLiteral("ORNCBCanNotReadFile");
    return false;
  }
  const std::string text = WithoutBom(*bytes);
  const std::string utf8 = IsUtf8Text(text) ? text : ToUtf8(text, kCodePage);
  items->clear();
  for (const std::string& line : SplitLines(utf8)) *items << Q(line);
  return true;
}

bool ListFile::Save(const QString& path, const QStringList& items, QString* failedKey) {
  const auto old = ReadWholeFile(S(path));
  return Write(path, ListBytes(items, old && IsUtf8Text(WithoutBom(*old))), failedKey);
}

bool ListFile::AppendLine(const QString& path, const QString& item, QString* failedKey) {
  QStringList items;
  const auto old = ReadWholeFile(S(path));
  if (!old || !LooksLikeText(*old)) {
    if (failedKey) *failedKey = QStringLiteral("ORNCBCanNotWriteFile");
    return false;
  }
  bool utf8 = IsUtf8Text(WithoutBom(*old));
  std::string line = Encode(item, utf8);
  if (line.empty() && !item.isEmpty()) {
    // The code page cannot hold the new item: the whole list goes to UTF-8.
    if (!Load(path, &items, failedKey)) return false;
    items << item;
    return Write(path, ListBytes(items, true), failedKey);
  }
  std::string bytes = *old;
  if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += "\r\n";
  return Write(path, bytes + line + "\r\n", failedKey);
}

QStringList FilterItems(const QStringList& items, const QString& filter, ExprForm* form, bool* failed) {
  if (failed) *failed = false;
  if (filter.trimmed().isEmpty()) return items;
  QStringList kept;
  for (const QString& item : items) {
    QString expression = filter;
    expression.replace(QLatin1String("%S"), Quoted(item), Qt::CaseInsensitive);
    const std::string result = EvaluateUtf8(S(expression), nullptr, form);
    if (result == kEvalError) {
      if (failed) *failed = true;
      return items;
    }
    if (result == "T") kept << item;
  }
  return kept;
}

QStringList FilterItemsAsValue(const QStringList& items, const QString& filter, bool* failed) {
  if (failed) *failed = false;
  if (filter.trimmed().isEmpty()) return items;
  MemoryDataset table;
  table.AddField("Value", FieldType::String);
  for (const QString& item : items) table.AddRow({MemoryDataset::Text(S(item))});
  QStringList kept;
  for (int i = 0; i < items.size(); ++i) {
    table.SetCurrent(static_cast<std::size_t>(i));
    const std::string result = EvaluateUtf8(S(filter), &table, nullptr);
    if (result == kEvalError) {
      if (failed) *failed = true;
      return items;
    }
    if (result == "T") kept << items[i];
  }
  return kept;
}

namespace {
QString& ProgramFolderOverride() {
  static QString folder;
  return folder;
}
}  // namespace

QString ProgramFolder() { return ProgramFolderOverride().isEmpty() ? Q(ExecutableDir()) : ProgramFolderOverride(); }
void SetProgramFolder(const QString& folder) { ProgramFolderOverride() = folder; }

bool ContainsItem(const QStringList& items, const QString& text) { return items.contains(text, Qt::CaseInsensitive); }

}  // namespace orn
