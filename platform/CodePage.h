// 8-bit code pages through the C library's iconv: dictionary lines (1257,
// 1251), zip entry names (775, 866, 437), the evaluator's 1257 texts and the
// code page of Paradox table headers. Text inside the program is UTF-8.
#pragma once

#include <string>

namespace orn {

// Windows character-set number to its ANSI code page: 186 -> 1257,
// 204 -> 1251, 0 -> 1252, 238 -> 1250, 161 -> 1253, 162 -> 1254, 177 -> 1255,
// 178 -> 1256, 163 -> 1258, 222 -> 874, 128 -> 932, 129 -> 949, 134 -> 936,
// 136 -> 950; anything else -> 1252.
int CharsetToCodePage(int charset);
// The OEM (DOS) code page that goes with a character set: 186 -> 775,
// 204 -> 866, others -> 437 (850 for the Western ones).
int CharsetToOemCodePage(int charset);

// A code page named as people and tools name it: "866", "CP866",
// "IBM866", "WINDOWS-1251", "ISO-8859-13", "KOI8-R", "UTF-8" (65001), in any
// letter case; 0 when the name is none this program can convert.
int CodePageFromName(const std::string& name);
// The name shown for a code page: "CP866", "UTF-8", "KOI8-R", "ISO-8859-5".
std::string CodePageName(int codePage);

// Converts 8-bit text in `codePage` to UTF-8. Bytes that do not convert
// become U+FFFD; code page 65001 means the text is UTF-8 already.
std::string ToUtf8(const std::string& bytes, int codePage);
// Converts UTF-8 to `codePage`; characters the code page lacks become '?'.
std::string FromUtf8(const std::string& text, int codePage);
// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(const std::string& bytes);
// True when every byte is below 0x80.
bool IsPlainAscii(const std::string& bytes);

}  // namespace orn
