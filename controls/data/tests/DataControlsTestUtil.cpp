#include "DataControlsTestUtil.h"

#include "CodePage.h"
#include "FileSystem.h"
#include "Table.h"

namespace orntest {

void MakeTable(const std::string& path, const std::vector<orn::FieldDef>& fields, int keyFields,
               const std::vector<std::vector<std::string>>& rows) {
  orn::TableOptions options;
  options.keyFields = keyFields;
  orn::CreateTable(path, fields, options);
  orn::Table table(orn::ExtractFilePath(path), orn::ExtractFileName(path));
  table.Open();
  for (const auto& row : rows) {
    table.Append();
    for (std::size_t i = 0; i < row.size(); ++i)
      if (!row[i].empty()) table.Fields(static_cast<int>(i)).SetAsString(row[i]);
    table.Post();
  }
}

std::vector<std::string> AlphaColumnByPxlib(const std::string& dbPath, const std::string& pxPath, int offset,
                                            int width) {
  const auto view = orn::test::ReadWithPxlib(dbPath, pxPath);
  std::vector<std::string> texts;
  for (const std::string& record : view.records) {
    std::string bytes = record.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(width));
    bytes = bytes.substr(0, bytes.find('\0'));
    texts.push_back(orn::ToUtf8(bytes, 1257));
  }
  return texts;
}

}  // namespace orntest
