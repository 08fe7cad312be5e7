#include "SafePath.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace orn::zipfmt {

std::optional<std::string> SafeRelativeName(const std::string& nameIn, bool keepDirs) {
  std::string name = nameIn;
  std::replace(name.begin(), name.end(), '\\', '/');
  if (name.empty() || name[0] == '/') return std::nullopt;
  if (name.find('\0') != std::string::npos) return std::nullopt;
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) return std::nullopt;
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= name.size()) {
    std::size_t j = name.find('/', i);
    if (j == std::string::npos) j = name.size();
    std::string part = name.substr(i, j - i);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    i = j + 1;
  }
  if (parts.empty()) return std::nullopt;
  if (!keepDirs) return parts.back();
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += '/';
    out += p;
  }
  return out;
}

}  // namespace orn::zipfmt
