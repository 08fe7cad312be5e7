#include "ZipNames.h"

#include <algorithm>
#include <vector>

#include "CodePage.h"
#include "TextUtil.h"

namespace orn {
namespace {

std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

}  // namespace

std::string DecodeEntryText(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy,
                            std::uint8_t hostSystem, const NameDecoding& decoding) {
  if (IsPlainAscii(stored) || ((flags & kFlagUtf8Name) && IsValidUtf8(stored))) return stored;
  const bool oem = decoding.codePage == cpOEM || (decoding.codePage == cpAuto && hostSystem == kHostDos) ||
                   hostSystem == kHostHpfs || (hostSystem == kHostNtfs && versionMadeBy == 50);
  if (oem) return ToUtf8(stored, decoding.oemCodePage);
  // Left as stored, which is the system encoding (UTF-8) here; bytes that
  // are not UTF-8 come from a Windows host in the language's code page.
  return IsValidUtf8(stored) ? stored : ToUtf8(stored, decoding.ansiCodePage);
}

std::string DecodeEntryName(const std::string& stored, std::uint16_t flags, std::uint8_t versionMadeBy,
                            std::uint8_t hostSystem, const NameDecoding& decoding) {
  std::string name = DecodeEntryText(stored, flags, versionMadeBy, hostSystem, decoding);
  if (hostSystem != kHostUnix && hostSystem != kHostMacOsX) return ForwardSlashes(std::move(name));
  return name;
}

std::string MatchingForm(const std::string& name) { return ForwardSlashes(name); }

SafeName CheckEntryName(const std::string& name, bool keepDirs) {
  SafeName result;
  if (name.empty()) {
    result.reason = "empty name";
    return result;
  }
  if (name.find('\0') != std::string::npos) {
    result.reason = "zero byte in the name";
    return result;
  }
  if (name[0] == '/') {
    result.reason = "absolute name";
    return result;
  }
  // "C:" is a drive wherever the archive is restored from a Windows share;
  // "1:" names no drive but is refused alike, so no form of it slips through.
  if (name.size() >= 2 && name[1] == ':') {
    result.reason = "drive letter";
    return result;
  }
  // A backslash is part of a file name here, but a name that climbs when
  // read with Windows separators is refused too: it would climb wherever the
  // files are restored onto a Windows share, and no honest name looks so.
  std::string windowsForm = MatchingForm(name);
  if (windowsForm[0] == '/') {
    result.reason = "absolute name";
    return result;
  }
  for (const std::string& part : Parts(windowsForm))
    if (part == "..") {
      result.reason = "\"..\" in the name";
      return result;
    }
  std::vector<std::string> kept;
  for (std::string& part : Parts(name)) {
    if (!part.empty() && part != ".") kept.push_back(std::move(part));
  }
  if (kept.empty()) {
    result.verdict = NameVerdict::SkipQuiet;
    return result;
  }
  if (!keepDirs) kept.erase(kept.begin(), kept.end() - 1);
  for (const std::string& part : kept) {
    if (!result.path.empty()) result.path += '/';
    result.path += part;
  }
  result.verdict = NameVerdict::Write;
  return result;
}

bool LinkStaysInside(const std::string& linkPath, const std::string& target, std::vector<std::string>* visited) {
  if (target.empty() || target[0] == '/' || target.find('\0') != std::string::npos) return false;
  if (target.size() >= 2 && target[1] == ':') return false;
  // Resolve from the folder holding the link, never rising above the base.
  std::vector<std::string> stack = Parts(linkPath);
  stack.pop_back();
  stack.erase(std::remove_if(stack.begin(), stack.end(), [](const std::string& p) { return p.empty() || p == "."; }),
              stack.end());
  if (visited) visited->clear();
  for (const std::string& part : Parts(target)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (stack.empty()) return false;
      stack.pop_back();
      continue;
    }
    stack.push_back(part);
    if (visited) {
      std::string path;
      for (const std::string& p : stack) path += (path.empty() ? "" : "/") + p;
      visited->push_back(std::move(path));
    }
  }
  return true;
}

}  // namespace orn
