#include "CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_map>

namespace orn {

int CharsetToCodePage(int charset) {
  switch (charset) {
    case 186: return 1257;
    case 204: return 1251;
    case 238: return 1250;
    case 161: return 1253;
    case 162: return 1254;
    case 177: return 1255;
    case 178: return 1256;
    case 163: return 1258;
    case 222: return 874;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    default: return 1252;
  }
}

int CharsetToOemCodePage(int charset) {
  switch (charset) {
    case 186: return 775;
    case 204: return 866;
    case 238: return 852;
    case 161: return 737;
    case 162: return 857;
    case 0: return 850;
    default: return 437;
  }
}

namespace {
std::string IconvName(int codePage) {
  switch (codePage) {
    case 65001: return "UTF-8";
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 20866: return "KOI8-R";
    default: return "CP" + std::to_string(codePage);
  }
}

std::string Convert(const std::string& in, const std::string& from, const std::string& to, const char* replacement) {
  iconv_t cd = ::iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Unknown code page: keep plain ASCII and mark everything else.
    std::string out;
    for (unsigned char c : in) out += c < 0x80 ? std::string(1, static_cast<char>(c)) : std::string(replacement);
    return out;
  }
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
  ::iconv_close(cd);
  return out;
}
}  // namespace

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
