// Helpers of the register and file list tests: scratch folders, files made
// on the spot, a register table built through the table layer, and an alias
// file pointed to by ORN_ALIASES.
#pragma once

#include <string>
#include <vector>

namespace orn::test {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  // The folder with a trailing separator.
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  // Creates `name` (folders included) with some content; returns its path.
  std::string Touch(const std::string& name, const std::string& content = "data") const;

 private:
  std::string path_;
};

struct RegisterRow {
  std::string fail, alias, comment, comment2;
  bool priznArh = false;
};

// Creates SprFiles.db (keyed on Fail) at `path` with `rows`; without the
// PriznArh field when `withMark` is false (an older register).
void MakeRegister(const std::string& path, const std::vector<RegisterRow>& rows, bool withMark = true);

// Writes an alias file and sets ORN_ALIASES to it for the test's lifetime.
class AliasFile {
 public:
  AliasFile(const std::string& path, const std::string& text);
  ~AliasFile();
};

std::string ReadBytes(const std::string& path);

}  // namespace orn::test
