#include "Register.h"

#include "Aliases.h"
#include "FileSystem.h"
#include "Table.h"
#include "TableError.h"
#include "TextUtil.h"

namespace orn {

void OpenRegister(Table& table, const std::string& registerPath) {
  table.Close();
  table.SetDatabaseName(
      ExtractFilePath(registerPath).empty() ? "." : ExcludeTrailingDelimiter(ExtractFilePath(registerPath)));
  table.SetTableName(ExtractFileName(registerPath));
  table.Open();
}

void CleanRegister(Table& table) {
  auto fail = table.FieldByName("Fail");
  table.First();
  while (!table.Eof()) {
    if (fail.AsString().empty()) {
      table.Delete();
      table.First();
    } else {
      table.Next();
    }
  }
}

void CleanRegister(const std::string& registerPath) {
  if (!FileExists(registerPath)) return;
  Table table;
  OpenRegister(table, registerPath);
  CleanRegister(table);
}

bool HasArchiveMark(const Table& table) { return table.HasField("PriznArh"); }

std::string AliasDirectory(const std::string& aliasValue) {
  const std::string alias = aliasValue.substr(0, aliasValue.find(';'));
  const auto params = GetAliasParams(alias);
  const std::string dir = IncludeTrailingDelimiter(params.front().substr(5));
  if (!DirectoryExists(dir))
    throw TableError(AliasFilePath(), "The folder \"" + dir + "\" of database alias \"" + alias + "\" does not exist");
  return dir;
}

std::vector<std::string> TableFiles(const std::string& dir, const std::string& fileName) {
  // Cut at the first '.' of the file name only: a folder such as
  // "buh.2024" must not be cut.
  const std::string mask = ExtractFileName(CutAtFirstDotOfName(dir + fileName)) + ".*";
  const std::string folder = ExtractFilePath(dir + fileName);
  std::vector<std::string> files;
  for (const auto& f : FindFiles(folder, mask)) files.push_back(folder + f.name);
  return files;
}

std::vector<std::string> BuildRegisterList(const std::string& registerPath, std::vector<std::string>* missingTables) {
  std::vector<std::string> list;
  if (!FileExists(registerPath)) return list;
  Table table;
  OpenRegister(table, registerPath);
  for (auto& f : TableFiles(ExtractFilePath(registerPath), ExtractFileName(registerPath))) list.push_back(std::move(f));

  auto fail = table.FieldByName("Fail");
  auto alias = table.FieldByName("Alias");
  const bool marked = HasArchiveMark(table);
  for (table.First(); !table.Eof(); table.Next()) {
    if (marked && !table.FieldByName("PriznArh").AsBoolean()) continue;
    const std::string name = fail.AsString();
    if (name.empty()) continue;
    const std::string dir = AliasDirectory(alias.AsString());
    const std::string tableName = ExtractFileName(dir + name);
    const bool hasExtension = tableName.find('.') != std::string::npos;
    bool found = false;
    for (auto& f : TableFiles(dir, name)) {
      found = found || !hasExtension || EqualsIgnoringCase(ExtractFileName(f), tableName);
      list.push_back(std::move(f));
    }
    if (!found && missingTables) missingTables->push_back(dir + name);
  }
  return list;
}

}  // namespace orn
