// The framework settings every window shares: language indexes, character
// sets, font settings and the few other values kept in Params.ini. Reading is
// a plain Name=Value lookup without regard to letter case; a missing or
// malformed value takes its default and marks the settings dirty, so that the
// file is rewritten with sound values when the owning window goes away.
#pragma once

#include <string>
#include <vector>

namespace orn {

struct FrameworkValues {
  int language = 1;
  int editLanguage = 1;
  int sysLanguage = 1;
  int helpLanguage = 1;
  int printLanguage = 1;
  int labelCharset = 186;  // BALTIC_CHARSET
  int editCharset = 186;
  int systemCharset = 186;
  int printCharset = 186;
  std::string fontForForm = "Default";
  std::string fontForGrid = "Default";
  std::string fontForGridCapture = "Default";
  std::string fontForPrint = "Default";
  std::string fontForPrintCapture = "Default";
  std::string fonForForm;   // background picture, kept for the file's sake
  std::string logoForForm;  // logo picture, kept for the file's sake
  std::string pageControl = "AS LABEL";
  int beeperLength = 0;
};

// Value of `name` in Name=Value lines (name compared without regard to case,
// value = everything after the first '='); empty when the name is missing.
std::string ParamValue(const std::vector<std::string>& lines, const std::string& name);

// Reads the settings from Params.ini's lines into `values` (character sets
// untouched). Returns true when something was missing or malformed.
bool ReadParams(const std::vector<std::string>& lines, FrameworkValues& values);

// The 19 lines of Params.ini for `values`, in their fixed order.
std::vector<std::string> ParamsLines(const FrameworkValues& values);

}  // namespace orn
