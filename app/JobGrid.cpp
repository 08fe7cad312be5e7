#include "JobGrid.h"

#include "FileSystem.h"
#include "TextUtil.h"

namespace orn {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool HiddenInJobGrid(const std::string& path) {
  const std::string ext = UpperAscii(ExtractFileExt(path));
  if (ext == ".PX" || ext == ".MB" || ext == ".VAL" || ext == ".TV" || ext == ".FAM") return true;
  // .XG0-.XG9, .YG0-.YG9
  if (ext.size() == 4 && (ext[1] == 'X' || ext[1] == 'Y') && ext[2] == 'G' && IsDigit(ext[3])) return true;
  // .X01-.X99, .Y01-.Y99
  if (ext.size() == 4 && (ext[1] == 'X' || ext[1] == 'Y') && IsDigit(ext[2]) && IsDigit(ext[3]))
    return ext[2] != '0' || ext[3] != '0';
  return false;
}

}  // namespace orn
