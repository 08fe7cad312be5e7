#include "CodePage.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orn {

int CharsetToCodePage(int charset) {
  switch (charset) {
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 238:
      return 1250;
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 163:
      return 1258;
    case 222:
      return 874;
    case 128:
      return 932;
    case 129:
      return 949;
    case 134:
      return 936;
    case 136:
      return 950;
    default:
      return 1252;
  }
}

int CharsetToOemCodePage(int charset) {
  switch (charset) {
    case 186:
      return 775;
    case 204:
      return 866;
    case 238:
      return 852;
    case 161:
      return 737;
    case 162:
      return 857;
    case 0:
      return 850;
    default:
      return 437;
  }
}

namespace {
std::string IconvName(int codePage) {
  switch (codePage) {
    case 65001:
      return "UTF-8";
    case 932:
      return "CP932";
    case 936:
      return "GBK";
    case 949:
      return "CP949";
    case 950:
      return "BIG5";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    default:
      if (codePage > 28590 && codePage < 28610) return "ISO-8859-" + std::to_string(codePage - 28590);
      return "CP" + std::to_string(codePage);
  }
}

// One converter per direction and thread, opened once: an archive of many
// thousand names is converted name by name.
class Converters {
 public:
  ~Converters() {
    for (auto& [key, cd] : open_)
      if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd);
  }
  iconv_t Get(const std::string& from, const std::string& to) {
    const std::string key = from + ">" + to;
    auto it = open_.find(key);
    if (it == open_.end()) it = open_.emplace(key, ::iconv_open(to.c_str(), from.c_str())).first;
    return it->second;
  }

 private:
  std::unordered_map<std::string, iconv_t> open_;
};

std::string Convert(const std::string& in, const std::string& from, const std::string& to, const char* replacement) {
  thread_local Converters converters;
  iconv_t cd = converters.Get(from, to);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Unknown code page: keep plain ASCII and mark everything else.
    std::string out;
    for (unsigned char c : in) out += c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string(replacement);
    return out;
  }
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[4096];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or unconvertible sequence: replace one byte and go on.
      out += replacement;
      ++src;
      --srcLeft;
      ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  ::iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, static_cast<size_t>(dst - buf));
  return out;
}
}  // namespace

int CodePageFromName(const std::string& nameIn) {
  std::string name;
  for (char c : nameIn) name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name == "UTF-8" || name == "UTF8" || name == "65001") return 65001;
  if (name == "KOI8-R" || name == "KOI8R") return 20866;
  if (name == "KOI8-U" || name == "KOI8U") return 21866;
  if (name == "SHIFT_JIS" || name == "SJIS") return 932;
  if (name == "GB18030" || name == "GBK" || name == "GB2312") return 936;
  if (name == "BIG5") return 950;
  if (name == "EUC-KR") return 949;
  int page = 0;
  for (const char* prefix : {"ISO-8859-", "ISO8859-"})
    if (name.rfind(prefix, 0) == 0) {
      const std::string part = name.substr(std::string(prefix).size());
      if (part.empty() || part.size() > 2 || part.find_first_not_of("0123456789") != std::string::npos) return 0;
      page = 28590 + std::stoi(part);
    }
  if (page == 0) {
    for (const char* prefix : {"WINDOWS-", "CP", "IBM", "MS"})
      if (name.rfind(prefix, 0) == 0) {
        name = name.substr(std::string(prefix).size());
        break;
      }
    if (name.empty() || name.size() > 5 || name.find_first_not_of("0123456789") != std::string::npos) return 0;
    page = std::stoi(name);
  }
  // Only pages that convert here count.
  if (page == 65001) return page;
  iconv_t cd = ::iconv_open("UTF-8", IconvName(page).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  ::iconv_close(cd);
  return page;
}

std::string CodePageName(int codePage) { return IconvName(codePage); }

bool IsPlainAscii(const std::string& bytes) {
  for (unsigned char c : bytes)
    if (c >= 0x80) return false;
  return true;
}

bool IsValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    if (len == 2 && c < 0xC2) return false;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
    i += len;
  }
  return true;
}

std::string ToUtf8(const std::string& bytes, int codePage) {
  if (codePage == 65001 || IsPlainAscii(bytes)) return bytes;
  return Convert(bytes, IconvName(codePage), "UTF-8", "\xEF\xBF\xBD");
}

std::string FromUtf8(const std::string& text, int codePage) {
  if (codePage == 65001 || IsPlainAscii(text)) return text;
  return Convert(text, "UTF-8", IconvName(codePage) + "//TRANSLIT", "?");
}

}  // namespace orn
