#include "SourcesTestUtil.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CreateTable.h"
#include "Table.h"

namespace orn::test {

ScratchDir::ScratchDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "orn-sources-XXXXXX").string();
  path_ = ::mkdtemp(templ.data()) ? templ + "/" : std::string();
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string ScratchDir::Touch(const std::string& name, const std::string& content) const {
  const std::filesystem::path p = path_ + name;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
  return p.string();
}

void MakeRegister(const std::string& path, const std::vector<RegisterRow>& rows, bool withMark) {
  std::vector<FieldDef> fields = {{"Fail", paradox::kAlpha, 40},
                                  {"Alias", paradox::kAlpha, 40},
                                  {"Comment", paradox::kAlpha, 60},
                                  {"Comment2", paradox::kAlpha, 60}};
  if (withMark) fields.push_back({"PriznArh", paradox::kLogical, 0});
  // A key allows one record with an empty Fail; a register with several is
  // made without a key.
  int emptyFail = 0;
  for (const auto& r : rows) emptyFail += r.fail.empty() ? 1 : 0;
  TableOptions options;
  options.keyFields = emptyFail > 1 ? 0 : 1;
  CreateTable(path, fields, options);
  const std::string dir = std::filesystem::path(path).parent_path().string();
  Table table(dir, std::filesystem::path(path).filename().string());
  table.Open();
  for (const auto& r : rows) {
    table.Append();
    table.FieldByName("Fail").SetAsString(r.fail);
    table.FieldByName("Alias").SetAsString(r.alias);
    table.FieldByName("Comment").SetAsString(r.comment);
    table.FieldByName("Comment2").SetAsString(r.comment2);
    if (withMark) table.FieldByName("PriznArh").SetAsBoolean(r.priznArh);
    table.Post();
  }
}

AliasFile::AliasFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
  ::setenv("ORN_ALIASES", path.c_str(), 1);
}

AliasFile::~AliasFile() { ::unsetenv("ORN_ALIASES"); }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace orn::test
