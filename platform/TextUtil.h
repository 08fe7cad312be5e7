// Small text rules shared by the settings and job file readers and the
// command line: trimming, ASCII upper-casing, separators (the design compares keywords
// such as "AUTO" and "NEW" upper-cased), strict integer reading and splitting
// a file's bytes into lines the way the design's string lists do.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orn {

// Removes blanks and control characters at both ends.
std::string Trim(const std::string& text);
std::string UpperAscii(std::string text);
char UpperAsciiChar(char c);
bool EqualsIgnoringCase(const std::string& a, const std::string& b);

// A 32-bit decimal integer with an optional sign, surrounding blanks
// allowed; nothing for any other text or a value out of range.
std::optional<int> ParseInt32(const std::string& text);

// A path or entry name written with Windows separators, in '/' form.
std::string ForwardSlashes(std::string path);

// Lines separated by CR LF, LF or a lone CR; a final line break does not add
// an empty line.
std::vector<std::string> SplitLines(const std::string& bytes);

// Comma-text splitting: items separated by commas or blanks, an item in
// double quotes may contain either ("" inside quotes is one quote).
std::vector<std::string> SplitCommaText(const std::string& text);

}  // namespace orn
