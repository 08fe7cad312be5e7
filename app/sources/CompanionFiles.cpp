#include "CompanionFiles.h"

#include <cctype>

#include "FileSystem.h"

namespace orn {

namespace {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string ListKey(const std::string& entry) {
  const auto first = entry.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  std::string key = entry.substr(first, entry.find_last_not_of(" \t\r\n") - first + 1);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

bool IsCompanionFile(const std::string& path) {
  const std::string ext = ListKey(ExtractFileExt(path));
  if (ext == ".PX" || ext == ".MB" || ext == ".VAL" || ext == ".TV" || ext == ".FAM") return true;
  if (ext.size() != 4 || (ext[1] != 'X' && ext[1] != 'Y')) return false;
  if (ext[2] == 'G') return std::isdigit(static_cast<unsigned char>(ext[3])) != 0;
  return IsHex(ext[2]) && IsHex(ext[3]) && ext.substr(2) != "00";
}

std::string WithoutExtension(const std::string& path) {
  const std::string ext = ExtractFileExt(path);
  return path.substr(0, path.size() - ext.size());
}

}  // namespace orn
