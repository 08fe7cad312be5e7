// A dictionary file written the way translators keep it: Latvian lines in
// Windows-1257, Russian lines in Windows-1251, CR LF line ends.
#pragma once

#include <QDir>
#include <QString>
#include <string>
#include <vector>

#include "CodePage.h"
#include "FileSystem.h"

namespace langtest {

// One line: its UTF-8 text and the code page it is stored in (0: as is).
struct Line {
  std::string text;
  int codePage = 0;
};
inline Line Lv(const std::string& t) { return {t, 1257}; }
inline Line Ru(const std::string& t) { return {t, 1251}; }

inline std::string WriteDictionary(const QString& dir, const std::vector<Line>& lines,
                                   const char* name = "RadEzaZuvev.ini") {
  std::string bytes;
  for (const Line& l : lines) bytes += (l.codePage ? orn::FromUtf8(l.text, l.codePage) : l.text) + "\r\n";
  const std::string path = QDir(dir).filePath(name).toStdString();
  orn::WriteFileAtomically(path, bytes);
  return path;
}

// The three built-in entries as the framework writes them.
inline std::vector<Line> BuiltIns() {
  return {{"* CHARSETINI"},       {"BALTIC_CHARSET"}, {"RUSSIAN_CHARSET"}, {" "},
          {"* ORNCBPOPUPMENU_1"}, Lv("Pielikt"),      Ru("Добавить"),      {" "},
          {"* ORNCBPOPUPMENU_2"}, Lv("Rediģēt"),      Ru("Исправить"),     {" "}};
}

}  // namespace langtest
